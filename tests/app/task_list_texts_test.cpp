#include "app/task_list_texts.hpp"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(TaskListCaption, NamesTheFileAfterItsLastSeparator) {
    EXPECT_EQ(TaskListCaption(L""), L"Task List");
    EXPECT_EQ(TaskListCaption(L"/home/u/my tasks.tvt"), L"Task List: my tasks.tvt");
    EXPECT_EQ(TaskListCaption(L"t.tvt"), L"Task List: t.tvt");
}

TEST(TaskToolTip, RenameTaskHasNoLineBreakAfterItsLastLine) {
    const TaskItem item{1, L"Number",
                        L"$FileName<>FIND=IMG_<>REPL=Trip ###<>SYMB=TRUE<>SNUM=1<>REGX=FALSE<>"};
    EXPECT_EQ(TaskToolTip(item),
              L"Task Name: Number\r\nSearch String: IMG_\r\nUse Regex: FALSE\r\n"
              L"Replace String: Trip ###\r\nReplace #'s: TRUE\r\nStarting Number: 1");
}

TEST(TaskToolTip, TimestampTaskEndsWithALineBreakAndShowsFieldsAsStored) {
    const TaskItem item{1, L"", L"$FileDate<>FIND=2020<>REPL=2021<>FORM=Modified<>REGX=yes<>"};
    EXPECT_EQ(TaskToolTip(item),
              L"Task Name: \r\nDate Type: Modified\r\nSearch String: 2020\r\nUse Regex: yes\r\n"
              L"Replace String: 2021\r\n");
}

TEST(TaskToolTip, AttributeTaskListsTheSevenAttributesFromItsBits) {
    const TaskItem item{1, L"Attr", L"$System<>FIND=a.txt<>ATTR=34<>REGX=FALSE<>"};
    EXPECT_EQ(TaskToolTip(item),
              L"Task Name: Attr\r\nSearch String: a.txt\r\nUse Regex: FALSE\r\nAttributes: \r\n"
              L"    Archive: TRUE\r\n    Hidden: TRUE\r\n    Read-only: FALSE\r\n"
              L"    System: FALSE\r\n    Index: TRUE\r\n    Compress: FALSE\r\n"
              L"    Encrypt: FALSE\r\n");
    const TaskItem all{1, L"", L"$System<>FIND=x<>ATTR=-1<>"};
    EXPECT_EQ(TaskToolTip(all),
              L"Task Name: \r\nSearch String: x\r\nUse Regex: FALSE\r\nAttributes: \r\n"
              L"    Archive: TRUE\r\n    Hidden: TRUE\r\n    Read-only: TRUE\r\n"
              L"    System: TRUE\r\n    Index: FALSE\r\n    Compress: TRUE\r\n"
              L"    Encrypt: TRUE\r\n");
}

TEST(TaskToolTip, MissingFieldsReadTheirDefaultsAndUnknownKindsHaveNone) {
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"$FileName<>"}),
              L"Task Name: n\r\nSearch String: \r\nUse Regex: FALSE\r\nReplace String: \r\n"
              L"Replace #'s: FALSE\r\nStarting Number: 0");
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"$Other<>FIND=x<>"}), std::nullopt);
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"no keyword"}), std::nullopt);
}

}  // namespace
}  // namespace torvane
