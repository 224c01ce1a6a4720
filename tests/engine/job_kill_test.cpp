// A job killed at any moment leaves every entry under its old name or its new
// one: each rename is one system call that happened or did not. And its undo,
// from a journal whose records were all lost, brings every entry back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "disk_job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "job_support.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::TempDir;
using testing::WriteBytes;

std::map<ino_t, std::string> InodesOf(const std::string& folder) {
    std::map<ino_t, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        struct stat st {};
        EXPECT_EQ(::lstat(e.path().c_str(), &st), 0);
        out[st.st_ino] = e.path().filename().string();
    }
    return out;
}

// Runs the job child on a fresh folder of `files` files f0, f1, ... with the
// extra argument `mode` (empty: none), kills it once it has made `steps`
// changes, and returns the inodes before and after. `beforeChild` runs once
// the files are made, before the child starts.
struct KilledRun {
    std::map<ino_t, std::string> before;
    std::map<ino_t, std::string> after;
    bool killedEarly = true;  // false: the job had ended before
};

// Runs the job child on `dir` with the extra argument `mode` (empty: none)
// and kills it once it has made `steps` changes; false when the job had
// ended before.
bool KillChildAfter(const TempDir& dir, const char* mode, std::size_t steps) {
    std::vector<std::string> argv{TORVANE_JOB_CHILD, dir.path() + "/"};
    if (*mode != '\0')
        argv.emplace_back(mode);
    return testing::KillChildAfterSteps(argv, steps);
}

KilledRun KillPartWay(const TempDir& dir, int files, const char* mode, std::size_t steps,
                      const std::function<void()>& beforeChild = {}) {
    KilledRun run;
    for (int i = 0; i < files; ++i)
        WriteBytes(dir.Join("f" + std::to_string(i)), "");
    run.before = InodesOf(dir.path());
    if (beforeChild)
        beforeChild();
    run.killedEarly = KillChildAfter(dir, mode, steps);
    run.after = InodesOf(dir.path());
    return run;
}

TEST(JobKill, KilledMidWayLosesNoEntry) {
    TempDir dir;
    constexpr int kFiles = 3000;
    const KilledRun run = KillPartWay(dir, kFiles, "", 1000);
    ASSERT_EQ(run.before.size(), static_cast<std::size_t>(kFiles));
    ASSERT_TRUE(run.killedEarly) << "the job ended before it was killed";
    const auto& before = run.before;
    const auto& after = run.after;
    ASSERT_EQ(after.size(), before.size());
    int renamed = 0;
    for (const auto& [inode, oldName] : before) {
        const auto it = after.find(inode);
        ASSERT_NE(it, after.end()) << oldName << " is gone";
        const std::string newName = "g" + oldName.substr(1);
        EXPECT_TRUE(it->second == oldName || it->second == newName) << it->second;
        renamed += it->second == newName;
    }
    EXPECT_GE(renamed, 1000);
}

// A batch made of rotations of three, each through a temporary name, killed
// part-way: every entry is still there, under its old name, its new name or
// the documented temporary form.
TEST(JobKill, KilledAmidCyclesLosesNoEntryAndLeavesOnlyKnownNames) {
    TempDir dir;
    constexpr int kFiles = 3000;
    const KilledRun run = KillPartWay(dir, kFiles, "cycles", 1500);
    ASSERT_EQ(run.before.size(), static_cast<std::size_t>(kFiles));
    ASSERT_TRUE(run.killedEarly) << "the job ended before it was killed";
    ASSERT_EQ(run.after.size(), run.before.size());
    const std::regex temporary(R"(\.torvane-(cycle|move)-[0-9]+-[0-9]+)");
    int moved = 0;
    for (const auto& [inode, oldName] : run.before) {
        const auto it = run.after.find(inode);
        ASSERT_NE(it, run.after.end()) << oldName << " is gone";
        const long n = std::stol(oldName.substr(1));
        const std::string newName = "f" + std::to_string(n % 3 == 2 ? n - 2 : n + 1);
        EXPECT_TRUE(it->second == oldName || it->second == newName ||
                    std::regex_match(it->second, temporary))
            << oldName << " is now " << it->second;
        moved += it->second == newName;
    }
    EXPECT_GE(moved, 300);  // hundreds of cycles got through before the kill
}

// The child's plan, made here from the same folder before the child starts:
// its journal is what the child's history held, every record after Begin lost
// with the process (each entry still "planned").
std::vector<JournalEntry> JournalOfChildJob(const std::string& folder, bool cycles) {
    JobSettings settings;
    settings.paths = {FromUtf8(folder) + L"/"};
    if (!cycles)
        settings.tasks = {testing::RegexRename(L"^f", L"g")};
    PosixFileSystem fs;
    testing::RecordingDialogs dialogs;
    JobPlan plan = BuildPlan(settings, fs, dialogs);
    if (cycles) {
        PlannedFolder& f = plan.folders.at(0);
        for (std::size_t i = 0; i < f.current.size(); ++i) {
            const long n = std::stol(f.current[i].name.bytes().substr(1));
            f.updated[i].name = L"f" + std::to_wstring(n % 3 == 2 ? n - 2 : n + 1);
            f.steps[i] = StepsFor(f.current[i], f.updated[i], settings.engine);
        }
    }
    return JournalOfPlan(plan).entries;
}

// Killed at several points, with or without cycles, the job is undone back
// to its start: every inode under its old name, the temporary names included.
TEST(JobKill, KilledJobIsUndoneBackToItsStart) {
    const struct {
        const char* mode;
        std::size_t steps;
    } cases[] = {{"", 1}, {"", 150}, {"", 450}, {"cycles", 2}, {"cycles", 151}, {"cycles", 400}};
    // Whether a kill lands while an entry of a cycle stands aside is up to
    // the timing: the runs that leave one are recorded, not required (the
    // undo tests leave an entry aside on purpose).
    int leftAside = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " killed after " + std::to_string(c.steps));
        TempDir dir;
        std::vector<JournalEntry> journal;
        const bool cycles = *c.mode != '\0';
        const KilledRun run = KillPartWay(dir, 600, c.mode, c.steps,
                                          [&] { journal = JournalOfChildJob(dir.path(), cycles); });
        ASSERT_TRUE(run.killedEarly) << "the job ended before it was killed";
        ASSERT_NE(run.after, run.before);
        for (const auto& [inode, name] : run.after)
            leftAside += name.rfind(".torvane-", 0) == 0 ? 1 : 0;

        PosixFileSystem fs;
        const JobPlan undo = BuildUndoPlan(std::vector<JournalEntry>(journal), fs);
        EXPECT_EQ(undo.problems, 0);
        testing::SilentObserver observer;
        const JobResult result = ApplyPlan(undo, fs, observer, 0, ProblemEntries::kSkip);
        EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
        EXPECT_EQ(InodesOf(dir.path()), run.before);
    }
    ::testing::Test::RecordProperty("runs_left_aside", leftAside);
}

// The child's job in its "tree" mode: f -> g for every entry, folders
// included, on four threads.
JobSettings TreeJobSettings(const std::string& root) {
    JobSettings settings;
    settings.paths = {FromUtf8(root) + L"/"};
    settings.tasks = {testing::RegexRename(L"^f", L"g")};
    settings.listOptions.includeSubfolders = true;
    settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
    settings.engine.attributeTarget = AttributeTarget::kBoth;
    settings.engine.folderThreads = 4;
    return settings;
}

// Inode -> its folder's inode and its name, for every entry below `root`.
std::map<ino_t, std::pair<ino_t, std::string>> TreeOf(const std::string& root) {
    std::map<ino_t, std::pair<ino_t, std::string>> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {
        }, above{};
        EXPECT_EQ(::lstat(e.path().c_str(), &st), 0);
        EXPECT_EQ(::lstat(e.path().parent_path().c_str(), &above), 0);
        out[st.st_ino] = {above.st_ino, e.path().filename().string()};
    }
    return out;
}

// A tree whose folders are applied on four threads, killed at several
// points: every inode is still in its own folder under its old name or its
// new one, a folder renamed only with all its files renamed, and the undo,
// from a journal whose records were all lost, gives every inode its place.
TEST(JobKill, KilledMidTreeOnSeveralThreadsLosesNoEntryAndIsUndone) {
    for (const std::size_t steps : {std::size_t{40}, std::size_t{700}, std::size_t{1500}}) {
        SCOPED_TRACE("killed after " + std::to_string(steps));
        TempDir dir;
        for (int d = 0; d < 24; ++d) {
            const std::string folder = dir.Join("f" + std::to_string(d));
            ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
            for (int i = 0; i < 80; ++i)
                WriteBytes(folder + "/f" + std::to_string(i), "");
        }
        const auto before = TreeOf(dir.path());
        JobSettings settings = TreeJobSettings(dir.path());
        PosixFileSystem fs;
        testing::RecordingDialogs dialogs;
        const JobPlan plan = BuildPlan(settings, fs, dialogs);
        const std::vector<JournalEntry> journal = JournalOfPlan(plan).entries;

        ASSERT_TRUE(KillChildAfter(dir, "tree", steps)) << "the job ended before it was killed";
        const auto after = TreeOf(dir.path());
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [inode, was] : before) {
            const auto it = after.find(inode);
            ASSERT_NE(it, after.end()) << was.second << " is gone";
            const auto& [folder, name] = it->second;
            EXPECT_EQ(folder, was.first) << name << " left its folder";
            EXPECT_TRUE(name == was.second || name == "g" + was.second.substr(1)) << name;
        }
        for (const auto& [inode, where] : after) {
            const auto folder = after.find(where.first);
            if (folder != after.end() && folder->second.second[0] == 'g') {
                EXPECT_EQ(where.second[0], 'g')
                    << where.second << " not renamed in " << folder->second.second;
            }
        }
        const JobPlan undo = BuildUndoPlan(std::vector<JournalEntry>(journal), fs);
        EXPECT_EQ(undo.problems, 0);
        testing::SilentObserver observer;
        const JobResult result = ApplyPlan(undo, fs, observer, 0, ProblemEntries::kSkip);
        EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
        EXPECT_EQ(TreeOf(dir.path()), before);
    }
}

}  // namespace
}  // namespace torvane
