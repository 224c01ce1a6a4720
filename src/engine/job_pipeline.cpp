// The job pipeline: request, roots, plan, decision, journal, apply, result.
#include "engine/job_pipeline.hpp"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "engine/disk_steps.hpp"
#include "engine/pattern_hints.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kFileListEmpty = L"File list is empty. No change was made.";
constexpr std::wstring_view kTaskListEmpty = L"Task list is empty. No change was made.";
constexpr std::wstring_view kReservedCharacters =
    L"Error: File name contain invalid character(s).\n"
    L"The following characters are reserved and cannot be use in filename:\n"
    L"< > : \" / \\ | ? *";
constexpr std::wstring_view kTasksRejected = L"The task list can't be applied. No change was made.";
constexpr std::wstring_view kNoHistory =
    L"There is no job history (it is turned off in the preferences, or not available).";

PlanMessage Notice(std::wstring_view text) {
    return PlanMessage{MessageText(std::wstring(text)), L"Notice", MessageIcon::kInformation};
}

bool PlanHasReservedName(const JobPlan& plan) {
    return std::any_of(plan.folders.begin(), plan.folders.end(), [](const PlannedFolder& f) {
        return std::any_of(f.updated.begin(), f.updated.end(),
                           [](const FileEntry& e) { return NameHasReservedCharacter(e.name); });
    });
}

// The refusal of a planned job: as RefusalBeforeJob, over every folder.
std::optional<PlanMessage> RefusalOfPlan(const JobPlan& plan, const TaskList& tasks) {
    if (plan.entries == 0 && plan.problems == 0)
        return Notice(kFileListEmpty);
    if (tasks.empty())
        return Notice(kTaskListEmpty);
    if (TasksRejected(plan))
        return Notice(kTasksRejected);
    if (PlanHasReservedName(plan))
        return PlanMessage{MessageText(std::wstring(kReservedCharacters)), L"Error",
                           MessageIcon::kError};
    return std::nullopt;
}

// The host, with the job an undo takes back marked undone before the host
// hears of the end.
class UndoMarker : public JobObserver {
  public:
    // `whole`: the undo's plan has no problem, so that applied without an
    // error it leaves nothing of the job behind.
    UndoMarker(JobObserver& host, History* history, std::int64_t job, std::int64_t undo, bool whole)
        : host_(host), history_(history), job_(job), undo_(undo), whole_(whole) {}
    void JobStep(int entries) override { host_.JobStep(entries); }
    bool StopRequested() override { return host_.StopRequested(); }
    void JobDone(const JobResult& result) override {
        // An undo that left entries behind (skipped for a problem, failed,
        // stopped) has not undone the job: it stays to be undone, and an
        // interrupted one keeps its notice.
        if (history_ != nullptr && job_ != 0 && undo_ != 0 && whole_ && !result.error &&
            !result.cancelled)
            history_->MarkUndone(job_, undo_);
        host_.JobDone(result);
    }

  private:
    JobObserver& host_;
    History* history_;
    std::int64_t job_;
    std::int64_t undo_;
    bool whole_;
};

// Sets a flag for as long as it lives.
class Running {
  public:
    explicit Running(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~Running() { flag_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    std::atomic<bool>& flag_;
};

// What a plan's question counts: the steps (a rename, the attributes, the
// times) of the entries it changes, those entries and their folders; the
// entries with a problem apart.
struct PlanCounts {
    std::int64_t changes = 0;
    std::int64_t entries = 0;
    std::int64_t folders = 0;
    std::int64_t leftOut = 0;
};

PlanCounts CountsOf(const JobPlan& plan) {
    PlanCounts counts;
    for (const PlannedFolder& folder : plan.folders) {
        bool counted = false;
        for (std::size_t i = 0; i < folder.steps.size(); ++i) {
            const EntrySteps& steps = folder.steps[i];
            if (!steps.any())
                continue;
            if (folder.FindingAt(i) != nullptr) {
                ++counts.leftOut;
                continue;
            }
            counts.changes += int{steps.rename} + int{steps.attributes} + int{steps.times};
            ++counts.entries;
            counted = true;
        }
        counts.folders += counted ? 1 : 0;
    }
    return counts;
}

// "1 entry", "2 entries".
std::wstring Counted(std::int64_t n, std::wstring_view one, std::wstring_view many) {
    return std::to_wstring(n) + L" " + std::wstring(n == 1 ? one : many);
}

}  // namespace

std::optional<PlanMessage> RefusalBeforeJob(const FileEntries& newEntries, const TaskList& tasks) {
    if (newEntries.empty())
        return Notice(kFileListEmpty);
    if (tasks.empty())
        return Notice(kTaskListEmpty);
    const bool reserved = std::any_of(newEntries.begin(), newEntries.end(), [](const FileEntry& e) {
        return NameHasReservedCharacter(e.name);
    });
    if (reserved)
        return PlanMessage{MessageText(std::wstring(kReservedCharacters)), L"Error",
                           MessageIcon::kError};
    return std::nullopt;
}

std::wstring ConfirmationText(const JobPlan& plan, const JobRecord* undoing) {
    const PlanCounts counts = CountsOf(plan);
    std::wstring text = undoing == nullptr
                            ? std::wstring(L"Apply ")
                            : L"Undo job " + std::to_wstring(undoing->id) + L": apply ";
    text += Counted(counts.changes, L"change", L"changes") + L" to " +
            Counted(counts.entries, L"entry", L"entries") + L" in " +
            Counted(counts.folders, L"folder", L"folders") + L"?";
    if (counts.leftOut > 0)
        text += L"\n" + Counted(counts.leftOut, L"entry", L"entries") +
                L" with a problem not counted here.";
    if (undoing == nullptr)
        return text + L"\nYou can undo it afterwards: Edit > Undo Last Job, or torvane-cli -Undo.";
    return text + L"\nIts entries get their old names, times and attributes back.";
}

void JobPipeline::SetHistory(History* history, std::wstring problem) {
    history_ = history;
    historyProblem_ = history == nullptr ? std::move(problem) : std::wstring();
}

JobPlan JobPipeline::Plan(const JobSettings& settings, PlanObserver* observer) const {
    JobPlan plan = PlanJob(settings, services_.fs, observer);
    if (!plan.cancelled && !TasksRejected(plan)) {
        for (PlanMessage& hint : PatternHints(plan, settings.tasks, settings.engine))
            plan.messages.push_back(std::move(hint));
    }
    return plan;
}

JobRun JobPipeline::Run(const JobRequest& request, JobHost& host) {
    const Running running(running_);
    const std::int64_t start = services_.clock();
    const JobPlan plan = Plan(request.settings, &host);
    if (plan.cancelled)
        return JobRun{JobEnd::kCancelled, std::nullopt, 0, {}};
    for (const PlanMessage& message : plan.messages)
        host.Say(message);
    if (const auto refusal = RefusalOfPlan(plan, request.settings.tasks)) {
        host.Say(*refusal);
        return JobRun{};
    }
    ProblemEntries how = ProblemEntries::kSkip;
    JobRun decided = Decide(plan, request.problems, request.confirm, false, nullptr, host, how);
    if (decided.end != JobEnd::kApplied)
        return decided;
    return Apply(plan, JobRecordFor(request.settings, plan, start, services_.frontEnd), how, start,
                 0, host);
}

JobRun JobPipeline::Decide(const JobPlan& plan, ProblemPolicy problems, bool confirm, bool undo,
                           const JobRecord* undoing, JobHost& host, ProblemEntries& how) {
    how = ProblemEntries::kSkip;
    switch (problems) {
        case ProblemPolicy::kRefuse:
            if (plan.problems > 0) {
                host.Refused(plan);
                return JobRun{};
            }
            break;
        case ProblemPolicy::kSkip:
            break;
        case ProblemPolicy::kAttempt:
            if (!undo)
                how = ProblemEntries::kAttempt;
            break;
        case ProblemPolicy::kReview:
            if (undo || plan.problems > 0 || plan.ReachesBelowRoot()) {
                if (!host.Review(plan))
                    return JobRun{};
                confirm = false;  // the review was the question
            }
            break;
    }
    if (confirm && !host.Confirm(plan, undoing))
        return JobRun{};
    return JobRun{JobEnd::kApplied, std::nullopt, 0, {}};
}

JobRun JobPipeline::Apply(const JobPlan& plan, JobRecord record, ProblemEntries how,
                          std::int64_t start, std::int64_t undoes, JobHost& host) {
    JobHistoryStart begun;
    if (history_ != nullptr)
        begun = BeginJobHistory(history_, std::move(record), plan);
    else
        begun.problem = historyProblem_;
    if (!begun.problem.empty() && !historyProblemSaid_) {
        historyProblemSaid_ = true;
        host.Say(PlanMessage{MessageText(HistoryProblemMessage(begun.problem)), L"Warning",
                             MessageIcon::kWarning});
    }
    host.Applying(plan.entries);
    UndoMarker observer(host, history_, undoes, begun.id, plan.problems == 0);
    JobRun run{JobEnd::kApplied, std::nullopt, begun.id, {}};
    run.result =
        ApplyPlan(plan, services_.fs, observer, start, how, begun.journal.get(), begun.problem);
    return run;
}

Result<History*> JobPipeline::OpenedHistory() const {
    if (history_ == nullptr)
        return SystemError{ENOENT, historyProblem_.empty()
                                       ? std::wstring(kNoHistory)
                                       : L"The job history can't be read: " + historyProblem_};
    return history_;
}

Result<JobRecord> JobPipeline::UndoableJob(std::optional<std::int64_t> id) const {
    if (const auto opened = OpenedHistory(); !opened)
        return opened.error();
    if (running_)
        return SystemError{EBUSY, L"A job is running: a job can be undone once it has ended."};
    std::optional<JobRecord> job;
    if (id) {
        auto found = history_->Job(*id);
        if (!found)
            return found.error();
        if (!*found)
            return SystemError{ENOENT,
                               L"There is no job " + std::to_wstring(*id) + L" in the history."};
        job = std::move(**found);
    } else {
        auto last = LastJobNotUndone(*history_);
        if (!last)
            return last.error();
        if (!*last)
            return SystemError{ENOENT, L"There is no job to undo."};
        job = std::move(**last);
    }
    if (job->outcome == JobOutcome::kRunning)
        return SystemError{EBUSY, L"Job " + std::to_wstring(job->id) +
                                      L" is still running; it can be undone once it has ended."};
    return std::move(*job);
}

Result<UndoTarget> JobPipeline::PlanUndo(std::optional<std::int64_t> id) const {
    auto job = UndoableJob(id);
    if (!job)
        return job.error();
    auto entries = history_->Entries(job->id);
    if (!entries)
        return entries.error();
    UndoTarget target{std::move(*job),
                      BuildUndoPlan(std::move(*entries), services_.fs, job->started)};
    target.plan.folderThreads = folderThreads_;
    return target;
}

JobRun JobPipeline::Undo(std::optional<std::int64_t> id, ProblemPolicy problems, bool confirm,
                         JobHost& host) {
    auto target = PlanUndo(id);
    if (!target) {
        const int code = target.error().code;
        return JobRun{code == EBUSY ? JobEnd::kNotApplied : JobEnd::kInvalid, std::nullopt, 0,
                      target.error().text};
    }
    const Running running(running_);
    const std::int64_t start = services_.clock();
    const JobPlan& plan = target->plan;
    ProblemEntries how = ProblemEntries::kSkip;
    JobRun decided = Decide(plan, problems, confirm, true, &target->job, host, how);
    if (decided.end != JobEnd::kApplied)
        return decided;
    return Apply(plan, UndoRecordFor(target->job, plan, start, services_.frontEnd), how, start,
                 target->job.id, host);
}

EntryDetail ListDetailFor(const TaskList& tasks) {
    const bool renamesOnly = std::all_of(tasks.begin(), tasks.end(), [](const TaskItem& task) {
        return GetTaskKeyword(task.definition) == kRenameKeyword;
    });
    return renamesOnly ? EntryDetail::kNamesAndKinds : EntryDetail::kAll;
}

}  // namespace torvane
