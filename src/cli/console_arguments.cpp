#include "cli/console_arguments.hpp"

#include <optional>
#include <string_view>

#include "platform/text.hpp"

namespace torvane {
namespace {

template <typename Value>
struct NamedValue {
    std::wstring_view name;
    Value value;
};

constexpr NamedValue<Retrieve> kRetrieveValues[] = {
    {L"files", Retrieve::kFiles},
    {L"folders", Retrieve::kFolders},
    {L"both", Retrieve::kFilesAndFolders},
};

constexpr NamedValue<HiddenSystem> kHiddenValues[] = {
    {L"none", HiddenSystem::kNone},
    {L"hidden", HiddenSystem::kHidden},
    {L"hidden-no-system", HiddenSystem::kHiddenNoSystem},
    {L"system", HiddenSystem::kSystem},
    {L"all", HiddenSystem::kHiddenAndSystem},
};

enum class ConsoleSwitch { kRetrieve, kSubFolders, kHidden, kSkipProblems };

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
    if (name == L"skipproblems")
        return ConsoleSwitch::kSkipProblems;
    return std::nullopt;
}

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const NamedValue<Value> (&values)[N], std::wstring_view text) {
    const std::wstring lowered = AsciiLower(text);
    for (const auto& v : values) {
        if (v.name == lowered)
            return v.value;
    }
    return std::nullopt;
}

// Stores a switch's value when it named one; false when it did not.
template <typename Value>
bool Take(const std::optional<Value>& value, Value& option) {
    if (value)
        option = *value;
    return value.has_value();
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
            out.options.includeSubfolders = true;
            continue;
        }
        if (*which == ConsoleSwitch::kSkipProblems) {
            out.skipProblems = true;
            continue;
        }
        if (i + 1 == arguments.size()) {
            out.invalid = true;
            break;
        }
        const std::wstring& text = arguments[++i];
        const bool known = *which == ConsoleSwitch::kRetrieve
                               ? Take(ValueOf(kRetrieveValues, text), out.options.retrieve)
                               : Take(ValueOf(kHiddenValues, text), out.options.hiddenSystem);
        if (!known)
            out.invalid = true;
    }
    return out;
}

}  // namespace torvane
