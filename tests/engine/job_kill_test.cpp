// A job killed at any moment leaves every entry under its old name or its new
// one: each rename is one system call that happened or did not.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
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

// Runs the job child on `folder` (with `mode` when not null) and kills it
// once at least `changes` changes are done: the child writes a byte before
// each change, so the byte after the last of them says it is over.
void RunAndKill(const std::string& folder, const char* mode, std::size_t changes) {
    const std::size_t steps = changes + 1;
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        const std::string root = folder + "/";
        ::execl(TORVANE_JOB_CHILD, TORVANE_JOB_CHILD, root.c_str(), mode, nullptr);
        _exit(127);
    }
    ::close(out[1]);
    char buffer[1000];
    std::size_t seen = 0;
    while (seen < steps) {
        const ssize_t n = ::read(out[0], buffer, std::min(sizeof buffer, steps - seen));
        ASSERT_GT(n, 0) << "the job ended before it was killed";
        seen += static_cast<std::size_t>(n);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(out[0]);
}

TEST(JobKill, KilledMidWayLosesNoEntry) {
    TempDir dir;
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i)
        WriteBytes(dir.Join("f" + std::to_string(i)), "");
    const auto before = InodesOf(dir.path());
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kFiles));

    // Wait for a third of the steps, then kill at once.
    ASSERT_NO_FATAL_FAILURE(RunAndKill(dir.path(), nullptr, 1000));
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

// A folder of swaps and rotations only (the child's "cycles" mode): "sK-0"
// and "sK-1" take each other's names, "rK-0" -> "rK-1" -> "rK-2" -> "rK-0".
// Killed part-way, every entry is under its old name, its new name or, for
// the one cycle under way, the temporary name that breaks it; every other
// cycle went through whole or not at all.
TEST(JobKill, KilledMidWayThroughCyclesLosesNoEntry) {
    TempDir dir;
    constexpr int kGroups = 600;
    struct Member {
        std::string group;
        std::string oldName;
        std::string newName;
    };
    std::map<std::string, Member> members;  // by old name
    for (int k = 0; k < kGroups; ++k) {
        const std::string swap = "s" + std::to_string(k);
        const std::string rotation = "r" + std::to_string(k);
        for (int j = 0; j < 2; ++j)
            members[swap + "-" + std::to_string(j)] = {swap, swap + "-" + std::to_string(j),
                                                       swap + "-" + std::to_string(1 - j)};
        for (int j = 0; j < 3; ++j)
            members[rotation + "-" + std::to_string(j)] = {
                rotation, rotation + "-" + std::to_string(j),
                rotation + "-" + std::to_string((j + 1) % 3)};
    }
    for (const auto& [name, member] : members)
        WriteBytes(dir.Join(name), name);
    const auto before = InodesOf(dir.path());
    ASSERT_EQ(before.size(), members.size());

    ASSERT_NO_FATAL_FAILURE(RunAndKill(dir.path(), "cycles", 1000));

    const auto after = InodesOf(dir.path());
    ASSERT_EQ(after.size(), before.size());
    const std::regex temporary(R"(^\.torvane-(cycle|move)-[0-9]+-[0-9]+$)");
    int temporaries = 0;
    std::map<std::string, std::pair<int, int>> groups;  // old names, new names
    for (const auto& [inode, oldName] : before) {
        const auto it = after.find(inode);
        ASSERT_NE(it, after.end()) << oldName << " is gone";
        const Member& member = members.at(oldName);
        auto& [kept, renamed] = groups[member.group];
        if (it->second == member.oldName)
            ++kept;
        else if (it->second == member.newName)
            ++renamed;
        else if (std::regex_match(it->second, temporary))
            ++temporaries;
        else
            ADD_FAILURE() << oldName << " is now " << it->second;
    }
    EXPECT_LE(temporaries, 1);
    int whole = 0;
    int partial = 0;
    for (const auto& [group, counts] : groups) {
        const auto [kept, renamed] = counts;
        const int size = group[0] == 's' ? 2 : 3;
        whole += renamed == size;
        partial += kept != size && renamed != size;
    }
    EXPECT_GE(whole, 1) << "no cycle got through before the kill";
    EXPECT_LE(partial, 1) << "more than one cycle was left half done";
}

}  // namespace
}  // namespace torvane
