// The console's history commands, run in this process on real temporary
// folders with an in-memory history: jobs journaled, -History, -Undo as a dry
// run and with -Apply, interrupted jobs told, a history that can't be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/history_access.hpp"
#include "cli/console_arguments.hpp"
#include "cli/run_console.hpp"
#include "console_streams.hpp"
#include "memory_history.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ConsoleStreams;
using testing::MemoryHistory;
using testing::TempDir;
using testing::WriteBytes;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ConsoleHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.Join("photos"));
        for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "notes.txt"})
            WriteBytes(dir.Join("photos/") + name, name);
    }

    struct Run {
        int status;
        std::string out, err;
    };

    // torvane-cli with these arguments, standard input not a terminal.
    Run Cli(std::vector<std::wstring> arguments, bool withHistory = true) {
        ConsoleStreams streams;
        HistoryOpener open;
        if (withHistory)
            open = [this](const HistorySettings&, std::wstring&) { return BorrowHistory(history); };
        const int status = RunConsole(arguments, L"torvane-cli", streams.Io(false, false), open);
        return Run{status, streams.Out(), streams.Err()};
    }

    std::wstring Photos() const { return FromUtf8(dir.Join("photos")); }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Join("photos")))
            names.insert(e.path().filename().string());
        return names;
    }

    // Renames IMG_ to DSC_ as a journaled job.
    void RunRenameJob() {
        const auto r = Cli({Photos(), L"-Rename", L"IMG_", L"DSC_", L"-Apply", L"-NoConfirm"});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
    }

    TempDir dir;
    MemoryHistory history;
};

TEST_F(ConsoleHistoryTest, JobIsJournaledListedAndUndoneWithApply) {
    RunRenameJob();
    auto r = Cli({L"-History"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Contains(r.out, "job 1, ")) << r.out;
    EXPECT_TRUE(Contains(r.out, ", 2 changes, 0 failures, done\n")) << r.out;

    // The dry run shows what would be restored and changes nothing.
    r = Cli({L"-Undo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "DSC_1.jpg")) << r.out;
    EXPECT_TRUE(Contains(r.out, "IMG_1.jpg")) << r.out;
    EXPECT_TRUE(Contains(r.out, "add -Apply to restore the old values")) << r.out;
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));

    // Without a terminal the question is answered No.
    r = Cli({L"-Undo", L"1", L"-Apply"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "Answered No")) << r.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));

    r = Cli({L"-Undo", L"1", L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "notes.txt"}));
    r = Cli({L"-History"});
    EXPECT_TRUE(Contains(r.out, "job 2, ")) << r.out;
    EXPECT_TRUE(Contains(r.out, "undo of job 1")) << r.out;
    EXPECT_TRUE(Contains(r.out, "undone by job 2")) << r.out;

    // The last job not undone is now the undo: undoing it redoes the job.
    r = Cli({L"-Undo", L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
}

TEST_F(ConsoleHistoryTest, EntryChangedSinceIsAProblemOfTheUndo) {
    RunRenameJob();
    std::filesystem::rename(dir.Join("photos/DSC_2.jpg"), dir.Join("photos/mine.jpg"));
    auto r = Cli({L"-Undo"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(
        Contains(r.out, "mine.jpg -> IMG_2.jpg | Problem: The entry was changed after the job"))
        << r.out;
    r = Cli({L"-Undo", L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "-SkipProblems")) << r.err;
    r = Cli({L"-Undo", L"-Apply", L"-NoConfirm", L"-SkipProblems"});
    EXPECT_EQ(r.status, 1) << r.err;  // the entry left alone is logged
    EXPECT_EQ(Names(), (std::set<std::string>{"IMG_1.jpg", "mine.jpg", "notes.txt"}));
}

TEST_F(ConsoleHistoryTest, InterruptedJobsAreToldAtTheStartOfAnyCommand) {
    JobRecord died;
    died.root = L"/photos/";
    died.outcome = JobOutcome::kInterrupted;
    died.done = 2;
    history.Put(died, std::vector<JournalEntry>(5));
    const auto r = Cli({L"-History"});
    EXPECT_EQ(r.err,
              "Warning: Job 1 on /photos/ was interrupted after at least 2 of 5 entries; to put "
              "them back "
              "as they were: torvane-cli -Undo 1 -Apply\n");
}

TEST_F(ConsoleHistoryTest, HistoryThatCantBeWrittenIsSaidOnceAndTheJobRuns) {
    history.failBegin = L"The disk is full.";
    const auto r = Cli({Photos(), L"-Rename", L"IMG_", L"DSC_", L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
    EXPECT_EQ(r.err, "Warning: " + ToUtf8(HistoryProblemMessage(L"The disk is full.")) + "\n");
}

TEST_F(ConsoleHistoryTest, HistoryThatCantBeWrittenIsSaidOnceForSeveralPaths) {
    std::filesystem::create_directory(dir.Join("more"));
    WriteBytes(dir.Join("more/IMG_3.jpg"), "3");
    history.failBegin = L"The disk is full.";
    const auto r = Cli({Photos(), FromUtf8(dir.Join("more")), L"-Rename", L"IMG_", L"DSC_",
                        L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
    EXPECT_TRUE(std::filesystem::exists(dir.Join("more/DSC_3.jpg")));
    EXPECT_EQ(r.err, "Warning: " + ToUtf8(HistoryProblemMessage(L"The disk is full.")) + "\n");
}

TEST_F(ConsoleHistoryTest, WithoutHistoryTheCommandsSaySo) {
    for (const auto& arguments :
         {std::vector<std::wstring>{L"-History"}, std::vector<std::wstring>{L"-Undo", L"3"}}) {
        const auto r = Cli(arguments, false);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(Contains(r.err, "There is no job history")) << r.err;
    }
    const auto r = Cli({L"-Undo", L"7"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "There is no job 7 in the history")) << r.err;
}

// An id that is no job id stops the run before anything is undone: the
// newest job stays done, whatever -Apply asks.
TEST_F(ConsoleHistoryTest, AWrongJobIdIsAnErrorAndNothingIsUndone) {
    RunRenameJob();
    const struct {
        std::wstring id;
        std::string shown;  // as the error prints it
    } cases[] = {
        {L"abc", "\"abc\""},
        {L"", "\"\""},
        {FromUtf8("1\xff"), "\"1\\xff\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const auto r = Cli({L"-Undo", c.id, L"-Apply", L"-NoConfirm"});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(Contains(r.err, "-Undo: " + c.shown + " is not a job id")) << r.err;
        EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
    }
}

}  // namespace
}  // namespace torvane
