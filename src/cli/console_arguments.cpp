#include "cli/console_arguments.hpp"

#include <optional>
#include <string_view>

#include "platform/text.hpp"

namespace torvane {
namespace {

struct NamedValue {
    std::wstring_view name;
    int value;
};

constexpr NamedValue kRetrieveValues[] = {
    {L"files", kRetrieveFilesOnly},
    {L"folders", kRetrieveFoldersOnly},
    {L"both", kRetrieveFilesAndFolders},
};

constexpr NamedValue kHiddenValues[] = {
    {L"none", kNoHiddenOrSystem},
    {L"hidden", kIncludeHidden},
    {L"hidden-no-system", kIncludeHiddenNoSystem},
    {L"system", kIncludeSystem},
    {L"all", kIncludeHiddenAndSystem},
};

enum class ConsoleSwitch { kRetrieve, kSubFolders, kHidden };

// The console switch an argument names, if it is one.
std::optional<ConsoleSwitch> ConsoleSwitchOf(std::wstring_view argument) {
    if (argument.empty() || (argument.front() != L'-' && argument.front() != L'/'))
        return std::nullopt;
    const std::wstring name = AsciiLower(argument.substr(1));
    if (name == L"retrieve")
        return ConsoleSwitch::kRetrieve;
    if (name == L"subfolders")
        return ConsoleSwitch::kSubFolders;
    if (name == L"hidden")
        return ConsoleSwitch::kHidden;
    return std::nullopt;
}

template <std::size_t N>
std::optional<int> ValueOf(const NamedValue (&values)[N], std::wstring_view text) {
    const std::wstring lowered = AsciiLower(text);
    for (const auto& v : values) {
        if (v.name == lowered)
            return v.value;
    }
    return std::nullopt;
}

}  // namespace

ConsoleArguments ExtractConsoleSwitches(const std::vector<std::wstring>& arguments) {
    ConsoleArguments out;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto which = ConsoleSwitchOf(arguments[i]);
        if (!which) {
            out.desktopArguments.push_back(arguments[i]);
            continue;
        }
        if (*which == ConsoleSwitch::kSubFolders) {
            out.options.includeSubfolders = 1;
            continue;
        }
        if (i + 1 == arguments.size()) {
            out.invalid = true;
            break;
        }
        const std::wstring& text = arguments[++i];
        const auto value = *which == ConsoleSwitch::kRetrieve ? ValueOf(kRetrieveValues, text)
                                                              : ValueOf(kHiddenValues, text);
        if (!value) {
            out.invalid = true;
            continue;
        }
        (*which == ConsoleSwitch::kRetrieve ? out.options.retrieveOption
                                            : out.options.hiddenSystemOption) = *value;
    }
    return out;
}

}  // namespace torvane
