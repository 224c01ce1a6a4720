#include "platform/local_time.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::ScopedTimeZone;

TEST(LocalTime, RoundTripsInAZoneWithDaylightSaving) {
    ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    // 2021-07-03 18:05:09 UTC is 14:05:09 EDT.
    const auto local = ToLocalTime(1625335509);
    ASSERT_TRUE(local.has_value());
    EXPECT_EQ(local->tm_year, 121);
    EXPECT_EQ(local->tm_mon, 6);
    EXPECT_EQ(local->tm_hour, 14);
    EXPECT_EQ(local->tm_isdst, 1);
    std::tm fields = *local;
    fields.tm_isdst = -1;
    EXPECT_EQ(FromLocalTime(fields), 1625335509);
}

TEST(LocalTime, NormalisesOutOfRangeFields) {
    ScopedTimeZone tz("UTC0");
    std::tm fields{};
    fields.tm_year = 83;
    fields.tm_mon = 13;  // February 1984
    fields.tm_mday = 29;
    fields.tm_sec = 12;
    fields.tm_isdst = -1;
    EXPECT_EQ(FromLocalTime(fields), 446860812);  // 1984-02-29 00:00:12 UTC
}

TEST(LocalTime, TheSecondBeforeTheEpochIsNotAnError) {
    ScopedTimeZone tz("UTC0");
    std::tm fields{};
    fields.tm_year = 69;
    fields.tm_mon = 11;
    fields.tm_mday = 31;
    fields.tm_hour = 23;
    fields.tm_min = 59;
    fields.tm_sec = 59;
    fields.tm_isdst = -1;
    EXPECT_EQ(FromLocalTime(fields), -1);
}

}  // namespace
}  // namespace torvane
