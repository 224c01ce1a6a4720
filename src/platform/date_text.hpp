#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// The date text of a time is its local calendar time written as
// "%m/%d/%Y %I:%M:%S %p" in the C locale: 07/03/2021 02:05:09 PM for 14:05:09
// on 3 July 2021, 12:00:00 AM for midnight. The lists, the General Info pane,
// the timestamp editor and the timestamp task all use this one form.

// A local calendar time as read from a date text.
struct DateTimeFields {
    int year = 0;    // four digits as written
    int month = 1;   // 1..12
    int day = 1;     // 1..31, valid for the month
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59

    bool operator==(const DateTimeFields&) const = default;
};

// The date text of a time (whole seconds since 1970 UTC). Empty when the time
// has no local calendar form or its local year lies outside 0..9999.
std::wstring FormatDateText(std::int64_t seconds);

// Reads a date and time as a user writes one, whatever the process locale:
//   date: month/day/year (the form written by FormatDateText) or
//         year-month-day; "/" or "-" between the parts, the same both times;
//         month and day of one or two digits, the year of four;
//   time (optional, midnight when missing): hour:minute[:second] with one or
//         two digits each, followed by AM or PM (any letter case, a blank
//         before it optional) for the 12-hour clock, or nothing for 24 hours.
// Blanks around the text and between date and time are ignored. Returns
// nullopt when the text is no valid date and time (13/45/2020, 02/30/2021,
// 13:00 PM, text).
std::optional<DateTimeFields> ParseDateText(std::wstring_view text);

// The time (whole seconds since 1970 UTC) of local calendar fields, with
// daylight saving decided by the time-zone rules. Where the fields name a
// local time that occurs twice (the hour repeated when summer time ends),
// the occurrence with the same offset from UTC as `like` has, when given.
// Times before 1970 are negative. nullopt when the time can't be
// represented.
std::optional<std::int64_t> LocalFieldsToTime(const DateTimeFields& fields,
                                              std::optional<std::int64_t> like = std::nullopt);

}  // namespace torvane
