// A job killed at any moment leaves every entry under its old name or its new
// one: each rename is one system call that happened or did not.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

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

TEST(JobKill, KilledMidWayLosesNoEntry) {
    TempDir dir;
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i)
        WriteBytes(dir.Join("f" + std::to_string(i)), "");
    const auto before = InodesOf(dir.path());
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kFiles));

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl(TORVANE_JOB_CHILD, TORVANE_JOB_CHILD, (dir.path() + "/").c_str(), nullptr);
        _exit(127);
    }
    ::close(out[1]);
    // Wait for a third of the steps, then kill at once.
    char buffer[1000];
    std::size_t seen = 0;
    while (seen < sizeof buffer) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer - seen);
        ASSERT_GT(n, 0) << "the job ended before it was killed";
        seen += static_cast<std::size_t>(n);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(out[0]);

    const auto after = InodesOf(dir.path());
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

}  // namespace
}  // namespace torvane
