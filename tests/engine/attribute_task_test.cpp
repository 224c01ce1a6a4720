#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.hpp"

namespace torvane {
namespace {

using testing::Attribute;
using testing::File;
using testing::Folder;
using ::testing::IsEmpty;
using testing::Rename;

using AttributeTask = testing::EngineTest;

TEST_F(AttributeTask, ReplacesTheSevenBitsAndAddsAttrUnmasked) {
    const std::uint32_t others = FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NORMAL;
    const struct {
        std::uint32_t before;
        const wchar_t* attr;
        std::uint32_t after;
    } cases[] = {
        {0x6827 | others, L"34", 0x22 | others},
        {0x6827 | others, L"0", others},  // Index on: its inverted bit is cleared
        {others, L"8192", 0x2000 | others},
        {0x1, L"288", 0x120},      // 0x100 lies outside the seven and is added
        {0x1, L"-1", 0xFFFFFFFF},  // read as a signed number, then taken as bits
        {0x20, L"abc", 0x0},       // no digits reads as 0
        {0x20, L" +2x", 0x2},
    };
    for (const auto& c : cases) {
        FileEntries entries = {File(L"a.txt", c.before)};
        EXPECT_EQ(Apply(Attribute(L"a.txt", c.attr), entries), TaskResult::Ok);
        EXPECT_EQ(entries[0].attributes, c.after) << c.attr;
    }
}

TEST_F(AttributeTask, PlainPatternMatchesOnlyTheWholeName) {
    FileEntries entries = {File(L"a.txt", 0), File(L"A.TXT", 0), File(L"ba.txt", 0),
                           File(L"a.txt.bak", 0)};
    EXPECT_EQ(Apply(Attribute(L"a.txt", L"2"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].attributes, 2u);
    EXPECT_EQ(entries[1].attributes, 2u);
    EXPECT_EQ(entries[2].attributes, 0u);
    EXPECT_EQ(entries[3].attributes, 0u);
    settings.caseSensitive = true;
    EXPECT_EQ(Apply(Attribute(L"a.txt", L"4"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].attributes, 4u);
    EXPECT_EQ(entries[1].attributes, 2u);
}

// An attribute task whose pattern is a wildcard pattern (WILD=TRUE).
std::wstring WildcardAttribute(std::wstring find, std::wstring attributes, bool regex = false) {
    AttributeTaskFields f;
    f.find = std::move(find);
    f.attributes = std::move(attributes);
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.wildcard = L"TRUE";
    return BuildTaskDefinition(f);
}

TEST_F(AttributeTask, AWildcardPatternCoversTheWholeName) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* name;
        bool caseSensitive;
        bool matched;
    } cases[] = {
        {L"*.txt", L"notes.txt", false, true},
        {L"*.txt", L"NOTES.TXT", false, true},
        {L"*.txt", L"NOTES.TXT", true, false},
        {L"*.txt", L".txt", false, true},  // * may stand for nothing
        {L"*.txt", L"notes.txt.bak", false, false},
        {L"*.txt", L"notes_txt", false, false},  // '.' is itself, not any character
        {L"IMG_??.jpg", L"IMG_01.jpg", false, true},
        {L"IMG_??.jpg", L"IMG_1.jpg", false, false},
        {L"IMG_??.jpg", L"IMG_001.jpg", false, false},
        {L"?", L"\u00e9", false, true},  // one character, not one byte
        {L"*", L"line\nbreak", false, true},
        {L"a**b", L"ab", false, true},
        {L"a*b", L"a\nb", false, true},
        {L"(1) [x]+{2}$^|\\.txt", L"(1) [x]+{2}$^|\\.txt", false, true},
        {L"(1).txt", L"1.txt", false, false},
        {L"\u00c9t\u00e9*", L"\u00e9T\u00c9 2020", false, true},  // Unicode case folding
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.pattern)) + " " +
                     ::testing::PrintToString(std::wstring(c.name)));
        settings.caseSensitive = c.caseSensitive;
        FileEntries entries = {File(c.name, 0)};
        EXPECT_EQ(Apply(WildcardAttribute(c.pattern, L"1"), entries), TaskResult::Ok);
        EXPECT_EQ(entries[0].attributes, c.matched ? 1u : 0u);
    }
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

// Without WILD=TRUE the same pattern is a whole name, letter for letter; with
// REGX=TRUE as well, the regular expression wins, as a reader that doesn't
// know WILD reads the task.
TEST_F(AttributeTask, TheKindOfPatternDecidesHowItIsRead) {
    const struct {
        std::wstring definition;
        bool notesChanged;
        bool starChanged;
    } cases[] = {
        {Attribute(L"*.txt", L"1"), false, true},
        {WildcardAttribute(L"*.txt", L"1"), true, true},
        {WildcardAttribute(L".*\\.txt", L"1", true), true, true},
        {WildcardAttribute(L"n.*", L"1", true), true, false},
        {WildcardAttribute(L"n.*", L"1"), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.definition));
        FileEntries entries = {File(L"notes.txt", 0), File(L"*.txt", 0)};
        EXPECT_EQ(Apply(c.definition, entries), TaskResult::Ok);
        EXPECT_EQ(entries[0].attributes, c.notesChanged ? 1u : 0u);
        EXPECT_EQ(entries[1].attributes, c.starChanged ? 1u : 0u);
    }
}

TEST_F(AttributeTask, DotStarTakesEveryEntryTheKindFilterLetsThrough) {
    const struct {
        AttributeTarget target;
        bool fileChanged;
        bool folderChanged;
    } cases[] = {{AttributeTarget::kFiles, true, false},
                 {AttributeTarget::kFolders, false, true},
                 {AttributeTarget::kBoth, true, true}};
    for (const auto& c : cases) {
        settings.attributeTarget = c.target;
        FileEntries entries = {Folder(L"dir"), File(L"", 0)};
        EXPECT_EQ(Apply(Attribute(L".*", L"2", true), entries), TaskResult::Ok);
        EXPECT_EQ(entries[0].attributes, c.folderChanged ? 0x12u : 0x10u)
            << static_cast<int>(c.target);
        EXPECT_EQ(entries[1].attributes, c.fileChanged ? 0x2u : 0x0u) << static_cast<int>(c.target);
    }
}

TEST_F(AttributeTask, SeesEarlierRenamesAndLaterTasksOverride) {
    const auto out =
        Compute({File(L"old.txt", 0)}, {Rename(L"old", L"new"), Attribute(L"new.txt", L"1"),
                                        Attribute(L"old.txt", L"2"), Attribute(L"NEW.TXT", L"4")});
    EXPECT_EQ(out.result, TaskResult::Ok);
    EXPECT_EQ(out.entries[0].attributes, 4u);
}

TEST_F(AttributeTask, InvalidPatternStopsWithOneMessage) {
    FileEntries entries = {File(L"a", 0), File(L"b", 0)};
    EXPECT_EQ(Apply(Attribute(L"*", L"2", true), entries), TaskResult::InvalidExpression);
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(entries[1].attributes, 0u);
}

TEST_F(AttributeTask, PatternIsNotBuiltWhenNoEntryIsReached) {
    settings.attributeTarget = AttributeTarget::kFolders;
    FileEntries entries = {File(L"a", 0)};
    EXPECT_EQ(Apply(Attribute(L"*", L"2", true), entries), TaskResult::Ok);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

}  // namespace
}  // namespace torvane
