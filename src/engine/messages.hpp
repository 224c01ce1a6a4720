#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/dialogs.hpp"

namespace torvane {

// The engine's message boxes: texts, caption and icon as the user sees them.
// The texts a task produced from a name are outside pieces (MessageText); a
// pattern, and a library's description of an expression (which may quote
// it), are typed pieces, so the console shows their backslashes as typed.

inline constexpr std::wstring_view kErrorCaption = L"Error";

// An expression that can't be built or matched, with the library's
// description of the error, which quotes the expression as typed.
inline MessageText InvalidExpressionMessage(std::wstring_view description) {
    return L"Not a valid regular expression: \"" + Typed(std::wstring(description)) + L"\"";
}

// A regular expression that ran past the time budget of `seconds`, having
// been applied to `names` names (or times' texts) by then, the last `text`.
inline MessageText ExpressionTooSlowMessage(std::wstring_view pattern, long long seconds,
                                            std::size_t names, std::wstring_view text) {
    return L"The regular expression \"" + Typed(std::wstring(pattern)) +
           L"\" took too long to apply (more than " + std::to_wstring(seconds) +
           (seconds == 1 ? L" second" : L" seconds") + L" for " + std::to_wstring(names) +
           (names == 1 ? L" name" : L" names") + L"; the last was \"" +
           Outside(std::wstring(text)) + L"\"). Nothing was changed by it.";
}

// A regular expression whose matching of `text` the matcher gave up, its
// backtracking past the library's limit.
inline MessageText ExpressionBacktracksMessage(std::wstring_view pattern, std::wstring_view text) {
    return L"The regular expression \"" + Typed(std::wstring(pattern)) + L"\" took too long on \"" +
           Outside(std::wstring(text)) +
           L"\": it backtracks too much to be matched. Nothing was changed by it.";
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

// A rename task's start number that no name can show: beyond the signed
// 32-bit range the numbering counts in.
inline MessageText StartNumberOutOfRangeMessage(std::wstring_view text) {
    return L"The start number \"" + Outside(std::wstring(text)) +
           L"\" is outside the numbers a name can show (-2147483648 to 2147483647). "
           L"The task was not applied.";
}

// Numbering that would give `name` a number past the largest one, 2147483647.
inline MessageText NumberingPastRangeMessage(std::wstring_view name) {
    return L"The numbering went past 2147483647 at \"" + Outside(std::wstring(name)) +
           L"\": no larger number can be given. The task was not applied.";
}

// A replacement whose fields can't be read; `error` says what and where.
inline MessageText InvalidReplacementMessage(std::wstring_view error) {
    return L"Not a valid replacement: " + Typed(std::wstring(error));
}

inline void ShowError(Dialogs& dialogs, const MessageText& text) {
    dialogs.ShowMessageText(text, std::wstring(kErrorCaption), MessageIcon::kError,
                            MessageButtons::kOk);
}

}  // namespace torvane
