// Update Attributes: the refusals, the confirmation, the worker and the
// completion.
#include "app/job_runner.hpp"

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <string_view>
#include <system_error>
#include <utility>

#include "app/history_access.hpp"
#include "engine/disk_steps.hpp"
#include "engine/job.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kFileListEmpty = L"File list is empty. No change was made.";
constexpr std::wstring_view kTaskListEmpty = L"Task list is empty. No change was made.";
constexpr std::wstring_view kReservedCharacters =
    L"Error: File name contain invalid character(s).\n"
    L"The following characters are reserved and cannot be use in filename:\n"
    L"< > : \" / \\ | ? *";
constexpr std::wstring_view kConfirmJob =
    L"Are you sure you want to execute this job?\nYou can undo it afterwards: Edit > Undo Last "
    L"Job, or torvane-cli -Undo.";
constexpr std::wstring_view kJobSucceeded = L"Operation completed sucessfully.";
constexpr std::wstring_view kJobCancelled =
    L"The job was cancelled. The entries it had reached keep their changes; the others were not "
    L"changed.";
constexpr std::wstring_view kJobFailed =
    L"Operation completed with error.  Do you want to save the log file?";

// The worker's message boxes, shown on the UI thread while it waits.
class UiThreadDialogs : public Dialogs {
  public:
    UiThreadDialogs(UiThread& ui, Dialogs& dialogs) : ui_(ui), dialogs_(dialogs) {}

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        MessageAnswer answer = MessageAnswer::kOk;
        ui_.Invoke([&] { answer = dialogs_.ShowMessage(text, caption, icon, buttons); });
        return answer;
    }
    MessageAnswer ShowMessageText(const MessageText& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) override {
        MessageAnswer answer = MessageAnswer::kOk;
        ui_.Invoke([&] { answer = dialogs_.ShowMessageText(text, caption, icon, buttons); });
        return answer;
    }

  private:
    UiThread& ui_;
    Dialogs& dialogs_;
};

// The worker's steps, posted to the UI thread, and its completion, handled
// there while the worker waits.
class UiThreadJobObserver : public JobObserver {
  public:
    UiThreadJobObserver(UiThread& ui, std::function<void(int)> step,
                        std::function<void(const JobResult&)> done, const std::atomic<bool>& cancel)
        : ui_(ui), step_(std::move(step)), done_(std::move(done)), cancel_(cancel) {}

    void JobStep(int entries) override {
        ui_.Post([step = step_, entries] { step(entries); });
    }
    void JobDone(const JobResult& result) override {
        ui_.Invoke([&] { done_(result); });
    }
    bool StopRequested() override { return cancel_; }

  private:
    UiThread& ui_;
    std::function<void(int)> step_;
    std::function<void(const JobResult&)> done_;
    const std::atomic<bool>& cancel_;
};

void ShowNotice(Dialogs& dialogs, std::wstring_view text) {
    dialogs.ShowMessage(std::wstring(text), L"Notice", MessageIcon::kInformation,
                        MessageButtons::kOk);
}

// The plan's build, reported to the UI thread a few times a second, and its
// cancellation.
class UiThreadPlanObserver : public PlanObserver {
  public:
    UiThreadPlanObserver(UiThread& ui, JobView* view, const std::atomic<bool>& cancel)
        : ui_(ui), view_(view), cancel_(cancel) {}

    void FolderPlanned(std::int64_t entries) override {
        const auto now = std::chrono::steady_clock::now();
        if (view_ == nullptr || now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        ui_.Post([view = view_, entries] { view->PlanProgress(entries); });
    }
    bool CancelRequested() override { return cancel_; }

  private:
    UiThread& ui_;
    JobView* view_;
    const std::atomic<bool>& cancel_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The progress range of a job: every entry it will visit, within the bar's
// range.
int JobRange(std::int64_t count) {
    return static_cast<int>(std::min<std::int64_t>(count, INT_MAX));
}

}  // namespace

JobRunner::JobRunner(Services services, JobView* view, Owner& owner)
    : fs_(services.fs),
      dialogs_(services.dialogs),
      pickers_(services.pickers),
      ui_(services.ui),
      clock_(std::move(services.clock)),
      history_(services.history),
      frontEnd_(std::move(services.frontEnd)),
      historyProblemSaid_(services.historyProblemSaid != nullptr ? *services.historyProblemSaid
                                                                 : ownProblemSaid_),
      view_(view),
      owner_(owner) {}

JobRunner::~JobRunner() {
    if (worker_.joinable())
        worker_.join();
}

bool JobRunner::RefusedBeforeJob(const FileEntries& newEntries, const TaskList& tasks) {
    if (newEntries.empty()) {
        ShowNotice(dialogs_, kFileListEmpty);
        return true;
    }
    if (tasks.empty()) {
        ShowNotice(dialogs_, kTaskListEmpty);
        return true;
    }
    const bool reserved = std::any_of(newEntries.begin(), newEntries.end(), [](const FileEntry& e) {
        return HasReservedCharacter(e.name);
    });
    if (reserved) {
        dialogs_.ShowMessage(std::wstring(kReservedCharacters), L"Error", MessageIcon::kError,
                             MessageButtons::kOk);
        return true;
    }
    return false;
}

bool JobRunner::Confirmed() {
    return dialogs_.ShowMessage(std::wstring(kConfirmJob), L"Confirm notice",
                                MessageIcon::kQuestion,
                                MessageButtons::kYesNo) == MessageAnswer::kYes;
}

void JobRunner::Start(JobSettings settings, std::optional<ListedRoot> root) {
    auto shared = std::make_shared<JobSettings>(std::move(settings));
    auto listed = std::make_shared<std::optional<ListedRoot>>(std::move(root));
    StartWorker(
        [this, shared, listed](Dialogs& dialogs, PlanObserver& planning) {
            return BuildPlan(*shared, fs_, dialogs, &planning, std::move(*listed));
        },
        [this, shared](const JobPlan&, std::int64_t started) {
            return JobRecordFor(*shared, started, frontEnd_);
        },
        0);
}

void JobRunner::StartUndo(JobRecord job) {
    const std::int64_t id = job.id;
    auto shared = std::make_shared<JobRecord>(std::move(job));
    StartWorker(
        [this, id](Dialogs&, PlanObserver&) {
            return history_ != nullptr ? BuildUndoPlan(history_->Entries(id), fs_) : JobPlan{};
        },
        [this, shared](const JobPlan& plan, std::int64_t started) {
            return UndoRecordFor(*shared, plan, started, frontEnd_);
        },
        id);
}

std::unique_ptr<JobJournal> JobRunner::BeginJournal(const JobPlan& plan, const RecordMaker& record,
                                                    std::int64_t start, std::int64_t undoes,
                                                    std::wstring& problem) {
    JobHistoryStart begun;
    if (history_ != nullptr)
        begun = BeginJobHistory(history_, record(plan, start), plan);
    else
        begun.problem = historyProblem_;
    problem = std::move(begun.problem);
    if (!problem.empty() && !historyProblemSaid_) {
        historyProblemSaid_ = true;
        ui_.Invoke([&] {
            dialogs_.ShowMessage(HistoryProblemMessage(problem), L"Warning", MessageIcon::kWarning,
                                 MessageButtons::kOk);
        });
    }
    if (begun.journal != nullptr && undoes != 0)
        undoId_ = begun.id;
    return std::move(begun.journal);
}

void JobRunner::StartWorker(PlanBuilder build, RecordMaker record, std::int64_t undoes) {
    // Until the plan is built its size is unknown: the bar shows it is busy.
    Notify(view_, &JobView::SetRange, 0, 0);
    Notify(view_, &JobView::SetStep, 1);
    position_ = 0;
    cancel_ = false;
    running_ = true;
    undoId_ = 0;
    owner_.UpdateCommandUI();

    if (worker_.joinable())
        worker_.join();  // the last job's worker, which has handed over its completion
    try {
        worker_ = std::thread([this, build = std::move(build), record = std::move(record), undoes,
                               start = clock_()]() mutable {
            UiThreadDialogs dialogs(ui_, dialogs_);
            UiThreadPlanObserver planning(ui_, view_, cancel_);
            const JobPlan plan = build(dialogs, planning);
            std::optional<ProblemEntries> how;
            ui_.Invoke([&] { how = OnPlanReady(plan); });
            if (!how) {
                ui_.Invoke([&] { OnNotApplied(); });
                return;
            }
            std::wstring problem;
            const auto journal = BeginJournal(plan, record, start, undoes, problem);
            UiThreadJobObserver observer(
                ui_, [this](int entries) { OnJobStep(entries); },
                [this, undoes](const JobResult& result) {
                    // The job undone is marked before the owner hears of the end.
                    if (undoes != 0 && undoId_ != 0 && history_ != nullptr)
                        history_->MarkUndone(undoes, undoId_);
                    OnJobDone(result);
                },
                cancel_);
            ApplyPlan(plan, fs_, observer, start, *how, journal.get(), problem);
        });
    } catch (const std::system_error& e) {
        running_ = false;
        Notify(view_, &JobView::SetPos, 0);
        dialogs_.ShowMessage(L"The job could not be started:\n" + FromUtf8(e.what()), L"Error",
                             MessageIcon::kError, MessageButtons::kOk);
        owner_.UpdateCommandUI();
    }
}

std::optional<ProblemEntries> JobRunner::OnPlanReady(const JobPlan& plan) {
    if (plan.cancelled)
        return std::nullopt;
    auto how = owner_.PlanReady(plan);
    if (how) {
        Notify(view_, &JobView::SetRange, 0, JobRange(plan.entries));
        total_ = plan.entries;
        applyStart_ = std::chrono::steady_clock::now();
        Notify(view_, &JobView::JobProgress, std::int64_t{0}, total_, 0.0);
    }
    return how;
}

void JobRunner::OnNotApplied() {
    Notify(view_, &JobView::SetRange, 0, 1);
    Notify(view_, &JobView::SetPos, 0);
    running_ = false;
    owner_.JobEnded();
}

void JobRunner::OnJobStep(int entries) {
    position_ += entries;
    Notify(view_, &JobView::SetPos, static_cast<int>(std::min<std::int64_t>(position_, INT_MAX)));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - applyStart_;
    const double rate =
        elapsed.count() > 0 ? static_cast<double>(position_) / elapsed.count() : 0.0;
    Notify(view_, &JobView::JobProgress, position_, total_, rate);
}

void JobRunner::OnJobDone(const JobResult& result) {
    Notify(view_, &JobView::JobFinished, result);
    if (!result.error) {
        ShowNotice(dialogs_, result.cancelled ? kJobCancelled : kJobSucceeded);
    } else if (view_ != nullptr &&
               view_->ShowJobErrors(result, [this, &result] { OfferLog(result.log); })) {
        // The window showed the failures and saved the log when asked.
    } else if (dialogs_.ShowMessage(std::wstring(kJobFailed), L"Warning", MessageIcon::kWarning,
                                    MessageButtons::kYesNo) == MessageAnswer::kYes) {
        OfferLog(result.log);
    }
    Notify(view_, &JobView::SetPos, 0);
    owner_.JobCompleted(result);
    lastResult_ = result;
    running_ = false;
    owner_.JobEnded();
}

void JobRunner::OfferLog(const ErrorLog& log) {
    FileDialogRequest request;
    request.filter = L"Text Files (*.txt)|*.txt|";
    request.defaultExtension = L".txt";
    request.initialName = ProposedErrorLogName(clock_());
    request.overwritePrompt = true;
    if (const auto path = pickers_.PickSaveFile(request))
        SaveErrorLog(fs_, *path, log, dialogs_);
}

}  // namespace torvane
