// The store's own behaviour in one process: what goes in comes back, jobs are
// told apart by how they ended, and the history stays bounded.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "history/entry_packs.hpp"
#include "history/history_rows.hpp"
#include "history_test_support.hpp"

namespace torvane {
namespace {

using testing::BeginJob;
using testing::HistoryFolder;
using testing::MadeEntries;
using testing::MadeEntry;
using testing::MadeJob;
using testing::RunSql;
using testing::WaitUntilStored;

void ExpectSameEntry(const JournalEntry& got, const JournalEntry& want, std::size_t i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(got.folder, want.folder);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.oldName, want.oldName);
    EXPECT_EQ(got.newName, want.newName);
    EXPECT_EQ(got.oldCreated, want.oldCreated);
    EXPECT_EQ(got.oldModified, want.oldModified);
    EXPECT_EQ(got.oldAccessed, want.oldAccessed);
    EXPECT_EQ(got.newCreated, want.newCreated);
    EXPECT_EQ(got.newModified, want.newModified);
    EXPECT_EQ(got.newAccessed, want.newAccessed);
    EXPECT_EQ(got.oldAttributes, want.oldAttributes);
    EXPECT_EQ(got.newAttributes, want.newAttributes);
    EXPECT_EQ(got.rename, want.rename);
    EXPECT_EQ(got.attributes, want.attributes);
    EXPECT_EQ(got.times, want.times);
    EXPECT_EQ(got.temporary, want.temporary);
    EXPECT_EQ(got.state, want.state);
    EXPECT_EQ(got.before, want.before);
}

void ExpectSameJob(const JobRecord& got, const JobRecord& want) {
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.started, want.started);
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.undoes, want.undoes);
    EXPECT_EQ(got.root, want.root);
    EXPECT_EQ(got.tasks, want.tasks);
    EXPECT_EQ(got.options, want.options);
    EXPECT_EQ(got.frontEnd, want.frontEnd);
    EXPECT_EQ(got.entries, want.entries);
    EXPECT_EQ(got.done, want.done);
    EXPECT_EQ(got.failures, want.failures);
    EXPECT_EQ(got.skipped, want.skipped);
    EXPECT_EQ(got.outcome, want.outcome);
    EXPECT_EQ(got.undoneBy, want.undoneBy);
}

// Names as the core holds them: invalid UTF-8 comes as U+DC80..U+DCFF.
const std::string kInvalidBytes = "bad\xff\xfe name\x80.txt";
const std::wstring kInvalidName = FromUtf8(kInvalidBytes);
const std::wstring kAccented = L"\u00c4rger \u65e5\u672c \U0001F600.txt";

// Every field set to something other than its default, every step
// combination, three folders with the first coming back after the second,
// names and folders with invalid UTF-8 and with characters beyond ASCII, new
// values equal to the old ones.
std::vector<JournalEntry> EveryKindOfEntry() {
    std::vector<JournalEntry> entries;
    JournalEntry a = MadeEntry(0);
    a.folder = L"/data/" + kInvalidName + L"/";
    a.oldName = kInvalidName;
    a.newName = kAccented;
    a.temporary = L".torvane-tmp-" + kInvalidName;
    a.state = JournalState::kAside;
    a.id = FileId{0xFFFFFFFFFFFFFFFFull, 0x8000000000000001ull};  // beyond int64
    // The state as found: a record of raw bytes (a NUL among them), times
    // with nanoseconds below and above the whole seconds kept.
    a.before = EntryState{
        0464, a.oldModified * 1000000000 + 999999999, a.oldAccessed * 1000000000 - 1, true, true,
        true, std::string("0x\0\x11\xff", 5)};
    entries.push_back(a);

    JournalEntry b = MadeEntry(1);
    b.folder = L"/data/\u00e9t\u00e9/";
    b.oldName = kAccented;
    b.newName = kInvalidName;
    b.rename = false;
    b.oldCreated = -11644473600;  // before 1970
    b.newAttributes = 0xFFFFFFFFu;
    b.state = JournalState::kSkipped;
    b.before = EntryState{07777, 0, -1, false, true, false, {}};  // no record at all
    entries.push_back(b);

    JournalEntry c = MadeEntry(2);
    c.folder = a.folder;
    c.attributes = false;
    c.times = false;
    c.newName = L"";
    c.state = JournalState::kPlanned;
    entries.push_back(c);

    JournalEntry d = MadeEntry(3);
    d.folder = L"/";
    d.rename = false;
    d.attributes = false;
    d.newCreated = 0x7FFFFFFFFFFFFFFF;
    d.oldAccessed = -0x7FFFFFFFFFFFFFFF - 1;  // times are kept as differences: these wrap
    d.state = JournalState::kFailed;
    entries.push_back(d);

    // Nothing new at all (a job whose task changed nothing here).
    JournalEntry e = MadeEntry(4);
    e.oldName = e.newName = kAccented;
    e.newCreated = e.oldCreated;
    e.newModified = e.oldModified;
    e.newAccessed = e.oldAccessed;
    e.newAttributes = e.oldAttributes;
    entries.push_back(e);
    return entries;
}

TEST(SqliteHistory, AJobAndEveryFieldOfItsEntriesComeBackFromAnotherConnection) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    // Every kind of entry, many times over.
    std::vector<JournalEntry> entries;
    for (int copy = 0; copy < 15; ++copy) {
        for (auto e : EveryKindOfEntry()) {
            e.id.inode += static_cast<std::uint64_t>(copy);
            e.oldName = e.oldName.wide() + std::to_wstring(copy);
            entries.push_back(e);
        }
    }
    JobRecord job = MadeJob(L"/data/" + kInvalidName + L"/" + kAccented);
    job.started = 1700000000;
    job.kind = JobKind::kUndo;
    job.undoes = 41;
    job.tasks = L"Rename\t" + kAccented + L"\t" + kInvalidName + L"\r\nAttributes\t33\r\n";
    job.frontEnd = L"torvane";
    job.entries = 75;
    auto journal = BeginJob(*history, job, entries);
    ASSERT_NE(journal, nullptr);
    EXPECT_GT(job.id, 0);
    EXPECT_EQ(job.outcome, JobOutcome::kRunning);

    // Everything is stored when Begin returns: another store sees it at once.
    auto other = folder.Open();
    ASSERT_NE(other, nullptr);
    const auto jobs = other->Jobs().value();
    ASSERT_EQ(jobs.size(), 1u);
    ExpectSameJob(jobs[0], job);
    const auto one = other->Job(job.id).value();
    ASSERT_TRUE(one.has_value());
    ExpectSameJob(*one, job);
    const auto stored = other->Entries(job.id).value();
    ASSERT_EQ(stored.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        ExpectSameEntry(stored[i], entries[i], i);
    EXPECT_FALSE(other->Job(job.id + 1).value().has_value());
    EXPECT_TRUE(other->Entries(job.id + 1).value().empty());
}

TEST(SqliteHistory, EntriesAcrossSeveralPacksAndFoldersComeBackInOrderWithTheirProgress) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    // Folders that end neither with a pack nor where the next one would.
    constexpr std::size_t kCount = 2 * history::kPackEntries + 7;
    const auto entries = MadeEntries(kCount, history::kPackEntries + 3);
    JobRecord job = MadeJob();
    auto journal = BeginJob(*history, job, entries);
    ASSERT_NE(journal, nullptr);
    // Records out of position order, over several batches, an entry put
    // aside in one batch and finished in a later one.
    journal->Aside(kCount - 1, L".torvane-cycle-1-0");
    ASSERT_TRUE(WaitUntilStored(*history, job.id, 0, kCount - 1));
    for (std::size_t i = kCount - 1; i-- > 0;)
        journal->Finished(i, i % 5 == 0 ? JournalState::kFailed : JournalState::kDone);
    ASSERT_TRUE(WaitUntilStored(*history, job.id, kCount - 1));
    journal->Finished(kCount - 1, JournalState::kDone);
    journal->Ended(JobOutcome::kDone);

    const auto stored = history->Entries(job.id).value();
    ASSERT_EQ(stored.size(), kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        JournalEntry want = entries[i];
        want.state = i % 5 == 0 && i != kCount - 1 ? JournalState::kFailed : JournalState::kDone;
        if (i == kCount - 1)
            want.temporary = L".torvane-cycle-1-0";
        ExpectSameEntry(stored[i], want, i);
    }
    const auto counted = history->Job(job.id).value();
    ASSERT_TRUE(counted.has_value());
    EXPECT_EQ(counted->failures, static_cast<std::int64_t>((kCount - 2) / 5 + 1));
    EXPECT_EQ(counted->done + counted->failures, static_cast<std::int64_t>(kCount));
}

// A row that does not read gives no entries at all: an undo must never act
// on entries read wrong.
// Files written by every version hold these numbers: they must never move
// with the order of the engine's values, and each reads back as itself.
TEST(SqliteHistory, StoredCodesAreTheFilesOwnNumbers) {
    using namespace history;
    const std::pair<JobOutcome, std::int64_t> outcomes[] = {{JobOutcome::kRunning, 0},
                                                            {JobOutcome::kDone, 1},
                                                            {JobOutcome::kCancelled, 2},
                                                            {JobOutcome::kInterrupted, 3}};
    for (const auto& [value, code] : outcomes) {
        EXPECT_EQ(Stored(value), code);
        EXPECT_EQ(OutcomeOf(code), value);
    }
    const std::pair<JournalState, std::int64_t> states[] = {{JournalState::kPlanned, 0},
                                                            {JournalState::kAside, 1},
                                                            {JournalState::kDone, 2},
                                                            {JournalState::kFailed, 3},
                                                            {JournalState::kSkipped, 4}};
    for (const auto& [value, code] : states) {
        EXPECT_EQ(Stored(value), code);
        EXPECT_EQ(StateOf(code), value);
    }
    EXPECT_EQ(Stored(JobKind::kJob), 0);
    EXPECT_EQ(Stored(JobKind::kUndo), 1);
    EXPECT_EQ(KindOf(1), JobKind::kUndo);
    // A number no version wrote reads as the first value.
    EXPECT_EQ(OutcomeOf(9), JobOutcome::kRunning);
    EXPECT_EQ(StateOf(-1), JournalState::kPlanned);
}

TEST(SqliteHistory, ADamagedPackOrProgressRowIsAnErrorNamingTheJob) {
    const struct {
        const char* name;
        const char* damage;
    } kDamages[] = {
        {"pack cut short", "UPDATE packs SET data = substr(data, 1, length(data) - 3)"},
        {"pack with bytes over", "UPDATE packs SET data = data || x'00'"},
        {"pack counting more entries", "UPDATE packs SET count = count + 1"},
        {"pack counting more entries than a row holds", "UPDATE packs SET count = 2147483648"},
        {"pack counting fewer entries than it holds", "UPDATE packs SET count = -1"},
        {"progress naming no entry",
         "INSERT INTO progress(key, data) SELECT max(key) + 1, "
         "x'6402' FROM progress"},
        {"progress cut inside a number",
         "INSERT INTO progress(key, data) SELECT max(key) + 1, "
         "x'80' FROM progress"},
    };
    for (const auto& d : kDamages) {
        SCOPED_TRACE(d.name);
        HistoryFolder folder;
        std::int64_t id = 0;
        {
            auto history = folder.Open();
            ASSERT_NE(history, nullptr);
            JobRecord job = MadeJob();
            auto journal = BeginJob(*history, job, MadeEntries(10));
            journal->Finished(0, JournalState::kDone);
            journal->Ended(JobOutcome::kDone);
            id = job.id;
            ASSERT_EQ(history->Entries(id).value().size(), 10u);
        }
        RunSql(folder.file, d.damage);
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        const auto entries = history->Entries(id);
        ASSERT_FALSE(entries.ok());
        EXPECT_EQ(entries.error().code, EBADMSG);
        EXPECT_NE(entries.error().text.find(L"job " + std::to_wstring(id)), std::wstring::npos)
            << ToUtf8(entries.error().text);
        EXPECT_TRUE(history->Job(id).value().has_value());
    }
}

// A file of the first version stored a row per entry; it is upgraded in
// place and its jobs are still read and undone.
TEST(SqliteHistory, AHistoryWithARowPerEntryIsUpgradedAndItsJobsStillRead) {
    HistoryFolder folder;
    folder.Open().reset();
    // Started now, so that retention keeps it.
    const std::string now = std::to_string(std::time(nullptr));
    RunSql(folder.file,
           ("DROP TABLE packs; DROP TABLE progress; ALTER TABLE jobs DROP COLUMN skipped;"
            "INSERT INTO jobs VALUES(7, " +
            now +
            ", 0, 0, CAST('/data/' AS BLOB), "
            "CAST('' AS BLOB), CAST('files' AS BLOB), CAST('torvane-cli' AS BLOB), 2, 1, 0, 1, 0);"
            "INSERT INTO folders VALUES(7, 0, CAST('/data/' AS BLOB));"
            "INSERT INTO entries VALUES((7 << 32) | 0, 0, 2049, 11, CAST('a.txt' AS BLOB), "
            "CAST('b.txt' AS BLOB), 1, 2, 3, NULL, NULL, NULL, 32, NULL, 1, NULL, 2);"
            "INSERT INTO entries VALUES((7 << 32) | 1, 0, 2049, 12, CAST('c.txt' AS BLOB), NULL, "
            "1, 2, 3, NULL, 99, NULL, 32, 33, 6, CAST('.t' AS BLOB), 1);"
            "PRAGMA user_version=1;")
               .c_str());
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    const auto legacy = history->Entries(7).value();
    ASSERT_EQ(legacy.size(), 2u);
    EXPECT_EQ(legacy[0].folder, L"/data/");
    EXPECT_EQ(legacy[0].id, (FileId{2049, 11}));
    EXPECT_EQ(legacy[0].oldName, L"a.txt");
    EXPECT_EQ(legacy[0].newName, L"b.txt");
    EXPECT_TRUE(legacy[0].rename);
    EXPECT_EQ(legacy[0].state, JournalState::kDone);
    EXPECT_EQ(legacy[1].newName, L"c.txt");
    EXPECT_EQ(legacy[1].newModified, 99);
    EXPECT_EQ(legacy[1].newAccessed, 3);
    EXPECT_EQ(legacy[1].newAttributes, 33u);
    EXPECT_TRUE(legacy[1].attributes && legacy[1].times && !legacy[1].rename);
    EXPECT_EQ(legacy[1].temporary, L".t");
    EXPECT_EQ(legacy[1].state, JournalState::kAside);
    EXPECT_EQ(history->Job(7).value()->skipped, 0);

    // New jobs go into packs beside the old one, and forgetting the old one
    // takes its rows.
    JobRecord job = MadeJob();
    BeginJob(*history, job, MadeEntries(3))->Ended(JobOutcome::kDone);
    EXPECT_EQ(history->Entries(job.id).value().size(), 3u);
    ASSERT_EQ(history->Jobs().value().size(), 2u);
    history->Clear();
    EXPECT_TRUE(history->Entries(7).value().empty());
    EXPECT_TRUE(history->Jobs().value().empty());
}

TEST(SqliteHistory, NamesAreStoredAsTheirBytesOnDisk) {
    HistoryFolder folder;
    {
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        JobRecord job = MadeJob();
        auto entries = MadeEntries(1);
        entries[0].oldName = kInvalidName;
        entries[0].newName = kAccented;
        BeginJob(*history, job, entries)->Ended(JobOutcome::kDone);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    // The entry is in its folder's pack, its names as length and bytes.
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT data FROM packs", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const std::string pack(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                           static_cast<std::size_t>(sqlite3_column_bytes(st, 0)));
    const auto holds = [&pack](const std::string& bytes) {
        return pack.find(static_cast<char>(bytes.size()) + bytes) != std::string::npos;
    };
    EXPECT_TRUE(holds(kInvalidBytes));
    EXPECT_TRUE(holds(ToUtf8(kAccented)));
    EXPECT_TRUE(holds("\xc3\x84rger \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80.txt"));
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(SqliteHistory, TheJournalRecordsStatesTemporaryNamesCountsAndTheOutcome) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    JobRecord job = MadeJob();
    auto entries = MadeEntries(5);
    auto journal = BeginJob(*history, job, entries);
    ASSERT_NE(journal, nullptr);
    journal->Aside(1, L".tmp-" + kInvalidName);
    journal->Aside(3, L".tmp-3");
    journal->Finished(0, JournalState::kDone);
    journal->Finished(2, JournalState::kFailed);
    journal->Finished(4, JournalState::kSkipped);
    journal->Finished(1, JournalState::kDone);
    journal->Ended(JobOutcome::kCancelled);

    const auto stored = history->Entries(job.id).value();
    ASSERT_EQ(stored.size(), 5u);
    const JournalState want[] = {JournalState::kDone, JournalState::kDone, JournalState::kFailed,
                                 JournalState::kAside, JournalState::kSkipped};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(stored[i].state, want[i]) << i;
    EXPECT_EQ(stored[1].temporary, L".tmp-" + kInvalidName);
    EXPECT_EQ(stored[3].temporary, L".tmp-3");
    EXPECT_EQ(stored[0].temporary, L"");
    const auto record = history->Job(job.id).value();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->done, 2);
    EXPECT_EQ(record->failures, 1);
    EXPECT_EQ(record->skipped, 1);
    EXPECT_EQ(record->outcome, JobOutcome::kCancelled);
}

// A file of the third version has no count of skipped entries; it is
// upgraded in place, its jobs read 0 skipped, and new jobs count them.
TEST(SqliteHistory, AHistoryWithoutSkippedCountsIsUpgradedAndCountsThemFromThen) {
    HistoryFolder folder;
    std::int64_t old = 0;
    {
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        JobRecord job = MadeJob();
        auto journal = BeginJob(*history, job, MadeEntries(3));
        journal->Finished(0, JournalState::kDone);
        journal->Finished(1, JournalState::kFailed);
        journal->Ended(JobOutcome::kDone);
        old = job.id;
    }
    RunSql(folder.file, "ALTER TABLE jobs DROP COLUMN skipped; PRAGMA user_version=3;");
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    const auto before = history->Job(old).value();
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(before->done, 1);
    EXPECT_EQ(before->failures, 1);
    EXPECT_EQ(before->skipped, 0);
    EXPECT_EQ(history->Entries(old).value().size(), 3u);

    JobRecord job = MadeJob();
    auto journal = BeginJob(*history, job, MadeEntries(3));
    journal->Finished(0, JournalState::kSkipped);
    journal->Finished(1, JournalState::kSkipped);
    journal->Finished(2, JournalState::kDone);
    journal->Ended(JobOutcome::kDone);
    const auto counted = history->Job(job.id).value();
    ASSERT_TRUE(counted.has_value());
    EXPECT_EQ(counted->done, 1);
    EXPECT_EQ(counted->failures, 0);
    EXPECT_EQ(counted->skipped, 2);
    history.reset();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), kHistorySchemaVersion);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// How a job shows depends on how its journal ended: still running in this
// process, ended with an outcome, or abandoned without Ended (as a process
// that dies leaves it).
TEST(SqliteHistory, AJobShowsRunningUntilItEndsAndInterruptedWhenItsJournalIsAbandoned) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    struct Case {
        const char* name;
        std::optional<JobOutcome> ended;  // nullopt: the journal goes away without Ended
        JobOutcome shown;
    };
    const Case cases[] = {
        {"done", JobOutcome::kDone, JobOutcome::kDone},
        {"cancelled", JobOutcome::kCancelled, JobOutcome::kCancelled},
        {"abandoned", std::nullopt, JobOutcome::kInterrupted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobRecord job = MadeJob();
        auto journal = BeginJob(*history, job, MadeEntries(3));
        ASSERT_NE(journal, nullptr);
        journal->Finished(0, JournalState::kDone);
        EXPECT_EQ(history->Job(job.id).value()->outcome, JobOutcome::kRunning);
        EXPECT_EQ(history->Jobs().value().front().outcome, JobOutcome::kRunning);
        if (c.ended)
            journal->Ended(*c.ended);
        journal.reset();
        EXPECT_EQ(history->Job(job.id).value()->outcome, c.shown);
        EXPECT_EQ(history->Jobs().value().front().outcome, c.shown);
        // What was given before the end is kept either way.
        EXPECT_EQ(history->Job(job.id).value()->done, 1);
        EXPECT_EQ(history->Entries(job.id).value()[0].state, JournalState::kDone);
    }
}

TEST(SqliteHistory, JobsAreListedNewestFirstWithIncreasingIds) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 4; ++i) {
        JobRecord job = MadeJob(L"/root" + std::to_wstring(i));
        BeginJob(*history, job, MadeEntries(2))->Ended(JobOutcome::kDone);
        if (!ids.empty()) {
            EXPECT_GT(job.id, ids.back());
        }
        ids.push_back(job.id);
    }
    const auto jobs = history->Jobs().value();
    ASSERT_EQ(jobs.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(jobs[i].id, ids[3 - i]);
        EXPECT_EQ(jobs[i].root, L"/root" + std::to_wstring(3 - i));
    }
}

TEST(SqliteHistory, MarkUndoneRecordsTheUndoAndZeroClearsIt) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    JobRecord job = MadeJob();
    BeginJob(*history, job, MadeEntries(2))->Ended(JobOutcome::kDone);
    JobRecord undo = MadeJob();
    undo.kind = JobKind::kUndo;
    undo.undoes = job.id;
    BeginJob(*history, undo, MadeEntries(2))->Ended(JobOutcome::kDone);
    history->MarkUndone(job.id, undo.id);
    EXPECT_EQ(folder.Open()->Job(job.id).value()->undoneBy, undo.id);
    EXPECT_EQ(history->Job(undo.id).value()->undoneBy, 0);
    history->MarkUndone(job.id, 0);
    EXPECT_EQ(history->Job(job.id).value()->undoneBy, 0);
}

std::vector<std::int64_t> IdsOf(History& history) {
    std::vector<std::int64_t> ids;
    const auto jobs = history.Jobs().value();
    for (const auto& job : jobs)
        ids.push_back(job.id);
    return ids;
}

TEST(SqliteHistory, RetentionKeepsTheNewestJobsAndNeverARunningOne) {
    HistoryFolder folder;
    auto history = folder.Open(HistorySettings{true, 3, 0});
    ASSERT_NE(history, nullptr);
    JobRecord running = MadeJob();
    auto runningJournal = BeginJob(*history, running, MadeEntries(10));
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 5; ++i) {
        JobRecord job = MadeJob();
        BeginJob(*history, job, MadeEntries(10))->Ended(JobOutcome::kDone);
        ids.push_back(job.id);
    }
    EXPECT_EQ(IdsOf(*history), (std::vector<std::int64_t>{ids[4], ids[3], ids[2], running.id}));
    EXPECT_TRUE(history->Entries(ids[0]).value().empty());
    EXPECT_TRUE(history->Entries(ids[1]).value().empty());
    EXPECT_EQ(history->Entries(running.id).value().size(), 10u);

    // Once it has ended it counts like any other.
    runningJournal->Ended(JobOutcome::kDone);
    JobRecord last = MadeJob();
    BeginJob(*history, last, MadeEntries(10))->Ended(JobOutcome::kDone);
    EXPECT_EQ(IdsOf(*history), (std::vector<std::int64_t>{last.id, ids[4], ids[3]}));
}

TEST(SqliteHistory, RetentionForgetsJobsOlderThanTheDaysKept) {
    HistoryFolder folder;
    auto history = folder.Open(HistorySettings{true, 0, 90});
    ASSERT_NE(history, nullptr);
    const std::int64_t now = std::time(nullptr);
    JobRecord old = MadeJob();
    old.started = now - 91 * 86400;
    BeginJob(*history, old, MadeEntries(10))->Ended(JobOutcome::kDone);
    JobRecord oldRunning = MadeJob();
    oldRunning.started = now - 200 * 86400;
    auto oldRunningJournal = BeginJob(*history, oldRunning, MadeEntries(10));
    JobRecord recent = MadeJob();
    recent.started = now - 89 * 86400;
    BeginJob(*history, recent, MadeEntries(10))->Ended(JobOutcome::kDone);

    JobRecord today = MadeJob();
    BeginJob(*history, today, MadeEntries(10))->Ended(JobOutcome::kDone);
    EXPECT_GE(today.started, now);
    EXPECT_EQ(IdsOf(*history), (std::vector<std::int64_t>{today.id, recent.id, oldRunning.id}));
    EXPECT_TRUE(history->Entries(old.id).value().empty());
}

std::uintmax_t SizeOfFiles(const std::string& file) {
    std::uintmax_t total = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat st {};
        if (::stat((file + suffix).c_str(), &st) == 0)
            total += static_cast<std::uintmax_t>(st.st_size);
    }
    return total;
}

TEST(SqliteHistory, ClearForgetsEveryEndedJobGivesTheSpaceBackAndKeepsARunningOne) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    for (int i = 0; i < 3; ++i) {
        JobRecord job = MadeJob();
        BeginJob(*history, job, MadeEntries(5000))->Ended(JobOutcome::kDone);
    }
    JobRecord running = MadeJob();
    auto journal = BeginJob(*history, running, MadeEntries(10));
    const auto before = SizeOfFiles(folder.file);
    history->Clear();
    EXPECT_EQ(IdsOf(*history), (std::vector<std::int64_t>{running.id}));
    EXPECT_LT(SizeOfFiles(folder.file), before / 4);

    // The running job goes on being recorded, and then goes too.
    journal->Finished(3, JournalState::kDone);
    journal->Ended(JobOutcome::kDone);
    EXPECT_EQ(history->Job(running.id).value()->done, 1);
    history->Clear();
    EXPECT_TRUE(history->Jobs().value().empty());
    EXPECT_TRUE(history->Entries(running.id).value().empty());
}

TEST(SqliteHistory, AJobOfOneHundredThousandEntriesKeepsTheFilesWithinTwentyFourMegabytes) {
    HistoryFolder folder;
    constexpr std::uintmax_t kBound = 24u << 20;
    {
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        JobRecord job = MadeJob();
        auto journal = BeginJob(*history, job, MadeEntries(100000));
        ASSERT_NE(journal, nullptr);
        for (std::size_t i = 0; i < 100000; ++i) {
            if (i % 3 == 0)
                journal->Aside(i, L".torvane-" + std::to_wstring(i));
            journal->Finished(i, JournalState::kDone);
        }
        journal->Ended(JobOutcome::kDone);
        EXPECT_LE(SizeOfFiles(folder.file), kBound);
        EXPECT_EQ(history->Job(job.id).value()->done, 100000);
    }
    EXPECT_LE(SizeOfFiles(folder.file), kBound);
}

// Another process holding the database while a job ends: the journal waits
// a bounded time, then says its record is incomplete; the job reads as
// interrupted after the entries recorded, never as done. Held only for a
// while, nothing is lost.
TEST(SqliteHistory, AJournalThatCantBeWrittenToItsEndSaysSo) {
    for (const bool releasedBeforeTheEnd : {false, true}) {
        SCOPED_TRACE(releasedBeforeTheEnd ? "released before the end" : "held past the end");
        HistoryFolder folder;
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        JobRecord job = MadeJob();
        auto journal = BeginJob(*history, job, MadeEntries(50));
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(folder.file.c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        for (std::size_t i = 0; i < 50; ++i)
            journal->Finished(i, JournalState::kDone);
        if (releasedBeforeTheEnd)
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        journal->Ended(JobOutcome::kDone);
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        const auto stored = history->Job(job.id).value();
        ASSERT_TRUE(stored.has_value());
        if (releasedBeforeTheEnd) {
            EXPECT_FALSE(journal->Lost().has_value()) << ToUtf8(*journal->Lost());
            EXPECT_EQ(stored->outcome, JobOutcome::kDone);
            EXPECT_EQ(stored->done, 50);
        } else {
            ASSERT_TRUE(journal->Lost().has_value());
            EXPECT_NE(journal->Lost()->find(L"busy"), std::wstring::npos)
                << ToUtf8(*journal->Lost());
            EXPECT_EQ(stored->outcome, JobOutcome::kInterrupted);
            EXPECT_LT(stored->done, 50);
        }
    }
}

}  // namespace
}  // namespace torvane
