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
              L"Rename \"IMG_\" \u2192 \"Trip ###\" (numbered from 1)\r\n"
              L"Task Name: Number\r\nSearch String: IMG_\r\nUse Regex: FALSE\r\n"
              L"Replace String: Trip ###\r\nReplace #'s: TRUE\r\nStarting Number: 1");
}

TEST(TaskToolTip, TimestampTaskEndsWithALineBreakAndShowsFieldsAsStored) {
    const TaskItem item{1, L"", L"$FileDate<>FIND=2020<>REPL=2021<>FORM=Modified<>REGX=yes<>"};
    EXPECT_EQ(TaskToolTip(item),
              L"Modified: \"2020\" \u2192 \"2021\"\r\nTask Name: \r\nDate Type: Modified\r\nSearch "
              L"String: 2020\r\nUse Regex: yes\r\n"
              L"Replace String: 2021\r\n");
}

TEST(TaskToolTip, AttributeTaskListsTheSevenAttributesFromItsBits) {
    const TaskItem item{1, L"Attr", L"$System<>FIND=a.txt<>ATTR=34<>REGX=FALSE<>"};
    EXPECT_EQ(TaskToolTip(item),
              L"Attributes of \"a.txt\": Archive, Hidden, Index\r\n"
              L"Task Name: Attr\r\nSearch String: a.txt\r\nUse Regex: FALSE\r\nAttributes: \r\n"
              L"    Archive: TRUE\r\n    Hidden: TRUE\r\n    Read-only: FALSE\r\n"
              L"    System: FALSE\r\n    Index: TRUE\r\n    Compress: FALSE\r\n"
              L"    Encrypt: FALSE\r\n");
    const TaskItem all{1, L"", L"$System<>FIND=x<>ATTR=-1<>"};
    EXPECT_EQ(TaskToolTip(all),
              L"Attributes of \"x\": Archive, Hidden, Read-only, System, Compress, Encrypt\r\n"
              L"Task Name: \r\nSearch String: x\r\nUse Regex: FALSE\r\nAttributes: \r\n"
              L"    Archive: TRUE\r\n    Hidden: TRUE\r\n    Read-only: TRUE\r\n"
              L"    System: TRUE\r\n    Index: FALSE\r\n    Compress: TRUE\r\n"
              L"    Encrypt: TRUE\r\n");
}

// A wildcard pattern says so, in the sentence and in a line of its own;
// REGX wins over WILD, as the engine matches the task.
TEST(TaskToolTip, AWildcardAttributeTaskShowsItsPatternKind) {
    const TaskItem wild{1, L"W", L"$System<>FIND=*.txt<>ATTR=8193<>REGX=FALSE<>WILD=TRUE<>"};
    EXPECT_EQ(TaskToolTip(wild),
              L"Attributes of \"*.txt\" (wildcard): Read-only\r\n"
              L"Task Name: W\r\nSearch String: *.txt\r\nUse Regex: FALSE\r\n"
              L"Use Wildcard: TRUE\r\nAttributes: \r\n"
              L"    Archive: FALSE\r\n    Hidden: FALSE\r\n    Read-only: TRUE\r\n"
              L"    System: FALSE\r\n    Index: FALSE\r\n    Compress: FALSE\r\n"
              L"    Encrypt: FALSE\r\n");
    const TaskItem both{1, L"", L"$System<>FIND=.*<>ATTR=8193<>REGX=TRUE<>WILD=TRUE<>"};
    const auto tip = TaskToolTip(both);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->find(L"Wildcard"), std::wstring::npos) << *tip;
    EXPECT_EQ(tip->substr(0, tip->find(L"\r\n")),
              L"Attributes of \".*\" (regular expression): Read-only");
}

// A task with fields, a scope or a numbering order says so in its sentence
// and in lines of their own; a task of the original form has none of them.
TEST(TaskToolTip, AnExtendedTaskShowsItsFieldsScopeAndNumberingOrder) {
    const TaskItem rename{1, L"R",
                          L"$FileNameEx<>FIND=^.*$<>REPL={taken:%Y} #<>SYMB=TRUE<>SNUM=1<>"
                          L"REGX=TRUE<>FLDS=TRUE<>SCOP=name<>NUMB=taken<>"};
    EXPECT_EQ(TaskToolTip(rename),
              L"Rename \"^.*$\" \u2192 \"{taken:%Y} #\" (regular expression, fields, the name "
              L"without extension, numbered from 1 by taken)\r\n"
              L"Task Name: R\r\nSearch String: ^.*$\r\nUse Regex: TRUE\r\n"
              L"Replace String: {taken:%Y} #\r\nUse Fields: TRUE\r\n"
              L"Change: name without extension\r\nNumber By: taken\r\n"
              L"Replace #'s: TRUE\r\nStarting Number: 1");
    const TaskItem extension{
        1, L"", L"$FileNameEx<>FIND=jpeg<>REPL=jpg<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>SCOP=ext<>"};
    EXPECT_EQ(TaskSentence(extension), L"Rename \"jpeg\" \u2192 \"jpg\" (the extension)");
    const TaskItem time{
        1, L"", L"$FileDateEx<>FORM=Modified<>FIND=^.*$<>REPL={taken}<>REGX=TRUE<>FLDS=TRUE<>"};
    EXPECT_EQ(TaskToolTip(time),
              L"Modified: \"^.*$\" \u2192 \"{taken}\" (regular expression, fields)\r\n"
              L"Task Name: \r\nDate Type: Modified\r\nSearch String: ^.*$\r\nUse Regex: TRUE\r\n"
              L"Replace String: {taken}\r\nUse Fields: TRUE\r\n");
}

TEST(TaskToolTip, MissingFieldsReadTheirDefaultsAndUnknownKindsHaveNone) {
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"$FileName<>"}),
              L"Rename \"\" \u2192 \"\"\r\nTask Name: n\r\nSearch String: \r\nUse Regex: "
              L"FALSE\r\nReplace String: \r\n"
              L"Replace #'s: FALSE\r\nStarting Number: 0");
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"$Other<>FIND=x<>"}), std::nullopt);
    EXPECT_EQ(TaskToolTip(TaskItem{1, L"n", L"no keyword"}), std::nullopt);
}

// A row reads as a sentence whatever the stored form; the tool tip's first
// line is the same sentence.
TEST(TaskSentence, EachKindReadsAsASentence) {
    struct Case {
        const wchar_t* definition;
        const wchar_t* sentence;
    };
    const Case cases[] = {
        {L"$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=TRUE<>SNUM=1<>REGX=TRUE<>",
         L"Rename \"IMG_\" \u2192 \"Trip_\" (regular expression, numbered from 1)"},
        {L"$FileName<>FIND=a<>REPL=b<>SYMB=FALSE<>SNUM=7<>REGX=FALSE<>",
         L"Rename \"a\" \u2192 \"b\""},
        // Only exactly "TRUE" turns an option on.
        {L"$FileName<>FIND=a<>REPL=b<>SYMB=true<>SNUM=7<>REGX=yes<>", L"Rename \"a\" \u2192 \"b\""},
        {L"$FileName<>FIND=a<>REPL=b ##<>SYMB=TRUE<>SNUM=0<>REGX=FALSE<>",
         L"Rename \"a\" \u2192 \"b ##\" (numbered from 0)"},
        {L"$FileDate<>FIND=2019<>REPL=2020<>FORM=Modified<>REGX=FALSE<>",
         L"Modified: \"2019\" \u2192 \"2020\""},
        {L"$FileDate<>FIND=^(\\d+)<>REPL=1999<>FORM=Created<>REGX=TRUE<>",
         L"Created: \"^(\\d+)\" \u2192 \"1999\" (regular expression)"},
        {L"$FileDate<>FIND=1<>REPL=2<>", L"Time: \"1\" \u2192 \"2\""},
        // Read-only (1) and Archive (32), with the not-indexed bit (8192) set.
        {L"$System<>FIND=*.txt<>ATTR=8225<>REGX=FALSE<>",
         L"Attributes of \"*.txt\": Archive, Read-only"},
        {L"$System<>FIND=.*\\.txt<>ATTR=8192<>REGX=TRUE<>",
         L"Attributes of \".*\\.txt\" (regular expression): none"},
        {L"$Other<>FIND=x<>", L"$Other<>FIND=x<>"},
    };
    for (const Case& c : cases) {
        const TaskItem item{1, L"", c.definition};
        EXPECT_EQ(TaskSentence(item), c.sentence) << c.definition;
        EXPECT_EQ(TaskRowText(item), c.sentence) << c.definition;
        const auto tip = TaskToolTip(item);
        if (tip) {
            EXPECT_EQ(tip->substr(0, tip->find(L"\r\n")), c.sentence) << c.definition;
        }
    }
    EXPECT_EQ(TaskRowText(TaskItem{1, L"Trip", L"$FileDate<>FIND=1<>REPL=2<>FORM=Accessed<>"}),
              L"Trip: Accessed: \"1\" \u2192 \"2\"");
}

}  // namespace
}  // namespace torvane
