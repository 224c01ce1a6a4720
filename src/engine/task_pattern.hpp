#pragma once

#include <boost/regex.hpp>
#include <chrono>
#include <cstddef>
#include <memory>
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
// A failure to build the expression shows "Not a valid regular expression"
// with the library's description of the error and gives InvalidExpression.
// A name whose matching the library gives up (its backtracking past the
// library's limits) shows that the expression took too long on that name,
// and gives InvalidExpression too.
//
// A regular expression also has the settings' time budget: the job's, shared
// by every pattern of one job and counted from the first of them
// (EngineSettings::jobBudget), or else its own, counted from the pattern's
// construction. Once a name's replacement or match ends past it, that call
// shows that the expression took too long, naming the name, and gives
// InvalidExpression, as if the expression could not be matched; so does the
// library giving up. Either is said once: every later call on a spent budget
// gives InvalidExpression at once without a message. The clock is read once
// a name (steady_clock is read without a system call, through the vDSO: some
// tens of nanoseconds against the microsecond or more of the match). A
// literal pattern is searched in time linear in the name and has no budget.
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

    // Whether the pattern is found anywhere in `text` (a replacement would
    // be used). Returns Ok with `found` set, or InvalidExpression.
    TaskResult Search(const std::wstring& text, bool& found);

    // Runs `work` (reading files, not matching) without counting its time
    // against the budget; returns what it returns.
    template <class Work>
    auto Untimed(Work&& work) {
        const TimePoint before = Now();
        auto result = work();
        if (budgeted_)
            spent_->excluded += (Now() - before).count();
        return result;
    }

  private:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Match (`whole`) or Search.
    TaskResult Test(const std::wstring& text, bool& result, bool whole);
    const boost::wregex* Expression();
    void ShowInvalid(const std::wstring& description);
    TimePoint Now() const;
    // Whether the budget was spent before this call: the caller gives up.
    bool GivenUp() const;
    // Counts one more name, `text`; true, after the message, when the budget
    // is spent.
    bool OverBudget(const std::wstring& text);
    // The library gave up matching `text`: the budget is spent, said once.
    void GaveUpOn(const std::wstring& text);

    std::wstring pattern_;
    boost::regex_constants::syntax_option_type flags_;
    Dialogs& dialogs_;
    bool budgeted_;  // a regular expression: its time is counted
    std::chrono::seconds budget_;
    SteadyClock clock_;
    std::shared_ptr<TimeBudget> spent_;  // the job's, or this pattern's own
    std::optional<boost::wregex> expression_;
    std::wstring buffer_;  // reused for every replacement
};

// The library's description of a failure to build `pattern`: its what() text,
// with the fragment of the pattern that it quotes written in the pattern's own
// characters (the library cuts each wide character to one byte there).
std::wstring DescribeRegexError(const boost::regex_error& error, std::wstring_view pattern);

}  // namespace torvane
