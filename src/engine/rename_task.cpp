#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>

#include "engine/apply_task.hpp"
#include "engine/messages.hpp"
#include "engine/replacement_fields.hpp"
#include "engine/task_branches.hpp"
#include "engine/task_pattern.hpp"
#include "filelist/logical_compare.hpp"
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
    const std::wstring extension = ExtensionOfName(entry.name);
    if (icons.current != nullptr && index < icons.current->size()) {
        const FileEntry& shown = (*icons.current)[index];
        if (EqualsIgnoringAsciiCase(ExtensionOfName(shown.name), extension)) {
            entry.iconIndex = shown.iconIndex;
            return;
        }
    }
    if (const auto row = icons.cache->Find(extension)) {
        entry.iconIndex = *row;
        return;
    }
    entry.iconIndex = icons.cache->Append(entry.name.wide(), extension);
}

enum class Scope { kWhole, kName, kExtension };

Scope ScopeOf(std::wstring_view value) {
    if (value == kScopeName)
        return Scope::kName;
    if (value == kScopeExtension)
        return Scope::kExtension;
    return Scope::kWhole;
}

// The part of a name a task works on, with what is kept before and after it.
struct NamePart {
    std::wstring part;
    std::wstring before;     // the name without its extension, for the extension
    std::wstring after;      // the extension with its dot, for the name
    bool extension = false;  // a dot goes between `before` and a part left not empty
};

// The part of the entry's name in `scope`; nullopt when it has none (a
// folder has no extension).
std::optional<NamePart> PartOf(const FileEntry& entry, Scope scope) {
    if (scope == Scope::kWhole)
        return NamePart{entry.name.wide(), {}, {}, false};
    const std::wstring name = entry.name.wide();
    const std::wstring ext = entry.IsFolder() ? std::wstring() : ExtensionOf(name);
    std::wstring stem = name.substr(0, name.size() - ext.size());
    if (scope == Scope::kName)
        return NamePart{std::move(stem), {}, ext, false};
    if (entry.IsFolder())
        return std::nullopt;
    return NamePart{ext.empty() ? ext : ext.substr(1), std::move(stem), {}, true};
}

std::wstring Joined(const NamePart& p) {
    return p.before + (p.extension && !p.part.empty() ? L"." : L"") + p.part + p.after;
}

// The value an entry is numbered by; nullopt when it has none.
std::optional<std::int64_t> OrderKey(const FileEntry& entry, std::size_t position,
                                     std::wstring_view by, FieldValues& values) {
    if (by == kNumberByModified)
        return entry.modified;
    if (by == kNumberByCreated)
        return entry.created;
    if (by == kNumberBySize) {
        const auto& size = values.At(position, kMetadataSize).size;
        return size ? std::optional<std::int64_t>(static_cast<std::int64_t>(*size)) : std::nullopt;
    }
    return values.At(position, kMetadataImage).taken;  // kNumberByTaken
}

// The positions in the order numbers are given: the list's, or by `by` with
// ties (and entries without the value, last) in the list's order, which is
// by name; "name" is the names' natural order as they are now.
std::vector<std::size_t> NumberingOrder(const FileEntries& entries, std::wstring_view by,
                                        FieldValues& values) {
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (by == kNumberByName) {
        std::vector<std::wstring> names;
        names.reserve(entries.size());
        for (const FileEntry& entry : entries)
            names.push_back(entry.name.wide());
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return LogicalCompare(names[a], names[b]) < 0;
        });
    } else if (by == kNumberByTaken || by == kNumberByModified || by == kNumberByCreated ||
               by == kNumberBySize) {
        std::vector<std::optional<std::int64_t>> keys(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            keys[i] = OrderKey(entries[i], i, by, values);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (!keys[a] || !keys[b])
                return keys[a].has_value() && !keys[b].has_value();
            return *keys[a] < *keys[b];
        });
    }
    return order;
}

// One application of a rename task: its fields read once, then each entry.
class RenameRun {
  public:
    RenameRun(const RenameTaskFields& task, const ApplyContext& context)
        : task_(task),
          context_(context),
          numbering_(IsFlagOn(task.numbering)),
          scope_(ScopeOf(task.scope)),
          pattern_(task.find, IsFlagOn(task.regex), context.settings, context.dialogs) {}

    TaskResult Run(FileEntries& entries) {
        const auto start = ReadDecimalInt32InRange(task_.startNumber);
        if (numbering_ && !start) {
            ShowError(context_.dialogs, StartNumberOutOfRangeMessage(task_.startNumber));
            return TaskResult::Failed;
        }
        next_ = start.value_or(0);
        if (IsFlagOn(task_.fields)) {
            std::wstring error;
            fields_ = ParseFieldTemplate(task_.replace, error);
            if (!fields_) {
                ShowError(context_.dialogs, InvalidReplacementMessage(error));
                return TaskResult::InvalidExpression;
            }
        }
        for (const std::size_t i : Order(entries)) {
            if (PassedOver(entries[i], context_.settings))
                continue;
            if (const TaskResult r = RenameEntry(entries[i], i); r != TaskResult::Ok)
                return r;
            if (context_.mode == ApplyMode::PreviewMode)
                UpdatePreviewIcon(entries[i], i, context_.icons);
        }
        return TaskResult::Ok;
    }

  private:
    std::vector<std::size_t> Order(const FileEntries& entries) {
        if (!numbering_ || task_.numberBy.empty() || context_.fields == nullptr) {
            std::vector<std::size_t> order(entries.size());
            std::iota(order.begin(), order.end(), std::size_t{0});
            return order;
        }
        return pattern_.Untimed(
            [&] { return NumberingOrder(entries, task_.numberBy, *context_.fields); });
    }

    TaskResult RenameEntry(FileEntry& entry, std::size_t position) {
        auto part = PartOf(entry, scope_);
        if (!part)
            return TaskResult::Ok;
        // A number is used up only by an entry whose name the task changes;
        // one past the largest is never given (nor wrapped to a negative).
        const auto counter = static_cast<std::int32_t>(std::min<std::int64_t>(next_, INT32_MAX));
        const auto format = Format(entry, position, part->part, counter);
        if (!format)
            return format.error;
        bool changed = false;
        if (pattern_.Replace(part->part, format.text, &changed) != TaskResult::Ok)
            return TaskResult::InvalidExpression;
        if (numbering_ && changed && next_ > INT32_MAX) {
            ShowError(context_.dialogs, NumberingPastRangeMessage(entry.name.wide()));
            return TaskResult::Failed;
        }
        if (numbering_ && changed)
            ++next_;
        if (changed)
            entry.name = Joined(*part);
        return TaskResult::Ok;
    }

    struct FormatText {
        std::wstring text;
        bool skip = false;  // the entry is left alone (a field without a value)
        TaskResult error = TaskResult::Ok;
        explicit operator bool() const { return !skip && error == TaskResult::Ok; }
    };

    // The replacement for one entry: numbered, its fields filled in.
    FormatText Format(const FileEntry& entry, std::size_t position, const std::wstring& part,
                      std::int32_t counter) {
        FormatText out;
        if (!fields_) {
            if (numbering_)
                NumberReplacementInto(out.text, task_.replace, counter);
            else
                out.text = task_.replace;
            return out;
        }
        // A field is read only for an entry the replacement is used for.
        bool found = false;
        if (pattern_.Search(part, found) != TaskResult::Ok) {
            out.error = TaskResult::InvalidExpression;
            return out;
        }
        out.skip = !found;
        if (!found)
            return out;
        const auto literal = [&](std::wstring_view text) {
            std::int32_t copy = counter;
            return numbering_ ? NumberReplacement(text, copy) : std::wstring(text);
        };
        std::wstring missing;
        auto text = pattern_.Untimed([&] {
            return ExpandFields(*fields_, entry, position, *context_.fields, FieldTarget::kName,
                                literal, missing);
        });
        if (!text) {
            if (context_.misses != nullptr)
                context_.misses->push_back(FieldMiss{position, missing, kFieldColumnName});
            out.skip = true;
            return out;
        }
        out.text = std::move(*text);
        return out;
    }

    const RenameTaskFields& task_;
    const ApplyContext& context_;
    const bool numbering_;
    const Scope scope_;
    TaskPattern pattern_;
    std::optional<FieldTemplate> fields_;
    // The next number to give: past the largest one only once that one is used.
    std::int64_t next_ = 0;
};

}  // namespace

std::wstring NumberReplacement(std::wstring_view replacement, std::int32_t& counter) {
    std::wstring out;
    NumberReplacementInto(out, replacement, counter);
    return out;
}

TaskResult ApplyRenameTask(std::wstring_view definition, FileEntries& entries,
                           const ApplyContext& context) {
    const auto parsed = ParseTaskDefinition(definition);
    if (!parsed || !std::holds_alternative<RenameTaskFields>(*parsed))
        return TaskResult::Failed;
    return RenameRun(std::get<RenameTaskFields>(*parsed), context).Run(entries);
}

}  // namespace torvane
