#include "download/downloadworker.h"

#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "download/freename.h"
#include "download/pendingpicture.h"
#include "web/httpget.h"

namespace pv {

namespace {

DownloadTally tally;
DownloadTimeouts timeouts;

// Saves queue entry n; true when the picture is now in the folder under its free name.
bool savePicture(std::int32_t n) {
    const ApplicationState& s = appState();
    const std::int32_t p = s.downloadQueue[static_cast<std::size_t>(n - 1)];
    if (p < 1 || static_cast<std::size_t>(p) > s.pictureUrls.size())
        return false;
    const Text address = s.pictureUrls[static_cast<std::size_t>(p - 1)];

    PendingPicture file;
    if (!file.open(gbkToUtf8(s.saveFolder), fileNameOf(address)))
        return false;
    const TransferResult result = httpFetchTo(
        address, [&file](const char* data, std::size_t size) { return file.write(data, size); },
        timeouts.connect, timeouts.total);
    if (!result.ok)
        return false; // the file goes with `file`
    return file.commit();
}

} // namespace

void downloadWorker() {
    const ApplicationState& s = appState();
    const auto items = static_cast<std::int32_t>(s.downloadQueue.size());
    CrewShift shift;
    while (const int n = shift.take(items)) {
        bool saved = false;
        try {
            saved = savePicture(n);
        } catch (...) {
            saved = false; // out of memory: this picture is lost, the crew goes on
        }
        (saved ? tally.saved : tally.failed).fetch_add(1);
        windowPort().advanceProgress();
    }
}

DownloadTally& downloadTally() {
    return tally;
}

void prepareDownloadRun() {
    tally.saved = 0;
    tally.failed = 0;
    acceptPendingPictures();
}

void setDownloadTimeouts(DownloadTimeouts t) {
    timeouts = t;
}

DownloadTimeouts downloadTimeouts() {
    return timeouts;
}

} // namespace pv
