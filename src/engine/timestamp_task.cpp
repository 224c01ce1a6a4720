#include <optional>

#include "engine/messages.hpp"
#include "engine/replacement_fields.hpp"
#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "platform/date_text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

// The entry field a FORM value names, or null for any other value.
std::int64_t FileEntry::*TimeField(std::wstring_view kind) {
    if (kind == kTimeKindCreated)
        return &FileEntry::created;
    if (kind == kTimeKindModified)
        return &FileEntry::modified;
    if (kind == kTimeKindAccessed)
        return &FileEntry::accessed;
    return nullptr;
}

// The FieldColumn of a time.
unsigned ColumnOf(std::int64_t FileEntry::*field) {
    if (field == &FileEntry::created)
        return kFieldColumnCreated;
    return field == &FileEntry::modified ? kFieldColumnModified : kFieldColumnAccessed;
}

// The time a replaced date text stands for: its local calendar time, or 0
// for a year up to 1899. nullopt, after the message that says why, when the
// text is no date or a date that can't be stored (1900 to 1969, or beyond
// the time type).
// `was` is the time the text was made from: in the hour repeated when
// summer time ends, the result keeps its offset from UTC.
std::optional<std::int64_t> TimeOfDateText(const std::wstring& text, std::int64_t was,
                                           Dialogs& dialogs) {
    const auto fields = ParseDateText(text);
    if (!fields) {
        ShowError(dialogs, NotADateMessage(text));
        return std::nullopt;
    }
    if (fields->year <= 1899)
        return 0;
    const auto time = fields->year >= 1970 ? LocalFieldsToTime(*fields, was) : std::nullopt;
    if (!time)
        ShowError(dialogs, DateOutOfRangeMessage(text));
    return time;
}

struct Filled {
    TaskResult result = TaskResult::Ok;
    std::optional<std::wstring> text;  // empty: the entry is left alone
};

// The replacement with the entry's fields filled in, for a time text the
// pattern is found in; a field without a value is noted as missing.
Filled FilledReplacement(const FieldTemplate& fields, const FileEntry& entry, std::size_t position,
                         const std::wstring& text, TaskPattern& pattern, unsigned column,
                         const ApplyContext& context) {
    Filled out;
    bool found = false;
    out.result = pattern.Search(text, found);
    if (out.result != TaskResult::Ok || !found)
        return out;
    std::wstring missing;
    out.text = pattern.Untimed([&] {
        return ExpandFields(
            fields, entry, position, *context.fields, FieldTarget::kTime,
            [](std::wstring_view literal) { return std::wstring(literal); }, missing);
    });
    if (!out.text && context.misses != nullptr)
        context.misses->push_back(FieldMiss{position, missing, column});
    return out;
}

}  // namespace

TaskResult ApplyTimestampTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context) {
    const auto parsed = ParseTaskDefinition(definition);
    if (!parsed || !std::holds_alternative<TimestampTaskFields>(*parsed))
        return TaskResult::Failed;
    const auto& task = std::get<TimestampTaskFields>(*parsed);
    const auto field = TimeField(task.timeKind);
    if (field == nullptr)
        return TaskResult::Ok;
    std::optional<FieldTemplate> fields;
    if (IsFlagOn(task.fields)) {
        std::wstring error;
        fields = ParseFieldTemplate(task.replace, error);
        if (!fields) {
            ShowError(context.dialogs, InvalidReplacementMessage(error));
            return TaskResult::InvalidExpression;
        }
    }
    TaskPattern pattern(task.find, IsFlagOn(task.regex), context.settings, context.dialogs);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        FileEntry& entry = entries[i];
        if (PassedOver(entry, context.settings))
            continue;
        const std::wstring before = FormatDateText(entry.*field);
        std::wstring text = before;
        std::wstring replacement = task.replace;
        if (fields) {
            const auto filled =
                FilledReplacement(*fields, entry, i, text, pattern, ColumnOf(field), context);
            if (filled.result != TaskResult::Ok)
                return filled.result;
            if (!filled.text)
                continue;  // not found, or a field without a value
            replacement = *filled.text;
        }
        if (pattern.Replace(text, replacement) != TaskResult::Ok) {
            return TaskResult::InvalidExpression;
        }
        // Read back even when nothing was replaced, so a text that can't be
        // stored fails as it always did; but an unchanged text keeps the
        // time exactly as it was: in the hour repeated when summer time
        // ends, reading it back could give the other occurrence.
        const auto time = TimeOfDateText(text, entry.*field, context.dialogs);
        if (!time)
            return TaskResult::Failed;
        if (text != before)
            entry.*field = *time;
    }
    return TaskResult::Ok;
}

}  // namespace torvane
