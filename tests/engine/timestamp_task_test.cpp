#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.hpp"
#include "platform/date_text.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using ::testing::ElementsAre;
using testing::ErrorBox;
using testing::File;
using testing::Folder;
using ::testing::IsEmpty;
using testing::Timestamp;

// Local times below are those of New York, a zone with daylight saving.
constexpr std::int64_t kJuly2019 = 1562177109;     // 07/03/2019 02:05:09 PM EDT
constexpr std::int64_t kJanuary2019 = 1547557200;  // 01/15/2019 08:00:00 AM EST
constexpr std::int64_t kMay2018 = 1525181400;      // 05/01/2018 09:30:00 AM EDT

class TimestampTask : public testing::EngineTest {
  protected:
    static FileEntry Dated(std::int64_t time) {
        FileEntry e = File(L"photo.jpg");
        e.created = e.modified = e.accessed = time;
        return e;
    }
    // Replaces the whole date text of the created time with `text`.
    TaskResult SetCreatedText(const std::wstring& text, FileEntries& entries) {
        return Apply(Timestamp(L"Created", L"^.*$", text, true), entries);
    }

    testing::ScopedTimeZone zone{"EST5EDT,M3.2.0,M11.1.0"};
};

TEST_F(TimestampTask, YearReplacementKeepsTheLocalTimeAcrossDaylightSaving) {
    FileEntries entries = {Dated(kJuly2019), Dated(kJanuary2019), Dated(kMay2018)};
    EXPECT_EQ(Apply(Timestamp(L"Modified", L"2019", L"2020"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].modified, 1593799509);  // 07/03/2020 02:05:09 PM EDT
    EXPECT_EQ(entries[1].modified, 1579093200);  // 01/15/2020 08:00:00 AM EST
    EXPECT_EQ(entries[2].modified, kMay2018);    // parsed back unchanged
    for (const auto& e : entries) {
        EXPECT_EQ(e.created, e.accessed);  // the other two times are untouched
        EXPECT_NE(e.created, 0);
    }
    EXPECT_EQ(entries[0].created, kJuly2019);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(TimestampTask, FormNamesTheTimeExactly) {
    const struct {
        const wchar_t* form;
        std::int64_t FileEntry::*changed;
    } cases[] = {
        {L"Created", &FileEntry::created},
        {L"Modified", &FileEntry::modified},
        {L"Accessed", &FileEntry::accessed},
        {L"created", nullptr},
        {L"", nullptr},
    };
    for (const auto& c : cases) {
        FileEntries entries = {Dated(kJuly2019)};
        EXPECT_EQ(Apply(Timestamp(c.form, L"2019", L"2020"), entries), TaskResult::Ok);
        for (auto field : {&FileEntry::created, &FileEntry::modified, &FileEntry::accessed}) {
            EXPECT_EQ(entries[0].*field, field == c.changed ? 1593799509 : kJuly2019) << c.form;
        }
    }
}

TEST_F(TimestampTask, TaskThatSelectsNoTimeBuildsNoPattern) {
    FileEntries entries = {Dated(kJuly2019)};
    EXPECT_EQ(Apply(Timestamp(L"created", L"(", L"x", true), entries), TaskResult::Ok);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(TimestampTask, WholeTextReplacementSetsAFixedLocalTime) {
    FileEntries entries = {Dated(kJuly2019), Dated(kJanuary2019)};
    EXPECT_EQ(SetCreatedText(L"01/01/2000 12:00:00 AM", entries), TaskResult::Ok);
    for (const auto& e : entries)
        EXPECT_EQ(e.created, 946702800);
}

TEST_F(TimestampTask, NaturallyTypedReplacementsAreRead) {
    const struct {
        const wchar_t* text;
        std::int64_t expected;
    } cases[] = {
        {L"7/3/2021 2:05 PM", 1625335500},
        {L"07/03/2021 14:05:09", 1625335509},
        {L"2021-07-03 14:05", 1625335500},
        {L"2000-01-01", 946702800},
    };
    for (const auto& c : cases) {
        FileEntries entries = {Dated(kJuly2019)};
        EXPECT_EQ(SetCreatedText(c.text, entries), TaskResult::Ok) << c.text;
        EXPECT_EQ(entries[0].created, c.expected) << c.text;
    }
}

TEST_F(TimestampTask, ResultThatIsNoDateFailsWithOneMessage) {
    FileEntries entries = {Dated(kJuly2019), Dated(kJanuary2019)};
    const FileEntries before = entries;
    EXPECT_EQ(SetCreatedText(L"13/45/2020 10:00:00 AM", entries), TaskResult::Failed);
    EXPECT_THAT(dialogs.messages(),
                ElementsAre(ErrorBox(L"The resulted Date/Time needs to be in the following "
                                     L"format:\nMM/DD/YYYY HH:MM:SS [A/P]M\n\nActual output: "
                                     L"13/45/2020 10:00:00 AM")));
    EXPECT_EQ(entries[1], before[1]);  // stopped at the first entry
}

TEST_F(TimestampTask, YearsBefore1900GiveTimeZeroAndYearsBefore1970Fail) {
    const struct {
        const wchar_t* text;
        std::optional<std::int64_t> expected;  // nullopt: the task fails
    } cases[] = {
        {L"06/15/1850 10:00:00 AM", 0},
        {L"12/31/1899 11:59:59 PM", 0},
        {L"01/01/1900 12:00:00 AM", std::nullopt},
        {L"12/31/1969 11:59:59 PM", std::nullopt},
        {L"01/01/1970 12:00:00 AM", 18000},
        {L"12/31/9999 11:59:59 PM", 253402318799},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        // The Windows C runtime converts local times up to the year 3000;
        // later ones go through the system's zone, which ignores TZ.
        if (std::wstring(c.text).ends_with(L"9999 11:59:59 PM"))
            continue;
#endif
        dialogs.Clear();
        FileEntries entries = {Dated(kJuly2019)};
        const auto result = SetCreatedText(c.text, entries);
        if (c.expected) {
            EXPECT_EQ(result, TaskResult::Ok) << c.text;
            EXPECT_EQ(entries[0].created, *c.expected) << c.text;
            EXPECT_THAT(dialogs.messages(), IsEmpty()) << c.text;
        } else {
            EXPECT_EQ(result, TaskResult::Failed) << c.text;
            EXPECT_THAT(dialogs.messages(),
                        ElementsAre(ErrorBox(
                            L"The resulted Date/Time is outside the range that can be stored.\n"
                            L"Use a year from 1970 to 9999 (a year before 1900 sets the time to "
                            L"01/01/1970 00:00:00 UTC).\n\nActual output: " +
                            std::wstring(c.text))));
        }
    }
}

// The hour repeated when summer time ends: 11/07/2021 01:30 AM in New York
// is first EDT (05:30 UTC), then EST (06:30 UTC).
constexpr std::int64_t kFirst0130 = 1636263000;   // 11/07/2021 01:30:00 AM EDT
constexpr std::int64_t kSecond0130 = 1636266600;  // 11/07/2021 01:30:00 AM EST

TEST_F(TimestampTask, TheRepeatedHourKeepsTheOccurrenceTheEntryHad) {
    FileEntries entries = {Dated(kFirst0130), Dated(kSecond0130)};
    // A find that does not occur: the time stays exactly as it was.
    EXPECT_EQ(Apply(Timestamp(L"Modified", L"2019", L"2020"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].modified, kFirst0130);
    EXPECT_EQ(entries[1].modified, kSecond0130);
    // A changed time within the repeated hour keeps each entry's offset.
    EXPECT_EQ(Apply(Timestamp(L"Modified", L":30:", L":45:"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].modified, kFirst0130 + 15 * 60);
    EXPECT_EQ(entries[1].modified, kSecond0130 + 15 * 60);
    // Leaving the repeated hour, the zone's rules decide again.
    EXPECT_EQ(Apply(Timestamp(L"Modified", L"01:45", L"03:45"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].modified, 1636274700);  // 11/07/2021 03:45:00 AM EST
    EXPECT_EQ(entries[1].modified, 1636274700);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(TimestampTask, StoredTimeBefore1970InLocalTimeFailsInOrder) {
    // Time 0 is 12/31/1969 07:00:00 PM in New York: it reads back as a year
    // that can't be stored, even when the find does not occur.
    FileEntries entries = {Dated(0)};
    EXPECT_EQ(Apply(Timestamp(L"Modified", L"2019", L"2020"), entries), TaskResult::Failed);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.ends_with(L"Actual output: 12/31/1969 07:00:00 PM"));
}

TEST_F(TimestampTask, InvalidPatternIsAnInvalidExpression) {
    FileEntries entries = {Dated(kJuly2019)};
    EXPECT_EQ(Apply(Timestamp(L"Created", L"(", L"x", true), entries),
              TaskResult::InvalidExpression);
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(entries[0].created, kJuly2019);
}

TEST_F(TimestampTask, KindFilterAppliesToTimestamps) {
    settings.attributeTarget = AttributeTarget::kFiles;
    FileEntry folder = Folder(L"album");
    folder.created = kJuly2019;
    FileEntries entries = {folder, Dated(kJuly2019)};
    EXPECT_EQ(Apply(Timestamp(L"Created", L"2019", L"2020"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].created, kJuly2019);
    EXPECT_EQ(entries[1].created, 1593799509);
}

TEST_F(TimestampTask, CaseSettingAppliesToTheDateText) {
    FileEntries entries = {Dated(kJuly2019)};
    settings.caseSensitive = true;
    EXPECT_EQ(Apply(Timestamp(L"Created", L"pm", L"AM"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].created, kJuly2019);
    settings.caseSensitive = false;
    EXPECT_EQ(Apply(Timestamp(L"Created", L"pm", L"AM"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].created, kJuly2019 - 12 * 3600);
}

}  // namespace
}  // namespace torvane
