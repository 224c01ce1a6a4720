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
    L"\tHidden and system entries to list (default none).\n\n",
    L"Without -Apply, $ prints what the task list would change (a dry run) and\n",
    L"changes nothing. -Quit is accepted: $ always ends when its batch is done.\n\n",
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
    L"\ttask list, reserved characters, the confirmation answered No).\n\n",
    L"Example usage:\n",
    L"$ [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [-Retrieve] [-SubFolders] [-Hidden] "
    L"[-?]\n",
    L"$ photos/ rename.tvt\n",
    L"$ photos/ rename.tvt -Apply -NoConfirm\n",
    L"$ -SubFolders -Retrieve both photos/ rename.tvt -Apply\n",
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
