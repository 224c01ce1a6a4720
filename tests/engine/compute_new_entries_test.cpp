#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::Attribute;
using ::testing::ElementsAre;
using testing::File;
using testing::Folder;
using ::testing::IsEmpty;
using testing::Names;
using testing::Rename;
using testing::Timestamp;

using ComputeNewEntriesTest = testing::EngineTest;

TEST_F(ComputeNewEntriesTest, EmptyTaskListGivesTheEntries) {
    const FileEntries entries = {File(L"a"), Folder(L"b")};
    const auto out = Compute(entries, {});
    EXPECT_EQ(out.result, TaskResult::Ok);
    EXPECT_EQ(out.entries, entries);
}

TEST_F(ComputeNewEntriesTest, TasksApplyInListOrderEachToThePreviousResult) {
    const auto out = Compute({File(L"IMG_1.jpg"), File(L"IMG_2.jpg")},
                             {Rename(L"IMG_", L"Trip "), Rename(L"Trip (\\d)", L"Trip 0$1", true),
                              Rename(L"Trip", L"# Trip", false, true, L"5")});
    EXPECT_EQ(out.result, TaskResult::Ok);
    EXPECT_THAT(Names(out.entries), ElementsAre(L"5 Trip 01.jpg", L"6 Trip 02.jpg"));
}

TEST_F(ComputeNewEntriesTest, FailureAnywhereGivesTheUnchangedInput) {
    testing::ScopedTimeZone zone("UTC0");
    const FileEntries entries = {File(L"a.txt", 0), File(L"b.txt", 0)};
    const struct {
        std::wstring failing;
        TaskResult result;
    } cases[] = {
        {L"$Unknown<>", TaskResult::Failed},
        {Rename(L"(", L"x", true), TaskResult::InvalidExpression},
        {Timestamp(L"Created", L".*", L"never", true), TaskResult::Failed},
        {Attribute(L"[", L"2", true), TaskResult::InvalidExpression},
    };
    for (const auto& c : cases) {
        dialogs.Clear();
        // The task after the failing one would show a message of its own.
        const auto out = Compute(entries, {Rename(L"a", L"z"), Attribute(L".*", L"2", true),
                                           c.failing, Rename(L"[", L"x", true)});
        EXPECT_EQ(out.result, c.result) << c.failing;
        EXPECT_EQ(out.entries, entries) << c.failing;
        EXPECT_LE(dialogs.messages().size(), 1u) << c.failing;
    }
}

TEST_F(ComputeNewEntriesTest, NumberingRestartsForEverySequence) {
    // The job computes each folder on its own: numbering starts at SNUM again.
    const auto task = Rename(L"x", L"#", false, true, L"1");
    EXPECT_THAT(Names(Compute({File(L"x"), File(L"x")}, {task}).entries), ElementsAre(L"1", L"2"));
    EXPECT_THAT(Names(Compute({File(L"x")}, {task}).entries), ElementsAre(L"1"));
}

TEST_F(ComputeNewEntriesTest, ConcurrentJobsShareNothing) {
    // Two workers with their own settings apply the same task list at once.
    FileEntries entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back(File(L"Photo.JPG"));
    const TaskList tasks = testing::Tasks({Rename(L"photo", L"pic_###", false, true, L"1")});
    NewEntries folded, exact;
    std::thread first([&] {
        folded = ComputeNewEntries(entries, tasks,
                                   {{.caseSensitive = false}, dialogs, ApplyMode::JobMode, {}});
    });
    std::thread second([&] {
        exact = ComputeNewEntries(entries, tasks,
                                  {{.caseSensitive = true}, dialogs, ApplyMode::JobMode, {}});
    });
    first.join();
    second.join();
    EXPECT_EQ(folded.entries.back().name, L"pic_2000.JPG");
    EXPECT_EQ(exact.entries, entries);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

}  // namespace
}  // namespace torvane
