#include "platform/date_text.hpp"

#include <gtest/gtest.h>

#include <clocale>

#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::ScopedTimeZone;

constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

TEST(FormatDateText, WritesLocalTimeOnTheTwelveHourClock) {
    ScopedTimeZone tz(kNewYork);
    const struct {
        std::int64_t time;
        const wchar_t* text;
    } cases[] = {
        {1625335509, L"07/03/2021 02:05:09 PM"},  // EDT
        {1610528400, L"01/13/2021 04:00:00 AM"},  // EST
        {1609477200, L"01/01/2021 12:00:00 AM"},  // midnight
        {1609520400, L"01/01/2021 12:00:00 PM"},  // noon
        {0, L"12/31/1969 07:00:00 PM"},
        {253402318799, L"12/31/9999 11:59:59 PM"},
        {253402318800, L""},  // year 10000
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        // The Windows C runtime converts and formats local times up to the
        // year 3000 only; later ones go through the system's zone (which
        // ignores TZ) and its wcsftime refuses them.
        if (c.time == 253402318799)
            continue;
#endif
        EXPECT_EQ(FormatDateText(c.time), c.text) << c.time;
    }
}

TEST(ParseDateText, ReadsTheWrittenFormAndWhatUsersType) {
    const struct {
        const wchar_t* text;
        DateTimeFields fields;
    } cases[] = {
        {L"07/03/2021 02:05:09 PM", {2021, 7, 3, 14, 5, 9}},
        {L"12/31/1899 11:59:59 PM", {1899, 12, 31, 23, 59, 59}},
        {L"01/01/2021 12:00:00 AM", {2021, 1, 1, 0, 0, 0}},
        {L"01/01/2021 12:30:00 PM", {2021, 1, 1, 12, 30, 0}},
        {L"7/3/2021 2:05 pm", {2021, 7, 3, 14, 5, 0}},
        {L"7/3/2021 2:05PM", {2021, 7, 3, 14, 5, 0}},
        {L"07/03/2021 14:05:09", {2021, 7, 3, 14, 5, 9}},
        {L"07/03/2021 0:00", {2021, 7, 3, 0, 0, 0}},
        {L"07-03-2021 9:5:7", {2021, 7, 3, 9, 5, 7}},
        {L"2021-07-03 14:05", {2021, 7, 3, 14, 5, 0}},
        {L"2021/7/3", {2021, 7, 3, 0, 0, 0}},
        {L"07/03/2021", {2021, 7, 3, 0, 0, 0}},
        {L"  02/29/2020 \t 01:02:03  AM ", {2020, 2, 29, 1, 2, 3}},
        {L"02/29/2000", {2000, 2, 29, 0, 0, 0}},
        {L"01/01/0100", {100, 1, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto fields = ParseDateText(c.text);
        ASSERT_TRUE(fields.has_value()) << c.text;
        EXPECT_EQ(*fields, c.fields) << c.text;
    }
}

TEST(ParseDateText, RejectsWhatIsNoDate) {
    for (const auto* text : {
             L"13/45/2020 10:00:00 AM",
             L"02/30/2021",
             L"02/29/2021",
             L"02/29/1900",
             L"00/10/2021",
             L"07/00/2021",
             L"07/03/0000",
             L"07/03/21",
             L"07/03/12021",
             L"07/03-2021",
             L"2021/07-03",
             L"2021-13-01",
             L"07/03/2021 13:00 PM",
             L"07/03/2021 0:30 AM",
             L"07/03/2021 24:00",
             L"07/03/2021 10:60",
             L"07/03/2021 10:00:60",
             L"07/03/2021 10",
             L"07/03/2021 10:",
             L"07/03/202110:00",
             L"07/03/2021 10:00 XM",
             L"07/03/2021 10:00 AM x",
             L"07/03/2021x",
             L"12:00:00 AM",
             L"hello",
             L"",
             L"   ",
             L"07/03/2021 02:05:09 PMM",
             L"\uff10\uff17/03/2021",
         }) {
        EXPECT_FALSE(ParseDateText(text).has_value()) << text;
    }
}

TEST(ParseDateText, IgnoresTheProcessLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C.UTF-8");
    const auto fields = ParseDateText(L"03/04/2021 01:00:00 PM");
    std::setlocale(LC_ALL, old.c_str());
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->month, 3);
    EXPECT_EQ(fields->day, 4);
    EXPECT_EQ(fields->hour, 13);
}

TEST(DateText, RoundTripsWholeSecondsInBothDaylightSavingPeriods) {
    ScopedTimeZone tz(kNewYork);
    for (const std::int64_t time :
         {1625335509LL, 1610528400LL, 1615705199LL /* just before the spring change */,
          1636264800LL /* the first 01:00 of the autumn change, EDT */, 18000LL}) {
        const auto fields = ParseDateText(FormatDateText(time));
        ASSERT_TRUE(fields.has_value()) << time;
        EXPECT_EQ(LocalFieldsToTime(*fields), time) << time;
    }
}

TEST(LocalFieldsToTime, LeavesDaylightSavingToTheZoneRules) {
    ScopedTimeZone tz(kNewYork);
    EXPECT_EQ(LocalFieldsToTime({2021, 7, 3, 14, 5, 9}), 1625335509);  // EDT
    EXPECT_EQ(LocalFieldsToTime({2021, 1, 13, 4, 0, 0}), 1610528400);  // EST
    EXPECT_EQ(LocalFieldsToTime({1970, 1, 1, 0, 0, 0}), 18000);
}

}  // namespace
}  // namespace torvane
