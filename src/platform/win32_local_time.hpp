#pragma once

#include <ctime>

namespace torvane::win32 {

// What the Windows C runtime lacks for local time: it converts times from
// 1970 to 3000 only and has no timegm.

// The local fields of `t` through the system's own time zone (its current
// rules), for times the C runtime can't convert. False before 1601.
bool SystemLocalFields(std::time_t t, std::tm& out);

// The time of `fields` read as UTC, for any year; the fields are normalised
// as timegm does (month 13 of 1983 is January 1984) and get their weekday
// and day of the year.
std::time_t FieldsAsUtc(std::tm& fields);

}  // namespace torvane::win32
