// The task-list file commands through the controller.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "controller_fixture.hpp"
#include "tasks/task_list_file.hpp"
#include "utf16_bytes.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;

const std::wstring kRenameA = L"$FileName<>FIND=a<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>";
const std::wstring kBadRegex = L"$FileName<>FIND=(<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>";
const std::wstring kAttribute = L"$System<>FIND=b.txt<>ATTR=34<>REGX=FALSE<>";

// UTF-16LE bytes with the mark, each line ended by CR LF.
std::string Utf16File(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const auto& line : lines)
        text += line + L"\r\n";
    return Utf16LeFile(text);
}

class TaskFileTest : public ControllerTest {
  protected:
    void SetUp() override {
        fs.AddFile(L"/data/a.txt");
        fs.AddFile(L"/data/b.txt");
        Start();
        ChooseFolder(L"/data/");
    }
    void Load(const std::wstring& path) {
        view.openAnswers.push_back(path);
        controller->taskList().LoadTaskList();
    }
    bool Enabled(CommandId c) const { return view.states.Enabled(c); }
};

TEST_F(TaskFileTest, SaveWithoutAFileSavesAsAndWritesEveryTask) {
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x", L"A")), 1);
    ASSERT_EQ(Submit(RenameRecord(L"b", L"y")), 1);
    EXPECT_FALSE(Enabled(CommandId::kSaveTaskList));
    const std::wstring path = Path(L"out.tvt");
    view.saveAnswers.push_back(path);
    controller->taskList().SaveTaskList();

    ASSERT_EQ(view.saveRequests.size(), 1u);
    EXPECT_EQ(view.saveRequests[0],
              (FileDialogRequest{L"", L"Torvane Task File (*.tvt)|*.tvt|Text Files (*.txt)|*.txt|",
                                 L".tvt", L"", true}));
    EXPECT_EQ(ReadBytes(ToUtf8(path)),
              Utf16File({L"$FileName<>FIND=a<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=A<>",
                         L"$FileName<>FIND=b<>REPL=y<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=<>"}));
    EXPECT_EQ(controller->taskList().path(), path);
    EXPECT_EQ(view.caption, L"Task List: out.tvt");
    EXPECT_TRUE(Enabled(CommandId::kSaveTaskList));
    EXPECT_TRUE(Messages().empty());

    // Saving again writes to the current file without asking.
    ASSERT_EQ(Submit(RenameRecord(L"c", L"z", L"C")), 1);
    controller->taskList().SaveTaskList();
    EXPECT_EQ(view.saveRequests.size(), 1u);
    const auto reread = ReadBytes(ToUtf8(path));
    EXPECT_NE(reread.find(std::string("N\0A\0M\0E\0=\0C\0", 12)), std::string::npos);
}

TEST_F(TaskFileTest, SaveWithAnEmptyListOnlyShowsTheNotice) {
    const auto path = WriteTaskFile(L"t.tvt", {kRenameA + L"NAME=A<>"});
    Load(path);
    controller->taskList().ClearTaskList();
    const std::string before = ReadBytes(ToUtf8(path));
    const Message notice{L"Task list is empty. There's nothing to save.", L"Notice",
                         MessageIcon::kInformation, MessageButtons::kOk};

    controller->taskList().SaveTaskList();
    controller->taskList().SaveTaskListAs();
    EXPECT_EQ(Messages(), (std::vector<Message>{notice, notice}));
    EXPECT_TRUE(view.saveRequests.empty());
    EXPECT_EQ(ReadBytes(ToUtf8(path)), before);
}

TEST_F(TaskFileTest, CancelledSaveAsChangesNothing) {
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    controller->taskList().SaveTaskListAs();
    EXPECT_EQ(view.saveRequests.size(), 1u);
    EXPECT_EQ(controller->taskList().path(), L"");
    EXPECT_EQ(view.caption, L"Task List");
}

TEST_F(TaskFileTest, LoadSkipsLinesWithoutATaskAndGivesNewIds) {
    ASSERT_EQ(Submit(RenameRecord(L"q", L"r", L"old")), 1);
    const auto path = WriteTaskFile(
        L"t.tvt", {L"", kRenameA + L"NAME=A<>", L"hello", L"$Other<>FIND=x<>", kAttribute});
    Load(path);
    EXPECT_EQ(view.openRequests[0].initialName, L"");
    EXPECT_EQ(view.openRequests[0].defaultExtension, L".tvt");
    EXPECT_FALSE(view.openRequests[0].overwritePrompt);
    const auto& tasks = controller->taskList().tasks();
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0].definition, kRenameA);
    EXPECT_EQ(tasks[1].definition, kAttribute);
    EXPECT_NE(tasks[0].id, tasks[1].id);
    EXPECT_EQ(view.rows, (Names{L"A", kAttribute}));
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"b.txt"}));
    EXPECT_EQ(controller->taskList().path(), path);
    EXPECT_EQ(view.caption, L"Task List: t.tvt");
    EXPECT_TRUE(Enabled(CommandId::kSaveTaskList));
    EXPECT_TRUE(Enabled(CommandId::kCloseTaskList));
    // The skipped lines are named, the blank one aside.
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].icon, MessageIcon::kWarning);
    EXPECT_EQ(Messages()[0].text,
              L"The task list " + path +
                  L" was read with these problems:\n"
                  L"Line 3 was skipped: it starts with no task keyword ($FileName, $FileDate or "
                  L"$System, then \"<>\").\n"
                  L"Line 4 was skipped: it starts with no task keyword ($FileName, $FileDate or "
                  L"$System, then \"<>\").");
}

// A file in neither encoding the format knows is said to be so, with the
// first byte that is not UTF-8, rather than left to read as an empty list.
TEST_F(TaskFileTest, ALatin1FileIsSaidToBeNeitherUtf8NorUtf16) {
    const std::string path = dir.Join("latin1.tvt");
    std::ofstream(path, std::ios::binary) << "$System<>FIND=caf\xE9<>ATTR=2<>REGX=FALSE<>\r\n";
    Load(FromUtf8(path));
    EXPECT_TRUE(controller->taskList().tasks().empty());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find(L"The file is not UTF-8 or UTF-16LE: byte 17 "),
              std::wstring::npos)
        << ToUtf8(Messages()[0].text);
}

TEST_F(TaskFileTest, LoadStopsAtTheFirstRejectedTaskAndEmptiesTheList) {
    const auto path =
        WriteTaskFile(L"t.tvt", {kRenameA + L"NAME=one<>", kBadRegex + L"NAME=two<>", kAttribute});
    std::vector<Names> rowsAtMessage;
    dialogs.hook = [&](const std::wstring&) { rowsAtMessage.push_back(view.rows); };
    Load(path);

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind(L"Not a valid regular expression", 0), 0u);
    EXPECT_EQ(rowsAtMessage, std::vector<Names>{Names{L"one"}});
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.newNames, view.currentNames);
    EXPECT_EQ(controller->taskList().path(), path);
    EXPECT_EQ(view.caption, L"Task List: t.tvt");
}

TEST_F(TaskFileTest, LoadingAMissingFileKeepsTheListButTakesThePath) {
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x", L"kept")), 1);
    const std::wstring missing = Path(L"missing.tvt");
    Load(missing);
    EXPECT_EQ(view.rows, Names{L"kept"});
    EXPECT_EQ(controller->taskList().path(), missing);
    EXPECT_EQ(view.caption, L"Task List");
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(Enabled(CommandId::kSaveTaskList));
}

TEST_F(TaskFileTest, AFileThatCannotBeOpenedLeavesTheListAndItsFileCurrent) {
    const auto first = WriteTaskFile(L"first.tvt", {kRenameA + L"NAME=A<>"});
    Load(first);
    // Known to the file system, but not openable.
    fs.AddFile(L"/elsewhere/unreadable.tvt");
    fs.FailOn(FakeFileSystem::Call::kOpenForReading, L"/elsewhere/unreadable.tvt", EACCES);
    Load(L"/elsewhere/unreadable.tvt");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, L"Error Reading File");
    EXPECT_EQ(Messages()[0].text.rfind(L"Error reading file /elsewhere/unreadable.tvt\n", 0), 0u);
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(controller->taskList().path(), first);
    EXPECT_EQ(view.caption, L"Task List: first.tvt");
}

// A FIFO or device never ends or never starts: it is refused before any read,
// and the window stays usable. (A real FIFO that was waited on hangs the test
// until its time limit.)
TEST_F(TaskFileTest, AFileThatIsNoRegularFileIsRefusedWithoutReading) {
    const auto first = WriteTaskFile(L"first.tvt", {kRenameA + L"NAME=A<>"});
    const std::wstring fake = L"/elsewhere/pipe.tvt";
    fs.AddSpecialFile(fake);
    const std::wstring real = Path(L"pipe.tvt");
    ASSERT_EQ(::mkfifo(ToUtf8(real).c_str(), 0644), 0);
    for (const std::wstring& path : {fake, real}) {
        SCOPED_TRACE(ToUtf8(path));
        Load(first);
        dialogs.Clear();
        Load(path);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].caption, L"Error Reading File");
        EXPECT_EQ(Messages()[0].text, L"Error reading file " + path + L"\nNot a regular file");
        EXPECT_EQ(view.rows, Names{L"A"});
        EXPECT_EQ(controller->taskList().path(), first);
    }
}

TEST_F(TaskFileTest, AFileReadInPartLeavesNoFileCurrent) {
    const auto first = WriteTaskFile(L"first.tvt", {kAttribute + L"NAME=B<>"});
    Load(first);
    // A task line longer than the reader takes stops reading part way.
    const std::string second = ToUtf8(Path(L"second.tvt"));
    {
        std::ofstream out(second, std::ios::binary);
        out << Utf16File({kRenameA + L"NAME=A<>"});
        const std::string head = Utf16File({L"$FileName<>FIND="});
        out << head.substr(2, head.size() - 2 - 4);  // without the mark and the line end
        const std::string unit("a\0", 2);
        std::string chunk;
        for (int i = 0; i < 4096; ++i)
            chunk += unit;
        for (std::size_t written = 0; written <= kMaxTaskLineLength; written += 4096)
            out << chunk;
    }
    Load(FromUtf8(second));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(controller->taskList().path(), L"");
    EXPECT_EQ(view.caption, L"Task List");
    EXPECT_FALSE(Enabled(CommandId::kSaveTaskList));

    controller->taskList().SaveTaskList();  // asks for a file rather than writing over either
    EXPECT_EQ(view.saveRequests.size(), 1u);
    EXPECT_EQ(ReadBytes(ToUtf8(first)), Utf16File({kAttribute + L"NAME=B<>"}));
}

TEST_F(TaskFileTest, SaveIsDisabledOnceTheFileIsGoneOrClosed) {
    const auto path = WriteTaskFile(L"t.tvt", {kRenameA + L"NAME=A<>"});
    Load(path);
    EXPECT_TRUE(Enabled(CommandId::kSaveTaskList));
    std::filesystem::remove(ToUtf8(path));
    controller->TaskListClicked();
    EXPECT_FALSE(Enabled(CommandId::kSaveTaskList));
    EXPECT_TRUE(Enabled(CommandId::kCloseTaskList));

    WriteTaskFile(L"t.tvt", {kRenameA + L"NAME=A<>"});
    controller->taskList().CloseTaskList();
    EXPECT_FALSE(Enabled(CommandId::kSaveTaskList));
    EXPECT_FALSE(Enabled(CommandId::kCloseTaskList));
    EXPECT_EQ(controller->taskList().path(), L"");
    EXPECT_EQ(view.caption, L"Task List");
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.newNames, view.currentNames);
}

TEST_F(TaskFileTest, CloseWritesThePreferencesOnlyWhenTheTaskListLoadsAtStart) {
    const auto path = WriteTaskFile(L"t.tvt", {kRenameA + L"NAME=A<>"});
    const std::string prefsFile = ToUtf8(Path(L"config.ini"));
    Load(path);
    controller->taskList().CloseTaskList();
    EXPECT_FALSE(std::filesystem::exists(prefsFile));

    controller->ApplyPreferences(PreferenceFlags{0, 0, 0, 1, 0, 0});
    std::filesystem::remove(prefsFile);
    Load(path);
    controller->taskList().CloseTaskList();
    EXPECT_TRUE(std::filesystem::exists(prefsFile));
}

}  // namespace
}  // namespace torvane::testing
