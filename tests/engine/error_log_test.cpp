#include "engine/error_log.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include "fake_file_system.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
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
    PosixFileSystem disk;
    RecordingDialogs dialogs;
    // /dev/full opens but fails every write with ENOSPC.
    EXPECT_FALSE(SaveErrorLog(disk, L"/dev/full", {std::wstring(70000, L'x')}, dialogs));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              L"An error occurred while writing /dev/full.\nNo space left on device");
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
