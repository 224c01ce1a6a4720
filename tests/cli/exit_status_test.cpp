// The exit status of a run.
#include "cli/exit_status.hpp"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(ExitStatusTest, Table) {
    const struct {
        RunOutcome outcome;
        ExitStatus status;
    } cases[] = {
        {{}, kExitDone},                                     // a clean dry run
        {{false, false, std::nullopt, true}, kExitInvalid},  // a dry run with an error shown
        {{true, false, std::nullopt, false}, kExitInvalid},
        {{true, true, std::nullopt, false}, kExitInvalid},
        {{false, true, false, false}, kExitDone},
        {{false, true, false, true}, kExitDone},  // a warning outside a job that then succeeded
        {{false, true, true, false}, kExitJobErrors},
        {{false, true, std::nullopt, false}, kExitNotApplied},           // refused or answered No
        {{false, true, std::nullopt, true}, kExitNotApplied},            // e.g. reserved characters
        {{false, false, std::nullopt, false, true}, kExitPlanProblems},  // conflicts found
        {{false, false, std::nullopt, true, true}, kExitInvalid},        // and an error shown too
        {{false, true, std::nullopt, false, true}, kExitNotApplied},     // refused for them
        {{false, true, true, false, true}, kExitJobErrors},  // applied with -SkipProblems
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExitStatusFor(c.outcome), c.status)
            << c.outcome.commandLineRefused << c.outcome.applyAsked
            << c.outcome.jobErrors.has_value() << c.outcome.problemShown << c.outcome.planProblems;
    }
}

}  // namespace
}  // namespace torvane
