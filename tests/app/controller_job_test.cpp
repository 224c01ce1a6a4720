// Update Attributes through the controller: refusals, confirmation, the
// worker on its own copies, progress, completion, the error log, closing
// while a job runs.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "app/job_failures.hpp"
#include "controller_fixture.hpp"
#include "platform/posix_file_system.hpp"
#include "tasks/task_id_sequence.hpp"
#include "time_zone.hpp"
#include "utf16_bytes.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;
using Call = FakeFileSystem::Call;

const Message kConfirm{
    L"Apply 2 changes to 2 entries in 1 folder?\nYou can undo it afterwards: Edit > Undo Last "
    L"Job, or torvane-cli -Undo.",
    L"Confirm notice", MessageIcon::kQuestion, MessageButtons::kYesNo};
const Message kSucceeded{L"Operation completed sucessfully.", L"Notice", MessageIcon::kInformation,
                         MessageButtons::kOk};
const Message kFailed{L"Operation completed with error.  Do you want to save the log file?",
                      L"Warning", MessageIcon::kWarning, MessageButtons::kYesNo};

class UpdateAttributesTest : public ControllerTest {
  protected:
    // /data/ holds a2.jpg, a10.jpg, b.jpg and sub/c.jpg; the task renames "a"
    // to "x".
    void StartWithRenameTask() {
        AddPhotos();
        Start();
        ChooseFolder(L"/data/");
        ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
        dialogs.Clear();
    }
    // StartWithRenameTask, with the task list saved, so that closing has
    // nothing to ask.
    void StartWithSavedRenameTask() {
        StartWithRenameTask();
        view.saveAnswers.push_back(Path(L"rename.tvt"));
        controller->taskList().SaveTaskListAs();
        ASSERT_FALSE(controller->taskList().modified());
        dialogs.Clear();
    }
    bool Enabled(CommandId c) const { return view.states.Enabled(c); }
};

TEST_F(UpdateAttributesTest, RefusalsComeInOrderAndStartNothing) {
    Start();
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    EXPECT_FALSE(controller->UpdateAttributes());  // no entries, a task

    AddPhotos();
    ChooseFolder(L"/data/");
    controller->taskList().ClearTaskList();
    EXPECT_FALSE(controller->UpdateAttributes());  // entries, no task

    ASSERT_EQ(Submit(RenameRecord(L"a", L"a:")), 1);
    EXPECT_FALSE(controller->UpdateAttributes());  // a reserved character

    // The question comes once the plan is built: the worker starts, and
    // applies nothing.
    controller->taskList().ClearTaskList();
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    dialogs.Answer(MessageAnswer::kNo);
    EXPECT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_FALSE(controller->lastJobResult());

    EXPECT_EQ(Messages(),
              (std::vector<Message>{
                  {L"File list is empty. No change was made.", L"Notice", MessageIcon::kInformation,
                   MessageButtons::kOk},
                  {L"Task list is empty. No change was made.", L"Notice", MessageIcon::kInformation,
                   MessageButtons::kOk},
                  {L"Error: File name contain invalid character(s).\nThe following characters "
                   L"are reserved and cannot be use in filename:\n< > : \" / \\ | ? *",
                   L"Error", MessageIcon::kError, MessageButtons::kOk},
                  kConfirm}));
    EXPECT_FALSE(controller->jobRunning());
    EXPECT_TRUE(fs.changes().empty());
}

TEST_F(UpdateAttributesTest, ConfirmedJobRunsAndTheListsAreRebuiltFromDisk) {
    StartWithRenameTask();
    view.events.clear();
    EXPECT_TRUE(controller->UpdateAttributes());
    EXPECT_TRUE(controller->jobRunning());
    for (const auto c : kAllCommands) {
        const bool always = c == CommandId::kExit || c == CommandId::kAbout;
        EXPECT_EQ(Enabled(c), always) << static_cast<int>(c);
    }
    FinishJob();

    EXPECT_EQ(Messages(), (std::vector<Message>{kConfirm, kSucceeded}));
    EXPECT_EQ(fs.changes(), (std::vector<std::wstring>{L"Move /data/a2.jpg -> /data/x2.jpg",
                                                       L"Move /data/a10.jpg -> /data/x10.jpg"}));
    EXPECT_EQ(view.currentNames, (Names{L"b.jpg", L"x2.jpg", L"x10.jpg"}));
    EXPECT_EQ(view.newNames, view.currentNames);
    EXPECT_FALSE(controller->jobRunning());
    EXPECT_TRUE(Enabled(CommandId::kUpdateAttributes));
    ASSERT_TRUE(controller->lastJobResult());
    EXPECT_FALSE(controller->lastJobResult()->error);
    EXPECT_TRUE(view.saveRequests.empty());
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);  // ClearTaskList is off
}

TEST_F(UpdateAttributesTest, ProgressCountsTheEntriesOnceAndIsNeverResetByTheJob) {
    StartWithRenameTask();
    view.events.clear();
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    // A busy bar while the plan is built, then the plan's count as the
    // range, the steps in batches (all three at once here), back to 0, then
    // the rebuilt listing's own progress.
    const std::vector<std::string> expected = {"SetRange 0 0", "SetStep 1", "CommandStates",
                                               "SetRange 0 3", "SetPos 3",  "SetPos 0"};
    ASSERT_GE(view.events.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(view.events.begin(), view.events.begin() + expected.size()),
              expected);
    EXPECT_EQ(view.Count("SetRange 0 3"), 2);  // the job's and the rebuilt listing's
}

TEST_F(UpdateAttributesTest, JobWithAFailureOffersTheLogAndSavesIt) {
    ScopedTimeZone zone("UTC0");
    StartWithRenameTask();
    fs.FailOn(Call::kMove, L"/data/a2.jpg", EACCES);
    const std::wstring logPath = Path(L"log.txt");
    view.saveAnswers.push_back(logPath);
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();

    EXPECT_EQ(Messages(), (std::vector<Message>{kConfirm, kFailed}));
    ASSERT_EQ(view.saveRequests.size(), 1u);
    EXPECT_EQ(view.saveRequests[0], (FileDialogRequest{L"", L"Text Files (*.txt)|*.txt|", L".txt",
                                                       L"Error log 2021-07-03 12-05-09", true}));
    // The system's text ends with CR LF: its CR is written as it is, its LF
    // as CR LF, then the line's own line end.
    const std::string systemText = ToUtf8(fs.SystemMessage(EACCES));
    ASSERT_EQ(systemText.substr(systemText.size() - 2), "\r\n");
    EXPECT_EQ(ReadBytes(ToUtf8(logPath)),
              Utf16LeFile(FromUtf8("Log file started on: 2021-07-03 12-05-09\r\n\r\n"
                                   "Error renaming file:  /data/a2.jpg.........." +
                                   systemText.substr(0, systemText.size() - 2) + "\r\r\n\r\n")));
    EXPECT_TRUE(controller->lastJobResult()->error);
    EXPECT_EQ(view.currentNames, (Names{L"a2.jpg", L"b.jpg", L"x10.jpg"}));
}

TEST_F(UpdateAttributesTest, ACancelledLogSaveSavesNothingAndTheListsAreRebuiltAllTheSame) {
    StartWithRenameTask();
    fs.FailOn(Call::kMove, L"/data/a2.jpg", EACCES);
    ASSERT_TRUE(controller->UpdateAttributes());
    view.events.clear();
    FinishJob();
    EXPECT_EQ(view.saveRequests.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(ToUtf8(Path(L"log.txt"))));
    EXPECT_EQ(view.currentNames, (Names{L"a2.jpg", L"b.jpg", L"x10.jpg"}));
    EXPECT_EQ(view.Count("CurrentEntries"), 2);  // emptied and refilled

    // Answering No to the question offers no dialog at all.
    dialogs.Answer(MessageAnswer::kYes);  // the confirmation
    dialogs.Answer(MessageAnswer::kNo);
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_EQ(view.saveRequests.size(), 1u);
}

TEST_F(UpdateAttributesTest, ClearTaskListEmptiesTheListWithoutNewIdsOrANewTitle) {
    WritePreferences(Preferences{PreferenceFlags{1, 0, 0, 0, 0, 0}, L"", L"", 0, {}});
    AddPhotos();
    Start();
    ChooseFolder(L"/data/");
    const auto file = WriteTaskFile(L"t.tvt", {L"$FileName<>FIND=a<>REPL=x<>NAME=A<>"});
    view.openAnswers.push_back(file);
    controller->taskList().LoadTaskList();
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.newNames, view.currentNames);
    EXPECT_EQ(controller->taskList().path(), file);
    EXPECT_EQ(view.caption, L"Task List: t.tvt");

    ASSERT_EQ(Submit(RenameRecord(L"b", L"c")), 1);
    TaskIdSequence ids;
    ids.Seed(static_cast<std::uint32_t>(kNow));  // seeded by the load, not again
    ids.Next();
    EXPECT_EQ(controller->taskList().tasks()[0].id, ids.Next());
}

TEST_F(UpdateAttributesTest, ASingleFileRenamedByTheJobIsListedUnderItsNewName) {
    AddPhotos();
    Start();
    view.openAnswers.push_back(L"/data/a2.jpg");
    controller->SelectFile();
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_EQ(view.Count("SetRange 0 1"), 1);  // the plan counts the one entry
    EXPECT_EQ(controller->folderHistory().paths(), std::vector<std::wstring>{L"/data/x2.jpg"});
    EXPECT_EQ(view.currentNames, Names{L"x2.jpg"});
    EXPECT_EQ(view.title, L"Torvane: /data/x2.jpg");
}

TEST_F(UpdateAttributesTest, TheJobWorksOnItsOwnCopiesWhileTheUserActs) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 2, 0, 0, 0}, L"", L"", 0, {}});
    AddPhotos();
    Start();
    ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    ASSERT_EQ(Submit(RenameRecord(L"A", L"x", L"upper")), 1);
    view.reviewAnswer = true;  // the job reaches into "sub": its plan is reviewed
    fs.CloseGate();
    ASSERT_TRUE(controller->UpdateAttributes());
    // The worker waits at its first folder while the user changes things.
    controller->ApplyPreferences(PreferenceFlags{0, 1, 1, 0, 0, 0});
    EXPECT_EQ(Submit(RenameRecord(L"b", L"q")), 0);
    controller->taskList().SetTaskSelection({0});
    controller->taskList().RemoveTask();
    controller->taskList().MoveTaskUp();
    controller->taskList().ClearTaskList();
    controller->DropPaths({L"/data/b.jpg"});
    controller->SelectFolder();
    controller->taskList().LoadTaskList();
    EXPECT_EQ(view.folderRequests, 1);
    EXPECT_TRUE(view.openRequests.empty());
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    controller->FileActivated(0, kCurrentListId);  // browsing into "sub" is allowed
    EXPECT_EQ(controller->folderHistory().Current(), L"/data/sub/");
    fs.OpenGate();
    FinishJob();

    // Case-insensitive, files and folders: as the job was started.
    EXPECT_EQ(fs.changes(), (std::vector<std::wstring>{L"Move /data/a2.jpg -> /data/x2.jpg",
                                                       L"Move /data/a10.jpg -> /data/x10.jpg"}));
    EXPECT_EQ(controller->folderHistory().Current(), L"/data/sub/");  // rebuilt where the user is
    EXPECT_EQ(view.currentNames, Names{L"c.jpg"});
}

TEST_F(UpdateAttributesTest, ClosingDuringAJobWaitsForItsCompletion) {
    WritePreferences(Preferences{PreferenceFlags{0, 0, 0, 0, 1, 0}, L"", L"", 0, {}});
    StartWithSavedRenameTask();
    ASSERT_TRUE(controller->UpdateAttributes());
    EXPECT_FALSE(controller->RequestClose());
    EXPECT_TRUE(controller->closePending());
    EXPECT_TRUE(view.closed.empty());
    EXPECT_FALSE(controller->windowResult());
    FinishJob();

    EXPECT_EQ(Messages(), (std::vector<Message>{kConfirm, kSucceeded}));
    EXPECT_EQ(view.closed, std::vector<int>{kWindowClosed});
    EXPECT_EQ(view.events.back(), "Close 1");
    EXPECT_EQ(controller->windowResult(), kWindowClosed);
    EXPECT_FALSE(controller->closePending());
    Preferences written;
    LoadPreferences(fs, dialogs, written);
    EXPECT_EQ(written.selectedFilePath, L"/data/");
    EXPECT_TRUE(fs.Exists(L"/data/x2.jpg"));
}

// The plan decides what the window asks: the question for a clean job on
// the folder on show, the review for one that reaches below it or has
// problems; the window's command-line job asks nothing and tries everything.
TEST_F(UpdateAttributesTest, TheReviewComesForAJobBelowTheFolderOnShowOrWithProblems) {
    AddPhotos();
    Start();
    // Two entries given one name: reviewed, and applied without them.
    ChooseFolder(L"/data/");
    ASSERT_EQ(Submit(RenameRecord(L"^a\\d+", L"x", L"", true)), 1);
    EXPECT_EQ(controller->preview().changes(), 2);
    ASSERT_EQ(controller->preview().findings().size(), 2u);
    ASSERT_NE(controller->preview().FindingAt(0), nullptr);  // a2.jpg
    EXPECT_EQ(controller->preview().FindingAt(0)->kind, FindingKind::kDuplicateName);
    EXPECT_EQ(controller->preview().FindingAt(2), nullptr);  // b.jpg
    dialogs.Clear();
    view.reviewAnswer = true;
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    ASSERT_EQ(view.reviews.size(), 1u);
    EXPECT_EQ(view.reviews[0].problems, 2);
    EXPECT_EQ(view.reviews[0].root, L"/data/");
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_EQ(Messages(), (std::vector<Message>{kFailed}));  // the two entries are logged

    // Reaching into "sub": reviewed even when clean; Cancel changes nothing.
    controller->taskList().ClearTaskList();
    ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    ASSERT_EQ(Submit(RenameRecord(L"c.jpg", L"d.jpg")), 1);
    EXPECT_TRUE(controller->preview().findings().empty());
    EXPECT_EQ(controller->preview().changes(), 0);  // c.jpg is not on show
    dialogs.Clear();
    view.reviewAnswer = false;
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    ASSERT_EQ(view.reviews.size(), 2u);
    EXPECT_EQ(view.reviews[1].changes, 1);
    EXPECT_EQ(view.reviews[1].folders, 2u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(fs.changes().empty());
    view.reviewAnswer = true;
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"Move /data/sub/c.jpg -> /data/sub/d.jpg"});
    EXPECT_EQ(Messages(), (std::vector<Message>{kSucceeded}));
}

TEST_F(UpdateAttributesTest, TheWindowsCommandLineJobAsksNothingAndTriesEveryEntry) {
    AddPhotos();
    const auto taskFile = WriteTaskFile(
        L"t.tvt", {L"$FileName<>FIND=^a\\d+<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>NAME=A<>"});
    Start({L"/data/", taskFile, L"-Apply", L"-NoConfirm"});
    FinishJob();
    EXPECT_TRUE(view.reviews.empty());
    // The first move takes the name; the second fails and is logged.
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"Move /data/a2.jpg -> /data/x.jpg"});
    EXPECT_EQ(Messages(), (std::vector<Message>{kFailed}));
}

TEST_F(UpdateAttributesTest, CancellingWhileThePlanIsBuiltAppliesNothing) {
    StartWithRenameTask();
    fs.CloseGate();
    ASSERT_TRUE(controller->UpdateAttributes());
    controller->CancelJob();
    fs.OpenGate();
    FinishJob();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_FALSE(controller->lastJobResult());
    EXPECT_TRUE(Enabled(CommandId::kUpdateAttributes));
}

TEST(RealFolderJob, ANameCollisionIsReviewedLoggedAndTheLogSavedOnDisk) {
    ScopedTimeZone zone("UTC0");
    TempDir dir;
    const std::wstring root = FromUtf8(dir.Join("photos")) + L"/";
    std::filesystem::create_directory(dir.Join("photos"));
    for (const char* name : {"a1.txt", "a2.txt", "x2.txt"})
        WriteBytes(dir.Join("photos/") + name, name);
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    RecordingView view;
    UiTaskQueue ui;
    MainControllerServices services{fs, dialogs, view, ui};
    view.Serve(services);
    services.clock = [] { return std::int64_t{1625313909}; };
    MainController controller(std::move(services));
    view.Attach(controller);
    controller.Initialize(CommandLineInfo{});
    view.folderAnswers.push_back(FolderChoice{root, {}});
    controller.SelectFolder();
    ASSERT_EQ(controller.taskList().SubmitTask(RenameRecord(L"a", L"x")), 1);
    const std::string logPath = dir.Join("log.txt");
    view.saveAnswers.push_back(FromUtf8(logPath));
    view.reviewAnswer = true;  // the plan's problem is reviewed and the rest applied
    ASSERT_TRUE(controller.UpdateAttributes());
    ui.RunUntil([&] { return !controller.jobRunning(); });

    ASSERT_EQ(view.reviews.size(), 1u);
    EXPECT_EQ(view.reviews[0].changes, 2);
    EXPECT_EQ(view.reviews[0].problems, 1);
    EXPECT_EQ(view.currentNames, (Names{L"a2.txt", L"x1.txt", L"x2.txt"}));
    EXPECT_EQ(ReadBytes(dir.Join("photos/x2.txt")), "x2.txt");
    EXPECT_EQ(ReadBytes(logPath),
              Utf16LeFile(FromUtf8("Log file started on: 2021-07-03 12-05-09\r\n\r\n"
                                   "Entry not changed:  " +
                                   ToUtf8(root) +
                                   "a2.txt..........\"x2.txt\" is taken by \"x2.txt\", which "
                                   "keeps its name.\r\n")));
}

TEST_F(UpdateAttributesTest, AWindowShowsTheFailuresAndSavesTheLogFromThem) {
    ScopedTimeZone zone("UTC0");
    StartWithRenameTask();
    view.reportJobErrors = true;
    view.saveLogFromReport = true;
    fs.FailOn(Call::kMove, L"/data/a2.jpg", EACCES);
    const std::wstring logPath = Path(L"log.txt");
    view.saveAnswers.push_back(logPath);
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();

    EXPECT_EQ(Messages(), std::vector<Message>{kConfirm});  // no question about the log
    ASSERT_EQ(view.jobErrorReports.size(), 1u);
    const std::wstring reason = fs.SystemMessage(EACCES);
    EXPECT_EQ(JobFailures(view.jobErrorReports[0].log),
              (std::vector<JobFailure>{
                  {L"/data/a2.jpg", L"Error renaming file", reason.substr(0, reason.size() - 2)}}));
    ASSERT_EQ(view.saveRequests.size(), 1u);
    EXPECT_EQ(view.saveRequests[0].initialName, L"Error log 2021-07-03 12-05-09");
    EXPECT_EQ(ReadBytes(ToUtf8(logPath)).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(view.currentNames, (Names{L"a2.jpg", L"b.jpg", L"x10.jpg"}));
}

TEST_F(UpdateAttributesTest, ProgressGoesFromNoneToAllOfThePlansEntries) {
    StartWithRenameTask();
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    ASSERT_GE(view.jobProgress.size(), 2u);
    EXPECT_EQ(view.jobProgress.front(), (std::pair<std::int64_t, std::int64_t>{0, 3}));
    EXPECT_EQ(view.jobProgress.back(), (std::pair<std::int64_t, std::int64_t>{3, 3}));
}

// Cancel while the plan waits for its confirmation: the plan is applied,
// and stops before its first entry.
TEST_F(UpdateAttributesTest, CancelWhileApplyingStopsBetweenEntriesAndSaysSo) {
    StartWithRenameTask();
    dialogs.hook = [this](const std::wstring& text) {
        if (text == kConfirm.text)
            controller->CancelJob();
    };
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    dialogs.hook = nullptr;

    EXPECT_TRUE(fs.changes().empty());
    ASSERT_TRUE(controller->lastJobResult());
    EXPECT_TRUE(controller->lastJobResult()->cancelled);
    EXPECT_EQ(controller->lastJobResult()->log.back(),
              ErrorLogLine(kJobCancelledBefore, L"/data/a2.jpg", kJobCancelledMessage));
    EXPECT_EQ(Messages(),
              (std::vector<Message>{kConfirm,
                                    {L"The job was cancelled. The entries it had reached keep "
                                     L"their changes; the others were not changed.",
                                     L"Notice", MessageIcon::kInformation, MessageButtons::kOk}}));
    EXPECT_FALSE(controller->jobRunning());
}

}  // namespace
}  // namespace torvane::testing
