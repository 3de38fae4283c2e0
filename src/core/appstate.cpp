#include "core/appstate.h"

#include <cstdlib>
#include <memory>

namespace pv {

namespace {
std::unique_ptr<ApplicationState> theState;
void (*processExit)(int) = [](int code) { std::quick_exit(code); };
void (*shutdownStep)() = nullptr;
} // namespace

ApplicationState& appState() {
    return *theState;
}

bool applicationStateExists() {
    return theState != nullptr;
}

void createApplicationState() {
    theState = std::make_unique<ApplicationState>();
}

void releaseApplicationState() {
    ApplicationState* s = theState.get();
    if (!s)
        return; // released already
    {
        if (s->crewRunning.load()) {
            // Workers of a download still read the lists: leave them to the end of the
            // process instead of pulling them away under the workers.
            (void)theState.release();
            return;
        }
        // In the order of the table; the lock itself outlives the state.
        s->pictureUrls = {};
        s->downloadQueue = {};
        s->saveFolder = {};
        s->cellCheckBoxes = {};
        s->thumbnailUrls = {};
        s->cellCanvases = {};
        s->pictureSizes = {};
        s->pictureNames = {};
        s->pageSections = {};
        s->albumUrls = {};
        s->listingBaseUrl = {};
        s->albumCounts = {};
        s->listingText = {};
        s->pictureSourceMatches = {};
        s->pictureSourcePattern = Pattern();
        s->pictureSizeMatches = {};
        s->pictureSizePattern = Pattern();
        s->pictureNameMatches = {};
        s->namePattern = Pattern();
        s->galleryPages = {};
        s->pageSectionPattern = Pattern();
        s->albumUrlPattern = Pattern();
        s->albumCountPattern = Pattern();
        s->albumNames = {};
        theState.reset();
    }
}

void compilePatternsAndCreateLock() {
    ApplicationState& s = appState();
    s.albumUrlPattern = compilePattern(patterns::albumUrl);
    s.namePattern = compilePattern(patterns::name);
    s.albumCountPattern = compilePattern(patterns::albumCount);
    s.pictureSourcePattern = compilePattern(patterns::pictureSource);
    s.pictureSizePattern = compilePattern(patterns::pictureSize);
    s.pageSectionPattern = compilePattern(patterns::pageSection);
    // Static storage: detached workers may still hold it while the process ends.
    static std::mutex lock;
    s.workLock = &lock;
}

void windowDestroyingStep() {
    // The lock is not freed: a download crew may still be running and its workers must
    // never meet a dead lock. It goes with the process.
    if (shutdownStep)
        shutdownStep();
    processExit(0);
}

void setShutdownStep(void (*step)()) {
    shutdownStep = step;
}

void setProcessExit(void (*exitFn)(int)) {
    processExit = exitFn;
}

} // namespace pv
