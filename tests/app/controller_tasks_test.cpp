// The task list through the controller: submitted tasks, moving, removing,
// clearing, the double click and the tool tip.
#include <gtest/gtest.h>

#include "controller_fixture.hpp"
#include "tasks/task_id_sequence.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;
using Rows = std::vector<std::size_t>;

class TaskListTest : public ControllerTest {
  protected:
    // Lists /data/ (a.txt, b.txt) and adds tasks named T0..T(n-1), each
    // renaming nothing that exists.
    void StartWithTasks(int n) {
        fs.AddFile(L"/data/a.txt");
        fs.AddFile(L"/data/b.txt");
        Start();
        ChooseFolder(L"/data/");
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(Submit(RenameRecord(L"zz", L"y", L"T" + std::to_wstring(i))), 1);
    }
    Names TaskNames() const {
        Names names;
        for (const auto& t : controller->taskList().tasks())
            names.push_back(t.name);
        return names;
    }
    bool Enabled(CommandId c) const { return view.states.Enabled(c); }
};

TEST_F(TaskListTest, AddedTaskGetsARowIsSelectedAndChangesTheNewList) {
    StartWithTasks(0);
    const auto record = RenameRecord(L"a", L"x");
    EXPECT_EQ(Submit(record), 1);
    EXPECT_EQ(view.rows, Names{BuildTaskDefinition(record)});  // no name: the definition shows
    EXPECT_EQ(view.selection, (TaskSelection{{0}, 0, 0, true}));
    EXPECT_EQ(view.currentNames, (Names{L"a.txt", L"b.txt"}));
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"b.txt"}));
    EXPECT_TRUE(Enabled(CommandId::kRemoveTask));
    EXPECT_TRUE(Enabled(CommandId::kUpdateAttributes));
    EXPECT_EQ(controller->taskList().path(), L"");
    EXPECT_EQ(view.caption, L"Task List");
}

TEST_F(TaskListTest, RejectedTaskAddsNoRowAndItsIdIsNotReused) {
    StartWithTasks(0);
    EXPECT_EQ(Submit(RenameRecord(L"(", L"x", L"bad", true)), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, L"Error");
    EXPECT_EQ(Messages()[0].text.rfind(L"Not a valid regular expression: \"", 0), 0u);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(view.newNames, (Names{L"a.txt", L"b.txt"}));

    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    TaskIdSequence ids;
    ids.Seed(static_cast<std::uint32_t>(kNow));
    ids.Next();  // drawn for the rejected task
    EXPECT_EQ(controller->taskList().tasks()[0].id, ids.Next());
}

// A numbering the names can't show is refused with the value in the message.
TEST_F(TaskListTest, AStartNumberPastTheRangeIsRefusedWithItsValue) {
    StartWithTasks(0);
    auto record = RenameRecord(L"a", L"#");
    record.numbering = L"TRUE";
    record.startNumber = L"99999999999";
    EXPECT_EQ(Submit(record), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find(L"\"99999999999\" is outside the numbers"),
              std::wstring::npos);
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(view.newNames, (Names{L"a.txt", L"b.txt"}));
}

TEST_F(TaskListTest, ModifyReplacesTheTaskInPlaceAndShowsItsNewName) {
    StartWithTasks(0);
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    ASSERT_EQ(Submit(RenameRecord(L"b", L"y", L"second")), 1);
    auto modified = RenameRecord(L"a", L"z", L"named now");
    modified.id = controller->taskList().tasks()[0].id;
    EXPECT_EQ(Submit(modified), 1);
    EXPECT_EQ(view.rows, (Names{L"named now", L"second"}));
    EXPECT_EQ(controller->taskList().tasks()[0].definition, BuildTaskDefinition(modified));
    EXPECT_EQ(view.selection, (TaskSelection{{0}, 0, 0, true}));
    EXPECT_EQ(view.newNames, (Names{L"z.txt", L"y.txt"}));
}

TEST_F(TaskListTest, ModifyIntoAnInvalidExpressionPutsTheOldTaskBack) {
    StartWithTasks(0);
    ASSERT_EQ(Submit(RenameRecord(L"a", L"x", L"keep")), 1);
    const TaskItem before = controller->taskList().tasks()[0];
    auto modified = RenameRecord(L"[", L"z", L"broken", true);
    modified.id = before.id;
    view.events.clear();
    EXPECT_EQ(Submit(modified), 0);
    EXPECT_EQ(controller->taskList().tasks()[0], before);
    EXPECT_EQ(view.rows, Names{L"keep"});
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"b.txt"}));
    EXPECT_EQ(view.Count("TaskRows"), 0);
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(TaskListTest, ModifyOfATaskNoLongerListedChangesNothingAndIsAccepted) {
    StartWithTasks(1);
    auto modified = RenameRecord(L"a", L"x", L"late");
    modified.id = controller->taskList().tasks()[0].id;
    view.selection.reset();
    controller->taskList().SetTaskSelection({0});
    controller->taskList().ClearTaskList();
    EXPECT_EQ(Submit(modified), 1);
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_TRUE(view.rows.empty());
}

TEST_F(TaskListTest, MovingASelectedBlock) {
    const struct {
        Rows selected;
        bool up;
        Names order;
        std::optional<TaskSelection> selection;  // nullopt: nothing moved
    } cases[] = {
        {{1, 2}, true, {L"T1", L"T2", L"T0", L"T3", L"T4"}, TaskSelection{{0, 1}, 1, 0, false}},
        {{1, 2}, false, {L"T0", L"T3", L"T1", L"T2", L"T4"}, TaskSelection{{2, 3}, 3, 3, false}},
        {{0, 2}, true, {L"T0", L"T1", L"T2", L"T3", L"T4"}, std::nullopt},
        {{1, 4}, false, {L"T0", L"T1", L"T2", L"T3", L"T4"}, std::nullopt},
        {{}, true, {L"T0", L"T1", L"T2", L"T3", L"T4"}, std::nullopt},
        {{4}, true, {L"T0", L"T1", L"T2", L"T4", L"T3"}, TaskSelection{{3}, 3, 3, false}},
    };
    for (const auto& c : cases) {
        StartWithTasks(5);
        controller->taskList().SetTaskSelection(c.selected);
        EXPECT_EQ(Enabled(c.up ? CommandId::kMoveTaskUp : CommandId::kMoveTaskDown),
                  c.selection.has_value());
        view.selection.reset();
        c.up ? controller->taskList().MoveTaskUp() : controller->taskList().MoveTaskDown();
        EXPECT_EQ(TaskNames(), c.order);
        EXPECT_EQ(view.rows, c.order);
        EXPECT_EQ(view.selection, c.selection);
        if (c.selection) {
            EXPECT_EQ(controller->taskList().selection(), c.selection->rows);
        }
    }
}

TEST_F(TaskListTest, MovingATaskRecomputesTheNewValuesInTheNewOrder) {
    fs.AddFile(L"/data/a.txt");
    Start();
    ChooseFolder(L"/data/");
    ASSERT_EQ(Submit(RenameRecord(L"a", L"b")), 1);
    ASSERT_EQ(Submit(RenameRecord(L"b", L"c")), 1);
    EXPECT_EQ(view.newNames, Names{L"c.txt"});
    controller->taskList().SetTaskSelection({1});
    controller->taskList().MoveTaskUp();
    EXPECT_EQ(view.newNames, Names{L"b.txt"});
}

TEST_F(TaskListTest, RemoveKeepsTheSelectionOnTheSameRowNumbers) {
    StartWithTasks(5);
    controller->taskList().SetTaskSelection({3, 1});
    controller->taskList().RemoveTask();
    EXPECT_EQ(TaskNames(), (Names{L"T0", L"T2", L"T4"}));
    EXPECT_EQ(view.rows, (Names{L"T0", L"T2", L"T4"}));
    EXPECT_EQ(controller->taskList().selection(), Rows{1});
    EXPECT_EQ(view.selection->rows, Rows{1});

    controller->taskList().SetTaskSelection({1, 2});
    controller->taskList().RemoveTask();
    EXPECT_EQ(TaskNames(), Names{L"T0"});
    EXPECT_TRUE(controller->taskList().selection().empty());
    EXPECT_FALSE(Enabled(CommandId::kRemoveTask));
}

TEST_F(TaskListTest, ClearEmptiesTheListSeedsTheIdsAndKeepsTheFile) {
    StartWithTasks(0);
    const auto file = WriteTaskFile(L"t.tvt", {L"$FileName<>FIND=a<>REPL=x<>NAME=A<>"});
    view.openAnswers.push_back(file);
    controller->taskList().LoadTaskList();
    ASSERT_EQ(view.rows, Names{L"A"});
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"b.txt"}));

    now = kNow + 500;
    controller->taskList().ClearTaskList();
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.newNames, (Names{L"a.txt", L"b.txt"}));
    EXPECT_EQ(controller->taskList().path(), file);
    EXPECT_EQ(view.caption, L"Task List: t.tvt");
    EXPECT_FALSE(Enabled(CommandId::kClearTaskList));

    ASSERT_EQ(Submit(RenameRecord(L"a", L"x")), 1);
    TaskIdSequence ids;
    ids.Seed(static_cast<std::uint32_t>(kNow + 500));
    EXPECT_EQ(controller->taskList().tasks()[0].id, ids.Next());
}

TEST_F(TaskListTest, DoubleClickLoadsTheFirstSelectedTaskIntoItsPage) {
    StartWithTasks(1);
    TimestampTaskFields stamp;
    stamp.name = L"stamp";
    stamp.timeKind = L"Modified";
    stamp.find = L"2021";
    stamp.replace = L"2022";
    ASSERT_EQ(Submit(stamp), 1);

    controller->taskList().SetTaskSelection({});
    controller->taskList().TaskListDoubleClicked();
    EXPECT_TRUE(view.loads.empty());

    controller->taskList().SetTaskSelection({1, 0});
    controller->taskList().TaskListDoubleClicked();
    ASSERT_EQ(view.loads.size(), 1u);
    EXPECT_EQ(view.page, kRenamePage);

    controller->taskList().SetTaskSelection({1});
    controller->taskList().TaskListDoubleClicked();
    ASSERT_EQ(view.loads.size(), 2u);
    EXPECT_EQ(view.page, kTimestampPage);
    stamp.id = controller->taskList().tasks()[1].id;
    EXPECT_EQ(view.loads[1].record, TaskFields{stamp});
    EXPECT_EQ(view.loads[1].mode, LoadMode::kForModify);
}

TEST_F(TaskListTest, ToolTipOfARow) {
    StartWithTasks(1);
    EXPECT_EQ(controller->taskList().TaskRowToolTip(0),
              L"Rename \"zz\" \u2192 \"y\"\r\nTask Name: T0\r\nSearch String: zz\r\nUse Regex: "
              L"FALSE\r\nReplace String: y\r\n"
              L"Replace #'s: FALSE\r\nStarting Number: 0");
    EXPECT_EQ(controller->taskList().TaskRowToolTip(1), std::nullopt);
}

TEST_F(TaskListTest, GeneralInfoFollowsANewTaskWithoutAnotherClick) {
    StartWithTasks(0);
    controller->FileSelected(0, kNewListId);
    ASSERT_TRUE(view.info.entry);
    EXPECT_EQ(view.info.entry->name, L"a.txt");
    ASSERT_EQ(Submit(RenameRecord(L"a", L"q")), 1);
    EXPECT_EQ(view.info.caption, L"General Info (New Attributes)");
    EXPECT_EQ(view.info.entry->name, L"q.txt");
}

TEST_F(TaskListTest, SelectionOutsideTheListIsDroppedAndStatesFollowIt) {
    StartWithTasks(2);
    controller->taskList().SetTaskSelection({7, 1, 1});
    EXPECT_EQ(controller->taskList().selection(), Rows{1});
    EXPECT_TRUE(Enabled(CommandId::kMoveTaskUp));
    EXPECT_FALSE(Enabled(CommandId::kMoveTaskDown));
}

}  // namespace
}  // namespace torvane::testing
