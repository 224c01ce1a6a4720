#include "app/editor_pages.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

TEST(EditorPagesTest, SubmitChecksEmptyFindBeforeTheModifiedFlag) {
    EXPECT_EQ(CheckSubmit(L"", PageState{true, 0, false}), SubmitCheck::kEmptyFind);
    EXPECT_EQ(CheckSubmit(L"", PageState{}), SubmitCheck::kEmptyFind);
    EXPECT_EQ(CheckSubmit(L"a", PageState{}), SubmitCheck::kNotModified);
    EXPECT_EQ(CheckSubmit(L"a", PageState{true, 7, true}), SubmitCheck::kSend);
}

TEST(EditorPagesTest, ReservedCharactersAreTheAngleBracketsOnly) {
    EXPECT_TRUE(IsReservedCharacter(L'<'));
    EXPECT_TRUE(IsReservedCharacter(L'>'));
    for (wchar_t c : std::wstring(L"a#|:\"*?/\\ "))
        EXPECT_FALSE(IsReservedCharacter(c)) << static_cast<int>(c);
}

TEST(EditorPagesTest, ButtonTextsFollowTheMode) {
    EXPECT_EQ(ButtonTextsFor(false).primary, L"Add To Task List");
    EXPECT_EQ(ButtonTextsFor(false).secondary, L"Clear");
    EXPECT_EQ(ButtonTextsFor(true).primary, L"Modify Task Item");
    EXPECT_EQ(ButtonTextsFor(true).secondary, L"Cancel");
}

struct RenameCase {
    const char* what;
    RenamePageValues values;
    const wchar_t* definition;
};

TEST(EditorPagesTest, RenameRecordTakesStartAtOnlyWithNumbering) {
    const std::vector<RenameCase> cases = {
        {"plain",
         {L"n", L"a", L"b", false, false, L"12"},
         L"$FileName<>FIND=a<>REPL=b<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"},
        {"numbering",
         {L"n", L"a", L"b##", true, true, L"12"},
         L"$FileName<>FIND=a<>REPL=b##<>SYMB=TRUE<>SNUM=12<>REGX=TRUE<>"},
        {"emptied Start At",
         {L"", L"a", L"#", false, true, L""},
         L"$FileName<>FIND=a<>REPL=#<>SYMB=TRUE<>SNUM=<>REGX=FALSE<>"},
    };
    for (const auto& c : cases) {
        const RenameTaskFields record = RenameRecordOf(c.values, 42);
        EXPECT_EQ(record.id, 42u) << c.what;
        EXPECT_EQ(record.name, c.values.name) << c.what;
        EXPECT_EQ(BuildTaskDefinition(record), c.definition) << c.what;
    }
}

TEST(EditorPagesTest, StartAtStepsStayWithinTheUpDownRange) {
    EXPECT_EQ(StepStartAt(L"0", 1), L"1");
    EXPECT_EQ(StepStartAt(L"0", -1), L"0");
    EXPECT_EQ(StepStartAt(L"", 1), L"1");
    EXPECT_EQ(StepStartAt(L"32767", 1), L"32767");
    EXPECT_EQ(StepStartAt(L"99999", -1), L"32767");
    EXPECT_EQ(StepStartAt(L"1000", 1), L"1001");
}

TEST(EditorPagesTest, TimeKindsMapBothWays) {
    EXPECT_EQ(TimeKindOfIndex(0), L"Created");
    EXPECT_EQ(TimeKindOfIndex(1), L"Modified");
    EXPECT_EQ(TimeKindOfIndex(2), L"Accessed");
    EXPECT_EQ(TimeKindOfIndex(-1), L"Accessed");
    EXPECT_EQ(TimeKindIndexOf(L"Created"), 0);
    EXPECT_EQ(TimeKindIndexOf(L"Modified"), 1);
    EXPECT_EQ(TimeKindIndexOf(L"Accessed"), 2);
    EXPECT_EQ(TimeKindIndexOf(L""), std::nullopt);
    EXPECT_EQ(TimeKindIndexOf(L"modified"), std::nullopt);
    EXPECT_EQ(TimeOfKind(0, 1, 2, 3), 1);
    EXPECT_EQ(TimeOfKind(1, 1, 2, 3), 2);
    EXPECT_EQ(TimeOfKind(2, 1, 2, 3), 3);
}

TEST(EditorPagesTest, TimestampRecordWritesTheKindShown) {
    const TimestampTaskFields record = TimestampRecordOf({L"t", L"2021", L"2022", 0, true}, 0);
    EXPECT_EQ(BuildTaskDefinition(record),
              L"$FileDate<>FORM=Created<>FIND=2021<>REPL=2022<>REGX=TRUE<>");
    EXPECT_EQ(record.name, L"t");
}

struct WordCase {
    AttributeBoxes boxes;
    const wchar_t* attr;
};

TEST(EditorPagesTest, AttributeWordOfTheBoxes) {
    AttributeBoxes none;
    AttributeBoxes indexOnly;
    indexOnly.index = true;
    AttributeBoxes archiveHiddenIndex = indexOnly;
    archiveHiddenIndex.archive = archiveHiddenIndex.hidden = true;
    AttributeBoxes all{true, true, true, true, true, false, true};
    const std::vector<WordCase> cases = {
        {none, L"8192"}, {indexOnly, L"0"}, {archiveHiddenIndex, L"34"}, {all, L"16423"}};
    for (const auto& c : cases) {
        const AttributeTaskFields record = AttributeRecordOf({L"", L"x", false, c.boxes}, 0);
        EXPECT_EQ(record.attributes, c.attr);
        EXPECT_EQ(AttributeBoxesOf(c.attr), c.boxes) << record.attributes;
    }
}

TEST(EditorPagesTest, BoxesOfAnAttributeText) {
    const AttributeBoxes encrypted = AttributeBoxesOf(L"16417");
    EXPECT_EQ(encrypted, (AttributeBoxes{true, false, true, false, true, false, true}));
    // No digits read 0: every box clear but Index.
    EXPECT_EQ(AttributeBoxesOf(L"abc"), (AttributeBoxes{false, false, false, false, true}));
    // A negative word is the same bits: -1 sets every bit, so Index is clear.
    EXPECT_EQ(AttributeBoxesOf(L"-1"), (AttributeBoxes{true, true, true, true, false, true, true}));
    // A folder's word: the directory bit plays no part.
    EXPECT_EQ(AttributeBoxesOf(L"16"), (AttributeBoxes{false, false, false, false, true}));
}

TEST(EditorPagesTest, CompressAndEncryptExcludeEachOther) {
    AttributeBoxes boxes{false, false, false, false, false, true, true};
    ExcludeOtherCompression(boxes, true);
    EXPECT_TRUE(boxes.compress);
    EXPECT_FALSE(boxes.encrypt);
    boxes.encrypt = true;
    ExcludeOtherCompression(boxes, false);
    EXPECT_FALSE(boxes.compress);
    EXPECT_TRUE(boxes.encrypt);
    // A click that unchecks Encrypt still unchecks Compress.
    boxes = AttributeBoxes{false, false, false, false, false, true, false};
    ExcludeOtherCompression(boxes, false);
    EXPECT_FALSE(boxes.compress);
}

}  // namespace
}  // namespace torvane
