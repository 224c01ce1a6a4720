#include "engine/job.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/messages.hpp"
#include "fake_file_system.hpp"
#include "job_support.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using Call = FakeFileSystem::Call;

TaskItem Rename(const std::wstring& find, const std::wstring& repl, bool numbering = false,
                const std::wstring& start = L"1", bool regex = false) {
    RenameTaskFields f;
    f.find = find;
    f.replace = repl;
    f.numbering = numbering ? L"TRUE" : L"FALSE";
    f.startNumber = numbering ? start : L"0";
    f.regex = regex ? L"TRUE" : L"FALSE";
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

TaskItem Attribute(const std::wstring& find, std::uint32_t word, bool regex = true) {
    AttributeTaskFields f;
    f.find = find;
    f.attributes = std::to_wstring(word);
    f.regex = regex ? L"TRUE" : L"FALSE";
    return TaskItem{2, L"", BuildTaskDefinition(f)};
}

TaskItem Timestamp(const std::wstring& kind, const std::wstring& find, const std::wstring& repl,
                   bool regex = false) {
    TimestampTaskFields f;
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.timeKind = kind;
    f.find = find;
    f.replace = repl;
    return TaskItem{3, L"", BuildTaskDefinition(f)};
}

// Records the observer's calls in the order they come.
class RecordingObserver : public JobObserver {
  public:
    void JobStep(int entries) override {
        EXPECT_FALSE(done) << "a step after the completion";
        steps += entries;
    }
    void JobDone(const JobResult& result) override {
        EXPECT_FALSE(done) << "two completions";
        done = true;
        doneLog = result.log;
    }
    int steps = 0;
    bool done = false;
    ErrorLog doneLog;
};

class JobTest : public ::testing::Test {
  protected:
    JobResult Run(const std::wstring& root, TaskList tasks, bool includeSubfolders = false,
                  AttributeTarget attributeTarget = AttributeTarget::kFiles,
                  Retrieve retrieve = Retrieve::kFiles) {
        JobSettings settings;
        settings.paths = {root};
        settings.tasks = std::move(tasks);
        settings.listOptions.includeSubfolders = includeSubfolders;
        settings.listOptions.retrieve = retrieve;
        settings.engine.attributeTarget = attributeTarget;
        return RunJob(settings, fs, dialogs, observer, 1625313909);
    }

    ScopedTimeZone tz{"UTC0"};
    FakeFileSystem fs;
    RecordingDialogs dialogs;
    RecordingObserver observer;
};

TEST_F(JobTest, RenamesEveryListedFileAndReportsEachStepThenTheCompletion) {
    fs.AddFile(L"/r/a.txt");
    fs.AddFile(L"/r/b.txt");
    fs.AddFolder(L"/r/sub");
    const auto result = Run(L"/r/", {Rename(L".txt", L".md")});
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.log, ErrorLog{L"Log file started on: 2021-07-03 12-05-09\n"});
    EXPECT_TRUE(fs.Exists(L"/r/a.md"));
    EXPECT_TRUE(fs.Exists(L"/r/b.md"));
    EXPECT_EQ(observer.steps, 2);  // the folder is not listed with files only
    EXPECT_TRUE(observer.done);
    EXPECT_EQ(observer.doneLog, result.log);
    EXPECT_FALSE(result.renamedRoot.has_value());
}

TEST_F(JobTest, NumberingRestartsInEveryFolderAndSubfoldersGoFirstUnderTheirOldPath) {
    fs.AddFile(L"/r/x.jpg");
    fs.AddFile(L"/r/y.jpg");
    fs.AddFile(L"/r/d.jpg/in.jpg");  // a folder whose name the task changes too
    const auto result = Run(L"/r", {Rename(L"^.*$", L"P##", true, L"1", true)}, true,
                            AttributeTarget::kBoth, Retrieve::kFilesAndFolders);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? result.log[1] : L"");
    EXPECT_EQ(fs.PathsUnder(L"/r"),
              (std::vector<std::wstring>{L"/r/P01", L"/r/P01/P01", L"/r/P02", L"/r/P03"}));
    EXPECT_EQ(fs.changes(), (std::vector<std::wstring>{
                                L"Move /r/d.jpg/in.jpg -> /r/d.jpg/P01", L"Move /r/d.jpg -> /r/P01",
                                L"Move /r/x.jpg -> /r/P02", L"Move /r/y.jpg -> /r/P03"}));
}

TEST_F(JobTest, FilesOnlyStillDescendsButChangesNoFolder) {
    fs.AddFile(L"/r/sub/a.txt");
    fs.AddFile(L"/r/b.txt");
    Run(L"/r/", {Rename(L"a", L"z"), Rename(L"sub", L"bus"), Rename(L"b", L"c")}, true,
        AttributeTarget::kFiles, Retrieve::kFilesAndFolders);
    EXPECT_EQ(fs.PathsUnder(L"/r"),
              (std::vector<std::wstring>{L"/r/c.txt", L"/r/sub", L"/r/sub/z.txt"}));
    EXPECT_EQ(observer.steps, 3);  // a folder passed over still takes its step
}

TEST_F(JobTest, TheRootFolderItselfIsNeverChanged) {
    fs.AddFile(L"/r/a");
    Run(L"/r/", {Rename(L"r", L"q"), Attribute(L".*", FILE_ATTRIBUTE_HIDDEN)}, true,
        AttributeTarget::kBoth, Retrieve::kFilesAndFolders);
    EXPECT_TRUE(fs.Exists(L"/r"));
    EXPECT_EQ(fs.Lookup(L"/r")->attributes, FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(JobTest, ASingleFileRootRenamedComesBackInTheResult) {
    fs.AddFile(L"/r/one.txt");
    fs.AddFile(L"/r/other.txt");
    const auto result = Run(L"/r/one.txt", {Rename(L"one", L"two")});
    EXPECT_EQ(result.renamedRoot, std::wstring(L"/r/two.txt"));
    EXPECT_TRUE(fs.Exists(L"/r/other.txt"));
    EXPECT_EQ(observer.steps, 1);
}

TEST_F(JobTest, ACollisionLeavesBothEntriesAndLogsTheSecond) {
    fs.AddFile(L"/r/a1.txt");
    fs.AddFile(L"/r/a2.txt");
    // Both become a.txt: the second move must fail, never replace.
    const auto result = Run(L"/r/", {Rename(L"[0-9]", L"", false, L"1", true)});
    EXPECT_TRUE(result.error);
    ASSERT_EQ(result.log.size(), 2u);
    EXPECT_EQ(result.log[1], L"Error renaming file:  /r/a2.txt..........File exists\r\n");
    EXPECT_EQ(fs.PathsUnder(L"/r"), (std::vector<std::wstring>{L"/r/a.txt", L"/r/a2.txt"}));
}

TEST_F(JobTest, AFailedRenameSkipsTheEntrysOtherSteps) {
    fs.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_ARCHIVE);
    fs.FailOn(Call::kMove, L"/r/a.txt", EACCES);
    const auto result = Run(L"/r/", {Rename(L"a", L"b"), Attribute(L".*", FILE_ATTRIBUTE_HIDDEN),
                                     Timestamp(L"Modified", L"1970", L"1999")});
    EXPECT_TRUE(result.error);
    EXPECT_EQ(fs.CallCount(Call::kSetAttributes), 0);
    EXPECT_EQ(fs.CallCount(Call::kOpen), 0);
    EXPECT_EQ(result.log.size(), 2u);
}

// Each entry is all or nothing: when one of its steps fails, what the earlier
// ones changed is put back (word, times, then the name), or the failure's
// log line names what stayed changed.
TEST_F(JobTest, AFailedStepLeavesTheEntryAsItWasFoundOrSaysWhatStayedChanged) {
    struct Case {
        const char* what;
        std::vector<std::pair<Call, std::wstring>> failing;  // each fails with EIO
        std::wstring path;                                   // where the entry is after
        std::uint32_t attributes;                            // its word after
        std::wstring logEnd;                                 // how its log line ends
    };
    const std::wstring kPutBack = L"The entry's earlier changes were put back.\r\n";
    const Case cases[] = {
        {"attributes fail",
         {{Call::kSetAttributes, L"/r/b.txt"}},
         L"/r/a.txt",
         FILE_ATTRIBUTE_ARCHIVE,
         kPutBack},
        {"times fail",
         {{Call::kSetTimes, L"/r/b.txt"}},
         L"/r/a.txt",
         FILE_ATTRIBUTE_ARCHIVE,
         kPutBack},
        {"the entry can't be remembered",
         {{Call::kRemember, L"/r/b.txt"}},
         L"/r/a.txt",
         FILE_ATTRIBUTE_ARCHIVE,
         kPutBack},
        {"times and the put-back fail",
         {{Call::kSetTimes, L"/r/b.txt"}, {Call::kPutBack, L"/r/b.txt"}},
         L"/r/a.txt",
         FILE_ATTRIBUTE_HIDDEN,
         L"Stayed changed: the attributes.\r\n"},
        {"times and the rename back fail",
         {{Call::kSetTimes, L"/r/b.txt"}, {Call::kMove, L"/r/b.txt"}},
         L"/r/b.txt",
         FILE_ATTRIBUTE_ARCHIVE,
         L"Stayed changed: the name (now b.txt).\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem disk;
        disk.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_ARCHIVE, 86400);
        for (const auto& [call, path] : c.failing)
            disk.FailOn(call, path, EIO);
        JobSettings settings;
        settings.paths = {L"/r/"};
        settings.tasks = {Rename(L"a", L"b"), Attribute(L".*", FILE_ATTRIBUTE_HIDDEN),
                          Timestamp(L"Modified", L"1970", L"1999")};
        RecordingObserver seen;
        const auto result = RunJob(settings, disk, dialogs, seen, 1625313909);
        EXPECT_TRUE(result.error);
        const auto node = disk.Lookup(c.path);
        ASSERT_TRUE(node.has_value());
        EXPECT_EQ(disk.PathsUnder(L"/r/").size(), 1u);
        EXPECT_EQ(node->attributes, c.attributes);
        EXPECT_EQ(node->modified, 86400);
        EXPECT_EQ(node->created, 86400);
        ASSERT_EQ(result.log.size(), 2u);
        EXPECT_TRUE(result.log[1].ends_with(c.logEnd)) << ToUtf8(result.log[1]);
    }
}

// Without a rename, a failed time step takes the new word back.
TEST_F(JobTest, AFailedTimeStepPutsTheWordBackOnAnEntryThatKeepsItsName) {
    fs.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_ARCHIVE, 86400);
    fs.FailOn(Call::kSetTimes, L"/r/a.txt", ENOSPC);
    const auto result = Run(L"/r/", {Attribute(L".*", FILE_ATTRIBUTE_HIDDEN),
                                     Timestamp(L"Modified", L"1970", L"1999")});
    EXPECT_TRUE(result.error);
    EXPECT_EQ(fs.Lookup(L"/r/a.txt")->attributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fs.changes(),
              (std::vector<std::wstring>{L"SetAttributes /r/a.txt 2", L"PutBack /r/a.txt"}));
}

TEST_F(JobTest, AttributesAndTimesFollowTheRenameUnderTheNewName) {
    fs.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_ARCHIVE, 86400);
    const auto result = Run(L"/r/", {Rename(L"a", L"b"), Attribute(L".*", FILE_ATTRIBUTE_HIDDEN),
                                     Timestamp(L"Modified", L"1970", L"1999")});
    EXPECT_FALSE(result.error);
    const auto node = fs.Lookup(L"/r/b.txt");
    ASSERT_TRUE(node.has_value());
    EXPECT_EQ(node->attributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(node->modified, 86400 + 915148800);  // 1999-01-02 00:00:00 UTC
    EXPECT_EQ(node->created, 86400);
}

TEST_F(JobTest, UnchangedValuesAreNotWritten) {
    fs.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_HIDDEN, 86400);
    Run(L"/r/",
        {Rename(L"zzz", L"y"), Attribute(L".*", FILE_ATTRIBUTE_HIDDEN),
         Timestamp(L"Modified", L"1999", L"2000")},
        false, AttributeTarget::kFiles);
    EXPECT_TRUE(fs.changes().empty());
}

TEST_F(JobTest, ATimestampResultThatIsNoDateLeavesTheFolderAndBelowUntouched) {
    fs.AddFile(L"/r/a.txt");
    fs.AddFile(L"/r/sub/b.txt");
    const auto result =
        Run(L"/r/", {Rename(L"a", L"z"), Timestamp(L"Modified", L"^.*$", L"soon", true)}, true,
            AttributeTarget::kBoth, Retrieve::kFilesAndFolders);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.log, (ErrorLog{L"Log file started on: 2021-07-03 12-05-09\n",
                                    L"Error processing directory:  /r/"}));
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(JobTest, AnInvalidPatternShowsItsMessageAndIsLoggedPerFolder) {
    fs.AddFile(L"/r/a.txt");
    fs.AddFile(L"/r/s/b.txt");
    const auto result = Run(L"/r/", {Rename(L"(", L"x", false, L"1", true)}, true,
                            AttributeTarget::kFiles, Retrieve::kFilesAndFolders);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.log.size(), 2u);
    EXPECT_EQ(result.log[1], L"Error processing directory:  /r/");
    EXPECT_EQ(dialogs.messages().size(), 1u);  // the root folder is computed first
    EXPECT_TRUE(fs.changes().empty());
}

// The job has one time budget for all its folders (the clock here reads a
// second later every time): once a folder's computation runs past it, that
// folder and every later one are logged like folders with an invalid pattern
// and left as they were, and the user is told once.
TEST_F(JobTest, OneTimeBudgetForTheWholeJobIsSpentOnceAndSaidOnce) {
    for (int folder = 0; folder < 10; ++folder) {
        for (int i = 0; i < 3; ++i)
            fs.AddFile(L"/r/f" + std::to_wstring(folder) + L"/IMG_" + std::to_wstring(i) + L".jpg");
    }
    JobSettings settings;
    settings.paths = {L"/r/"};
    settings.tasks = {Rename(L"IMG_(\\d+)", L"Trip $1", false, L"1", true)};
    settings.listOptions.includeSubfolders = true;
    settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
    settings.engine.timeBudget = std::chrono::seconds(5);
    // Which folder runs past the budget depends on the order folders are
    // computed in: one thread computes them in the walk's order. (This
    // clock is one thread's too.)
    settings.engine.folderThreads = 1;
    std::chrono::steady_clock::time_point now{};
    settings.engine.clock = [&now] { return now += std::chrono::seconds(1); };
    const auto result = RunJob(settings, fs, dialogs, observer, 1625313909);
    EXPECT_TRUE(result.error);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              ExpressionTooSlowMessage(L"IMG_(\\d+)", 5, 6, L"IMG_2.jpg").Plain());
    // The first folder was computed within the budget; the second ran past
    // it and the eight after it had none left.
    EXPECT_EQ(result.log.size(), 1u + 9u);
    EXPECT_EQ(result.log[1], L"Error processing directory:  /r/f1/");
    EXPECT_TRUE(fs.Exists(L"/r/f0/Trip 2.jpg"));
    EXPECT_TRUE(fs.Exists(L"/r/f1/IMG_0.jpg"));
    EXPECT_EQ(fs.changes().size(), 3u);
}

// An expression that backtracks past the matcher's limits on every name
// gives up at the first one: one message, naming it, for the whole job.
TEST_F(JobTest, AnExpressionThatBacktracksGivesUpOnceForTheWholeJob) {
    const std::wstring name(40, L'a');
    for (int folder = 0; folder < 10; ++folder)
        fs.AddFile(L"/r/f" + std::to_wstring(folder) + L"/" + name);
    JobSettings settings;
    settings.paths = {L"/r/"};
    settings.tasks = {Rename(L"(a|aa)*(a|aa)*(a|aa)*c", L"x", false, L"1", true)};
    settings.listOptions.includeSubfolders = true;
    settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
    const auto result = RunJob(settings, fs, dialogs, observer, 1625313909);
    EXPECT_TRUE(result.error);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text,
              ExpressionBacktracksMessage(L"(a|aa)*(a|aa)*(a|aa)*c", name).Plain());
    EXPECT_EQ(result.log.size(), 1u + 10u);
    EXPECT_TRUE(fs.changes().empty());
}

TEST_F(JobTest, AnUnreadableSubfolderIsLoggedAndTheJobGoesOn) {
    fs.AddFile(L"/r/s/b.txt");
    fs.AddFile(L"/r/a.txt");
    fs.FailOn(Call::kFindEntries, L"/r/s", EACCES);
    const auto result = Run(L"/r/", {Rename(L".txt", L".md")}, true, AttributeTarget::kFiles,
                            Retrieve::kFilesAndFolders);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.log[1], L"Error reading directory:  /r/s/..........Permission denied\r\n");
    EXPECT_TRUE(fs.Exists(L"/r/a.md"));
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Error!  Permission denied\r\n");
}

TEST_F(JobTest, SymbolicLinksAreNeverFollowed) {
    fs.AddFile(L"/elsewhere/secret.txt");
    fs.AddSymlink(L"/r/link");
    fs.AddFile(L"/r/a.txt");
    Run(L"/r/", {Rename(L"secret", L"x")}, true, AttributeTarget::kBoth,
        Retrieve::kFilesAndFolders);
    EXPECT_TRUE(fs.Exists(L"/elsewhere/secret.txt"));
    EXPECT_EQ(fs.CallCount(Call::kFindEntries), 1);
}

// Another user swaps a subfolder the job has listed for a link to a folder
// elsewhere (or for another folder), at the worst moment. The job works
// through the folders it opened, so nothing outside the tree it listed is
// ever touched, and what it refused is logged.
TEST_F(JobTest, ASubfolderSwappedForALinkBeforeItIsEnteredIsLeftAloneAndLogged) {
    fs.AddFile(L"/r/sub/a.txt");
    fs.AddFile(L"/etc/a.txt");
    fs.BeforeFolderCall(Call::kOpenFolder, L"/r/sub", [&] {
        ASSERT_TRUE(fs.Move(L"/r/sub", L"/r-away").ok());
        fs.AddSymlink(L"/r/sub");
    });
    const auto result = Run(L"/r/", {Rename(L"a", L"b")}, true, AttributeTarget::kFiles,
                            Retrieve::kFilesAndFolders);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.log[1],
              L"Error reading directory:  /r/sub/..........The folder was replaced "
              L"by another entry after it was listed; nothing in it was changed.");
    EXPECT_TRUE(fs.Exists(L"/etc/a.txt"));
    EXPECT_TRUE(fs.Exists(L"/r-away/a.txt"));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(JobTest, ASubfolderSwappedForAnotherFolderIsNotEntered) {
    fs.AddFile(L"/r/sub/a.txt");
    fs.AddFile(L"/etc/a.txt");
    fs.BeforeFolderCall(Call::kOpenFolder, L"/r/sub", [&] {
        ASSERT_TRUE(fs.Move(L"/r/sub", L"/r-away").ok());
        ASSERT_TRUE(fs.Move(L"/etc", L"/r/sub").ok());
    });
    const auto result = Run(L"/r/", {Rename(L"a.txt", L"b.txt")}, true, AttributeTarget::kFiles,
                            Retrieve::kFilesAndFolders);
    EXPECT_TRUE(result.error);
    EXPECT_TRUE(fs.Exists(L"/r/sub/a.txt"));
    EXPECT_TRUE(fs.Exists(L"/r-away/a.txt"));
}

TEST_F(JobTest, AFolderMovedAwayAfterItsListingIsChangedWhereItIsNotWhereItWas) {
    fs.AddFile(L"/r/sub/a.txt");
    fs.AddFile(L"/r/sub/b.txt");
    fs.AddFile(L"/etc/b.txt");
    // Between the listing and the steps on its second entry, the folder is
    // moved away and a link to another folder takes its name.
    fs.BeforeFolderCall(Call::kMove, L"/r/sub/b.txt", [&] {
        ASSERT_TRUE(fs.Move(L"/r/sub", L"/r-away").ok());
        fs.AddSymlink(L"/r/sub");
    });
    const auto result =
        Run(L"/r/", {Rename(L".txt", L".md"), Attribute(L".*", FILE_ATTRIBUTE_READONLY)}, true,
            AttributeTarget::kFiles, Retrieve::kFilesAndFolders);
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(fs.Exists(L"/r-away/a.md"));
    EXPECT_TRUE(fs.Exists(L"/r-away/b.md"));
    EXPECT_EQ(fs.Lookup(L"/r-away/b.md")->attributes, FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(fs.Exists(L"/etc/b.txt"));
    EXPECT_EQ(fs.Lookup(L"/etc/b.txt")->attributes, FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(JobTest, RunsOnAWorkerThreadWithStepsInOrderAndTheCompletionLast) {
    for (int i = 0; i < 200; ++i)
        fs.AddFile(L"/r/f" + std::to_wstring(i));
    JobSettings settings;
    settings.paths = {L"/r/"};
    settings.tasks = {Rename(L"f", L"g")};
    JobResult result;
    std::thread worker([&] { result = RunJob(settings, fs, dialogs, observer, 0); });
    worker.join();
    EXPECT_EQ(observer.steps, 200);
    EXPECT_TRUE(observer.done);
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(fs.Exists(L"/r/g199"));
}

// Asks the job to stop at the poll after `pollsBeforeStop` polls.
class StoppingObserver : public RecordingObserver {
  public:
    explicit StoppingObserver(int pollsBeforeStop) : left_(pollsBeforeStop) {}
    bool StopRequested() override { return left_-- <= 0; }

  private:
    int left_;
};

TEST_F(JobTest, AStopBetweenEntriesLeavesTheRestUntouchedAndSaysWhere) {
    struct Case {
        const char* what;
        std::vector<std::wstring> files;
        TaskList tasks;
        int polls;
        std::vector<std::wstring> after;
        std::wstring stoppedBefore;
    };
    const std::vector<Case> cases = {
        {"between two renames",
         {L"/r/a.txt", L"/r/b.txt", L"/r/c.txt"},
         {Rename(L".txt", L".md")},
         2,
         {L"/r/a.md", L"/r/b.md", L"/r/c.txt"},
         L"/r/c.txt"},
        // A swap is one step: the stop comes before it or after it, never
        // while one of the two is under a temporary name.
        {"after a cycle",
         {L"/r/a", L"/r/b", L"/r/c"},
         {Rename(L"^a$", L"x", false, L"1", true), Rename(L"^b$", L"a", false, L"1", true),
          Rename(L"^x$", L"b", false, L"1", true), Rename(L"^c$", L"d", false, L"1", true)},
         1,
         {L"/r/a", L"/r/b", L"/r/c"},
         L"/r/c"},
        {"before a subfolder's entries, so nothing of its parent is done either",
         {L"/r/sub/a.txt", L"/r/b.txt"},
         {Rename(L".txt", L".md")},
         0,
         {L"/r/b.txt", L"/r/sub", L"/r/sub/a.txt"},
         L"/r/sub/a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem disk;
        for (const auto& file : c.files)
            disk.AddFile(file);
        JobSettings settings;
        settings.paths = {L"/r/"};
        settings.tasks = c.tasks;
        settings.listOptions.includeSubfolders = true;
        settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
        StoppingObserver stopping(c.polls);
        const auto result = RunJob(settings, disk, dialogs, stopping, 1625313909);
        EXPECT_TRUE(result.cancelled);
        EXPECT_FALSE(result.error);
        EXPECT_EQ(disk.PathsUnder(L"/r"), c.after);
        ASSERT_FALSE(result.log.empty());
        EXPECT_EQ(result.log.back(),
                  ErrorLogLine(kJobCancelledBefore, c.stoppedBefore, kJobCancelledMessage));
        EXPECT_TRUE(stopping.done);
    }
}

}  // namespace
}  // namespace torvane
