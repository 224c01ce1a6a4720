#include "platform/win32_api.hpp"
//
#include <cstdint>

#include "platform/win32_local_time.hpp"

namespace torvane::win32 {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The date of a day counted from 1970-01-01, into tm's year, month, day,
// weekday and day of the year.
void CivilFromDays(std::int64_t z, std::tm& out) {
    const std::int64_t days = z;
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    out.tm_year = static_cast<int>(y - 1900);
    out.tm_mon = static_cast<int>(m - 1);
    out.tm_mday = static_cast<int>(d);
    out.tm_wday = static_cast<int>(days - FloorDiv(days + 4, 7) * 7 + 4) % 7;
    out.tm_yday = static_cast<int>(days - DaysFromCivil(y, 1, 1));
}

void SplitSeconds(std::int64_t t, std::tm& out) {
    const std::int64_t days = FloorDiv(t, 86400);
    const std::int64_t rest = t - days * 86400;
    CivilFromDays(days, out);
    out.tm_hour = static_cast<int>(rest / 3600);
    out.tm_min = static_cast<int>(rest / 60 % 60);
    out.tm_sec = static_cast<int>(rest % 60);
}

}  // namespace

std::time_t FieldsAsUtc(std::tm& fields) {
    const std::int64_t months = static_cast<std::int64_t>(fields.tm_year) + 1900;
    const std::int64_t year = months + FloorDiv(fields.tm_mon, 12);
    const auto month = static_cast<unsigned>(fields.tm_mon - FloorDiv(fields.tm_mon, 12) * 12);
    const std::int64_t t = (DaysFromCivil(year, month + 1, 1) + fields.tm_mday - 1) * 86400 +
                           std::int64_t(fields.tm_hour) * 3600 + std::int64_t(fields.tm_min) * 60 +
                           fields.tm_sec;
    const int dst = fields.tm_isdst;
    SplitSeconds(t, fields);
    fields.tm_isdst = dst;
    return static_cast<std::time_t>(t);
}

bool SystemLocalFields(std::time_t t, std::tm& out) {
    // 100-nanosecond ticks since 1601.
    const std::int64_t ticks = static_cast<std::int64_t>(t) * 10000000 + 116444736000000000;
    if (ticks < 0)
        return false;
    FILETIME utc{static_cast<DWORD>(ticks),
                 static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
    SYSTEMTIME utcFields{}, localFields{};
    if (!FileTimeToSystemTime(&utc, &utcFields) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &localFields))
        return false;
    std::tm fields{};
    fields.tm_year = localFields.wYear - 1900;
    fields.tm_mon = localFields.wMonth - 1;
    fields.tm_mday = localFields.wDay;
    fields.tm_hour = localFields.wHour;
    fields.tm_min = localFields.wMinute;
    fields.tm_sec = localFields.wSecond;
    const std::time_t asUtc = FieldsAsUtc(fields);
    // Daylight saving when the offset is more than the zone's standard one.
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    fields.tm_isdst =
        kind != TIME_ZONE_ID_INVALID &&
        (asUtc - t) * -1 / 60 != static_cast<std::time_t>(zone.Bias + zone.StandardBias);
    out = fields;
    return true;
}

}  // namespace torvane::win32
