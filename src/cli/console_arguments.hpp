#pragma once

#include <string>
#include <vector>

#include "filelist/list_path.hpp"

namespace torvane {

// The console's own switches, taken out of the arguments before the desktop
// command line sees the rest: they set the list options that the desktop
// program's folder picker sets.
//   -Retrieve files|folders|both  Retrieve::kFiles, kFolders, kFilesAndFolders
//   -SubFolders                   includeSubfolders (takes no value)
//   -SkipProblems                 skipProblems (takes no value)
//   -Hidden none|hidden|hidden-no-system|system|all
//                                 HiddenSystem::kNone, kHidden, kHiddenNoSystem,
//                                 kSystem, kHiddenAndSystem
// Names and values are compared without regard to ASCII letter case; the
// prefix is '-' or '/', as for the desktop switches.
struct ConsoleArguments {
    std::vector<std::wstring> desktopArguments;  // the rest, in their order
    ListOptions options;                         // the defaults where not given
    // Apply the entries without a problem when the plan has some, instead
    // of refusing the whole job.
    bool skipProblems = false;
    bool invalid = false;  // a value is missing or outside its list
};

// Splits `arguments` (without the program's name). A later occurrence of a
// switch replaces an earlier one. Never fails; `invalid` reports a bad value.
ConsoleArguments ExtractConsoleSwitches(const std::vector<std::wstring>& arguments);

}  // namespace torvane
