#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "engine/messages.hpp"
#include "engine_fixture.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using ::testing::ElementsAre;
using testing::EngineTest;
using testing::File;
using testing::Folder;
using ::testing::IsEmpty;
using testing::Names;
using testing::Rename;

TEST(NumberReplacement, WritesTheCounterIntoEveryRunAndAdvancesItOnce) {
    const struct {
        const wchar_t* replacement;
        std::int32_t counter;
        const wchar_t* expected;
        std::int32_t next;
    } cases[] = {
        {L"IMG_###", 7, L"IMG_007", 8},
        {L"IMG_###", 1234, L"IMG_1234", 1235},
        {L"#-#", 3, L"3-3", 4},
        {L"a##b###c", 5, L"a05b005c", 6},
        {L"no runs", 5, L"no runs", 6},
        {L"", 0, L"", 1},
        {L"###", -3, L"0-3", -2},  // zeros go in front of the sign, as "%d" text
        {L"#", -3, L"-3", -2},
        {L"##", 0, L"00", 1},
        {L"#", INT_MAX, L"2147483647", INT_MIN},
        {L"#", INT_MIN, L"-2147483648", INT_MIN + 1},
    };
    for (const auto& c : cases) {
        std::int32_t counter = c.counter;
        EXPECT_EQ(NumberReplacement(c.replacement, counter), c.expected) << c.replacement;
        EXPECT_EQ(counter, c.next) << c.replacement;
    }
}

using RenameTask = EngineTest;

TEST_F(RenameTask, OnlyChangedNamesUseUpNumbers) {
    FileEntries entries = {File(L"a.jpg"), File(L"notes.txt"), File(L"b.jpg"), File(L"c.jpg")};
    EXPECT_EQ(Apply(Rename(L".jpg", L"_###.jpg", false, true, L"7"), entries), TaskResult::Ok);
    EXPECT_THAT(Names(entries),
                ElementsAre(L"a_007.jpg", L"notes.txt", L"b_008.jpg", L"c_009.jpg"));
}

TEST_F(RenameTask, ReplacementThatLeavesTheNameAsItWasTakesNoNumber) {
    // The find occurs in the first name, but its numbered replacement is
    // the same text, so the name does not change and the number is free for
    // the next entry.
    FileEntries entries = {File(L"2"), File(L"x")};
    EXPECT_EQ(Apply(Rename(L"\\w", L"#", true, true, L"2"), entries), TaskResult::Ok);
    EXPECT_THAT(Names(entries), ElementsAre(L"2", L"2"));
}

TEST_F(RenameTask, TwoOccurrencesInOneNameGetTheSameNumber) {
    FileEntries entries = {File(L"x-x"), File(L"x")};
    EXPECT_EQ(Apply(Rename(L"x", L"#", false, true, L"1"), entries), TaskResult::Ok);
    EXPECT_THAT(Names(entries), ElementsAre(L"1-1", L"2"));
}

TEST_F(RenameTask, StartNumberIsReadLikeWcstol) {
    const struct {
        const wchar_t* startNumber;
        const wchar_t* expected;
    } cases[] = {
        {L"  -5", L"-5"},
        {L"+12abc", L"12"},
        {L"", L"0"},
        {L"abc", L"0"},
        {L"007", L"7"},
        {L"2147483647", L"2147483647"},
        {L"-2147483648", L"-2147483648"},
    };
    for (const auto& c : cases) {
        FileEntries entries = {File(L"x")};
        EXPECT_EQ(Apply(Rename(L"x", L"#", false, true, c.startNumber), entries), TaskResult::Ok);
        EXPECT_THAT(Names(entries), ElementsAre(c.expected)) << c.startNumber;
    }
}

// A start number or a numbering that leaves the range a name can show is
// refused with a message naming the value, never cut to the limit nor
// wrapped round to a negative number.
TEST_F(RenameTask, NumbersOutsideTheRangeAreRefusedNotClampedOrWrapped) {
    const struct {
        const wchar_t* startNumber;
        std::vector<std::wstring> names;
        MessageText message;
    } cases[] = {
        {L"2147483648", {L"x"}, StartNumberOutOfRangeMessage(L"2147483648")},
        {L"99999999999999999999", {L"x"}, StartNumberOutOfRangeMessage(L"99999999999999999999")},
        {L"-2147483649", {L"x"}, StartNumberOutOfRangeMessage(L"-2147483649")},
        {L"2147483646", {L"x1", L"y", L"x2", L"x3"}, NumberingPastRangeMessage(L"x3")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.startNumber));
        dialogs.Clear();
        FileEntries entries;
        for (const auto& name : c.names)
            entries.push_back(File(name));
        EXPECT_EQ(Apply(Rename(L"x", L"#", false, true, c.startNumber), entries),
                  TaskResult::Failed);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].text, c.message.Plain());
    }
    // The last number is given; the one past it only to a name it would change.
    FileEntries entries = {File(L"x"), File(L"y")};
    EXPECT_EQ(Apply(Rename(L"x", L"#", false, true, L"2147483647"), entries), TaskResult::Ok);
    EXPECT_THAT(Names(entries), ElementsAre(L"2147483647", L"y"));
}

TEST_F(RenameTask, FlagsAreOnOnlyWhenExactlyTrue) {
    FileEntries entries = {File(L"a.b")};
    const std::wstring lowercaseFlags =
        L"$FileName<>FIND=.<>REPL=#<>SYMB=true<>SNUM=4<>REGX=True<>";
    EXPECT_EQ(Apply(lowercaseFlags, entries), TaskResult::Ok);
    EXPECT_THAT(Names(entries), ElementsAre(L"a#b"));  // plain find, no numbering
}

TEST_F(RenameTask, KindFilterPassesOverEntriesWhichTakeNoNumber) {
    const struct {
        AttributeTarget target;
        std::vector<std::wstring> expected;
    } cases[] = {
        {AttributeTarget::kFiles, {L"x", L"1", L"x", L"2"}},
        {AttributeTarget::kFolders, {L"1", L"x", L"2", L"x"}},
        {AttributeTarget::kBoth, {L"1", L"2", L"3", L"4"}},
    };
    for (const auto& c : cases) {
        settings.attributeTarget = c.target;
        // A folder whose name has a dot and a file without one: only the
        // directory bit tells them apart.
        FileEntries entries = {Folder(L"x"), File(L"x"), Folder(L"x"), File(L"x")};
        EXPECT_EQ(Apply(Rename(L"x", L"#", false, true, L"1"), entries), TaskResult::Ok);
        EXPECT_EQ(Names(entries), c.expected) << "target " << static_cast<int>(c.target);
    }
}

TEST_F(RenameTask, KeywordIsComparedExactly) {
    FileEntries entries = {File(L"a.txt")};
    EXPECT_EQ(Apply(L"$filename<>FIND=a<>REPL=b<>", entries), TaskResult::Failed);
    EXPECT_EQ(Apply(L"$FileName", entries), TaskResult::Failed);  // no "<>": no keyword
    EXPECT_THAT(Names(entries), ElementsAre(L"a.txt"));
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(RenameTask, InvalidPatternIsReportedOncePerApplication) {
    FileEntries entries = {File(L"a"), File(L"b"), File(L"c")};
    EXPECT_EQ(Apply(Rename(L"[", L"x", true), entries), TaskResult::InvalidExpression);
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(Apply(Rename(L"[", L"x", true), entries), TaskResult::InvalidExpression);
    EXPECT_EQ(dialogs.messages().size(), 2u);
}

TEST_F(RenameTask, InvalidPatternThatReachesNoEntryIsNotReported) {
    settings.attributeTarget = AttributeTarget::kFolders;  // there are none
    FileEntries entries = {File(L"a")};
    EXPECT_EQ(Apply(Rename(L"[", L"x", true), entries), TaskResult::Ok);
    FileEntries none;
    EXPECT_EQ(Apply(Rename(L"[", L"x", true), none), TaskResult::Ok);
    EXPECT_THAT(dialogs.messages(), IsEmpty());
}

TEST_F(RenameTask, JobModeLeavesIconsAlone) {
    FileEntries entries = {File(L"a.txt")};
    entries[0].iconIndex = 7;
    EXPECT_EQ(Apply(Rename(L".txt", L".doc"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, 7u);
}

// Records which names the desktop was asked for icons.
class FakeIcons : public IconProvider {
  public:
    bool AppendIconForName(const std::wstring& name) override {
        asked.push_back(name);
        return !name.ends_with(L".none");
    }
    void TruncateIcons(std::size_t) override {}
    std::vector<std::wstring> asked;
};

class RenameTaskIcons : public EngineTest {
  protected:
    TaskResult ApplyInPreview(const std::wstring& definition, FileEntries& entries) {
        return ApplyTask(definition, entries,
                         ApplyContext{settings, dialogs, ApplyMode::PreviewMode,
                                      PreviewIcons{&current, &cache}});
    }
    FakeIcons provider;
    IconCache cache{&provider};
    FileEntries current;
};

TEST_F(RenameTaskIcons, SameExtensionInOtherCaseKeepsTheIcon) {
    current = {File(L"a.txt")};
    current[0].iconIndex = 9;
    FileEntries entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L"txt", L"TXT"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, 9u);
    EXPECT_THAT(provider.asked, IsEmpty());
}

TEST_F(RenameTaskIcons, NewExtensionIsFetchedOnceThenReused) {
    current = {File(L"a.txt"), File(L"b.txt"), File(L"c.exe")};
    FileEntries entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L"\\.\\w+$", L".doc", true), entries), TaskResult::Ok);
    EXPECT_THAT(provider.asked, ElementsAre(L"a.doc"));
    EXPECT_EQ(cache.Find(L".doc"), 5u);
    for (const auto& e : entries)
        EXPECT_EQ(e.iconIndex, 5u) << e.name;
}

TEST_F(RenameTaskIcons, CachedExtensionIsFoundByExactCase) {
    current = {File(L"a.txt")};
    FileEntries entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L".txt", L".exe"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, IconCache::kExe);  // no exception for .exe here
    entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L".txt", L".EXE"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, 5u);
    EXPECT_THAT(provider.asked, ElementsAre(L"a.EXE"));
}

TEST_F(RenameTaskIcons, ExtensionWithoutIconGetsTheGenericOne) {
    current = {File(L"a.txt")};
    current[0].iconIndex = 6;
    FileEntries entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L".txt", L".none"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, IconCache::kGeneric);
    EXPECT_EQ(cache.size(), IconCache::kBaseRows);
}

TEST_F(RenameTaskIcons, RenamedFolderKeepsTheFolderIcon) {
    current = {Folder(L"Photos")};
    FileEntries entries = current;
    EXPECT_EQ(ApplyInPreview(Rename(L"Photos", L"Photos.zip"), entries), TaskResult::Ok);
    EXPECT_EQ(entries[0].iconIndex, IconCache::kFolder);
    EXPECT_THAT(provider.asked, IsEmpty());
}

}  // namespace
}  // namespace torvane
