#include "tasks/task_list_file.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_file_system.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "temp_dir.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::LimitFileSize;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::TempDir;
using testing::Utf16LeFile;
using testing::WriteBytes;
using Message = RecordingDialogs::Message;

const std::string kFixtures = TORVANE_FIXTURES_DIR "/tasks/";
const std::wstring kApp = L"torvane";

const std::wstring kRename =
    L"$FileName<>FIND=IMG_<>REPL=Trip ###<>SYMB=TRUE<>SNUM=1<>REGX=FALSE<>";
const std::wstring kAttribute = L"$System<>FIND=notes.txt<>ATTR=34<>REGX=FALSE<>";

// The Linux file system, for the files in temporary folders.
FileSystem& Disk() {
    static PosixFileSystem disk;
    return disk;
}

// Everything a reader yields for a file.
struct ReadOutcome {
    TaskListFileReader::OpenResult opened;
    std::vector<TaskLine> tasks;
    TaskListFileReader::Next last = TaskListFileReader::Next::kEnd;
};

ReadOutcome ReadAll(FileSystem& fs, const std::string& path, RecordingDialogs& dialogs,
                    size_t limit) {
    TaskListFileReader reader(fs, dialogs, kApp, limit);
    ReadOutcome out{reader.Open(FromUtf8(path)), {}};
    if (out.opened != TaskListFileReader::OpenResult::kOpened)
        return out;
    TaskLine task;
    while ((out.last = reader.ReadTask(task)) == TaskListFileReader::Next::kTask)
        out.tasks.push_back(task);
    return out;
}

// The same for a file on disk.
ReadOutcome ReadAll(const std::string& path, RecordingDialogs& dialogs, size_t limit) {
    return ReadAll(Disk(), path, dialogs, limit);
}

ReadOutcome ReadAll(const std::string& path, RecordingDialogs& dialogs) {
    return ReadAll(path, dialogs, kMaxTaskLineLength);
}

TEST(ParseTaskListLine, SplitsNameFromDefinitionAtTheFirstNameMarker) {
    struct Case {
        std::wstring line;
        std::optional<TaskLine> task;
    };
    const Case cases[] = {
        {L"$System<>NAME=x<>", TaskLine{L"x", L"$System<>"}},
        {L"$System<>FIND=a<>NAME=", TaskLine{L"", L"$System<>FIND=a<>"}},
        {L"$System<>NAME=a<>NAME=b<>", TaskLine{L"a", L"$System<>"}},
        {L"$FileDate<>FIND=x NAME=y<>", TaskLine{L"", L"$FileDate<>FIND=x NAME=y<>"}},
        {L"$FileName<>name=x<>", TaskLine{L"", L"$FileName<>name=x<>"}},
        {L"$FileName<>", TaskLine{L"", L"$FileName<>"}},
        {L"$FileName", std::nullopt},
        {L" $FileName<>", std::nullopt},
        {L"$FILENAME<>", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseTaskListLine(c.line), c.task) << c.line;
}

TEST(TaskListFile, WriterGivesTheExactBytes) {
    TempDir dir;
    RecordingDialogs dialogs;
    const auto path = dir.Join("out.tvt");
    const TaskList list = {{7, L"A", kRename}, {8, L"", kAttribute}};
    ASSERT_TRUE(WriteTaskListFile(Disk(), FromUtf8(path), list, dialogs, kApp));
    EXPECT_EQ(ReadBytes(path), ReadBytes(kFixtures + "two_tasks.tvt"));
    EXPECT_TRUE(dialogs.messages().empty());

    ASSERT_TRUE(WriteTaskListFile(Disk(), FromUtf8(path), {}, dialogs, kApp));
    EXPECT_EQ(ReadBytes(path), "\xFF\xFE");  // an empty list is the mark alone
}

TEST(TaskListFile, ReaderSkipsWhatIsNoTaskAndKeepsDefinitionsVerbatim) {
    RecordingDialogs dialogs;
    const auto out = ReadAll(kFixtures + "mixed.tvt", dialogs);
    ASSERT_EQ(out.opened, TaskListFileReader::OpenResult::kOpened);
    const std::vector<TaskLine> expected = {
        {L"Number the photos", kRename},
        {L"", L"$System<>FIND=a.txt<>ATTR=32<>REGX=FALSE<>"},
        {L"", L"$FileDate<>FORM=Modified<>FIND=2019<>REPL=2020<>REGX=FALSE<>"},
        {L"a", L"$FileName<>FIND=NAME=1<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"},
        {L"bare LF", L"$FileDate<>FIND=x<>FORM=Created<>"},
        {L"no line end", L"$System<>FIND=last<>ATTR=0<>REGX=TRUE<>"},
    };
    EXPECT_EQ(out.tasks, expected);
    EXPECT_EQ(out.last, TaskListFileReader::Next::kEnd);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(TaskListFile, ReaderTakesOtherEncodingsAndATruncatedCodeUnit) {
    struct Case {
        const char* file;
        std::vector<TaskLine> tasks;
    };
    const Case cases[] = {
        {"utf8.tvt",
         {{L"Caf\u00E9 \u2615",
           L"$FileName<>FIND=\u00E9<>REPL=e<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"},
          {L"", L"$System<>FIND=x<>ATTR=8192<>REGX=FALSE<>"}}},
        {"no_mark.tvt", {{L"unmarked", L"$System<>FIND=x<>ATTR=2<>REGX=FALSE<>"}}},
        {"truncated.tvt",
         {{L"whole", L"$System<>FIND=x<>ATTR=2<>REGX=FALSE<>"}, {L"cut", L"$System<>FIND=y<>"}}},
    };
    for (const auto& c : cases) {
        RecordingDialogs dialogs;
        const auto out = ReadAll(kFixtures + c.file, dialogs);
        EXPECT_EQ(out.tasks, c.tasks) << c.file;
        EXPECT_EQ(out.last, TaskListFileReader::Next::kEnd) << c.file;
        EXPECT_TRUE(dialogs.messages().empty()) << c.file;
    }
}

TEST(TaskListFile, AFileWithoutMarkIsUtf8OnlyWhenAllOfItIsUtf8WithoutNul) {
    const std::string rename = "$FileName<>FIND=\xC3\xA9<>REPL=e<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>";
    const std::vector<TaskLine> renameTask = {
        {L"caf\u00E9", L"$FileName<>FIND=\u00E9<>REPL=e<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"}};
    // A sequence cut by the 64 KiB read: the check follows it across reads.
    const std::string longComment = std::string(64 * 1024 - 1, 'a') + "\xC3\xA9\n";
    const std::string utf16Le("$\0S\0y\0s\0", 8);
    const struct {
        const char* what;
        std::string bytes;
        std::vector<TaskLine> tasks;
        std::optional<std::uint64_t> badByte;  // the byte the reader names
    } cases[] = {
        {"UTF-8, CR LF", rename + "NAME=caf\xC3\xA9<>\r\n", renameTask, {}},
        {"UTF-8, LF, no last line end", "\n" + rename + "NAME=caf\xC3\xA9<>", renameTask, {}},
        {"UTF-8 after a long line", longComment + rename + "NAME=caf\xC3\xA9<>\n", renameTask, {}},
        {"ASCII",
         "$System<>FIND=x<>ATTR=2<>REGX=FALSE<>\n",
         {{L"", L"$System<>FIND=x<>ATTR=2<>REGX=FALSE<>"}},
         {}},
        // Not UTF-8 as a whole: read as UTF-16LE, as before, so no task; the
        // reader names the first byte that is not UTF-8.
        {"a NUL byte", "$System<>FIND=x<>ATTR=2<>REGX=FALSE<>\n" + std::string(1, '\0'), {}, 38},
        {"Latin-1", "$System<>FIND=\xE9<>ATTR=2<>REGX=FALSE<>\n", {}, 14},
        {"Latin-1 in a long file", longComment + "\xE9\n", {}, 64 * 1024 + 2},
        {"an overlong form", "$System<>FIND=\xC0\xAF<>ATTR=2<>REGX=FALSE<>\n", {}, 14},
        {"a surrogate", "$System<>FIND=\xED\xA0\x80<>ATTR=2<>REGX=FALSE<>\n", {}, 14},
        {"a cut last sequence", "$System<>FIND=x<>ATTR=2<>REGX=FALSE<>\n\xE2\x82", {}, 38},
        {"UTF-16 big-endian with its mark", "\xFE\xFF\0$\0S", {}, 0},
        {"UTF-16 big-endian without a mark", std::string("\0$\0S", 4), {}, 0},
        {"UTF-16LE without a mark", utf16Le, {}, {}},
    };
    TempDir dir;
    const std::string path = dir.Join("list.tvt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.bytes);
        RecordingDialogs dialogs;
        TaskListFileReader reader(Disk(), dialogs, kApp);
        ASSERT_EQ(reader.Open(FromUtf8(path)), TaskListFileReader::OpenResult::kOpened);
        std::vector<TaskLine> tasks;
        TaskLine task;
        while (reader.ReadTask(task) == TaskListFileReader::Next::kTask)
            tasks.push_back(task);
        EXPECT_EQ(tasks, c.tasks);
        EXPECT_TRUE(dialogs.messages().empty());
        EXPECT_EQ(CheckTaskListEncoding(Disk(), FromUtf8(path)).badByte, c.badByte);
        const auto& warnings = reader.warnings();
        if (c.badByte) {
            ASSERT_FALSE(warnings.empty());
            EXPECT_TRUE(warnings[0].starts_with(L"The file is not UTF-8 or UTF-16LE: byte " +
                                                std::to_wstring(*c.badByte) + L" "))
                << ToUtf8(warnings[0]);
        } else {
            for (const auto& warning : warnings)
                EXPECT_FALSE(warning.starts_with(L"The file is not")) << ToUtf8(warning);
        }
    }
    // A UTF-16LE file without its mark keeps its meaning: its NULs rule out UTF-8.
    EXPECT_EQ(TaskListEncodingWithoutMark(Disk(), FromUtf8(kFixtures + "no_mark.tvt")),
              TextFileReader::Encoding::kUtf16Le);
}

// Lines the reader passes over are noted with their numbers, blank ones
// aside; reading itself is as the format says.
TEST(TaskListFile, SkippedLinesAreNotedWithTheirNumbers) {
    TempDir dir;
    const std::string path = dir.Join("list.tvt");
    WriteBytes(path,
               "$System<>FIND=x<>ATTR=2<>REGX=FALSE<>\n"
               "\n"
               "$filename<>FIND=a<>REPL=b<>\n"
               "# a comment\n"
               "$FileDate<>FORM=Modified<>FIND=1<>REPL=2<>REGX=FALSE<>\n"
               "FileName<>FIND=a<>\n");
    RecordingDialogs dialogs;
    const auto out = ReadAll(path, dialogs);
    EXPECT_EQ(out.tasks.size(), 2u);
    TaskListFileReader reader(Disk(), dialogs, kApp);
    ASSERT_EQ(reader.Open(FromUtf8(path)), TaskListFileReader::OpenResult::kOpened);
    TaskLine task;
    while (reader.ReadTask(task) == TaskListFileReader::Next::kTask) {
    }
    EXPECT_EQ(reader.warnings(),
              (std::vector<std::wstring>{
                  L"Line 3 was skipped: its keyword is written in another letter case than "
                  L"$FileName.",
                  L"Line 4 was skipped: it starts with no task keyword ($FileName, $FileDate or "
                  L"$System, then \"<>\").",
                  L"Line 6 was skipped: it starts with no task keyword ($FileName, $FileDate or "
                  L"$System, then \"<>\")."}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(TaskListFile, SavedListReadsBackInOrder) {
    const TaskList list = {
        {1, L"find holds NAME=",
         L"$FileName<>FIND=NAME=1<>REPL=NAME=<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"},
        {2, L"", kAttribute},
        {3, L"a<>b", kRename},  // a name is cut at its first "<>"
        {4, L"\u00E9\xDC80 \U0001F600", L"$FileDate<>FORM=Created<>FIND=1<>REPL=2<>REGX=TRUE<>"},
        {5, std::wstring(1 << 21, L'n'), kAttribute},
    };
    TempDir dir;
    RecordingDialogs dialogs;
    const auto path = dir.Join("rt.tvt");
    ASSERT_TRUE(WriteTaskListFile(Disk(), FromUtf8(path), list, dialogs, kApp));
    const auto out = ReadAll(path, dialogs);
    ASSERT_EQ(out.tasks.size(), list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const auto name = i == 2 ? std::wstring(L"a") : list[i].name;
        EXPECT_EQ(out.tasks[i], (TaskLine{name, list[i].definition})) << i;
    }
}

TEST(TaskListFile, MissingPathOrFolderReadsNothingAndSaysNothing) {
    TempDir dir;
    RecordingDialogs dialogs;
    EXPECT_EQ(ReadAll(dir.Join("none.tvt"), dialogs, 100).opened,
              TaskListFileReader::OpenResult::kNoFile);
    FakeFileSystem fs;
    fs.AddFolder(FromUtf8(dir.path()));
    TaskListFileReader reader(fs, dialogs, kApp);
    EXPECT_EQ(reader.Open(FromUtf8(dir.path())), TaskListFileReader::OpenResult::kNoFile);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(TaskListFile, OpenFailureShowsTheFileAndTheError) {
    RecordingDialogs dialogs;
    const std::string path = "/tasks/gone.tvt";  // listed, but gone when opened
    FakeFileSystem fs;
    fs.AddPlainFile(FromUtf8(path), Utf16LeFile(kAttribute));
    fs.FailOn(FakeFileSystem::Call::kOpenForReading, FromUtf8(path), ENOENT);
    EXPECT_EQ(ReadAll(fs, path, dialogs, kMaxTaskLineLength).opened,
              TaskListFileReader::OpenResult::kFailed);
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{
                  {L"Error reading file " + FromUtf8(path) + L"\nNo such file or directory",
                   L"Error Reading File", MessageIcon::kError, MessageButtons::kOk}}));
}

TEST(TaskListFile, OverlongTaskLineStopsReadingOverlongOtherLineIsSkipped) {
    TempDir dir;
    const auto path = dir.Join("long.tvt");
    WriteBytes(path, Utf16LeFile(L"$System<>NAME=1<>\r\n" + std::wstring(200, L'x') +
                                 L"\r\n$System<>NAME=2<>\r\n$System<>FIND=" +
                                 std::wstring(200, L'y') + L"\r\n$System<>NAME=3<>\r\n"));
    RecordingDialogs dialogs;
    const auto out = ReadAll(path, dialogs, 100);
    EXPECT_EQ(out.tasks, (std::vector<TaskLine>{{L"1", L"$System<>"}, {L"2", L"$System<>"}}));
    EXPECT_EQ(out.last, TaskListFileReader::Next::kError);
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{{L"An error occurred while reading " + FromUtf8(path) +
                                         L".\nLine 4 is longer than 100 characters.",
                                     kApp, MessageIcon::kWarning, MessageButtons::kOk}}));
}

TEST(TaskListFile, WriterOpenFailuresShowTheError) {
    TempDir dir;
    struct Case {
        std::string path;
        std::wstring text;
    };
    const Case cases[] = {
        {dir.path(), L"Error saving task list: Is a directory"},
        {dir.Join("no/such.tvt"), L"Error saving task list: No such file or directory"},
    };
    for (const auto& c : cases) {
        RecordingDialogs dialogs;
        EXPECT_FALSE(
            WriteTaskListFile(Disk(), FromUtf8(c.path), {{1, L"", kAttribute}}, dialogs, kApp));
        EXPECT_EQ(dialogs.messages(),
                  (std::vector<Message>{{c.text, L"Error Saving Task List", MessageIcon::kError,
                                         MessageButtons::kOk}}));
    }
}

TEST(TaskListFile, WriteFailureLeavesTheOldFileWhole) {
    FakeFileSystem fs;
    const std::string path = "/tasks/keep.tvt";
    fs.AddPlainFile(FromUtf8(path), "old contents");
    LimitFileSize(fs, 100000);  // the writes fail part way
    RecordingDialogs dialogs;
    const bool written = WriteTaskListFile(
        fs, FromUtf8(path), TaskList(5000, TaskItem{1, L"name", kRename}), dialogs, kApp);
    EXPECT_FALSE(written);
    EXPECT_EQ(fs.Lookup(FromUtf8(path))->content, "old contents");
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{
                  {L"An error occurred while writing " + FromUtf8(path) + L".\nFile too large",
                   kApp, MessageIcon::kWarning, MessageButtons::kOk}}));
    EXPECT_EQ(fs.PathsUnder(L"/tasks").size(), 1u);
}

}  // namespace
}  // namespace torvane
