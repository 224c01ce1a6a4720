#pragma once

#include <boost/regex.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "engine/apply_context.hpp"

namespace torvane {

// The find pattern of one task for one application of the task to a
// sequence. The expression is built when it is first used, so a task that
// reaches no entry builds nothing and shows nothing, and it is built once for
// all the entries it then reaches.
//
// Syntax: Perl, or every character literal when useRegex is false; letter
// case is ignored unless caseSensitive is set. Case folding and character
// classes cover every Unicode letter (É matches é), whatever the process
// locale.
//
// Every failure, building or matching (an expression too complex to match
// within the library's limits), shows "Not a valid regular expression" with
// the library's description of the error and gives InvalidExpression.
class TaskPattern {
  public:
    TaskPattern(std::wstring pattern, bool useRegex, const EngineSettings& settings,
                Dialogs& dialogs);

    // Replaces every non-overlapping match in `text` with `format`, read as a
    // Perl-style format string ($&, $1, ${10}, $$, \n). Returns Ok, or
    // InvalidExpression with `text` unchanged. `changed` (when given) tells
    // whether the text is now different.
    TaskResult Replace(std::wstring& text, const std::wstring& format, bool* changed = nullptr);

    // Whether the pattern covers all of `text`. Returns Ok with `matched`
    // set, or InvalidExpression.
    TaskResult Match(const std::wstring& text, bool& matched);

  private:
    const boost::wregex* Expression();
    void ShowInvalid(const std::wstring& description);

    std::wstring pattern_;
    boost::regex_constants::syntax_option_type flags_;
    Dialogs& dialogs_;
    std::optional<boost::wregex> expression_;
    std::wstring buffer_;  // reused for every replacement
};

// The library's description of a failure to build `pattern`: its what() text,
// with the fragment of the pattern that it quotes written in the pattern's own
// characters (the library cuts each wide character to one byte there).
std::wstring DescribeRegexError(const boost::regex_error& error, std::wstring_view pattern);

}  // namespace torvane
