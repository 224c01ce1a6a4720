#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "platform/number_text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

std::wstring WildcardExpression(std::wstring_view wildcard) {
    constexpr std::wstring_view kSpecial = L"\\^$.|+()[]{}";
    // (?s): a name may hold a line break, and * covers it too.
    std::wstring expression = L"(?s)";
    for (std::size_t i = 0; i < wildcard.size(); ++i) {
        const wchar_t c = wildcard[i];
        if (c == L'*') {
            // A run of stars is one: each more would only add backtracking.
            if (i == 0 || wildcard[i - 1] != L'*')
                expression += L".*";
        } else if (c == L'?') {
            expression += L'.';
        } else {
            if (kSpecial.find(c) != std::wstring_view::npos)
                expression += L'\\';
            expression += c;
        }
    }
    return expression;
}

TaskResult ApplyAttributeTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context) {
    // ATTR is added as read, bits outside the seven included.
    const auto bits = static_cast<std::uint32_t>(
        ReadDecimalInt32(GetTaskField(definition, kFieldAttributes, L"0")));
    std::wstring find = GetTaskField(definition, kFieldFind, L"");
    const bool regex = IsFlagOn(GetTaskField(definition, kFieldRegex, kFalse));
    // A wildcard pattern is matched as the expression it stands for; REGX
    // wins when both are set, as a reader that knows no WILD reads the task.
    const bool wildcard = !regex && IsFlagOn(GetTaskField(definition, kFieldWildcard, kFalse));
    if (wildcard)
        find = WildcardExpression(find);
    TaskPattern pattern(std::move(find), regex || wildcard, context.settings, context.dialogs);
    for (FileEntry& entry : entries) {
        if (PassedOver(entry, context.settings))
            continue;
        bool matched = false;
        if (pattern.Match(entry.name.wide(), matched) != TaskResult::Ok) {
            return TaskResult::InvalidExpression;
        }
        if (matched)
            entry.attributes = (entry.attributes & ~kTaskAttributeMask) | bits;
    }
    return TaskResult::Ok;
}

}  // namespace torvane
