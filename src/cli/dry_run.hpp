#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal.hpp"
#include "engine/job.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The dry run: what a job would change, printed instead of done.

// The attribute changes between two attribute words among the seven a task
// sets, in the order Archive, Hidden, Read-only, System, Index, Compress,
// Encrypt: "+Name" for one switched on, "-Name" for one switched off,
// separated by blanks. Index is on when the not-content-indexed bit is clear.
// Empty when none of the seven changes.
std::wstring AttributeChanges(std::uint32_t before, std::uint32_t after);

// The folder against which the dry run writes paths: the root itself when it
// is a folder path (ends with the separator), otherwise the folder part of the
// single file's path ("./" when it has none, as the listing writes it).
std::wstring DisplayBase(const std::wstring& root);

// One entry's line: its path and its new path side by side ("a.jpg ->
// b.jpg"), both relative to `base` when they lie under it, then for each time
// that changes " | Created|Modified|Accessed old -> new" (date texts), then
// " | Attributes " + AttributeChanges when an attribute changes. nullopt when
// neither the name nor a time nor one of the seven attributes changes.
std::optional<std::wstring> DescribeChange(const FileEntry& current, const FileEntry& updated,
                                           std::wstring_view base);

struct DryRunReport {
    std::vector<std::wstring> lines;  // one per entry that would change
    std::size_t entries = 0;          // every entry looked at
    // The job's log line for each folder that can't be read or computed, in
    // the order the walk meets them (a system text ends with CR LF).
    std::vector<std::wstring> problems;
};

// The dry run of a job with `settings`, whose root's listing and new values
// are `current` and `updated` (as the window shows them, position for
// position). When subfolders are included, the job's walk (`JobWalker`) goes
// into each listed folder, in the job's order: a folder's content before the
// folder's own line. Nothing is changed on disk. A folder that can't be read
// or computed shows its message through `dialogs`, as in the job, is left
// out and is reported in `problems` with the line the job would log.
DryRunReport DryRun(const FileEntries& current, const FileEntries& updated,
                    const JobSettings& settings, FileSystem& fs, Dialogs& dialogs);

// The closing line: "Dry run: N of M entries would change. Nothing was
// changed; add -Apply to apply the task list."
std::wstring DryRunSummary(const DryRunReport& report);

// The report on the console: the changes on standard output, then each
// folder left out on standard error (its log line without the line breaks
// at its end, as a job's log is printed), then the summary. The lines are
// quoted (QuotedLine): names are shown with their control characters
// escaped; the report itself keeps them as they are.
void PrintDryRunReport(Terminal& terminal, const DryRunReport& report);

}  // namespace torvane
