#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filelist/list_path.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

// The console's own switches, taken out of the arguments before the desktop
// command line sees the rest. Names and values are compared without regard
// to ASCII letter case; the prefix is '-' or '/', as for the desktop switches.
//
// List options (what the desktop program's folder picker sets):
//   -Retrieve files|folders|both  Retrieve::kFiles, kFolders, kFilesAndFolders
//   -SubFolders                   includeSubfolders (takes no value)
//   -Hidden none|hidden|hidden-no-system|system|all
//                                 HiddenSystem::kNone, kHidden, kHiddenNoSystem,
//                                 kSystem, kHiddenAndSystem
// Which entries the tasks change (the SetAttributeOption preference):
//   -Change files|folders|both    AttributeTarget::kFiles, kFolders, kBoth
// The job:
//   -SkipProblems                 skipProblems (takes no value)
// Tasks, in order, each built from the field record an editor page fills:
//   -Rename FIND REPLACE
//   -Timestamp created|modified|accessed FIND REPLACE
//   -Attributes PATTERN WORD      WORD as ParseAttributeWord reads it
// and the switches that set a field of the task given just before them:
//   -Regex                        REGX=TRUE (every kind)
//   -Number START                 SYMB=TRUE, SNUM=START (rename; digits)
//   -Name TEXT                    the task's name
//   -Save FILE                    writes the tasks above as a task list
//                                 ("-": to the standard output)
// The job history:
//   -History                      lists the jobs
//   -Undo [ID]                    undoes job ID (digits), or the last job not
//                                 undone; a dry run unless -Apply is given
// Help: --help, -h; --version.
//
// Everything else stays for the desktop command line, in order, except the
// bare arguments, which are the path list (`positionals`); -FilePath VALUE
// and -TaskList VALUE are kept as they are, with their value.
struct ConsoleArguments {
    std::vector<std::wstring> desktopArguments;  // the rest, in their order
    std::vector<std::wstring> positionals;       // the bare arguments, in order
    ListOptions options;                         // the defaults where not given
    // Apply the entries without a problem when the plan has some, instead
    // of refusing the whole job.
    bool skipProblems = false;
    std::optional<AttributeTarget> change;  // -Change; nullopt: the preference
    std::vector<TaskFields> tasks;          // the tasks typed, in order
    std::optional<std::wstring> savePath;   // -Save
    bool history = false;                   // -History
    bool undo = false;                      // -Undo
    std::optional<std::int64_t> undoId;     // -Undo's job id, when given
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
