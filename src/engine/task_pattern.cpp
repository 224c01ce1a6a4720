#include "engine/task_pattern.hpp"

#include <algorithm>
#include <climits>
#include <iterator>
#include <locale>
#include <stdexcept>

#include "engine/messages.hpp"
#include "platform/case_locale.hpp"

namespace torvane {
namespace {

boost::regex_constants::syntax_option_type FlagsFor(bool useRegex, const EngineSettings& settings) {
    boost::regex_constants::syntax_option_type flags =
        useRegex ? boost::regex_constants::perl : boost::regex_constants::literal;
    if (!settings.caseSensitive)
        flags |= boost::regex_constants::icase;
    return flags;
}

// A narrow library text, one character per byte, as the library wrote it.
std::wstring Widen(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

// The narrow form the library gives a wide character in its messages.
wchar_t Narrowed(wchar_t c) {
    return static_cast<unsigned char>(static_cast<char>(c));
}

constexpr auto kMatchFlags = boost::regex_constants::match_default;
constexpr auto kFormatFlags = boost::regex_constants::format_default;

}  // namespace

std::wstring DescribeRegexError(const boost::regex_error& error, std::wstring_view pattern) {
    std::wstring text = Widen(error.what());
    // The text ends with the fragment pattern[start, end) around the error
    // position, the marker inserted at the position, and "'.".
    const auto position = static_cast<std::size_t>(std::max<std::ptrdiff_t>(error.position(), 0));
    if (position > pattern.size())
        return text;
    const std::size_t start = position > 10 ? position - 10 : 0;
    const std::size_t end = std::min(position + 10, pattern.size());
    std::wstring wide(pattern.substr(start, position - start));
    wide += L">>>HERE>>>";
    wide += pattern.substr(position, end - position);
    wide += L"'.";
    std::wstring narrowed = wide;
    std::transform(narrowed.begin(), narrowed.end(), narrowed.begin(), Narrowed);
    if (text.ends_with(narrowed))
        text.replace(text.size() - narrowed.size(), narrowed.size(), wide);
    return text;
}

TaskPattern::TaskPattern(std::wstring pattern, bool useRegex, const EngineSettings& settings,
                         Dialogs& dialogs)
    : pattern_(std::move(pattern)),
      flags_(FlagsFor(useRegex, settings)),
      dialogs_(dialogs),
      budgeted_(useRegex),
      budget_(settings.timeBudget),
      clock_(settings.clock),
      spent_(settings.jobBudget ? settings.jobBudget : std::make_shared<TimeBudget>()) {
    // The clock is read only when the budget starts here.
    std::int64_t unset = TimeBudget::kNotStarted;
    if (budgeted_ && spent_->start.load() == unset)
        spent_->start.compare_exchange_strong(unset, Now().time_since_epoch().count());
}

TaskPattern::TimePoint TaskPattern::Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool TaskPattern::GivenUp() const {
    return budgeted_ && spent_->spent;
}

bool TaskPattern::OverBudget(const std::wstring& text) {
    if (!budgeted_)
        return false;
    const std::size_t names = ++spent_->names;
    const TimePoint start{TimePoint::duration(spent_->start.load())};
    if (Now() - start - TimePoint::duration(spent_->excluded.load()) <= budget_)
        return false;
    if (spent_->spent.exchange(true))
        return true;  // another folder's thread gave it up and said so
    ShowError(dialogs_, ExpressionTooSlowMessage(pattern_, budget_.count(), names, text));
    return true;
}

void TaskPattern::GaveUpOn(const std::wstring& text) {
    if (spent_->spent.exchange(true))
        return;
    ShowError(dialogs_, ExpressionBacktracksMessage(pattern_, text));
}

const boost::wregex* TaskPattern::Expression() {
    if (expression_)
        return &*expression_;
    try {
        boost::wregex expression;
        expression.imbue(CaseMappingLocale());
        expression.assign(pattern_, flags_);
        expression_ = std::move(expression);
        return &*expression_;
    } catch (const boost::regex_error& e) {
        ShowInvalid(DescribeRegexError(e, pattern_));
        return nullptr;
    }
}

void TaskPattern::ShowInvalid(const std::wstring& description) {
    ShowError(dialogs_, InvalidExpressionMessage(description));
}

namespace {

// The value of the digits at `i` (advanced past them), or -1 when it is
// larger than an int, as the format reader reads it.
long long GroupNumber(const std::wstring& f, std::size_t& i) {
    long long value = 0;
    for (; i < f.size() && f[i] >= L'0' && f[i] <= L'9'; ++i) {
        if (value >= 0)
            value = value * 10 + (f[i] - L'0');
        if (value > INT_MAX)
            value = -1;
    }
    return value;
}

// The format without references to the two group numbers that Boost.Regex
// 1.74 turns into an int overflow (it adds 2 to the number): no expression
// has that many groups, so such a reference stands for empty text, which is
// what is left in its place. Escapes ("\$", "$$") are kept as they are.
std::wstring WithoutOverflowingGroups(const std::wstring& f) {
    if (f.find(L'$') == std::wstring::npos)
        return f;
    const auto overflows = [](long long n) { return n >= INT_MAX - 1; };
    std::wstring out;
    out.reserve(f.size());
    for (std::size_t i = 0; i < f.size();) {
        const wchar_t c = f[i];
        if ((c == L'\\' || (c == L'$' && i + 1 < f.size() && f[i + 1] == L'$')) &&
            i + 1 < f.size()) {
            out.append(f, i, 2);
            i += 2;
            continue;
        }
        if (c == L'$' && i + 1 < f.size()) {
            std::size_t j = i + 1;
            const bool braced = f[j] == L'{';
            if (braced)
                ++j;
            const std::size_t digits = j;
            const long long n = GroupNumber(f, j);
            const bool closed = !braced || (j < f.size() && f[j] == L'}');
            if (j > digits && closed && overflows(n)) {
                i = braced ? j + 1 : j;
                continue;
            }
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

}  // namespace

TaskResult TaskPattern::Replace(std::wstring& text, const std::wstring& format, bool* changed) {
    if (GivenUp())
        return TaskResult::InvalidExpression;
    const auto* expression = Expression();
    if (expression == nullptr)
        return TaskResult::InvalidExpression;
    buffer_.clear();
    try {
        boost::regex_replace(std::back_inserter(buffer_), text.cbegin(), text.cend(), *expression,
                             WithoutOverflowingGroups(format), kMatchFlags | kFormatFlags);
    } catch (const std::runtime_error&) {
        // The matcher gives up on a name whose matching would take too long
        // or too much memory: the expression is valid, but too slow for it.
        GaveUpOn(text);
        return TaskResult::InvalidExpression;
    }
    if (OverBudget(text))
        return TaskResult::InvalidExpression;
    const bool different = buffer_ != text;
    // A copy of exactly the result's length: the buffer grows by doubling
    // and keeps its room for the next name, while a name may be held for
    // every entry of a large folder.
    if (different)
        text = std::wstring(buffer_);
    if (changed != nullptr)
        *changed = different;
    return TaskResult::Ok;
}

TaskResult TaskPattern::Match(const std::wstring& text, bool& matched) {
    return Test(text, matched, true);
}

TaskResult TaskPattern::Search(const std::wstring& text, bool& found) {
    return Test(text, found, false);
}

TaskResult TaskPattern::Test(const std::wstring& text, bool& result, bool whole) {
    if (GivenUp())
        return TaskResult::InvalidExpression;
    const auto* expression = Expression();
    if (expression == nullptr)
        return TaskResult::InvalidExpression;
    bool found = false;
    try {
        found = whole ? boost::regex_match(text, *expression, kMatchFlags)
                      : boost::regex_search(text, *expression, kMatchFlags);
    } catch (const std::runtime_error&) {
        GaveUpOn(text);
        return TaskResult::InvalidExpression;
    }
    if (OverBudget(text))
        return TaskResult::InvalidExpression;
    result = found;
    return TaskResult::Ok;
}

}  // namespace torvane
