// Several processes and dying ones: the window and the console write the one
// history at the same time, and a job whose process is killed is found again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "history_test_support.hpp"

namespace torvane {
namespace {

using testing::BeginOrNull;
using testing::HistoryFolder;
using testing::MadeEntries;
using testing::MadeJob;
using testing::WaitUntilStored;

// Exit statuses of the children, 0 when all went well.
enum ChildFailure { kOpenFailed = 10, kBeginFailed, kWriteFailed, kNotStored };

// Jobs a writer child stores: `jobs` of `entries` each, root naming the child.
constexpr int kJobsPerWriter = 25;
constexpr std::size_t kEntriesPerJob = 400;

// A child that waits for `go` to close, then writes its jobs and journal
// records, with nothing flushed by hand (the batches and Ended do it).
[[noreturn]] void Writer(const std::wstring& path, int go, int number) {
    char byte;
    while (::read(go, &byte, 1) > 0) {
    }
    auto opened = OpenSqliteHistory(path, HistorySettings{true, 0, 0},
                                    JournalBatching{std::chrono::milliseconds(5), 64});
    if (!opened)
        _exit(kOpenFailed);
    auto history = std::move(*opened);
    std::wstring problem;
    const auto entries = MadeEntries(kEntriesPerJob, 100);
    for (int j = 0; j < kJobsPerWriter; ++j) {
        JobRecord job = MadeJob(L"/writer" + std::to_wstring(number) + L"/" + std::to_wstring(j));
        auto journal = BeginOrNull(*history, job, entries, problem);
        if (!journal)
            _exit(kBeginFailed);
        for (std::size_t i = 0; i < kEntriesPerJob; ++i) {
            if (i % 2 == 0)
                journal->Aside(i, L"tmp" + std::to_wstring(i));
            journal->Finished(i, i % 7 == 0 ? JournalState::kFailed : JournalState::kDone);
        }
        journal->Ended(JobOutcome::kDone);
        if (history->Job(job.id).value()->done == 0)
            _exit(kWriteFailed);
    }
    _exit(0);
}

TEST(HistoryProcesses, TwoProcessesWritingAtOnceLoseNothing) {
    HistoryFolder folder;
    folder.Open();  // made here, so the children race on the writes, not on the making
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int n = 0; n < 2; ++n) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(go[1]);
            Writer(folder.path, go[0], n);
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]);  // both start now
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    const auto jobs = history->Jobs().value();
    ASSERT_EQ(jobs.size(), 2u * kJobsPerWriter);
    int perWriter[2] = {0, 0};
    const std::int64_t failures = (kEntriesPerJob + 6) / 7;
    for (const auto& job : jobs) {
        SCOPED_TRACE(ToUtf8(job.root));
        ++perWriter[job.root.rfind(L"/writer1/", 0) == 0 ? 1 : 0];
        EXPECT_EQ(job.outcome, JobOutcome::kDone);
        EXPECT_EQ(job.failures, failures);
        EXPECT_EQ(job.done, static_cast<std::int64_t>(kEntriesPerJob) - failures);
        const auto entries = history->Entries(job.id).value();
        ASSERT_EQ(entries.size(), kEntriesPerJob);
        for (std::size_t i = 0; i < kEntriesPerJob; ++i) {
            EXPECT_EQ(entries[i].state, i % 7 == 0 ? JournalState::kFailed : JournalState::kDone);
            EXPECT_EQ(entries[i].temporary, i % 2 == 0 ? L"tmp" + std::to_wstring(i) : L"");
        }
    }
    EXPECT_EQ(perWriter[0], kJobsPerWriter);
    EXPECT_EQ(perWriter[1], kJobsPerWriter);
}

// A child that begins a job of 1000 entries, records the first 400 and waits
// until they are stored, sends the job's id, records 200 more and dies
// without Ended, the way `how` says.
enum class Death { kExit, kKill };

[[noreturn]] void DyingJob(const std::wstring& path, int out, Death how) {
    auto opened = OpenSqliteHistory(path, {});
    if (!opened)
        _exit(kOpenFailed);
    auto history = std::move(*opened);
    std::wstring problem;
    JobRecord job = MadeJob();
    auto journal = BeginOrNull(*history, job, MadeEntries(1000), problem);
    if (!journal)
        _exit(kBeginFailed);
    for (std::size_t i = 0; i < 400; ++i) {
        if (i == 399)
            journal->Aside(i, L".aside");
        else
            journal->Finished(i, JournalState::kDone);
    }
    if (!WaitUntilStored(*history, job.id, 399, 399))
        _exit(kNotStored);
    if (::write(out, &job.id, sizeof job.id) != sizeof job.id)
        _exit(kWriteFailed);
    for (std::size_t i = 400; i < 600; ++i)
        journal->Finished(i, JournalState::kDone);
    if (how == Death::kKill)
        ::kill(::getpid(), SIGKILL);
    _exit(0);
}

TEST(HistoryProcesses, AJobWhoseProcessDiedIsInterruptedWithWhatWasStoredBeforeItsDeath) {
    for (const Death how : {Death::kExit, Death::kKill}) {
        SCOPED_TRACE(how == Death::kKill ? "killed" : "exited");
        HistoryFolder folder;
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(out[0]);
            DyingJob(folder.path, out[1], how);
        }
        ::close(out[1]);
        std::int64_t id = 0;
        const auto got = ::read(out[0], &id, sizeof id);
        ::close(out[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(got, static_cast<ssize_t>(sizeof id)) << "child status " << status;
        if (how == Death::kKill) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        }

        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        const auto job = history->Job(id).value();
        ASSERT_TRUE(job.has_value());
        EXPECT_EQ(job->outcome, JobOutcome::kInterrupted);
        EXPECT_EQ(history->Jobs().value().at(0).outcome, JobOutcome::kInterrupted);
        EXPECT_GE(job->done, 399);
        EXPECT_LE(job->done, 599);
        const auto entries = history->Entries(id).value();
        ASSERT_EQ(entries.size(), 1000u);
        for (std::size_t i = 0; i < 399; ++i)
            EXPECT_EQ(entries[i].state, JournalState::kDone) << i;
        EXPECT_EQ(entries[399].state, JournalState::kAside);
        EXPECT_EQ(entries[399].temporary, L".aside");
        for (std::size_t i = 600; i < 1000; ++i)
            EXPECT_EQ(entries[i].state, JournalState::kPlanned) << i;
    }
}

// Another process's job shows as running while that process lives, and as
// interrupted the moment it is killed: the kernel lets its lock go.
TEST(HistoryProcesses, AJobRunningInAnotherProcessIsRunningUntilThatProcessDies) {
    HistoryFolder folder;
    folder.Open();
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        std::wstring problem;
        auto history = OpenSqliteHistory(folder.path, {});
        JobRecord job = MadeJob();
        auto journal = history ? BeginOrNull(**history, job, MadeEntries(10), problem) : nullptr;
        if (!journal)
            _exit(kBeginFailed);
        if (::write(ready[1], &job.id, sizeof job.id) != sizeof job.id)
            _exit(kWriteFailed);
        char byte;
        while (::read(release[0], &byte, 1) > 0) {
        }
        ::kill(::getpid(), SIGKILL);
        _exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    std::int64_t id = 0;
    ASSERT_EQ(::read(ready[0], &id, sizeof id), static_cast<ssize_t>(sizeof id));
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->Job(id).value()->outcome, JobOutcome::kRunning);
    ::close(release[1]);  // the child dies now
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    EXPECT_EQ(history->Job(id).value()->outcome, JobOutcome::kInterrupted);
}

}  // namespace
}  // namespace torvane
