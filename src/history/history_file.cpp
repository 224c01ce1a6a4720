#include "history/history_file.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "history/sqlite_history.hpp"
#include "platform/posix_private_files.hpp"
#include "platform/system_error.hpp"
#include "platform/text.hpp"

namespace torvane {

namespace history {

namespace {

// "TRVH": tells a Torvane history from another SQLite database.
constexpr std::int64_t kApplicationId = 0x54525648;

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

// What the second version added: entries in packs, a row per folder's run of
// entries, and the journal's batches of progress, a row each. A file of the
// first version keeps its one row per entry in `entries`, which is still read.
constexpr const char* kSchemaPacks = R"sql(
CREATE TABLE packs(
  key INTEGER PRIMARY KEY,
  folder INTEGER NOT NULL,
  count INTEGER NOT NULL,
  data BLOB NOT NULL
);
CREATE TABLE progress(
  key INTEGER PRIMARY KEY,
  data BLOB NOT NULL
);
)sql";

// What the fourth version added: a job's count of entries left alone for a
// finding of the plan, apart from its failures. Older jobs read 0.
constexpr const char* kSchemaSkipped =
    "ALTER TABLE jobs ADD COLUMN skipped INTEGER NOT NULL DEFAULT 0";

}  // namespace

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

namespace {

std::wstring DamagedProblem(const std::wstring& path) {
    return ProblemOf(SqlFailure{SQLITE_CORRUPT, 0}, path);
}

}  // namespace

// Makes the missing folders of `dir`, mode 0700.
bool MakeFolders(const std::string& dir, std::wstring& problem) {
    const Status made = MakePrivateFolders(dir);
    if (!made.ok())
        problem = L"Can't create the history folder " + FromUtf8(dir) + L": " + made.error().text;
    return made.ok();
}

namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

}  // namespace

// Creates the database file with mode 0600 when it is missing (SQLite gives
// its -wal and -shm files the mode of the database), or checks the header of
// an existing one without SQLite, so that a file that is not a database, or
// one cut short, is reported and never touched. An empty file is a new one.
bool PrepareFile(const std::string& file, const std::wstring& path, std::wstring& problem) {
    const auto created = CreatePrivateFile(file);
    if (!created) {
        // Something that is there and is no file of this user's (a link, a
        // FIFO, another user's file) is never used.
        const bool there = created.error().code != ENOENT && created.error().code != EACCES &&
                           created.error().code != EROFS && created.error().code != ENOSPC;
        problem = (there ? L"Can't use the history file " : L"Can't create the history file ") +
                  path + L": " + created.error().text;
        return false;
    }
    if (*created)
        return true;
    const auto head = ReadFileHead(file, 100);
    if (!head || !head->regular) {
        problem = L"Can't open the history file " + path + L": " +
                  (head ? ErrnoText(EINVAL) : head.error().text);
        return false;
    }
    if (head->size == 0)
        return true;
    const auto* header = reinterpret_cast<const unsigned char*>(head->bytes.data());
    if (head->bytes.size() != 100 || std::memcmp(header, "SQLite format 3", 16) != 0) {
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
    const bool walHoldsFrames = FileSizeOrZero(file + "-wal") > 0;
    const std::uint64_t size = head->size;
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
    for (const char* suffix : {"", "-wal", "-shm", "-lock"})
        NarrowToOwner(file + suffix);
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
    if (version >= 1 && version < kHistorySchemaVersion) {
        db.Exec("PRAGMA journal_mode=WAL");
        SqlWriteTransaction tx(db);
        // Another process may have upgraded it while this one waited.
        const auto now = db.QueryInt("PRAGMA user_version");
        if (now == 1)
            db.Exec(kSchemaPacks);
        // Version 3 adds an optional part to a pack's entries (their exact
        // state), which version 2's packs simply lack: nothing to convert.
        if (now >= 1 && now <= 3)
            db.Exec(kSchemaSkipped);
        if (now >= 1 && now < kHistorySchemaVersion)
            db.Exec(("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion)).c_str());
        tx.Commit();
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
        db.Exec(kSchemaPacks);
        db.Exec(kSchemaSkipped);
        db.Exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
        db.Exec(("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion)).c_str());
    }
    tx.Commit();
    return true;
}

}  // namespace history

std::wstring DefaultHistoryPath() {
    return FromUtf8(UserStateFolder() + "/torvane/history.sqlite3");
}

}  // namespace torvane
