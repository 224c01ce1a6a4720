#include "app/ui_thread.hpp"

#include <utility>

namespace torvane {

UiTaskQueue::UiTaskQueue() : uiThread_(std::this_thread::get_id()) {}

void UiTaskQueue::Post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    queued_.notify_all();
}

bool UiTaskQueue::OnUiThread() const {
    return std::this_thread::get_id() == uiThread_;
}

void UiTaskQueue::PostAndWait(std::function<void()> work) {
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    Post([&] {
        work();
        // Notified under the lock: the waiter may return and destroy the
        // signal as soon as it sees `done`.
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_all();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

std::function<void()> UiTaskQueue::Take(bool wait) {
    std::unique_lock lock(mutex_);
    if (wait)
        queued_.wait(lock, [this] { return !work_.empty(); });
    if (work_.empty())
        return {};
    auto work = std::move(work_.front());
    work_.pop_front();
    return work;
}

void UiTaskQueue::RunNext() {
    Take(true)();
}

void UiTaskQueue::RunUntil(const std::function<bool()>& done) {
    while (!done())
        RunNext();
}

int UiTaskQueue::RunPending() {
    std::size_t count;
    {
        std::lock_guard lock(mutex_);
        count = work_.size();
    }
    int ran = 0;
    for (; count > 0; --count) {
        auto work = Take(false);
        if (!work)
            break;
        work();
        ++ran;
    }
    return ran;
}

}  // namespace torvane
