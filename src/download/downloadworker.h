// The download crew's worker: saves the pictures that downloadQueue names into saveFolder,
// each under a name no other file has, and counts what was saved and what failed.
#pragma once

#include <atomic>
#include <chrono>

namespace pv {

// Crew body. saveFolder must end in "/" before the crew starts; downloadQueue and
// pictureUrls stay unchanged while it runs. One progress step per item, whatever happens.
void downloadWorker();

// What the last run saved and what it failed to save.
struct DownloadTally {
    std::atomic<int> saved{0};
    std::atomic<int> failed{0};
};
DownloadTally& downloadTally();

// Window thread, before the crew: counts to 0, pictures can be opened again.
void prepareDownloadRun();

// Limits of one picture's transfer. The overall limit is generous: a picture may be large.
struct DownloadTimeouts {
    std::chrono::seconds connect{15};
    std::chrono::seconds total{300};
};
// Window thread, while no download runs (tests shorten them).
void setDownloadTimeouts(DownloadTimeouts timeouts);
DownloadTimeouts downloadTimeouts();

} // namespace pv
