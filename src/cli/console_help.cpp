#include "cli/console_help.hpp"

#include <optional>
#include <string_view>

#include "cli/console_switches.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kDesktopExamples = L"Example usage:\n";

// The console's part, after the desktop list of arguments: prose, and the
// switches of a section where `switches` is set. kApp stands for the
// program's name.
constexpr std::wstring_view kApp = L"{app}";

struct HelpPart {
    std::wstring_view text;
    std::optional<SwitchSection> switches = std::nullopt;
};

const HelpPart kHelpParts[] = {
    {L"{app} also takes the folder picker's list options:\n"},
    {L"", SwitchSection::kList},
    {L"\nTasks on the command line, applied in order after the task list's (if any);\n"
     L"each is the task the window's editor page makes from the same fields:\n"},
    {L"", SwitchSection::kTask},
    {L"\nPaths: every bare argument is a file or folder, processed in order with one\n"
     L"summary (a glob such as *.JPG works). The last one is the task list when it\n"
     L"is an existing .tvt file, or when there are exactly two and no task switch.\n"
     L"The task-list format: docs/task-lists.md; also man {app}.\n\n"
     L"Without -Apply, {app} prints what the task list would change (a dry run) and\n"
     L"changes nothing. -Quit is accepted: {app} always ends when its batch is done.\n\n"
     L"Before anything is written the whole job is planned and checked: two entries\n"
     L"given one name, a name held by an entry that keeps it (listed or not), a name\n"
     L"that can't be used, a change the file system can't make, a folder that can't\n"
     L"be read. The dry run prints each problem on its entry's line; -Apply refuses\n"
     L"a plan with problems unless -SkipProblems is given (-NoConfirm never does).\n"
     L"Renames that wait for each other (a->b, b->c) run in the order that works,\n"
     L"and swaps and rotations go through a temporary name (.torvane-cycle-PID-N).\n\n"
     L"The job history: every job is recorded before it writes (the old and new name,\n"
     L"times and attribute word of each entry), so that it can be undone:\n"},
    {L"", SwitchSection::kHistory},
    {L"A job whose process died is told at the start of every command, with the\n"
     L"command that undoes it. History=0 in config.ini turns the history off;\n"
     L"HistoryKeepJobs and HistoryKeepDays bound it (200 jobs, 90 days).\n\n"
     L"Names are printed with the characters that could act on a terminal escaped\n"
     L"(\\e \\r \\n \\t, \\xHH for other controls and for bytes that are not UTF-8,\n"
     L"\\uHHHH for C1 and bidi controls) and a backslash doubled; a saved log keeps\n"
     L"them as they are.\n\n"
     L"Exit status:\n"
     L" 0\tEverything asked was done without error (also for help).\n"
     L" 1\tThe job completed with errors, or left entries with a problem alone\n"
     L"\t(-SkipProblems); its log is printed on standard error.\n"
     L" 2\tInvalid command line or failed validation, or a path or task list that\n"
     L"\tcan't be used (in a dry run).\n"
     L" 3\tA job was asked for but refused or not confirmed (empty file list, empty\n"
     L"\ttask list, reserved characters, a plan with problems without\n"
     L"\t-SkipProblems, the confirmation answered No).\n"
     L" 4\tThe dry run's plan has problems (printed on the entries' lines).\n"
     L"-History and -Undo exit as a job does; 2 also when there is no history or no\n"
     L"such job.\n\n"
     L"Help:\n"},
    {L"", SwitchSection::kHelp},
    {L"\nThe same in the GNU style:\n"},
    {L"", SwitchSection::kGnu},
    {L"Unknown switches are answered with the nearest known one.\n"
     L"\nExample usage:\n"
     L"{app} [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [-Retrieve] [-SubFolders] [-Hidden] "
     L"[-SkipProblems] [-?]\n"
     L"{app} photos/ rename.tvt\n"
     L"{app} photos/ rename.tvt -Apply -NoConfirm\n"
     L"{app} -SubFolders -Retrieve both photos/ rename.tvt -Apply\n"
     L"{app} photos/ rename.tvt -Apply -SkipProblems\n"
     L"{app} *.jpg -Rename IMG_ Trip_\n"
     L"{app} photos/ -Rename \"^IMG_(\\d+)\" \"Trip-##\" -Regex -Number 1 -Save trip.tvt\n"
     L"{app} -Change folders -Retrieve folders albums/ -Rename \" \" _\n"
     L"{app} notes/ -Attributes \".*\\.txt\" +R+A -Regex -Apply\n"
     L"{app} notes/ -Attributes \"*.txt\" +R+A -Wildcard --apply\n"
     L"{app} photos/ -Rename img_ x_ -Case sensitive\n"
     L"{app} -History\n"
     L"{app} -Undo\t\t{app} -Undo 12 -Apply\n"
     L"{app} -FilePath \"My Vacation Picture.jpg\" -TaskList tasklist.tvt\n"},
};

// A switch name with its values shorter than this is followed by its help on
// the same line, after a tab; a longer one by its help on the next lines.
constexpr std::size_t kSameLineWidth = 16;

// The help lines of a section's switches, each line of a help indented by a
// tab.
std::wstring SwitchLines(SwitchSection section) {
    std::wstring text;
    for (const ConsoleSwitch& s : ConsoleSwitches()) {
        if (s.section != section)
            continue;
        std::wstring head = L" " + std::wstring(s.name);
        if (!s.values.syntax.empty())
            head += L" " + std::wstring(s.values.syntax);
        text += head + (head.size() < kSameLineWidth ? L"\t" : L"\n\t");
        for (const wchar_t c : s.help)
            text += c == L'\n' ? std::wstring(L"\n\t") : std::wstring(1, c);
        text += L'\n';
    }
    return text;
}

// `text` with every kApp replaced by the program's name. Nothing else is
// replaced: "$1" and "$&" stay as they are.
std::wstring WithName(std::wstring_view text, const std::wstring& appName) {
    std::wstring out;
    for (std::size_t at = 0;;) {
        const auto next = text.find(kApp, at);
        out += text.substr(at, next == std::wstring_view::npos ? next : next - at);
        if (next == std::wstring_view::npos)
            return out;
        out += appName;
        at = next + kApp.size();
    }
}

}  // namespace

std::wstring ConsoleHelpText(const std::wstring& productName, const std::wstring& appName) {
    std::wstring text = CommandLineHelpMessage(productName, L"").text;
    if (const auto examples = text.find(kDesktopExamples); examples != std::wstring::npos)
        text.erase(examples);
    for (const HelpPart& part : kHelpParts)
        text += part.switches ? SwitchLines(*part.switches) : WithName(part.text, appName);
    return text;
}

std::wstring ConsoleUsageHint(const std::wstring& appName) {
    return L"Usage: " + appName +
           L" [switches] PATH... [TASKLIST.tvt] [-Rename FIND REPLACE ...] [-Apply]\n"
           L"Try '" +
           appName + L" --help' for more information.";
}

std::wstring ConsoleMessageText(const CommandLineMessage& message, const std::wstring& productName,
                                const std::wstring& appName) {
    const std::wstring desktop = CommandLineHelpMessage(productName, L"").text;
    const std::wstring& text = message.text;
    if (text.size() < desktop.size() ||
        text.compare(text.size() - desktop.size(), desktop.size(), desktop) != 0)
        return text;
    return text.substr(0, text.size() - desktop.size()) + ConsoleHelpText(productName, appName);
}

}  // namespace torvane
