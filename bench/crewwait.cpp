// What the window thread pays while it waits for a crew: its CPU time as a fraction of the
// wall time, for a crew of ten workers that each sleep, waited for by runCrew and, beside
// it, by polling with a 1-microsecond pause between dispatches. Also how late runCrew
// notices the crew's end.
//
//   bench_crewwait [seconds each worker sleeps, default 1] [rounds, default 3]
#include "core/appstate.h"
#include "core/crew.h"
#include "core/windowport.h"
#include "ui/qtwindowport.h"

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/prctl.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::chrono::milliseconds workerSleep{1000};
std::atomic<Clock::rep> lastFinish{0};

void sleepingWorker() {
    pv::CrewShift shift;
    while (shift.take(pv::crewSize))
        std::this_thread::sleep_for(workerSleep);
    const Clock::rep now = Clock::now().time_since_epoch().count();
    Clock::rep seen = lastFinish.load();
    while (seen < now && !lastFinish.compare_exchange_weak(seen, now)) {
    }
}

struct Figures {
    double cpuFraction;
    double wallSeconds;
    double endNoticedAfterMs; // negative when not measured
};

Figures waitWithRunCrew() {
    lastFinish = 0;
    const double cpu0 = threadCpuSeconds();
    const auto wall0 = Clock::now();
    pv::runCrew(&sleepingWorker);
    const auto wall1 = Clock::now();
    const double cpu = threadCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(wall1 - wall0).count();
    const double late = std::chrono::duration<double, std::milli>(
                            wall1 - Clock::time_point(Clock::duration(lastFinish.load())))
                            .count();
    return {cpu / wall, wall, late};
}

// The wait as first designed: dispatch, pause one microsecond, test the count, again.
Figures waitByPolling() {
    std::atomic<int> finished{0};
    for (int i = 0; i < pv::crewSize; ++i) {
        std::thread([&finished] {
            std::this_thread::sleep_for(workerSleep);
            ++finished;
        }).detach();
    }
    // The kernel rounds short sleeps up by the timer slack (50 us by default); a timer of
    // one microsecond, as first designed, has none.
    const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
    const double cpu0 = threadCpuSeconds();
    const auto wall0 = Clock::now();
    while (finished.load() < pv::crewSize) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const timespec pause{0, 1000};
        nanosleep(&pause, nullptr);
    }
    const double cpu = threadCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    prctl(PR_SET_TIMERSLACK, slack > 0 ? slack : 50000, 0, 0, 0);
    return {cpu / wall, wall, -1};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    workerSleep = std::chrono::milliseconds(static_cast<long>(seconds * 1000));

    pv::markWindowThread();
    pv::createApplicationState();
    pv::compilePatternsAndCreateLock();
    pv::QtWindowPort port(nullptr, nullptr);
    pv::setWindowPort(&port);

    std::printf("crew of %d workers, each sleeping %.3f s; window thread CPU / wall time\n",
                pv::crewSize, seconds);
    for (int r = 0; r < rounds; ++r) {
        const Figures crew = waitWithRunCrew();
        const Figures poll = waitByPolling();
        std::printf("round %d  runCrew: %6.3f%% of %.3f s, end noticed after %.3f ms   "
                    "1-us polling: %6.2f%% of %.3f s\n",
                    r + 1, crew.cpuFraction * 100, crew.wallSeconds, crew.endNoticedAfterMs,
                    poll.cpuFraction * 100, poll.wallSeconds);
    }
    pv::setWindowPort(nullptr);
    return 0;
}
