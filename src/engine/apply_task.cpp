#include "engine/apply_task.hpp"

#include <algorithm>
#include <optional>

#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

NewEntries ComputeNewEntries(const FileEntries& entries, const TaskList& tasks,
                             const ApplyContext& context) {
    NewEntries out{entries, TaskResult::Ok, {}};
    std::optional<FieldValues> ownValues;
    if (context.fields == nullptr)
        ownValues.emplace(entries, nullptr);
    ApplyContext withFields = context;
    withFields.fields = context.fields != nullptr ? context.fields : &*ownValues;
    withFields.misses = &out.misses;
    for (const auto& task : tasks) {
        out.result = ApplyTask(task.definition, out.entries, withFields);
        if (out.result != TaskResult::Ok) {
            out.entries = entries;
            out.misses.clear();
            break;
        }
    }
    // One finding an entry: the first field it missed, with every value a
    // miss left as it was.
    std::stable_sort(
        out.misses.begin(), out.misses.end(),
        [](const FieldMiss& a, const FieldMiss& b) { return a.position < b.position; });
    std::vector<FieldMiss> merged;
    for (FieldMiss& miss : out.misses) {
        if (!merged.empty() && merged.back().position == miss.position)
            merged.back().columns |= miss.columns;
        else
            merged.push_back(std::move(miss));
    }
    out.misses = std::move(merged);
    return out;
}

TaskResult ApplyTask(std::wstring_view definition, FileEntries& entries,
                     const ApplyContext& context) {
    const auto kind = KindOfKeyword(GetTaskKeyword(definition));
    if (!kind)
        return TaskResult::Failed;
    if (context.fields == nullptr) {
        // Values of this call's own, without a folder to read in: the
        // metadata fields have no value.
        FieldValues values(entries, nullptr);
        ApplyContext withFields = context;
        withFields.fields = &values;
        return ApplyTask(definition, entries, withFields);
    }
    switch (*kind) {
        case TASK_KIND_RENAME:
            return ApplyRenameTask(definition, entries, context);
        case TASK_KIND_TIMESTAMP:
            return ApplyTimestampTask(definition, entries, context);
        case TASK_KIND_ATTRIBUTE:
            return ApplyAttributeTask(definition, entries, context);
    }
    return TaskResult::Failed;
}

bool PassedOver(const FileEntry& entry, const EngineSettings& settings) {
    switch (settings.attributeTarget) {
        case AttributeTarget::kFiles:
            return entry.IsFolder();
        case AttributeTarget::kFolders:
            return !entry.IsFolder();
        case AttributeTarget::kBoth:
            return false;
    }
    return false;
}

TaskResult ReplaceText(const std::wstring& find, const std::wstring& replacement,
                       std::wstring& text, bool useRegex, const EngineSettings& settings,
                       Dialogs& dialogs) {
    return TaskPattern(find, useRegex, settings, dialogs).Replace(text, replacement);
}

NameMatch MatchName(const std::wstring& pattern, const std::wstring& name, bool useRegex,
                    const EngineSettings& settings, Dialogs& dialogs) {
    NameMatch out;
    out.result = TaskPattern(pattern, useRegex, settings, dialogs).Match(name, out.matched);
    return out;
}

}  // namespace torvane
