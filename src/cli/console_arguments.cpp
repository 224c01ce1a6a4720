#include "cli/console_arguments.hpp"

#include <array>
#include <utility>

#include "app/command_line.hpp"

namespace torvane {
namespace {

std::wstring AsciiLower(std::wstring text) {
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// The lower-case switch name of an argument ("-retrieve" for "/Retrieve"),
// or empty when it is no switch.
std::wstring SwitchName(const std::wstring& argument) {
    if (argument.size() < 2 || (argument.front() != L'-' && argument.front() != L'/'))
        return {};
    return AsciiLower(argument.substr(1));
}

template <std::size_t N>
std::optional<int> ValueOf(const std::array<std::pair<const wchar_t*, int>, N>& table,
                           const std::wstring& text) {
    for (const auto& [name, value] : table) {
        if (AsciiLower(text) == name)
            return value;
    }
    return std::nullopt;
}

constexpr std::array<std::pair<const wchar_t*, int>, 3> kRetrieveValues{{
    {L"files", kRetrieveFilesOnly},
    {L"folders", kRetrieveFoldersOnly},
    {L"both", kRetrieveFilesAndFolders},
}};

constexpr std::array<std::pair<const wchar_t*, int>, 5> kHiddenValues{{
    {L"none", kNoHiddenOrSystem},
    {L"hidden", kIncludeHidden},
    {L"hidden-no-system", kIncludeHiddenNoSystem},
    {L"system", kIncludeSystem},
    {L"all", kIncludeHiddenAndSystem},
}};

}  // namespace

ConsoleArguments SplitConsoleArguments(const std::vector<std::wstring>& arguments) {
    ConsoleArguments out;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring name = SwitchName(arguments[i]);
        if (name == L"subfolders") {
            out.listOptions.includeSubfolders = 1;
            continue;
        }
        if (name != L"retrieve" && name != L"hidden") {
            out.desktopArguments.push_back(arguments[i]);
            continue;
        }
        const bool retrieve = name == L"retrieve";
        const auto value = i + 1 < arguments.size()
                               ? (retrieve ? ValueOf(kRetrieveValues, arguments[i + 1])
                                           : ValueOf(kHiddenValues, arguments[i + 1]))
                               : std::nullopt;
        if (!value) {
            if (!out.error)
                out.error = L"Invalid value for " + arguments[i] + L": " +
                            (i + 1 < arguments.size() ? L"\"" + arguments[i + 1] + L"\""
                                                      : std::wstring(L"none given"));
            ++i;
            continue;
        }
        (retrieve ? out.listOptions.retrieveOption : out.listOptions.hiddenSystemOption) = *value;
        ++i;
    }
    return out;
}

bool WantsHelp(const std::vector<std::wstring>& desktopArguments) {
    if (desktopArguments.empty())
        return true;
    CCommandLineInfoEx info;
    info.ParseCommandLine(desktopArguments);
    std::wstring value;
    return info.HasSwitch(L"?", value) || info.HasSwitch(L"help", value);
}

std::wstring ConsoleHelpText(const std::wstring& productName) {
    std::wstring text = CommandLineHelpMessage(productName, L"").text;
    text +=
        L"\n\nThe console program also takes, anywhere on its command line:\n"
        L"  -Retrieve files|folders|both    what a folder lists (default: files)\n"
        L"  -SubFolders                     go into the folders listed\n"
        L"  -Hidden none|hidden|hidden-no-system|system|all\n"
        L"                                  which hidden and system entries to list "
        L"(default: none)\n"
        L"Without -Apply it shows what the task list would change and changes nothing.\n"
        L"\nExit status:\n"
        L"  0  everything asked was done without error (or this help)\n"
        L"  1  the job completed with errors\n"
        L"  2  invalid command line or failed validation\n"
        L"  3  a job was asked for but refused or not confirmed";
    return text;
}

}  // namespace torvane
