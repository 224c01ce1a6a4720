#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal.hpp"
#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_text.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The dry run: what a job would change, printed instead of done.

struct DryRunReport {
    // One per entry that would change or has a problem, in the job's order
    // (a folder's content before the folder's own line); a problem follows
    // its entry's change as " | Problem: " + what was found.
    std::vector<std::wstring> lines;
    std::int64_t entries = 0;   // every entry looked at
    std::int64_t changes = 0;   // entries that would change
    std::int64_t problems = 0;  // the plan's findings and folders left out
    // The job's log line for each folder that can't be read or computed, in
    // the order the job meets them (a system text ends with CR LF).
    std::vector<std::wstring> folderProblems;
};

// The dry run of a job's plan, its paths written against the job's root;
// with `problemsOnly`, only the entries with a finding are described.
// With a `sink`, each line is handed to it as it is made instead of being
// kept in `lines` (a large tree's lines are never all held at once).
DryRunReport DescribePlan(const JobPlan& plan, const std::wstring& root, bool problemsOnly = false,
                          const std::function<void(const std::wstring&)>& sink = {});

// The closing line: "Dry run: N of M entries would change, P problems.
// Nothing was changed; add -Apply to apply the task list." With problems it
// adds how -SkipProblems applies the rest.
// `apply` names what -Apply would do ("apply the task list").
std::wstring DryRunSummary(const DryRunReport& report,
                           std::wstring_view apply = L"apply the task list");

// The report on the console: the changes on standard output, then each
// folder left out on standard error (its log line without the line breaks
// at its end, as a job's log is printed), then the summary. The lines are
// quoted (QuotedLine): names are shown with their control characters
// escaped; the report itself keeps them as they are.
void PrintDryRunReport(Terminal& terminal, const DryRunReport& report,
                       std::wstring_view apply = L"apply the task list");

}  // namespace torvane
