#include "gallery/gallery.h"

#include "core/appstate.h"
#include "gallery/galleryscrollbar.h"
#include "gallery/pageframe.h"
#include "gallery/picturebutton.h"
#include "ui/mainwindow.h"

namespace pv {

void connectGallery(MainWindow&) {}

void resetGalleryView() {
    MainWindow* w = mainWindow();
    w->pictureButton1->hide();
    w->frame3->setGeometry(w->frame3->x(), 0, w->frame3->width(), 541);
}

void destroyGalleryCells() {
    ApplicationState& s = appState();
    for (auto& c : s.cellCanvases)
        delete c.data();
    for (auto& c : s.cellCheckBoxes)
        delete c.data();
}

void buildGallery() {}

void loadThumbnails() {
    ApplicationState& s = appState();
    MainWindow* w = mainWindow();
    s.busy = 0;
    w->button1->setEnabled(true);
    w->button2->setEnabled(true);
    w->button6->setEnabled(true);
    w->button3->setEnabled(s.photoCount >= 1);
    w->button4->setEnabled(s.photoCount >= 1);
}

void reloadThumbnail() {}

} // namespace pv
