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
