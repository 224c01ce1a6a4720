#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/apply_task.hpp"
#include "engine/messages.hpp"
#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "platform/number_text.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

std::int32_t Advance(std::int32_t counter, std::int32_t by) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) +
                                     static_cast<std::uint32_t>(by));
}

// Appends the counter as "%d" writes it, with zeros in front of the whole
// text (a minus sign included) until it is `width` characters long.
void AppendPaddedNumber(std::wstring& out, std::int32_t counter, std::size_t width) {
    const bool negative = counter < 0;
    std::uint32_t magnitude =
        negative ? 0u - static_cast<std::uint32_t>(counter) : static_cast<std::uint32_t>(counter);
    wchar_t digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const std::size_t used = count + (negative ? 1 : 0);
    if (used < width)
        out.append(width - used, L'0');
    if (negative)
        out += L'-';
    while (count > 0)
        out += digits[--count];
}

// NumberReplacement into a buffer that the caller reuses from entry to entry.
void NumberReplacementInto(std::wstring& out, std::wstring_view replacement,
                           std::int32_t& counter) {
    out.clear();
    std::size_t pos = 0;
    while (pos < replacement.size()) {
        const auto run = replacement.find(L'#', pos);
        out.append(replacement.substr(pos, run - pos));
        if (run == std::wstring_view::npos)
            break;
        auto runEnd = replacement.find_first_not_of(L'#', run);
        if (runEnd == std::wstring_view::npos)
            runEnd = replacement.size();
        AppendPaddedNumber(out, counter, runEnd - run);
        pos = runEnd;
    }
    counter = Advance(counter, 1);
}

// Keeps a renamed file's icon in step with its new extension: the icon of
// the entry on show at the same position when the extension is the same
// letter case aside, else the cache's row for it, fetched once and then
// reused. A folder's icon does not depend on its name, so it is kept.
void UpdatePreviewIcon(FileEntry& entry, std::size_t index, const PreviewIcons& icons) {
    if (entry.IsFolder() || icons.cache == nullptr)
        return;
    const std::wstring extension = ExtensionOf(entry.name);
    if (icons.current != nullptr && index < icons.current->size()) {
        const FileEntry& shown = (*icons.current)[index];
        if (EqualsIgnoringAsciiCase(ExtensionOf(shown.name), extension)) {
            entry.iconIndex = shown.iconIndex;
            return;
        }
    }
    if (const auto row = icons.cache->Find(extension)) {
        entry.iconIndex = *row;
        return;
    }
    entry.iconIndex = icons.cache->Append(entry.name, extension);
}

}  // namespace

std::wstring NumberReplacement(std::wstring_view replacement, std::int32_t& counter) {
    std::wstring out;
    NumberReplacementInto(out, replacement, counter);
    return out;
}

TaskResult ApplyRenameTask(std::wstring_view definition, FileEntries& entries,
                           const ApplyContext& context) {
    const std::wstring replacement = GetTaskField(definition, kFieldReplace, L"");
    const bool numbering = IsFlagOn(GetTaskField(definition, kFieldNumbering, kFalse));
    const std::wstring startText = GetTaskField(definition, kFieldStartNumber, L"0");
    const auto start = ReadDecimalInt32InRange(startText);
    if (numbering && !start) {
        ShowError(context.dialogs, StartNumberOutOfRangeMessage(startText));
        return TaskResult::Failed;
    }
    // The next number to give: past the largest one only once that one is used.
    std::int64_t next = start.value_or(0);
    TaskPattern pattern(GetTaskField(definition, kFieldFind, L""),
                        IsFlagOn(GetTaskField(definition, kFieldRegex, kFalse)), context.settings,
                        context.dialogs);
    std::wstring numbered;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        FileEntry& entry = entries[i];
        if (PassedOver(entry, context.settings))
            continue;
        if (!numbering) {
            if (pattern.Replace(entry.name, replacement) != TaskResult::Ok) {
                return TaskResult::InvalidExpression;
            }
        } else {
            // A number is used up only by an entry whose name the task changes;
            // one past the largest is never given (nor wrapped to a negative).
            bool changed = false;
            const std::wstring before = next > INT32_MAX ? entry.name : std::wstring();
            auto counter = static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
            NumberReplacementInto(numbered, replacement, counter);
            if (pattern.Replace(entry.name, numbered, &changed) != TaskResult::Ok) {
                return TaskResult::InvalidExpression;
            }
            if (changed && next > INT32_MAX) {
                ShowError(context.dialogs, NumberingPastRangeMessage(before));
                return TaskResult::Failed;
            }
            if (changed)
                ++next;
        }
        if (context.mode == ApplyMode::PreviewMode)
            UpdatePreviewIcon(entry, i, context.icons);
    }
    return TaskResult::Ok;
}

}  // namespace torvane
