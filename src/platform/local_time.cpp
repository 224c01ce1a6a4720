#include "platform/local_time.hpp"

#include <cwchar>

namespace torvane {

std::optional<std::tm> ToLocalTime(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds)
        return std::nullopt;
    std::tm out{};
    if (::localtime_r(&t, &out) == nullptr)
        return std::nullopt;
    return out;
}

std::optional<std::int64_t> FromLocalTime(std::tm fields) {
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
