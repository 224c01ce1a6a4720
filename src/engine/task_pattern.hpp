#pragma once

#include <boost/regex.hpp>
#include <chrono>
#include <cstddef>
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
//
// A regular expression also has the settings' time budget, counted from the
// pattern's construction, that is from the start of the task's application:
// once a name's replacement or match ends past it, that call shows that the
// expression took too long and gives InvalidExpression, as if the expression
// could not be matched. The clock is read once a name (steady_clock is read
// without a system call, through the vDSO: some tens of nanoseconds against
// the microsecond or more of the match). A literal pattern is searched in
// time linear in the name and has no budget.
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
    using TimePoint = std::chrono::steady_clock::time_point;

    const boost::wregex* Expression();
    void ShowInvalid(const std::wstring& description);
    TimePoint Now() const;
    // Counts one more name; true, after the message, when the budget is spent.
    bool OverBudget();

    std::wstring pattern_;
    boost::regex_constants::syntax_option_type flags_;
    Dialogs& dialogs_;
    bool budgeted_;  // a regular expression: its time is counted
    std::chrono::seconds budget_;
    SteadyClock clock_;
    TimePoint start_;
    std::size_t names_ = 0;
    std::optional<boost::wregex> expression_;
    std::wstring buffer_;  // reused for every replacement
};

// The library's description of a failure to build `pattern`: its what() text,
// with the fragment of the pattern that it quotes written in the pattern's own
// characters (the library cuts each wide character to one byte there).
std::wstring DescribeRegexError(const boost::regex_error& error, std::wstring_view pattern);

}  // namespace torvane
