// The real main window offscreen, with helpers that give it picture records and a gallery.
#pragma once

#include "core/appstate.h"
#include "core/windowport.h"
#include "gallery/canvas.h"
#include "gallery/cellcheckbox.h"
#include "gallery/gallery.h"
#include "gallery/galleryscrollbar.h"
#include "gallery/pageframe.h"
#include "gallery/picturebutton.h"
#include "support/testsupport.h"
#include "support/windowfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtext.h"
#include "ui/qtwindowport.h"
#include "ui/startup.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pv::test {

class GalleryFixture : public WindowFixture {
protected:
    void SetUp() override { openWindow(); }

    // `records` picture records with thumbnail addresses `address(n)` and names "p<n>",
    // and a gallery of `cells` cells built for them, as a listing leaves it.
    void build(int cells, int records = -1) {
        records = records < 0 ? cells : records;
        std::vector<Text> addresses;
        for (int n = 1; n <= records; ++n)
            addresses.push_back("http://127.0.0.1:9/abpic/" + std::to_string(n) + ".jpg");
        buildWith(cells, addresses);
    }
    void buildWith(int cells, const std::vector<Text>& thumbnails,
                   const std::vector<Text>& names = {}) {
        ApplicationState& s = appState();
        if (!s.cellCanvases.empty() || !s.galleryPages.empty()) {
            resetGalleryView();
            destroyGalleryCells();
        }
        s.thumbnailUrls = thumbnails;
        s.pictureUrls.clear();
        s.pictureNames.clear();
        for (std::size_t n = 0; n < thumbnails.size(); ++n) {
            s.pictureUrls.push_back(thumbnails[n] + ".full");
            s.pictureNames.push_back(n < names.size() ? names[n] : "p" + std::to_string(n + 1));
        }
        s.photoCount = cells;
        buildGallery();
    }

    Canvas* canvas(int n) {
        return qobject_cast<Canvas*>(appState().cellCanvases.at(n - 1).data());
    }
    CellCheckBox* box(int n) {
        return qobject_cast<CellCheckBox*>(appState().cellCheckBoxes.at(n - 1).data());
    }
    QWidget* page(int k) {
        return k == 0 ? window->frame3
                      : qobject_cast<QWidget*>(appState().galleryPages.at(k - 1).data());
    }
    QList<bool> checks() {
        QList<bool> out;
        for (const auto& b : appState().cellCheckBoxes)
            out << qobject_cast<QAbstractButton*>(b.data())->isChecked();
        return out;
    }
};

} // namespace pv::test
