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
    return outcome.problemShown ? kExitInvalid : kExitDone;
}

}  // namespace torvane
