// The one application state of the run: every list, counter, flag, the lock and the
// compiled patterns. Lists are numbered from 1 in the program's terms; entry n lives at
// index n - 1 of its vector.
#pragma once

#include "core/patterns.h"
#include "core/text.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace pv {

// Addresses a control, or a copy of one made while the program runs; empty matches none.
using ControlRef = QPointer<QObject>;
using TextList = std::vector<Text>;

struct ApplicationState {
    TextList pictureUrls;                         // full-size address of each picture
    std::vector<std::int32_t> downloadQueue;      // picture numbers to save
    Text saveFolder;                              // folder chosen for downloads
    std::atomic<std::int32_t> nextItem{0};        // crew cursor: items taken so far
    std::atomic<std::int32_t> finishedWorkers{0}; // workers of the crew that have ended
    std::mutex* workLock = nullptr;               // created with the window, valid until exit
    std::vector<ControlRef> cellCheckBoxes;       // check box of each gallery cell
    std::int32_t photoCount = 0;                  // number of gallery cells
    int busy = 0;                                 // a listing or gallery build is running
    TextList thumbnailUrls;                       // thumbnail address of each picture
    std::vector<ControlRef> cellCanvases;         // canvas of each gallery cell
    TextList pictureSizes;                        // size text of each picture
    TextList pictureNames;                        // name of each picture
    TextList pageSections;                        // forimgs section of each listing page
    TextList albumUrls;                           // address of each album
    std::int32_t pageCount = 0;                   // pages of the listing being read
    Text listingBaseUrl;                          // listing address that page indexes extend
    TextList albumCounts;                         // picture count of each album, as found
    Text listingText;                             // all page sections joined in page order
    MatchList pictureSourceMatches;
    Pattern pictureSourcePattern;
    MatchList pictureSizeMatches;
    Pattern pictureSizePattern;
    MatchList pictureNameMatches;
    Pattern namePattern;
    std::vector<ControlRef> galleryPages; // page frame copies beyond the first
    std::int64_t galleryScrollSpan = 0;   // pixels the page frames travel over the scroll range
    Pattern pageSectionPattern;
    Pattern albumUrlPattern;
    Pattern albumCountPattern;
    std::int32_t currentCell = 0; // cell whose canvas was clicked last, 0 when none
    TextList albumNames;          // name of each album

    // Not a field of the listings: set while any command runs a listing or a download,
    // so that no second listing or crew can start meanwhile (busy keeps its own meaning).
    bool commandActive = false;
    // From the destruction of the previous cells until the new gallery is built: the
    // pop-up menu is not offered meanwhile.
    bool galleryReplacing = false;
    // Set by runCrew from the start of a crew until its last worker has reported.
    std::atomic<bool> crewRunning{false};
};

// The state; valid between createApplicationState and the end of the program.
ApplicationState& appState();
bool applicationStateExists();

void createApplicationState();
// Frees what the state holds. Runs at most once; later calls do nothing.
void releaseApplicationState();

// The core half of the window-created step: compiles the six patterns in their order and
// creates workLock.
void compilePatternsAndCreateLock();
// The window-destroying step: retires workLock (it stays valid for workers still running
// until the process is gone) and ends the program with exit code 0.
void windowDestroyingStep();

// Run by windowDestroyingStep just before the program ends (a download removes the files
// it has in flight there). One step; a later call replaces it.
void setShutdownStep(void (*step)());

// How the program ends (default: std::quick_exit, which runs the release registered with
// at_quick_exit). Tests replace it to observe the end without losing their process.
void setProcessExit(void (*exitFn)(int));

} // namespace pv
