// The job history through the controller: every job journaled, Undo Last
// Job planned, reviewed and applied as a job of its own, a history that
// can't be written said once, and interrupted jobs told at start-up.
#include <gtest/gtest.h>

#include <ctime>

#include "app/history_access.hpp"
#include "controller_fixture.hpp"
#include "history/sqlite_history.hpp"
#include "memory_history.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;

class ControllerHistoryTest : public ControllerTest {
  protected:
    ControllerHistoryTest() {
        // As OpenUserHistory: none, and nothing to say, when it is off.
        openHistory = [this](const HistorySettings& settings, std::wstring& problem) {
            opened.push_back(settings);
            problem = settings.enabled ? openProblem : L"";
            return settings.enabled && openProblem.empty() ? BorrowHistory(history) : nullptr;
        };
    }

    // One more job over the folder on show: the task `find` -> `replace` is
    // added to the list, and the job is confirmed.
    void RunNextJob(const std::wstring& find, const std::wstring& replace) {
        ASSERT_TRUE(Submit(RenameRecord(find, replace)));
        ASSERT_TRUE(controller->UpdateAttributes());
        FinishJob();
    }

    // /data/ holds a2.jpg, a10.jpg, b.jpg and sub/c.jpg; the task renames "a"
    // to "x" and the job is confirmed.
    void RunRenameJob() {
        AddPhotos();
        Start();
        ChooseFolder(L"/data/");
        ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
        ASSERT_TRUE(controller->UpdateAttributes());
        FinishJob();
    }

    Names DataNames() {
        Names names;
        auto records = fs.FindEntries(L"/data/");
        for (const auto& r : *records) {
            if (r.name != L"." && r.name != L"..")
                names.push_back(r.name.wide());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    MemoryHistory history;
    std::wstring openProblem;
    std::vector<HistorySettings> opened;
};

TEST_F(ControllerHistoryTest, JobIsJournaledAndUndoLastJobRestoresItAfterTheReview) {
    RunRenameJob();
    const auto jobs = controller->jobHistory().Jobs().value();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].outcome, JobOutcome::kDone);
    EXPECT_EQ(jobs[0].done, 2);
    EXPECT_EQ(jobs[0].root, L"/data/");
    EXPECT_EQ(jobs[0].frontEnd, L"torvane");
    EXPECT_EQ(controller->jobHistory().Entries(jobs[0].id).value().size(), 2u);
    ASSERT_EQ(DataNames(), (Names{L"b.jpg", L"sub", L"x10.jpg", L"x2.jpg"}));

    // A review answered Cancel applies nothing.
    view.reviewAnswer = false;
    ASSERT_TRUE(controller->jobHistory().UndoLastJob());
    FinishJob();
    EXPECT_EQ(DataNames(), (Names{L"b.jpg", L"sub", L"x10.jpg", L"x2.jpg"}));
    EXPECT_EQ(controller->jobHistory().LastUndoableJob()->id, jobs[0].id);

    view.reviewAnswer = true;
    dialogs.Clear();
    ASSERT_TRUE(controller->jobHistory().UndoLastJob());
    FinishJob();
    EXPECT_EQ(DataNames(), (Names{L"a10.jpg", L"a2.jpg", L"b.jpg", L"sub"}));
    const auto undone = history.Job(jobs[0].id).value();
    ASSERT_NE(undone->undoneBy, 0);
    const auto undo = history.Job(undone->undoneBy).value();
    EXPECT_EQ(undo->kind, JobKind::kUndo);
    EXPECT_EQ(undo->undoes, jobs[0].id);
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    // The next Undo Last Job is the undo's: it redoes the job.
    EXPECT_EQ(controller->jobHistory().LastUndoableJob()->id, undo->id);
}

// A plan with a problem applied from the review leaves the problem entry
// alone: the history counts it as skipped, not as a failure, and the job
// still ends with its log (as the console's -SkipProblems exits 1).
TEST_F(ControllerHistoryTest, AnEntryLeftAloneForAProblemIsCountedAsSkipped) {
    AddPhotos();
    fs.AddFile(L"/data/b2.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);  // a2.jpg's new name, taken
    Start();
    ChooseFolder(L"/data/");
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"b")));
    view.reviewAnswer = true;
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    ASSERT_EQ(view.reviews.size(), 1u);
    EXPECT_EQ(view.reviews[0].problems, 1);
    EXPECT_EQ(DataNames(), (Names{L"a2.jpg", L"b.jpg", L"b10.jpg", L"b2.jpg", L"sub"}));
    const auto jobs = controller->jobHistory().Jobs().value();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].done, 1);
    EXPECT_EQ(jobs[0].failures, 0);
    EXPECT_EQ(jobs[0].skipped, 1);
    EXPECT_NE(JobSummaryText(jobs[0]).find(L", 2 changes, 0 failures, 1 skipped, done"),
              std::wstring::npos)
        << JobSummaryText(jobs[0]);
    ASSERT_TRUE(controller->lastJobResult().has_value());
    EXPECT_TRUE(controller->lastJobResult()->error);
}

TEST_F(ControllerHistoryTest, HistoryThatCantBeWrittenIsSaidOnceAndEachLogSaysIt) {
    history.failBegin = L"The disk is full.";
    RunRenameJob();
    ASSERT_TRUE(Submit(RenameRecord(L"x", L"y")));
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();

    EXPECT_EQ(DataNames(), (Names{L"b.jpg", L"sub", L"y10.jpg", L"y2.jpg"}));
    int said = 0;
    for (const auto& m : Messages())
        said += m.text == HistoryProblemMessage(L"The disk is full.") ? 1 : 0;
    EXPECT_EQ(said, 1);
    const auto& log = controller->lastJobResult()->log;
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], std::wstring(kHistoryNotKept) + L"The disk is full.\r\n");
    EXPECT_TRUE(history.Jobs().value().empty());
}

TEST_F(ControllerHistoryTest, HistoryThatCantBeOpenedIsSaidAtTheFirstJob) {
    openProblem = L"The history database is damaged.";
    RunRenameJob();
    EXPECT_FALSE(controller->jobHistory().available());
    EXPECT_EQ(DataNames(), (Names{L"b.jpg", L"sub", L"x10.jpg", L"x2.jpg"}));
    int said = 0;
    for (const auto& m : Messages())
        said += m.text == HistoryProblemMessage(openProblem) ? 1 : 0;
    EXPECT_EQ(said, 1);
}

TEST_F(ControllerHistoryTest, InterruptedJobsAreToldAtStartUpWithTheCommandThatUndoesThem) {
    JobRecord died;
    died.root = L"/photos/";
    died.outcome = JobOutcome::kInterrupted;
    died.done = 1;
    const auto id = history.Put(died, std::vector<JournalEntry>(3));
    const auto undone = history.Put(died, std::vector<JournalEntry>(2));
    history.MarkUndone(undone, 99);
    JobRecord finished;
    finished.outcome = JobOutcome::kDone;
    history.Put(finished, {});
    Start();
    EXPECT_EQ(
        Messages(),
        (std::vector<Message>{
            {L"Job " + std::to_wstring(id) +
                 L" on /photos/ was interrupted after at least 1 of 3 entries; to put them back as "
                 L"they were: torvane-cli -Undo " +
                 std::to_wstring(id) + L" -Apply",
             L"Interrupted job", MessageIcon::kWarning, MessageButtons::kOk}}));
}

TEST_F(ControllerHistoryTest, ThePreferencesTurnTheHistoryOffAndBoundIt) {
    Preferences prefs;
    prefs.history = 0;
    prefs.historyKeepJobs = 7;
    prefs.historyKeepDays = 0;  // below 1: the default
    WritePreferences(prefs);
    Start();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_FALSE(opened[0].enabled);
    EXPECT_EQ(opened[0].keepJobs, 7);
    EXPECT_EQ(opened[0].keepDays, HistorySettings{}.keepDays);
}

// The Preferences window's settings reach the store the next job is kept
// in: a real store trims the history by the settings it was opened with.
TEST_F(ControllerHistoryTest, SettingsChangedInThePreferencesWindowRuleTheNextJob) {
    openHistory = [this](const HistorySettings& settings, std::wstring& problem) {
        opened.push_back(settings);
        if (!settings.enabled)
            return std::unique_ptr<History>();
        auto history = OpenSqliteHistory(Path(L"history.sqlite3"), settings);
        if (!history) {
            problem = history.error().text;
            return std::unique_ptr<History>();
        }
        return std::move(*history);
    };
    // The store forgets by its own clock: the jobs start now.
    now = static_cast<std::int64_t>(std::time(nullptr));
    RunRenameJob();
    RunNextJob(L"x", L"y");
    const auto before = controller->jobHistory().Jobs().value();
    ASSERT_EQ(before.size(), 2u);
    controller->Option();
    EXPECT_EQ(view.historyShown, HistorySettings{});

    const HistorySettings keepOne{true, 1, 30};
    controller->ApplyPreferences(PreferenceFlags{}, keepOne);
    EXPECT_EQ(opened.back(), keepOne);
    EXPECT_EQ(HistorySettingsOf(controller->preferences()), keepOne);
    Preferences written;
    LoadPreferences(fs, dialogs, written);
    EXPECT_EQ(HistorySettingsOf(written), keepOne);
    EXPECT_EQ(controller->jobHistory().Jobs().value().size(),
              2u);  // nothing is forgotten before a job
    RunNextJob(L"y", L"z");
    const auto kept = controller->jobHistory().Jobs().value();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_GT(kept[0].id, before[0].id);

    // Turned off, the next job runs without history, and the Undo commands
    // know there is none.
    controller->ApplyPreferences(PreferenceFlags{}, HistorySettings{false, 1, 30});
    EXPECT_FALSE(controller->jobHistory().available());
    EXPECT_FALSE(controller->jobHistory().LastUndoableJob());
    RunNextJob(L"z", L"w");
    controller->ApplyPreferences(PreferenceFlags{}, keepOne);
    ASSERT_TRUE(controller->jobHistory().available());
    const auto after = controller->jobHistory().Jobs().value();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].id, kept[0].id);
}

// The history is opened again only when its settings change, and never
// under a running job, which keeps the history it began with.
TEST_F(ControllerHistoryTest, TheHistoryIsOpenedAgainOnlyForNewSettingsAndAfterTheRunningJob) {
    AddPhotos();
    Start();
    ChooseFolder(L"/data/");
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    const PreferenceFlags flags{0, 1, 0, 0, 0, 0};
    controller->ApplyPreferences(flags);
    controller->ApplyPreferences(flags, HistorySettings{});
    EXPECT_EQ(opened.size(), 1u);

    fs.CloseGate();
    ASSERT_TRUE(controller->UpdateAttributes());
    const HistorySettings changed{true, 9, 90};
    controller->ApplyPreferences(flags, changed);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(HistorySettingsOf(controller->preferences()), changed);
    fs.OpenGate();
    FinishJob();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], changed);
    EXPECT_EQ(history.Jobs().value().size(), 1u);
    EXPECT_TRUE(controller->jobHistory().available());
}

TEST_F(ControllerHistoryTest, UndoWithoutAJobSaysSo) {
    Start();
    EXPECT_FALSE(controller->jobHistory().UndoLastJob());
    EXPECT_FALSE(controller->jobHistory().UndoJob(42));
    EXPECT_EQ(Messages(), (std::vector<Message>{{L"There is no job to undo.", L"Notice",
                                                 MessageIcon::kInformation, MessageButtons::kOk},
                                                {L"There is no job 42 in the history.", L"Notice",
                                                 MessageIcon::kInformation, MessageButtons::kOk}}));
}

// The rules about what can be undone are the pipeline's, the same for the
// window as for the console: a job another process still runs, a job whose
// journal is damaged.
TEST_F(ControllerHistoryTest, AJobStillRunningOrDamagedIsNotUndone) {
    RunRenameJob();
    const auto done = controller->jobHistory().Jobs().value().at(0).id;
    JobRecord running;
    running.root = L"/data/";
    running.outcome = JobOutcome::kRunning;
    const auto elsewhere = history.Put(running, std::vector<JournalEntry>(1));
    dialogs.Clear();

    EXPECT_FALSE(controller->jobHistory().UndoJob(elsewhere));
    EXPECT_FALSE(controller->jobRunning());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, L"Job " + std::to_wstring(elsewhere) +
                                      L" is still running; it can be undone once it has ended.");

    // A damaged journal is an error naming the job, never an undo of nothing.
    history.damagedJob = done;
    dialogs.Clear();
    view.reviewAnswer = true;
    ASSERT_TRUE(controller->jobHistory().UndoJob(done));
    FinishJob();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].icon, MessageIcon::kError);
    EXPECT_NE(Messages()[0].text.find(L"job " + std::to_wstring(done)), std::wstring::npos);
    EXPECT_EQ(DataNames(), (Names{L"b.jpg", L"sub", L"x10.jpg", L"x2.jpg"}));
    EXPECT_EQ(history.Job(done).value()->undoneBy, 0);
    EXPECT_FALSE(controller->jobHistory().Entries(done).ok());
}

// A history written when jobs kept the paths as typed still undoes where
// they resolve, and says why where they don't.
TEST_F(ControllerHistoryTest, AJobRecordedWithARelativePathSaysWhereItMustBeUndoneFrom) {
    AddPhotos();
    Start();
    JournalEntry e;
    e.folder = SharedPath(L"data/");
    e.oldName = L"a2.jpg";
    e.newName = L"z2.jpg";
    e.rename = true;
    e.state = JournalState::kDone;
    JobRecord old;
    old.root = L"data/";
    old.outcome = JobOutcome::kDone;
    const auto id = history.Put(old, {e});
    view.reviewAnswer = true;
    ASSERT_TRUE(controller->jobHistory().UndoJob(id));
    FinishJob();
    ASSERT_FALSE(view.reviews.empty());
    ASSERT_EQ(view.reviews.back().folderProblems.size(), 1u);
    const std::wstring& problem = view.reviews.back().folderProblems[0];
    EXPECT_NE(problem.find(L"relative to the folder it was started in"), std::wstring::npos)
        << ToUtf8(problem);
}

}  // namespace
}  // namespace torvane::testing
