#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/job.hpp"
#include "engine/job_history.hpp"
#include "engine/plan.hpp"
#include "platform/file_system.hpp"
#include "platform/system_error.hpp"

namespace torvane {

// The one way a job runs, for the window, the console and the undo alike:
// a request goes in; each root is opened once; the whole batch is planned as
// one plan; the front end's decision on it comes back as a value; the job is
// journaled once in the history; the plan is applied; the result comes back
// as a value. Nothing here shows anything: what the front end is to show or
// answer goes through its JobHost. Every rule about running, refusing and
// undoing a job lives here.

// What is done with a plan that has problems, as the front end decides it.
enum class ProblemPolicy {
    kRefuse,   // nothing is applied; the host is shown the problems
    kSkip,     // applied; the entries with a problem are left alone and logged
    kAttempt,  // every entry is tried; what fails is logged
    // The host reviews the plan (one with problems or reaching below a root;
    // an undo's always) and answers; the entries with a problem are left
    // alone. A plan not reviewed is confirmed when the request asks for it.
    kReview,
};

struct JobRequest {
    JobSettings settings;
    ProblemPolicy problems = ProblemPolicy::kRefuse;
    bool confirm = true;  // ask the host before anything is written
};

// What a job asks of the front end that runs it and tells it. Every call
// comes on the thread that runs the pipeline, in order.
class JobHost : public PlanObserver, public JobObserver {
  public:
    // Something to show: the plan's messages, a refusal, the history's
    // problem (said once per pipeline).
    virtual void Say(const PlanMessage& message) = 0;
    // kReview: the plan is shown; true to apply it.
    virtual bool Review(const JobPlan& plan) = 0;
    // Whether to apply the plan; `undoing` is the job an undo takes back.
    virtual bool Confirm(const JobPlan& plan, const JobRecord* undoing) = 0;
    // kRefuse: the plan has problems and is not applied; the host shows them.
    virtual void Refused(const JobPlan& plan) = 0;
    // The plan is about to be applied: its `entries` are the job's steps.
    virtual void Applying(std::int64_t /*entries*/) {}
    void FolderPlanned(std::int64_t) override {}
};

// How a run of the pipeline ended.
enum class JobEnd {
    kApplied,     // the plan was applied (JobRun::result says how it went)
    kCancelled,   // the plan's build was stopped; nothing was written
    kNotApplied,  // refused (problems, an empty list, a running job) or not confirmed
    kInvalid,     // the request can't be carried out: no history, no such job, a damaged one
};

struct JobRun {
    JobEnd end = JobEnd::kNotApplied;
    std::optional<JobResult> result;  // kApplied
    std::int64_t historyId = 0;       // the job's id in the history; 0 when not kept
    std::wstring error;               // kInvalid and a refused undo: one line saying why
};

// The job an undo takes back and the plan that does it.
struct UndoTarget {
    JobRecord job;
    JobPlan plan;
};

// The refusal of a job whose task list is `tasks` and whose new entries are
// `newEntries` (of the window's list, or of the plan): an empty file list, an
// empty task list, a reserved character in a new name. nullopt: none.
std::optional<PlanMessage> RefusalBeforeJob(const FileEntries& newEntries, const TaskList& tasks);

// The question asked before the job of `plan` writes (`undoing` null) or
// before the undo of `undoing` writes, saying what will change: "Apply 3
// changes to 2 entries in 1 folder?" (a change is one step of an entry: its
// rename, its attributes, its times), the entries with a problem counted
// apart, then what can be done afterwards. Its caption is kConfirmCaption.
std::wstring ConfirmationText(const JobPlan& plan, const JobRecord* undoing);
inline constexpr std::wstring_view kConfirmCaption = L"Confirm notice";

class JobPipeline {
  public:
    struct Services {
        FileSystem& fs;
        std::function<std::int64_t()> clock;  // seconds since 1970 UTC: the job's start
        std::wstring frontEnd = L"torvane";   // the front end's name in the history
    };

    explicit JobPipeline(Services services) : services_(std::move(services)) {}

    // The history jobs are journaled in; null: none, and `problem` says why
    // when there should be one (said once, at the first job that runs).
    // Not while a job runs.
    void SetHistory(History* history, std::wstring problem = {});
    // The threads an undo's folders are applied on at most (a job's come
    // with its settings, EngineSettings::folderThreads); 0, the default: as
    // many as the machine has cores.
    void SetFolderThreads(unsigned threads) { folderThreads_ = threads; }
    History* history() const { return history_; }
    // The history, or (ENOENT) why there is none.
    Result<History*> OpenedHistory() const;

    // Plans the request without writing anything: the dry run. The plan's
    // messages end with its PatternHints.
    JobPlan Plan(const JobSettings& settings, PlanObserver* observer = nullptr) const;
    // Plans, decides, journals and applies the request.
    JobRun Run(const JobRequest& request, JobHost& host);

    // Whether job `id` may be undone now: fails with EBUSY while a job of
    // this pipeline or of another process runs it, ENOENT without a history
    // or such a job, EBADMSG when its record is damaged. `id` nullopt: the
    // newest job not undone.
    Result<JobRecord> UndoableJob(std::optional<std::int64_t> id) const;
    // The undo of job `id` planned, without writing anything.
    Result<UndoTarget> PlanUndo(std::optional<std::int64_t> id) const;
    // Undoes job `id` (see PlanUndo) as a job of its own, journaled as kUndo,
    // and marks the job undone by it. kSkip or kReview apply the entries
    // without a finding; kAttempt counts as kSkip: an undo never forces.
    JobRun Undo(std::optional<std::int64_t> id, ProblemPolicy problems, bool confirm,
                JobHost& host);

    // True while Run or Undo is at work.
    bool running() const { return running_; }

  private:
    JobRun Decide(const JobPlan& plan, ProblemPolicy problems, bool confirm, bool undo,
                  const JobRecord* undoing, JobHost& host, ProblemEntries& how);
    JobRun Apply(const JobPlan& plan, JobRecord record, ProblemEntries how, std::int64_t start,
                 std::int64_t undoes, JobHost& host);

    Services services_;
    History* history_ = nullptr;
    std::wstring historyProblem_;
    bool historyProblemSaid_ = false;
    unsigned folderThreads_ = 0;
    std::atomic<bool> running_ = false;
};

}  // namespace torvane
