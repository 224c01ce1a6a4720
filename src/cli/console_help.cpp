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
    L" -SubFolders with -Retrieve files descends and changes files only.\n",
    L" -Change files|folders|both\n",
    L"\tEntries the tasks change (default: SetAttributeOption in config.ini).\n",
    L" -SkipProblems\tWith -Apply, apply the changes without a problem and leave\n",
    L"\tthe entries with one alone (each logged), instead of refusing the job.\n\n",
    L"Tasks on the command line, applied in order after the task list's (if any);\n",
    L"each is the task the window's editor page makes from the same fields:\n",
    L" -Rename FIND REPLACE\n",
    L"\tReplace FIND in the name with REPLACE (Perl format: $1, $&, \\U, \\L).\n",
    L" -Timestamp created|modified|accessed FIND REPLACE\n",
    L"\tReplace FIND in the time's text (MM/DD/YYYY hh:mm:ss AM).\n",
    L" -Attributes PATTERN ATTRIBUTES\n",
    L"\tFor names matching PATTERN (the whole name), set the attribute word:\n",
    L"\tevery attribute named with + (or no sign) is on, every other is off.\n",
    L"\tNames: ReadOnly Hidden System Archive Compress Index NotIndexed Encrypt,\n",
    L"\tor attrib's letters R H S A C I E (I: not content indexed).\n",
    L"\t\"+ReadOnly +Archive\" and +R+A set the same word (33): Read-only,\n",
    L"\tArchive and Index on; Hidden, System, Compress and Encrypt off.\n",
    L" -Regex\tThe task before is a regular expression (Perl syntax).\n",
    L" -Number START\tNumber the # runs of the rename before, from START\n",
    L"\t(0 to 2147483647; a number past that range is refused).\n",
    L" -Name TEXT\tName the task before.\n",
    L" -Save FILE.tvt\tWrite the tasks above as a task list the window loads.\n",
    L"\t\"-Save -\" writes it to the standard output; a FIFO, device or socket\n",
    L"\tis never written over.\n\n",
    L"Paths: every bare argument is a file or folder, processed in order with one\n",
    L"summary (a glob such as *.JPG works). The last one is the task list when it\n",
    L"is an existing .tvt file, or when there are exactly two and no task switch.\n",
    L"The task-list format: docs/task-lists.md; also man $.\n\n",
    L"Without -Apply, $ prints what the task list would change (a dry run) and\n",
    L"changes nothing. -Quit is accepted: $ always ends when its batch is done.\n\n",
    L"Before anything is written the whole job is planned and checked: two entries\n",
    L"given one name, a name held by an entry that keeps it (listed or not), a name\n",
    L"that can't be used, a change the file system can't make, a folder that can't\n",
    L"be read. The dry run prints each problem on its entry's line; -Apply refuses\n",
    L"a plan with problems unless -SkipProblems is given (-NoConfirm never does).\n",
    L"Renames that wait for each other (a->b, b->c) run in the order that works,\n",
    L"and swaps and rotations go through a temporary name (.torvane-cycle-PID-N).\n\n",
    L"The job history: every job is recorded before it writes (the old and new name,\n",
    L"times and attribute word of each entry), so that it can be undone:\n",
    L" -History\tList the jobs, newest first: id, time, root, changes, failures,\n",
    L"\tdone, cancelled or interrupted, and the undo that undid it.\n",
    L" -Undo [ID]\tShow what undoing job ID (default: the last job not undone)\n",
    L"\twould restore; with -Apply, restore it (asked on a terminal, -NoConfirm\n",
    L"\tfor scripts). An entry changed since the job, or gone, is a problem and\n",
    L"\tis left alone (-SkipProblems restores the others). Nothing is replaced.\n",
    L"\tThe undo is a job of its own: undoing it redoes the job.\n",
    L"A job whose process died is told at the start of every command, with the\n",
    L"command that undoes it. History=0 in config.ini turns the history off;\n",
    L"HistoryKeepJobs and HistoryKeepDays bound it (200 jobs, 90 days).\n\n",
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
    L" 4\tThe dry run's plan has problems (printed on the entries' lines).\n",
    L"-History and -Undo exit as a job does; 2 also when there is no history or no\n",
    L"such job.\n\n",
    L"Example usage:\n",
    L"$ [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [-Retrieve] [-SubFolders] [-Hidden] "
    L"[-SkipProblems] [-?]\n",
    L"$ photos/ rename.tvt\n",
    L"$ photos/ rename.tvt -Apply -NoConfirm\n",
    L"$ -SubFolders -Retrieve both photos/ rename.tvt -Apply\n",
    L"$ photos/ rename.tvt -Apply -SkipProblems\n",
    L"$ *.jpg -Rename IMG_ Trip_\n",
    L"$ photos/ -Rename \"^IMG_(\\d+)\" \"Trip-##\" -Regex -Number 1 -Save trip.tvt\n",
    L"$ -Change folders -Retrieve folders albums/ -Rename \" \" _\n",
    L"$ notes/ -Attributes \".*\\.txt\" +R+A -Regex -Apply\n",
    L"$ -History\n",
    L"$ -Undo\t\t$ -Undo 12 -Apply\n",
    L"$ --help, -h, -?\tThis help.   $ --version\tThe version.\n",
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
