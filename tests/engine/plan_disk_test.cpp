// Plans built and applied on real folders through the Linux file system:
// chains and cycles of renames, names held by entries the job does not list,
// and what the folder's traits say.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "disk_job.hpp"
#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::InodesByName;
using testing::MapNames;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::SilentObserver;
using testing::TempDir;
using testing::WriteBytes;

std::string FirstLine(const JobResult& result) {
    return result.log.size() > 1 ? ToUtf8(result.log[1]) : "";
}

class PlanDiskTest : public ::testing::Test {
  protected:
    JobSettings Settings(TaskList tasks) const {
        JobSettings settings;
        settings.root = FromUtf8(dir.path() + "/");
        settings.tasks = std::move(tasks);
        return settings;
    }
    JobResult Run(TaskList tasks) {
        return RunJob(Settings(std::move(tasks)), fs, dialogs, observer, 0);
    }
    // Files whose content is their own name, so that a file's content tells
    // which file it was after any renames.
    void Create(const std::vector<std::string>& names) {
        for (const auto& name : names)
            WriteBytes(dir.Join(name), name);
    }

    TempDir dir;
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    SilentObserver observer;
};

// Each name takes the next one's, so every rename but the last waits for
// another: the numbers only go up if the last in the chain moves first.
TEST_F(PlanDiskTest, RenumberingUpwardsMovesEachFileIntoAFreedName) {
    const std::vector<std::string> before{"DSC_0001", "DSC_0002", "DSC_0010", "DSC_0100"};
    Create(before);
    const auto inodes = InodesByName(dir.path());
    RenameTaskFields f;
    f.find = L"^DSC_\\d+";
    f.replace = L"DSC_####";
    f.numbering = L"TRUE";
    f.startNumber = L"2";
    f.regex = L"TRUE";
    const auto result = Run({TaskItem{1, L"", BuildTaskDefinition(f)}});
    EXPECT_FALSE(result.error) << FirstLine(result);
    EXPECT_EQ(result.log.size(), 1u) << FirstLine(result);
    std::map<std::string, ino_t> expected;
    for (std::size_t k = 0; k < before.size(); ++k)
        expected["DSC_000" + std::to_string(k + 2)] = inodes.at(before[k]);
    EXPECT_EQ(InodesByName(dir.path()), expected);
}

struct CycleCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> renames;  // old -> new, all at once
};

class PlanDiskCycleTest : public PlanDiskTest, public ::testing::WithParamInterface<CycleCase> {};

TEST_P(PlanDiskCycleTest, EveryRenameSucceedsAndNoTemporaryNameRemains) {
    std::vector<std::string> names;
    std::vector<std::pair<std::wstring, std::wstring>> map;
    for (const auto& [from, to] : GetParam().renames) {
        names.push_back(from);
        map.emplace_back(FromUtf8(from), FromUtf8(to));
    }
    Create(names);
    const auto inodes = InodesByName(dir.path());

    const auto result = Run(MapNames(map));
    EXPECT_FALSE(result.error) << FirstLine(result);
    EXPECT_EQ(result.log.size(), 1u) << FirstLine(result);
    std::map<std::string, ino_t> expected;
    for (const auto& [from, to] : GetParam().renames)
        expected[to] = inodes.at(from);
    EXPECT_EQ(InodesByName(dir.path()), expected);  // nothing else, no temporary name
    for (const auto& [from, to] : GetParam().renames)
        EXPECT_EQ(ReadBytes(dir.Join(to)), from) << to;
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, PlanDiskCycleTest,
    ::testing::Values(
        CycleCase{"Swap", {{"a.txt", "b.txt"}, {"b.txt", "a.txt"}}},
        CycleCase{"Rotation", {{"a", "b"}, {"b", "c"}, {"c", "a"}}},
        // The first entry listed waits for the last.
        CycleCase{"RotationBackwards", {{"a", "c"}, {"b", "a"}, {"c", "b"}}},
        CycleCase{"SwapsBesideAChain",
                  {{"a", "b"}, {"b", "a"}, {"c", "d"}, {"d", "e"}, {"x", "y"}, {"y", "x"}}}),
    [](const auto& info) { return std::string(info.param.label); });

// An entry the job does not list (a dot file, or a folder when only files
// are listed) holds the new name of a listed file: the plan finds it, a job
// that skips problems leaves both alone and says why, and one that tries
// anyway fails the move without replacing anything.
struct HolderCase {
    const char* label;
    const char* holder;
    bool folder;
};

class PlanDiskHolderTest : public PlanDiskTest, public ::testing::WithParamInterface<HolderCase> {};

TEST_P(PlanDiskHolderTest, AnUnlistedEntryInTheWayIsNeverReplaced) {
    const std::string holder = GetParam().holder;
    WriteBytes(dir.Join("a.txt"), "moving");
    if (GetParam().folder) {
        std::filesystem::create_directory(dir.Join(holder));
        WriteBytes(dir.Join(holder + "/inside"), "held");
    } else {
        WriteBytes(dir.Join(holder), "held");
    }
    const std::string held = GetParam().folder ? holder + "/inside" : holder;
    const auto settings = Settings(MapNames({{L"a.txt", FromUtf8(holder)}}));

    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    ASSERT_EQ(plan.folders.size(), 1u);
    const PlannedFolder& f = plan.folders[0];
    ASSERT_EQ(f.current.size(), 1u);
    ASSERT_NE(f.FindingAt(0), nullptr);
    EXPECT_EQ(f.FindingAt(0)->kind, FindingKind::kNameTaken) << ToUtf8(f.FindingAt(0)->message);
    EXPECT_EQ(plan.problems, 1);

    const auto skipped = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    EXPECT_TRUE(skipped.error);
    ASSERT_EQ(skipped.log.size(), 2u);
    EXPECT_TRUE(
        skipped.log[1].starts_with(std::wstring(kEntryNotChanged) + FromUtf8(dir.Join("a.txt"))))
        << ToUtf8(skipped.log[1]);
    EXPECT_EQ(ReadBytes(dir.Join("a.txt")), "moving");
    EXPECT_EQ(ReadBytes(dir.Join(held)), "held");

    const auto attempted = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    EXPECT_TRUE(attempted.error);
    ASSERT_EQ(attempted.log.size(), 2u);
    EXPECT_EQ(attempted.log[1], std::wstring(kErrorRenamingFile) + FromUtf8(dir.Join("a.txt")) +
                                    L"..........File exists\r\n");
    EXPECT_EQ(ReadBytes(dir.Join("a.txt")), "moving");
    EXPECT_EQ(ReadBytes(dir.Join(held)), "held");
}

INSTANTIATE_TEST_SUITE_P(Holders, PlanDiskHolderTest,
                         ::testing::Values(HolderCase{"DotFile", ".b.txt", false},
                                           HolderCase{"Folder", "b.txt", true}),
                         [](const auto& info) { return std::string(info.param.label); });

// A file whose name differs from the new name in letter case only, and that
// looks the same in every way but its inode, is another file here: the move
// fails and neither is touched.
TEST_F(PlanDiskTest, ALookAlikeInAnotherCaseIsNotTakenForTheSameFile) {
    WriteBytes(dir.Join("a.txt"), "same");
    WriteBytes(dir.Join("A.txt"), "SAME");
    const struct timespec times[2] = {{1000000000, 5}, {1000000000, 5}};
    for (const char* name : {"a.txt", "A.txt"})
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.Join(name).c_str(), times, 0), 0);
    JobSettings settings = Settings(MapNames({{L"a.txt", L"A.txt"}}));
    settings.engine.caseSensitive = true;
    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    ASSERT_EQ(plan.problems, 1);
    const auto result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    ASSERT_EQ(result.log.size(), 2u);
    EXPECT_EQ(result.log[1], std::wstring(kErrorRenamingFile) + FromUtf8(dir.Join("a.txt")) +
                                 L"..........File exists\r\n");
    EXPECT_EQ(ReadBytes(dir.Join("a.txt")), "same");
    EXPECT_EQ(ReadBytes(dir.Join("A.txt")), "SAME");
    EXPECT_EQ(InodesByName(dir.path()).size(), 2u);
}

// Linux's own file systems keep names apart by letter case, even when
// another entry's name differs from the sample's in case only.
TEST_F(PlanDiskTest, TemporaryFolderDoesNotFoldCase) {
    WriteBytes(dir.Join("Photo.jpg"), "");
    auto folder = fs.OpenFolder(FromUtf8(dir.path() + "/"));
    ASSERT_TRUE(folder.ok());
    EXPECT_FALSE((*folder)->Traits(L"Photo.jpg").foldsCase);
    EXPECT_FALSE((*folder)->Traits(L"").foldsCase);
    WriteBytes(dir.Join("pHOTO.JPG"), "");
    EXPECT_FALSE((*folder)->Traits(L"Photo.jpg").foldsCase);
}

}  // namespace
}  // namespace torvane
