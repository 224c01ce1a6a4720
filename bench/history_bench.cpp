// The history store: what storing a job's plan costs before its first write,
// what the journal costs the job per entry, and what reading it back costs.
// The file is in a fresh folder under $TMPDIR (or /tmp), removed at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "borrowed_history.hpp"
#include "history/sqlite_history.hpp"
#include "platform/text.hpp"
#include "stored_journal.hpp"

namespace torvane {
namespace {

constexpr std::size_t kEntries = 100000;

JournalEntry Entry(std::size_t i) {
    JournalEntry e;
    e.folder = L"/home/user/Pictures/2023/batch " + std::to_wstring(i / 1000) + L"/";
    e.id = FileId{2049, 1000000 + i};
    e.oldName = L"IMG_" + std::to_wstring(20230000 + i) + L".jpg";
    e.newName = L"2023-05-14 12.34.56 holiday " + std::to_wstring(i) + L".jpg";
    e.oldCreated = 1684067696 + static_cast<std::int64_t>(i);
    e.oldModified = e.oldCreated;
    e.oldAccessed = e.oldCreated;
    e.newCreated = e.newModified = e.newAccessed = 1684067696;
    e.oldAttributes = 0x20;
    e.newAttributes = 0x21;
    e.rename = e.attributes = e.times = true;
    return e;
}

const std::vector<JournalEntry>& Entries() {
    static const std::vector<JournalEntry> entries = [] {
        std::vector<JournalEntry> v;
        for (std::size_t i = 0; i < kEntries; ++i)
            v.push_back(Entry(i));
        return v;
    }();
    return entries;
}

JobRecord Job() {
    JobRecord job;
    job.root = L"/home/user/Pictures/";
    job.tasks = L"Rename\tIMG_(\\d+)\t$1\r\n";
    job.options = L"Files, subfolders included";
    job.frontEnd = L"torvane-cli";
    return job;
}

// A folder for one benchmark's history, removed with it.
struct Folder {
    Folder() {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-bench-XXXXXX";
        if (::mkdtemp(templ.data()) != nullptr)
            path = templ;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::unique_ptr<History> Open(const HistorySettings& settings,
                                  const JournalBatching& batching = {}) const {
        auto history = OpenSqliteHistory(FromUtf8(path + "/history.sqlite3"), settings, batching);
        return history ? std::move(*history) : nullptr;
    }
    std::string path;
};

// The database and its companions, in bytes.
std::uintmax_t FilesSize(const Folder& folder) {
    std::uintmax_t total = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(folder.path + "/history.sqlite3" + suffix, ec);
        total += ec ? 0 : size;
    }
    return total;
}

std::unique_ptr<JobJournal> Begin(History& history) {
    JobRecord job = Job();
    auto begun = history.Begin(job, JournalEntryList(Entries()));
    return begun ? std::move(*begun) : nullptr;
}

// Begin of 100,000 entries into an empty history (cleared untimed between
// iterations).
void BM_BeginOneHundredThousand(benchmark::State& state) {
    Folder folder;
    auto history = folder.Open({});
    Entries();
    for (auto _ : state) {
        auto journal = Begin(*history);
        state.PauseTiming();
        if (!journal)
            state.SkipWithError("Begin failed");
        journal->Ended(JobOutcome::kDone);
        journal.reset();
        state.counters["file_MB"] = static_cast<double>(FilesSize(folder)) / (1 << 20);
        history->Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_BeginOneHundredThousand)->Unit(benchmark::kMillisecond);

// The same once the history is full: each Begin forgets a job of 100,000
// entries as it stores the new one.
void BM_BeginOneHundredThousandForgettingOne(benchmark::State& state) {
    Folder folder;
    auto history = folder.Open(HistorySettings{true, 2, 0});
    for (int i = 0; i < 2; ++i)
        Begin(*history)->Ended(JobOutcome::kDone);
    for (auto _ : state) {
        auto journal = Begin(*history);
        state.PauseTiming();
        journal->Ended(JobOutcome::kDone);
        journal.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_BeginOneHundredThousandForgettingOne)->Unit(benchmark::kMillisecond);

// A job's records: every entry finished, one in three set aside first.
void RecordEveryEntry(JobJournal& journal) {
    const std::wstring temporary = L".torvane-aside";
    for (std::size_t i = 0; i < kEntries; ++i) {
        if (i % 3 == 0)
            journal.Aside(i, temporary);
        journal.Finished(i, JournalState::kDone);
    }
}

// Records every entry of a fresh job each round; with `timeEnded`, Ended
// (which returns once every record is written) is timed too.
void RunJournal(benchmark::State& state, bool timeEnded) {
    Folder folder;
    auto history = folder.Open({});
    for (auto _ : state) {
        state.PauseTiming();
        auto journal = Begin(*history);
        state.ResumeTiming();
        RecordEveryEntry(*journal);
        if (!timeEnded)
            state.PauseTiming();
        journal->Ended(JobOutcome::kDone);
        if (timeEnded)
            state.PauseTiming();
        journal.reset();
        history->Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

// What the job's thread pays per entry: Finished (and Aside for one entry in
// three), the batches being written by the journal's own thread meanwhile.
void BM_JournalCallsPerEntry(benchmark::State& state) {
    RunJournal(state, false);
}
BENCHMARK(BM_JournalCallsPerEntry)->Unit(benchmark::kMillisecond);

// What storing the records costs, wherever it is paid: the calls for
// 100,000 entries and Ended, which returns once all are written.
void BM_JournalWrittenToTheEnd(benchmark::State& state) {
    RunJournal(state, true);
}
BENCHMARK(BM_JournalWrittenToTheEnd)->Unit(benchmark::kMillisecond);

// One batch as the journal's thread writes it: `range` records.
void BM_JournalBatch(benchmark::State& state) {
    const auto batch = static_cast<std::size_t>(state.range(0));
    Folder folder;
    // The journal writes as soon as `batch` records wait, as it does at 4,096.
    auto history = folder.Open({}, JournalBatching{std::chrono::milliseconds(50), batch});
    auto journal = Begin(*history);
    const std::int64_t id = history->Jobs().value().front().id;
    std::size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i + 1 < batch; ++i)
            journal->Finished((next + i) % kEntries, JournalState::kDone);
        state.ResumeTiming();
        // The batch's last record wakes the writer; timed until a reader sees
        // the batch stored (read again at once, so the time includes about
        // one read of the job after the commit).
        journal->Finished((next + batch - 1) % kEntries, JournalState::kDone);
        next += batch;
        testing::WaitUntilStored(*history, id, static_cast<std::int64_t>(next), std::nullopt,
                                 std::chrono::microseconds(0));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    journal->Ended(JobOutcome::kDone);
}
BENCHMARK(BM_JournalBatch)->Arg(1)->Arg(100)->Arg(4096)->Unit(benchmark::kMicrosecond);

// Opening a history that holds a job of 100,000 entries (each program's
// start), listing its jobs, and reading a job's entries back (the undo's plan).
void BM_OpenListAndRead(benchmark::State& state) {
    Folder folder;
    {
        auto history = folder.Open({});
        Begin(*history)->Ended(JobOutcome::kDone);
    }
    for (auto _ : state) {
        auto history = folder.Open({});
        const auto jobs = history->Jobs().value();
        const auto entries = history->Entries(jobs.front().id).value();
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_OpenListAndRead)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state) {
    Folder folder;
    {
        auto history = folder.Open({});
        Begin(*history)->Ended(JobOutcome::kDone);
    }
    for (auto _ : state) {
        auto history = folder.Open({});
        benchmark::DoNotOptimize(history.get());
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvane
