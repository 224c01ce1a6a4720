#include "history/sqlite_history.hpp"

#include <algorithm>
#include <ctime>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "history/entry_packs.hpp"
#include "history/history_file.hpp"
#include "history/history_rows.hpp"
#include "history/sqlite_db.hpp"
#include "history/sqlite_journal.hpp"
#include "platform/posix_private_files.hpp"
#include "platform/text.hpp"

namespace torvane {

namespace {

using namespace history;

constexpr const char* kInsertJob =
    "INSERT INTO jobs(started, kind, undoes, root, tasks, options, front_end, entries, done, "
    "failures, skipped, outcome, undone_by) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0, 0, 0, ?9, 0)";
constexpr const char* kInsertFolder = "INSERT INTO folders(job, number, path) VALUES(?1, ?2, ?3)";
constexpr const char* kInsertPack =
    "INSERT INTO packs(key, folder, count, data) VALUES(?1, ?2, ?3, ?4)";
constexpr const char* kSelectJobs =
    "SELECT id, started, kind, undoes, root, tasks, options, front_end, entries, done, failures, "
    "outcome, undone_by, skipped FROM jobs";
// A job's entries as the first version stored them, a row each.
constexpr const char* kSelectEntryRows =
    "SELECT f.path, e.device, e.inode, e.old_name, e.new_name, e.old_created, e.old_modified, "
    "e.old_accessed, e.new_created, e.new_modified, e.new_accessed, e.old_attributes, "
    "e.new_attributes, e.steps, e.temporary, e.state FROM entries e JOIN folders f ON "
    "f.job = ?1 AND f.number = e.folder WHERE e.key BETWEEN ?2 AND ?3 ORDER BY e.key";
// The jobs retention may forget: beyond the newest ?1 (-1: no limit) or
// started before ?2.
constexpr const char* kSelectExpired =
    "SELECT id, outcome FROM jobs WHERE started < ?2 OR id NOT IN "
    "(SELECT id FROM jobs ORDER BY id DESC LIMIT ?1)";
constexpr const char* kSelectPacks =
    "SELECT f.path, p.count, p.data FROM packs p JOIN folders f ON f.job = ?1 AND f.number = "
    "p.folder WHERE p.key BETWEEN ?2 AND ?3 ORDER BY p.key";
constexpr const char* kCountPacked =
    "SELECT coalesce(sum(count), 0), coalesce(sum(length(data)), 0) FROM packs WHERE key "
    "BETWEEN ?1 AND ?2";
constexpr const char* kSelectProgress =
    "SELECT data FROM progress WHERE key BETWEEN ?1 AND ?2 ORDER BY key";
constexpr const char* kDeleteEntryRows = "DELETE FROM entries WHERE key BETWEEN ?1 AND ?2";
constexpr const char* kDeletePacks = "DELETE FROM packs WHERE key BETWEEN ?1 AND ?2";
constexpr const char* kDeleteProgress = "DELETE FROM progress WHERE key BETWEEN ?1 AND ?2";
constexpr const char* kDeleteFolders = "DELETE FROM folders WHERE job = ?1";
constexpr const char* kDeleteJob = "DELETE FROM jobs WHERE id = ?1";
constexpr const char* kSelectOutcome = "SELECT outcome FROM jobs WHERE id = ?1";
constexpr const char* kUpdateUndoneBy = "UPDATE jobs SET undone_by = ?2 WHERE id = ?1";

// A failure of the store, as the interface reports it.
SystemError Problem(std::wstring text) {
    return SystemError{EIO, std::move(text)};
}

class SqliteHistory final : public History {
  public:
    SqliteHistory(std::string file, std::wstring path, SqlConnection db, ByteLockFile locks,
                  const HistorySettings& settings, const JournalBatching& batching)
        : file_(std::move(file)),
          path_(std::move(path)),
          db_(std::move(db)),
          locks_(std::move(locks)),
          settings_(settings),
          batching_(batching),
          insertJob_(db_, kInsertJob),
          insertFolder_(db_, kInsertFolder),
          insertPack_(db_, kInsertPack),
          selectJobs_(db_, (std::string(kSelectJobs) + " ORDER BY id DESC").c_str()),
          selectJob_(db_, (std::string(kSelectJobs) + " WHERE id = ?1").c_str()),
          selectEntryRows_(db_, kSelectEntryRows),
          selectPacks_(db_, kSelectPacks),
          countPacked_(db_, kCountPacked),
          selectProgress_(db_, kSelectProgress),
          selectExpired_(db_, kSelectExpired),
          selectOutcome_(db_, kSelectOutcome),
          deleteEntryRows_(db_, kDeleteEntryRows),
          deletePacks_(db_, kDeletePacks),
          deleteProgress_(db_, kDeleteProgress),
          deleteFolders_(db_, kDeleteFolders),
          deleteJob_(db_, kDeleteJob),
          updateUndoneBy_(db_, kUpdateUndoneBy) {}

    // One write transaction from the journal's connection to the commit:
    // the job, its lock, its entries and its journal are stored together or
    // not at all, which reads best in one piece.
    Result<std::unique_ptr<JobJournal>> Begin(JobRecord& job,
                                              const JournalSource& entries) override {
        std::lock_guard lk(m_);
        try {
            // The journal's own connection, opened first: its writer thread
            // must not share this one with the callers of the store.
            SqlConnection journalDb = SqlConnection::Open(file_);
            Configure(journalDb);
            // The journal's commits fold the log back into the file once it
            // holds 4 MiB, on the journal's own thread.
            const auto pageSize =
                std::max<std::int64_t>(journalDb.QueryInt("PRAGMA page_size"), 512);
            journalDb.Exec(
                ("PRAGMA wal_autocheckpoint=" + std::to_string((4 << 20) / pageSize)).c_str());
            auto lock = ByteLockFile::Open(LockPath(file_));
            if (!lock)
                return Problem(L"Can't open the history's lock file " + FromUtf8(LockPath(file_)) +
                               L": " + lock.error().text);
            if (job.started == 0)
                job.started = static_cast<std::int64_t>(std::time(nullptr));
            if (entries.size() > static_cast<std::size_t>(kMaxPosition))
                return Problem(L"The job has too many entries for the history.");
            if (job.entries == 0)
                job.entries = static_cast<std::int64_t>(entries.size());

            SqlWriteTransaction tx(db_);
            Forget(settings_.keepJobs > 0 ? settings_.keepJobs - 1 : -1, RetentionCutoff());
            const std::string root = ToUtf8(job.root), tasks = ToUtf8(job.tasks),
                              options = ToUtf8(job.options), frontEnd = ToUtf8(job.frontEnd);
            insertJob_.Reset()
                .Bind(1, job.started)
                .Bind(2, Stored(job.kind))
                .Bind(3, job.undoes)
                .BindBytes(4, root)
                .BindBytes(5, tasks)
                .BindBytes(6, options)
                .BindBytes(7, frontEnd)
                .Bind(8, job.entries)
                .Bind(9, Stored(JobOutcome::kRunning))
                .Run();
            const std::int64_t id = sqlite3_last_insert_rowid(db_.get());
            // Taken before the commit: once others can see the job, its lock
            // says it runs.
            if (auto locked = lock->Lock(id); !locked)
                return Problem(L"Can't lock the job in the history's lock file " +
                               FromUtf8(LockPath(file_)) + L": " + locked.error().text);
            InsertEntries(id, entries);
            // Made before the commit, so that nothing can fail once the job
            // is stored: a job stored without a journal would show as
            // interrupted while it ran without history.
            auto journal =
                MakeJournal(std::move(journalDb), id, std::move(*lock), batching_, FromUtf8(file_));
            tx.Commit();
            try {
                // What the new job did not reuse of the forgotten ones goes
                // back to the file system; should that fail, it is reused later.
                db_.Exec("PRAGMA incremental_vacuum");
            } catch (const SqlFailure&) {
            }

            job.id = id;
            job.done = 0;
            job.failures = 0;
            job.skipped = 0;
            job.outcome = JobOutcome::kRunning;
            job.undoneBy = 0;
            return Result<std::unique_ptr<JobJournal>>(std::move(journal));
        } catch (const SqlFailure& f) {
            return Problem(ProblemOf(f, path_));
        }
    }

    Result<std::vector<JobRecord>> Jobs() override {
        std::lock_guard lk(m_);
        std::vector<JobRecord> jobs;
        try {
            auto& st = selectJobs_.Reset();
            while (st.Step())
                jobs.push_back(RecordOf(st));
            for (auto& job : jobs)
                job.outcome = Settled(job.id, job.outcome);
        } catch (const SqlFailure& f) {
            return HistoryDamaged(L"The list of jobs can't be read: " + ProblemOf(f, path_));
        }
        return jobs;
    }

    Result<std::optional<JobRecord>> Job(std::int64_t id) override {
        std::lock_guard lk(m_);
        try {
            auto& st = selectJob_.Reset().Bind(1, id);
            if (!st.Step())
                return std::optional<JobRecord>();
            JobRecord job = RecordOf(st);
            st.Reset();
            job.outcome = Settled(job.id, job.outcome);
            return std::optional<JobRecord>(std::move(job));
        } catch (const SqlFailure& f) {
            return HistoryDamaged(L"Job " + std::to_wstring(id) + L" can't be read: " +
                                  ProblemOf(f, path_));
        }
    }

    Result<std::vector<JournalEntry>> Entries(std::int64_t id) override {
        std::lock_guard lk(m_);
        std::vector<JournalEntry> entries;
        try {
            const auto first = KeyOf(id, 0), last = LastKeyOf(id);
            ReadEntryRows(id, entries);
            // Room for them all at once: a large job's list is never
            // copied over while it grows.
            // The counts are checked against the bytes that hold them
            // before anything is allocated: a damaged count is a damaged job.
            auto& count = countPacked_.Reset().Bind(1, first).Bind(2, last);
            if (count.Step() && count.Int(0) > 0) {
                if (count.Int(0) > count.Int(1) / kLeastEntryBytes)
                    throw SqlFailure{SQLITE_CORRUPT, 0};
                entries.reserve(entries.size() + static_cast<std::size_t>(count.Int(0)));
            }
            count.Reset();
            auto& packs = selectPacks_.Reset().Bind(1, id).Bind(2, first).Bind(3, last);
            std::string lastFolder;
            SharedPath folder;
            while (packs.Step()) {
                // A folder's packs come together: its path is decoded once.
                if (const auto bytes = packs.Bytes(0); lastFolder.empty() || bytes != lastFolder) {
                    lastFolder.assign(bytes);
                    folder = Text(bytes);
                }
                const auto count = packs.Int(1);
                if (count < 0 || count > static_cast<std::int64_t>(kPackEntries) ||
                    !ReadPack(packs.Bytes(2), static_cast<std::size_t>(count), folder, entries))
                    throw SqlFailure{SQLITE_CORRUPT, 0};
            }
            auto& progress = selectProgress_.Reset().Bind(1, first).Bind(2, last);
            while (progress.Step()) {
                if (!ApplyProgress(progress.Bytes(0), entries))
                    throw SqlFailure{SQLITE_CORRUPT, 0};
            }
        } catch (const SqlFailure& f) {
            return HistoryDamaged(L"The entries of job " + std::to_wstring(id) +
                                  L" are damaged and can't be read: " + ProblemOf(f, path_));
        }
        return entries;
    }

    Status MarkUndone(std::int64_t job, std::int64_t undo) override {
        std::lock_guard lk(m_);
        try {
            SqlWriteTransaction tx(db_);
            updateUndoneBy_.Reset().Bind(1, job).Bind(2, undo).Run();
            tx.Commit();
        } catch (const SqlFailure& f) {
            return Problem(ProblemOf(f, path_));
        }
        return Status::Ok();
    }

    Status Clear() override {
        std::lock_guard lk(m_);
        try {
            {
                SqlWriteTransaction tx(db_);
                Forget(0, std::numeric_limits<std::int64_t>::max());
                tx.Commit();
            }
            // Gives the space back and empties the write-ahead log, so that
            // nothing of the forgotten jobs stays in either file.
            db_.Exec("VACUUM");
            db_.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
        } catch (const SqlFailure& f) {
            return Problem(ProblemOf(f, path_));
        }
        return Status::Ok();
    }

  private:
    std::int64_t RetentionCutoff() const {
        if (settings_.keepDays <= 0)
            return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(std::time(nullptr)) - settings_.keepDays * 86400;
    }

    // Forgets the jobs beyond the newest `keep` (-1: no limit) or started
    // before `cutoff`, except those still running. Inside a write transaction.
    void Forget(std::int64_t keep, std::int64_t cutoff) {
        std::vector<std::int64_t> ids;
        auto& st = selectExpired_.Reset().Bind(1, keep).Bind(2, cutoff);
        while (st.Step()) {
            if (OutcomeOf(st.Int(1)) != JobOutcome::kRunning || !locks_.HeldElsewhere(st.Int(0)))
                ids.push_back(st.Int(0));
        }
        for (const auto id : ids) {
            for (SqlStatement* st : {&deleteEntryRows_, &deletePacks_, &deleteProgress_})
                st->Reset().Bind(1, KeyOf(id, 0)).Bind(2, LastKeyOf(id)).Run();
            deleteFolders_.Reset().Bind(1, id).Run();
            deleteJob_.Reset().Bind(1, id).Run();
        }
    }

    // Entries a file of the first version stored a row each.
    void ReadEntryRows(std::int64_t id, std::vector<JournalEntry>& entries) {
        auto& st =
            selectEntryRows_.Reset().Bind(1, id).Bind(2, KeyOf(id, 0)).Bind(3, LastKeyOf(id));
        std::string lastFolder;
        SharedPath folder;
        while (st.Step()) {
            JournalEntry& e = entries.emplace_back();
            if (const auto bytes = st.Bytes(0); entries.size() == 1 || bytes != lastFolder) {
                lastFolder.assign(bytes);
                folder = Text(bytes);
            }
            e.folder = folder;
            e.id.device = static_cast<std::uint64_t>(st.Int(1));
            e.id.inode = static_cast<std::uint64_t>(st.Int(2));
            e.oldName = NameOf(st.Bytes(3));
            e.newName = st.IsNull(4) ? e.oldName : NameOf(st.Bytes(4));
            e.oldCreated = st.Int(5);
            e.oldModified = st.Int(6);
            e.oldAccessed = st.Int(7);
            e.newCreated = st.IsNull(8) ? e.oldCreated : st.Int(8);
            e.newModified = st.IsNull(9) ? e.oldModified : st.Int(9);
            e.newAccessed = st.IsNull(10) ? e.oldAccessed : st.Int(10);
            e.oldAttributes = static_cast<std::uint32_t>(st.Int(11));
            e.newAttributes =
                st.IsNull(12) ? e.oldAttributes : static_cast<std::uint32_t>(st.Int(12));
            const auto steps = st.Int(13);
            e.rename = (steps & kStepRename) != 0;
            e.attributes = (steps & kStepAttributes) != 0;
            e.times = (steps & kStepTimes) != 0;
            if (!st.IsNull(14))
                e.temporary = NameOf(st.Bytes(14));
            e.state = StateOf(st.Int(15));
        }
    }

    // Stores the entries in packs: a folder's entries, up to kPackEntries at
    // a time, in one row keyed by the job and its first entry's position.
    void InsertEntries(std::int64_t id, const JournalSource& entries) {
        std::unordered_map<std::wstring, std::int64_t> folders;
        // The folder of the entries so far: a plan's entries share one text
        // per folder, so a new folder is mostly told by that text alone.
        SharedPath lastFolder;
        std::int64_t folderNumber = -1;
        std::string pack, folderBytes;
        std::int64_t packStart = 0, packCount = 0, position = 0;
        const auto flush = [&] {
            if (packCount == 0)
                return;
            insertPack_.Reset()
                .Bind(1, KeyOf(id, packStart))
                .Bind(2, folderNumber)
                .Bind(3, packCount)
                .BindBytes(4, pack)
                .Run();
            pack.clear();
            packCount = 0;
        };
        entries.ForEach([&](const JournalEntry& e) {
            const bool newFolder = folderNumber < 0 || !(e.folder == lastFolder);
            if (newFolder || packCount == static_cast<std::int64_t>(kPackEntries)) {
                flush();
                if (newFolder) {
                    const auto [it, added] =
                        folders.emplace(e.folder, static_cast<std::int64_t>(folders.size()));
                    folderNumber = it->second;
                    if (added) {
                        folderBytes = ToUtf8(e.folder.str());
                        insertFolder_.Reset()
                            .Bind(1, id)
                            .Bind(2, folderNumber)
                            .BindBytes(3, folderBytes)
                            .Run();
                    }
                    lastFolder = e.folder;
                }
                packStart = position;
            }
            AppendEntry(pack, e);
            ++packCount;
            ++position;
        });
        flush();
    }

    static JobRecord RecordOf(const SqlStatement& st) {
        JobRecord job;
        job.id = st.Int(0);
        job.started = st.Int(1);
        job.kind = KindOf(st.Int(2));
        job.undoes = st.Int(3);
        job.root = Text(st.Bytes(4));
        job.tasks = Text(st.Bytes(5));
        job.options = Text(st.Bytes(6));
        job.frontEnd = Text(st.Bytes(7));
        job.entries = st.Int(8);
        job.done = st.Int(9);
        job.failures = st.Int(10);
        job.outcome = OutcomeOf(st.Int(11));
        job.undoneBy = st.Int(12);
        job.skipped = st.Int(13);
        return job;
    }

    // A job stored as running whose lock nobody holds has lost its process,
    // unless it ended between the read and the look at the lock: a job
    // commits its outcome before letting the lock go, so a fresh read tells.
    JobOutcome Settled(std::int64_t id, JobOutcome stored) {
        if (stored != JobOutcome::kRunning || locks_.HeldElsewhere(id))
            return stored;
        auto& st = selectOutcome_.Reset().Bind(1, id);
        const JobOutcome now = st.Step() ? OutcomeOf(st.Int(0)) : JobOutcome::kRunning;
        st.Reset();
        return now == JobOutcome::kRunning ? JobOutcome::kInterrupted : now;
    }

    const std::string file_;
    const std::wstring path_;
    std::mutex m_;
    SqlConnection db_;
    ByteLockFile locks_;
    const HistorySettings settings_;
    const JournalBatching batching_;
    SqlStatement insertJob_, insertFolder_, insertPack_, selectJobs_, selectJob_, selectEntryRows_,
        selectPacks_, countPacked_, selectProgress_, selectExpired_, selectOutcome_,
        deleteEntryRows_, deletePacks_, deleteProgress_, deleteFolders_, deleteJob_,
        updateUndoneBy_;
};

}  // namespace

Result<std::unique_ptr<History>> OpenSqliteHistory(const std::wstring& path,
                                                   const HistorySettings& settings) {
    return OpenSqliteHistory(path, settings, JournalBatching{});
}

Result<std::unique_ptr<History>> OpenSqliteHistory(const std::wstring& path,
                                                   const HistorySettings& settings,
                                                   const JournalBatching& batching) {
    const std::string file = ToUtf8(path);
    std::wstring problem;
    const auto slash = file.find_last_of('/');
    if (slash != std::string::npos && !MakeFolders(file.substr(0, slash), problem))
        return Problem(std::move(problem));
    if (!PrepareFile(file, path, problem))
        return Problem(std::move(problem));
    try {
        SqlConnection db = SqlConnection::Open(file);
        sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
        if (!PrepareSchema(db, path, problem))
            return Problem(std::move(problem));
        TightenModes(file);
        Configure(db);
        // The store's own commits never fold the log back into the file:
        // Begin's commit would pay for it before the job's first write. The
        // journals' connections do it, on their own thread.
        db.Exec("PRAGMA wal_autocheckpoint=0");
        auto locks = ByteLockFile::Open(LockPath(file));
        if (!locks)
            return Problem(L"Can't open the history's lock file " + FromUtf8(LockPath(file)) +
                           L": " + locks.error().text);
        return std::unique_ptr<History>(std::make_unique<SqliteHistory>(
            file, path, std::move(db), std::move(*locks), settings, batching));
    } catch (const SqlFailure& f) {
        return Problem(ProblemOf(f, path));
    }
}

}  // namespace torvane
