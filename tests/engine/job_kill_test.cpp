// A job killed at any moment leaves every entry under its old name or its new
// one: each rename is one system call that happened or did not.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

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
// changes, and returns the inodes before and after.
struct KilledRun {
    std::map<ino_t, std::string> before;
    std::map<ino_t, std::string> after;
    bool killedEarly = true;  // false: the job had ended before
};

KilledRun KillPartWay(const TempDir& dir, int files, const char* mode, std::size_t steps) {
    KilledRun run;
    for (int i = 0; i < files; ++i)
        WriteBytes(dir.Join("f" + std::to_string(i)), "");
    run.before = InodesOf(dir.path());

    int out[2];
    if (::pipe(out) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        const std::string root = dir.path() + "/";
        if (*mode != '\0')
            ::execl(TORVANE_JOB_CHILD, TORVANE_JOB_CHILD, root.c_str(), mode, nullptr);
        else
            ::execl(TORVANE_JOB_CHILD, TORVANE_JOB_CHILD, root.c_str(), nullptr);
        _exit(127);
    }
    ::close(out[1]);
    std::vector<char> buffer(steps);
    std::size_t seen = 0;
    while (seen < steps) {
        const ssize_t n = ::read(out[0], buffer.data() + seen, steps - seen);
        if (n <= 0) {
            run.killedEarly = false;
            break;
        }
        seen += static_cast<std::size_t>(n);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(out[0]);
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

}  // namespace
}  // namespace torvane
