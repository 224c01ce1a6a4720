#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace torvane {

// A small layer over SQLite's C interface for the history store: a failing
// call throws SqlFailure, which the store turns into a line for the user.

struct SqlFailure {
    int code = 0;         // SQLite's extended result code
    int systemError = 0;  // errno of the failing system call, 0 when none
};

// One connection, closed with the object.
class SqlConnection {
  public:
    SqlConnection() = default;
    ~SqlConnection();
    SqlConnection(SqlConnection&& o) noexcept : db_(o.db_) { o.db_ = nullptr; }
    SqlConnection& operator=(SqlConnection&&) = delete;
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Opens an existing database file for reading and writing.
    static SqlConnection Open(const std::string& path);

    sqlite3* get() const { return db_; }
    // Runs statements that return no rows.
    void Exec(const char* sql);
    // The first column of the first row of a one-value query.
    std::int64_t QueryInt(const char* sql);
    // Throws SqlFailure when `rc` is not a success.
    void Check(int rc) const;

  private:
    sqlite3* db_ = nullptr;
};

// A prepared statement, reset before each use.
class SqlStatement {
  public:
    SqlStatement(const SqlConnection& db, const char* sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    // Resets the statement for new values.
    SqlStatement& Reset();
    SqlStatement& Bind(int index, std::int64_t value);
    SqlStatement& BindNull(int index);
    // The bytes must stay until the statement is stepped.
    SqlStatement& BindBytes(int index, std::string_view bytes);
    // Steps once: true while there is a row.
    bool Step();
    // Steps a statement that returns no rows.
    void Run() { Step(); }

    std::int64_t Int(int column) const;
    bool IsNull(int column) const;
    std::string_view Bytes(int column) const;

  private:
    const SqlConnection& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A write transaction taken with BEGIN IMMEDIATE (so that it waits for the
// write lock at its start instead of failing part way) and rolled back unless
// committed.
class SqlWriteTransaction {
  public:
    explicit SqlWriteTransaction(SqlConnection& db);
    ~SqlWriteTransaction();
    SqlWriteTransaction(const SqlWriteTransaction&) = delete;
    SqlWriteTransaction& operator=(const SqlWriteTransaction&) = delete;
    void Commit();

  private:
    SqlConnection& db_;
    bool open_ = true;
};

}  // namespace torvane
