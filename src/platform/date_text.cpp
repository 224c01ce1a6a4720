#include "platform/date_text.hpp"

#include <array>

#include "platform/local_time.hpp"

namespace torvane {
namespace {

// Walks a date text one element at a time.
class DateReader {
  public:
    explicit DateReader(std::wstring_view text) : text_(text) {}

    // Skips blanks; true when there was at least one.
    bool SkipBlanks() {
        const auto start = pos_;
        while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t'))
            ++pos_;
        return pos_ > start;
    }
    bool AtEnd() const { return pos_ == text_.size(); }

    // The number written by the run of digits here, when the run is between
    // minCount and maxCount digits long.
    std::optional<int> Number(std::size_t minCount, std::size_t maxCount) {
        std::size_t end = pos_;
        int value = 0;
        while (end < text_.size() && text_[end] >= L'0' && text_[end] <= L'9') {
            if (end - pos_ < maxCount)
                value = value * 10 + (text_[end] - L'0');
            ++end;
        }
        const auto count = end - pos_;
        if (count < minCount || count > maxCount)
            return std::nullopt;
        pos_ = end;
        return value;
    }
    std::size_t DigitRun() const {
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] >= L'0' && text_[end] <= L'9')
            ++end;
        return end - pos_;
    }

    // Takes one of `choices` here and returns it.
    std::optional<wchar_t> TakeOneOf(std::wstring_view choices) {
        if (AtEnd() || choices.find(text_[pos_]) == std::wstring_view::npos)
            return std::nullopt;
        return text_[pos_++];
    }
    bool Take(wchar_t c) { return TakeOneOf(std::wstring_view(&c, 1)).has_value(); }

  private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads month/day/year or year-month-day into `out`.
bool ReadDate(DateReader& in, DateTimeFields& out) {
    std::optional<int> year, month, day;
    std::optional<wchar_t> sep;
    if (in.DigitRun() == 4) {
        year = in.Number(4, 4);
        if (!(sep = in.TakeOneOf(L"/-")))
            return false;
        month = in.Number(1, 2);
        if (!month || !in.Take(*sep))
            return false;
        day = in.Number(1, 2);
    } else {
        month = in.Number(1, 2);
        if (!month || !(sep = in.TakeOneOf(L"/-")))
            return false;
        day = in.Number(1, 2);
        if (!day || !in.Take(*sep))
            return false;
        year = in.Number(4, 4);
    }
    if (!year || !month || !day || *year == 0 || *month < 1 || *month > 12)
        return false;
    if (*day < 1 || *day > DaysInMonth(*year, *month))
        return false;
    out.year = *year;
    out.month = *month;
    out.day = *day;
    return true;
}

// Reads AM or PM in any letter case; nullopt when neither is here, else
// whether it is PM.
std::optional<bool> ReadMeridiem(DateReader& in) {
    const auto letter = in.TakeOneOf(L"AaPp");
    if (!letter || !in.TakeOneOf(L"Mm"))
        return std::nullopt;
    return *letter == L'P' || *letter == L'p';
}

// Reads hour:minute[:second] with an optional AM/PM into `out`.
bool ReadTime(DateReader& in, DateTimeFields& out) {
    const auto hour = in.Number(1, 2);
    if (!hour || !in.Take(L':'))
        return false;
    const auto minute = in.Number(1, 2);
    if (!minute)
        return false;
    std::optional<int> second = 0;
    if (in.Take(L':'))
        second = in.Number(1, 2);
    if (!second || *minute > 59 || *second > 59)
        return false;
    in.SkipBlanks();
    int h = *hour;
    if (!in.AtEnd()) {
        const auto pm = ReadMeridiem(in);
        if (!pm || h < 1 || h > 12)
            return false;
        h = h % 12 + (*pm ? 12 : 0);
    }
    if (h > 23)
        return false;
    out.hour = h;
    out.minute = *minute;
    out.second = *second;
    return true;
}

void PutTwoDigits(wchar_t* at, int value) {
    at[0] = static_cast<wchar_t>(L'0' + value / 10);
    at[1] = static_cast<wchar_t>(L'0' + value % 10);
}

}  // namespace

std::wstring FormatDateText(std::int64_t seconds) {
    const auto local = ToLocalTime(seconds);
    if (!local)
        return {};
    const std::int64_t year = std::int64_t{local->tm_year} + 1900;
    if (year < 0 || year > 9999)
        return {};
    std::wstring text = L"mm/dd/yyyy hh:mm:ss AM";
    PutTwoDigits(&text[0], local->tm_mon + 1);
    PutTwoDigits(&text[3], local->tm_mday);
    PutTwoDigits(&text[6], static_cast<int>(year / 100));
    PutTwoDigits(&text[8], static_cast<int>(year % 100));
    PutTwoDigits(&text[11], local->tm_hour % 12 == 0 ? 12 : local->tm_hour % 12);
    PutTwoDigits(&text[14], local->tm_min);
    PutTwoDigits(&text[17], local->tm_sec);
    if (local->tm_hour >= 12)
        text[20] = L'P';
    return text;
}

std::optional<DateTimeFields> ParseDateText(std::wstring_view text) {
    DateReader in(text);
    DateTimeFields out;
    in.SkipBlanks();
    if (!ReadDate(in, out))
        return std::nullopt;
    const bool blank = in.SkipBlanks();
    if (!in.AtEnd() && (!blank || !ReadTime(in, out)))
        return std::nullopt;
    in.SkipBlanks();
    if (!in.AtEnd())
        return std::nullopt;
    return out;
}

namespace {

// Whether `time` is, in local time, exactly the calendar time `tm` names.
bool ShowsAs(std::int64_t time, const std::tm& tm) {
    const auto local = ToLocalTime(time);
    return local && local->tm_year == tm.tm_year && local->tm_mon == tm.tm_mon &&
           local->tm_mday == tm.tm_mday && local->tm_hour == tm.tm_hour &&
           local->tm_min == tm.tm_min && local->tm_sec == tm.tm_sec;
}

}  // namespace

std::optional<std::int64_t> LocalFieldsToTime(const DateTimeFields& fields,
                                              std::optional<std::int64_t> like) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1;
    const auto decided = FromLocalTime(tm);
    if (!decided || !like)
        return decided;
    // Both readings of the daylight-saving flag name this very local time
    // only in the repeated hour; there the one with `like`'s offset wins.
    // Most results have that offset already, or lie where the offset is the
    // same two hours either side, and cost no more than this look.
    const auto likeOffset = UtcOffsetAt(*like);
    const auto decidedOffset = UtcOffsetAt(*decided);
    if (!likeOffset || !decidedOffset || decidedOffset == likeOffset)
        return decided;
    constexpr std::int64_t kAround = 2 * 3600;
    const auto before = UtcOffsetAt(*decided - kAround);
    const auto after = UtcOffsetAt(*decided + kAround);
    if (before && after && before == after)
        return decided;
    for (const int dst : {0, 1}) {
        std::tm candidate = tm;
        candidate.tm_isdst = dst;
        const auto time = FromLocalTime(candidate);
        if (!time || *time == *decided || !ShowsAs(*time, tm))
            continue;
        if (UtcOffsetAt(*time) == likeOffset)
            return time;
    }
    return decided;
}

}  // namespace torvane
