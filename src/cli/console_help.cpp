#include "cli/console_help.hpp"

#include <string_view>

namespace torvane {
namespace {

constexpr std::wstring_view kDesktopExamples = L"Example usage:\n";

// The console's part, after the desktop list of arguments; "$" stands for
// the program's name.
constexpr std::wstring_view kConsoleLines[] = {
    L"$ also takes the folder picker's list options:\n",
    L" -Retrieve files|folders|both\n",
    L"\tEntries to list (default files).\n",
    L" -SubFolders\tInclude sub directory (folders are listed with -Retrieve folders or "
    L"both).\n",
    L" -Hidden none|hidden|hidden-no-system|system|all\n",
    L"\tHidden and system entries to list (default none).\n",
    L" -SkipProblems\tWith -Apply, apply the changes without a problem and leave\n",
    L"\tthe entries with one alone (each logged), instead of refusing the job.\n\n",
    L"Without -Apply, $ prints what the task list would change (a dry run) and\n",
    L"changes nothing. -Quit is accepted: $ always ends when its batch is done.\n\n",
    L"Before anything is written the whole job is planned and checked: two entries\n",
    L"given one name, a name held by an entry that keeps it (listed or not), a name\n",
    L"that can't be used, a change the file system can't make, a folder that can't\n",
    L"be read. The dry run prints each problem on its entry's line; -Apply refuses\n",
    L"a plan with problems unless -SkipProblems is given (-NoConfirm never does).\n",
    L"Renames that wait for each other (a->b, b->c) run in the order that works,\n",
    L"and swaps and rotations go through a temporary name (.torvane-cycle-PID-N).\n\n",
    L"Names are printed with the characters that could act on a terminal escaped\n",
    L"(\\e \\r \\n \\t, \\xHH for other controls and for bytes that are not UTF-8,\n",
    L"\\uHHHH for C1 and bidi controls) and a backslash doubled; a saved log keeps\n",
    L"them as they are.\n\n",
    L"Exit status:\n",
    L" 0\tEverything asked was done without error (also for help).\n",
    L" 1\tThe job completed with errors (its log is printed on standard error).\n",
    L" 2\tInvalid command line or failed validation, or a path or task list that\n",
    L"\tcan't be used (in a dry run).\n",
    L" 3\tA job was asked for but refused or not confirmed (empty file list, empty\n",
    L"\ttask list, reserved characters, a plan with problems without\n",
    L"\t-SkipProblems, the confirmation answered No).\n",
    L" 4\tThe dry run's plan has problems (printed on the entries' lines).\n\n",
    L"Example usage:\n",
    L"$ [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [-Retrieve] [-SubFolders] [-Hidden] "
    L"[-SkipProblems] [-?]\n",
    L"$ photos/ rename.tvt\n",
    L"$ photos/ rename.tvt -Apply -NoConfirm\n",
    L"$ -SubFolders -Retrieve both photos/ rename.tvt -Apply\n",
    L"$ photos/ rename.tvt -Apply -SkipProblems\n",
    L"$ -FilePath \"My Vacation Picture.jpg\" -TaskList tasklist.tvt\n",
};

std::wstring WithName(std::wstring_view line, const std::wstring& appName) {
    std::wstring out;
    for (const wchar_t c : line) {
        if (c == L'$')
            out += appName;
        else
            out += c;
    }
    return out;
}

}  // namespace

std::wstring ConsoleHelpText(const std::wstring& productName, const std::wstring& appName) {
    std::wstring text = CommandLineHelpMessage(productName, L"").text;
    if (const auto examples = text.find(kDesktopExamples); examples != std::wstring::npos)
        text.erase(examples);
    for (const auto line : kConsoleLines)
        text += WithName(line, appName);
    return text;
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
