#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace torvane::testing {

// Sets (or, given null, removes) an environment variable of this process
// and tells the C library's time functions to read TZ again.
inline void SetTimeZoneVariable(const char* value) {
#ifdef _WIN32
    // The Windows C runtime reads "NAME[+|-]hh[:mm][DST]" only: no zone
    // names and no daylight-saving rules.
    ::_putenv_s("TZ", value ? value : "");
    ::_tzset();
#else
    if (value)
        ::setenv("TZ", value, 1);
    else
        ::unsetenv("TZ");
    ::tzset();
#endif
}

// Pins the local time zone (TZ) for the life of the object, then restores it.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        SetTimeZoneVariable(zone);
    }
    ~ScopedTimeZone() { SetTimeZoneVariable(old_ ? old_->c_str() : nullptr); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    std::optional<std::string> old_;
};

}  // namespace torvane::testing
