#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

// The command line taken apart into switches and their values. Switches are
// -FilePath, -TaskList, -Apply, -NoConfirm, -Quit, -? and -Help, with the
// prefix '-' or '/' and in any ASCII letter case; up to two positional
// arguments stand for the file path and the task list.
class CommandLineInfo {
  public:
    CommandLineInfo();

    // Walks the arguments that follow the program's name, in order, calling
    // ParseParam for each. An argument starting with '-' is a switch. One
    // starting with '/' is a switch only when the text after the '/' is a
    // known switch name; otherwise it is an absolute path, a positional
    // argument kept whole.
    void ParseCommandLine(const std::vector<std::wstring>& arguments);

    // Takes one argument: `param` without its prefix, `isSwitch` whether it
    // had one. `isLast` is accepted and ignored. Unknown switches and a third
    // positional argument set invalidArguments.
    void ParseParam(const std::wstring& param, bool isSwitch, bool isLast);

    // Whether the switch `name` (any ASCII case) was given; when it was,
    // `value` receives its value (empty when none followed).
    bool HasSwitch(std::wstring_view name, std::wstring& value) const;

    bool invalidArguments = false;
    // Every switch seen, by its lower-case name, with its value; positional
    // arguments are stored under "filepath" and "tasklist".
    std::map<std::wstring, std::wstring> switchValues;
    // The last recognised switch still waiting for its value.
    std::wstring pendingSwitch;
    // Whether the file path came as a bare argument rather than after
    // -FilePath.
    bool bareFilePath = false;
    const std::set<std::wstring> knownSwitches;

    // Set by a front end that takes more than the desktop switches (the
    // console); the desktop parser leaves them empty.
    // Tasks typed on the command line, appended after the task list's in
    // order; with them, -Apply needs no task list.
    std::vector<TaskFields> inlineTasks;
    // Which entries the tasks change, in place of the preference file's
    // SetAttributeOption (0 files, 1 folders, 2 both) for this run.
    std::optional<std::int32_t> setAttributeOption;
};

// A file manager opens a task list by giving its path alone: when the only
// argument is a bare path whose name ends in ".tvt" (any letter case) and
// that is not a folder, it becomes the task list to load instead of the file
// to list. "-FilePath x.tvt" still lists the file. The window does this; the
// console, which takes its own bare arguments apart, does not.
void TakeLoneTaskList(CommandLineInfo& info, FileSystem& fs);

// The values that validation hands to the command-line job.
struct CommandLineValues {
    std::wstring commandLineFilePath;  // a folder path ends with the separator
    std::wstring commandLineTaskList;
    bool noConfirm = false;  // apply without asking

    bool operator==(const CommandLineValues&) const = default;
};

// One message box.
struct CommandLineMessage {
    std::wstring text;
    std::wstring caption;
    MessageIcon icon = MessageIcon::kNone;

    bool operator==(const CommandLineMessage&) const = default;
};

// What validation decided.
struct CommandLineValidation {
    int result = 1;                             // 0: the command-line job may run; 1: it must not
    CommandLineValues values;                   // all empty unless result is 0
    std::optional<CommandLineMessage> message;  // the one message to show, if any

    bool operator==(const CommandLineValidation&) const = default;
};

// The help box: `error` (when not empty) and a blank line, then the list of
// arguments headed by `productName`. Captioned productName + " Command line
// error" with the error icon when there is an error, else productName +
// " Help" with the information icon.
CommandLineMessage CommandLineHelpMessage(const std::wstring& productName,
                                          const std::wstring& error);

// A message of CheckCommandLine as the desktop program on Linux shows it:
// a help box's examples (written for the original program) replaced by ones
// for `appName` with Linux paths; any other message unchanged.
CommandLineMessage WithLinuxExamples(CommandLineMessage message, const std::wstring& productName,
                                     const std::wstring& appName);

// True when an argument asks for help: -?, /?, -h, -help, --help, /help (any
// case). The desktop program then prints the help and ends without a
// window, whatever else the command line holds.
bool AsksForHelp(const std::vector<std::wstring>& arguments);

// Checks the parsed command line step by step and stops at the first problem:
// no switch at all (nothing to show), invalid arguments, a request for help,
// a file path or task list that is missing, doesn't exist or is a folder
// where a file is needed, -Apply without both (the inline tasks stand for
// a task list). Quotes are removed from both
// ends of the paths, a folder path gets its trailing separator and a ".lnk"
// file is replaced by the target of the shortcut when it can be resolved.
CommandLineValidation CheckCommandLine(const CommandLineInfo& info, FileSystem& fs,
                                       const std::wstring& productName);

// CheckCommandLine, then shows its message (if any) through `dialogs` and
// stores its values in `values`. Returns its result.
int ValidateCommandLine(const CommandLineInfo& info, FileSystem& fs, Dialogs& dialogs,
                        const std::wstring& productName, CommandLineValues& values);

}  // namespace torvane
