// The dry run: its lines, and its walk checked against the job it stands for.
#include "cli/dry_run.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "console_streams.hpp"
#include "engine/apply_task.hpp"
#include "engine/job.hpp"
#include "engine/plan_text.hpp"
#include "fake_file_system.hpp"
#include "job_support.hpp"
#include "platform/file_attributes.hpp"
#include "platform/progress.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using Lines = std::vector<std::wstring>;

constexpr std::uint32_t A = FILE_ATTRIBUTE_ARCHIVE;

TaskItem Rename(std::wstring find, std::wstring replace, bool regex = false,
                bool numbering = false) {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.numbering = numbering ? L"TRUE" : L"FALSE";
    f.startNumber = L"1";
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

TaskItem Attribute(std::wstring pattern, std::uint32_t word) {
    AttributeTaskFields f;
    f.find = std::move(pattern);
    f.attributes = std::to_wstring(word);
    f.regex = L"TRUE";
    return TaskItem{2, L"", BuildTaskDefinition(f)};
}

TaskItem Timestamp(std::wstring kind, std::wstring find, std::wstring replace) {
    TimestampTaskFields f;
    f.timeKind = std::move(kind);
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = L"FALSE";
    return TaskItem{3, L"", BuildTaskDefinition(f)};
}

FileEntry Entry(std::wstring folder, std::wstring name, std::uint32_t attributes = A,
                std::int64_t time = 0) {
    FileEntry e;
    e.folderPath = std::move(folder);
    e.name = std::move(name);
    e.attributes = attributes;
    e.created = e.modified = e.accessed = time;
    return e;
}

TEST(DryRunTextTest, AttributeChangesNameOnlyTheSevenThatChange) {
    const struct {
        std::uint32_t before, after;
        std::wstring text;
    } cases[] = {
        {A, A, L""},
        {A, A | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, L"+Hidden +Read-only"},
        {A | FILE_ATTRIBUTE_SYSTEM, 0, L"-Archive -System"},
        // Index is on while not-content-indexed is clear.
        {0, FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, L"-Index"},
        {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 0, L"+Index"},
        {0, FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED, L"+Compress +Encrypt"},
        // Bits outside the seven are no change of theirs.
        {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AttributeChanges(c.before, c.after), c.text) << c.before << " " << c.after;
}

TEST(DryRunTextTest, PathsAreWrittenRelativeToTheRootFolder) {
    const struct {
        std::wstring root, base;
    } cases[] = {
        {L"/r/", L"/r/"},
        {L"/r/a.jpg", L"/r/"},
        {L"a.jpg", L"./"},
        {L"photos/", L"photos/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayBase(c.root), c.base) << c.root;
}

TEST(DryRunTextTest, ALineShowsTheNamesSideBySideAndOnlyWhatChanges) {
    ScopedTimeZone tz("UTC0");
    const FileEntry before = Entry(L"/r/sub/", L"a.jpg", A, 1625313909);
    FileEntry renamed = before;
    renamed.name = L"b.jpg";
    FileEntry retimed = before;
    retimed.modified = 1593777909;  // a year earlier
    FileEntry both = renamed;
    both.attributes = A | FILE_ATTRIBUTE_READONLY;
    both.created = 0;

    EXPECT_EQ(DescribeChange(before, before, L"/r/"), std::nullopt);
    EXPECT_EQ(DescribeChange(before, renamed, L"/r/"), L"sub/a.jpg -> sub/b.jpg");
    EXPECT_EQ(
        DescribeChange(before, retimed, L"/r/"),
        L"sub/a.jpg -> sub/a.jpg | Modified 07/03/2021 12:05:09 PM -> 07/03/2020 12:05:09 PM");
    EXPECT_EQ(DescribeChange(before, both, L"/elsewhere/"),
              L"/r/sub/a.jpg -> /r/sub/b.jpg | Created 07/03/2021 12:05:09 PM -> 01/01/1970 "
              L"12:00:00 AM | Attributes +Read-only");
}

// A new name that names no entry of the folder is not printed as a path:
// "sub/" would read as the folder itself, "sub/x/y" as a path below it.
TEST(DryRunTextTest, ANameThatNamesNoEntryIsShownForWhatItIs) {
    const FileEntry before = Entry(L"/r/sub/", L"a.txt", A, 0);
    const struct {
        std::wstring name;
        std::wstring line;
    } cases[] = {
        {L"", L"sub/a.txt -> (empty name)"},
        {L".", L"sub/a.txt -> (unusable name \".\")"},
        {L"..", L"sub/a.txt -> (unusable name \"..\")"},
        {L"x/y", L"sub/a.txt -> (unusable name \"x/y\")"},
        {L"...", L"sub/a.txt -> sub/..."},
    };
    for (const auto& c : cases) {
        FileEntry renamed = before;
        renamed.name = c.name;
        EXPECT_EQ(DescribeChange(before, renamed, L"/r/"), c.line);
    }
}

class DryRunWalkTest : public ::testing::Test {
  protected:
    // The dry run as the console runs it: the plan of the job, described.
    DryRunReport Run(const std::wstring& root, const TaskList& tasks, ListOptions options,
                     AttributeTarget attributeTarget = AttributeTarget::kFiles) {
        settings = JobSettings{{root}, tasks, options, {false, attributeTarget}};
        const JobPlan plan = BuildPlan(settings, fs, dialogs);
        return DescribePlan(plan, PlanDisplayRoot(plan));
    }

    // The job on the same settings, returning the file system's changes;
    // its result is kept in `job`.
    std::vector<std::wstring> RunTheJob() {
        class Quiet : public JobObserver {
            void JobStep(int) override {}
            void JobDone(const JobResult&) override {}
        } observer;
        job = RunJob(settings, fs, dialogs, observer, 0);
        return fs.changes();
    }

    ScopedTimeZone tz{"UTC0"};
    FakeFileSystem fs;
    RecordingDialogs dialogs;
    JobSettings settings;
    JobResult job;
};

TEST_F(DryRunWalkTest, SubfoldersComeFirstWithTheirOwnNumberingAsInTheJob) {
    fs.AddFile(L"/r/x.jpg");
    fs.AddFile(L"/r/y.jpg");
    fs.AddFile(L"/r/d/in.jpg");
    fs.AddFile(L"/r/d/e/deep.jpg");
    const TaskList tasks = {Rename(L"^.*$", L"P##", true, true)};
    const auto report = Run(L"/r/", tasks, {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
                            AttributeTarget::kBoth);
    EXPECT_EQ(report.lines,
              (Lines{L"d/e/deep.jpg -> d/e/P01", L"d/e -> d/P01", L"d/in.jpg -> d/P02", L"d -> P01",
                     L"x.jpg -> P02", L"y.jpg -> P03"}));
    EXPECT_EQ(report.entries, 6);
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_TRUE(dialogs.messages().empty());

    EXPECT_EQ(RunTheJob(), (Lines{L"Move /r/d/e/deep.jpg -> /r/d/e/P01", L"Move /r/d/e -> /r/d/P01",
                                  L"Move /r/d/in.jpg -> /r/d/P02", L"Move /r/d -> /r/P01",
                                  L"Move /r/x.jpg -> /r/P02", L"Move /r/y.jpg -> /r/P03"}));
}

TEST_F(DryRunWalkTest, WithoutSubfoldersOrFoldersListedNothingBelowIsShown) {
    fs.AddFile(L"/r/a.jpg");
    fs.AddFile(L"/r/d/b.jpg");
    const TaskList tasks = {Rename(L"jpg", L"png")};
    // Subfolders included, but files only: no folder is listed to go into.
    EXPECT_EQ(Run(L"/r/", tasks, {Retrieve::kFiles, true, HiddenSystem::kNone}).lines,
              Lines{L"a.jpg -> a.png"});
    EXPECT_EQ(Run(L"/r/", tasks, {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}).lines,
              Lines{L"a.jpg -> a.png"});
    EXPECT_EQ(Run(L"/r/", tasks, {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone}).lines,
              (Lines{L"d/b.jpg -> d/b.png", L"a.jpg -> a.png"}));
}

TEST_F(DryRunWalkTest, TheKindFilterAndLinkedFoldersAreRespected) {
    fs.AddFile(L"/r/a.txt");
    fs.AddFolder(L"/r/folder");
    fs.AddFile(L"/r/folder/b.txt");
    fs.AddFile(L"/r/linked/c.txt");
    fs.AddFolder(L"/r/linked", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    const TaskList tasks = {Attribute(L".*", A | FILE_ATTRIBUTE_HIDDEN)};
    const ListOptions all{Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem};
    // Files only: the folders pass unchanged; one is gone into, the linked
    // one is not.
    EXPECT_EQ(Run(L"/r/", tasks, all, AttributeTarget::kFiles).lines,
              (Lines{L"folder/b.txt -> folder/b.txt | Attributes +Hidden",
                     L"a.txt -> a.txt | Attributes +Hidden"}));
    // A linked folder has no attributes of its own: the plan says so.
    EXPECT_EQ(Run(L"/r/", tasks, all, AttributeTarget::kFolders).lines,
              (Lines{L"folder -> folder | Attributes +Archive +Hidden",
                     L"linked -> linked | Attributes +Archive +Hidden | Problem: A symbolic link "
                     L"has no attributes of its own to change."}));
}

TEST_F(DryRunWalkTest, AnUnreadableSubfolderIsReportedAndTheRestGoesOn) {
    fs.AddFile(L"/r/a.jpg");
    fs.AddFile(L"/r/d/b.jpg");
    fs.AddFile(L"/r/e/c.jpg");
    fs.FailOn(FakeFileSystem::Call::kFindEntries, L"/r/d", EACCES);
    const auto report = Run(L"/r/", {Rename(L"jpg", L"png")},
                            {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    EXPECT_EQ(report.lines,
              (Lines{L"e/c.jpg -> e/c.png",
                     L"d | Problem: This folder could not be read; nothing in it will change.",
                     L"a.jpg -> a.png"}));
    EXPECT_EQ(report.problems, 1);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::kError);
}

TEST_F(DryRunWalkTest, AFolderLeftOutIsReportedAsTheJobLogsItAndTheSameEntriesChange) {
    fs.AddFile(L"/r/a.jpg");
    fs.AddFile(L"/r/d/b.jpg");
    fs.AddFile(L"/r/e/f.jpg");
    fs.AddFile(L"/r/old/c.jpg", A, 915148800);  // 1999: its new modified time is no date
    fs.FailOn(FakeFileSystem::Call::kFindEntries, L"/r/d", EACCES);
    const TaskList tasks = {Rename(L"jpg", L"png"), Timestamp(L"Modified", L"1999", L"soon")};

    const auto report = Run(L"/r/", tasks, {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
    EXPECT_EQ(report.lines,
              (Lines{L"e/f.jpg -> e/f.png",
                     L"d | Problem: This folder could not be read; nothing in it will change.",
                     L"old | Problem: The new values of the entries in this folder could not be "
                     L"computed; nothing in it will change.",
                     L"a.jpg -> a.png"}));
    EXPECT_EQ(report.folderProblems,
              (Lines{L"Error reading directory:  /r/d/..........Permission denied\r\n",
                     L"Error processing directory:  /r/old/"}));
    EXPECT_TRUE(fs.changes().empty());
    const auto dryRunMessages = dialogs.messages();
    ASSERT_EQ(dryRunMessages.size(), 2u);

    EXPECT_EQ(RunTheJob(), (Lines{L"Move /r/e/f.jpg -> /r/e/f.png", L"Move /r/a.jpg -> /r/a.png"}));
    EXPECT_TRUE(job.error);
    EXPECT_EQ(Lines(job.log.begin() + 1, job.log.end()), report.folderProblems);
    // The job shows the same messages again, in the same order.
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 4u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(messages[2 + i].text, dryRunMessages[i].text);
        EXPECT_EQ(messages[2 + i].icon, MessageIcon::kError);
    }
}

TEST(DryRunPrintTest, ChangesAndSummaryGoToOutputAndFoldersLeftOutToErrors) {
    testing::ConsoleStreams streams;
    Terminal terminal(streams.Io(false, false));
    DryRunReport report;
    report.lines = {L"a -> b", L"c -> d"};
    report.entries = 3;
    report.changes = 2;
    report.problems = 2;
    report.folderProblems = {L"Error reading directory:  /r/d/..........Permission denied\r\n",
                             L"Error processing directory:  /r/old/"};
    PrintDryRunReport(terminal, report);
    EXPECT_EQ(streams.Out(),
              "a -> b\nc -> d\nDry run: 2 of 3 entries would change, 2 problems. Nothing was "
              "changed; add -Apply to apply the task list (and -SkipProblems to leave the entries "
              "with a problem alone).\n");
    EXPECT_EQ(streams.Err(),
              "Error reading directory:  /r/d/..........Permission denied\n"
              "Error processing directory:  /r/old/\n");
}

TEST(DryRunSummaryTest, CountsTheChangingEntriesAmongAllAndTheProblems) {
    DryRunReport report;
    report.lines = {L"a -> b"};
    report.entries = 4;
    report.changes = 1;
    EXPECT_EQ(DryRunSummary(report),
              L"Dry run: 1 of 4 entries would change, 0 problems. Nothing was changed; add -Apply "
              L"to apply the task list.");
    report.problems = 1;
    EXPECT_EQ(DryRunSummary(report),
              L"Dry run: 1 of 4 entries would change, 1 problem. Nothing was changed; add -Apply "
              L"to apply the task list (and -SkipProblems to leave the entries with a problem "
              L"alone).");
}

}  // namespace
}  // namespace torvane
