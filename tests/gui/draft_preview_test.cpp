// The editor pages' preview of the task being edited: debounced by the
// page's timer (flushed here instead of waited for), shown on the "New
// Attribute" list, its problem shown on the page instead of a message box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include "editor_fixture.hpp"
#include "gui/editor/attribute_page.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"
#include "gui/editor/timestamp_page.hpp"

namespace torvane::gui::testing {
namespace {

using Names = std::vector<std::wstring>;

class DraftPreviewTest : public EditorSideTest {
  protected:
    void SetUp() override {
        fs.AddFile(L"/data/a.txt");
        fs.AddFile(L"/data/b.txt");
        ListFolder(L"/data/");
        window.show();
    }
    RenamePage& Rename() const { return side->CriteriaTabs().NamePage(); }
    int NewListNotices() const {
        return view.Count("NewEntries in place") + view.Count("NewEntries reset");
    }
    // What the timer would do once it ran out; false when it was not running.
    static bool RunTimer(CriteriaPage& page) {
        if (!page.DraftTimer().isActive())
            return false;
        page.FlushDraft();
        return true;
    }
};

TEST_F(DraftPreviewTest, TypingShowsTheDraftOnceTheTimerRunsOut) {
    EXPECT_EQ(Rename().DraftTimer().interval(), CriteriaPage::kDraftDelay);
    EXPECT_TRUE(Rename().DraftTimer().isSingleShot());
    Type(Rename().FindBox(), "a");
    Type(Rename().ReplaceBox(), "x");
    // Nothing is computed while the user types.
    EXPECT_EQ(NewNames(), (Names{L"a.txt", L"b.txt"}));
    ASSERT_TRUE(RunTimer(Rename()));
    EXPECT_EQ(NewNames(), (Names{L"x.txt", L"b.txt"}));
    EXPECT_TRUE(controller->taskList().tasks().empty());
    EXPECT_TRUE(RowTexts().isEmpty());
    EXPECT_EQ(Rename().DraftProblem(), "");

    Click(Rename().RegexBox());
    Type(Rename().FindBox(), "^b");
    ASSERT_TRUE(RunTimer(Rename()));
    EXPECT_EQ(NewNames(), (Names{L"a.txt", L"x.txt"}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(DraftPreviewTest, InvalidDraftShowsItsProblemOnThePageAndNotOnTheList) {
    Type(Rename().FindBox(), "a");
    Type(Rename().ReplaceBox(), "x");
    ASSERT_TRUE(RunTimer(Rename()));
    ASSERT_EQ(NewNames(), (Names{L"x.txt", L"b.txt"}));

    Click(Rename().RegexBox());
    Type(Rename().FindBox(), "(a");
    ASSERT_TRUE(RunTimer(Rename()));
    EXPECT_TRUE(Rename().DraftProblem().startsWith("Not a valid regular expression"))
        << Rename().DraftProblem().toStdString();
    EXPECT_TRUE(Rename().DraftProblemLabel().isVisibleTo(&window));
    EXPECT_EQ(NewNames(), (Names{L"a.txt", L"b.txt"}));
    EXPECT_TRUE(Messages().empty());

    // The submit keeps its message box.
    Click(Rename().PrimaryButton());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(controller->taskList().tasks().empty());

    // Mended, the problem goes and the draft shows.
    Type(Rename().FindBox(), "(a)");
    ASSERT_TRUE(RunTimer(Rename()));
    EXPECT_EQ(Rename().DraftProblem(), "");
    EXPECT_FALSE(Rename().DraftProblemLabel().isVisibleTo(&window));
    EXPECT_EQ(NewNames(), (Names{L"x.txt", L"b.txt"}));
}

TEST_F(DraftPreviewTest, EachPageShowsWhatItsSubmitWouldRefuse) {
    struct Case {
        int page;
        std::function<void(CriteriaTabs&)> edit;
        QString problemStart;
    };
    const std::vector<Case> cases = {
        {0, [](CriteriaTabs& t) { Type(t.NamePage().NameBox(), "no find yet"); },
         "Search string cannot be empty!"},
        {1,
         [](CriteriaTabs& t) {
             auto& page = t.DatePage();
             Type(page.FindBox(), "1970");
             Type(page.ReplaceBox(), "1950");
         },
         ""},
        {1,
         [](CriteriaTabs& t) {
             auto& page = t.DatePage();
             Type(page.FindBox(), "/");
             Type(page.ReplaceBox(), "x");
         },
         ""},
        {2,
         [](CriteriaTabs& t) {
             auto& page = t.AttributesPage();
             Click(page.RegexBox());
             Type(page.PatternBox(), "[");
         },
         "Not a valid regular expression"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        side->ShowEditorPage(c.page);
        CriteriaPage& page = side->CriteriaTabs().Page(c.page);
        c.edit(side->CriteriaTabs());
        ASSERT_TRUE(RunTimer(page));
        EXPECT_FALSE(page.DraftProblem().isEmpty());
        EXPECT_TRUE(page.DraftProblem().startsWith(c.problemStart))
            << page.DraftProblem().toStdString();
        EXPECT_EQ(NewNames(), (Names{L"a.txt", L"b.txt"}));
        EXPECT_TRUE(Messages().empty());
        Click(page.SecondaryButton());
        ASSERT_TRUE(RunTimer(page));
        EXPECT_EQ(page.DraftProblem(), "");
    }
}

TEST_F(DraftPreviewTest, AddingTheDraftOnShowChangesNothingOnScreen) {
    Type(Rename().FindBox(), "a");
    Type(Rename().ReplaceBox(), "x");
    ASSERT_TRUE(RunTimer(Rename()));
    view.events.clear();

    Click(Rename().PrimaryButton());
    EXPECT_EQ(RowTexts().size(), 1);
    EXPECT_EQ(NewListNotices(), 0);
    // The page is emptied; its timer then finds no draft, and the list
    // stays as it was.
    RunTimer(Rename());
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_EQ(NewNames(), (Names{L"x.txt", L"b.txt"}));
    EXPECT_EQ(Rename().DraftProblem(), "");
}

TEST_F(DraftPreviewTest, OnlyTheShownPagePreviews) {
    auto& date = side->CriteriaTabs().DatePage();
    Type(date.FindBox(), "2021");
    EXPECT_FALSE(date.DraftTimer().isActive());

    Type(Rename().FindBox(), "a");
    Type(Rename().ReplaceBox(), "x");
    ASSERT_TRUE(RunTimer(Rename()));
    ASSERT_EQ(NewNames(), (Names{L"x.txt", L"b.txt"}));
    // Another page shown: its own draft (none here) replaces the rename's.
    side->ShowEditorPage(kAttributePage);
    EXPECT_FALSE(Rename().DraftTimer().isActive());
    ASSERT_TRUE(RunTimer(side->CriteriaTabs().AttributesPage()));
    EXPECT_EQ(NewNames(), (Names{L"a.txt", L"b.txt"}));
}

}  // namespace
}  // namespace torvane::gui::testing
