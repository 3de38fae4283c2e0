#include "core/crew.h"

#include "core/appstate.h"
#include "core/windowport.h"

#include <cassert>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

namespace pv {

namespace {

void reportFinished() {
    ApplicationState& s = appState();
    // The wake belongs to the report: once runCrew has seen the count and taken the lock
    // after it, the last worker touches nothing of the crew's, nor the port.
    std::lock_guard lock(*s.workLock);
    if (s.finishedWorkers.fetch_add(1) + 1 == crewSize)
        windowPort().wake();
}

void startDetached(std::function<void()> work) {
    std::thread(std::move(work)).detach();
}

CrewThreadStart threadStart = &startDetached;

} // namespace

void setCrewThreadStart(CrewThreadStart start) {
    threadStart = start ? start : &startDetached;
}

CrewShift::~CrewShift() {
    if (!done_)
        reportFinished();
}

int CrewShift::take(std::int32_t itemCount) {
    ApplicationState& s = appState();
    if (s.nextItem.load() >= itemCount)
        return 0;
    std::int32_t n;
    {
        std::lock_guard lock(*s.workLock);
        n = s.nextItem.fetch_add(1) + 1;
    }
    if (n > itemCount)
        return 0;
    return n;
}

bool runCrew(WorkerBody body) {
    ApplicationState& s = appState();
    if (s.crewRunning.exchange(true)) {
        std::fputs("picvora: a crew was started while another one runs; refused\n", stderr);
        assert(!"a second crew must never start while one runs");
        return false;
    }
    s.nextItem = 0;
    s.finishedWorkers = 0;
    for (int i = 0; i < crewSize; ++i) {
        try {
            threadStart([body] {
                try {
                    body();
                } catch (...) {
                    // Nothing may cross the thread; the body's CrewShift has reported already.
                }
            });
        } catch (const std::system_error&) {
            // The thread could not be started: it counts as a worker that has finished.
            std::lock_guard lock(*s.workLock);
            s.finishedWorkers.fetch_add(1);
        }
    }
    WindowPort& port = windowPort();
    while (s.finishedWorkers.load() < crewSize)
        port.waitForEvents(std::chrono::milliseconds(100));
    {
        std::lock_guard lock(*s.workLock); // the last reporter has left the lock
    }
    // Serve the changes the workers handed over before they reported.
    port.dispatchPending();
    s.crewRunning = false;
    return true;
}

void pumpWait(std::int64_t microseconds) {
    using namespace std::chrono;
    WindowPort& port = windowPort();
    const auto deadline = steady_clock::now() + std::chrono::microseconds(microseconds);
    port.dispatchPending();
    for (;;) {
        auto left = duration_cast<std::chrono::microseconds>(deadline - steady_clock::now());
        if (left.count() <= 0)
            break;
        port.waitForEvents(left);
    }
}

} // namespace pv
