#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/dialogs.hpp"

namespace torvane {

// The engine's message boxes: texts, caption and icon as the user sees them.
// The texts a task produced from a name, and a library's description of an
// expression (which may quote it), are outside pieces (MessageText).

inline constexpr std::wstring_view kErrorCaption = L"Error";

// An expression that can't be built or matched, with the library's
// description of the error, which quotes the expression as typed.
inline MessageText InvalidExpressionMessage(std::wstring_view description) {
    return L"Not a valid regular expression: \"" + Typed(std::wstring(description)) + L"\"";
}

// A regular expression whose application to a sequence of names ran past
// the time budget of `seconds`, having been applied to `names` names by then.
inline std::wstring ExpressionTooSlowMessage(std::wstring_view pattern, long long seconds,
                                             std::size_t names) {
    return L"The regular expression \"" + std::wstring(pattern) +
           L"\" took too long to apply (more than " + std::to_wstring(seconds) +
           (seconds == 1 ? L" second" : L" seconds") + L" for " + std::to_wstring(names) +
           (names == 1 ? L" name" : L" names") + L").";
}

// A timestamp result that can't be read as a date and time.
inline MessageText NotADateMessage(std::wstring_view text) {
    return L"The resulted Date/Time needs to be in the following format:\n"
           L"MM/DD/YYYY HH:MM:SS [A/P]M\n\nActual output: " +
           Outside(std::wstring(text));
}

// A timestamp result that is a date but can't be stored as a time: a year
// from 1900 to 1969, or a time beyond what the time type holds.
inline MessageText DateOutOfRangeMessage(std::wstring_view text) {
    return L"The resulted Date/Time is outside the range that can be stored.\n"
           L"Use a year from 1970 to 9999 (a year before 1900 sets the time to "
           L"01/01/1970 00:00:00 UTC).\n\nActual output: " +
           Outside(std::wstring(text));
}

inline void ShowError(Dialogs& dialogs, const MessageText& text) {
    dialogs.ShowMessageText(text, std::wstring(kErrorCaption), MessageIcon::kError,
                            MessageButtons::kOk);
}

}  // namespace torvane
