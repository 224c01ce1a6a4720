#include "cli/dry_run.hpp"

#include "cli/terminal_quoting.hpp"

namespace torvane {
namespace {

// Adds the lines of folder `index` and everything below it, in the job's order.
void DescribeFolder(const JobPlan& plan, std::size_t index, std::wstring_view base,
                    bool problemsOnly, const std::function<void(const std::wstring&)>& sink,
                    DryRunReport& report) {
    const PlannedFolder& f = plan.folders[index];
    for (const std::size_t child : f.subfolders)
        DescribeFolder(plan, child, base, problemsOnly, sink, report);
    if (f.problem) {
        report.folderProblems.push_back(*f.problem);
        return;
    }
    for (std::size_t i = 0; i < f.current.size(); ++i) {
        const Finding* finding = f.FindingAt(i);
        if (problemsOnly && finding == nullptr)
            continue;
        auto line = DescribeChange(f.current[i], f.updated[i], base);
        if (!line && finding == nullptr)
            continue;
        if (!line)
            line = RelativeTo(base, f.current[i].FullPath());
        if (finding != nullptr)
            *line += L" | Problem: " + finding->message;
        if (sink)
            sink(*line);
        else
            report.lines.push_back(std::move(*line));
    }
}

}  // namespace

DryRunReport DescribePlan(const JobPlan& plan, const std::wstring& root, bool problemsOnly,
                          const std::function<void(const std::wstring&)>& sink) {
    DryRunReport report;
    report.entries = plan.entries;
    report.changes = plan.changes;
    report.problems = plan.problems;
    const std::wstring base = DisplayBase(root);
    for (const std::size_t index : plan.roots)
        DescribeFolder(plan, index, base, problemsOnly, sink, report);
    return report;
}

std::wstring DryRunSummary(const DryRunReport& report, std::wstring_view apply) {
    std::wstring line = L"Dry run: " + std::to_wstring(report.changes) + L" of " +
                        std::to_wstring(report.entries) + L" entries would change, " +
                        std::to_wstring(report.problems) +
                        (report.problems == 1 ? L" problem." : L" problems.") +
                        L" Nothing was changed; add -Apply to " + std::wstring(apply);
    if (report.problems > 0)
        line += L" (and -SkipProblems to leave the entries with a problem alone)";
    return line + L".";
}

void PrintDryRunReport(Terminal& terminal, const DryRunReport& report, std::wstring_view apply) {
    for (const auto& line : report.lines)
        terminal.PrintOut(QuotedLine(line));
    for (const auto& problem : report.folderProblems)
        terminal.PrintError(QuotedLine(problem));
    terminal.PrintOut(DryRunSummary(report, apply));
}

}  // namespace torvane
