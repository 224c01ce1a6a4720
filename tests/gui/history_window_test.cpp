// The job history in the window: Edit > Undo Last Job names the job it
// undoes and restores it after the review; the History dialog lists the jobs,
// shows a job's entries on request, undoes the one selected and clears them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "gui/dialogs/history_dialog.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "memory_history.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::MemoryHistory;
using torvane::testing::RenameRecord;
using torvane::testing::WiredWindow;

// The window over a folder of two photos and a kept history, with one job
// (1 -> 2 in the names) applied.
class HistoryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        w.openHistory = [this](const HistorySettings&, std::wstring&) {
            return BorrowHistory(history);
        };
        w.fs.AddFile(L"/data/a1.jpg");
        w.fs.AddFile(L"/data/b1.jpg");
        w.Start();
        w.ChooseFolder(L"/data/");
        ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"1", L"2")));
        RunCommand(kCmdUpdateAttributes);
        ASSERT_TRUE(w.fs.Lookup(L"/data/a2.jpg").has_value());
    }

    void RunCommand(int id) {
        w.window.Action(id)->trigger();
        w.ui.RunUntil([this] { return !w.controller->jobRunning(); });
    }

    // Opens the Edit menu's state as the user would see it.
    void OpenEditMenu() {
        for (QAction* menu : w.window.menuBar()->actions()) {
            if (menu->text() == "&Edit")
                emit menu->menu()->aboutToShow();
        }
    }

    // The next review is answered Apply.
    void ApplyNextReview() {
        QObject::connect(
            &w.window, &MainWindow::ReviewOpened, &w.window,
            [](ReviewDialog* dialog) {
                QMetaObject::invokeMethod(
                    dialog, [dialog] { dialog->accept(); }, Qt::QueuedConnection);
            },
            Qt::SingleShotConnection);
    }

    MemoryHistory history;
    WiredWindow w;
};

TEST_F(HistoryWindowTest, UndoLastJobNamesTheJobAndRestoresItThenOffersToRedoIt) {
    QAction* undo = w.window.Action(kCmdUndoLastJob);
    OpenEditMenu();
    ASSERT_TRUE(undo->isEnabled());
    EXPECT_TRUE(undo->statusTip().contains("job 1")) << undo->statusTip().toStdString();
    EXPECT_TRUE(undo->statusTip().contains("/data/")) << undo->statusTip().toStdString();

    ApplyNextReview();
    RunCommand(kCmdUndoLastJob);
    EXPECT_TRUE(w.fs.Lookup(L"/data/a1.jpg").has_value());
    EXPECT_TRUE(w.fs.Lookup(L"/data/b1.jpg").has_value());
    EXPECT_FALSE(w.fs.Lookup(L"/data/a2.jpg").has_value());

    // The undo is a job of its own: undoing it redoes the first.
    OpenEditMenu();
    ASSERT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo Last Job (redo job 1)");
    ApplyNextReview();
    RunCommand(kCmdUndoLastJob);
    EXPECT_TRUE(w.fs.Lookup(L"/data/a2.jpg").has_value());
    EXPECT_TRUE(w.fs.Lookup(L"/data/b2.jpg").has_value());
}

// Ctrl+Z is Undo Last Job: the undo is reviewed first, and Cancel there
// changes nothing.
TEST_F(HistoryWindowTest, CtrlZUndoesTheLastJobAfterItsReview) {
    w.window.show();
    QApplication::setActiveWindow(&w.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.window.CurrentList().setFocus();
    int reviews = 0;
    QObject::connect(&w.window, &MainWindow::ReviewOpened, &w.window,
                     [&reviews](ReviewDialog*) { ++reviews; });
    QObject::connect(
        &w.window, &MainWindow::ReviewOpened, &w.window,
        [](ReviewDialog* dialog) {
            QMetaObject::invokeMethod(
                dialog, [dialog] { dialog->reject(); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    QTest::keyClick(&w.window.CurrentList(), Qt::Key_Z, Qt::ControlModifier);
    w.ui.RunUntil([this] { return !w.controller->jobRunning(); });
    EXPECT_EQ(reviews, 1);
    EXPECT_TRUE(w.fs.Lookup(L"/data/a2.jpg").has_value());

    ApplyNextReview();
    QApplication::setActiveWindow(&w.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.window.CurrentList().setFocus();
    ASSERT_TRUE(w.window.Action(kCmdUndoLastJob)->isEnabled());
    QTest::keyClick(&w.window.CurrentList(), Qt::Key_Z, Qt::ControlModifier);
    w.ui.RunUntil([this] { return !w.controller->jobRunning(); });
    EXPECT_EQ(reviews, 2);
    EXPECT_TRUE(w.fs.Lookup(L"/data/a1.jpg").has_value());
    EXPECT_FALSE(w.fs.Lookup(L"/data/a2.jpg").has_value());
}

TEST_F(HistoryWindowTest, TheHistoryDialogShowsTheJobsAndEntriesAndUndoesTheSelectedJob) {
    OpenEditMenu();
    ASSERT_TRUE(w.window.Action(kCmdHistory)->isEnabled());
    bool shown = false;
    QObject::connect(
        &w.window, &MainWindow::HistoryOpened, &w.window,
        [&shown](HistoryDialog* dialog) {
            shown = true;
            QTableView& jobs = dialog->JobsView();
            EXPECT_EQ(jobs.model()->rowCount(), 1);
            EXPECT_EQ(jobs.model()->index(0, 0).data().toString(), "1");
            EXPECT_EQ(jobs.model()->index(0, 2).data().toString(), "/data/");
            EXPECT_EQ(jobs.model()->index(0, 3).data().toString(), "2");
            // The entries come on request only.
            EXPECT_TRUE(dialog->EntriesView().isHidden());
            dialog->EntriesButton().click();
            EXPECT_FALSE(dialog->EntriesView().isHidden());
            QAbstractItemModel& entries = *dialog->EntriesView().model();
            ASSERT_EQ(entries.rowCount(), 2);
            QStringList names;
            for (int r = 0; r < 2; ++r)
                names << entries.index(r, JournalModel::kOldColumn).data().toString() + " -> " +
                             entries.index(r, JournalModel::kNewColumn).data().toString() + " " +
                             entries.index(r, JournalModel::kStateColumn).data().toString();
            names.sort();
            EXPECT_EQ(names, (QStringList{"a1.jpg -> a2.jpg done", "b1.jpg -> b2.jpg done"}));
            QMetaObject::invokeMethod(
                dialog, [dialog] { dialog->UndoButton().click(); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    ApplyNextReview();
    RunCommand(kCmdHistory);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(w.fs.Lookup(L"/data/a1.jpg").has_value());
    EXPECT_TRUE(w.fs.Lookup(L"/data/b1.jpg").has_value());
    const auto jobs = history.Jobs().value();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1].undoneBy, jobs[0].id);
}

TEST_F(HistoryWindowTest, ClearHistoryForgetsTheJobsOnlyWhenTheQuestionIsAnsweredYes) {
    HistoryAccess access;
    access.jobs = [this] { return w.controller->jobHistory().Jobs(); };
    access.clear = [this] { return w.controller->jobHistory().AskClear(); };
    HistoryDialog dialog(access);
    ASSERT_EQ(dialog.JobsView().model()->rowCount(), 1);
    w.dialogs.Answer(MessageAnswer::kNo);
    dialog.ClearButton().click();
    EXPECT_EQ(dialog.JobsView().model()->rowCount(), 1);
    w.dialogs.Answer(MessageAnswer::kYes);
    dialog.ClearButton().click();
    EXPECT_EQ(dialog.JobsView().model()->rowCount(), 0);
    EXPECT_TRUE(history.Jobs().value().empty());
    EXPECT_FALSE(dialog.UndoButton().isEnabled());
}

// Failures and entries skipped for a problem have a column each, and the
// row's tip says them as the console's -History does.
TEST(HistoryDialogTest, FailuresAndSkippedEntriesAreShownApart) {
    JobRecord job;
    job.id = 4;
    job.root = L"/data/";
    job.entries = 5;
    job.done = 2;
    job.failures = 1;
    job.skipped = 2;
    job.outcome = JobOutcome::kDone;
    HistoryAccess access;
    access.jobs = [job] { return Result<std::vector<JobRecord>>(std::vector<JobRecord>{job}); };
    HistoryDialog dialog(access);
    const QAbstractItemModel& model = *dialog.JobsView().model();
    ASSERT_EQ(model.rowCount(), 1);
    QStringList titles;
    for (int c = 0; c < model.columnCount(); ++c)
        titles << model.headerData(c, Qt::Horizontal).toString() + "=" +
                      model.index(0, c).data().toString();
    EXPECT_TRUE(titles.contains("Failures=1")) << titles.join(", ").toStdString();
    EXPECT_TRUE(titles.contains("Skipped=2")) << titles.join(", ").toStdString();
    EXPECT_TRUE(model.index(0, 0)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(", 5 changes, 1 failure, 2 skipped, done"))
        << model.index(0, 0).data(Qt::ToolTipRole).toString().toStdString();
}

TEST(HistoryWindowWithoutHistoryTest, TheHistoryCommandsStayDisabledAndSayWhy) {
    WiredWindow w;
    w.Start();
    for (QAction* menu : w.window.menuBar()->actions()) {
        if (menu->text() == "&Edit")
            emit menu->menu()->aboutToShow();
    }
    EXPECT_FALSE(w.window.Action(kCmdUndoLastJob)->isEnabled());
    EXPECT_FALSE(w.window.Action(kCmdHistory)->isEnabled());
    EXPECT_EQ(w.window.Action(kCmdUndoLastJob)->statusTip(), "No job history is kept");
}

}  // namespace
}  // namespace torvane::gui
