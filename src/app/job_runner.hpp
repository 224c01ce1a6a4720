#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "app/ui_thread.hpp"
#include "engine/error_log.hpp"
#include "engine/job_history.hpp"
#include "engine/job_pipeline.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// The window's side of a job: the job pipeline run on a worker thread, what
// it asks shown on the UI thread (its messages, the review or the
// confirmation), its steps on the progress bar, and its completion (the
// notice, or the failures and the offer to save the log). Every rule about
// the job itself is the pipeline's. Everything here but the worker runs on
// the UI thread; the worker reaches it only through the UiThread.
class JobRunner {
  public:
    // What the job asks of the window it belongs to.
    class Owner {
      public:
        virtual ~Owner() = default;
        virtual void UpdateCommandUI() = 0;
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
        // The front end's name in the history ("torvane", "torvane-cli").
        std::wstring frontEnd = L"torvane";
    };

    // `view` may be null (nobody draws the job).
    JobRunner(Services services, JobView* view, Owner& owner);
    // Waits for the last worker: it has handed over its completion once the
    // window has ended.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Shows the refusal of a job over `newEntries` with `tasks` (see
    // RefusalBeforeJob). Returns true when the job is not to start.
    bool RefusedBeforeJob(const FileEntries& newEntries, const TaskList& tasks);
    // Starts a worker that runs `request` through the pipeline. running()
    // stays false when the thread could not be made (a message says so).
    void Start(JobRequest request);
    // Starts a worker that undoes job `id` through the pipeline, always
    // reviewed (confirmed without a view). A job that can't be undone now
    // (running, unknown, no history, damaged) is said at once and nothing
    // starts. Returns whether the worker started.
    bool StartUndo(std::int64_t id);
    // The history the jobs are journaled in (null: none); set while no job
    // runs. `problem`, when set with no history, says why there is none: it
    // is said once, at the first job, and each job's log gives it.
    void SetHistory(History* history, std::wstring problem = {}) {
        pipeline_.SetHistory(history, std::move(problem));
    }
    History* history() const { return pipeline_.history(); }
    // Stops the plan's build at the next folder (nothing is applied), or
    // the plan's application between two entries (what was done stays done).
    void RequestCancel() { cancel_ = true; }

    // True from a job's start until its completion has been handled.
    bool running() const { return running_; }
    // The result of the last job whose completion has been handled.
    const std::optional<JobResult>& lastResult() const { return lastResult_; }

  private:
    class WorkerHost;
    void StartWorker(std::function<JobRun(JobHost& host)> run);
    void OnApplying(std::int64_t total);
    void OnNotApplied();
    void OnJobStep(int entries);
    void OnJobDone(const JobResult& result);

    FileSystem& fs_;
    Dialogs& dialogs_;
    Pickers& pickers_;
    UiThread& ui_;
    const std::function<std::int64_t()> clock_;
    JobPipeline pipeline_;
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

// What a front end shows once a job has been applied: the notice (done, or
// cancelled), or its failures through the view with a way to save the log,
// or the question whether to save it. `saveLog` asks for a file and saves.
void ReportJobEnd(const JobResult& result, Dialogs& dialogs, JobView* view,
                  const std::function<void()>& saveLog);

// Asks for the error log's file (proposing its usual name) and saves `log`.
void OfferErrorLog(const ErrorLog& log, FileSystem& fs, Dialogs& dialogs, Pickers& pickers,
                   std::int64_t now);

// Shows a message a job had to say.
void ShowPlanMessage(Dialogs& dialogs, const PlanMessage& message);

}  // namespace torvane
