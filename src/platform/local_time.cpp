#include "platform/local_time.hpp"

#include <cwchar>

#ifdef _WIN32
#include "platform/win32_local_time.hpp"
#endif

namespace torvane {
namespace {

// The C library's calls behind the local time. The Windows C runtime names
// them differently, has no offset in its broken-down time and converts
// 1970 to 3000 only: outside that the system's own zone is used.
#ifdef _WIN32
bool LocalFields(std::time_t t, std::tm& out) {
    return localtime_s(&out, &t) == 0 || win32::SystemLocalFields(t, out);
}
std::time_t UtcFieldsToTime(std::tm& fields) {
    return win32::FieldsAsUtc(fields);
}
long OffsetOf(std::time_t t, const std::tm& local) {
    std::tm asUtc = local;
    return static_cast<long>(win32::FieldsAsUtc(asUtc) - t);
}
#else
bool LocalFields(std::time_t t, std::tm& out) {
    return ::localtime_r(&t, &out) != nullptr;
}
std::time_t UtcFieldsToTime(std::tm& fields) {
    return ::timegm(&fields);
}
long OffsetOf(std::time_t, const std::tm& local) {
    return local.tm_gmtoff;
}
#endif

}  // namespace

std::optional<std::tm> ToLocalTime(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds)
        return std::nullopt;
    std::tm out{};
    if (!LocalFields(t, out))
        return std::nullopt;
    return out;
}

std::optional<long> UtcOffsetAt(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (static_cast<std::int64_t>(t) != seconds || !LocalFields(t, local))
        return std::nullopt;
    return OffsetOf(t, local);
}

namespace {

// Local time is never more than 26 hours from UTC.
constexpr std::time_t kWidestOffset = 26 * 3600;

std::optional<long> OffsetAt(std::time_t t) {
    return UtcOffsetAt(static_cast<std::int64_t>(t));
}

bool SameClock(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
           a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

// The time of local fields where that is plain: the zone's offset is the same
// at the result and a whole day either side of it (no zone changes its offset
// and back within a day), so the local time is neither skipped nor repeated
// and is the fields read as UTC less the offset. mktime would give the same,
// but it looks at the zone file again on every call when TZ is not set (a
// system call each time); the local time of a time does not.
std::optional<std::time_t> PlainLocalTime(const std::tm& fields) {
    std::tm utc = fields;
    utc.tm_isdst = 0;
    utc.tm_wday = -1;
    const std::time_t asUtc = UtcFieldsToTime(utc);  // normalised as mktime does
    if (asUtc == static_cast<std::time_t>(-1) && utc.tm_wday == -1)
        return std::nullopt;
    const auto offset = OffsetAt(asUtc);
    if (!offset)
        return std::nullopt;
    const std::time_t t = asUtc - *offset;
    std::tm check{};
    if (!LocalFields(t, check) || OffsetOf(t, check) != *offset || !SameClock(check, utc) ||
        OffsetAt(t - kWidestOffset) != offset || OffsetAt(t + kWidestOffset) != offset)
        return std::nullopt;
    return t;
}

}  // namespace

std::optional<std::int64_t> FromLocalTime(std::tm fields) {
    if (fields.tm_isdst < 0) {
        if (const auto plain = PlainLocalTime(fields))
            return static_cast<std::int64_t>(*plain);
    }
    // mktime returns -1 both for an error and for one valid second; it only
    // fills tm_wday on success, which tells the two apart.
    fields.tm_wday = -1;
    const std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1) && fields.tm_wday == -1)
        return std::nullopt;
    return static_cast<std::int64_t>(t);
}

std::wstring FormatLocalTime(std::int64_t seconds, const wchar_t* format) {
    const auto local = ToLocalTime(seconds);
    if (!local)
        return {};
    wchar_t buffer[256];
    const std::size_t n = std::wcsftime(buffer, sizeof buffer / sizeof buffer[0], format, &*local);
    return std::wstring(buffer, n);
}

std::int64_t CurrentTime() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace torvane
