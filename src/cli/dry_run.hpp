#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/apply_context.hpp"
#include "filelist/file_entry.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_item.hpp"

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

// Everything a dry run reads.
struct DryRunSettings {
    std::wstring root;  // the folder history's first path
    TaskList tasks;
    ListOptions listOptions;
    EngineSettings engine;
};

struct DryRunReport {
    std::vector<std::wstring> lines;  // one per entry that would change
    std::size_t entries = 0;          // every entry looked at
};

// The dry run of a job on `settings.root`, whose listing and new values are
// `current` and `updated` (as the window shows them, position for position).
// When subfolders are included, each listed folder is listed and computed the
// way the job does it, in the job's order: a folder's content before the
// folder's own line. Nothing is changed on disk. A folder that can't be read,
// or whose new values can't be computed, shows its message through `dialogs`
// and is left out.
DryRunReport DryRun(const FileEntries& current, const FileEntries& updated,
                    const DryRunSettings& settings, FileSystem& fs, Dialogs& dialogs);

// The closing line: "Dry run: N of M entries would change. Nothing was
// changed; add -Apply to apply the task list."
std::wstring DryRunSummary(const DryRunReport& report);

}  // namespace torvane
