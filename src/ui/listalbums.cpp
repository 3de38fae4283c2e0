#include "ui/listalbums.h"

#include "catalogue/albumlisting.h"
#include "catalogue/listingfetch.h"
#include "core/appstate.h"
#include "core/windowport.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"
#include "ui/qtext.h"
#include "ui/usernameedit.h"

namespace pv {

void listAlbums() {
    ApplicationState& s = appState();
    if (s.commandActive)
        return;
    MainWindow* w = mainWindow();
    WindowPort& port = windowPort();

    const Text userName = trimSpaces(fromQString(w->edit1->text()));
    if (userName.empty()) {
        port.showMessage(gbk(messages::enterUserName));
        return;
    }
    s.commandActive = true;
    s.albumUrls.clear();
    s.albumNames.clear();
    s.albumCounts.clear();
    s.pageSections.clear();

    countListingPages(albumIndexAddress(userName));
    s.listingBaseUrl = albumIndexAddress(userName);
    port.setProgressMaximum(s.pageCount);
    s.busy = 1;
    fetchListingSections();
    s.busy = 0;

    // The bar's second run: once over the records, once over the drop-down items.
    const AlbumFields fields = searchAlbumFields();
    const auto albums = static_cast<int>(fields.albums());
    port.setProgressPosition(0);
    port.setProgressMaximum(2 * albums);
    int position = 0;
    for (int i = 0; i < albums; ++i) {
        addAlbumRecord(fields, static_cast<std::size_t>(i));
        port.setProgressPosition(++position);
    }

    w->combo1->clear();
    for (int i = 1; i <= albums; ++i) {
        w->combo1->addItem(toQString(albumItemText(i)),
                           integerValue(s.albumCounts[static_cast<std::size_t>(i - 1)]));
        port.setProgressPosition(++position);
    }
    port.setProgressPosition(0);
    if (w->combo1->count() > 0) {
        w->combo1->setCurrentIndex(0);
        w->button2->setEnabled(true);
    } else {
        w->button2->setEnabled(false);
    }
    s.commandActive = false;
}

} // namespace pv
