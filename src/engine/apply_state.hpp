#pragma once
// What the whole job shares while ApplyPlan applies a plan on several
// threads: the progress and the journal, each heard by one thread at a
// time, and the stop. Only plan_apply.cpp uses it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "engine/error_log.hpp"
#include "engine/job.hpp"
#include "engine/job_history.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"

namespace torvane::applying {

// How often the front end hears of the job's progress: often enough for a
// smooth bar, seldom enough that waking its thread costs nothing measurable.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// The job's progress, handed on in batches. The folders' runs hand their
// steps over from several threads: the observer hears one of them at a time,
// its stop question included.
class ProgressBatches {
  public:
    explicit ProgressBatches(JobObserver& observer) : observer_(observer) {}
    ~ProgressBatches() { Flush(); }

    void Add(std::int64_t entries) {
        const std::lock_guard lock(mutex_);
        pending_ += entries;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ >= kProgressInterval) {
            last_ = now;
            FlushHeld();
        }
    }
    bool StopRequested() {
        const std::lock_guard lock(mutex_);
        return observer_.StopRequested();
    }
    void Flush() {
        const std::lock_guard lock(mutex_);
        FlushHeld();
    }

  private:
    void FlushHeld() {
        while (pending_ > 0) {
            const int batch = static_cast<int>(std::min<std::int64_t>(pending_, 1 << 30));
            observer_.JobStep(batch);
            pending_ -= batch;
        }
    }

    JobObserver& observer_;
    std::mutex mutex_;
    std::int64_t pending_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// One folder's steps, handed to the job's progress every few entries: the
// clock and the lock cost more than an entry's bookkeeping.
class FolderProgress {
  public:
    explicit FolderProgress(ProgressBatches& job) : job_(job) {}
    ~FolderProgress() { Hand(); }
    FolderProgress(const FolderProgress&) = delete;
    FolderProgress& operator=(const FolderProgress&) = delete;

    void Add(std::int64_t entries) {
        held_ += entries;
        if (++calls_ % 64 == 0)
            Hand();
    }
    void Hand() {
        if (held_ > 0)
            job_.Add(std::exchange(held_, 0));
    }

  private:
    ProgressBatches& job_;
    std::int64_t held_ = 0;
    std::uint64_t calls_ = 0;
};

// The journal, heard by one thread at a time: the folders' runs record their
// entries from several threads, in the order they happen.
class SerialJournal {
  public:
    explicit SerialJournal(JobJournal* journal) : journal_(journal) {}
    bool present() const { return journal_ != nullptr; }
    void Aside(std::size_t entry, const EntryName& temporary) {
        const std::lock_guard lock(mutex_);
        journal_->Aside(entry, temporary);
    }
    void Finished(std::size_t entry, JournalState state) {
        const std::lock_guard lock(mutex_);
        journal_->Finished(entry, state);
    }

  private:
    JobJournal* const journal_;
    std::mutex mutex_;
};

// What the whole job shares while it applies a plan, on every thread.
struct ApplyState {
    const JobPlan& plan;
    FileSystem& fs;
    const ProblemEntries problems;
    ProgressBatches progress;
    // The history's journal of the job (or none); `index` finds an entry's
    // place in it.
    SerialJournal journal;
    JournalIndex index;
    // Set once the user has asked the job to stop; `stopLine` is the log
    // line naming the entry the first thread to hear it stopped before.
    std::atomic<bool> stopped{false};
    std::wstring stopLine;

    // True once the user has asked the job to stop; the first time, the
    // line names `entry`, the entry the job stops before.
    bool StopsBefore(const FileEntry& entry) {
        if (stopped)
            return true;
        if (!progress.StopRequested())
            return false;
        if (!stopped.exchange(true))
            stopLine = ErrorLogLine(kJobCancelledBefore, entry.FullPath(), kJobCancelledMessage);
        return true;
    }
};

}  // namespace torvane::applying
