#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filelist/list_path.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

// The console's own switches, taken out of the arguments before the desktop
// command line sees the rest. The switches, their values and what each sets
// are the table of console_switches.hpp; names and values are compared
// without regard to ASCII letter case, and the prefix is '-' or '/', as for
// the desktop switches. A switch that is another spelling of one (--apply,
// -n) is taken as that one.
//
// The desktop program's switches stay for the desktop command line, in
// order (-FilePath VALUE and -TaskList VALUE with their value, when the next
// argument is no switch); the bare arguments are the path list
// (`positionals`). -Undo takes the next argument as its job's id unless it
// looks like a switch (LooksLikeSwitch); an id that is not a positive
// decimal number is an error.
struct ConsoleArguments {
    std::vector<std::wstring> desktopArguments;  // the rest, in their order
    std::vector<std::wstring> positionals;       // the bare arguments, in order
    ListOptions options;                         // the defaults where not given
    // Apply the entries without a problem when the plan has some, instead
    // of refusing the whole job.
    bool skipProblems = false;
    std::optional<AttributeTarget> change;  // -Change; nullopt: the preference
    std::optional<bool> caseSensitive;      // -Case; nullopt: the preference
    std::optional<unsigned> folderThreads;  // -Threads; nullopt: the preference
    bool dryRun = false;                    // --dry-run, -n: nothing is applied, -Apply or not
    std::vector<TaskFields> tasks;          // the tasks typed, in order
    std::optional<std::wstring> savePath;   // -Save
    bool history = false;                   // -History
    bool undo = false;                      // -Undo
    std::optional<std::int64_t> undoId;     // -Undo's job id (1 or more), when given
    bool help = false;                      // --help or -h
    bool version = false;                   // --version
    bool invalid = false;                   // a switch is unknown or a value missing or wrong
    // When invalid: what is wrong, naming the argument.
    std::wstring error;
};

// Splits `arguments` (without the program's name). A later occurrence of a
// switch replaces an earlier one; each task switch adds a task. Never fails;
// `invalid` and `error` report the first bad argument.
ConsoleArguments ExtractConsoleSwitches(const std::vector<std::wstring>& arguments);

}  // namespace torvane
