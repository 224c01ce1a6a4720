#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tasks/task_definition.hpp"

namespace torvane {

// What the editor pages decide without widgets: the field record a page's
// values make, the attribute word and its seven boxes, the time kinds, the
// Start At box's numbers, and the texts the pages show.

inline constexpr std::wstring_view kReservedCharacterMessage =
    L"The < and > characters are reserved and cannot be use in an expression.";
inline constexpr std::wstring_view kEmptySearchMessage = L"Search string cannot be empty!";

inline constexpr std::wstring_view kAddButtonText = L"Add To Task List";
inline constexpr std::wstring_view kClearButtonText = L"Clear";
inline constexpr std::wstring_view kModifyButtonText = L"Modify Task Item";
inline constexpr std::wstring_view kCancelButtonText = L"Cancel";

// The range of the Start At box's up-down control.
inline constexpr int kStartAtMinimum = 0;
inline constexpr int kStartAtMaximum = 32767;

// True for the characters that can't be typed into a find or replace box.
bool IsReservedCharacter(wchar_t c);

// The state every page keeps: the modified flag (any change of an edit box's
// text, and the clicks a page names), the id of the task being modified (0 in
// add mode) and whether the page shows a task of the list.
struct PageState {
    bool modified = false;
    std::uint32_t editingId = 0;
    bool modifyMode = false;

    bool operator==(const PageState&) const = default;
};

// What the Add/Modify button does with the page's find text and state: an
// empty find text is reported first; a page that has not been modified sends
// nothing; otherwise the record is sent.
enum class SubmitCheck { kEmptyFind, kNotModified, kSend };
SubmitCheck CheckSubmit(std::wstring_view find, const PageState& state);

// The two button texts for a page in add or modify mode.
struct ButtonTexts {
    std::wstring_view primary;
    std::wstring_view secondary;
};
ButtonTexts ButtonTextsFor(bool modifyMode);

// ---- Rename page ----

struct RenamePageValues {
    std::wstring name;
    std::wstring find;
    std::wstring replace;
    bool regex = false;
    bool numbering = false;
    std::wstring startAt;  // the Start At box's text as shown
    bool fields = false;   // "Use fields"
    int scope = 0;         // the scope list's index (kScopeChoices)
    int numberBy = 0;      // the numbering-order list's index (kNumberByChoices)
};

// The rename page's scope list and numbering-order list: each entry's text
// and the SCOP or NUMB value it stands for, in list order.
struct PageChoice {
    std::wstring_view text;
    std::wstring_view value;
};
inline constexpr PageChoice kScopeChoices[] = {
    {L"Whole name", kScopeWhole},
    {L"Name without extension", kScopeName},
    {L"Extension only", kScopeExtension},
};
inline constexpr PageChoice kNumberByChoices[] = {
    {L"List order", kNumberByList},
    {L"Date taken", kNumberByTaken},
    {L"Modified date", kNumberByModified},
    {L"Created date", kNumberByCreated},
    {L"Size", kNumberBySize},
    {L"Name", kNumberByName},
};

// The list index of a SCOP or NUMB value in `choices`; 0 for any other.
int ChoiceIndexOf(std::span<const PageChoice> choices, std::wstring_view value);

// The record of the page's values for the task `id` (0: a new task). SNUM is
// the Start At text as shown when numbering is on (an empty text stays
// empty), and "0" when it is off; the numbering order only with numbering.
RenameTaskFields RenameRecordOf(const RenamePageValues& values, std::uint32_t id);

// The Start At text after one step of its up-down control (`delta` +1 or -1):
// the number shown (0 for a text without digits), moved and kept within
// kStartAtMinimum..kStartAtMaximum, in plain digits.
std::wstring StepStartAt(std::wstring_view text, int delta);

// ---- Timestamp page ----

struct TimestampPageValues {
    std::wstring name;
    std::wstring find;
    std::wstring replace;
    int timeKind = 1;  // the time-kind list's index
    bool regex = false;
    bool fields = false;  // "Use fields"
};

TimestampTaskFields TimestampRecordOf(const TimestampPageValues& values, std::uint32_t id);

// FORM of a time-kind list index: 0 "Created", 1 "Modified", any other
// "Accessed".
std::wstring_view TimeKindOfIndex(int index);
// The list index of a FORM value, or nullopt for any other text.
std::optional<int> TimeKindIndexOf(std::wstring_view timeKind);

// The time of an entry's times that the time-kind list selects: created for
// 0, modified for 1, accessed for any other index.
std::int64_t TimeOfKind(int index, std::int64_t created, std::int64_t modified,
                        std::int64_t accessed);

// ---- Attribute page ----

struct AttributeBoxes {
    bool archive = false;
    bool hidden = false;
    bool readOnly = false;
    bool system = false;
    bool index = false;
    bool compress = false;
    bool encrypt = false;

    bool operator==(const AttributeBoxes&) const = default;
};

// The attribute word of the boxes, each box's bit as kShownAttributes gives
// it: Archive 0x20, Hidden 0x2, Read-only 0x1, System 0x4, Compress 0x800,
// Encrypt 0x4000, and 0x2000 when Index is NOT checked.
std::uint32_t AttributeWordOf(const AttributeBoxes& boxes);

// The boxes of an ATTR text, read as a signed 32-bit decimal number (no
// digits: 0); Index is checked exactly when 0x2000 is clear.
AttributeBoxes AttributeBoxesOf(std::wstring_view attributes);

// After a click on Compress or Encrypt (whichever state the click left it
// in), the other of the two is unchecked, so both are never checked.
void ExcludeOtherCompression(AttributeBoxes& boxes, bool compressClicked);

struct AttributePageValues {
    std::wstring name;
    std::wstring find;
    bool regex = false;
    AttributeBoxes boxes;
};

// The record of the page's values; ATTR is the word of the boxes in decimal.
AttributeTaskFields AttributeRecordOf(const AttributePageValues& values, std::uint32_t id);

}  // namespace torvane
