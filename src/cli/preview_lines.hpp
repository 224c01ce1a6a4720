#pragma once

#include <string>
#include <vector>

#include "filelist/file_entry.hpp"

namespace torvane {

// The dry run's report: for every entry whose new values differ from its
// current ones, one line with its path and, when renamed, " -> " and the new
// name; then an indented line for each time and for the attributes that
// change ("    Modified: 07/03/2021 02:05:09 PM -> 07/03/2022 02:05:09 PM").
// `current` and `updated` are position for position.
std::vector<std::wstring> PreviewLines(const FileEntries& current, const FileEntries& updated);

// The seven attributes of a word as names ("Archive, Hidden, Index"), or
// "none".
std::wstring AttributeNames(std::uint32_t attributes);

}  // namespace torvane
