// Start-up, the command-line job and the close bookkeeping through the
// controller.
#include <gtest/gtest.h>

#include <filesystem>

#include "controller_fixture.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;
using Paths = std::vector<std::wstring>;

const Message kConfirm{
    L"Apply 2 changes to 2 entries in 1 folder?\nYou can undo it afterwards: Edit > Undo Last "
    L"Job, or torvane-cli -Undo.",
    L"Confirm notice", MessageIcon::kQuestion, MessageButtons::kYesNo};
const Message kSucceeded{L"Operation completed sucessfully.", L"Notice", MessageIcon::kInformation,
                         MessageButtons::kOk};

class StartupTest : public ControllerTest {
  protected:
    void SetUp() override {
        AddPhotos();
        taskFile = WriteTaskFile(L"t.tvt", {L"$FileName<>FIND=a<>REPL=x<>NAME=A<>"});
    }
    bool Enabled(CommandId c) const { return view.states.Enabled(c); }
    std::string PreferenceBytes() const { return ReadBytes(ToUtf8(Path(L"config.ini"))); }
    bool PreferenceFileExists() const {
        return std::filesystem::exists(ToUtf8(Path(L"config.ini")));
    }

    std::wstring taskFile;
};

TEST_F(StartupTest, FirstStartWithoutPreferenceFile) {
    Start();
    EXPECT_EQ(view.title, L"Torvane");
    EXPECT_FALSE(view.selectorEnabled);
    EXPECT_EQ(view.page, kRenamePage);
    EXPECT_EQ(view.caption, L"Task List");
    EXPECT_EQ(view.info, GeneralInfo{});
    EXPECT_TRUE(view.rows.empty());
    EXPECT_TRUE(view.currentNames.empty());
    EXPECT_FALSE(view.restored);
    EXPECT_TRUE(Messages().empty());
    for (const auto c : kAllCommands) {
        const bool enabled = c == CommandId::kSelectFile || c == CommandId::kSelectFolder ||
                             c == CommandId::kLoadTaskList || c == CommandId::kOption ||
                             c == CommandId::kExit || c == CommandId::kAbout;
        EXPECT_EQ(Enabled(c), enabled) << static_cast<int>(c);
    }
    EXPECT_EQ(controller->preferences(), Preferences{});
    EXPECT_EQ(controller->listOptions(), ListOptions{});
}

TEST_F(StartupTest, PathAndTaskListAreLoadedAndNoConfirmHoldsForTheRun) {
    Start({L"/data", taskFile, L"-NoConfirm"});
    EXPECT_EQ(controller->commandLineResult(), 0);
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    EXPECT_EQ(view.currentNames, (Names{L"a2.jpg", L"a10.jpg", L"b.jpg"}));
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(view.newNames, (Names{L"x2.jpg", L"x10.jpg", L"b.jpg"}));
    EXPECT_EQ(controller->taskList().path(), taskFile);
    EXPECT_EQ(controller->listOptions(), ListOptions{});
    EXPECT_FALSE(controller->jobRunning());
    EXPECT_TRUE(Messages().empty());

    ASSERT_TRUE(controller->UpdateAttributes());  // from the menu: not asked either
    FinishJob();
    EXPECT_EQ(Messages(), std::vector<Message>{kSucceeded});
}

TEST_F(StartupTest, ApplyAsksBeforeTheJob) {
    dialogs.Answer(MessageAnswer::kNo);
    Start({L"/data/", taskFile, L"-Apply"});
    FinishJob();  // the question comes once the plan is built
    EXPECT_EQ(Messages(), std::vector<Message>{kConfirm});
    EXPECT_FALSE(controller->jobRunning());
    EXPECT_FALSE(controller->windowResult());
    EXPECT_TRUE(fs.changes().empty());

    Start({L"/data/", taskFile, L"-Apply"});
    EXPECT_TRUE(controller->jobRunning());
    FinishJob();
    EXPECT_TRUE(fs.Exists(L"/data/x2.jpg"));
    EXPECT_FALSE(controller->windowResult());  // the window stays open
}

TEST_F(StartupTest, QuitEndsTheWindowWithoutBookkeepingOrAutomaticLoads) {
    const auto otherTasks = WriteTaskFile(L"other.tvt", {L"$FileName<>FIND=b<>REPL=y<>"});
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 1, 1, 0}, otherTasks, L"", 0, {}});
    const std::string before = PreferenceBytes();
    Start({L"/data/", L"-Quit"});
    EXPECT_EQ(view.currentNames, (Names{L"a2.jpg", L"a10.jpg", L"b.jpg"}));
    EXPECT_EQ(view.closed, std::vector<int>{kWindowQuit});
    EXPECT_EQ(controller->windowResult(), kWindowQuit);
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(PreferenceBytes(), before);
}

TEST_F(StartupTest, ApplyNoConfirmQuitEndsOnlyAfterTheJobsCompletion) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 0, 1, 0}, L"", L"", 0, {}});
    const std::string before = PreferenceBytes();
    Start({L"/data/", taskFile, L"-Apply", L"-NoConfirm", L"-Quit"});
    EXPECT_TRUE(controller->jobRunning());
    EXPECT_TRUE(controller->closePending());
    EXPECT_TRUE(view.closed.empty());
    EXPECT_FALSE(controller->RequestClose());  // a close meanwhile changes nothing
    FinishJob();
    EXPECT_EQ(Messages(), std::vector<Message>{kSucceeded});
    EXPECT_EQ(view.closed, std::vector<int>{kWindowQuit});
    EXPECT_EQ(view.events.back(), "Close 2");
    EXPECT_TRUE(fs.Exists(L"/data/x2.jpg"));
    EXPECT_EQ(PreferenceBytes(), before);
}

TEST_F(StartupTest, AFailedValidationLeavesTheAutomaticLoadsInForce) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 1, 1, 0}, taskFile, L"/data/", 0, {}}, 1);
    Start({L"/missing", taskFile});
    EXPECT_EQ(Messages(),
              (std::vector<Message>{{L"The specified file path doesn't exist!", L"Error",
                                     MessageIcon::kError, MessageButtons::kOk}}));
    EXPECT_EQ(controller->commandLineResult(), 1);
    EXPECT_EQ(controller->commandLineValues(), CommandLineValues{});
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(controller->taskList().path(), taskFile);
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    EXPECT_EQ(controller->listOptions().includeSubfolders, 1);
    // Files only with subfolders: the folder is listed to be descended.
    EXPECT_EQ(view.newNames, (Names{L"sub", L"x2.jpg", L"x10.jpg", L"b.jpg"}));
}

// A .tvt opened from a file manager: its path is the only argument.
TEST_F(StartupTest, ATaskListGivenAloneIsLoadedNotListed) {
    Start({taskFile});
    EXPECT_EQ(controller->commandLineResult(), 0);
    EXPECT_EQ(controller->taskList().path(), taskFile);
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_TRUE(controller->folderHistory().paths().empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(StartupTest, TheCommandLineWinsOverTheAutomaticLoads) {
    const auto otherTasks = WriteTaskFile(L"other.tvt", {L"$FileName<>FIND=b<>REPL=y<>NAME=B<>"});
    WritePreferences(
        Preferences{PreferenceFlags{0, 0, 0, 1, 1, 0}, otherTasks, L"/data/sub/", 1, {}});
    Start({L"/data/", taskFile});
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    EXPECT_EQ(controller->listOptions().includeSubfolders, 0);
}

TEST_F(StartupTest, ThePlacementIsRestoredOnlyWhenKeptAndNotZero) {
    const WindowPlacement placement{44, 0, 1, -1, -1, -1, -1, 10, 20, 810, 620};
    const struct {
        std::int32_t saveWindowSize;
        WindowPlacement saved;
        bool restored;
    } cases[] = {{1, placement, true}, {1, {}, false}, {0, placement, false}};
    for (const auto& c : cases) {
        Preferences prefs;
        prefs.flags.saveWindowSize = c.saveWindowSize;
        prefs.savedPlacement = c.saved;
        WritePreferences(prefs);
        view.restored.reset();
        Start();
        EXPECT_EQ(view.restored.has_value(), c.restored);
        if (c.restored) {
            EXPECT_EQ(*view.restored, placement);
        }
    }
}

TEST_F(StartupTest, CloseRemembersTheChosenPathTheTaskListAndThePlacement) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 1, 1, 1}, L"", L"", 0, {}});
    Start();
    ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    controller->FileActivated(0, kCurrentListId);  // browse into sub: not remembered
    view.openAnswers.push_back(taskFile);
    controller->taskList().LoadTaskList();
    WindowPlacement placement{0, 0, 1, -1, -1, -1, -1, 5, 6, 1000, 700};
    EXPECT_TRUE(controller->RequestClose(placement));
    EXPECT_EQ(view.closed, std::vector<int>{kWindowClosed});

    Preferences written;
    LoadPreferences(fs, dialogs, written);
    EXPECT_EQ(written.selectedFilePath, L"/data/");
    EXPECT_EQ(written.selectedFilePathSubDir, 1);
    EXPECT_EQ(written.taskListPath, taskFile);
    placement.length = 44;
    EXPECT_EQ(written.savedPlacement, placement);
}

TEST_F(StartupTest, CloseWritesNothingWhenNothingItKeepsChanged) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 0, 1, 0}, L"", L"/data/", 0, {}});
    // A comment line that a rewrite would drop.
    WriteTextFile(L"config.ini", L"# kept\nAutoLoadFileList=1\nSelectedFilePath=/data/\n");
    const std::string before = PreferenceBytes();
    Start();
    ASSERT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    ChooseFolder(L"/data/",
                 {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});  // subfolders alone
    controller->RequestClose();
    EXPECT_EQ(PreferenceBytes(), before);

    // Without automatic loads the remembered paths are emptied.
    WriteTextFile(L"config.ini", L"# kept\nTaskListPath=/x.tvt\n");
    Start();
    controller->RequestClose();
    Preferences written;
    LoadPreferences(fs, dialogs, written);
    EXPECT_EQ(written.taskListPath, L"");
    EXPECT_NE(PreferenceBytes().find(std::string("#\0 \0P\0r\0e\0", 10)), std::string::npos);
}

// The console's run: the window ends once the command-line job is done.
class BatchStartupTest : public StartupTest {
  protected:
    MainController& StartBatch(const std::vector<std::wstring>& arguments) {
        Make();
        CommandLineInfo info;
        info.ParseCommandLine(arguments);
        controller->Initialize(info, {}, RunMode::kBatch);
        return *controller;
    }
};

TEST_F(BatchStartupTest, EndsAfterTheCommandLineWithoutAutomaticLoadsOrBookkeeping) {
    const auto otherTasks = WriteTaskFile(L"other.tvt", {L"$FileName<>FIND=b<>REPL=y<>"});
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 1, 1, 1}, otherTasks, L"/data/sub/", 1,
                                 WindowPlacement{44, 0, 1, 0, 0, 0, 0, 1, 2, 3, 4}});
    const std::string before = PreferenceBytes();
    const struct {
        std::vector<std::wstring> arguments;
        Paths history;
    } cases[] = {
        {{L"/data/"}, {L"/data/"}},
        {{L"/missing"}, {}},  // refused: still no automatic loads
        {{}, {}},
    };
    for (const auto& c : cases) {
        StartBatch(c.arguments);
        EXPECT_EQ(controller->windowResult(), kWindowQuit);
        EXPECT_EQ(view.closed.back(), kWindowQuit);
        EXPECT_EQ(controller->folderHistory().paths(), c.history);
        EXPECT_TRUE(controller->taskList().tasks().empty());
        EXPECT_FALSE(view.restored);
        EXPECT_EQ(PreferenceBytes(), before);
    }
}

// The console takes its bare arguments apart itself: a .tvt given alone to
// a batch stays the path to list.
TEST_F(BatchStartupTest, ATaskListGivenAloneStaysThePath) {
    StartBatch({taskFile});
    EXPECT_EQ(controller->folderHistory().paths(), Paths{taskFile});
    EXPECT_TRUE(controller->taskList().tasks().empty());
}

TEST_F(BatchStartupTest, ApplyEndsAfterTheJobAndTheViewHasTheResultBeforeTheNotice) {
    std::vector<std::size_t> finishedAtMessage;
    dialogs.hook = [this, &finishedAtMessage](const std::wstring&) {
        finishedAtMessage.push_back(view.finishedJobs.size());
    };
    StartBatch({L"/data/", taskFile, L"-Apply", L"-NoConfirm"});
    EXPECT_TRUE(controller->jobRunning());
    EXPECT_TRUE(controller->closePending());
    EXPECT_FALSE(controller->windowResult());
    FinishJob();
    EXPECT_EQ(Messages(), std::vector<Message>{kSucceeded});
    EXPECT_EQ(finishedAtMessage, std::vector<std::size_t>{1});
    ASSERT_EQ(view.finishedJobs.size(), 1u);
    EXPECT_FALSE(view.finishedJobs[0].error);
    EXPECT_EQ(controller->windowResult(), kWindowQuit);
    EXPECT_TRUE(fs.Exists(L"/data/x2.jpg"));
    EXPECT_FALSE(PreferenceFileExists());
}

TEST_F(StartupTest, ACommandLineTaskListReadOnlyInPartIsNotApplied) {
    // The second task line is longer than the reader takes: reading stops
    // after the first task.
    const std::wstring longLine =
        L"$FileName<>FIND=" + std::wstring(kMaxTaskLineLength + 1, L'a') + L"<>";
    const auto partial =
        WriteTaskFile(L"partial.tvt", {L"$FileName<>FIND=a<>REPL=x<>NAME=A<>", longLine});
    Start({L"/data/", partial, L"-Apply", L"-NoConfirm"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find(L"longer than"), std::wstring::npos);
    EXPECT_EQ(view.rows, Names{L"A"});
    EXPECT_FALSE(controller->jobRunning());
    EXPECT_TRUE(fs.changes().empty());
}

}  // namespace
}  // namespace torvane::testing
