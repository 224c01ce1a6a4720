#include "engine/error_log.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>

#include "fake_file_system.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "small_tmpfs.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using testing::SmallTmpfs;
using testing::TempDir;
using testing::WriteBytes;

using testing::Utf16LeFile;

TEST(ErrorLog, HeaderAndProposedNameUseLocalTime) {
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    // 2021-07-03 12:05:09 UTC is 14:05:09 in summer time.
    EXPECT_EQ(ErrorLogHeader(1625313909), L"Log file started on: 2021-07-03 14-05-09\n");
    EXPECT_EQ(ProposedErrorLogName(1625313909), L"Error log 2021-07-03 14-05-09");
}

TEST(ErrorLog, LineIsPrefixPathTenDotsAndMessage) {
    EXPECT_EQ(ErrorLogLine(kErrorRenamingFile, L"/d/a.txt", L"File exists\r\n"),
              L"Error renaming file:  /d/a.txt..........File exists\r\n");
}

TEST(SaveErrorLog, WritesTheExactBytes) {
    FakeFileSystem fs;
    fs.AddFolder(L"/logs");
    RecordingDialogs dialogs;
    const ErrorLog log = {L"Log file started on: 2021-07-03 14-05-09\n",
                          L"Error renaming file:  /d/a..........File exists\r\n",
                          L"Error setting compression attributes:  /d/b..........Can only set"};
    const std::wstring path = L"/logs/log.txt";
    ASSERT_TRUE(SaveErrorLog(fs, path, log, dialogs));
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(
        fs.Lookup(path)->content,
        Utf16LeFile(u"Log file started on: 2021-07-03 14-05-09\r\n\r\n"
                    u"Error renaming file:  /d/a..........File exists\r\r\n\r\n"
                    u"Error setting compression attributes:  /d/b..........Can only set\r\n"));
}

// A message of the program's own ends its line with the log's one CR LF;
// only a system text keeps its own line end (CR CR LF, then a blank line).
TEST(SaveErrorLog, AFixedMessageEndsWithOneLineEnd) {
    const struct {
        const char* what;
        std::wstring line;
        std::u16string saved;
    } cases[] = {
        {"job cancelled", ErrorLogLine(kJobCancelledBefore, L"/d/b", kJobCancelledMessage),
         u"Job cancelled before:  /d/b..........The job was cancelled here; this entry and those "
         u"after it were not changed.\r\n"},
        {"folder replaced", ErrorLogLine(kErrorReadingDirectory, L"/d/", kFolderReplacedMessage),
         u"Error reading directory:  /d/..........The folder was replaced by another entry after "
         u"it was listed; nothing in it was changed.\r\n"},
        {"system text", ErrorLogLine(kErrorRenamingFile, L"/d/a", L"File exists\r\n"),
         u"Error renaming file:  /d/a..........File exists\r\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem fs;
        fs.AddFolder(L"/logs");
        RecordingDialogs dialogs;
        ASSERT_TRUE(SaveErrorLog(fs, L"/logs/log.txt", {c.line}, dialogs));
        EXPECT_EQ(fs.Lookup(L"/logs/log.txt")->content, Utf16LeFile(c.saved));
    }
}

TEST(SaveErrorLog, OpenFailureShowsTheLibrarysText) {
    FakeFileSystem fs;
    RecordingDialogs dialogs;
    EXPECT_FALSE(SaveErrorLog(fs, L"/missing/log.txt", {L"x"}, dialogs));
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    const auto& m = messages[0];
    EXPECT_EQ(m.text, L"Error saving log file: No such file or directory");
    EXPECT_EQ(m.caption, L"Error Saving Log File");
    EXPECT_EQ(m.icon, MessageIcon::kError);
}

TEST(SaveErrorLog, WriteFailureNamesTheFileAndError) {
    SmallTmpfs disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << "can't mount a tmpfs: " << disk.why();
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    const auto path = FromUtf8(disk.Join("log.txt"));
    EXPECT_FALSE(SaveErrorLog(fs, path, {std::wstring(70000, L'x')}, dialogs));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              L"An error occurred while writing " + path + L".\nNo space left on device");
}

// A FIFO, a device, a socket or a folder where the log is to go is refused
// with the reason, and stays what it was.
TEST(SaveErrorLog, WhatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.Join("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.Join("folder").c_str(), 0755), 0);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.Join("socket").c_str());
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::pair<std::string, std::wstring>> cases = {
        {"fifo", L"Not a regular file (it is a FIFO); it was left as it is"},
        {"socket", L"Not a regular file (it is a socket); it was left as it is"},
        {"folder", L"Is a directory"},
    };
    if (::mknod(dir.Join("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.push_back({"device",
                         L"Not a regular file (it is a character device); it was left "
                         L"as it is"});
    PosixFileSystem fs;
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        struct stat before {};
        ASSERT_EQ(::lstat(dir.Join(name).c_str(), &before), 0);
        RecordingDialogs dialogs;
        EXPECT_FALSE(SaveErrorLog(fs, FromUtf8(dir.Join(name)), {L"x"}, dialogs));
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].text, L"Error saving log file: " + why);
        struct stat after {};
        ASSERT_EQ(::lstat(dir.Join(name).c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    ::close(socket);
}

TEST(SaveErrorLog, ASymbolicLinkUnderTheChosenNameIsRefused) {
    TempDir dir;
    const std::string target = dir.Join("precious");
    WriteBytes(target, "keep me");
    ASSERT_EQ(::symlink(target.c_str(), dir.Join("Error log.txt").c_str()), 0);
    PosixFileSystem disk;
    RecordingDialogs dialogs;
    const auto path = FromUtf8(dir.Join("Error log.txt"));
    EXPECT_FALSE(SaveErrorLog(disk, path, {L"x"}, dialogs));
    EXPECT_EQ(ReadBytes(target), "keep me");
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, L"Error saving log file: " + path +
                                              L" is a symbolic link; the log is not written "
                                              L"through it.");
}

}  // namespace
}  // namespace torvane
