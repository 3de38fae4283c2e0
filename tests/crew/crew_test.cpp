#include "core/crew.h"

#include "support/testsupport.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <latch>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace pv {
namespace {

using namespace std::chrono_literals;

// What the worker bodies share with the test; bodies take no arguments.
std::int32_t itemCount = 0;
std::unique_ptr<std::atomic<int>[]> timesWorked;
std::latch* startGate = nullptr; // all ten workers reach their first take together
std::atomic<int> throwAt{0};

void countingWorker() {
    if (startGate)
        startGate->arrive_and_wait();
    CrewShift shift;
    while (int n = shift.take(itemCount)) {
        ++timesWorked[n - 1];
        windowPort().advanceProgress();
        if (n == throwAt)
            throw std::runtime_error("a worker that fails on its item");
    }
}

class Crew : public test::StateFixture {
protected:
    void prepare(std::int32_t count) {
        itemCount = count;
        // Room past the end, so that a take beyond it shows instead of writing astray.
        timesWorked =
            std::make_unique<std::atomic<int>[]>(static_cast<std::size_t>(count) + crewSize + 1);
        throwAt = 0;
    }
    void expectEveryItemWorkedOnce(std::int32_t count) {
        int wrong = 0;
        for (std::int32_t i = 0; i < count + crewSize; ++i)
            wrong += timesWorked[i] != (i < count ? 1 : 0);
        EXPECT_EQ(wrong, 0) << "items not worked exactly once, of " << count;
    }
    void TearDown() override {
        setCrewThreadStart(nullptr);
        startGate = nullptr;
        test::StateFixture::TearDown();
    }
};

class CrewItems : public Crew, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(CrewItems, EveryItemIsWorkedExactlyOnce) {
    const std::int32_t count = GetParam();
    prepare(count);
    std::latch gate(crewSize);
    startGate = &gate;
    ASSERT_TRUE(runCrew(&countingWorker));
    expectEveryItemWorkedOnce(count);
    EXPECT_EQ(appState().finishedWorkers.load(), crewSize);
    // Each worker's last take may overshoot by one, no more.
    EXPECT_GE(appState().nextItem.load(), count);
    EXPECT_LE(appState().nextItem.load(), count + crewSize);
    // Every progress step from every worker counted once, by the window thread.
    EXPECT_EQ(port.progressPosition, count);
    EXPECT_FALSE(appState().crewRunning.load());
}

INSTANTIATE_TEST_SUITE_P(Counts, CrewItems, ::testing::Values(0, 1, 9, 10, 11, 10000));

// The race at the end of the list (a worker peeks, another takes the last item, the first
// takes past the end) is narrow; many short crews with all ten workers at the take give it
// its chances.
TEST_F(Crew, ManyShortCrewsNeverOvershoot) {
    for (std::int32_t count : {1, 9}) {
        for (int round = 0; round < 1000; ++round) {
            prepare(count);
            port.progressPosition = 0;
            std::latch gate(crewSize);
            startGate = &gate;
            ASSERT_TRUE(runCrew(&countingWorker));
            startGate = nullptr;
            ASSERT_EQ(port.progressPosition, count) << "round " << round;
            expectEveryItemWorkedOnce(count);
        }
    }
}

TEST_F(Crew, AWorkerThatFailsStillReportsFinished) {
    prepare(200);
    throwAt = 5;
    ASSERT_TRUE(runCrew(&countingWorker));
    expectEveryItemWorkedOnce(200);
    EXPECT_EQ(appState().finishedWorkers.load(), crewSize);
}

std::atomic<int> startsSoFar{0};
int failingStarts = 0; // bit i set: the i-th start of the crew fails

void flakyStart(std::function<void()> work) {
    const int i = startsSoFar++;
    if (failingStarts & (1 << i))
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    std::thread(std::move(work)).detach();
}

class CrewThreadStarts : public Crew, public ::testing::WithParamInterface<int> {};

TEST_P(CrewThreadStarts, AThreadThatCannotStartCountsAsFinished) {
    prepare(300);
    startsSoFar = 0;
    failingStarts = GetParam();
    setCrewThreadStart(&flakyStart);
    ASSERT_TRUE(runCrew(&countingWorker)); // returns instead of waiting for ever
    EXPECT_EQ(appState().finishedWorkers.load(), crewSize);
    if (failingStarts == (1 << crewSize) - 1) {
        EXPECT_EQ(port.progressPosition, 0);
    } else {
        expectEveryItemWorkedOnce(300);
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, CrewThreadStarts,
                         ::testing::Values(0b0000000001, 0b1000000000, 0b0101010100, 0b1111111111));

// A worker hands a change to the window thread and waits for it to happen: it can only
// happen if the window thread keeps serving events while it waits for the crew.
std::atomic<bool> changeRan{false};
std::atomic<bool> changeOnWindowThread{false};

void handOverWorker() {
    CrewShift shift;
    if (shift.take(1) != 1)
        return;
    windowPort().post([] {
        changeOnWindowThread = isWindowThread();
        changeRan = true;
    });
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (!changeRan && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
}

TEST_F(Crew, TheWindowThreadServesEventsWhileTheCrewRuns) {
    changeRan = false;
    changeOnWindowThread = false;
    ASSERT_TRUE(runCrew(&handOverWorker));
    EXPECT_TRUE(changeRan.load());
    EXPECT_TRUE(changeOnWindowThread.load());
}

// A command started from an event during a crew tries to start a second crew.
std::atomic<int> secondCrewResult{-1};
std::atomic<int> secondCrewWorked{0};

void secondCrewWorker() {
    CrewShift shift;
    ++secondCrewWorked;
}

void firstCrewWorker() {
    CrewShift shift;
    while (int n = shift.take(itemCount)) {
        if (n == 1) {
            windowPort().post([] { secondCrewResult = runCrew(&secondCrewWorker) ? 1 : 0; });
            while (secondCrewResult == -1)
                std::this_thread::sleep_for(1ms);
        }
        ++timesWorked[n - 1];
    }
}

// A release build refuses the second crew and keeps the first one's cursor intact; a debug
// build stops the program on the spot, so that the fault cannot go unnoticed in testing.
// Both are tested, each in the build it belongs to.
#ifdef NDEBUG
TEST_F(Crew, ASecondCrewIsRefused) {
    prepare(500);
    secondCrewResult = -1;
    secondCrewWorked = 0;
    ASSERT_TRUE(runCrew(&firstCrewWorker));
    EXPECT_EQ(secondCrewResult.load(), 0);
    EXPECT_EQ(secondCrewWorked.load(), 0);
    expectEveryItemWorkedOnce(500);
    EXPECT_EQ(appState().finishedWorkers.load(), crewSize);
}
#else
TEST_F(Crew, ASecondCrewStopsADebugBuild) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    prepare(500);
    secondCrewResult = -1;
    EXPECT_DEATH(runCrew(&firstCrewWorker), "another one runs");
}
#endif

TEST_F(Crew, PumpWaitReturnsWithoutEvents) {
    const auto start = std::chrono::steady_clock::now();
    pumpWait(1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
}

TEST_F(Crew, PumpWaitServesEventsUntilItsTimeIsUp) {
    std::atomic<bool> served{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(10ms);
        port.post([&] { served = true; });
    });
    const auto start = std::chrono::steady_clock::now();
    pumpWait(60'000);
    const auto took = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_TRUE(served.load());
    EXPECT_GE(took, 60ms); // an event does not end the wait early
}

} // namespace
} // namespace pv
