#include "app/preference_keys.hpp"

#include <algorithm>

#include "platform/number_text.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using Kind = PreferenceKind;

constexpr std::wstring_view kAttributeItems[] = {L"Files Only", L"Folders Only",
                                                 L"Files and Folders"};

constexpr PreferenceField Flag(std::int32_t PreferenceFlags::*field) {
    return {field, nullptr, nullptr, nullptr};
}
constexpr PreferenceField Number(std::int32_t Preferences::*field) {
    return {nullptr, field, nullptr, nullptr};
}
constexpr PreferenceField Placement(std::int32_t WindowPlacement::*field) {
    return {nullptr, nullptr, field, nullptr};
}
constexpr PreferenceField Text(std::wstring Preferences::*field) {
    return {nullptr, nullptr, nullptr, field};
}

// The dialog's controls: a check box, a choice, a count box.
constexpr PreferenceControl Box(int row, std::wstring_view label, std::wstring_view group = {}) {
    return {row, group, label, {}, {}, 0};
}
constexpr PreferenceControl Choice(int row, std::wstring_view label,
                                   std::span<const std::wstring_view> items) {
    return {row, {}, label, {}, items, 0};
}
constexpr PreferenceControl Count(int row, std::wstring_view group, std::wstring_view label,
                                  std::wstring_view unit, std::int32_t max) {
    return {row, group, label, unit, {}, max};
}

constexpr std::wstring_view kHistoryGroup = L"History";

// Every key of the file, in the order the writer writes them.
const PreferenceKey kKeys[] = {
    {L"ClearTaskList", Kind::kSwitch, Flag(&PreferenceFlags::clearTaskList), false,
     Box(20, L"Clear task list after each job")},
    {L"CaseSensitiveSearch", Kind::kSwitch, Flag(&PreferenceFlags::caseSensitiveSearch), false,
     Box(10, L"Use case sensitive Find/Replace")},
    {L"AutoLoadTaskList", Kind::kSwitch, Flag(&PreferenceFlags::autoLoadTaskList), false,
     Box(30, L"Automatically load last opened task list when program start")},
    {L"AutoLoadFileList", Kind::kSwitch, Flag(&PreferenceFlags::autoLoadFileList), false,
     Box(40, L"Automatically load last opened file list when program start")},
    {L"TaskListPath", Kind::kText, Text(&Preferences::taskListPath), false, {}},
    {L"SelectedFilePath", Kind::kText, Text(&Preferences::selectedFilePath), false, {}},
    {L"SelectedFilePathSubDir",
     Kind::kInt,
     Number(&Preferences::selectedFilePathSubDir),
     false,
     {}},
    {L"SaveWindowSize", Kind::kSwitch, Flag(&PreferenceFlags::saveWindowSize), false,
     Box(50, L"Save window size and position for next launch")},
    {L"wsLength", Kind::kUnsigned, Placement(&WindowPlacement::length), false, {}},
    {L"wsFlags", Kind::kUnsigned, Placement(&WindowPlacement::flags), false, {}},
    {L"wsShowCmd", Kind::kUnsigned, Placement(&WindowPlacement::showCmd), false, {}},
    {L"wsMinPosX", Kind::kInt, Placement(&WindowPlacement::minPosX), false, {}},
    {L"wsMinPosY", Kind::kInt, Placement(&WindowPlacement::minPosY), false, {}},
    {L"wsMaxPosX", Kind::kInt, Placement(&WindowPlacement::maxPosX), false, {}},
    {L"wsMaxPosY", Kind::kInt, Placement(&WindowPlacement::maxPosY), false, {}},
    {L"wsNormPosLeft", Kind::kInt, Placement(&WindowPlacement::normalLeft), false, {}},
    {L"wsNormPosTop", Kind::kInt, Placement(&WindowPlacement::normalTop), false, {}},
    {L"wsNormPosRight", Kind::kInt, Placement(&WindowPlacement::normalRight), false, {}},
    {L"wsNormPosBot", Kind::kInt, Placement(&WindowPlacement::normalBottom), false, {}},
    {L"SetAttributeOption", Kind::kChoice, Flag(&PreferenceFlags::setAttributeOption), false,
     Choice(60, L"Set attributes for:", kAttributeItems)},
    {L"History", Kind::kSwitch, Number(&Preferences::history), true,
     Box(70, L"Keep a history of jobs, so that they can be undone", kHistoryGroup)},
    {L"HistoryKeepJobs", Kind::kCount, Number(&Preferences::historyKeepJobs), true,
     Count(80, kHistoryGroup, L"Keep the last", L"jobs", 100000)},
    {L"HistoryKeepDays", Kind::kCount, Number(&Preferences::historyKeepDays), true,
     Count(90, kHistoryGroup, L"Forget jobs after", L"days", 36500)},
    {L"FolderThreads", Kind::kInt, Flag(&PreferenceFlags::folderThreads), true, {}},
};

const Preferences kDefaults;

// The number a field of `prefs` holds, or null for a text key.
template <typename Record>
auto NumberIn(const PreferenceField& field, Record& prefs) -> decltype(&prefs.history) {
    if (field.flag)
        return &(prefs.flags.*field.flag);
    if (field.number)
        return &(prefs.*field.number);
    if (field.placement)
        return &(prefs.savedPlacement.*field.placement);
    return nullptr;
}

}  // namespace

std::span<const PreferenceKey> PreferenceKeys() {
    return kKeys;
}

const PreferenceKey* FindPreferenceKey(std::wstring_view name) {
    for (const PreferenceKey& key : kKeys) {
        if (EqualsIgnoringAsciiCase(name, key.name))
            return &key;
    }
    return nullptr;
}

std::int32_t StoredNumber(const PreferenceKey& key, const Preferences& prefs) {
    const std::int32_t* number = NumberIn(key.field, prefs);
    return number ? *number : 0;
}

std::int32_t DefaultNumber(const PreferenceKey& key) {
    return StoredNumber(key, kDefaults);
}

void StoreNumber(const PreferenceKey& key, std::int32_t value, Preferences& prefs) {
    if (std::int32_t* number = NumberIn(key.field, prefs))
        *number = value;
}

bool SwitchOn(std::int32_t stored, std::int32_t defaultValue) {
    if (stored == 0 || stored == 1)
        return stored == 1;
    return defaultValue == 1;
}

bool SwitchOn(const PreferenceFlags& flags, std::int32_t PreferenceFlags::*field) {
    return SwitchOn(flags.*field, kDefaults.flags.*field);
}

bool SwitchOn(const Preferences& prefs, std::int32_t Preferences::*field) {
    return SwitchOn(prefs.*field, kDefaults.*field);
}

std::int32_t CountOf(std::int32_t stored, std::int32_t defaultValue) {
    return stored >= 1 ? stored : defaultValue;
}

void ReadPreferenceValue(const PreferenceKey& key, std::wstring_view text, Preferences& prefs) {
    switch (key.kind) {
        case Kind::kText:
            prefs.*key.field.text = text;
            return;
        case Kind::kSwitch: {
            // Only the texts the writer writes are values; any other is
            // read as no value, which SwitchOn turns into the default.
            const std::int32_t stored = text == L"0" ? 0 : (text == L"1" ? 1 : -1);
            StoreNumber(key, SwitchOn(stored, DefaultNumber(key)) ? 1 : 0, prefs);
            return;
        }
        case Kind::kUnsigned:
            StoreNumber(key, static_cast<std::int32_t>(ReadDecimalUint32(text)), prefs);
            return;
        case Kind::kChoice:
        case Kind::kCount:
        case Kind::kInt:
            StoreNumber(key, ReadDecimalInt32(text), prefs);
            return;
    }
}

std::wstring PreferenceValueText(const PreferenceKey& key, const Preferences& prefs) {
    if (key.kind == Kind::kText)
        return prefs.*key.field.text;
    return std::to_wstring(StoredNumber(key, prefs));
}

std::vector<const PreferenceKey*> DialogKeys() {
    std::vector<const PreferenceKey*> keys;
    for (const PreferenceKey& key : kKeys) {
        if (key.control.row > 0)
            keys.push_back(&key);
    }
    std::sort(keys.begin(), keys.end(), [](const PreferenceKey* a, const PreferenceKey* b) {
        return a->control.row < b->control.row;
    });
    return keys;
}

std::int32_t ShownValue(const PreferenceKey& key, const Preferences& prefs) {
    const std::int32_t stored = StoredNumber(key, prefs);
    switch (key.kind) {
        case Kind::kSwitch:
            return SwitchOn(stored, DefaultNumber(key)) ? 1 : 0;
        case Kind::kChoice: {
            const auto count = static_cast<std::int32_t>(key.control.items.size());
            return stored >= 0 && stored < count ? stored : -1;
        }
        case Kind::kCount:
            return std::clamp(CountOf(stored, DefaultNumber(key)), 1, std::max(key.control.max, 1));
        default:
            return stored;
    }
}

void StoreShownValue(const PreferenceKey& key, std::int32_t shown, Preferences& prefs) {
    StoreNumber(key, key.kind == Kind::kSwitch ? (shown != 0 ? 1 : 0) : shown, prefs);
}

}  // namespace torvane
