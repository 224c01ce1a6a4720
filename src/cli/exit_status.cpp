#include "cli/exit_status.hpp"

namespace torvane {

ExitStatus ExitStatusFor(const RunOutcome& outcome) {
    if (outcome.commandLineRefused)
        return kExitInvalid;
    if (outcome.applyAsked) {
        if (!outcome.jobErrors)
            return kExitNotApplied;
        return *outcome.jobErrors ? kExitJobErrors : kExitDone;
    }
    if (outcome.problemShown)
        return kExitInvalid;
    return outcome.planProblems ? kExitPlanProblems : kExitDone;
}

}  // namespace torvane
