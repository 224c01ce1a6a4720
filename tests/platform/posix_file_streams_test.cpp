// Writing files on Linux never harms what is no regular file: a FIFO, a
// device, a socket, a folder or a link put where the file is to go is
// refused and left exactly as it was, in both writing modes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// What a target is, as lstat and readlink tell it: compared before and after.
std::string Identity(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return "missing";
    std::string out = std::to_string(st.st_mode) + ":" + std::to_string(st.st_ino) + ":" +
                      std::to_string(st.st_size) + ":" + std::to_string(st.st_rdev);
    if (S_ISLNK(st.st_mode))
        out += "->" + std::filesystem::read_symlink(path).string();
    return out;
}

// Makes a Unix socket at `path`; returns its descriptor (the caller closes).
int MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        ADD_FAILURE() << "can't make a socket at " << path;
    return fd;
}

TEST(PosixFileWriting, WhatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    TempDir dir;
    WriteBytes(dir.Join("file"), "kept");
    ASSERT_EQ(::mkfifo(dir.Join("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.Join("folder").c_str(), 0755), 0);
    const int socket = MakeSocket(dir.Join("socket"));
    ASSERT_EQ(::symlink(dir.Join("fifo").c_str(), dir.Join("link-to-fifo").c_str()), 0);
    ASSERT_EQ(::symlink(dir.Join("folder").c_str(), dir.Join("link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(dir.Join("nowhere").c_str(), dir.Join("dangling").c_str()), 0);
    struct Case {
        const char* name;
        int code;
        const wchar_t* says;  // the start of the error's text
    };
    std::vector<Case> cases = {
        {"fifo", EINVAL, L"Not a regular file (it is a FIFO)"},
        {"socket", EINVAL, L"Not a regular file (it is a socket)"},
        {"folder", EISDIR, L""},
        {"link-to-fifo", EINVAL, L"Not a regular file (it is a FIFO)"},
        {"link-to-folder", EISDIR, L""},
    };
    // A device node made here, never one of the system's: root only.
    if (::mknod(dir.Join("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.push_back({"device", EINVAL, L"Not a regular file (it is a character device)"});
    else
        std::printf("no device node case: mknod failed (%s)\n", std::strerror(errno));
    PosixFileSystem fs;
    for (const auto mode : {WriteMode::kTruncate, WriteMode::kReplaceWhenComplete}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (mode == WriteMode::kTruncate ? " truncate" : ""));
            const std::string path = dir.Join(c.name);
            const std::string before = Identity(path);
            const auto opened = fs.OpenForWriting(FromUtf8(path), mode);
            ASSERT_FALSE(opened.ok());
            EXPECT_EQ(opened.error().code, c.code);
            EXPECT_TRUE(opened.error().text.starts_with(c.says)) << ToUtf8(opened.error().text);
            EXPECT_EQ(Identity(path), before);
        }
    }
    // Replacing through a dangling link would put a file where the link is.
    const std::string dangling = Identity(dir.Join("dangling"));
    const auto opened =
        fs.OpenForWriting(FromUtf8(dir.Join("dangling")), WriteMode::kReplaceWhenComplete);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().text,
              L"Not a regular file (it is a symbolic link); it was left as it is");
    EXPECT_EQ(Identity(dir.Join("dangling")), dangling);
    EXPECT_EQ(ReadBytes(dir.Join("file")), "kept");
    ::close(socket);
}

// A link planted where the file goes while it is being written is neither
// followed nor replaced: the commit is refused and both stay as they are.
TEST(PosixFileWriting, ALinkPlantedBeforeTheCommitIsRefused) {
    TempDir dir;
    WriteBytes(dir.Join("target"), "old");
    WriteBytes(dir.Join("victim"), "victim");
    PosixFileSystem fs;
    auto file = fs.OpenForWriting(FromUtf8(dir.Join("target")), WriteMode::kReplaceWhenComplete);
    ASSERT_TRUE(file.ok());
    const std::string bytes = "new";
    ASSERT_TRUE(
        (*file)->Write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()).ok());
    ASSERT_EQ(::unlink(dir.Join("target").c_str()), 0);
    ASSERT_EQ(::symlink(dir.Join("victim").c_str(), dir.Join("target").c_str()), 0);
    const auto committed = (*file)->Commit();
    ASSERT_FALSE(committed.ok());
    EXPECT_EQ(committed.error().code, EINVAL);
    EXPECT_EQ(std::filesystem::read_symlink(dir.Join("target")), dir.Join("victim"));
    EXPECT_EQ(ReadBytes(dir.Join("victim")), "victim");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);  // no new file left beside
}

}  // namespace
}  // namespace torvane
