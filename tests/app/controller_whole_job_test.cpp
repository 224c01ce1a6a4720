// The whole job in view (its plan, kept up to date on a worker, and the count
// line), and files only with subfolders, which descends and changes files.
#include <gtest/gtest.h>

#include "app/job_scope.hpp"
#include "controller_fixture.hpp"
#include "engine/job_pipeline.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;

constexpr ListOptions kFilesBelow{Retrieve::kFiles, true, HiddenSystem::kNone};
constexpr ListOptions kBothBelow{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone};

class WholeJobTest : public ControllerTest {
  protected:
    // /data/ holds a.txt, b.txt and sub/ (a1.txt, a2.txt, x2.txt): renaming
    // "a" to "x" changes one entry on show and three in the job, one of
    // which (a2.txt) is in the way of x2.txt.
    void SetUp() override {
        fs.AddFile(L"/data/a.txt");
        fs.AddFile(L"/data/b.txt");
        fs.AddFolder(L"/data/sub/");
        fs.AddFile(L"/data/sub/a1.txt");
        fs.AddFile(L"/data/sub/a2.txt");
        fs.AddFile(L"/data/sub/x2.txt");
        Start();
    }
    // Runs the UI queue until the whole job's plan is in hand.
    const JobPlan& AwaitPlan() {
        ui.RunUntil([this] { return !controller->wholeJobPlanning(); });
        EXPECT_TRUE(controller->wholeJobPlan());
        return *controller->wholeJobPlan();
    }
};

TEST_F(WholeJobTest, ListsTheSubfoldersEntriesWithTheirFindingsAsTheReviewDoes) {
    ChooseFolder(L"/data/", kBothBelow);
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    EXPECT_EQ(controller->CountLineText(), L"1 change in this folder, 0 problems");

    controller->ShowWholeJob(true);
    EXPECT_TRUE(controller->wholeJobPlanning());
    const JobPlan& plan = AwaitPlan();
    ASSERT_EQ(plan.folders.size(), 2u);
    const PlannedFolder& sub = plan.folders[1];
    EXPECT_EQ(sub.path, L"/data/sub/");
    ASSERT_EQ(sub.current.size(), 3u);
    EXPECT_EQ(sub.updated[0].name, L"x1.txt");
    ASSERT_EQ(sub.findings.size(), 1u);
    EXPECT_EQ(sub.current[sub.findings[0].first].name, L"a2.txt");
    EXPECT_EQ(sub.findings[0].second.kind, FindingKind::kNameTaken);
    EXPECT_EQ(controller->CountLineText(), L"1 change in this folder, 3 in the job, 1 problem");
    EXPECT_GE(view.Count("WholeJob"), 2);

    // The review of the job Apply starts is of the same plan.
    EXPECT_TRUE(controller->UpdateAttributes());
    FinishJob();
    ASSERT_EQ(view.reviews.size(), 1u);
    EXPECT_EQ(view.reviews[0].changes, plan.changes);
    EXPECT_EQ(view.reviews[0].problems, plan.problems);
    EXPECT_EQ(view.reviews[0].folders, plan.folders.size());
}

TEST_F(WholeJobTest, FollowsTheTaskListTheOptionsAndTheDiskAndStopsWhenOff) {
    ChooseFolder(L"/data/", kBothBelow);
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    controller->ShowWholeJob(true);
    EXPECT_EQ(AwaitPlan().changes, 3);

    // Another task: planned again.
    ASSERT_TRUE(Submit(RenameRecord(L"b", L"y")));
    EXPECT_TRUE(controller->wholeJobPlanning());
    EXPECT_EQ(AwaitPlan().changes, 4);

    // Browsing into the subfolder changes the folder on show, not the job.
    controller->FileActivated(0, kCurrentListId);
    EXPECT_FALSE(controller->wholeJobPlanning());
    EXPECT_EQ(controller->CountLineText(), L"2 changes in this folder, 4 in the job, 1 problem");

    // Refresh plans again: the disk may have changed.
    fs.AddFile(L"/data/sub/a3.txt");
    controller->Refresh();
    EXPECT_EQ(AwaitPlan().changes, 5);

    controller->ShowWholeJob(false);
    EXPECT_FALSE(controller->wholeJobPlan());
    EXPECT_EQ(controller->CountLineText(), L"3 changes in this folder, 1 problem");
}

TEST_F(WholeJobTest, CancelStopsTheBuildAndTurnsTheViewOff) {
    ChooseFolder(L"/data/", kBothBelow);
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    fs.CloseGate();
    controller->ShowWholeJob(true);
    controller->CancelJob();
    fs.OpenGate();
    ui.RunUntil([this] { return !controller->wholeJobPlanning(); });
    EXPECT_FALSE(controller->wholeJobShown());
    EXPECT_FALSE(controller->wholeJobPlan());
}

TEST_F(WholeJobTest, NoJobNoCountAndAFolderThatIsTheJobKeepsThePlainCount) {
    EXPECT_EQ(controller->CountLineText(), L"");
    ChooseFolder(L"/data/");
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    EXPECT_EQ(controller->CountLineText(), L"1 change, 0 problems");
}

TEST(ListCountText, SaysTheFoldersAndTheJobsNumbers) {
    JobPlan job;
    job.changes = 300;
    job.problems = 1;
    EXPECT_EQ(ListCountText(100, 0, &job, true),
              L"100 changes in this folder, 300 in the job, 1 problem");
    EXPECT_EQ(ListCountText(1, 2, nullptr, true), L"1 change in this folder, 2 problems");
    EXPECT_EQ(ListCountText(1, 1, nullptr, false), L"1 change, 1 problem");
}

// "Include sub directory" with "Retrieve Files Only" lists the subfolders to
// descend into and changes files only, whatever the preference says.
TEST_F(WholeJobTest, FilesOnlyWithSubfoldersDescendsAndChangesFilesOnly) {
    fs.AddFolder(L"/data/sub/as/");
    fs.AddFile(L"/data/sub/as/a9.txt");
    PreferenceFlags both;
    both.setAttributeOption = 2;
    controller->ApplyPreferences(both);
    ChooseFolder(L"/data/", kFilesBelow);
    EXPECT_EQ(view.currentNames, (Names{L"sub", L"a.txt", L"b.txt"}));
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"q")));
    EXPECT_EQ(view.newNames, (Names{L"sub", L"q.txt", L"b.txt"}));
    const JobSettings settings = controller->JobSettingsNow();
    EXPECT_EQ(settings.listOptions.retrieve, Retrieve::kFilesAndFolders);
    EXPECT_EQ(settings.engine.attributeTarget, AttributeTarget::kFiles);

    view.reviewAnswer = true;
    ASSERT_TRUE(controller->UpdateAttributes());
    FinishJob();
    EXPECT_TRUE(fs.Exists(L"/data/q.txt"));
    EXPECT_TRUE(fs.Exists(L"/data/sub/q1.txt"));
    EXPECT_TRUE(fs.Exists(L"/data/sub/as/q9.txt"));  // the folder "as" keeps its name
}

TEST(DescendForFilesOnly, ChangesOnlyFilesOnlyWithSubfolders) {
    struct Case {
        ListOptions given;
        bool descends;
    };
    const Case cases[] = {
        {kFilesBelow, true},
        {{Retrieve::kFiles, false, HiddenSystem::kNone}, false},
        {kBothBelow, false},
        {{Retrieve::kFolders, true, HiddenSystem::kHidden}, false},
    };
    for (const Case& c : cases) {
        ListOptions options = c.given;
        AttributeTarget target = AttributeTarget::kBoth;
        EXPECT_EQ(DescendForFilesOnly(options, target), c.descends);
        EXPECT_EQ(FilesOnlyWithSubfolders(c.given), c.descends);
        EXPECT_EQ(options.retrieve, c.descends ? Retrieve::kFilesAndFolders : c.given.retrieve);
        EXPECT_EQ(target, c.descends ? AttributeTarget::kFiles : AttributeTarget::kBoth);
        EXPECT_EQ(options.includeSubfolders, c.given.includeSubfolders);
    }
}

}  // namespace
}  // namespace torvane::testing
