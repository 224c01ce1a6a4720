// The task list view over the controller: rows, selection, the toolbar's
// Move, Remove and Clear, keys and tool tips.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

#include "editor_fixture.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"

namespace torvane::gui::testing {
namespace {

using Rows = std::vector<std::size_t>;

class TaskListViewTest : public EditorSideTest {
  protected:
    // Lists /data/ and adds tasks T0..T(n-1) through the rename page.
    void StartWithTasks(int n) {
        fs.AddFile(L"/data/a.txt");
        ListFolder(L"/data/");
        auto& page = side->CriteriaTabs().NamePage();
        for (int i = 0; i < n; ++i) {
            Type(page.NameBox(), QString("T%1").arg(i));
            Type(page.FindBox(), "zz");
            Click(page.PrimaryButton());
        }
        ASSERT_EQ(controller->taskList().tasks().size(), static_cast<std::size_t>(n));
    }
    // Selects these rows as the user would (the controller is told).
    void Select(const Rows& rows) {
        QItemSelection selection;
        for (const auto r : rows) {
            const auto at = TaskView().Model().index(static_cast<int>(r), 0);
            selection.select(at, at);
        }
        TaskView().selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    bool Enabled(CommandId c) const { return controller->commandStates().Enabled(c); }
};

TEST_F(TaskListViewTest, ViewSetUp) {
    QAbstractItemModelTester tester(&TaskView().Model());
    EXPECT_EQ(TaskView().Model().columnCount(), 1);
    EXPECT_EQ(TaskView().Model().headerData(0, Qt::Horizontal).toString(), "Task List");
    EXPECT_EQ(TaskView().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(TaskView().showGrid());
    // The window's font, not a larger one of its own.
    EXPECT_EQ(TaskView().font(), QApplication::font(&TaskView()));
    EXPECT_EQ(TaskView().font(), window.font());
    side->TaskListCaptionChanged(L"Task List: photos.tvt");
    EXPECT_EQ(TaskView().Model().headerData(0, Qt::Horizontal).toString(), "Task List: photos.tvt");
}

TEST_F(TaskListViewTest, MoveUpAndDownMoveTheSelectedBlock) {
    StartWithTasks(5);
    Select({1, 2});
    EXPECT_EQ(controller->taskList().selection(), (Rows{1, 2}));
    controller->taskList().MoveTaskUp();
    EXPECT_EQ(RowNames(), (QStringList{"T1", "T2", "T0", "T3", "T4"}));
    EXPECT_EQ(TaskView().SelectedRows(), (Rows{0, 1}));
    EXPECT_EQ(TaskView().currentIndex().row(), 1);

    Select({1, 2});  // T2, T0
    controller->taskList().MoveTaskDown();
    EXPECT_EQ(RowNames(), (QStringList{"T1", "T3", "T2", "T0", "T4"}));
    EXPECT_EQ(TaskView().SelectedRows(), (Rows{2, 3}));
}

TEST_F(TaskListViewTest, SelectionsThatCannotMoveDisableTheMoves) {
    StartWithTasks(5);
    Select({0, 2});
    EXPECT_FALSE(Enabled(CommandId::kMoveTaskUp));
    EXPECT_TRUE(Enabled(CommandId::kMoveTaskDown));
    controller->taskList().MoveTaskUp();
    EXPECT_EQ(RowNames(), (QStringList{"T0", "T1", "T2", "T3", "T4"}));
    Select({1, 4});
    EXPECT_FALSE(Enabled(CommandId::kMoveTaskDown));
    EXPECT_TRUE(Enabled(CommandId::kRemoveTask));
}

TEST_F(TaskListViewTest, RemoveKeepsTheSelectionOnTheSameRowNumbers) {
    StartWithTasks(5);
    Select({1, 3});
    controller->taskList().RemoveTask();
    EXPECT_EQ(RowNames(), (QStringList{"T0", "T2", "T4"}));
    EXPECT_EQ(TaskView().SelectedRows(), (Rows{1}));
    EXPECT_EQ(controller->taskList().selection(), (Rows{1}));
}

TEST_F(TaskListViewTest, ClearEmptiesTheViewAndKeepsTheCaption) {
    StartWithTasks(3);
    side->TaskListCaptionChanged(L"Task List: a.tvt");
    Select({0});
    controller->taskList().ClearTaskList();
    EXPECT_EQ(TaskView().Model().rowCount(), 0);
    EXPECT_TRUE(TaskView().SelectedRows().empty());
    EXPECT_EQ(TaskView().Model().headerData(0, Qt::Horizontal).toString(), "Task List: a.tvt");
    EXPECT_FALSE(Enabled(CommandId::kClearTaskList));
}

TEST_F(TaskListViewTest, ClickRecomputesTheCommandStates) {
    StartWithTasks(2);
    window.show();
    TaskView().resize(300, 200);
    const int before = view.Count("CommandStates");
    const QRect row1 = TaskView().visualRect(TaskView().Model().index(1, 0));
    QTest::mouseClick(TaskView().viewport(), Qt::LeftButton, {}, row1.center());
    EXPECT_EQ(controller->taskList().selection(), (Rows{1}));
    EXPECT_GT(view.Count("CommandStates"), before);
    EXPECT_TRUE(Enabled(CommandId::kMoveTaskUp));
}

TEST_F(TaskListViewTest, CtrlASelectsEveryRowAndCtrlCCopiesTheirTexts) {
    StartWithTasks(3);
    QTest::keyClick(&TaskView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(TaskView().SelectedRows(), (Rows{0, 1, 2}));
    EXPECT_EQ(controller->taskList().selection(), (Rows{0, 1, 2}));
    QTest::keyClick(&TaskView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), RowTexts().join('\n'));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("T0: Rename "));
}

TEST_F(TaskListViewTest, ToolTipsShowTheTaskFieldsWithTheirLineBreaks) {
    StartWithTasks(1);
    AttributeTaskFields attribute;
    attribute.name = L"Attr";
    attribute.find = L"x<y";
    attribute.attributes = L"34";
    ASSERT_EQ(controller->taskList().SubmitTask(attribute), 1);
    const QString tip = TaskView().Model().index(1, 0).data(Qt::ToolTipRole).toString();
    EXPECT_EQ(tip,
              "Attributes of \"x<y\": Archive, Hidden, Index\n"
              "Task Name: Attr\nSearch String: x<y\nUse Regex: FALSE\nAttributes: \n"
              "    Archive: TRUE\n    Hidden: TRUE\n    Read-only: FALSE\n    System: FALSE\n"
              "    Index: TRUE\n    Compress: FALSE\n    Encrypt: FALSE\n");
    const QString markup = TaskListView::ToolTipMarkup(tip);
    EXPECT_TRUE(markup.contains("Search String: x&lt;y<br>"));
    EXPECT_TRUE(markup.contains("white-space:pre"));
    EXPECT_TRUE(TaskView()
                    .Model()
                    .index(0, 0)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .endsWith("Starting Number: 0"));
}

TEST_F(TaskListViewTest, HoveringARowShowsItsWholeToolTip) {
    StartWithTasks(2);
    window.show();
    TaskView().resize(300, 200);
    auto hover = [this](QPoint at) {
        QHelpEvent event(QEvent::ToolTip, at, TaskView().viewport()->mapToGlobal(at));
        QApplication::sendEvent(TaskView().viewport(), &event);
    };
    hover(TaskView().visualRect(TaskView().Model().index(1, 0)).center());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(),
              TaskListView::ToolTipMarkup(
                  TaskView().Model().index(1, 0).data(Qt::ToolTipRole).toString()));
    EXPECT_TRUE(QToolTip::text().contains("Task Name: T1<br>Search String: zz<br>"));
}

TEST_F(TaskListViewTest, UnnamedTaskReadsAsASentenceAndANamedOneStartsWithItsName) {
    StartWithTasks(0);
    auto& page = side->CriteriaTabs().NamePage();
    Type(page.FindBox(), "zz");
    Click(page.PrimaryButton());
    EXPECT_EQ(RowTexts(), QStringList{"Rename \"zz\" \u2192 \"\""});
    controller->taskList().SetTaskSelection({0});
    controller->taskList().TaskListDoubleClicked();
    Type(page.NameBox(), "Named");
    Click(page.PrimaryButton());
    EXPECT_EQ(RowTexts(), QStringList{"Named: Rename \"zz\" \u2192 \"\""});
}

}  // namespace
}  // namespace torvane::gui::testing
