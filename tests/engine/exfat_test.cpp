// Plans and jobs on a file system that folds letter case: exFAT through FUSE,
// on a loop device over a small image file. Needs root, the loop and FUSE
// devices and the exFAT tools; the tests are skipped, saying what is
// missing, where any of them is not there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <iterator>
#include <string>

#include "disk_job.hpp"
#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "job_support.hpp"
#include "loop_mount.hpp"
#include "path_steps.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::InodesByName;
using testing::LoopMount;
using testing::MapNames;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::SilentObserver;
using testing::WriteBytes;

// 2000-01-01 00:00:00 UTC.
constexpr std::int64_t kY2k = 946684800;

class ExfatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!volume_.why().empty())
            GTEST_SKIP() << volume_.why();
        mount_ = volume_.path();
    }

    std::string Path(const std::string& name) const { return mount_ + "/" + name; }

    JobSettings Settings(TaskList tasks) const {
        JobSettings settings;
        settings.paths = {FromUtf8(mount_ + "/")};
        settings.tasks = std::move(tasks);
        return settings;
    }

    LoopMount volume_{LoopMount::Kind::kExfatFuse};
    std::string mount_;

    PosixFileSystem fs;
    RecordingDialogs dialogs;
    SilentObserver observer;
};

// Folds case, and its folders are changed one at a time: exFAT through FUSE
// keeps inode numbers only as long as the kernel caches them.
TEST_F(ExfatTest, FoldsCaseAndTakesOneFolderAtATime) {
    WriteBytes(Path("Photo.JPG"), "x");
    auto folder = fs.OpenFolder(FromUtf8(mount_ + "/"));
    ASSERT_TRUE(folder.ok());
    const FolderTraits traits = (*folder)->Traits(L"Photo.JPG");
    EXPECT_TRUE(traits.foldsCase);
    EXPECT_FALSE(traits.parallelFolders);
    testing::TempDir local;
    auto native = fs.OpenFolder(FromUtf8(local.path() + "/"));
    ASSERT_TRUE(native.ok());
    EXPECT_TRUE((*native)->Traits(L"").parallelFolders);
}

TEST_F(ExfatTest, ChangeOfLetterCaseOnlyIsCarriedOut) {
    WriteBytes(Path("photo.JPG"), "picture");
    JobSettings settings = Settings(MapNames({{L"photo.JPG", L"photo.jpg"}}));
    settings.engine.caseSensitive = true;
    const auto result = RunJob(settings, fs, dialogs, observer, 0);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    const auto names = InodesByName(mount_);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names.begin()->first, "photo.jpg");
    EXPECT_EQ(ReadBytes(Path("photo.jpg")), "picture");
}

// "a.txt" -> "B.txt" waits for "b.txt" and "b.txt" -> "A.txt" for "a.txt":
// a swap once case is folded, and moves that can't refuse to replace
// (FUSE has no RENAME_NOREPLACE) still replace nothing.
TEST_F(ExfatTest, SwapThatDiffersInCaseSucceeds) {
    WriteBytes(Path("a.txt"), "first");
    WriteBytes(Path("b.txt"), "second");
    const auto result = RunJob(Settings(MapNames({{L"a.txt", L"B.txt"}, {L"b.txt", L"A.txt"}})), fs,
                               dialogs, observer, 0);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    const auto names = InodesByName(mount_);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names.begin()->first, "A.txt");
    EXPECT_EQ(std::next(names.begin())->first, "B.txt");
    EXPECT_EQ(ReadBytes(Path("B.txt")), "first");
    EXPECT_EQ(ReadBytes(Path("A.txt")), "second");
}

// Names that differ in letter case only are one name here.
TEST_F(ExfatTest, PlanFindsNewNamesThatDifferInCaseOnly) {
    WriteBytes(Path("a.txt"), "a");
    WriteBytes(Path("b.txt"), "b");
    const JobPlan given =
        BuildPlan(Settings(MapNames({{L"a.txt", L"X.txt"}, {L"b.txt", L"x.txt"}})), fs, dialogs);
    ASSERT_EQ(given.folders.size(), 1u);
    const PlannedFolder& twice = given.folders[0];
    ASSERT_EQ(twice.current.size(), 2u);
    EXPECT_TRUE(twice.traits.foldsCase);
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_NE(twice.FindingAt(i), nullptr) << i;
        EXPECT_EQ(twice.FindingAt(i)->kind, FindingKind::kDuplicateName)
            << ToUtf8(twice.FindingAt(i)->message);
    }
}

TEST_F(ExfatTest, PlanFindsANameTakenInAnotherCase) {
    WriteBytes(Path("A.txt"), "moving");
    WriteBytes(Path("B.TXT"), "held");
    const JobPlan plan = BuildPlan(Settings(MapNames({{L"A.txt", L"b.txt"}})), fs, dialogs);
    ASSERT_EQ(plan.folders.size(), 1u);
    const PlannedFolder& f = plan.folders[0];
    ASSERT_EQ(f.current.size(), 2u);
    const std::size_t a = f.current[0].name == L"A.txt" ? 0 : 1;
    ASSERT_NE(f.FindingAt(a), nullptr);
    EXPECT_EQ(f.FindingAt(a)->kind, FindingKind::kNameTaken) << ToUtf8(f.FindingAt(a)->message);

    const auto result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(ReadBytes(Path("A.txt")), "moving");
    EXPECT_EQ(ReadBytes(Path("B.TXT")), "held");
}

// exFAT keeps no Windows attributes on Linux and its creation time can't be
// set through FUSE: the plan says so before the job, and a direct call fails
// with the same words instead of seeming to succeed.
TEST_F(ExfatTest, AttributeAndCreationTimeChangesAreRefusedWithTheirMessage) {
    WriteBytes(Path("a.txt"), "a");
    struct Case {
        const char* what;
        TaskItem task;
        const wchar_t* message;
    };
    AttributeTaskFields hidden;
    hidden.find = L".*";
    hidden.attributes = std::to_wstring(FILE_ATTRIBUTE_HIDDEN);
    hidden.regex = L"TRUE";
    AttributeTaskFields readOnly = hidden;
    readOnly.attributes = std::to_wstring(FILE_ATTRIBUTE_READONLY);
    TimestampTaskFields created;
    created.timeKind = L"Created";
    created.find = L"^.*$";
    created.replace = L"2000-01-01";
    created.regex = L"TRUE";
    const Case cases[] = {
        {"Hidden",
         {1, L"", BuildTaskDefinition(hidden)},
         L"Hidden can't be stored on this exFAT volume."},
        {"Read-only",
         {1, L"", BuildTaskDefinition(readOnly)},
         L"Read-only can't be stored on this exFAT volume."},
        {"creation time",
         {1, L"", BuildTaskDefinition(created)},
         L"The creation time can't be stored on this exFAT volume."},
    };
    for (const auto& c : cases) {
        const JobPlan plan = BuildPlan(Settings({c.task}), fs, dialogs);
        ASSERT_EQ(plan.folders.size(), 1u) << c.what;
        const PlannedFolder& f = plan.folders[0];
        ASSERT_EQ(f.current.size(), 1u) << c.what;
        ASSERT_NE(f.FindingAt(0), nullptr) << c.what;
        EXPECT_EQ(f.FindingAt(0)->kind, FindingKind::kCannotApply) << c.what;
        EXPECT_EQ(f.FindingAt(0)->message, c.message) << c.what;
        // Tried anyway, the change fails and the log gives the same words.
        const auto result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
        EXPECT_TRUE(result.error) << c.what;
        std::wstring log;
        for (const auto& line : result.log)
            log += line;
        EXPECT_NE(log.find(c.message), std::wstring::npos) << c.what << ": " << ToUtf8(log);
    }

    const auto path = FromUtf8(Path("a.txt"));
    const auto st = testing::SetAttributesAt(fs, path, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().code, EOPNOTSUPP);
    EXPECT_EQ(st.error().text, L"Hidden can't be stored on this exFAT volume.");
    auto handle = testing::OpenAt(fs, path);
    ASSERT_TRUE(handle.ok());
    const auto times = (*handle)->SetTimes(kY2k, kY2k, kY2k);
    ASSERT_FALSE(times.ok());
    EXPECT_EQ(times.error().text, L"The creation time can't be stored on this exFAT volume.");
    // Nothing was written on the way: neither a word nor the other times.
    EXPECT_EQ(*fs.GetAttributes(path), FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(fs.FindEntry(path)->modified, kY2k);
    // Setting the word it already shows is no change, and succeeds.
    EXPECT_TRUE(testing::SetAttributesAt(fs, path, FILE_ATTRIBUTE_NORMAL).ok());
}

}  // namespace
}  // namespace torvane
