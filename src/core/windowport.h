// The narrow interface through which the domain logic reaches the window: dispatching the
// window thread's events, handing changes over to it, progress, messages and the folder
// picker. The window installs its own; tests install a fake.
#pragma once

#include "core/text.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace pv {

class WindowPort {
public:
    virtual ~WindowPort() = default;

    // Window thread: serve every event that is waiting, without waiting for more.
    virtual void dispatchPending() = 0;
    // Window thread: block until an event arrives, wake() is called or `timeout` passes,
    // serving what arrived. Costs no CPU while nothing happens.
    virtual void waitForEvents(std::chrono::microseconds timeout) = 0;
    // Any thread: make a pending or the next waitForEvents return.
    virtual void wake() = 0;
    // Any thread: run `change` on the window thread, in the order of the calls.
    virtual void post(std::function<void()> change) = 0;

    // Window thread. The message box: modal, titled "提示", information icon, one OK button.
    virtual void showMessage(const Text& text) = 0;
    // Window thread. The chosen folder's path (GBK), or empty when the user cancelled.
    virtual Text pickFolder() = 0;

    // Progress bar 进度条1. The setters are for the window thread; advanceProgress may be
    // called from any thread and every call counts exactly once.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void advanceProgress() = 0;
};

// The thread that runs the window; set once at start-up (tests: the thread of main).
void markWindowThread();
bool isWindowThread();

// The port in use; a QueuePort until the window installs its own.
WindowPort& windowPort();
// Installs `port` (not owned); nullptr goes back to the built-in QueuePort.
void setWindowPort(WindowPort* port);

// A port without a window: posted changes wait in a queue that the waiting thread serves.
// Used before the window exists and by tests; the progress bar is a pair of counters.
class QueuePort : public WindowPort {
public:
    void dispatchPending() override;
    void waitForEvents(std::chrono::microseconds timeout) override;
    void wake() override;
    void post(std::function<void()> change) override;
    void showMessage(const Text& text) override;
    Text pickFolder() override;
    void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void setProgressPosition(int position) override { progressPosition = position; }
    void advanceProgress() override;

    int progressMaximum = 0;
    int progressPosition = 0;
    std::vector<Text> messages; // every text shown, in order
    Text folderAnswer;          // what pickFolder answers

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    bool woken_ = false;
};

} // namespace pv
