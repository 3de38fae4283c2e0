#include "core/windowport.h"

#include <thread>

namespace pv {

namespace {
QueuePort& builtinPort() {
    static QueuePort port;
    return port;
}
WindowPort* installed = nullptr;
std::thread::id windowThread = std::this_thread::get_id();
} // namespace

void markWindowThread() {
    windowThread = std::this_thread::get_id();
}

bool isWindowThread() {
    return std::this_thread::get_id() == windowThread;
}

WindowPort& windowPort() {
    return installed ? *installed : builtinPort();
}

void setWindowPort(WindowPort* port) {
    installed = port;
}

void QueuePort::dispatchPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
        woken_ = false;
    }
    for (auto& change : batch)
        change();
}

void QueuePort::waitForEvents(std::chrono::microseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, timeout, [this] { return woken_ || !queue_.empty(); });
    }
    dispatchPending();
}

void QueuePort::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

void QueuePort::post(std::function<void()> change) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(change));
    }
    cv_.notify_all();
}

void QueuePort::showMessage(const Text& text) {
    messages.push_back(text);
}

Text QueuePort::pickFolder() {
    return folderAnswer;
}

void QueuePort::advanceProgress() {
    post([this] { ++progressPosition; });
}

} // namespace pv
