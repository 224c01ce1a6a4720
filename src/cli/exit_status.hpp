#pragma once

#include <optional>

namespace torvane {

// torvane-cli's exit statuses.
enum ExitStatus : int {
    kExitDone = 0,          // everything asked was done without error; help
    kExitJobErrors = 1,     // the job completed with errors or left problem entries alone
    kExitInvalid = 2,       // invalid command line, failed validation, unusable input
    kExitNotApplied = 3,    // a job was asked for but refused or not confirmed
    kExitPlanProblems = 4,  // the dry run's plan has problems (conflicts, names refused...)
};

// What happened in a run whose command line reached the controller.
struct RunOutcome {
    bool commandLineRefused = false;  // the validation refused it
    bool applyAsked = false;          // -Apply was given
    // Set when a job ran: whether it completed with errors.
    std::optional<bool> jobErrors;
    // An error or warning was shown outside a job (a folder or task list
    // that can't be read, a task the engine rejects).
    bool problemShown = false;
    // The dry run's plan has problems.
    bool planProblems = false;
};

// The exit status of a run: kExitInvalid for a refused command line; with
// -Apply, the job's result when one ran and kExitNotApplied when none did
// (a refusal or the confirmation answered No, whatever caused them); without
// it (the dry run), kExitInvalid when a problem was shown, kExitPlanProblems
// when the plan has problems, else kExitDone.
ExitStatus ExitStatusFor(const RunOutcome& outcome);

}  // namespace torvane
