// Crews of ten worker threads over a numbered list of items, waited for on the window
// thread while its events keep being served.
#pragma once

#include <cstdint>
#include <functional>

namespace pv {

inline constexpr int crewSize = 10;

using WorkerBody = void (*)();

// Window thread. nextItem and finishedWorkers to 0, ten threads each running `body`,
// then waits, serving events, until all ten have reported finished. Returns false (and
// runs nothing) when another crew is still running; a debug build stops there loudly.
bool runCrew(WorkerBody body);

// How a crew's threads are started; tests put in one that fails. Runs `work` on a new
// thread of its own, or throws std::system_error when none can be had. nullptr restores
// the default, a detached std::thread.
using CrewThreadStart = void (*)(std::function<void()> work);
void setCrewThreadStart(CrewThreadStart start);

// Window thread. Returns once `microseconds` have passed, serving every event that arrives
// meanwhile; blocks without spinning in between.
void pumpWait(std::int64_t microseconds);

// One worker's time on the crew: take() hands out item numbers, and the worker reports
// finished exactly once, when the shift ends, on whichever way it leaves.
class CrewShift {
public:
    CrewShift() = default;
    CrewShift(const CrewShift&) = delete;
    CrewShift& operator=(const CrewShift&) = delete;
    ~CrewShift();

    // The next item number from 1 to `itemCount`, or 0 when none is left (peek, take
    // under workLock, re-check).
    int take(std::int32_t itemCount);

private:
    bool done_ = false;
};

} // namespace pv
