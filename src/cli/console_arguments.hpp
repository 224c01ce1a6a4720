#pragma once

#include <optional>
#include <string>
#include <vector>

#include "filelist/list_path.hpp"

namespace torvane {

// The console's command line: the desktop program's arguments plus three
// switches of its own that set the list options a folder picker would set.
struct ConsoleArguments {
    ListOptions listOptions;
    std::vector<std::wstring> desktopArguments;  // everything else, in order
    std::optional<std::wstring> error;           // an invalid value, when there is one
};

// Takes -Retrieve files|folders|both, -SubFolders and -Hidden
// none|hidden|hidden-no-system|system|all (prefix '-' or '/', names and values
// in any letter case) out of `arguments`; -SubFolders takes no value. A
// missing or unknown value gives `error`.
ConsoleArguments SplitConsoleArguments(const std::vector<std::wstring>& arguments);

// True when the console should print its help: no argument at all, -? or -Help.
bool WantsHelp(const std::vector<std::wstring>& desktopArguments);

// The console's help text: the desktop program's list of arguments, then the
// console's own switches and its exit status table.
std::wstring ConsoleHelpText(const std::wstring& productName);

// Exit statuses.
inline constexpr int kExitOk = 0;             // done without error, or help
inline constexpr int kExitJobErrors = 1;      // the job completed with errors
inline constexpr int kExitInvalid = 2;        // invalid command line or failed validation
inline constexpr int kExitJobNotStarted = 3;  // a job was asked for but refused or not confirmed

}  // namespace torvane
