#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/plan.hpp"
#include "filelist/file_entry.hpp"

namespace torvane {

// The texts that show a plan's changes, one line per entry, as the console's
// dry run prints them and the window's review lists them.

// A path relative to `base` when it lies under it; else the path itself.
std::wstring RelativeTo(std::wstring_view base, const std::wstring& path);

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

// The deepest folder holding both paths (ending with the separator), or
// empty when they share none.
std::wstring CommonFolder(const std::wstring& a, const std::wstring& b);

// The folder the dry run writes a plan's paths against: its one root, or
// the folder holding all its roots.
std::wstring PlanDisplayRoot(const JobPlan& plan);

// The times and attributes that change, as a line shows them after the
// names: "Created|Modified|Accessed old -> new" for each time that changes,
// then "Attributes " + AttributeChanges, joined by " | "; empty when none does.
std::wstring DescribeValueChanges(const FileEntry& current, const FileEntry& updated);

// One entry's line: its path and its new path side by side ("a.jpg ->
// b.jpg"), both relative to `base` when they lie under it, then for each time
// that changes " | Created|Modified|Accessed old -> new" (date texts), then
// " | Attributes " + AttributeChanges when an attribute changes. A new name
// that names no entry of the folder is shown for what it is: "(empty name)",
// or "(unusable name \"..\")" for ".", ".." and a name holding the
// separator. nullopt when
// neither the name nor a time nor one of the seven attributes changes.
std::optional<std::wstring> DescribeChange(const FileEntry& current, const FileEntry& updated,
                                           std::wstring_view base);

}  // namespace torvane
