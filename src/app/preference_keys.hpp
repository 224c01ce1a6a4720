#pragma once

// One descriptor per key of the preference file. The file's reader and
// writer, the Preferences dialog and the settings the engine, the window and
// the history read (EngineSettingsOf, SwitchesOf, HistorySettingsOf) all go
// through these descriptors, so a key's name, kind, rule of reading and
// dialog text are written once.
//
// A key's default is the value its field holds in a default-constructed
// Preferences record (its member initializer in preferences.hpp).
//
// Adding a preference: a field (with its default) in PreferenceFlags, a row
// in the table in preference_keys.cpp, and the code that uses it, which
// reads it through SwitchOn (a switch) or the field itself. The reader, the
// writer and the dialog follow the row; the dialog hands PreferenceFlags over
// whole, so a new field of it reaches the controller's ApplyPreferences.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/preferences.hpp"

namespace torvane {

// What a key holds and how its text is read.
enum class PreferenceKind {
    kSwitch,    // on or off: the text "0" is off, "1" on; any other text or number is the default
    kChoice,    // an index into the dialog's items, read like _wtoi and kept as read
    kCount,     // a number of things, read like _wtoi; below 1 means the default
    kInt,       // a signed number, read like _wtoi or wcstol
    kUnsigned,  // an unsigned 32-bit number, read like wcstoul, kept in its 32 bits
    kText,      // the value's text
};

// Where a key's value is held: exactly one member is set.
struct PreferenceField {
    std::int32_t PreferenceFlags::*flag = nullptr;
    std::int32_t Preferences::*number = nullptr;
    std::int32_t WindowPlacement::*placement = nullptr;
    std::wstring Preferences::*text = nullptr;
};

// How the Preferences dialog shows a key. In a group, the controls after the
// group's first (a switch) are enabled only while that switch is on.
struct PreferenceControl {
    int row = 0;  // the dialog's order, top first (spaced by 10 to leave room); 0: not shown
    std::wstring_view group;                   // the titled group it is in; empty: none
    std::wstring_view label;                   // a box's text; the text before a choice or count
    std::wstring_view unit;                    // the text after a count
    std::span<const std::wstring_view> items;  // a choice's items, index 0 first
    std::int32_t max = 0;                      // the largest count the box takes (the least is 1)
};

struct PreferenceKey {
    std::wstring_view name;  // as the file spells it; read in any ASCII letter case
    PreferenceKind kind;
    PreferenceField field;
    // Left out of the file while it holds its default: the keys added after
    // the file's first form, so that an older file is written back as it was.
    bool omittedAtDefault = false;
    PreferenceControl control = {};
};

// Every key, in the order the writer writes them.
std::span<const PreferenceKey> PreferenceKeys();

// The key named `name` (ASCII letter case ignored, nothing trimmed), or null.
const PreferenceKey* FindPreferenceKey(std::wstring_view name);

// A number key's value in `prefs` (0 for a text key), and its default.
std::int32_t StoredNumber(const PreferenceKey& key, const Preferences& prefs);
std::int32_t DefaultNumber(const PreferenceKey& key);
// Puts `value` in a number key's field as it is (nothing for a text key).
void StoreNumber(const PreferenceKey& key, std::int32_t value, Preferences& prefs);

// The one rule for every switch: a stored 0 is off, 1 is on, any other value
// means the default.
bool SwitchOn(std::int32_t stored, std::int32_t defaultValue);
// The same for a switch held in the flags or in the record.
bool SwitchOn(const PreferenceFlags& flags, std::int32_t PreferenceFlags::*field);
bool SwitchOn(const Preferences& prefs, std::int32_t Preferences::*field);

// A count as used: the stored value, or the default when it is below 1.
std::int32_t CountOf(std::int32_t stored, std::int32_t defaultValue);

// Stores a line's value text (already trimmed) for `key` in `prefs`, by the
// key's kind: a switch as 0 or 1 (its default for any text but "0" and "1"),
// numbers leniently (no digits: 0; beyond the range: the nearest limit),
// text as it is. Never fails.
void ReadPreferenceValue(const PreferenceKey& key, std::wstring_view text, Preferences& prefs);

// The value's text as the writer writes it.
std::wstring PreferenceValueText(const PreferenceKey& key, const Preferences& prefs);

// The dialog's model: the keys it shows, in its order.
std::vector<const PreferenceKey*> DialogKeys();

// What the dialog's control for `key` shows: a switch 1 or 0, as SwitchOn
// reads it; a choice's index, or -1 when the value is none of the items; a
// count as CountOf reads it, held to 1 .. the control's max.
std::int32_t ShownValue(const PreferenceKey& key, const Preferences& prefs);

// Stores what the control shows, as OK does: a switch 1 or 0, a choice's
// index (-1 when nothing is selected), a count as it is.
void StoreShownValue(const PreferenceKey& key, std::int32_t shown, Preferences& prefs);

}  // namespace torvane
