#include "history/sqlite_history.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "history/job_lock.hpp"
#include "history/sqlite_db.hpp"
#include "platform/system_error.hpp"
#include "platform/text.hpp"

namespace torvane {

namespace {

// "TRVH": tells a Torvane history from another SQLite database.
constexpr std::int64_t kApplicationId = 0x54525648;

// How long a writer waits for another process's write to end. A Begin of
// 100,000 entries holds the write lock for a fraction of a second.
constexpr int kBusyTimeoutMs = 10000;

// Steps of an entry, one bit each.
constexpr std::int64_t kStepRename = 1, kStepAttributes = 2, kStepTimes = 4;

constexpr const char* kSchema = R"sql(
CREATE TABLE jobs(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  started INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  undoes INTEGER NOT NULL,
  root BLOB NOT NULL,
  tasks BLOB NOT NULL,
  options BLOB NOT NULL,
  front_end BLOB NOT NULL,
  entries INTEGER NOT NULL,
  done INTEGER NOT NULL,
  failures INTEGER NOT NULL,
  outcome INTEGER NOT NULL,
  undone_by INTEGER NOT NULL
);
CREATE TABLE folders(
  job INTEGER NOT NULL,
  number INTEGER NOT NULL,
  path BLOB NOT NULL,
  PRIMARY KEY(job, number)
) WITHOUT ROWID;
CREATE TABLE entries(
  key INTEGER PRIMARY KEY,
  folder INTEGER NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  old_name BLOB NOT NULL,
  new_name BLOB,
  old_created INTEGER NOT NULL,
  old_modified INTEGER NOT NULL,
  old_accessed INTEGER NOT NULL,
  new_created INTEGER,
  new_modified INTEGER,
  new_accessed INTEGER,
  old_attributes INTEGER NOT NULL,
  new_attributes INTEGER,
  steps INTEGER NOT NULL,
  temporary BLOB,
  state INTEGER NOT NULL
);
)sql";

constexpr const char* kInsertJob =
    "INSERT INTO jobs(started, kind, undoes, root, tasks, options, front_end, entries, done, "
    "failures, outcome, undone_by) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0, 0, ?9, 0)";
constexpr const char* kInsertFolder = "INSERT INTO folders(job, number, path) VALUES(?1, ?2, ?3)";
// Inserts `rows` entries, each with kEntryColumns values: key, folder,
// device, inode, old_name, new_name, old_created, old_modified,
// old_accessed, new_created, new_modified, new_accessed, old_attributes,
// new_attributes, steps, temporary, state.
constexpr int kEntryColumns = 17;
constexpr std::size_t kRowsPerInsert = 32;
std::string InsertEntriesSql(std::size_t rows) {
    std::string sql =
        "INSERT INTO entries(key, folder, device, inode, old_name, new_name, old_created, "
        "old_modified, old_accessed, new_created, new_modified, new_accessed, old_attributes, "
        "new_attributes, steps, temporary, state) VALUES";
    for (std::size_t r = 0; r < rows; ++r) {
        sql += r == 0 ? "(" : ",(";
        for (int c = 0; c < kEntryColumns; ++c)
            sql += (c == 0 ? "?" : ",?") + std::to_string(r * kEntryColumns + c + 1);
        sql += ")";
    }
    return sql;
}
constexpr const char* kSelectJobs =
    "SELECT id, started, kind, undoes, root, tasks, options, front_end, entries, done, failures, "
    "outcome, undone_by FROM jobs";
constexpr const char* kSelectEntries =
    "SELECT f.path, e.device, e.inode, e.old_name, e.new_name, e.old_created, e.old_modified, "
    "e.old_accessed, e.new_created, e.new_modified, e.new_accessed, e.old_attributes, "
    "e.new_attributes, e.steps, e.temporary, e.state FROM entries e JOIN folders f ON "
    "f.job = ?1 AND f.number = e.folder WHERE e.key BETWEEN ?2 AND ?3 ORDER BY e.key";
// The jobs retention may forget: beyond the newest ?1 (-1: no limit) or
// started before ?2.
constexpr const char* kSelectExpired =
    "SELECT id, outcome FROM jobs WHERE started < ?2 OR id NOT IN "
    "(SELECT id FROM jobs ORDER BY id DESC LIMIT ?1)";
constexpr const char* kDeleteEntries = "DELETE FROM entries WHERE key BETWEEN ?1 AND ?2";
constexpr const char* kDeleteFolders = "DELETE FROM folders WHERE job = ?1";
constexpr const char* kDeleteJob = "DELETE FROM jobs WHERE id = ?1";
constexpr const char* kMarkAside = "UPDATE entries SET state = ?2, temporary = ?3 WHERE key = ?1";
constexpr const char* kMarkFinished = "UPDATE entries SET state = ?2 WHERE key = ?1";
constexpr const char* kUpdateCounts = "UPDATE jobs SET done = ?2, failures = ?3 WHERE id = ?1";
constexpr const char* kUpdateOutcome = "UPDATE jobs SET outcome = ?2 WHERE id = ?1";
constexpr const char* kSelectOutcome = "SELECT outcome FROM jobs WHERE id = ?1";
constexpr const char* kUpdateUndoneBy = "UPDATE jobs SET undone_by = ?2 WHERE id = ?1";

std::int64_t Stored(JobOutcome o) {
    return static_cast<std::int64_t>(o);
}

JobOutcome OutcomeOf(std::int64_t v) {
    switch (v) {
        case 1:
            return JobOutcome::kDone;
        case 2:
            return JobOutcome::kCancelled;
        case 3:
            return JobOutcome::kInterrupted;
        default:
            return JobOutcome::kRunning;
    }
}

JournalState StateOf(std::int64_t v) {
    switch (v) {
        case 1:
            return JournalState::kAside;
        case 2:
            return JournalState::kDone;
        case 3:
            return JournalState::kFailed;
        case 4:
            return JournalState::kSkipped;
        default:
            return JournalState::kPlanned;
    }
}

// An entry's key in the entries table: its job's id and its position, a row
// id that keeps a job's entries together and in order, so that they are
// appended, read and forgotten as one range.
constexpr std::int64_t kMaxPosition = 0xFFFFFFFF;
std::int64_t KeyOf(std::int64_t job, std::int64_t position) {
    return (job << 32) | position;
}
std::int64_t LastKeyOf(std::int64_t job) {
    return KeyOf(job, kMaxPosition);
}

std::int64_t Bits(std::uint64_t v) {
    return static_cast<std::int64_t>(v);
}

std::wstring Text(std::string_view bytes) {
    return FromUtf8(bytes);
}

// The bytes of a name on disk, into `out`: names are mostly ASCII, which is
// copied as it is; anything else goes through ToUtf8, which gives back the
// original bytes of invalid UTF-8.
void NameBytes(std::wstring_view name, std::string& out) {
    out.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (static_cast<std::uint32_t>(name[i]) >= 0x80) {
            out = ToUtf8(name);
            return;
        }
        out[i] = static_cast<char>(name[i]);
    }
}

// The lock file of running jobs, beside the database.
std::string LockPath(const std::string& file) {
    return file + "-lock";
}

// Sets up a connection's per-connection settings. synchronous=NORMAL: in WAL
// mode a commit is in the write-ahead log (in the kernel's page cache) when it
// returns, so a killed process loses nothing committed; only a power cut or a
// kernel crash can drop the last commits, never corrupting the file. FULL
// would add an fsync to every batch of the journal for a case the history
// does not aim at.
void Configure(SqlConnection& db) {
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    db.Exec(
        "PRAGMA synchronous=NORMAL; PRAGMA temp_store=MEMORY; PRAGMA cache_size=-16384;"
        " PRAGMA journal_size_limit=4194304");
}

// One line for the user about a failure of the store at `path`.
std::wstring ProblemOf(const SqlFailure& f, const std::wstring& path) {
    const int primary = f.code & 0xff;
    if (primary == SQLITE_FULL || f.systemError == ENOSPC || f.systemError == EDQUOT)
        return L"The disk holding the history file " + path + L" is full; jobs are not recorded.";
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return L"The history file " + path +
               L" is damaged; move it aside or delete it to start a new history.";
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return L"The history file " + path + L" is kept busy by another Torvane; try again.";
    if (f.systemError != 0)
        return L"Can't write the history file " + path + L": " + ErrnoText(f.systemError);
    if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_CANTOPEN)
        return L"Can't write the history file " + path + L": it or its folder is read-only.";
    return L"Can't use the history file " + path + L": " + FromUtf8(sqlite3_errstr(f.code));
}

std::wstring DamagedProblem(const std::wstring& path) {
    return ProblemOf(SqlFailure{SQLITE_CORRUPT, 0}, path);
}

// Makes the missing folders of `dir`, mode 0700.
bool MakeFolders(const std::string& dir, std::wstring& problem) {
    if (dir.empty())
        return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        problem = L"Can't create the history folder " + FromUtf8(dir) + L": " + ErrnoText(ENOTDIR);
        return false;
    }
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash), problem))
        return false;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = L"Can't create the history folder " + FromUtf8(dir) + L": " + ErrnoText(errno);
        return false;
    }
    ::chmod(dir.c_str(), 0700);  // whatever the umask took away
    return true;
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Creates the database file with mode 0600 when it is missing (SQLite gives
// its -wal and -shm files the mode of the database), or checks the header of
// an existing one without SQLite, so that a file that is not a database, or
// one cut short, is reported and never touched. An empty file is a new one.
bool PrepareFile(const std::string& file, const std::wstring& path, std::wstring& problem) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
        return true;
    }
    if (errno != EEXIST) {
        problem = L"Can't create the history file " + path + L": " + ErrnoText(errno);
        return false;
    }
    const int rd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (rd < 0) {
        problem = L"Can't open the history file " + path + L": " + ErrnoText(errno);
        return false;
    }
    struct stat st {};
    unsigned char header[100] = {};
    const bool statOk = ::fstat(rd, &st) == 0;
    const ssize_t got = statOk && st.st_size > 0 ? ::read(rd, header, sizeof header) : 0;
    ::close(rd);
    if (!statOk || !S_ISREG(st.st_mode)) {
        problem =
            L"Can't open the history file " + path + L": " + ErrnoText(statOk ? EINVAL : errno);
        return false;
    }
    if (st.st_size == 0)
        return true;
    if (got != static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, "SQLite format 3", 16) != 0) {
        problem = DamagedProblem(path);
        return false;
    }
    std::uint32_t pageSize = (std::uint32_t{header[16]} << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    const std::uint32_t pages = BigEndian32(header + 28);
    const bool pagesValid = BigEndian32(header + 24) == BigEndian32(header + 92);
    // With a write-ahead log holding frames, the file may lag behind it; the
    // checks of its length hold only without one.
    struct stat wal {};
    const bool walHoldsFrames = ::stat((file + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 ||
        (!walHoldsFrames &&
         (size % pageSize != 0 || (pagesValid && size < std::uint64_t{pages} * pageSize)))) {
        problem = DamagedProblem(path);
        return false;
    }
    return true;
}

// Takes the group's and others' bits away from the history's files, in case
// they were made wider than 0600 (by hand, or by an older build); only files
// of this user, which is who may change them anyway.
void TightenModes(const std::string& file) {
    for (const char* suffix : {"", "-wal", "-shm", "-lock"}) {
        const std::string path = file + suffix;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
            ::chmod(path.c_str(), st.st_mode & 0700);
    }
}

// Checks the version and kind of an opened database, creating the tables in a
// new one. Returns false with `problem` set for a file that must be left alone.
bool PrepareSchema(SqlConnection& db, const std::wstring& path, std::wstring& problem) {
    const auto version = db.QueryInt("PRAGMA user_version");
    const auto appId = db.QueryInt("PRAGMA application_id");
    if (version > kHistorySchemaVersion) {
        problem = L"The history file " + path +
                  L" was written by a newer version of Torvane; jobs are not recorded until it "
                  L"is moved aside.";
        return false;
    }
    const std::wstring notOurs =
        L"The history file " + path + L" is not a Torvane history; move it aside.";
    // Ours carries our id from its making; a new file carries none yet.
    if (appId != kApplicationId && (appId != 0 || version != 0)) {
        problem = notOurs;
        return false;
    }
    if (version == kHistorySchemaVersion) {
        db.Exec("PRAGMA journal_mode=WAL");
        return true;
    }
    if (db.QueryInt("SELECT count(*) FROM sqlite_schema") != 0) {
        problem = notOurs;
        return false;
    }
    // A new file. Freed pages are given back to the file system when jobs
    // are forgotten, so it shrinks with the history; that must be set before
    // the first table.
    db.Exec("PRAGMA auto_vacuum=INCREMENTAL");
    db.Exec("PRAGMA page_size=16384");
    db.Exec("PRAGMA journal_mode=WAL");
    SqlWriteTransaction tx(db);
    // Another process may have made the tables while this one waited.
    if (db.QueryInt("PRAGMA user_version") == 0) {
        db.Exec(kSchema);
        db.Exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
        db.Exec(("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion)).c_str());
    }
    tx.Commit();
    return true;
}

// A record held back by a running job's journal.
struct HeldRecord {
    std::size_t entry = 0;
    JournalState state = JournalState::kPlanned;
    std::wstring temporary;  // for kAside
};

class Journal final : public SqliteJobJournal {
  public:
    Journal(SqlConnection db, std::int64_t id, JobLockFile lock, const JournalBatching& batching)
        : db_(std::move(db)),
          id_(id),
          lock_(std::move(lock)),
          batching_(batching),
          markAside_(db_, kMarkAside),
          markFinished_(db_, kMarkFinished),
          updateCounts_(db_, kUpdateCounts),
          updateOutcome_(db_, kUpdateOutcome) {
        writer_ = std::thread([this] { WriteLoop(); });
    }

    ~Journal() override {
        // Without Ended (the job's thread was abandoned): what is held is
        // written and the lock let go, so the job shows as interrupted.
        StopWriter();
        lock_.Unlock(id_);
    }

    void Aside(std::size_t entry, const std::wstring& temporary) override {
        Hold(HeldRecord{entry, JournalState::kAside, temporary});
    }

    void Finished(std::size_t entry, JournalState state) override {
        Hold(HeldRecord{entry, state, {}});
    }

    void Ended(JobOutcome outcome) override {
        if (ended_)
            return;
        ended_ = true;
        StopWriter();
        try {
            SqlWriteTransaction tx(db_);
            updateOutcome_.Reset().Bind(1, id_).Bind(2, Stored(outcome)).Run();
            tx.Commit();
        } catch (const SqlFailure&) {
            // The job stays "running" in the file; once the lock is let go
            // below it is reported as interrupted, which undo handles alike.
        }
        // The outcome is committed before the lock goes, so whoever finds
        // the lock free and reads the job again sees how it ended.
        lock_.Unlock(id_);
    }

    void Flush() override {
        std::unique_lock lk(m_);
        const auto target = given_;
        const auto failedBefore = failedWrites_;
        flushWanted_ = true;
        wake_.notify_one();
        written_cv_.wait(
            lk, [&] { return written_ >= target || failedWrites_ != failedBefore || stopped_; });
    }

  private:
    void Hold(HeldRecord record) {
        std::lock_guard lk(m_);
        held_.push_back(std::move(record));
        ++given_;
        if (held_.size() >= batching_.records)
            wake_.notify_one();
    }

    void StopWriter() {
        {
            std::lock_guard lk(m_);
            if (stopped_)
                return;
            stop_ = true;
        }
        wake_.notify_one();
        writer_.join();
        std::lock_guard lk(m_);
        stopped_ = true;
        written_cv_.notify_all();
    }

    void WriteLoop() {
        std::unique_lock lk(m_);
        for (;;) {
            wake_.wait_for(lk, batching_.interval, [&] {
                return stop_ || flushWanted_ || held_.size() >= batching_.records;
            });
            flushWanted_ = false;
            const bool last = stop_;
            if (!held_.empty()) {
                std::vector<HeldRecord> batch;
                batch.swap(held_);
                lk.unlock();
                const bool ok = Write(batch);
                lk.lock();
                if (ok)
                    written_ += batch.size();
                else
                    ++failedWrites_;
                if (!ok && !last) {
                    // Kept for the next round: a busy or full disk may clear.
                    batch.insert(batch.end(), std::make_move_iterator(held_.begin()),
                                 std::make_move_iterator(held_.end()));
                    held_.swap(batch);
                }
                written_cv_.notify_all();
            }
            if (last)
                return;
        }
    }

    bool Write(const std::vector<HeldRecord>& batch) {
        auto done = done_;
        auto failures = failures_;
        try {
            SqlWriteTransaction tx(db_);
            for (const auto& r : batch) {
                const auto position = static_cast<std::int64_t>(r.entry);
                const auto state = static_cast<std::int64_t>(r.state);
                if (r.state == JournalState::kAside) {
                    const std::string temporary = ToUtf8(r.temporary);
                    markAside_.Reset().Bind(1, KeyOf(id_, position)).Bind(2, state);
                    markAside_.BindBytes(3, temporary).Run();
                } else {
                    markFinished_.Reset().Bind(1, KeyOf(id_, position)).Bind(2, state).Run();
                    done += r.state == JournalState::kDone ? 1 : 0;
                    failures += r.state == JournalState::kFailed ? 1 : 0;
                }
            }
            updateCounts_.Reset().Bind(1, id_).Bind(2, done).Bind(3, failures).Run();
            tx.Commit();
        } catch (const SqlFailure&) {
            return false;
        }
        done_ = done;
        failures_ = failures;
        return true;
    }

    SqlConnection db_;
    const std::int64_t id_;
    JobLockFile lock_;
    const JournalBatching batching_;
    SqlStatement markAside_, markFinished_, updateCounts_, updateOutcome_;
    std::int64_t done_ = 0, failures_ = 0;  // the writer's
    bool ended_ = false;                    // the job's thread's

    std::mutex m_;
    std::condition_variable wake_, written_cv_;
    std::vector<HeldRecord> held_;
    std::uint64_t given_ = 0, written_ = 0, failedWrites_ = 0;
    bool stop_ = false, stopped_ = false, flushWanted_ = false;
    std::thread writer_;
};

class SqliteHistory final : public History {
  public:
    SqliteHistory(std::string file, std::wstring path, SqlConnection db, JobLockFile locks,
                  const HistorySettings& settings, const JournalBatching& batching)
        : file_(std::move(file)),
          path_(std::move(path)),
          db_(std::move(db)),
          locks_(std::move(locks)),
          settings_(settings),
          batching_(batching),
          insertJob_(db_, kInsertJob),
          insertFolder_(db_, kInsertFolder),
          insertEntry_(db_, InsertEntriesSql(1).c_str()),
          insertEntries_(db_, InsertEntriesSql(kRowsPerInsert).c_str()),
          selectJobs_(db_, (std::string(kSelectJobs) + " ORDER BY id DESC").c_str()),
          selectJob_(db_, (std::string(kSelectJobs) + " WHERE id = ?1").c_str()),
          selectEntries_(db_, kSelectEntries),
          selectExpired_(db_, kSelectExpired),
          selectOutcome_(db_, kSelectOutcome),
          deleteEntries_(db_, kDeleteEntries),
          deleteFolders_(db_, kDeleteFolders),
          deleteJob_(db_, kDeleteJob),
          updateUndoneBy_(db_, kUpdateUndoneBy) {}

    std::unique_ptr<JobJournal> Begin(JobRecord& job, const std::vector<JournalEntry>& entries,
                                      std::wstring& problem) override {
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
            auto lock = JobLockFile::Open(LockPath(file_));
            if (!lock) {
                problem = L"Can't open the history's lock file " + FromUtf8(LockPath(file_)) +
                          L": " + lock.error().text;
                return nullptr;
            }
            if (job.started == 0)
                job.started = static_cast<std::int64_t>(std::time(nullptr));
            if (entries.size() > static_cast<std::size_t>(kMaxPosition)) {
                problem = L"The job has too many entries for the history.";
                return nullptr;
            }
            if (job.entries == 0)
                job.entries = static_cast<std::int64_t>(entries.size());

            SqlWriteTransaction tx(db_);
            Forget(settings_.keepJobs > 0 ? settings_.keepJobs - 1 : -1, RetentionCutoff());
            const std::string root = ToUtf8(job.root), tasks = ToUtf8(job.tasks),
                              options = ToUtf8(job.options), frontEnd = ToUtf8(job.frontEnd);
            insertJob_.Reset()
                .Bind(1, job.started)
                .Bind(2, static_cast<std::int64_t>(job.kind))
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
            if (auto locked = lock->Lock(id); !locked) {
                problem = L"Can't lock the job in the history's lock file " +
                          FromUtf8(LockPath(file_)) + L": " + locked.error().text;
                return nullptr;
            }
            InsertEntries(id, entries);
            // Made before the commit, so that nothing can fail once the job
            // is stored: a job stored without a journal would show as
            // interrupted while it ran without history.
            auto journal =
                std::make_unique<Journal>(std::move(journalDb), id, std::move(*lock), batching_);
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
            job.outcome = JobOutcome::kRunning;
            job.undoneBy = 0;
            return journal;
        } catch (const SqlFailure& f) {
            problem = ProblemOf(f, path_);
            return nullptr;
        }
    }

    std::vector<JobRecord> Jobs() override {
        std::lock_guard lk(m_);
        std::vector<JobRecord> jobs;
        try {
            auto& st = selectJobs_.Reset();
            while (st.Step())
                jobs.push_back(RecordOf(st));
            for (auto& job : jobs)
                job.outcome = Settled(job.id, job.outcome);
        } catch (const SqlFailure&) {
            // Nothing to show but what was read: the interface has no room
            // for the problem, and the next Begin reports it.
        }
        return jobs;
    }

    std::optional<JobRecord> Job(std::int64_t id) override {
        std::lock_guard lk(m_);
        try {
            auto& st = selectJob_.Reset().Bind(1, id);
            if (!st.Step())
                return std::nullopt;
            JobRecord job = RecordOf(st);
            st.Reset();
            job.outcome = Settled(job.id, job.outcome);
            return job;
        } catch (const SqlFailure&) {
            return std::nullopt;
        }
    }

    std::vector<JournalEntry> Entries(std::int64_t id) override {
        std::lock_guard lk(m_);
        std::vector<JournalEntry> entries;
        try {
            auto& st =
                selectEntries_.Reset().Bind(1, id).Bind(2, KeyOf(id, 0)).Bind(3, LastKeyOf(id));
            std::string lastFolder;
            std::wstring folder;
            while (st.Step()) {
                JournalEntry& e = entries.emplace_back();
                // Entries of one folder come together: its path is decoded once.
                if (const auto bytes = st.Bytes(0); entries.size() == 1 || bytes != lastFolder) {
                    lastFolder.assign(bytes);
                    folder = Text(bytes);
                }
                e.folder = folder;
                e.id.device = static_cast<std::uint64_t>(st.Int(1));
                e.id.inode = static_cast<std::uint64_t>(st.Int(2));
                e.oldName = Text(st.Bytes(3));
                e.newName = st.IsNull(4) ? e.oldName : Text(st.Bytes(4));
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
                    e.temporary = Text(st.Bytes(14));
                e.state = StateOf(st.Int(15));
            }
        } catch (const SqlFailure&) {
            entries.clear();
        }
        return entries;
    }

    void MarkUndone(std::int64_t job, std::int64_t undo) override {
        std::lock_guard lk(m_);
        try {
            SqlWriteTransaction tx(db_);
            updateUndoneBy_.Reset().Bind(1, job).Bind(2, undo).Run();
            tx.Commit();
        } catch (const SqlFailure&) {
        }
    }

    void Clear() override {
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
        } catch (const SqlFailure&) {
        }
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
            deleteEntries_.Reset().Bind(1, KeyOf(id, 0)).Bind(2, LastKeyOf(id)).Run();
            deleteFolders_.Reset().Bind(1, id).Run();
            deleteJob_.Reset().Bind(1, id).Run();
        }
    }

    // The bytes one entry's row refers to until the row is stepped.
    struct RowBytes {
        std::string oldName, newName, temporary;
    };

    // Binds entry `e` as the row whose first parameter is `base` + 1.
    static void BindEntry(SqlStatement& st, int base, const JournalEntry& e, std::int64_t key,
                          std::int64_t folder, RowBytes& bytes) {
        // A new value equal to the old one is stored as NULL: most jobs
        // change one or two of name, times and attributes, and the rest then
        // takes no room.
        NameBytes(e.oldName, bytes.oldName);
        const std::int64_t steps = (e.rename ? kStepRename : 0) |
                                   (e.attributes ? kStepAttributes : 0) |
                                   (e.times ? kStepTimes : 0);
        st.Bind(base + 1, key)
            .Bind(base + 2, folder)
            .Bind(base + 3, Bits(e.id.device))
            .Bind(base + 4, Bits(e.id.inode))
            .BindBytes(base + 5, bytes.oldName)
            .Bind(base + 7, e.oldCreated)
            .Bind(base + 8, e.oldModified)
            .Bind(base + 9, e.oldAccessed)
            .Bind(base + 13, e.oldAttributes)
            .Bind(base + 15, steps)
            .Bind(base + 17, static_cast<std::int64_t>(e.state));
        if (e.newName == e.oldName) {
            st.BindNull(base + 6);
        } else {
            NameBytes(e.newName, bytes.newName);
            st.BindBytes(base + 6, bytes.newName);
        }
        const auto bindNew = [&st](int index, std::int64_t now, std::int64_t before) {
            if (now == before)
                st.BindNull(index);
            else
                st.Bind(index, now);
        };
        bindNew(base + 10, e.newCreated, e.oldCreated);
        bindNew(base + 11, e.newModified, e.oldModified);
        bindNew(base + 12, e.newAccessed, e.oldAccessed);
        bindNew(base + 14, e.newAttributes, e.oldAttributes);
        if (e.temporary.empty()) {
            st.BindNull(base + 16);
        } else {
            bytes.temporary = ToUtf8(e.temporary);
            st.BindBytes(base + 16, bytes.temporary);
        }
    }

    // Entries go in kRowsPerInsert rows at a time (one statement step for
    // many rows), the rest one by one.
    void InsertEntries(std::int64_t id, const std::vector<JournalEntry>& entries) {
        std::unordered_map<std::wstring, std::int64_t> folders;
        const std::wstring* lastFolder = nullptr;
        std::int64_t folderNumber = 0;
        std::string folderBytes;
        std::vector<RowBytes> bytes(kRowsPerInsert);
        const std::size_t bulk = entries.size() - entries.size() % kRowsPerInsert;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const JournalEntry& e = entries[i];
            if (lastFolder == nullptr || *lastFolder != e.folder) {
                const auto [it, added] =
                    folders.emplace(e.folder, static_cast<std::int64_t>(folders.size()));
                folderNumber = it->second;
                if (added) {
                    folderBytes = ToUtf8(e.folder);
                    insertFolder_.Reset()
                        .Bind(1, id)
                        .Bind(2, folderNumber)
                        .BindBytes(3, folderBytes)
                        .Run();
                }
                lastFolder = &e.folder;
            }
            const auto key = KeyOf(id, static_cast<std::int64_t>(i));
            if (i < bulk) {
                const auto row = i % kRowsPerInsert;
                if (row == 0)
                    insertEntries_.Reset();
                BindEntry(insertEntries_, static_cast<int>(row) * kEntryColumns, e, key,
                          folderNumber, bytes[row]);
                if (row + 1 == kRowsPerInsert)
                    insertEntries_.Run();
            } else {
                BindEntry(insertEntry_.Reset(), 0, e, key, folderNumber, bytes[0]);
                insertEntry_.Run();
            }
        }
    }

    static JobRecord RecordOf(const SqlStatement& st) {
        JobRecord job;
        job.id = st.Int(0);
        job.started = st.Int(1);
        job.kind = st.Int(2) == 1 ? JobKind::kUndo : JobKind::kJob;
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
    JobLockFile locks_;
    const HistorySettings settings_;
    const JournalBatching batching_;
    SqlStatement insertJob_, insertFolder_, insertEntry_, insertEntries_, selectJobs_, selectJob_,
        selectEntries_, selectExpired_, selectOutcome_, deleteEntries_, deleteFolders_, deleteJob_,
        updateUndoneBy_;
};

}  // namespace

std::unique_ptr<History> OpenSqliteHistory(const std::wstring& path,
                                           const HistorySettings& settings, std::wstring& problem) {
    return OpenSqliteHistory(path, settings, JournalBatching{}, problem);
}

std::unique_ptr<History> OpenSqliteHistory(const std::wstring& path,
                                           const HistorySettings& settings,
                                           const JournalBatching& batching, std::wstring& problem) {
    const std::string file = ToUtf8(path);
    const auto slash = file.find_last_of('/');
    if (slash != std::string::npos && !MakeFolders(file.substr(0, slash), problem))
        return nullptr;
    if (!PrepareFile(file, path, problem))
        return nullptr;
    try {
        SqlConnection db = SqlConnection::Open(file);
        sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
        if (!PrepareSchema(db, path, problem))
            return nullptr;
        TightenModes(file);
        Configure(db);
        // The store's own commits never fold the log back into the file:
        // Begin's commit would pay for it before the job's first write. The
        // journals' connections do it, on their own thread.
        db.Exec("PRAGMA wal_autocheckpoint=0");
        auto locks = JobLockFile::Open(LockPath(file));
        if (!locks) {
            problem = L"Can't open the history's lock file " + FromUtf8(LockPath(file)) + L": " +
                      locks.error().text;
            return nullptr;
        }
        return std::make_unique<SqliteHistory>(file, path, std::move(db), std::move(*locks),
                                               settings, batching);
    } catch (const SqlFailure& f) {
        problem = ProblemOf(f, path);
        return nullptr;
    }
}

std::wstring DefaultHistoryPath() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (home != nullptr && home[0] != '\0') {
            base = home;
        } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr) {
            base = pw->pw_dir;
        }
        base += "/.local/state";
    }
    return FromUtf8(base + "/torvane/history.sqlite3");
}

}  // namespace torvane
