// The threads a job's folders run on.
#include "engine/folder_pool.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

namespace torvane {

unsigned FolderThreads(unsigned setting) {
    if (setting != 0)
        return setting;
    return std::max(1u, std::thread::hardware_concurrency());
}

unsigned FolderThreads(unsigned setting, std::size_t folders) {
    const std::size_t most = std::max<std::size_t>(folders, 1);
    return static_cast<unsigned>(std::min<std::size_t>(FolderThreads(setting), most));
}

FolderPool::FolderPool(unsigned threads) : threads_(std::max(1u, threads)) {
    for (unsigned n = 1; n < threads_; ++n) {
        try {
            helpers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: fewer do the work
        }
    }
}

FolderPool::~FolderPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& helper : helpers_)
        helper.join();
}

void FolderPool::Add(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_one();
}

bool FolderPool::RunOne(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty())
        return false;
    std::function<void()> task = std::move(tasks_.back());
    tasks_.pop_back();
    ++running_;
    lock.unlock();
    try {
        task();
    } catch (...) {
        const std::lock_guard failed(mutex_);
        if (!failure_)
            failure_ = std::current_exception();
    }
    task = nullptr;  // what it holds goes before the task counts as ended
    lock.lock();
    --running_;
    if (tasks_.empty() && running_ == 0)
        changed_.notify_all();  // the waiting thread may be done
    return true;
}

void FolderPool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (RunOne(lock))
            continue;
        if (stopping_)
            return;
        changed_.wait(lock);
    }
}

void FolderPool::Wait() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (RunOne(lock))
            continue;
        if (running_ == 0)
            break;
        changed_.wait(lock);
    }
    if (failure_) {
        auto failure = std::exchange(failure_, nullptr);
        lock.unlock();
        std::rethrow_exception(failure);
    }
}

}  // namespace torvane
