#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Compares two names the way the Windows shell orders them ("logical"
// order): runs of digits compare as numbers (a2 before a10, however long the
// run), other characters one by one without regard to letter case (Latin,
// Greek and Cyrillic letters fold). Returns a negative number when `a` comes
// first, a positive one when `b` does.
//
// Names that are equal under those rules are still ordered, so that a sort
// gives one result whatever the order it starts from: first the name whose
// first differing number has more leading zeros (a001 before a01 before a1),
// then by the first character that differs only in case, in code point order
// (upper case first: "A" before "a"). 0 only for identical names.
int LogicalCompare(std::wstring_view a, std::wstring_view b);

// A key for sorting many names: two keys compare (as strings) the way
// LogicalCompare compares their names before its tie rules, so names whose
// keys are equal need LogicalCompare only to break the tie. Each character is
// folded; each run of digits becomes '0', the count of its significant digits
// and those digits.
std::wstring LogicalSortKey(std::wstring_view name);

// Folds a character for case-insensitive comparison (its lower case form for
// the letters LogicalCompare folds, itself otherwise).
wchar_t FoldCase(wchar_t c);

}  // namespace torvane
