// The console's history commands, run in this process on real temporary
// folders with an in-memory history: jobs journaled, -History, -Undo as a dry
// run and with -Apply, interrupted jobs told, a history that can't be written.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/history_access.hpp"
#include "cli/console_arguments.hpp"
#include "cli/run_console.hpp"
#include "console_streams.hpp"
#include "history/sqlite_history.hpp"
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
    EXPECT_TRUE(Contains(r.out, ", 2 changes, 0 failures, 0 skipped, done\n")) << r.out;

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

TEST_F(ConsoleHistoryTest, EveryPathOfACommandLineIsOneJobOfTheHistory) {
    const auto r = Cli({Photos() + L"/IMG_1.jpg", Photos() + L"/IMG_2.jpg", L"-Rename", L"IMG_",
                        L"DSC_", L"-Apply", L"-NoConfirm"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto jobs = history.Jobs().value();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].entries, 2);
    EXPECT_EQ(history.Entries(jobs[0].id).value().size(), 2u);
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));

    // One undo takes the whole batch back.
    const auto undo = Cli({L"-Undo", L"-Apply", L"-NoConfirm"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "notes.txt"}));
}

TEST_F(ConsoleHistoryTest, ADamagedHistoryIsAnErrorNamingWhatCantBeRead) {
    RunRenameJob();
    history.damagedJob = 1;
    for (const bool apply : {false, true}) {
        std::vector<std::wstring> arguments{L"-Undo", L"1"};
        if (apply)
            arguments.insert(arguments.end(), {L"-Apply", L"-NoConfirm"});
        const auto r = Cli(arguments);
        EXPECT_EQ(r.status, 2) << apply;
        EXPECT_TRUE(Contains(r.err, "Error: The entries of job 1 are damaged.")) << r.err;
        EXPECT_FALSE(Contains(r.out, "sucessfully")) << r.out;
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"DSC_1.jpg", "DSC_2.jpg", "notes.txt"}));
    EXPECT_EQ(history.Job(1).value()->undoneBy, 0);

    history.damagedJobs = true;
    const auto listed = Cli({L"-History"});
    EXPECT_EQ(listed.status, 2);
    EXPECT_TRUE(Contains(listed.err, "The job history is damaged")) << listed.err;
    EXPECT_FALSE(Contains(listed.out, "No job in the history.")) << listed.out;
}

// Runs SQL on a history file as another program would.
void RunSql(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Overwrites the first page of table `table`'s b-tree with bytes no page
// holds: the file still looks whole, its table can't be read.
void SpoilTable(const std::string& file, const char* table) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    const std::string sql =
        std::string(
            "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_schema "
            "WHERE name = '") +
        table + "'";
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const auto page = sqlite3_column_int64(st, 0);
    const auto size = sqlite3_column_int64(st, 1);
    sqlite3_finalize(st);
    sqlite3_close(db);
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp((page - 1) * size);
    const std::string junk(64, '\xff');
    out.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

// A history on disk damaged in one place: every command that reads it says
// so and exits with 2, and an undo of a damaged job changes nothing.
TEST_F(ConsoleHistoryTest, ADamagedHistoryIsAnErrorOfEveryCommandThatReadsIt) {
    const struct {
        const char* name;
        void (*damage)(const std::string& file);
        std::vector<std::wstring> command;
        const char* says;
    } cases[] = {
        {"packs cut short",
         [](const std::string& f) {
             RunSql(f, "UPDATE packs SET data = substr(data, 1, length(data) - 3)");
         },
         {L"-Undo", L"1", L"-Apply", L"-NoConfirm"},
         "job 1"},
        {"a count no row can hold",
         [](const std::string& f) { RunSql(f, "UPDATE packs SET count = 2147483648"); },
         {L"-Undo", L"1", L"-Apply", L"-NoConfirm"},
         "job 1"},
        {"the jobs table",
         [](const std::string& f) { SpoilTable(f, "jobs"); },
         {L"-History"},
         "damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir state;
        const std::string file = state.Join("history.sqlite3");
        const HistoryOpener open = [&](const HistorySettings& settings, std::wstring& problem) {
            auto history = OpenSqliteHistory(FromUtf8(file), settings);
            if (!history) {
                problem = history.error().text;
                return std::unique_ptr<History>();
            }
            return std::move(*history);
        };
        const auto cli = [&](const std::vector<std::wstring>& arguments) {
            ConsoleStreams streams;
            const int status =
                RunConsole(arguments, L"torvane-cli", streams.Io(false, false), open);
            return Run{status, streams.Out(), streams.Err()};
        };
        std::filesystem::remove_all(dir.Join("photos"));
        SetUp();
        ASSERT_EQ(cli({Photos(), L"-Rename", L"IMG_", L"DSC_", L"-Apply", L"-NoConfirm"}).status,
                  0);
        const auto names = Names();
        c.damage(file);
        const auto r = cli(c.command);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
        EXPECT_EQ(Names(), names);
    }
}

}  // namespace
}  // namespace torvane
