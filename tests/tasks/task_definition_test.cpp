#include "tasks/task_definition.hpp"

#include <gtest/gtest.h>

#include "tasks/task_item.hpp"

namespace torvane {
namespace {

TEST(BuildTaskDefinition, WritesEveryFieldInLayoutOrder) {
    RenameTaskFields rename;
    rename.find = L"IMG_";
    rename.replace = L"Trip ###";
    rename.numbering = L"TRUE";
    rename.startNumber = L"1";
    EXPECT_EQ(BuildTaskDefinition(rename),
              L"$FileName<>FIND=IMG_<>REPL=Trip ###<>SYMB=TRUE<>SNUM=1<>REGX=FALSE<>");

    TimestampTaskFields stamp;
    stamp.timeKind = L"Modified";
    stamp.find = L"2019";
    stamp.replace = L"2020";
    EXPECT_EQ(BuildTaskDefinition(stamp),
              L"$FileDate<>FORM=Modified<>FIND=2019<>REPL=2020<>REGX=FALSE<>");

    AttributeTaskFields attr;
    attr.find = L"notes.txt";
    attr.attributes = L"34";
    EXPECT_EQ(BuildTaskDefinition(attr), L"$System<>FIND=notes.txt<>ATTR=34<>REGX=FALSE<>");
}

TEST(BuildTaskDefinition, LeavesIdAndNameOutAndValuesVerbatim) {
    RenameTaskFields r;
    r.id = 99;
    r.name = L"named";
    r.find = L" a b ";
    r.replace = L"";
    r.numbering = L"true";
    r.startNumber = L"";
    EXPECT_EQ(BuildTaskDefinition(r),
              L"$FileName<>FIND= a b <>REPL=<>SYMB=true<>SNUM=<>REGX=FALSE<>");
}

TEST(TaskFields, FreshRecordsHoldTheirDefaults) {
    const RenameTaskFields r;
    EXPECT_EQ(r.id, 0u);
    EXPECT_EQ(r.numbering, L"FALSE");
    EXPECT_EQ(r.startNumber, L"0");
    EXPECT_EQ(r.regex, L"FALSE");
    const TimestampTaskFields t;
    EXPECT_EQ(t.timeKind, L"");
    EXPECT_EQ(t.regex, L"FALSE");
    const AttributeTaskFields a;
    EXPECT_EQ(a.attributes, L"0");
    EXPECT_EQ(a.regex, L"FALSE");
    EXPECT_EQ(KindOf(TaskFields(r)), TASK_KIND_RENAME);
    EXPECT_EQ(KindOf(TaskFields(t)), TASK_KIND_TIMESTAMP);
    EXPECT_EQ(KindOf(TaskFields(a)), TASK_KIND_ATTRIBUTE);
}

struct KeywordCase {
    const wchar_t* definition;
    const wchar_t* keyword;
};

TEST(GetTaskKeyword, IsTheTextBeforeTheFirstSeparator) {
    const KeywordCase cases[] = {
        {L"$FileName<>FIND=a<>", L"$FileName"},
        {L"bare", L""},  // no separator: no keyword
        {L"", L""},
        {L"<>FIND=a<>", L""},
        {L"$System<", L""},
        {L"$filename<>FIND=a<>", L"$filename"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetTaskKeyword(c.definition), c.keyword) << c.definition;
}

struct FieldCase {
    const wchar_t* definition;
    const wchar_t* key;
    const wchar_t* fallback;
    const wchar_t* expected;
};

TEST(GetTaskField, FollowsTheOneReadingRule) {
    const FieldCase cases[] = {
        // No closing marker after the last value: that value reads empty.
        {L"$System<>FIND=a.txt<>ATTR=34<>REGX=TRUE", L"REGX", L"FALSE", L""},
        {L"$System<>FIND=a.txt<>ATTR=34<>REGX=TRUE", L"FIND", L"", L"a.txt"},
        {L"$System<>FIND=a.txt<>ATTR=34<>REGX=TRUE", L"ATTR", L"0", L"34"},
        // A missing field takes the fallback.
        {L"$FileDate<>FIND=x<>FORM=Created<>", L"REPL", L"", L""},
        {L"$FileDate<>FIND=x<>FORM=Created<>", L"REGX", L"FALSE", L"FALSE"},
        // Lower-case markers are not found.
        {L"$FileName<>find=a<>", L"FIND", L"dflt", L"dflt"},
        // The first marker wins; it may stand anywhere, even in the keyword part.
        {L"$FileName<>FIND=a<>FIND=b<>", L"FIND", L"", L"a"},
        {L"<>FIND=k<>", L"FIND", L"", L"k"},
        // A marker inside another value is still found first.
        {L"$FileName<>REPL=<>FIND=x<>FIND=y<>", L"FIND", L"", L"x"},
        // Text after the last separator is ignored; an empty value stays empty.
        {L"$FileName<>FIND=<>tail", L"FIND", L"d", L""},
        // A value with '=' in it is kept whole.
        {L"$FileName<>FIND=NAME=1<>", L"FIND", L"", L"NAME=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetTaskField(c.definition, c.key, c.fallback), c.expected)
            << c.definition << " / " << c.key;
}

TEST(ParseTaskDefinition, ReadsFieldsInAnyOrderWithDefaults) {
    const auto parsed = ParseTaskDefinition(L"$FileDate<>FIND=x<>FORM=Created<>");
    ASSERT_TRUE(parsed.has_value());
    const auto& t = std::get<TimestampTaskFields>(*parsed);
    EXPECT_EQ(t.timeKind, L"Created");
    EXPECT_EQ(t.find, L"x");
    EXPECT_EQ(t.replace, L"");
    EXPECT_EQ(t.regex, L"FALSE");
    EXPECT_EQ(t.id, 0u);
    EXPECT_EQ(t.name, L"");
}

TEST(ParseTaskDefinition, MissingClosingMarkerTurnsRegexOff) {
    const auto parsed = ParseTaskDefinition(L"$System<>FIND=a.txt<>ATTR=34<>REGX=TRUE");
    ASSERT_TRUE(parsed.has_value());
    const auto& a = std::get<AttributeTaskFields>(*parsed);
    EXPECT_EQ(a.find, L"a.txt");
    EXPECT_EQ(a.attributes, L"34");
    EXPECT_FALSE(IsFlagOn(a.regex));
}

TEST(ParseTaskDefinition, RenameDefaultsForMissingFields) {
    const auto parsed = ParseTaskDefinition(L"$FileName<>");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(std::get<RenameTaskFields>(*parsed), RenameTaskFields{});
}

TEST(ParseTaskDefinition, UnknownKeywordsAreNoTask) {
    for (const wchar_t* d : {L"bare", L"$Other<>FIND=x<>", L"$filename<>FIND=x<>",
                             L"$FileName <>FIND=x<>", L"", L"FileName<>"})
        EXPECT_FALSE(ParseTaskDefinition(d).has_value()) << d;
}

TEST(ParseTaskDefinition, RoundTripsEveryBuiltRecord) {
    RenameTaskFields r;
    r.find = L"(\\d+)";
    r.replace = L"$1-###";
    r.numbering = L"TRUE";
    r.startNumber = L"-5";
    r.regex = L"TRUE";
    TimestampTaskFields t;
    t.timeKind = L"Accessed";
    t.find = L"PM";
    t.replace = L"AM";
    AttributeTaskFields a;
    a.find = L".*";
    a.attributes = L"16417";
    a.regex = L"TRUE";
    for (const TaskFields& f : {TaskFields(r), TaskFields(t), TaskFields(a)}) {
        const auto parsed = ParseTaskDefinition(BuildTaskDefinition(f));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, f);
    }
}

TEST(IsFlagOn, OnlyTheExactUpperCaseWordIsOn) {
    EXPECT_TRUE(IsFlagOn(L"TRUE"));
    for (const wchar_t* v : {L"true", L"True", L"", L"TRUE ", L" TRUE", L"1", L"FALSE"})
        EXPECT_FALSE(IsFlagOn(v)) << v;
}

TEST(TaskDisplayText, NameOrElseTheWholeDefinition) {
    const TaskItem unnamed{1, L"", L"$System<>FIND=a<>ATTR=0<>REGX=FALSE<>"};
    const TaskItem named{2, L"x", L"$System<>FIND=a<>ATTR=0<>REGX=FALSE<>"};
    EXPECT_EQ(TaskDisplayText(unnamed), L"$System<>FIND=a<>ATTR=0<>REGX=FALSE<>");
    EXPECT_EQ(TaskDisplayText(named), L"x");
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

// A task with fields, a scope or a numbering order is written under a
// keyword of its own (a reader that knows only the original three skips
// it) and reads back whole; the same fields under an original keyword are
// not read, so a line of the original format behaves exactly as before.
TEST(ExtendedTasks, WrittenUnderTheirOwnKeywordAndReadBackWhole) {
    RenameTaskFields r;
    r.find = L"^.*$";
    r.replace = L"{taken:%Y} #";
    r.numbering = L"TRUE";
    r.regex = L"TRUE";
    r.fields = L"TRUE";
    r.scope = L"name";
    r.numberBy = L"taken";
    TimestampTaskFields t;
    t.timeKind = L"Modified";
    t.find = L"^.*$";
    t.replace = L"{taken+2h}";
    t.fields = L"TRUE";
    RenameTaskFields scopeOnly;
    scopeOnly.find = L"a";
    scopeOnly.scope = L"ext";
    const struct {
        TaskFields fields;
        std::wstring_view definition;
    } cases[] = {
        {r,
         L"$FileNameEx<>FIND=^.*$<>REPL={taken:%Y} #<>SYMB=TRUE<>SNUM=0<>REGX=TRUE<>FLDS=TRUE<>"
         L"SCOP=name<>NUMB=taken<>"},
        {t, L"$FileDateEx<>FORM=Modified<>FIND=^.*$<>REPL={taken+2h}<>REGX=FALSE<>FLDS=TRUE<>"},
        {scopeOnly, L"$FileNameEx<>FIND=a<>REPL=<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>SCOP=ext<>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildTaskDefinition(c.fields), c.definition);
        EXPECT_EQ(ParseTaskDefinition(c.definition), c.fields);
        EXPECT_EQ(KindOfKeyword(GetTaskKeyword(c.definition)), KindOf(c.fields));
    }
    // The original keywords: the new keys are not read.
    const auto old = ParseTaskDefinition(
        L"$FileName<>FIND=a<>REPL={b}<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>FLDS=TRUE<>SCOP=ext<>");
    ASSERT_TRUE(old);
    const auto& rename = std::get<RenameTaskFields>(*old);
    EXPECT_FALSE(rename.Extended());
    EXPECT_EQ(BuildTaskDefinition(*old),
              L"$FileName<>FIND=a<>REPL={b}<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>");
    const auto oldTime = ParseTaskDefinition(
        L"$FileDate<>FORM=Created<>FIND=1<>REPL={taken}<>REGX=FALSE<>FLDS=TRUE<>");
    ASSERT_TRUE(oldTime);
    EXPECT_FALSE(std::get<TimestampTaskFields>(*oldTime).Extended());
}

}  // namespace
}  // namespace torvane
