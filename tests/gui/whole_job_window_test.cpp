// The whole job in the window (its pane beside the lists, planned on a
// worker, the same rows as the review) and the ways to problems: the tinted
// rows, "Show problems only" and Next / Previous Problem (F8, Shift+F8).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTableView>
#include <QTest>

#include "gui/dialogs/review_dialog.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/problem_rows.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/pane_layout.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::RenameRecord;
using torvane::testing::WiredWindow;

constexpr ListOptions kBothBelow{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone};

// Every text of a plan table's rows, row by row.
std::vector<QStringList> RowTexts(const QAbstractItemModel& model) {
    std::vector<QStringList> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c)
            texts << model.index(r, c).data().toString();
        rows.push_back(texts);
    }
    return rows;
}

class WholeJobWindowTest : public ::testing::Test {
  protected:
    // /data/ holds a.txt, b.txt and sub/ (a1.txt, a2.txt, x2.txt); the task
    // renames "a" to "x", so a2.txt is in the way of x2.txt.
    void SetUp() override {
        w.fs.AddFile(L"/data/a.txt");
        w.fs.AddFile(L"/data/b.txt");
        w.fs.AddFolder(L"/data/sub/");
        w.fs.AddFile(L"/data/sub/a1.txt");
        w.fs.AddFile(L"/data/sub/a2.txt");
        w.fs.AddFile(L"/data/sub/x2.txt");
        w.Start();
        w.ChooseFolder(L"/data/", kBothBelow);
        ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"a", L"x")));
    }
    void ShowWholeJob() {
        w.window.Panes().WholeJobBox().click();
        w.ui.RunUntil([this] { return !w.controller->wholeJobPlanning(); });
        ASSERT_NE(w.window.WholeJobModel(), nullptr);
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    void Activate() {
        w.window.show();
        QApplication::setActiveWindow(&w.window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    }

    WiredWindow w;
};

TEST_F(WholeJobWindowTest, ListsTheSubfoldersEntriesWithTheirFindingsAsTheReviewDoes) {
    EXPECT_EQ(w.window.CountLine().text(), "1 change in this folder, 0 problems");
    ShowWholeJob();
    EXPECT_TRUE(w.window.Panes().WholeJobShown());
    EXPECT_EQ(w.window.CountLine().text(), "1 change in this folder, 3 in the job, 1 problem");
    const auto rows = RowTexts(*w.window.WholeJobModel());
    ASSERT_EQ(rows.size(), 3u);
    // The problem first, then the changes in the job's order.
    EXPECT_EQ(rows[0][ReviewModel::kEntryColumn], "sub/a2.txt");
    EXPECT_TRUE(rows[0][ReviewModel::kProblemColumn].contains("x2.txt"));
    EXPECT_EQ(rows[1][ReviewModel::kEntryColumn], "a.txt");
    EXPECT_EQ(rows[2][ReviewModel::kEntryColumn], "sub/a1.txt");
    EXPECT_EQ(rows[2][ReviewModel::kNewNameColumn], "x1.txt");
    const QModelIndex problem = w.window.WholeJobModel()->index(0, 0);
    EXPECT_EQ(problem.data(Qt::BackgroundRole).value<QColor>(),
              ProblemTint(QApplication::palette()));
    EXPECT_FALSE(w.window.WholeJobModel()->index(1, 0).data(Qt::BackgroundRole).isValid());

    // The review of the job Apply starts has the very same rows.
    std::vector<QStringList> reviewed;
    QObject::connect(
        &w.window, &MainWindow::ReviewOpened, &w.window,
        [&reviewed](ReviewDialog* dialog) {
            reviewed = RowTexts(dialog->Model());
            QMetaObject::invokeMethod(
                dialog, [dialog] { dialog->reject(); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    w.window.Action(kCmdUpdateAttributes)->trigger();
    w.ui.RunUntil([this] { return !w.controller->jobRunning(); });
    EXPECT_EQ(reviewed, rows);

    // Off: the lists again.
    w.window.Panes().WholeJobBox().click();
    EXPECT_FALSE(w.window.Panes().WholeJobShown());
    EXPECT_EQ(w.window.WholeJobModel(), nullptr);
    EXPECT_EQ(w.window.CountLine().text(), "1 change in this folder, 0 problems");
}

TEST_F(WholeJobWindowTest, F8MovesThroughTheProblemsOfTheWholeJob) {
    w.fs.AddFile(L"/data/sub/a3.txt");
    w.fs.AddFile(L"/data/sub/x3.txt");
    ShowWholeJob();
    ASSERT_EQ(w.window.WholeJobModel()->problemRows(), 2);
    Activate();
    w.window.WholeJobTable().setFocus();
    Press(Qt::Key_F8);
    EXPECT_EQ(w.window.WholeJobTable().currentIndex().row(), 0);
    Press(Qt::Key_F8);
    EXPECT_EQ(w.window.WholeJobTable().currentIndex().row(), 1);
    Press(Qt::Key_F8);
    EXPECT_EQ(w.window.WholeJobTable().currentIndex().row(), 0);
    Press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(w.window.WholeJobTable().currentIndex().row(), 1);

    w.window.Panes().ProblemsOnlyBox().click();
    EXPECT_EQ(w.window.WholeJobModel()->rowCount(), 2);
}

// A folder of its own whose renames collide twice: rows 0 (a1.txt) and 2
// (a2.txt) have problems.
class ProblemRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const wchar_t* name : {L"a1.txt", L"b.txt", L"a2.txt", L"x1.txt", L"x2.txt"})
            w.fs.AddFile(std::wstring(L"/p/") + name);
        w.Start();
        w.ChooseFolder(L"/p/");
        ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"a", L"x")));
        ASSERT_EQ(w.controller->preview().findings().size(), 2u);
        w.window.show();
        QApplication::setActiveWindow(&w.window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
        w.window.CurrentList().setFocus();
    }
    int Row(const wchar_t* name) const {
        for (int r = 0; r < w.window.CurrentModel().rowCount(); ++r) {
            if (w.window.CurrentModel().EntryAt(r)->name == name)
                return r;
        }
        return -1;
    }
    WiredWindow w;
};

TEST_F(ProblemRowsTest, ProblemRowsAreTintedAndF8WalksThemBothWays) {
    const int a1 = Row(L"a1.txt");
    const int a2 = Row(L"a2.txt");
    const int b = Row(L"b.txt");
    const QColor tint = ProblemTint(QApplication::palette());
    for (int c : {0, 1}) {
        EXPECT_EQ(w.window.NewModel().index(a1, c).data(Qt::BackgroundRole).value<QColor>(), tint);
    }
    EXPECT_FALSE(w.window.NewModel().index(b, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_NE(tint, QApplication::palette().color(QPalette::Base));

    struct Step {
        Qt::KeyboardModifiers modifiers;
        int row;
    };
    const Step steps[] = {{Qt::NoModifier, a1},
                          {Qt::NoModifier, a2},
                          {Qt::NoModifier, a1},
                          {Qt::ShiftModifier, a2},
                          {Qt::ShiftModifier, a1}};
    for (const Step& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8, step.modifiers);
        EXPECT_EQ(w.window.CurrentList().SelectedRow(), step.row);
        EXPECT_EQ(w.window.NewList().SelectedRow(), step.row);
        ASSERT_TRUE(w.controller->generalInfo().entry);
    }
    EXPECT_EQ(w.controller->generalInfo().entry->name, L"a1.txt");
}

TEST_F(ProblemRowsTest, ShowProblemsOnlyHidesTheOtherRowsInBothLists) {
    w.window.Panes().ProblemsOnlyBox().click();
    for (SyncListView* list : {&w.window.CurrentList(), &w.window.NewList()}) {
        for (int r = 0; r < list->model()->rowCount(); ++r)
            EXPECT_EQ(list->isRowHidden(r), r != Row(L"a1.txt") && r != Row(L"a2.txt")) << r;
    }
    // A task list without problems: nothing is left to show, and the box
    // off shows every row again.
    w.controller->taskList().ClearTaskList();
    ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"b", L"c")));
    ASSERT_TRUE(w.controller->preview().findings().empty());
    EXPECT_TRUE(w.window.CurrentList().isRowHidden(Row(L"b.txt")));
    w.window.Panes().ProblemsOnlyBox().click();
    for (int r = 0; r < w.window.CurrentList().model()->rowCount(); ++r)
        EXPECT_FALSE(w.window.CurrentList().isRowHidden(r));
}

}  // namespace
}  // namespace torvane::gui
