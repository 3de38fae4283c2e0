#include "ui/listpictures.h"

#include "catalogue/listingfetch.h"
#include "catalogue/photolisting.h"
#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "gallery/gallery.h"
#include "gallery/galleryscrollbar.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"
#include "ui/qtext.h"

#include <algorithm>
#include <climits>

namespace pv {

namespace {

// A declared count is only the page's word: no more cells than this are made for it (the
// records found are always shown in full).
constexpr std::int32_t maxDeclaredCells = 100000;

// One step per page, per record and per cell.
int progressMaximum(std::int64_t pages, std::int64_t records, std::int64_t cells) {
    const std::int64_t sum =
        pages + std::max<std::int64_t>(records, 0) + std::max<std::int64_t>(cells, 0);
    return static_cast<int>(std::min<std::int64_t>(sum, INT32_MAX));
}

} // namespace

void listPictures() {
    ApplicationState& s = appState();
    if (s.commandActive)
        return;
    MainWindow* w = mainWindow();
    WindowPort& port = windowPort();

    resetGalleryView();
    const int selected = w->combo1->currentIndex();
    if (selected < 0)
        return;
    if (w->combo1->itemData(selected).toInt() == 0) {
        port.showMessage(gbk(messages::albumEmpty));
        return;
    }
    // The album is fixed here, whatever the drop-down shows while the pages arrive.
    const auto k = static_cast<std::size_t>(selected + 1);
    if (k > s.albumUrls.size())
        return;
    s.commandActive = true;
    for (QWidget* c : {static_cast<QWidget*>(w->button1), static_cast<QWidget*>(w->button2),
                       static_cast<QWidget*>(w->button3), static_cast<QWidget*>(w->button4),
                       static_cast<QWidget*>(w->button6), static_cast<QWidget*>(w->scrollBar1)})
        c->setEnabled(false);

    s.galleryReplacing = true;
    destroyGalleryCells();
    s.thumbnailUrls.clear();
    s.pictureUrls.clear();
    s.pictureSizes.clear();
    s.pictureNames.clear();
    s.pageSections.clear();

    const Text albumUrl = s.albumUrls[k - 1];
    countListingPages(albumUrl);
    s.listingBaseUrl = albumUrl;
    s.photoCount = std::min(integerValue(s.albumCounts[k - 1]), maxDeclaredCells);
    port.setProgressMaximum(progressMaximum(s.pageCount, s.photoCount, s.photoCount));
    s.busy = 1;
    fetchListingSections();

    searchPictureFields();
    runCrew(pictureRecordWorker);

    // One cell per record and at least the declared count; a bar that must cover more
    // cells than declared grows before the cells are built, so it still ends full.
    const auto records = static_cast<std::int32_t>(s.pictureUrls.size());
    if (records > s.photoCount || s.photoCount < 0) {
        const std::int32_t declared = std::max(s.photoCount, 0);
        s.photoCount = std::max(records, declared);
        port.setProgressMaximum(progressMaximum(s.pageCount, records, s.photoCount));
    }
    buildGallery();
    s.galleryReplacing = false;
    loadThumbnails();
    s.commandActive = false;
}

} // namespace pv
