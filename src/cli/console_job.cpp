#include "cli/console_job.hpp"

#include <algorithm>
#include <climits>

#include "app/job_runner.hpp"
#include "platform/local_time.hpp"

namespace torvane {

void ConsoleJobHost::Say(const PlanMessage& message) {
    ShowPlanMessage(frontEnd_, message);
}

bool ConsoleJobHost::Review(const JobPlan& plan) {
    return frontEnd_.ReviewPlan(plan, plan.RootPath());
}

bool ConsoleJobHost::Confirm(const JobPlan&, const JobRecord* undoing) {
    return frontEnd_.ShowMessage(ConfirmationText(undoing), std::wstring(kConfirmCaption),
                                 MessageIcon::kQuestion,
                                 MessageButtons::kYesNo) == MessageAnswer::kYes;
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
