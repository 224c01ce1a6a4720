#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "platform/number_text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

TaskResult ApplyAttributeTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context) {
    // ATTR is added as read, bits outside the seven included.
    const auto bits = static_cast<std::uint32_t>(
        ReadDecimalInt32(GetTaskField(definition, kFieldAttributes, L"0")));
    TaskPattern pattern(GetTaskField(definition, kFieldFind, L""),
                        IsFlagOn(GetTaskField(definition, kFieldRegex, kFalse)), context.settings,
                        context.dialogs);
    for (FileEntry& entry : entries) {
        if (PassedOver(entry, context.settings))
            continue;
        bool matched = false;
        if (pattern.Match(entry.name, matched) != TaskResult::Ok) {
            return TaskResult::InvalidExpression;
        }
        if (matched)
            entry.attributes = (entry.attributes & ~kTaskAttributeMask) | bits;
    }
    return TaskResult::Ok;
}

}  // namespace torvane
