#include "app/task_list_texts.hpp"

#include <cstdint>
#include <initializer_list>
#include <variant>

#include "platform/file_attributes.hpp"
#include "platform/file_system.hpp"
#include "platform/number_text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kCrLf = L"\r\n";

std::wstring Line(std::wstring_view label, std::wstring_view value) {
    return std::wstring(label) + std::wstring(value) + std::wstring(kCrLf);
}

// A rename's part of the name other than the whole, as a sentence and a tip
// say it; empty for the whole name.
std::wstring ScopeText(const RenameTaskFields& f) {
    if (f.scope == kScopeName)
        return L"name without extension";
    if (f.scope == kScopeExtension)
        return L"extension";
    return L"";
}

// The lines of the options only an extended task has, each only when on, so
// that a task of the original form keeps its tip as it was.
std::wstring ExtendedLines(const std::wstring& fields, const std::wstring& scope,
                           const std::wstring& numberBy) {
    std::wstring lines;
    if (IsFlagOn(fields))
        lines += Line(L"Use Fields: ", kTrue);
    if (!scope.empty())
        lines += Line(L"Change: ", scope);
    if (!numberBy.empty())
        lines += Line(L"Number By: ", numberBy);
    return lines;
}

std::wstring RenameTip(const std::wstring& name, const RenameTaskFields& f) {
    return Line(L"Task Name: ", name) + Line(L"Search String: ", f.find) +
           Line(L"Use Regex: ", f.regex) + Line(L"Replace String: ", f.replace) +
           ExtendedLines(f.fields, ScopeText(f), f.numberBy) + Line(L"Replace #'s: ", f.numbering) +
           L"Starting Number: " + f.startNumber;
}

std::wstring TimestampTip(const std::wstring& name, const TimestampTaskFields& f) {
    return Line(L"Task Name: ", name) + Line(L"Date Type: ", f.timeKind) +
           Line(L"Search String: ", f.find) + Line(L"Use Regex: ", f.regex) +
           Line(L"Replace String: ", f.replace) + ExtendedLines(f.fields, L"", L"");
}

// Whether an attribute task's pattern is matched as a wildcard: WILD on and
// REGX off (REGX wins when both are, as the engine reads the task).
bool IsWildcard(const AttributeTaskFields& f) {
    return IsFlagOn(f.wildcard) && !IsFlagOn(f.regex);
}

std::wstring AttributeTip(const std::wstring& name, const AttributeTaskFields& f) {
    const std::uint32_t word = ReadDecimalUint32(f.attributes);
    std::wstring tip = Line(L"Task Name: ", name) + Line(L"Search String: ", f.find) +
                       Line(L"Use Regex: ", f.regex);
    if (IsWildcard(f))
        tip += Line(L"Use Wildcard: ", kTrue);
    tip += Line(L"Attributes: ", L"");
    for (const auto& a : kShownAttributes)
        tip += Line(L"    " + a.WideCaption() + L": ", a.IsOn(word) ? kTrue : kFalse);
    return tip;
}

constexpr std::wstring_view kArrow = L" \u2192 ";

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

// " (a, b)" of the options that are on; empty when none is.
std::wstring Options(std::initializer_list<std::wstring> options) {
    std::wstring out;
    for (const auto& option : options) {
        if (!option.empty())
            out += (out.empty() ? L" (" : L", ") + option;
    }
    return out.empty() ? out : out + L")";
}

std::wstring RegexOption(const std::wstring& regex) {
    return IsFlagOn(regex) ? L"regular expression" : L"";
}

std::wstring FieldsOption(const std::wstring& fields) {
    return IsFlagOn(fields) ? L"fields" : L"";
}

std::wstring RenameSentence(const RenameTaskFields& f) {
    std::wstring numbered =
        IsFlagOn(f.numbering) ? L"numbered from " + f.startNumber : std::wstring();
    if (!numbered.empty() && !f.numberBy.empty())
        numbered += L" by " + f.numberBy;
    const std::wstring scope = ScopeText(f);
    return L"Rename " + Quoted(f.find) + std::wstring(kArrow) + Quoted(f.replace) +
           Options({RegexOption(f.regex), FieldsOption(f.fields),
                    scope.empty() ? scope : L"the " + scope, numbered});
}

std::wstring TimestampSentence(const TimestampTaskFields& f) {
    const std::wstring kind = f.timeKind.empty() ? L"Time" : f.timeKind;
    return kind + L": " + Quoted(f.find) + std::wstring(kArrow) + Quoted(f.replace) +
           Options({RegexOption(f.regex), FieldsOption(f.fields)});
}

std::wstring AttributeSentence(const AttributeTaskFields& f) {
    const std::uint32_t word = ReadDecimalUint32(f.attributes);
    std::wstring set;
    for (const auto& a : kShownAttributes) {
        if (a.IsOn(word))
            set += (set.empty() ? L"" : L", ") + a.WideCaption();
    }
    const std::wstring kind = IsWildcard(f) ? L"wildcard" : RegexOption(f.regex);
    return L"Attributes of " + Quoted(f.find) + Options({kind}) + L": " +
           (set.empty() ? L"none" : set);
}

}  // namespace

std::wstring TaskSentence(const TaskItem& item) {
    const auto fields = ParseTaskDefinition(item.definition);
    if (!fields)
        return item.definition;
    return std::visit(
        [](const auto& f) -> std::wstring {
            using T = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<T, RenameTaskFields>)
                return RenameSentence(f);
            else if constexpr (std::is_same_v<T, TimestampTaskFields>)
                return TimestampSentence(f);
            else
                return AttributeSentence(f);
        },
        *fields);
}

std::wstring TaskRowText(const TaskItem& item) {
    return item.name.empty() ? TaskSentence(item) : item.name + L": " + TaskSentence(item);
}

std::wstring TaskListCaption(std::wstring_view path) {
    if (path.empty())
        return L"Task List";
    const auto slash = path.find_last_of(kPathSeparator);
    return L"Task List: " +
           std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::wstring> TaskToolTip(const TaskItem& item) {
    const auto fields = ParseTaskDefinition(item.definition);
    if (!fields)
        return std::nullopt;
    return TaskSentence(item) + std::wstring(kCrLf) +
           std::visit(
               [&](const auto& f) -> std::wstring {
                   using T = std::decay_t<decltype(f)>;
                   if constexpr (std::is_same_v<T, RenameTaskFields>)
                       return RenameTip(item.name, f);
                   else if constexpr (std::is_same_v<T, TimestampTaskFields>)
                       return TimestampTip(item.name, f);
                   else
                       return AttributeTip(item.name, f);
               },
               *fields);
}

}  // namespace torvane
