#pragma once

// One descriptor per switch torvane-cli takes: the parser
// (ExtractConsoleSwitches), the help text (ConsoleHelpText) and the bash
// completion (BashCompletionScript) read them, and the tests hold the man
// page to them.
//
// Adding a switch: a row (and its action) in the table in
// console_switches.cpp, the field it sets in ConsoleArguments
// (console_arguments.hpp) and the code that acts on it (run_console.cpp).
// The man page gets its entry by hand (a test checks it) and the completion
// file is generated again (torvane-cli-completion).

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console_arguments.hpp"

namespace torvane {

// Where the help text lists a switch.
enum class SwitchSection {
    kDesktop,  // the desktop program's own switches: its help lists them
    kHelp,     // --help, --version
    kList,     // the list options
    kTask,     // a task, or a field of the task before it
    kHistory,  // the job history
    kGnu,      // GNU-style spellings of other switches
};

// What the completion offers for a value.
enum class ValueCompletion {
    kNone,       // nothing: free text, typed by the user
    kWords,      // the switch's words
    kFiles,      // any file or folder
    kTaskLists,  // .tvt files and folders
};

// Applies a switch with its values to the arguments; a wrong value sets
// `invalid` and `error` (the first error only).
using SwitchAction = void (*)(ConsoleArguments& out, const std::wstring& argument,
                              const std::vector<std::wstring>& values);

// The values that follow a switch.
struct SwitchValues {
    std::wstring_view syntax;  // as the help and the man page write them
    std::wstring_view needs;   // what a missing value's error says the switch needs
    int count;                 // the values that always follow, whatever they are
    // One more value follows when the next argument is no switch (see
    // LooksLikeSwitch): the desktop's -FilePath and -TaskList, -Undo's id.
    bool optional;
    ValueCompletion first;                     // the completion of the first value
    ValueCompletion second;                    // and of the second
    std::span<const std::wstring_view> words;  // the words a kWords value offers
};

struct ConsoleSwitch {
    std::wstring_view name;  // as written in the help, e.g. -Retrieve, --help
    SwitchSection section;
    SwitchValues values;
    bool slashForm;  // also written with '/' for '-' (/Retrieve)
    // The help text's lines (separated by "\n"); empty for the desktop's.
    std::wstring_view help;
    SwitchAction action;  // null: kept, with its value, for the desktop command line
    // Another spelling of the switch of this name: the parser takes it as
    // that switch (its action, or kept under that name for the desktop
    // command line). Empty for a switch of its own.
    std::wstring_view sameAs = {};
};

// Every switch, in the order the help lists them.
std::span<const ConsoleSwitch> ConsoleSwitches();

// The switch `argument` names (ASCII letter case ignored; '/' for '-' where
// the switch allows it), or null.
const ConsoleSwitch* FindConsoleSwitch(std::wstring_view argument);

// The switch a user probably meant by an unknown `argument`, or null: the
// name whose letters (ASCII case ignored, leading '-' not counted) are
// nearest, one edit away for a name of 3 to 5 letters, two for a longer one
// (a letter added, left out, changed, or two swapped), or of which it is the
// start (3 letters or more). Names of one or two letters are suggested only
// when the letters are the same.
const ConsoleSwitch* NearestConsoleSwitch(std::wstring_view argument);

// An argument that starts like a switch: '-' and at least one more
// character, or '/' followed by a switch's name (any other '/' argument is an
// absolute path).
bool LooksLikeSwitch(std::wstring_view argument);

// -Undo's job id: ASCII digits only, 1 .. 2^63 - 1; nullopt for anything
// else (a sign, a blank, a point, more digits than that).
std::optional<std::int64_t> JobIdOf(std::wstring_view text);

}  // namespace torvane
