// The draft task: the task an editor page holds while the user edits it,
// previewed on the "New Attribute" list without entering the task list.
#include <gtest/gtest.h>

#include "controller_fixture.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;

class DraftTest : public ControllerTest {
  protected:
    // Lists /data/ (a.txt, b.txt) with a task list that renames "b" to "c".
    void SetUp() override {
        fs.AddFile(L"/data/a.txt");
        fs.AddFile(L"/data/b.txt");
        Start();
        ChooseFolder(L"/data/");
        ASSERT_TRUE(Submit(RenameRecord(L"b", L"c")));
        view.events.clear();
    }
    int NewListNotices() const {
        return view.Count("NewEntries in place") + view.Count("NewEntries reset");
    }
    DraftOutcome Draft(const TaskFields& record) {
        return controller->taskList().PreviewDraft(record);
    }
};

TEST_F(DraftTest, DraftShowsOnTopOfTheTaskListWithoutEnteringIt) {
    EXPECT_EQ(Draft(RenameRecord(L"a", L"x")), DraftOutcome{});
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"c.txt"}));
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_TRUE(Messages().empty());

    // A changed draft replaces the one before rather than adding to it.
    Draft(RenameRecord(L"a", L"y"));
    EXPECT_EQ(view.newNames, (Names{L"y.txt", L"c.txt"}));

    // No draft: the task list's own values again.
    EXPECT_EQ(controller->taskList().PreviewDraft(std::nullopt), DraftOutcome{});
    EXPECT_EQ(view.newNames, (Names{L"a.txt", L"c.txt"}));
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
}

TEST_F(DraftTest, RefusedDraftIsAnsweredWithItsProblemAndNoMessageBox) {
    TimestampTaskFields notADate;
    notADate.find = L"/";
    notADate.replace = L"x";
    notADate.timeKind = std::wstring(kTimeKindModified);
    notADate.regex = L"FALSE";
    TimestampTaskFields tooEarly = notADate;
    tooEarly.find = L".*";
    tooEarly.replace = L"01/01/1950 10:00:00 AM";
    tooEarly.regex = L"TRUE";
    AttributeTaskFields badPattern;
    badPattern.find = L"[";
    badPattern.regex = L"TRUE";
    badPattern.attributes = L"1";
    struct Case {
        const char* what;
        TaskFields draft;
        std::wstring problemStart;
    };
    const std::vector<Case> cases = {
        {"bad expression", RenameRecord(L"(", L"x", L"", true), L"Not a valid regular expression"},
        {"no date", notADate, L""},
        {"date out of range", tooEarly, L""},
        {"bad attribute pattern", badPattern, L"Not a valid regular expression"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A valid draft is on show first: the refused one must take it away.
        Draft(RenameRecord(L"a", L"x"));
        ASSERT_EQ(view.newNames, (Names{L"x.txt", L"c.txt"}));

        const DraftOutcome outcome = Draft(c.draft);
        EXPECT_FALSE(outcome.problem.empty());
        EXPECT_EQ(outcome.problem.rfind(c.problemStart, 0), 0u) << outcome.problem;
        EXPECT_EQ(view.newNames, (Names{L"a.txt", L"c.txt"}));
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    }
}

using DraftUnlistedTest = ControllerTest;

TEST_F(DraftUnlistedTest, ExpressionRefusedWithNothingListedIsStillFound) {
    Start();
    EXPECT_FALSE(
        controller->taskList().PreviewDraft(RenameRecord(L"(", L"x", L"", true)).problem.empty());
    EXPECT_TRUE(controller->taskList().PreviewDraft(RenameRecord(L"a", L"x")).problem.empty());
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(controller->newEntries().empty());
}

TEST_F(DraftTest, SubmittingTheDraftOnShowChangesNothingOnShow) {
    Draft(RenameRecord(L"a", L"x"));
    const FileEntries shown = controller->newEntries();
    view.events.clear();

    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    EXPECT_EQ(controller->taskList().tasks().size(), 2u);
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_EQ(controller->newEntries(), shown);

    // The page, emptied after the submit, has no draft any more: the list's
    // values, which are the same, stay without a notice.
    controller->taskList().PreviewDraft(std::nullopt);
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"c.txt"}));

    // The list is really the task list's: removing the task takes it away.
    controller->taskList().SetTaskSelection({1});
    controller->taskList().RemoveTask();
    EXPECT_EQ(view.newNames, (Names{L"a.txt", L"c.txt"}));
}

TEST_F(DraftTest, SubmittingAnotherTaskThanTheDraftComputesIt) {
    Draft(RenameRecord(L"a", L"x"));
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"z")));
    EXPECT_EQ(view.newNames, (Names{L"z.txt", L"c.txt"}));
}

TEST_F(DraftTest, SameDraftOverTheSameEntriesIsNotComputedAgain) {
    Draft(RenameRecord(L"a", L"x"));
    view.events.clear();
    Draft(RenameRecord(L"a", L"x"));
    EXPECT_EQ(NewListNotices(), 0);
    // A task's name is no part of what it does.
    Draft(RenameRecord(L"a", L"x", L"named now"));
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"c.txt"}));

    // After the entries changed under it, the same draft is computed anew.
    controller->taskList().SetTaskSelection({0});
    controller->taskList().RemoveTask();
    ASSERT_EQ(view.newNames, (Names{L"a.txt", L"b.txt"}));
    Draft(RenameRecord(L"a", L"x"));
    EXPECT_EQ(view.newNames, (Names{L"x.txt", L"b.txt"}));
}

TEST_F(DraftTest, ModifiedTaskIsPreviewedInItsPlace) {
    ASSERT_TRUE(Submit(RenameRecord(L"txt", L"doc")));
    ASSERT_EQ(view.newNames, (Names{L"a.doc", L"c.doc"}));
    auto edited = RenameRecord(L"b", L"d");
    edited.id = controller->taskList().tasks()[0].id;

    Draft(edited);
    EXPECT_EQ(view.newNames, (Names{L"a.doc", L"d.doc"}));
    view.events.clear();
    ASSERT_TRUE(Submit(edited));
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_EQ(view.newNames, (Names{L"a.doc", L"d.doc"}));

    // The task as it stands in the list is no draft: nothing is computed.
    view.events.clear();
    Draft(edited);
    EXPECT_EQ(NewListNotices(), 0);
    EXPECT_FALSE(controller->preview().draftShown());
}

// The draft follows the folder on show: entering a subfolder shows it over
// the subfolder's entries at once, without another edit.
TEST_F(DraftTest, TheDraftFollowsIntoASubfolder) {
    fs.AddFolder(L"/data/sub/");
    fs.AddFile(L"/data/sub/a1.txt");
    fs.AddFile(L"/data/sub/b2.txt");
    ChooseFolder(L"/data/", ListOptions{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    ASSERT_TRUE(Submit(RenameRecord(L"b", L"c")));
    Draft(RenameRecord(L"a", L"x"));
    EXPECT_EQ(view.newNames, (Names{L"sub", L"x.txt", L"c.txt"}));

    controller->FileActivated(0, kCurrentListId);  // opens sub/
    EXPECT_EQ(view.currentNames, (Names{L"a1.txt", L"b2.txt"}));
    EXPECT_EQ(view.newNames, (Names{L"x1.txt", L"c2.txt"}));
    EXPECT_TRUE(controller->preview().draftShown());
    EXPECT_EQ(controller->preview().changes(), 2);

    // Listed again with no draft: the task list's own values.
    controller->taskList().PreviewDraft(std::nullopt);
    controller->Refresh();
    EXPECT_EQ(view.newNames, (Names{L"a1.txt", L"c2.txt"}));
    EXPECT_FALSE(controller->preview().draftShown());
}

TEST_F(DraftTest, GeneralInfoFollowsTheDraft) {
    controller->FileSelected(0, kNewListId);
    Draft(RenameRecord(L"a", L"x"));
    ASSERT_TRUE(view.info.entry);
    EXPECT_EQ(view.info.entry->name, L"x.txt");
    controller->taskList().PreviewDraft(std::nullopt);
    EXPECT_EQ(view.info.entry->name, L"a.txt");
}

}  // namespace
}  // namespace torvane::testing
