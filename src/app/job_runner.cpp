// The window's side of a job: the pipeline on a worker, what it asks shown
// on the UI thread, the progress bar and the completion.
#include "app/job_runner.hpp"

#include <algorithm>
#include <climits>
#include <system_error>
#include <utility>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kJobSucceeded = L"Operation completed sucessfully.";
constexpr std::wstring_view kJobCancelled =
    L"The job was cancelled. The entries it had reached keep their changes; the others were not "
    L"changed.";
constexpr std::wstring_view kJobFailed =
    L"Operation completed with error.  Do you want to save the log file?";

// The progress range of a job: every entry it will visit, within the bar's
// range.
int JobRange(std::int64_t count) {
    return static_cast<int>(std::min<std::int64_t>(count, INT_MAX));
}

bool AskConfirmation(Dialogs& dialogs, const JobPlan& plan, const JobRecord* undoing) {
    return dialogs.ShowMessage(ConfirmationText(plan, undoing), std::wstring(kConfirmCaption),
                               MessageIcon::kQuestion,
                               MessageButtons::kYesNo) == MessageAnswer::kYes;
}

}  // namespace

// What the pipeline asks and tells, handed to the UI thread: questions and
// messages while the worker waits, steps posted, the end handled while the
// worker waits.
class JobRunner::WorkerHost : public JobHost {
  public:
    explicit WorkerHost(JobRunner& runner) : r_(runner) {}

    void FolderPlanned(std::int64_t entries) override {
        const auto now = std::chrono::steady_clock::now();
        if (r_.view_ == nullptr || now - lastPlanned_ < std::chrono::milliseconds(100))
            return;
        lastPlanned_ = now;
        r_.ui_.Post([view = r_.view_, entries] { view->PlanProgress(entries); });
    }
    bool CancelRequested() override { return r_.cancel_; }
    bool StopRequested() override { return r_.cancel_; }

    void Say(const PlanMessage& message) override {
        r_.ui_.Invoke([&] { ShowPlanMessage(r_.dialogs_, message); });
    }
    bool Review(const JobPlan& plan) override {
        bool yes = false;
        r_.ui_.Invoke([&] {
            yes = r_.view_ != nullptr ? r_.view_->ReviewPlan(plan, plan.RootPath())
                                      : AskConfirmation(r_.dialogs_, plan, nullptr);
        });
        return yes;
    }
    bool Confirm(const JobPlan& plan, const JobRecord* undoing) override {
        bool yes = false;
        r_.ui_.Invoke([&] { yes = AskConfirmation(r_.dialogs_, plan, undoing); });
        return yes;
    }
    void Refused(const JobPlan& plan) override {
        r_.ui_.Invoke([&] {
            if (r_.view_ != nullptr)
                r_.view_->ReviewPlan(plan, plan.RootPath());
        });
    }
    void Applying(std::int64_t entries) override {
        r_.ui_.Invoke([&] { r_.OnApplying(entries); });
    }
    void JobStep(int entries) override {
        r_.ui_.Post([&runner = r_, entries] { runner.OnJobStep(entries); });
    }
    void JobDone(const JobResult& result) override {
        r_.ui_.Invoke([&] { r_.OnJobDone(result); });
    }

  private:
    JobRunner& r_;
    std::chrono::steady_clock::time_point lastPlanned_ = std::chrono::steady_clock::now();
};

JobRunner::JobRunner(Services services, JobView* view, Owner& owner)
    : fs_(services.fs),
      dialogs_(services.dialogs),
      pickers_(services.pickers),
      ui_(services.ui),
      clock_(services.clock),
      pipeline_({services.fs, services.clock, std::move(services.frontEnd)}),
      view_(view),
      owner_(owner) {}

JobRunner::~JobRunner() {
    if (worker_.joinable())
        worker_.join();
}

bool JobRunner::RefusedBeforeJob(const FileEntries& newEntries, const TaskList& tasks) {
    const auto refusal = RefusalBeforeJob(newEntries, tasks);
    if (refusal)
        ShowPlanMessage(dialogs_, *refusal);
    return refusal.has_value();
}

void JobRunner::Start(JobRequest request) {
    auto shared = std::make_shared<JobRequest>(std::move(request));
    StartWorker([this, shared](JobHost& host) { return pipeline_.Run(*shared, host); });
}

bool JobRunner::StartUndo(std::int64_t id) {
    if (running_)
        return false;
    // The last job's worker has handed over its completion and is leaving
    // the pipeline: the undo's check must not find it still at work.
    if (worker_.joinable())
        worker_.join();
    if (const auto job = pipeline_.UndoableJob(id); !job) {
        dialogs_.ShowMessage(
            job.error().text, job.error().code == EBADMSG ? L"Error" : L"Notice",
            job.error().code == EBADMSG ? MessageIcon::kError : MessageIcon::kInformation,
            MessageButtons::kOk);
        return false;
    }
    StartWorker([this, id](JobHost& host) {
        JobRun run = pipeline_.Undo(id, ProblemPolicy::kReview, true, host);
        if (!run.error.empty())
            host.Say(PlanMessage{MessageText(run.error), L"Error", MessageIcon::kError});
        return run;
    });
    return running_;
}

void JobRunner::StartWorker(std::function<JobRun(JobHost& host)> run) {
    // Until the plan is built its size is unknown: the bar shows it is busy.
    Notify(view_, &JobView::SetRange, 0, 0);
    Notify(view_, &JobView::SetStep, 1);
    position_ = 0;
    cancel_ = false;
    running_ = true;
    owner_.UpdateCommandUI();

    if (worker_.joinable())
        worker_.join();  // the last job's worker, which has handed over its completion
    try {
        worker_ = std::thread([this, run = std::move(run)] {
            WorkerHost host(*this);
            if (run(host).end != JobEnd::kApplied)
                ui_.Invoke([this] { OnNotApplied(); });
        });
    } catch (const std::system_error& e) {
        running_ = false;
        Notify(view_, &JobView::SetPos, 0);
        dialogs_.ShowMessage(L"The job could not be started:\n" + FromUtf8(e.what()), L"Error",
                             MessageIcon::kError, MessageButtons::kOk);
        owner_.UpdateCommandUI();
    }
}

void JobRunner::OnApplying(std::int64_t total) {
    Notify(view_, &JobView::SetRange, 0, JobRange(total));
    total_ = total;
    applyStart_ = std::chrono::steady_clock::now();
    Notify(view_, &JobView::JobProgress, std::int64_t{0}, total_, 0.0);
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
    ReportJobEnd(result, dialogs_, view_,
                 [this, &result] { OfferErrorLog(result.log, fs_, dialogs_, pickers_, clock_()); });
    Notify(view_, &JobView::SetPos, 0);
    owner_.JobCompleted(result);
    lastResult_ = result;
    running_ = false;
    owner_.JobEnded();
}

void ReportJobEnd(const JobResult& result, Dialogs& dialogs, JobView* view,
                  const std::function<void()>& saveLog) {
    Notify(view, &JobView::JobFinished, result);
    if (!result.error) {
        dialogs.ShowMessage(std::wstring(result.cancelled ? kJobCancelled : kJobSucceeded),
                            L"Notice", MessageIcon::kInformation, MessageButtons::kOk);
    } else if (view != nullptr && view->ShowJobErrors(result, saveLog)) {
        // The window showed the failures and saved the log when asked.
    } else if (dialogs.ShowMessage(std::wstring(kJobFailed), L"Warning", MessageIcon::kWarning,
                                   MessageButtons::kYesNo) == MessageAnswer::kYes) {
        saveLog();
    }
}

void OfferErrorLog(const ErrorLog& log, FileSystem& fs, Dialogs& dialogs, Pickers& pickers,
                   std::int64_t now) {
    FileDialogRequest request;
    request.filter = L"Text Files (*.txt)|*.txt|";
    request.defaultExtension = L".txt";
    request.initialName = ProposedErrorLogName(now);
    request.overwritePrompt = true;
    if (const auto path = pickers.PickSaveFile(request))
        SaveErrorLog(fs, *path, log, dialogs);
}

void ShowPlanMessage(Dialogs& dialogs, const PlanMessage& message) {
    dialogs.ShowMessageText(message.text, message.caption, message.icon, MessageButtons::kOk);
}

}  // namespace torvane
