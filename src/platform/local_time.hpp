#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace torvane {

// The one place where times meet the local time zone (the TZ environment
// variable, else the system's zone). Times are whole seconds since 1970 UTC.

// The broken-down local time of a time (localtime_r); nullopt when the time
// can't be represented.
std::optional<std::tm> ToLocalTime(std::int64_t seconds);

// The local zone's offset east of UTC, in seconds, at a time; nullopt when
// the time can't be represented.
std::optional<long> UtcOffsetAt(std::int64_t seconds);

// The time of broken-down local fields (mktime): out-of-range fields are
// normalised (month 13 of 1983 is January 1984), tm_isdst -1 lets the
// library decide daylight saving. nullopt when the result can't be
// represented. Times before 1970 are returned as negative values.
std::optional<std::int64_t> FromLocalTime(std::tm fields);

// A time as local time formatted with wcsftime's conversions ("%Y-%m-%d
// %H-%M-%S"); empty when the time can't be represented.
std::wstring FormatLocalTime(std::int64_t seconds, const wchar_t* format);

// The current calendar time.
std::int64_t CurrentTime();

}  // namespace torvane
