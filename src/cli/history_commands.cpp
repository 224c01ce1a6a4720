// -History and -Undo: the job history from the console.
#include "cli/history_commands.hpp"

#include <cerrno>

#include "app/history_access.hpp"
#include "cli/console_job.hpp"
#include "cli/dry_run.hpp"
#include "cli/terminal_quoting.hpp"

namespace torvane {
namespace {

ExitStatus CantUndo(Terminal& terminal, const SystemError& error) {
    terminal.PrintError(L"Error: " + QuoteForTerminal(error.text));
    return error.code == EBUSY ? kExitNotApplied : kExitInvalid;
}

}  // namespace

void PrintInterruptedJobs(Terminal& terminal, History& history) {
    for (const auto& line : InterruptedJobNotices(history))
        terminal.PrintError(L"Warning: " + QuotedLine(line));
}

ExitStatus ListHistory(Terminal& terminal, const JobPipeline& pipeline) {
    const auto history = pipeline.OpenedHistory();
    if (!history)
        return CantUndo(terminal, history.error());
    const auto jobs = (*history)->Jobs();
    if (!jobs) {
        terminal.PrintError(L"Error: The job history is damaged: " +
                            QuoteForTerminal(jobs.error().text));
        return kExitInvalid;
    }
    if (jobs->empty())
        terminal.PrintOut(L"No job in the history.");
    for (const JobRecord& record : *jobs)
        terminal.PrintOut(QuotedLine(JobSummaryText(record)));
    return kExitDone;
}

ExitStatus UndoFromConsole(Terminal& terminal, ConsoleFrontEnd& frontEnd, FileSystem& fs,
                           JobPipeline& pipeline, const ConsoleArguments& console, bool apply,
                           bool noConfirm) {
    if (!apply) {
        const auto target = pipeline.PlanUndo(console.undoId);
        if (!target)
            return CantUndo(terminal, target.error());
        const JobPlan& plan = target->plan;
        terminal.PrintOut(L"Undo of " + QuotedLine(JobSummaryText(target->job)) + L":");
        auto report =
            DescribePlan(plan, plan.folders.empty() ? target->job.root : plan.RootPath(), false,
                         [&](const std::wstring& line) { terminal.PrintOut(QuotedLine(line)); });
        PrintDryRunReport(terminal, report, L"restore the old values");
        return plan.problems > 0 ? kExitPlanProblems : kExitDone;
    }
    const auto job = pipeline.UndoableJob(console.undoId);
    if (!job)
        return CantUndo(terminal, job.error());
    terminal.PrintOut(L"Undo of " + QuotedLine(JobSummaryText(*job)) + L":");
    ConsoleJobHost host(frontEnd, fs);
    const JobRun run =
        pipeline.Undo(job->id, console.skipProblems ? ProblemPolicy::kSkip : ProblemPolicy::kRefuse,
                      !noConfirm, host);
    if (!run.error.empty())
        terminal.PrintError(L"Error: " + QuoteForTerminal(run.error));
    return ExitStatusOf(run);
}

}  // namespace torvane
