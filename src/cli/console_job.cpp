#include "cli/console_job.hpp"

#include <algorithm>
#include <climits>

#include "app/job_runner.hpp"
#include "platform/local_time.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kNothingChanged = L"Nothing was changed.";

}  // namespace

void ConsoleJobHost::Say(const PlanMessage& message) {
    ShowPlanMessage(frontEnd_, message);
}

bool ConsoleJobHost::Review(const JobPlan& plan) {
    return frontEnd_.ReviewPlan(plan, plan.RootPath());
}

bool ConsoleJobHost::Confirm(const JobPlan& plan, const JobRecord* undoing) {
    const bool yes = frontEnd_.ShowMessage(ConfirmationText(plan, undoing),
                                           std::wstring(kConfirmCaption), MessageIcon::kQuestion,
                                           MessageButtons::kYesNo) == MessageAnswer::kYes;
    // On standard error, as the question: a No is never silent.
    if (!yes)
        frontEnd_.ShowMessage(std::wstring(kNothingChanged), L"", MessageIcon::kNone,
                              MessageButtons::kOk);
    return yes;
}

void ConsoleJobHost::Refused(const JobPlan& plan) {
    frontEnd_.ReviewPlan(plan, plan.RootPath());
}

void ConsoleJobHost::Applying(std::int64_t entries) {
    frontEnd_.JobApplying();
    frontEnd_.SetRange(0, static_cast<int>(std::min<std::int64_t>(entries, INT_MAX)));
}

void ConsoleJobHost::JobStep(int entries) {
    position_ += entries;
    frontEnd_.SetPos(static_cast<int>(std::min<std::int64_t>(position_, INT_MAX)));
}

void ConsoleJobHost::JobDone(const JobResult& result) {
    ReportJobEnd(result, frontEnd_, &frontEnd_, [this, &result] {
        OfferErrorLog(result.log, fs_, frontEnd_, frontEnd_, CurrentTime());
    });
    frontEnd_.SetPos(0);
}

ExitStatus ExitStatusOf(const JobRun& run) {
    switch (run.end) {
        case JobEnd::kApplied:
            return run.result && run.result->error ? kExitJobErrors : kExitDone;
        case JobEnd::kCancelled:
        case JobEnd::kNotApplied:
            return kExitNotApplied;
        case JobEnd::kInvalid:
            return kExitInvalid;
    }
    return kExitInvalid;
}

}  // namespace torvane
