#include "platform/local_time.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

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

// What the library's mktime makes of the fields, -1 standing for failure.
std::int64_t Mktime(std::tm fields) {
    fields.tm_wday = -1;
    const std::time_t t = std::mktime(&fields);
    return t == static_cast<std::time_t>(-1) && fields.tm_wday == -1 ? -2 : t;
}

// Every quarter of an hour across both changes of a year, plus fields out of
// range, must come out as mktime has them: in the gaps and the repeated hours
// as well as the plain times.
TEST(LocalTime, AgreesWithMktimeAroundEveryChangeOfOffset) {
    const char* zones[] = {
        "UTC0",
        "EST5EDT,M3.2.0,M11.1.0",
        "GMT0BST,M3.5.0/1,M10.5.0",
        "<+0530>-5:30",
        "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0",  // half an hour of daylight saving
        "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1",      // changes at negative hours
        "NZST-12NZDT,M9.5.0,M4.1.0/3",           // southern hemisphere
    };
    for (const char* zone : zones) {
        ScopedTimeZone tz(zone);
        for (int step = 0; step < 366 * 96; ++step) {
            std::tm fields{};
            fields.tm_year = 123;
            fields.tm_mday = 1 + step / 96;  // normalised into the months
            fields.tm_hour = step % 96 / 4;
            fields.tm_min = step % 4 * 15;
            fields.tm_isdst = -1;
            const auto ours = FromLocalTime(fields);
            ASSERT_EQ(ours.value_or(-2), Mktime(fields)) << zone << " day " << fields.tm_mday << " "
                                                         << fields.tm_hour << ":" << fields.tm_min;
        }
        std::tm odd{};
        odd.tm_year = 100;
        odd.tm_mon = -3;
        odd.tm_mday = 0;
        odd.tm_hour = 30;
        odd.tm_min = -75;
        odd.tm_sec = 61;
        odd.tm_isdst = -1;
        EXPECT_EQ(FromLocalTime(odd).value_or(-2), Mktime(odd)) << zone;
    }
}

}  // namespace
}  // namespace torvane
