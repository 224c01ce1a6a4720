#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace torvane {

// The three kinds of task, by the codes that travel beside a field record.
enum TaskKind : int {
    TASK_KIND_RENAME = 50,
    TASK_KIND_TIMESTAMP = 51,
    TASK_KIND_ATTRIBUTE = 52,
};

inline constexpr std::wstring_view kRenameKeyword = L"$FileName";
inline constexpr std::wstring_view kTimestampKeyword = L"$FileDate";
inline constexpr std::wstring_view kAttributeKeyword = L"$System";
// A rename or timestamp task that uses fields, a scope or a numbering order
// is written under a keyword of its own, so that a reader that knows only
// the three above skips the line instead of applying a different change.
inline constexpr std::wstring_view kRenameFieldsKeyword = L"$FileNameEx";
inline constexpr std::wstring_view kTimestampFieldsKeyword = L"$FileDateEx";

// The separator that ends the keyword and every field value.
inline constexpr std::wstring_view kFieldSeparator = L"<>";

// The four-letter keys of the fields.
inline constexpr std::wstring_view kFieldFind = L"FIND";
inline constexpr std::wstring_view kFieldReplace = L"REPL";
inline constexpr std::wstring_view kFieldNumbering = L"SYMB";
inline constexpr std::wstring_view kFieldStartNumber = L"SNUM";
inline constexpr std::wstring_view kFieldRegex = L"REGX";
inline constexpr std::wstring_view kFieldTimeKind = L"FORM";
inline constexpr std::wstring_view kFieldAttributes = L"ATTR";
// Attribute tasks: FIND is a wildcard pattern (* any characters, ? one).
// Written only when on, after the other fields, so every other definition
// stays as it was; a reader that doesn't know the key ignores it (every
// reader looks fields up by their own keys), and REGX=TRUE wins over it.
inline constexpr std::wstring_view kFieldWildcard = L"WILD";
// Rename and timestamp tasks: REPL holds fields ({taken:%Y}, {{ for "{").
inline constexpr std::wstring_view kFieldUseFields = L"FLDS";
// Rename tasks: the part of the name a task works on (kScope*), and the
// field numbering follows (kNumberBy*); both only under the new keyword.
inline constexpr std::wstring_view kFieldScope = L"SCOP";
inline constexpr std::wstring_view kFieldNumberBy = L"NUMB";

// Values of SCOP; a missing field is the whole name.
inline constexpr std::wstring_view kScopeWhole = L"whole";
inline constexpr std::wstring_view kScopeName = L"name";
inline constexpr std::wstring_view kScopeExtension = L"ext";

// Values of NUMB; a missing field is the list's order.
inline constexpr std::wstring_view kNumberByList = L"";
inline constexpr std::wstring_view kNumberByTaken = L"taken";
inline constexpr std::wstring_view kNumberByModified = L"modified";
inline constexpr std::wstring_view kNumberByCreated = L"created";
inline constexpr std::wstring_view kNumberBySize = L"size";
inline constexpr std::wstring_view kNumberByName = L"name";

// Flag values as written; a flag is on only when its value is exactly kTrue.
inline constexpr std::wstring_view kTrue = L"TRUE";
inline constexpr std::wstring_view kFalse = L"FALSE";

// True when a flag value is exactly "TRUE".
inline bool IsFlagOn(std::wstring_view value) {
    return value == kTrue;
}

// Time kinds of a timestamp task (its FORM field).
inline constexpr std::wstring_view kTimeKindCreated = L"Created";
inline constexpr std::wstring_view kTimeKindModified = L"Modified";
inline constexpr std::wstring_view kTimeKindAccessed = L"Accessed";

// The seven attribute bits a task shows and sets (Read-only, Hidden, System,
// Archive, Compress, Not-content-indexed, Encrypt).
inline constexpr std::uint32_t kTaskAttributeMask = 0x6827;

// Field records: one task on its way between an editor page and the main
// window. Every member after id and name holds a field value in its encoded
// text form; a default-constructed record is the fresh record.
struct RenameTaskFields {
    std::uint32_t id = 0;  // 0: a new task
    std::wstring name;
    std::wstring find;                               // FIND
    std::wstring replace;                            // REPL
    std::wstring numbering = std::wstring(kFalse);   // SYMB
    std::wstring startNumber = L"0";                 // SNUM
    std::wstring regex = std::wstring(kFalse);       // REGX
    std::wstring fields = std::wstring(kFalse);      // FLDS
    std::wstring scope = std::wstring(kScopeWhole);  // SCOP
    std::wstring numberBy;                           // NUMB

    // Whether it needs the keyword of its own (kRenameFieldsKeyword).
    bool Extended() const {
        return IsFlagOn(fields) || (!scope.empty() && scope != kScopeWhole) || !numberBy.empty();
    }
    bool operator==(const RenameTaskFields&) const = default;
};

struct TimestampTaskFields {
    std::uint32_t id = 0;
    std::wstring name;
    std::wstring find;                           // FIND
    std::wstring replace;                        // REPL
    std::wstring timeKind;                       // FORM
    std::wstring regex = std::wstring(kFalse);   // REGX
    std::wstring fields = std::wstring(kFalse);  // FLDS

    bool Extended() const { return IsFlagOn(fields); }
    bool operator==(const TimestampTaskFields&) const = default;
};

struct AttributeTaskFields {
    std::uint32_t id = 0;
    std::wstring name;
    std::wstring find;                             // FIND: pattern for the whole name
    std::wstring attributes = L"0";                // ATTR, decimal
    std::wstring regex = std::wstring(kFalse);     // REGX
    std::wstring wildcard = std::wstring(kFalse);  // WILD, written only when "TRUE"

    bool operator==(const AttributeTaskFields&) const = default;
};

// One record of any kind; the alternative is the kind.
using TaskFields = std::variant<RenameTaskFields, TimestampTaskFields, AttributeTaskFields>;

// The kind code (50, 51 or 52) of a record.
TaskKind KindOf(const TaskFields& fields);

// The id and name of a record of any kind.
std::uint32_t IdOf(const TaskFields& fields);
const std::wstring& NameOf(const TaskFields& fields);
void SetIdAndName(TaskFields& fields, std::uint32_t id, std::wstring name);

// The definition for a record: the kind's keyword, every field of the kind in
// its written order with the record's strings inserted verbatim, and a
// closing "<>". The record's id and name are not part of it. A record that
// uses fields, a scope or a numbering order (Extended) is written under the
// kind's keyword of its own with FLDS, SCOP and NUMB after the others, each
// only when not at its default; any other record exactly as before them.
std::wstring BuildTaskDefinition(const TaskFields& fields);

// The keyword of a definition: the text before its first "<>" (empty when it
// has none).
std::wstring_view GetTaskKeyword(std::wstring_view definition);

// A field value: the text after the first "<>KEY=" anywhere in the definition
// up to the next "<>" (empty when none follows), or `fallback` when the marker
// is missing. Keys are case-sensitive.
std::wstring GetTaskField(std::wstring_view definition, std::wstring_view key,
                          std::wstring_view fallback);

// The kind of a keyword (a kind's own or its extended one), or nullopt when
// it is none of them.
std::optional<TaskKind> KindOfKeyword(std::wstring_view keyword);

// The record for a definition, each member read with GetTaskField and the
// defaults of a fresh record; id 0 and an empty name (the caller sets them).
// nullopt when the keyword is of no known kind.
std::optional<TaskFields> ParseTaskDefinition(std::wstring_view definition);

}  // namespace torvane
