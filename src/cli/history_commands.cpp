// -History and -Undo: the job history from the console.
#include "cli/history_commands.hpp"

#include <algorithm>
#include <climits>

#include "app/history_access.hpp"
#include "cli/dry_run.hpp"
#include "cli/terminal_quoting.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "platform/local_time.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kNoHistory =
    L"Error: There is no job history (it is turned off in the preferences, or not available).";

ExitStatus NoHistory(Terminal& terminal, const std::wstring& problem) {
    terminal.PrintError(problem.empty() ? std::wstring(kNoHistory)
                                        : L"Error: The job history can't be read: " +
                                              QuoteForTerminal(problem));
    return kExitInvalid;
}

// The undo's progress on the terminal's bar, and its end as a job's.
class UndoObserver : public JobObserver {
  public:
    UndoObserver(Terminal& terminal, std::int64_t entries) : terminal_(terminal) {
        terminal_.SetProgressRange(0, static_cast<int>(std::min<std::int64_t>(entries, INT_MAX)));
    }
    void JobStep(int entries) override {
        position_ += entries;
        terminal_.SetProgressPosition(position_);
    }
    void JobDone(const JobResult& result) override {
        terminal_.SetProgressPosition(0);
        if (!result.error) {
            terminal_.PrintOut(L"Notice: Operation completed sucessfully.");
            return;
        }
        for (const auto& line : result.log)
            terminal_.PrintError(QuotedLine(line));
    }

  private:
    Terminal& terminal_;
    int position_ = 0;
};

}  // namespace

void PrintInterruptedJobs(Terminal& terminal, History& history) {
    for (const auto& line : InterruptedJobNotices(history))
        terminal.PrintError(L"Warning: " + QuotedLine(line));
}

ExitStatus ListHistory(Terminal& terminal, History* history, const std::wstring& problem) {
    if (history == nullptr)
        return NoHistory(terminal, problem);
    const auto jobs = history->Jobs();
    if (jobs.empty())
        terminal.PrintOut(L"No job in the history.");
    for (const JobRecord& job : jobs)
        terminal.PrintOut(QuotedLine(JobSummaryText(job)));
    return kExitDone;
}

ExitStatus UndoFromConsole(Terminal& terminal, ConsoleFrontEnd& frontEnd, FileSystem& fs,
                           History* history, const std::wstring& problem,
                           const ConsoleArguments& console, bool apply, bool noConfirm) {
    if (history == nullptr)
        return NoHistory(terminal, problem);
    const auto job = console.undoId ? history->Job(*console.undoId) : LastJobNotUndone(*history);
    if (!job) {
        terminal.PrintError(console.undoId
                                ? L"Error: There is no job " + std::to_wstring(*console.undoId) +
                                      L" in the history (-History lists them)."
                                : std::wstring(L"Error: There is no job to undo."));
        return kExitInvalid;
    }
    if (job->outcome == JobOutcome::kRunning) {
        terminal.PrintError(L"Error: Job " + std::to_wstring(job->id) +
                            L" is still running; it can be undone once it has ended.");
        return kExitNotApplied;
    }
    const JobPlan plan = BuildUndoPlan(history->Entries(job->id), fs);
    const std::wstring root = plan.folders.empty() ? job->root : plan.folders.front().path;
    terminal.PrintOut(L"Undo of " + QuotedLine(JobSummaryText(*job)) + L":");
    if (!apply) {
        auto report = DescribePlan(plan, root, false, [&](const std::wstring& line) {
            terminal.PrintOut(QuotedLine(line));
        });
        PrintDryRunReport(terminal, report, L"restore the old values");
        return plan.problems > 0 ? kExitPlanProblems : kExitDone;
    }
    if (plan.problems > 0 && !console.skipProblems) {
        frontEnd.ReviewPlan(plan, root);
        return kExitNotApplied;
    }
    if (!noConfirm &&
        frontEnd.ShowMessage(L"Are you sure you want to undo job " + std::to_wstring(job->id) +
                                 L"?\nIts entries get their old names, times and attributes "
                                 L"back.",
                             L"Confirm notice", MessageIcon::kQuestion,
                             MessageButtons::kYesNo) != MessageAnswer::kYes)
        return kExitNotApplied;

    const std::int64_t now = CurrentTime();
    JobHistoryStart begun =
        BeginJobHistory(history, UndoRecordFor(*job, plan, now, L"torvane-cli"), plan);
    if (!begun.problem.empty())
        terminal.PrintError(L"Warning: " + QuotedLine(HistoryProblemMessage(begun.problem)));
    UndoObserver observer(terminal, plan.entries);
    const JobResult result = ApplyPlan(plan, fs, observer, now, ProblemEntries::kSkip,
                                       begun.journal.get(), begun.problem);
    if (begun.id != 0)
        history->MarkUndone(job->id, begun.id);
    return result.error ? kExitJobErrors : kExitDone;
}

}  // namespace torvane
