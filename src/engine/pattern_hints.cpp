#include "engine/pattern_hints.hpp"

#include "engine/task_pattern.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

// A plain pattern shows nothing; a question would be answered No.
class NoDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kNo;
    }
};

// The pattern of an attribute task that looks like a wildcard pattern but is
// matched letter for letter, or nullopt.
std::optional<std::wstring> PlainPatternWithWildcards(const std::wstring& definition) {
    if (GetTaskKeyword(definition) != kAttributeKeyword ||
        IsFlagOn(GetTaskField(definition, kFieldRegex, kFalse)) ||
        IsFlagOn(GetTaskField(definition, kFieldWildcard, kFalse)))
        return std::nullopt;
    std::wstring find = GetTaskField(definition, kFieldFind, L"");
    if (find.find_first_of(L"*?") == std::wstring::npos)
        return std::nullopt;
    return find;
}

// Whether the plain pattern covers a name of the plan, as the task matches it.
bool CoversAName(const JobPlan& plan, const std::wstring& find, const EngineSettings& settings) {
    NoDialogs dialogs;
    TaskPattern pattern(find, false, settings, dialogs);
    const auto covers = [&pattern](const FileEntries& entries) {
        for (const FileEntry& entry : entries) {
            bool matched = false;
            if (pattern.Match(entry.name.wide(), matched) == TaskResult::Ok && matched)
                return true;
        }
        return false;
    };
    for (const PlannedFolder& folder : plan.folders) {
        if (covers(folder.current) || covers(folder.updated))
            return true;
    }
    return false;
}

}  // namespace

std::vector<PlanMessage> PatternHints(const JobPlan& plan, const TaskList& tasks,
                                      const EngineSettings& settings) {
    std::vector<PlanMessage> hints;
    for (const TaskItem& task : tasks) {
        const auto find = PlainPatternWithWildcards(task.definition);
        if (!find || CoversAName(plan, *find, settings))
            continue;
        hints.push_back(PlanMessage{
            L"No name is \"" + Outside(*find) +
                L"\": an attribute task's pattern is a whole name, letter for letter. For * and ? "
                L"as wildcards, make it a wildcard pattern (torvane-cli: -Wildcard after the "
                L"task; the attribute page: Wildcard).",
            std::wstring(kHintCaption), MessageIcon::kInformation});
    }
    return hints;
}

}  // namespace torvane
