// The timestamp and attribute pages, driven through the controller.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>

#include "editor_fixture.hpp"
#include "gui/editor/attribute_page.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/timestamp_page.hpp"
#include "platform/file_attributes.hpp"

namespace torvane::gui::testing {
namespace {

using Names = std::vector<std::wstring>;
constexpr const char* kStartText = "07/03/2021 12:05:09 PM";

class DatePageTest : public EditorSideTest {
  protected:
    DatePageTest() {
        fs.AddFile(L"/data/a.txt", FILE_ATTRIBUTE_ARCHIVE, 1000000000);
        ListFolder(L"/data/");
        side->ShowEditorPage(kTimestampPage);
    }
    TimestampPage& Page() const { return side->CriteriaTabs().DatePage(); }
};

TEST_F(DatePageTest, FreshPageHoldsTheStartTimeAndAddsOnlyWhenModified) {
    EXPECT_EQ(Page().TimeKindBox().currentText(), "Modified Date");
    EXPECT_EQ(Page().FindBox().text(), kStartText);
    EXPECT_EQ(Page().ReplaceBox().text(), kStartText);
    EXPECT_EQ(Page().FindBox().placeholderText(), kStartText);
    EXPECT_EQ(Page().ReplaceBox().placeholderText(), kStartText);

    Page().TimeKindBox().setCurrentIndex(0);  // a time kind alone is no change
    Click(Page().RegexBox());
    Click(Page().RegexBox());
    Click(Page().PrimaryButton());
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_TRUE(Messages().empty());

    Type(Page().NameBox(), "Same time");
    Click(Page().PrimaryButton());
    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(controller->taskList().tasks()[0].definition,
              L"$FileDate<>FORM=Created<>FIND=07/03/2021 12:05:09 PM<>"
              L"REPL=07/03/2021 12:05:09 PM<>REGX=FALSE<>");
    EXPECT_TRUE(Page().FindBox().text().isEmpty());
    EXPECT_EQ(Page().FindBox().placeholderText(), kStartText);
    EXPECT_EQ(Page().TimeKindBox().currentIndex(), 0);  // stays as chosen
}

// "Use fields" makes a timestamp task with fields; a time without a value
// (the listed file is no photo) is marked, and the box leaves with the task.
TEST_F(DatePageTest, UseFieldsMakesATaskWithFields) {
    Type(Page().FindBox(), "^.*$");
    Type(Page().ReplaceBox(), "{taken}");
    Click(Page().RegexBox());
    Click(Page().FieldsBox());
    Click(Page().PrimaryButton());
    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(controller->taskList().tasks()[0].definition,
              L"$FileDateEx<>FORM=Modified<>FIND=^.*$<>REPL={taken}<>REGX=TRUE<>FLDS=TRUE<>");
    EXPECT_FALSE(Page().FieldsBox().isChecked());
    WaitForFields();  // read in the background
    const Finding* finding = controller->preview().FindingAt(0);
    ASSERT_NE(finding, nullptr);
    EXPECT_EQ(finding->kind, FindingKind::kMissingField);
}

TEST_F(DatePageTest, DoubleClickedFileRowPrefillsTheChosenTime) {
    FileEntry times;
    times.created = 0;
    times.modified = 86400;
    times.accessed = 1625313909 + 3600;
    Page().TimeKindBox().setCurrentIndex(2);
    side->PrefillTimestampPage(times);
    EXPECT_EQ(Page().FindBox().text(), "07/03/2021 01:05:09 PM");
    EXPECT_EQ(Page().ReplaceBox().text(), "07/03/2021 01:05:09 PM");

    Page().TimeKindBox().setCurrentIndex(1);
    controller->FileActivated(0, kCurrentListId);  // a.txt, all times 1000000000
    EXPECT_EQ(Page().FindBox().text(), "09/09/2001 01:46:40 AM");
    EXPECT_FALSE(Page().state().modifyMode);
}

TEST_F(DatePageTest, LoadedTaskSelectsItsKindOrKeepsTheShownOne) {
    TimestampTaskFields record;
    record.id = 5;
    record.name = L"t";
    record.find = L"2001";
    record.replace = L"2002";
    record.timeKind = L"Created";
    record.regex = L"TRUE";
    Page().LoadTask(record, LoadMode::kForModify);
    EXPECT_EQ(Page().TimeKindBox().currentIndex(), 0);
    EXPECT_TRUE(Page().RegexBox().isChecked());
    EXPECT_EQ(Page().PrimaryButton().text(), "Modify Task Item");
    EXPECT_EQ(Page().state(), (PageState{true, 5, true}));

    record.timeKind = L"";
    Page().TimeKindBox().setCurrentIndex(2);
    Page().LoadTask(record, LoadMode::kForModify);
    EXPECT_EQ(Page().TimeKindBox().currentIndex(), 2);
    Click(Page().SecondaryButton());
    EXPECT_EQ(Page().state(), PageState{});
    EXPECT_FALSE(Page().RegexBox().isChecked());
    EXPECT_EQ(Page().SecondaryButton().text(), "Clear");
}

TEST_F(DatePageTest, DoubleClickedTimestampTaskOpensItsPage) {
    Type(Page().NameBox(), "Stamp");
    Click(Page().PrimaryButton());
    side->ShowEditorPage(kRenamePage);
    controller->taskList().SetTaskSelection({0});
    controller->taskList().TaskListDoubleClicked();
    EXPECT_EQ(side->TaskKindSelector().currentText(), "File Timestamp");
    EXPECT_FALSE(Page().isHidden());
    EXPECT_EQ(Page().NameBox().text(), "Stamp");
    EXPECT_EQ(Page().FindBox().text(), kStartText);
    EXPECT_EQ(Page().PrimaryButton().text(), "Modify Task Item");
    EXPECT_EQ(Page().SecondaryButton().text(), "Cancel");
}

class AttributePageTest : public EditorSideTest {
  protected:
    AttributePageTest() {
        fs.AddFile(L"/data/a.txt", FILE_ATTRIBUTE_ARCHIVE);
        fs.AddFile(L"/data/secret.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        ListOptions withHidden;
        withHidden.hiddenSystem = HiddenSystem::kHidden;
        ListFolder(L"/data/", withHidden);
        side->ShowEditorPage(kAttributePage);
    }
    AttributePage& Page() const { return side->CriteriaTabs().AttributesPage(); }
    QCheckBox& Box(AttributePage::Box b) const { return Page().AttributeBox(b); }
    // The boxes' states, Archive to Encrypt.
    std::vector<bool> States() const {
        std::vector<bool> on;
        for (int b = 0; b < AttributePage::kBoxCount; ++b)
            on.push_back(Box(static_cast<AttributePage::Box>(b)).isChecked());
        return on;
    }
};

TEST_F(AttributePageTest, BoxesGiveTheAttributeWord) {
    using B = AttributePage;
    struct Case {
        std::vector<B::Box> checked;
        const wchar_t* attr;
    };
    const std::vector<Case> cases = {
        {{}, L"8192"}, {{B::kIndex}, L"0"}, {{B::kArchive, B::kHidden, B::kIndex}, L"34"}};
    for (const auto& c : cases) {
        Type(Page().PatternBox(), "a.txt");
        for (const auto b : c.checked)
            Click(Box(b));
        Click(Page().PrimaryButton());
        ASSERT_FALSE(controller->taskList().tasks().empty());
        EXPECT_EQ(controller->taskList().tasks().back().definition,
                  L"$System<>FIND=a.txt<>ATTR=" + std::wstring(c.attr) + L"<>REGX=FALSE<>");
        EXPECT_EQ(States(), std::vector<bool>(7, false));  // reset after the accepted task
    }
}

TEST_F(AttributePageTest, CompressAndEncryptExcludeEachOther) {
    using B = AttributePage;
    Click(Box(B::kEncrypt));
    Click(Box(B::kCompress));
    EXPECT_TRUE(Box(B::kCompress).isChecked());
    EXPECT_FALSE(Box(B::kEncrypt).isChecked());
    Click(Box(B::kEncrypt));
    EXPECT_FALSE(Box(B::kCompress).isChecked());
    EXPECT_TRUE(Box(B::kEncrypt).isChecked());
    EXPECT_TRUE(Page().state().modified);
}

TEST_F(AttributePageTest, LoadedWordSetsEveryBox) {
    AttributeTaskFields record;
    record.id = 3;
    record.find = L"x";
    record.attributes = L"16417";
    Page().LoadTask(record, LoadMode::kForModify);
    EXPECT_EQ(States(), (std::vector<bool>{true, false, true, false, true, false, true}));
    EXPECT_EQ(Page().PrimaryButton().text(), "Modify Task Item");
    Click(Page().SecondaryButton());
    EXPECT_EQ(States(), std::vector<bool>(7, false));
    EXPECT_EQ(Page().state(), PageState{});
}

TEST_F(AttributePageTest, DoubleClickedFileRowFillsPatternAndBoxes) {
    Type(Page().NameBox(), "kept");
    controller->FileActivated(1, kCurrentListId);  // secret.txt: hidden, read-only
    EXPECT_EQ(Page().PatternBox().text(), "secret.txt");
    EXPECT_EQ(States(), (std::vector<bool>{false, true, true, false, true, false, false}));
    EXPECT_EQ(Page().NameBox().text(), "kept");
    EXPECT_FALSE(Page().state().modifyMode);
}

TEST_F(AttributePageTest, PatternRefusesReservedCharacters) {
    QTest::keyClicks(&Page().PatternBox(), "a<");
    EXPECT_EQ(Page().PatternBox().text(), "a");
    EXPECT_EQ(Messages().size(), 1u);
    QTest::keyClicks(&Page().NameBox(), "<");
    EXPECT_EQ(Page().NameBox().text(), "<");
}

// The wildcard box makes the pattern a wildcard pattern (WILD=TRUE, which
// the task list keeps); it and the regular-expression box exclude each other,
// and a task loaded back shows its kind.
TEST_F(AttributePageTest, TheWildcardBoxIsAKindOfPatternBesideTheRegularExpression) {
    Click(Page().RegexBox());
    Click(Page().WildcardBox());
    EXPECT_FALSE(Page().RegexBox().isChecked());
    Click(Page().RegexBox());
    EXPECT_FALSE(Page().WildcardBox().isChecked());
    Click(Page().WildcardBox());
    EXPECT_FALSE(Page().state().modified);  // like the regular-expression box

    Type(Page().PatternBox(), "*.txt");
    Click(Box(AttributePage::kHidden));
    Click(Page().PrimaryButton());
    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    const std::wstring wild = L"$System<>FIND=*.txt<>ATTR=8194<>REGX=FALSE<>WILD=TRUE<>";
    EXPECT_EQ(controller->taskList().tasks()[0].definition, wild);
    EXPECT_FALSE(Page().WildcardBox().isChecked());  // reset after the accepted task

    const struct {
        std::wstring definition;
        bool wildcard;
        bool regex;
    } cases[] = {
        {wild, true, false},
        {L"$System<>FIND=*.txt<>ATTR=1<>REGX=FALSE<>", false, false},
        {L"$System<>FIND=.*<>ATTR=1<>REGX=TRUE<>WILD=TRUE<>", false, true},
    };
    for (const auto& c : cases) {
        auto record = ParseTaskDefinition(c.definition);
        ASSERT_TRUE(record);
        SetIdAndName(*record, 7, L"");
        Page().LoadTask(*record, LoadMode::kForModify);
        EXPECT_EQ(Page().WildcardBox().isChecked(), c.wildcard);
        EXPECT_EQ(Page().RegexBox().isChecked(), c.regex);
        Click(Page().SecondaryButton());
    }
}

TEST_F(AttributePageTest, InvalidPatternKeepsThePage) {
    Type(Page().PatternBox(), "[");
    Click(Page().RegexBox());
    Click(Box(AttributePage::kHidden));
    Click(Page().PrimaryButton());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(L"Not a valid regular expression"), std::wstring::npos);
    EXPECT_EQ(Page().PatternBox().text(), "[");
    EXPECT_TRUE(Box(AttributePage::kHidden).isChecked());
    EXPECT_TRUE(controller->taskList().tasks().empty());
}

}  // namespace
}  // namespace torvane::gui::testing
