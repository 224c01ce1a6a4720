#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/apply_context.hpp"
#include "engine/replacement_fields.hpp"
#include "filelist/file_entry.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// New values for a sequence of entries: the whole task list applied in list
// order, each task to the result of the one before. Nothing here touches the
// disk; every function may run on any thread with its own context.

struct NewEntries {
    FileEntries entries;
    TaskResult result = TaskResult::Ok;
    // Entries a task with fields left alone for a field without a value:
    // one each (the first field missed), sorted by position.
    std::vector<FieldMiss> misses;
};

// Applies every task of `tasks` to a copy of `entries`. Returns the fully
// transformed copy and Ok; or, as soon as a task gives Failed or
// InvalidExpression, the unchanged entries and that outcome (the later tasks
// are not applied). An empty task list gives the entries and Ok. Tasks with
// fields read the entries' metadata through `context.fields` (reading the
// files: the one exception to "no disk access"); when it is null, the
// metadata fields have no value.
NewEntries ComputeNewEntries(const FileEntries& entries, const TaskList& tasks,
                             const ApplyContext& context);

// Applies one task definition to `entries` in place (fields read through
// `context.fields`; when it is null, metadata fields have no value): a rename ("$FileName"),
// timestamp ("$FileDate") or attribute ("$System") task, the keyword compared
// exactly. Entries passed over by the kind filter keep every value. Returns
// Failed for any other keyword (entries untouched) or for a timestamp result
// that is no storable date, InvalidExpression for a pattern that can't be
// built or matched or whose application runs past the settings' time budget
// (message shown once); entries already processed then keep their new
// values, which is why callers work on a copy.
TaskResult ApplyTask(std::wstring_view definition, FileEntries& entries,
                     const ApplyContext& context);

// Whether the kind filter passes an entry over: folders when the attribute
// target is kFiles, files when it is kFolders, nothing for kBoth.
bool PassedOver(const FileEntry& entry, const EngineSettings& settings);

// Replaces every match of `find` in `text` with `replacement` (always a
// Perl-style format string: $&, $1, ${10}, $$, \n), building the expression
// for this call. Returns Ok, or InvalidExpression with `text` unchanged after
// showing "Not a valid regular expression".
TaskResult ReplaceText(const std::wstring& find, const std::wstring& replacement,
                       std::wstring& text, bool useRegex, const EngineSettings& settings,
                       Dialogs& dialogs);

struct NameMatch {
    TaskResult result = TaskResult::Ok;
    bool matched = false;  // meaningful when result is Ok
};

// Whether `pattern` covers the whole of `name` (a plain pattern: the name
// itself, letter case aside unless caseSensitive is set). Gives
// InvalidExpression, after the message, when the pattern can't be used.
NameMatch MatchName(const std::wstring& pattern, const std::wstring& name, bool useRegex,
                    const EngineSettings& settings, Dialogs& dialogs);

// The replacement with every run of "#" replaced by `counter` in decimal,
// as "%d" writes it, with zeros put in front until it is as long as the run
// (### with 7 gives 007, with -3 gives 0-3; a longer number is written in
// full). Every
// run gets the same number; the counter then advances by exactly one,
// wrapping at the 32-bit limits.
std::wstring NumberReplacement(std::wstring_view replacement, std::int32_t& counter);

}  // namespace torvane
