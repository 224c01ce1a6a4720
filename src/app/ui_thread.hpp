#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace torvane {

// How a job's worker reaches the thread that owns the window (the UI
// thread): a front end supplies it (the desktop window through its event
// loop, the console and the tests through UiTaskQueue). This class is the one
// place that decides whether work runs at once (the caller is on the UI
// thread) or is handed over; implementations only say which thread they
// serve and how work is queued there.
class UiThread {
  public:
    virtual ~UiThread() = default;

    // Has `work` run on the UI thread later, after everything posted or
    // invoked before it. Returns at once.
    virtual void Post(std::function<void()> work) = 0;

    // Has `work` run on the UI thread, after everything posted before it, and
    // returns when it has run. Called on the UI thread itself, runs it at once.
    void Invoke(std::function<void()> work) {
        if (OnUiThread())
            work();
        else
            PostAndWait(std::move(work));
    }

    // Called on the UI thread, runs `work` at once; from another thread,
    // posts it (and returns at once).
    void RunOrPost(std::function<void()> work) {
        if (OnUiThread())
            work();
        else
            Post(std::move(work));
    }

    // True when the caller runs on the UI thread.
    virtual bool OnUiThread() const = 0;

  protected:
    // Called from another thread: queues `work` as Post does and waits until
    // it has run.
    virtual void PostAndWait(std::function<void()> work) = 0;
};

// A UiThread for a front end without an event loop of its own (the console,
// the tests): work is queued, and the UI thread (the thread that made the
// queue) runs it by calling RunNext or RunUntil. All calls are thread-safe.
class UiTaskQueue : public UiThread {
  public:
    UiTaskQueue();

    void Post(std::function<void()> work) override;
    bool OnUiThread() const override;

    // UI thread: waits until work is queued, then runs the oldest piece.
    void RunNext();
    // UI thread: runs queued work, waiting for more as needed, until `done`
    // returns true (checked before each piece).
    void RunUntil(const std::function<bool()>& done);
    // UI thread: runs what is queued now without waiting; returns how many
    // pieces ran.
    int RunPending();

  protected:
    void PostAndWait(std::function<void()> work) override;

  private:
    std::function<void()> Take(bool wait);

    const std::thread::id uiThread_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> work_;
};

}  // namespace torvane
