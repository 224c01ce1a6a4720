// The job's plan: the walk of a tree (the order, the new values per folder,
// the folders left out), the checks, and how the plan is applied.
#include "engine/plan.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "fake_file_system.hpp"
#include "platform/file_attributes.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using Lines = std::vector<std::wstring>;
using Call = FakeFileSystem::Call;

TaskItem NumberAll() {
    RenameTaskFields f;
    f.find = L"^.*$";
    f.replace = L"P##";
    f.regex = L"TRUE";
    f.numbering = L"TRUE";
    f.startNumber = L"1";
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

TaskItem ModifiedYear(std::wstring find, std::wstring replace) {
    TimestampTaskFields f;
    f.timeKind = L"Modified";
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = L"FALSE";
    return TaskItem{2, L"", BuildTaskDefinition(f)};
}

// "path -> new name" per entry, "unreadable path" or "not computed path"
// per folder left out, in the order the job meets them.
void Describe(const JobPlan& plan, std::size_t index, Lines& visits, Lines& logLines) {
    const PlannedFolder& f = plan.folders[index];
    for (const std::size_t child : f.subfolders)
        Describe(plan, child, visits, logLines);
    if (f.problem) {
        const bool computed = f.problem->rfind(L"Error processing", 0) == 0;
        visits.push_back((computed ? L"not computed " : L"unreadable ") + f.path);
        logLines.push_back(*f.problem);
        return;
    }
    for (std::size_t i = 0; i < f.current.size(); ++i)
        visits.push_back(f.current[i].FullPath() + L" -> " + f.updated[i].name);
}

// One plan's world: a file system, the messages shown, the plan.
struct WalkWorld {
    Lines Walk(const std::wstring& root, TaskList tasks) {
        settings.root = root;
        settings.tasks = std::move(tasks);
        plan = BuildPlan(settings, fs, dialogs);
        visits.clear();
        logLines.clear();
        if (!plan.folders.empty())
            Describe(plan, 0, visits, logLines);
        return visits;
    }

    FakeFileSystem fs;
    RecordingDialogs dialogs;
    JobPlan plan;
    Lines visits;
    Lines logLines;
    JobSettings settings{L"",
                         {},
                         {Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem},
                         {false, AttributeTarget::kBoth}};
};

class PlanWalkTest : public ::testing::Test, public WalkWorld {
  protected:
    testing::ScopedTimeZone tz{"UTC0"};
};

TEST_F(PlanWalkTest, SubfoldersComeFirstEachFolderNumbersOnItsOwnAndLinksAreNotEntered) {
    fs.AddFile(L"/r/x.txt");
    fs.AddFile(L"/r/d/in.txt");
    fs.AddFile(L"/r/d/e/deep.txt");
    fs.AddFile(L"/elsewhere/secret.txt");
    fs.AddSymlink(L"/r/link");
    EXPECT_EQ(Walk(L"/r", {NumberAll()}),
              (Lines{L"/r/d/e/deep.txt -> P01", L"/r/d/e -> P01", L"/r/d/in.txt -> P02",
                     L"/r/d -> P01", L"/r/link -> P02", L"/r/x.txt -> P03"}));
    EXPECT_EQ(fs.CallCount(Call::kFindEntries), 3);  // /r, /r/d, /r/d/e
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(PlanWalkTest, AFolderLeftOutIsReportedWithTheJobsLogLineAndTheWalkGoesOn) {
    const struct {
        const char* what;
        std::wstring failing;  // the folder whose listing fails, if any
        Lines visits;
        Lines logLines;
    } cases[] = {
        // /r/old holds a file whose new time is no date.
        {"old not computed",
         L"",
         {L"/r/d/b.txt -> b.txt", L"not computed /r/old/", L"/r/d -> d", L"/r/old -> old",
          L"/r/a.txt -> a.txt"},
         {L"Error processing directory:  /r/old/"}},
        {"old not computed, d unreadable",
         L"/r/d",
         {L"unreadable /r/d/", L"not computed /r/old/", L"/r/d -> d", L"/r/old -> old",
          L"/r/a.txt -> a.txt"},
         {L"Error reading directory:  /r/d/..........Permission denied\r\n",
          L"Error processing directory:  /r/old/"}},
        {"root unreadable",
         L"/r",
         {L"unreadable /r/"},
         {L"Error reading directory:  /r/..........Permission denied\r\n"}},
    };
    for (const auto& c : cases) {
        WalkWorld world;
        auto& fs = world.fs;
        fs.AddFile(L"/r/a.txt");
        fs.AddFile(L"/r/d/b.txt");
        fs.AddFile(L"/r/old/c.txt");
        fs.SetNodeTimes(L"/r/old/c.txt", 0, 915148800, 0);  // modified in 1999
        if (!c.failing.empty())
            fs.FailOn(Call::kFindEntries, c.failing, EACCES);
        EXPECT_EQ(world.Walk(L"/r/", {ModifiedYear(L"1999", L"soon")}), c.visits) << c.what;
        EXPECT_EQ(world.logLines, c.logLines) << c.what;
    }
}

TEST_F(PlanWalkTest, TheRootIsLookedAtOnceToTellAFolderFromASingleFile) {
    fs.AddFile(L"/r/one.txt");
    const struct {
        std::wstring root, path;
        bool isFile;
    } cases[] = {
        {L"/r", L"/r/", false},
        {L"/r/", L"/r/", false},
        {L"/r/one.txt", L"/r/one.txt", true},
        {L"/missing", L"/missing", true},
    };
    for (const auto& c : cases) {
        const WalkRoot root = ResolveWalkRoot(fs, c.root);
        EXPECT_EQ(root.path, c.path) << c.root;
        EXPECT_EQ(root.isFile, c.isFile) << c.root;
    }
}

}  // namespace
}  // namespace torvane
