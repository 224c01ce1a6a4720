#pragma once

#include <string>
#include <string_view>

#include "platform/message_text.hpp"

namespace torvane {

// Texts from outside the program (file names and paths, texts typed into a
// task, an exception's description) as the console shows them: nothing in
// them may move the cursor, change the terminal's state or start a line of
// its own, on a terminal or through a pipe that ends on one (`less -R`,
// `tee`). Characters that would are written as escapes, in the manner of
// `ls`:
//   \a \b \t \n \v \f \r \e   BEL, BS, TAB, LF, VT, FF, CR, ESC
//   \xHH                      the other C0 controls and DEL (\x00, \x1b
//                             never appears: ESC is \e), and each byte of a
//                             name that is not UTF-8 (U+DC80..U+DCFF hold
//                             the bytes 80..FF, see platform/text.hpp)
//   \uHHHH                    C1 controls U+0080..U+009F, the line and
//                             paragraph separators U+2028/U+2029, the bidi
//                             controls U+061C, U+200E, U+200F, U+202A..U+202E,
//                             U+2066..U+2069, and lone surrogates
//   \\                        a backslash itself
// Hex digits are lower case. Every other character, accented letters and
// other scripts included, passes unchanged. The form is unambiguous: a
// backslash in the output always starts an escape. The text is not wrapped
// in quotes.
std::wstring QuoteForTerminal(std::wstring_view text);

// QuoteForTerminal for a text the user typed (a pattern): the same escapes,
// but a backslash is shown as it is, so that "IMG_(\d+" reads as typed. The
// form is not unambiguous; it is for messages, never for names.
std::wstring QuoteTyped(std::wstring_view text);

// A message as the console prints it: the program's own pieces as they are
// (their line breaks shape the message), the outside pieces quoted (a typed
// piece with QuoteTyped), and the
// line breaks at the end of the whole dropped (the console writes its own).
std::wstring QuoteMessage(const MessageText& text);

// A line the program composed around outside text (a dry-run line, a job's
// log line), printed as one line: quoted whole, after the line breaks at its
// end (a system text's CR LF) are dropped.
std::wstring QuotedLine(std::wstring_view line);

}  // namespace torvane
