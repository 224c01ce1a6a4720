#include "app/editor_pages.hpp"

#include <algorithm>
#include <array>

#include "platform/file_attributes.hpp"
#include "platform/number_text.hpp"

namespace torvane {
namespace {

std::wstring FlagText(bool on) {
    return std::wstring(on ? kTrue : kFalse);
}

// The box of each shown attribute, in the order of kShownAttributes.
constexpr std::array<bool AttributeBoxes::*, kShownAttributes.size()> kBoxOfAttribute = {
    &AttributeBoxes::archive, &AttributeBoxes::hidden, &AttributeBoxes::readOnly,
    &AttributeBoxes::system,  &AttributeBoxes::index,  &AttributeBoxes::compress,
    &AttributeBoxes::encrypt,
};

}  // namespace

bool IsReservedCharacter(wchar_t c) {
    return c == L'<' || c == L'>';
}

SubmitCheck CheckSubmit(std::wstring_view find, const PageState& state) {
    if (find.empty())
        return SubmitCheck::kEmptyFind;
    return state.modified ? SubmitCheck::kSend : SubmitCheck::kNotModified;
}

ButtonTexts ButtonTextsFor(bool modifyMode) {
    if (modifyMode)
        return {kModifyButtonText, kCancelButtonText};
    return {kAddButtonText, kClearButtonText};
}

RenameTaskFields RenameRecordOf(const RenamePageValues& values, std::uint32_t id) {
    RenameTaskFields record;
    record.id = id;
    record.name = values.name;
    record.find = values.find;
    record.replace = values.replace;
    record.regex = FlagText(values.regex);
    if (values.numbering) {
        record.numbering = FlagText(true);
        record.startNumber = values.startAt;
    }
    record.fields = FlagText(values.fields);
    const auto choice = [](std::span<const PageChoice> choices, int index) {
        return std::wstring(index > 0 && static_cast<std::size_t>(index) < choices.size()
                                ? choices[static_cast<std::size_t>(index)].value
                                : choices[0].value);
    };
    record.scope = choice(kScopeChoices, values.scope);
    if (values.numbering)
        record.numberBy = choice(kNumberByChoices, values.numberBy);
    return record;
}

int ChoiceIndexOf(std::span<const PageChoice> choices, std::wstring_view value) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].value == value)
            return static_cast<int>(i);
    }
    return 0;
}

std::wstring StepStartAt(std::wstring_view text, int delta) {
    const std::int32_t shown = ReadDecimalInt32(text);
    const std::int64_t moved = std::int64_t{shown} + delta;
    return std::to_wstring(std::clamp<std::int64_t>(moved, kStartAtMinimum, kStartAtMaximum));
}

TimestampTaskFields TimestampRecordOf(const TimestampPageValues& values, std::uint32_t id) {
    TimestampTaskFields record;
    record.id = id;
    record.name = values.name;
    record.find = values.find;
    record.replace = values.replace;
    record.timeKind = std::wstring(TimeKindOfIndex(values.timeKind));
    record.regex = FlagText(values.regex);
    record.fields = FlagText(values.fields);
    return record;
}

std::wstring_view TimeKindOfIndex(int index) {
    if (index == 0)
        return kTimeKindCreated;
    return index == 1 ? kTimeKindModified : kTimeKindAccessed;
}

std::optional<int> TimeKindIndexOf(std::wstring_view timeKind) {
    if (timeKind == kTimeKindCreated)
        return 0;
    if (timeKind == kTimeKindModified)
        return 1;
    if (timeKind == kTimeKindAccessed)
        return 2;
    return std::nullopt;
}

std::int64_t TimeOfKind(int index, std::int64_t created, std::int64_t modified,
                        std::int64_t accessed) {
    if (index == 0)
        return created;
    return index == 1 ? modified : accessed;
}

std::uint32_t AttributeWordOf(const AttributeBoxes& boxes) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < kShownAttributes.size(); ++i)
        word = kShownAttributes[i].With(word, boxes.*kBoxOfAttribute[i]);
    return word;
}

AttributeBoxes AttributeBoxesOf(std::wstring_view attributes) {
    const auto word = static_cast<std::uint32_t>(ReadDecimalInt32(attributes));
    AttributeBoxes boxes;
    for (std::size_t i = 0; i < kShownAttributes.size(); ++i)
        boxes.*kBoxOfAttribute[i] = kShownAttributes[i].IsOn(word);
    return boxes;
}

void ExcludeOtherCompression(AttributeBoxes& boxes, bool compressClicked) {
    if (compressClicked)
        boxes.encrypt = false;
    else
        boxes.compress = false;
}

AttributeTaskFields AttributeRecordOf(const AttributePageValues& values, std::uint32_t id) {
    AttributeTaskFields record;
    record.id = id;
    record.name = values.name;
    record.find = values.find;
    record.regex = FlagText(values.regex);
    // Written as "%d" writes the word.
    record.attributes = std::to_wstring(static_cast<std::int32_t>(AttributeWordOf(values.boxes)));
    return record;
}

}  // namespace torvane
