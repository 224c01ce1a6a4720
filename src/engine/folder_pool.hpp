#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace torvane {

// The threads a job's folders are planned and applied on: `setting` itself,
// or as many as the machine has cores when it is 0; never fewer than one.
unsigned FolderThreads(unsigned setting);

// FolderThreads, and no more than `folders` (at least one): a job of one
// folder takes one thread.
unsigned FolderThreads(unsigned setting, std::size_t folders);

// A small pool of threads for one job's folders. Tasks may add more tasks;
// the most recently added runs first, so that one thread goes through a tree
// depth first, a folder's subfolders in the order they were added last to
// first (add them in reverse to have them run in order). The thread that
// waits runs tasks too: a pool of one thread starts none and runs every task
// on the caller's thread, in that order.
class FolderPool {
  public:
    explicit FolderPool(unsigned threads);
    ~FolderPool();
    FolderPool(const FolderPool&) = delete;
    FolderPool& operator=(const FolderPool&) = delete;

    // Adds a task. Safe from any task of the pool and from the waiting thread.
    void Add(std::function<void()> task);

    // Runs tasks until every task added, and every task they add, has ended.
    // Rethrows the first exception a task threw (the others still run); the
    // pool can be used again afterwards.
    void Wait();

    unsigned threads() const { return threads_; }

  private:
    // Runs one task if there is one; false when there is none to run now.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    void Work();

    const unsigned threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::function<void()>> tasks_;  // a stack: the last added runs first
    std::size_t running_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> helpers_;
};

}  // namespace torvane
