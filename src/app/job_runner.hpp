#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "app/ui_thread.hpp"
#include "engine/error_log.hpp"
#include "engine/job.hpp"
#include "engine/job_history.hpp"
#include "engine/plan.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// Update Attributes once the window has decided what to apply: the refusals,
// the plan built on a worker thread, the owner's decision on it (the
// confirmation or the review), the plan applied on the same worker with its
// steps on the progress bar, and its completion (the notice, or the offer to
// save the log). The worker gets its own copy of what it reads and reaches the
// UI thread only through the UiThread; everything else here runs on the UI
// thread. What the window does once a job is done (listing again, a close
// that waited) is the owner's.
class JobRunner {
  public:
    // What the job asks of the window it belongs to.
    class Owner {
      public:
        virtual ~Owner() = default;
        virtual void UpdateCommandUI() = 0;
        // The plan is built (and not cancelled): how to apply it, or nullopt
        // to apply nothing. The worker waits meanwhile.
        virtual std::optional<ProblemEntries> PlanReady(const JobPlan& plan) = 0;
        // The job's result has been reported; the job still counts as
        // running.
        virtual void JobCompleted(const JobResult& result) = 0;
        // The job has ended, applied or not: running() is false, and
        // lastResult() set when it was applied.
        virtual void JobEnded() = 0;
    };

    // What a job works with. The references must outlive the runner.
    struct Services {
        FileSystem& fs;
        Dialogs& dialogs;  // shown on the UI thread
        Pickers& pickers;
        UiThread& ui;
        std::function<std::int64_t()> clock;  // the job's start time, the log's name
        // Where jobs are journaled; null: no history. Reached from the
        // worker only while a job runs.
        History* history = nullptr;
        // The front end's name in the history ("torvane", "torvane-cli").
        std::wstring frontEnd = L"torvane";
        // Whether the history's problem has been said, shared with other
        // runners of the same run (the console's paths); null: this runner's own.
        bool* historyProblemSaid = nullptr;
    };

    // `view` may be null (nobody draws the job).
    JobRunner(Services services, JobView* view, Owner& owner);
    // Waits for the last worker: it has handed over its completion once the
    // window has ended.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Shows the first refusal (no new entries, no task, a reserved character
    // in a new name). Returns true when the job is not to start.
    bool RefusedBeforeJob(const FileEntries& newEntries, const TaskList& tasks);
    // Asks whether to go on; true for Yes.
    bool Confirmed();
    // Starts a worker that plans the job with `settings` and, once the owner
    // says how, applies the plan. `root`, when given, is the root's listing
    // as shown (see ListedRoot).
    // running() stays false when the thread could not be made (a message
    // says so).
    void Start(JobSettings settings, std::optional<ListedRoot> root = std::nullopt);
    // Starts a worker that plans the undo of `job` from its journal
    // (BuildUndoPlan) and, once the owner says how, applies it as a job of
    // its own (journaled as kUndo) and marks `job` undone by it. The owner's
    // PlanReady must answer kSkip or nothing for an undo.
    void StartUndo(JobRecord job);
    // The history the jobs are journaled in (null: none); may be set while
    // no job runs. `problem`, when set with no history, says why there is
    // none: it is said once, at the first job, and each job's log gives it.
    void SetHistory(History* history, std::wstring problem = {}) {
        history_ = history;
        historyProblem_ = std::move(problem);
    }
    History* history() const { return history_; }
    // Stops the plan's build at the next folder (nothing is applied), or
    // the plan's application between two entries (what was done stays done).
    void RequestCancel() { cancel_ = true; }

    // True from a job's start until its completion has been handled.
    bool running() const { return running_; }
    // The result of the last job whose completion has been handled.
    const std::optional<JobResult>& lastResult() const { return lastResult_; }

  private:
    // What a worker plans, and the record of the job it applies.
    using PlanBuilder = std::function<JobPlan(Dialogs& dialogs, PlanObserver& observer)>;
    using RecordMaker = std::function<JobRecord(const JobPlan& plan, std::int64_t started)>;
    void StartWorker(PlanBuilder build, RecordMaker record, std::int64_t undoes);
    // On the worker, before the first write: the job's journal, or null
    // with the reason (said once, on the UI thread) in `problem`.
    std::unique_ptr<JobJournal> BeginJournal(const JobPlan& plan, const RecordMaker& record,
                                             std::int64_t start, std::int64_t undoes,
                                             std::wstring& problem);
    std::optional<ProblemEntries> OnPlanReady(const JobPlan& plan);
    void OnNotApplied();
    void OnJobStep(int entries);
    void OnJobDone(const JobResult& result);
    void OfferLog(const ErrorLog& log);

    FileSystem& fs_;
    Dialogs& dialogs_;
    Pickers& pickers_;
    UiThread& ui_;
    const std::function<std::int64_t()> clock_;
    History* history_;
    std::wstring historyProblem_;
    const std::wstring frontEnd_;
    bool ownProblemSaid_ = false;
    bool& historyProblemSaid_;  // the history's problem is said once
    std::int64_t undoId_ = 0;   // the running undo's id in the history
    JobView* view_;
    Owner& owner_;

    bool running_ = false;
    std::atomic<bool> cancel_ = false;
    std::int64_t position_ = 0;
    std::int64_t total_ = 0;  // the plan's entries
    std::chrono::steady_clock::time_point applyStart_;
    std::optional<JobResult> lastResult_;
    std::thread worker_;
};

}  // namespace torvane
