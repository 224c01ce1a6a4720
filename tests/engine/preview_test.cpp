#include "engine/preview.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.hpp"
#include "fake_file_system.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using ::testing::ElementsAre;
using testing::File;
using ::testing::IsEmpty;
using testing::Names;
using testing::Rename;
using testing::Tasks;
using testing::Timestamp;

class RecordingView : public PreviewView {
  public:
    void NewEntriesChanged(NewListUpdate how) override { updates.push_back(how); }
    std::vector<NewListUpdate> updates;
};

class CountingIcons : public IconProvider {
  public:
    bool AppendIconForName(const std::wstring& name) override {
        asked.push_back(name);
        return true;
    }
    void TruncateIcons(std::size_t) override {}
    std::vector<std::wstring> asked;
};

class PreviewTest : public ::testing::Test {
  protected:
    TaskResult List(FileEntries entries) {
        return preview.EntriesListed(std::move(entries), tasks, settings);
    }
    TaskResult Append(const std::wstring& definition) {
        tasks.push_back({static_cast<std::uint32_t>(tasks.size() + 1), L"", definition});
        const auto result = preview.TaskAppended(tasks, settings);
        if (result != TaskResult::Ok)
            tasks.pop_back();  // what the editor does
        return result;
    }

    testing::ScopedTimeZone zone{"EST5EDT,M3.2.0,M11.1.0"};
    testing::RecordingDialogs dialogs;
    CountingIcons provider;
    IconCache icons{&provider};
    RecordingView view;
    testing::FakeFileSystem fs;
    Preview preview{dialogs, icons, fs, &view};
    TaskList tasks;
    EngineSettings settings;
};

TEST_F(PreviewTest, EmptyTaskListShowsTheCurrentEntries) {
    EXPECT_EQ(List({File(L"a.txt"), File(L"b.txt")}), TaskResult::Ok);
    EXPECT_EQ(preview.newEntries(), preview.currentEntries());
    EXPECT_THAT(view.updates, ElementsAre(NewListUpdate::kReset));
}

TEST_F(PreviewTest, ListIsUpdatedInPlaceOnlyWhenTheRowCountFits) {
    List({File(L"a.txt"), File(L"b.txt")});
    preview.RefreshPreview(tasks, settings);
    List({File(L"a.txt")});
    preview.Clear();
    List({File(L"a.txt")});
    List({});
    List({});
    EXPECT_THAT(view.updates,
                ElementsAre(NewListUpdate::kReset, NewListUpdate::kInPlace, NewListUpdate::kReset,
                            NewListUpdate::kReset, NewListUpdate::kReset, NewListUpdate::kReset,
                            NewListUpdate::kReset));
    EXPECT_THAT(preview.currentEntries(), IsEmpty());
}

TEST_F(PreviewTest, AppendedTaskIsAppliedOnTopOfTheNewEntries) {
    List({File(L"a.txt"), File(L"b.txt")});
    EXPECT_EQ(Append(Rename(L".txt", L".md")), TaskResult::Ok);
    EXPECT_EQ(Append(Rename(L"a.md", L"c.md")), TaskResult::Ok);
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"c.md", L"b.md"));
    EXPECT_THAT(Names(preview.currentEntries()), ElementsAre(L"a.txt", L"b.txt"));
    EXPECT_EQ(view.updates.back(), NewListUpdate::kInPlace);
}

TEST_F(PreviewTest, AppendedInvalidPatternKeepsTheNewEntries) {
    List({File(L"a.txt")});
    Append(Rename(L"a", L"b"));
    const auto updates = view.updates.size();
    EXPECT_EQ(Append(Rename(L"[", L"x", true)), TaskResult::InvalidExpression);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.starts_with(L"Not a valid regular expression: \""));
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"b.txt"));
    EXPECT_EQ(view.updates.size(), updates);
    EXPECT_EQ(tasks.size(), 1u);
}

TEST_F(PreviewTest, WithNothingOnShowTheTaskIsTriedOnThePlaceholder) {
    EXPECT_EQ(Append(Timestamp(L"Created", L"1984", L"19x84")), TaskResult::Failed);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    // The placeholder's time, 1984-02-29 00:00:12 taken as daylight-saving
    // time, is 02/28/1984 11:00:12 PM in New York's winter.
    EXPECT_TRUE(dialogs.messages()[0].text.ends_with(L"Actual output: 02/28/19x84 11:00:12 PM"));
    EXPECT_EQ(Append(Rename(L"[", L"x", true)), TaskResult::InvalidExpression);
    EXPECT_EQ(Append(Rename(L"FileName", L"x")), TaskResult::Ok);
    EXPECT_THAT(preview.newEntries(), IsEmpty());
    EXPECT_THAT(view.updates, IsEmpty());
}

TEST_F(PreviewTest, EmptyTaskListNeedsNoTrial) {
    EXPECT_EQ(preview.PreviewLastTask(tasks, settings), TaskResult::Ok);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(PreviewTest, IconOfANewExtensionIsFetchedOnceAndReused) {
    FileEntries listed = {File(L"a.txt"), File(L"b.txt"), File(L"c.txt")};
    for (auto& e : listed)
        e.iconIndex = 7;
    List(listed);
    Append(Rename(L"a.txt", L"a.TXT", false));
    EXPECT_EQ(preview.newEntries()[0].iconIndex, 7u);
    Append(Rename(L".txt", L".doc"));
    EXPECT_THAT(provider.asked, ElementsAre(L"a.doc"));
    for (const auto& e : preview.newEntries())
        EXPECT_EQ(e.iconIndex, 5u);  // the first new row
    // A full recomputation finds .doc in the cache.
    EXPECT_EQ(preview.RefreshPreview(tasks, settings), TaskResult::Ok);
    EXPECT_THAT(provider.asked, ElementsAre(L"a.doc"));
    EXPECT_EQ(preview.newEntries()[0].iconIndex, 5u);
}

TEST_F(PreviewTest, PreferenceChangeRecomputesAtOnce) {
    List({File(L"ABC.txt")});
    Append(Rename(L"abc", L"x"));
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"x.txt"));
    settings.caseSensitive = true;
    EXPECT_EQ(preview.PreferencesChanged(tasks, settings), TaskResult::Ok);
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"ABC.txt"));
}

TEST_F(PreviewTest, FailureOnRecomputationShowsTheCurrentValues) {
    List({File(L"a.txt")});
    Append(Rename(L"a", L"b"));
    Append(Rename(L"t", L"T"));
    tasks[0].definition = Rename(L"(", L"b", true);  // as a hand-edited list might hold
    EXPECT_EQ(preview.TaskListChanged(tasks, settings), TaskResult::InvalidExpression);
    EXPECT_EQ(preview.newEntries(), preview.currentEntries());
}

TEST_F(PreviewTest, FailedReplacementKeepsTheNewEntriesOfTheRestoredList) {
    List({File(L"a.txt")});
    Append(Rename(L"a", L"b"));
    const auto before = tasks[0];
    tasks[0].definition = Rename(L"(", L"b", true);
    const auto updates = view.updates.size();
    EXPECT_EQ(preview.TaskReplaced(tasks, settings), TaskResult::InvalidExpression);
    tasks[0] = before;  // the editor puts the previous task back
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"b.txt"));
    EXPECT_EQ(view.updates.size(), updates);
    // An appended task now builds on the restored list's values.
    Append(Rename(L"txt", L"md"));
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"b.md"));
}

TEST_F(PreviewTest, SuccessfulReplacementRecomputes) {
    List({File(L"a.txt")});
    Append(Rename(L"a", L"b"));
    tasks[0].definition = Rename(L"a", L"c");
    EXPECT_EQ(preview.TaskReplaced(tasks, settings), TaskResult::Ok);
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"c.txt"));
}

// A load applies each task read in place; one that fails part way leaves
// entries changed, and the load's emptying of the list shows the current
// values again.
TEST_F(PreviewTest, TasksReadFromAFileApplyInPlaceAndAFailedLoadShowsTheCurrentEntries) {
    FileEntries dated = {File(L"a.txt"), File(L"b.txt")};
    dated[0].modified = 1563000000;  // July 2019 in New York
    dated[1].modified = 0;           // a year that can't be written back
    List(dated);
    tasks.push_back({1, L"", Rename(L".txt", L".md")});
    EXPECT_EQ(preview.TaskRead(tasks, settings), TaskResult::Ok);
    EXPECT_THAT(Names(preview.newEntries()), ElementsAre(L"a.md", L"b.md"));
    EXPECT_EQ(view.updates.back(), NewListUpdate::kInPlace);

    tasks.push_back({2, L"", Timestamp(L"Modified", L"2019", L"2020")});
    EXPECT_EQ(preview.TaskRead(tasks, settings), TaskResult::Failed);
    tasks.clear();
    preview.TaskListEmptied();
    EXPECT_EQ(preview.newEntries(), preview.currentEntries());
}

TEST_F(PreviewTest, EmptiedTaskListResetsTheNewEntries) {
    List({File(L"a.txt")});
    Append(Rename(L"a", L"b"));
    tasks.clear();
    preview.TaskListEmptied();
    EXPECT_EQ(preview.newEntries(), preview.currentEntries());
    EXPECT_EQ(view.updates.back(), NewListUpdate::kInPlace);
}

}  // namespace
}  // namespace torvane
