// What a new user meets, run in this process on real temporary folders: the
// question that says what will change, a No that says nothing changed, and
// a wildcard task saved by the console and read back as the window reads a
// task list.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/history_access.hpp"
#include "cli/run_console.hpp"
#include "console_streams.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "tasks/task_list_file.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ConsoleStreams;
using testing::RecordingDialogs;
using testing::TempDir;
using testing::WriteBytes;

class ConsoleNewUserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.Join("photos"));
        std::filesystem::create_directory(dir.Join("photos/trip"));
        for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "notes.txt", "trip/IMG_3.jpg"})
            WriteBytes(dir.Join("photos/") + name, name);
    }

    struct Run {
        int status;
        std::string out, err;
    };

    // torvane-cli with these arguments, `answer` typed on a terminal.
    Run Cli(std::vector<std::wstring> arguments, const std::string& answer) {
        ConsoleStreams streams(answer);
        const int status =
            RunConsole(arguments, L"torvane-cli", streams.Io(true, false), HistoryOpener());
        return Run{status, streams.Out(), streams.Err()};
    }

    std::wstring Photos() const { return FromUtf8(dir.Join("photos")); }

    TempDir dir;
};

TEST_F(ConsoleNewUserTest, TheQuestionCountsWhatWillChangeAndANoSaysNothingDid) {
    const std::vector<std::wstring> job = {Photos(),   L"-SubFolders", L"-Retrieve", L"both",
                                           L"-Rename", L"IMG_",        L"x_",        L"-Apply"};
    const std::string question =
        "Confirm notice: Apply 3 changes to 3 entries in 2 folders?\n"
        "You can undo it afterwards: Edit > Undo Last Job, or torvane-cli -Undo. [y/N] ";
    for (const char* no : {"n\n", "\n", "no\n"}) {
        const auto r = Cli(job, no);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, question + "Nothing was changed.\n") << no;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(std::filesystem::exists(dir.Join("photos/trip/IMG_3.jpg")));
    }
    std::vector<std::wstring> timed = job;
    timed.insert(timed.end(), {L"-Timestamp", L"modified", L"\\d{4}", L"2020", L"-Regex"});
    const auto r = Cli(timed, "n\n");
    // Each photo is renamed and retimed, notes.txt only retimed.
    EXPECT_EQ(r.err.rfind("Confirm notice: Apply 7 changes to 4 entries in 2 folders?\n", 0), 0u)
        << r.err;
    const auto yes = Cli(job, "y\n");
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(std::filesystem::exists(dir.Join("photos/trip/x_3.jpg")));
}

// The line -Save writes is read back by the task-list reader the window
// uses, and the record the window's editor gets from it is a wildcard task.
TEST_F(ConsoleNewUserTest, AWildcardTaskSavedIsReadBackAsOne) {
    const std::wstring path = FromUtf8(dir.Join("wild.tvt"));
    const auto saved =
        Cli({L"-Attributes", L"*.txt", L"+R", L"-Wildcard", L"-Name", L"Text", L"-Save", path}, "");
    ASSERT_EQ(saved.status, 0) << saved.err;
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    TaskListFileReader reader(fs, dialogs, L"torvane");
    ASSERT_EQ(reader.Open(path), TaskListFileReader::OpenResult::kOpened);
    TaskLine line;
    ASSERT_EQ(reader.ReadTask(line), TaskListFileReader::Next::kTask);
    EXPECT_EQ(line.name, L"Text");
    EXPECT_EQ(line.definition, L"$System<>FIND=*.txt<>ATTR=1<>REGX=FALSE<>WILD=TRUE<>");
    const auto record = ParseTaskDefinition(line.definition);
    ASSERT_TRUE(record);
    const auto& fields = std::get<AttributeTaskFields>(*record);
    EXPECT_EQ(fields.find, L"*.txt");
    EXPECT_EQ(fields.wildcard, L"TRUE");
    EXPECT_EQ(fields.regex, L"FALSE");
    EXPECT_EQ(reader.ReadTask(line), TaskListFileReader::Next::kEnd);
    EXPECT_TRUE(dialogs.messages().empty());
}

}  // namespace
}  // namespace torvane
