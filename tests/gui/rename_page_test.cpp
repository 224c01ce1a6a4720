// The task-kind selector and the rename page, driven through the controller.
#include "gui/editor/rename_page.hpp"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QToolButton>

#include "editor_fixture.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/timestamp_page.hpp"

namespace torvane::gui::testing {
namespace {

using Names = std::vector<std::wstring>;

class RenamePageTest : public EditorSideTest {
  protected:
    RenamePageTest() {
        fs.AddFile(L"/data/photo1.jpg");
        fs.AddFile(L"/data/photo2.jpg");
    }
    RenamePage& Page() const { return side->CriteriaTabs().NamePage(); }
    // Fills the page's boxes.
    void Fill(const QString& name, const QString& find, const QString& replace) {
        Type(Page().NameBox(), name);
        Type(Page().FindBox(), find);
        Type(Page().ReplaceBox(), replace);
    }
    std::wstring LastDefinition() const { return controller->taskList().tasks().back().definition; }
};

TEST_F(RenamePageTest, TheTaskKindSelectorOffersTheThreeKindsAndStartsOnRenameDisabled) {
    EXPECT_EQ(side->TaskKindSelector().count(), 3);
    EXPECT_EQ(side->TaskKindSelector().itemText(1), "File Timestamp");
    EXPECT_EQ(side->TaskKindSelector().currentIndex(), 0);
    EXPECT_FALSE(side->TaskKindSelector().isEnabled());
}

TEST_F(RenamePageTest, EditorStartsDisabledUntilAFolderIsListed) {
    EXPECT_FALSE(side->TaskKindSelector().isEnabled());
    EXPECT_EQ(side->TaskKindSelector().currentIndex(), 0);
    EXPECT_FALSE(Page().NameBox().isEnabled());
    EXPECT_FALSE(Page().PrimaryButton().isEnabled());
    EXPECT_FALSE(side->CriteriaTabs().Page(0).isHidden());
    EXPECT_TRUE(side->CriteriaTabs().Page(1).isHidden());
    EXPECT_FALSE(side->CriteriaTabs().Page(1).isEnabled());
    EXPECT_TRUE(side->CriteriaTabs().Page(2).isHidden());

    ListFolder(L"/data/");
    EXPECT_TRUE(side->TaskKindSelector().isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{
             &Page().NameBox(), &Page().FindBox(), &Page().ReplaceBox(), &Page().RegexBox(),
             &Page().NumberingBox(), &Page().PrimaryButton(), &Page().SecondaryButton()})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(Page().StartAtBox().isEnabled());  // keeps its state
    EXPECT_FALSE(Page().StartAtUp().isEnabled());
}

TEST_F(RenamePageTest, SelectorShowsOnePageAtATime) {
    ListFolder(L"/data/");
    auto& tabs = side->CriteriaTabs();
    side->TaskKindSelector().setCurrentIndex(1);
    emit side->TaskKindSelector().activated(1);
    EXPECT_EQ(tabs.CurrentPage(), 1);
    EXPECT_TRUE(tabs.Page(0).isHidden());
    EXPECT_FALSE(tabs.Page(0).isEnabled());
    EXPECT_FALSE(tabs.Page(1).isHidden());
    EXPECT_TRUE(tabs.Page(1).isEnabled());
    tabs.ShowCriteriaPage(1);  // again: nothing changes
    EXPECT_FALSE(tabs.Page(1).isHidden());
    tabs.ShowCriteriaPage(2);
    EXPECT_EQ(side->TaskKindSelector().currentIndex(), 2);
    EXPECT_TRUE(tabs.Page(1).isHidden());
    EXPECT_FALSE(tabs.Page(2).isHidden());
}

TEST_F(RenamePageTest, AddingATaskWithNumberingShowsItsRowAndTheNewNames) {
    ListFolder(L"/data/");
    Fill("Number them", "photo", "pic##-");
    Click(Page().NumberingBox());
    EXPECT_TRUE(Page().StartAtBox().isEnabled());
    Type(Page().StartAtBox(), "7");
    Click(Page().PrimaryButton());

    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(LastDefinition(),
              L"$FileName<>FIND=photo<>REPL=pic##-<>SYMB=TRUE<>SNUM=7<>REGX=FALSE<>");
    EXPECT_EQ(RowNames(), QStringList{"Number them"});
    EXPECT_EQ(TaskView().SelectedRows(), std::vector<std::size_t>{0});
    EXPECT_EQ(NewNames(), (Names{L"pic07-1.jpg", L"pic08-2.jpg"}));
    // The page is empty again, with the numbering box as last clicked.
    EXPECT_TRUE(Page().NameBox().text().isEmpty());
    EXPECT_TRUE(Page().FindBox().text().isEmpty());
    EXPECT_TRUE(Page().ReplaceBox().text().isEmpty());
    EXPECT_TRUE(Page().NumberingBox().isChecked());
    EXPECT_TRUE(Page().StartAtBox().isEnabled());
    EXPECT_EQ(Page().StartAtBox().text(), "0");
    EXPECT_EQ(Page().state(), PageState{});
    EXPECT_EQ(Page().PrimaryButton().text(), "Add To Task List");
}

// Fields, the scope and the numbering order go into the task (under its
// keyword of its own), show in the preview, come back when the task is
// modified, and leave the page with it.
TEST_F(RenamePageTest, FieldsScopeAndNumberingOrderMakeTheTaskAndThePreview) {
    ListFolder(L"/data/");
    EXPECT_TRUE(Page().FieldsBox().isEnabled());
    EXPECT_TRUE(Page().ScopeBox().isEnabled());
    EXPECT_FALSE(Page().NumberByBox().isEnabled());  // with numbering only
    Fill("Fields", "^.*$", "{ext}-{name}-#");
    Click(Page().RegexBox());
    Click(Page().FieldsBox());
    Page().ScopeBox().setCurrentIndex(1);
    Click(Page().NumberingBox());
    EXPECT_TRUE(Page().NumberByBox().isEnabled());
    Page().NumberByBox().setCurrentIndex(2);
    Type(Page().StartAtBox(), "1");
    Click(Page().PrimaryButton());
    EXPECT_EQ(LastDefinition(),
              L"$FileNameEx<>FIND=^.*$<>REPL={ext}-{name}-#<>SYMB=TRUE<>SNUM=1<>"
              L"REGX=TRUE<>FLDS=TRUE<>SCOP=name<>NUMB=modified<>");
    EXPECT_EQ(NewNames(), (Names{L"jpg-photo1-1.jpg", L"jpg-photo2-2.jpg"}));
    EXPECT_FALSE(Page().FieldsBox().isChecked());
    EXPECT_EQ(Page().ScopeBox().currentIndex(), 0);
    EXPECT_EQ(Page().NumberByBox().currentIndex(), 0);

    auto record = *ParseTaskDefinition(controller->taskList().tasks()[0].definition);
    SetIdAndName(record, controller->taskList().tasks()[0].id, L"Fields");
    side->LoadTask(record, LoadMode::kForModify);
    EXPECT_TRUE(Page().FieldsBox().isChecked());
    EXPECT_EQ(Page().ScopeBox().currentText(), "Name without extension");
    EXPECT_EQ(Page().NumberByBox().currentText(), "Modified date");
}

// A field without a value marks the entry as a problem instead of giving
// an empty name; a replacement that can't be read is refused with its reason.
TEST_F(RenamePageTest, AMissingValueIsMarkedAndABadFieldRefused) {
    ListFolder(L"/data/");
    Fill("", "photo1", "{taken:%Y}");
    Click(Page().FieldsBox());
    Click(Page().PrimaryButton());
    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(NewNames(), (Names{L"photo1.jpg", L"photo2.jpg"}));
    WaitForFields();  // read in the background
    const Finding* finding = controller->preview().FindingAt(0);
    ASSERT_NE(finding, nullptr);
    EXPECT_EQ(finding->kind, FindingKind::kMissingField);
    EXPECT_EQ(finding->message,
              L"\"photo1.jpg\" has no value for {taken:%Y}; the task leaves it as it is.");
    EXPECT_EQ(controller->preview().FindingAt(1), nullptr);

    Fill("", "photo", "{when}");
    Click(Page().FieldsBox());
    Click(Page().PrimaryButton());
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().rfind(L"Not a valid replacement: The field {when} is not known", 0),
              0u);
}

TEST_F(RenamePageTest, StartAtTextGoesIntoTheTaskOnlyWithNumbering) {
    ListFolder(L"/data/");
    Fill("", "photo", "#");
    Click(Page().NumberingBox());
    Type(Page().StartAtBox(), "");
    Click(Page().PrimaryButton());
    EXPECT_EQ(LastDefinition(), L"$FileName<>FIND=photo<>REPL=#<>SYMB=TRUE<>SNUM=<>REGX=FALSE<>");
    EXPECT_EQ(NewNames(), (Names{L"01.jpg", L"12.jpg"}));  // SNUM= reads 0

    Click(Page().NumberingBox());  // off
    Fill("", "x", "y");
    Type(Page().StartAtBox(), "12");
    Click(Page().PrimaryButton());
    EXPECT_EQ(LastDefinition(), L"$FileName<>FIND=x<>REPL=y<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>");
}

TEST_F(RenamePageTest, UpDownStepsStartAtWithinItsRange) {
    ListFolder(L"/data/");
    Click(Page().NumberingBox());
    Click(Page().StartAtDown());
    EXPECT_EQ(Page().StartAtBox().text(), "0");
    Click(Page().StartAtUp());
    EXPECT_EQ(Page().StartAtBox().text(), "1");
    Type(Page().StartAtBox(), "32767");
    QTest::keyClick(&Page().StartAtBox(), Qt::Key_Up);
    EXPECT_EQ(Page().StartAtBox().text(), "32767");
    QTest::keyClick(&Page().StartAtBox(), Qt::Key_Down);
    EXPECT_EQ(Page().StartAtBox().text(), "32766");
    QTest::keyClicks(&Page().StartAtBox(), "a-5");  // digits only
    EXPECT_EQ(Page().StartAtBox().text(), "327665");
}

TEST_F(RenamePageTest, InvalidExpressionShowsTheEngineMessageAndKeepsThePage) {
    ListFolder(L"/data/");
    Fill("bad", "(", "x");
    Click(Page().RegexBox());
    Click(Page().PrimaryButton());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(L"Not a valid regular expression"), std::wstring::npos);
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(RowTexts(), QStringList{});
    EXPECT_EQ(Page().NameBox().text(), "bad");
    EXPECT_EQ(Page().FindBox().text(), "(");
    EXPECT_TRUE(Page().RegexBox().isChecked());
    EXPECT_TRUE(Page().state().modified);
    Click(Page().PrimaryButton());  // still modified: sent again
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(RenamePageTest, ClearedPageReportsTheEmptyFindText) {
    ListFolder(L"/data/");
    Fill("n", "photo", "x");
    Click(Page().SecondaryButton());
    Click(Page().PrimaryButton());
    EXPECT_EQ(Messages(), Names{L"Search string cannot be empty!"});
    EXPECT_EQ(dialogs.messages()[0].caption, L"torvane");
    EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::kNone);
    EXPECT_TRUE(controller->taskList().tasks().empty());
}

TEST_F(RenamePageTest, ReservedCharactersAreRefusedInFindAndReplaceOnly) {
    ListFolder(L"/data/");
    QTest::keyClicks(&Page().FindBox(), "a<b>");
    EXPECT_EQ(Page().FindBox().text(), "ab");
    QTest::keyClicks(&Page().ReplaceBox(), ">");
    EXPECT_EQ(Page().ReplaceBox().text(), "");
    QTest::keyClicks(&Page().NameBox(), "<n>");
    EXPECT_EQ(Page().NameBox().text(), "<n>");
    const std::wstring reserved =
        L"The < and > characters are reserved and cannot be use in an expression.";
    EXPECT_EQ(Messages(), (Names{reserved, reserved, reserved}));
}

TEST_F(RenamePageTest, PastedReservedCharactersAreRefusedToo) {
    ListFolder(L"/data/");
    QApplication::clipboard()->setText("x<>y");
    QTest::keyClicks(&Page().FindBox(), "ab");
    Page().FindBox().paste();
    EXPECT_EQ(Page().FindBox().text(), "ab");
    EXPECT_EQ(Messages().size(), 1u);
    // A loaded task's text may hold them; editing it elsewhere still works.
    RenameTaskFields record;
    record.id = 1;
    record.find = L"a<b";
    Page().LoadTask(record, LoadMode::kForModify);
    QApplication::clipboard()->setText("c");
    Page().FindBox().end(false);
    Page().FindBox().paste();
    EXPECT_EQ(Page().FindBox().text(), "a<bc");
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(RenamePageTest, DoubleClickedTaskIsModifiedInPlace) {
    ListFolder(L"/data/");
    for (const char* find : {"photo1", "photo2"}) {
        Fill(QString("T ") + find, find, "x");
        Click(Page().PrimaryButton());
    }
    window.show();
    side->ShowEditorPage(2);  // the double click switches back to the rename page
    auto& list = TaskView();
    list.resize(300, 200);
    const QRect row0 = list.visualRect(list.Model().index(0, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row0.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row0.center());

    EXPECT_EQ(side->CriteriaTabs().CurrentPage(), 0);
    EXPECT_EQ(side->TaskKindSelector().currentIndex(), 0);
    EXPECT_EQ(Page().NameBox().text(), "T photo1");
    EXPECT_EQ(Page().FindBox().text(), "photo1");
    EXPECT_EQ(Page().PrimaryButton().text(), "Modify Task Item");
    EXPECT_EQ(Page().SecondaryButton().text(), "Cancel");
    EXPECT_TRUE(Page().state().modifyMode);
    EXPECT_EQ(Page().state().editingId, controller->taskList().tasks()[0].id);

    Type(Page().NameBox(), "Renamed");
    Type(Page().ReplaceBox(), "y");
    Click(Page().PrimaryButton());
    EXPECT_EQ(RowNames(), (QStringList{"Renamed", "T photo2"}));
    EXPECT_EQ(NewNames(), (Names{L"y.jpg", L"x.jpg"}));
    EXPECT_EQ(Page().PrimaryButton().text(), "Add To Task List");
    EXPECT_EQ(Page().state(), PageState{});
}

TEST_F(RenamePageTest, RejectedModificationKeepsTheTaskAndThePage) {
    ListFolder(L"/data/");
    Fill("Keep", "photo1", "x");
    Click(Page().PrimaryButton());
    controller->taskList().SetTaskSelection({0});
    controller->taskList().TaskListDoubleClicked();
    Type(Page().NameBox(), "Broken");
    Type(Page().FindBox(), "(");
    Click(Page().RegexBox());
    Click(Page().PrimaryButton());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(RowNames(), QStringList{"Keep"});
    EXPECT_EQ(LastDefinition(),
              L"$FileName<>FIND=photo1<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>");
    EXPECT_EQ(NewNames(), (Names{L"x.jpg", L"photo2.jpg"}));
    EXPECT_TRUE(Page().state().modifyMode);
    EXPECT_EQ(Page().NameBox().text(), "Broken");
    EXPECT_EQ(Page().PrimaryButton().text(), "Modify Task Item");
}

TEST_F(RenamePageTest, CancelLeavesModifyModeAndTheRememberedNumberingComesBack) {
    ListFolder(L"/data/");
    Click(Page().NumberingBox());  // remembered: on
    RenameTaskFields record;
    record.id = 99;
    record.name = L"n";
    record.find = L"f";
    Page().LoadTask(record, LoadMode::kForModify);
    EXPECT_FALSE(Page().NumberingBox().isChecked());
    EXPECT_FALSE(Page().StartAtBox().isEnabled());
    EXPECT_TRUE(Page().state().modifyMode);

    Click(Page().SecondaryButton());
    EXPECT_TRUE(Page().NumberingBox().isChecked());
    EXPECT_TRUE(Page().StartAtBox().isEnabled());
    EXPECT_EQ(Page().PrimaryButton().text(), "Add To Task List");
    EXPECT_EQ(Page().SecondaryButton().text(), "Clear");
    EXPECT_EQ(Page().state(), PageState{});
    EXPECT_TRUE(Page().NameBox().text().isEmpty());
    EXPECT_TRUE(controller->taskList().tasks().empty());
}

TEST_F(RenamePageTest, ModifyingARemovedTaskClearsThePage) {
    ListFolder(L"/data/");
    Fill("gone", "photo", "x");
    Click(Page().PrimaryButton());
    RenameTaskFields record;
    record.id = controller->taskList().tasks()[0].id;
    record.find = L"photo";
    Page().LoadTask(record, LoadMode::kForModify);
    controller->taskList().ClearTaskList();
    EXPECT_TRUE(Page().state().modifyMode);  // clearing the list does not reset the page
    Click(Page().PrimaryButton());
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(Page().state(), PageState{});
}

TEST_F(RenamePageTest, PrefillFromAFileRowTakesFindAndReplaceOnly) {
    ListFolder(L"/data/");
    Type(Page().NameBox(), "kept");
    controller->FileActivated(1, kCurrentListId);
    EXPECT_EQ(Page().NameBox().text(), "kept");
    EXPECT_EQ(Page().FindBox().text(), "photo2.jpg");
    EXPECT_EQ(Page().ReplaceBox().text(), "photo2.jpg");
    EXPECT_FALSE(Page().state().modifyMode);
}

}  // namespace
}  // namespace torvane::gui::testing
