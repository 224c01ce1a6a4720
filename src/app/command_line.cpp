#include "app/command_line.hpp"

#include "filelist/shortcut.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

std::wstring TrimQuotes(const std::wstring& text) {
    const auto first = text.find_first_not_of(L'"');
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L'"') - first + 1);
}

const std::wstring_view kHelpLines[] = {
    L" support the following arguments:\n",
    L" -FilePath\tSpecify a file or folder to open.\n",
    L" -TaskList\tSpecify a task list to open.\n",
    L" -Apply\tProceed to apply the tasks.\n",
    L"\tRequire both the FilePath and the TaskList.\n",
    L" -NoConfirm\tApply without display a confirmation dialog.\n",
    L" -Quit\tExit the program after performing the requested tasks.\n",
    L" -?\tHelp menu.\n\n",
    L"Example usage:\n",
    L"App.exe [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [?]\n",
    L"App.exe D:\\MyPicture.jpg\n",
    L"App.exe -FilePath D:\\MyPicture.jpg\n",
    L"App.exe -TaskList D:\\tasklist.tvt\n",
    L"App.exe \"D:\\My Vacation Picture.jpg\" D:\\tasklist.tvt\n",
    L"App.exe -FilePath \"D:\\My Vacation Picture.jpg\" -TaskList D:\\tasklist.tvt\n",
    L"App.exe \"D:\\My Picture Folder\" \"D:\\Rename tasklist.tvt\" -Apply\n",
};

// The examples of the help text on Linux; `$` stands for the program's name.
constexpr std::wstring_view kLinuxExamples[] = {
    L"Example usage:\n",
    L"$ [-FilePath PATH] [-TaskList FILE.tvt] [-Apply] [-NoConfirm] [-Quit] [-?]\n",
    L"$ ~/Pictures/holiday.jpg\n",
    L"$ -FilePath ~/Pictures/holiday.jpg\n",
    L"$ -TaskList ~/rename.tvt\n",
    L"$ ~/Pictures/'My Vacation Picture.jpg' ~/rename.tvt\n",
    L"$ -FilePath ~/Pictures/'My Vacation Picture.jpg' -TaskList ~/rename.tvt\n",
    L"$ ~/Pictures/Vacation ~/'Rename tasklist.tvt' -Apply\n",
};

constexpr std::wstring_view kExamplesStart = L"Example usage:\n";

CommandLineMessage ErrorBox(const wchar_t* text) {
    return {text, L"Error", MessageIcon::kError};
}

// The checks of one path argument and what they leave.
struct PathCheck {
    std::wstring path;
    std::optional<CommandLineMessage> problem;
};

// Adds the separator to a folder path that lacks it.
void EndFolderPath(std::wstring& path) {
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
}

// Steps for the file path: present with a value, existing; a folder gets
// its separator, a symbolic link to a folder the folder's own path, a
// shortcut its target (a folder target its separator too, as every accepted
// folder path has one).
PathCheck CheckFilePath(const std::wstring& value, FileSystem& fs,
                        const std::wstring& productName) {
    if (value.empty())
        return {L"", CommandLineHelpMessage(productName, L"The file path is not specified!")};
    std::wstring path = TrimQuotes(value);
    const auto attributes = fs.GetAttributes(path);
    if (!attributes.ok())
        return {L"", ErrorBox(L"The specified file path doesn't exist!")};
    if (IsDirectoryWord(*attributes)) {
        EndFolderPath(path);
    } else if (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A symbolic link to a folder names that folder: it is resolved once,
        // here, and the folder is listed (links below it are never followed).
        if (const auto real = fs.ResolveLinks(path); real.ok()) {
            const auto realAttributes = fs.GetAttributes(*real);
            if (realAttributes.ok() && IsDirectoryWord(*realAttributes)) {
                path = *real;
                EndFolderPath(path);
            }
        }
    } else if (IsShortcutName(path)) {
        std::wstring target;
        if (ResolveShortcut(fs, path, target) == 0) {
            path = target;
            const auto targetAttributes = fs.GetAttributes(path);
            if (targetAttributes.ok() && IsDirectoryWord(*targetAttributes))
                EndFolderPath(path);
        }
    }
    return {path, std::nullopt};
}

// Steps for the task list: present with a value, existing, not a folder.
PathCheck CheckTaskList(const std::wstring& value, FileSystem& fs,
                        const std::wstring& productName) {
    if (value.empty())
        return {L"", CommandLineHelpMessage(productName, L"The task list is not specified!")};
    std::wstring path = TrimQuotes(value);
    const auto attributes = fs.GetAttributes(path);
    if (!attributes.ok())
        return {L"", ErrorBox(L"The specified task list doesn't exist!")};
    if (IsDirectoryWord(*attributes))
        return {L"", ErrorBox(L"The specified task list is not valid!")};
    return {path, std::nullopt};
}

CommandLineValidation Refused(std::optional<CommandLineMessage> message) {
    return {1, {}, std::move(message)};
}

}  // namespace

// ---------------------------------------------------------------- parsing

CommandLineInfo::CommandLineInfo()
    : knownSwitches{L"?", L"help", L"filepath", L"tasklist", L"apply", L"noconfirm", L"quit"} {}

void CommandLineInfo::ParseCommandLine(const std::vector<std::wstring>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        const bool dash = !argument.empty() && argument.front() == L'-';
        const bool slashSwitch = !argument.empty() && argument.front() == L'/' &&
                                 knownSwitches.count(AsciiLower(argument.substr(1))) > 0;
        if (dash || slashSwitch) {
            ParseParam(argument.substr(1), true, last);
        } else {
            ParseParam(argument, false, last);
        }
    }
}

void CommandLineInfo::ParseParam(const std::wstring& param, bool isSwitch, bool /*isLast*/) {
    if (isSwitch) {
        const std::wstring name = AsciiLower(param);
        if (knownSwitches.count(name) == 0) {
            invalidArguments = true;
            return;
        }
        switchValues[name].clear();
        pendingSwitch = name;
        if (name == L"filepath")
            bareFilePath = false;
    } else if (param == L"?") {
        switchValues[L"?"] = L"?";
    } else if (!pendingSwitch.empty()) {
        switchValues[pendingSwitch] = param;
        pendingSwitch.clear();
    } else if (switchValues.empty()) {
        switchValues[L"filepath"] = param;
        bareFilePath = true;
    } else if (switchValues.size() == 1) {
        switchValues[L"tasklist"] = param;
    } else {
        invalidArguments = true;
    }
}

bool CommandLineInfo::HasSwitch(std::wstring_view name, std::wstring& value) const {
    const auto found = switchValues.find(AsciiLower(name));
    if (found == switchValues.end())
        return false;
    value = found->second;
    return true;
}

void TakeLoneTaskList(CommandLineInfo& info, FileSystem& fs) {
    if (!info.bareFilePath || info.invalidArguments || info.switchValues.size() != 1)
        return;
    const auto path = info.switchValues.find(L"filepath");
    if (path == info.switchValues.end())
        return;
    const std::wstring name = TrimQuotes(path->second);
    constexpr std::wstring_view kExtension = L".tvt";
    if (name.size() <= kExtension.size() ||
        AsciiLower(name.substr(name.size() - kExtension.size())) != kExtension)
        return;
    if (const auto attributes = fs.GetAttributes(name);
        attributes.ok() && IsDirectoryWord(*attributes))
        return;
    info.switchValues = {{L"tasklist", path->second}};
    info.bareFilePath = false;
}

// ---------------------------------------------------------------- validation

CommandLineMessage CommandLineHelpMessage(const std::wstring& productName,
                                          const std::wstring& error) {
    std::wstring text;
    if (!error.empty())
        text = error + L"\n\n";
    text += productName;
    for (auto line : kHelpLines)
        text += line;
    if (error.empty())
        return {text, productName + L" Help", MessageIcon::kInformation};
    return {text, productName + L" Command line error", MessageIcon::kError};
}

CommandLineMessage WithLinuxExamples(CommandLineMessage message, const std::wstring& productName,
                                     const std::wstring& appName) {
    const std::wstring help = CommandLineHelpMessage(productName, L"").text;
    std::wstring& text = message.text;
    if (text.size() < help.size() ||
        text.compare(text.size() - help.size(), help.size(), help) != 0)
        return message;
    const auto examples = text.rfind(kExamplesStart);
    text.erase(examples);
    for (const auto line : kLinuxExamples) {
        for (const wchar_t c : line) {
            if (c == L'$')
                text += appName;
            else
                text += c;
        }
    }
    return message;
}

bool AsksForHelp(const std::vector<std::wstring>& arguments) {
    for (const auto& argument : arguments) {
        const std::wstring lower = AsciiLower(argument);
        if (lower == L"-?" || lower == L"/?" || lower == L"-h" || lower == L"-help" ||
            lower == L"--help" || lower == L"/help")
            return true;
    }
    return false;
}

CommandLineValidation CheckCommandLine(const CommandLineInfo& info, FileSystem& fs,
                                       const std::wstring& productName) {
    std::wstring value;
    // An unrecognised switch stores nothing, yet it is reported, not ignored.
    if (info.switchValues.empty() && !info.invalidArguments)
        return Refused(std::nullopt);
    if (info.switchValues.size() > 5 || info.invalidArguments)
        return Refused(CommandLineHelpMessage(productName, L"Invalid command line arguments!"));
    if (info.HasSwitch(L"help", value) || info.HasSwitch(L"?", value))
        return Refused(CommandLineHelpMessage(productName, L""));
    CommandLineValidation out{0, {}, std::nullopt};
    if (info.HasSwitch(L"filepath", value)) {
        auto checked = CheckFilePath(value, fs, productName);
        if (checked.problem)
            return Refused(std::move(checked.problem));
        out.values.commandLineFilePath = std::move(checked.path);
    }
    if (info.HasSwitch(L"tasklist", value)) {
        auto checked = CheckTaskList(value, fs, productName);
        if (checked.problem)
            return Refused(std::move(checked.problem));
        out.values.commandLineTaskList = std::move(checked.path);
    }
    if (info.HasSwitch(L"apply", value)) {
        if (out.values.commandLineFilePath.empty())
            return Refused(CommandLineHelpMessage(productName, L"No file path specified!"));
        if (out.values.commandLineTaskList.empty() && info.inlineTasks.empty())
            return Refused(CommandLineHelpMessage(productName, L"No task list specified!"));
    }
    if (info.HasSwitch(L"noconfirm", value))
        out.values.noConfirm = true;
    return out;
}

int ValidateCommandLine(const CommandLineInfo& info, FileSystem& fs, Dialogs& dialogs,
                        const std::wstring& productName, CommandLineValues& values) {
    const CommandLineValidation checked = CheckCommandLine(info, fs, productName);
    if (checked.message) {
        dialogs.ShowMessage(checked.message->text, checked.message->caption, checked.message->icon,
                            MessageButtons::kOk);
    }
    values = checked.values;
    return checked.result;
}

}  // namespace torvane
