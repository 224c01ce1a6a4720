#include "history/sqlite_db.hpp"

#include <mutex>

namespace torvane {

SqlConnection::~SqlConnection() {
    if (db_ != nullptr)
        sqlite3_close_v2(db_);
}

SqlConnection SqlConnection::Open(const std::string& path) {
    // SQLite counts every allocation under a global mutex unless told not
    // to; the count is of no use here. Only possible before its first use
    // (otherwise refused, and harmless).
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    SqlConnection c;
    // Each connection is used by one thread at a time (the store's calls are
    // serialised by its own mutex, a journal's by its writer), so SQLite's
    // per-connection mutex is left out.
    const int rc =
        sqlite3_open_v2(path.c_str(), &c.db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        SqlFailure failure{rc, c.db_ != nullptr ? sqlite3_system_errno(c.db_) : 0};
        if (c.db_ != nullptr)
            failure.code = sqlite3_extended_errcode(c.db_);
        throw failure;
    }
    sqlite3_extended_result_codes(c.db_, 1);
    return c;
}

void SqlConnection::Check(int rc) const {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    throw SqlFailure{sqlite3_extended_errcode(db_), sqlite3_system_errno(db_)};
}

void SqlConnection::Exec(const char* sql) {
    Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

std::int64_t SqlConnection::QueryInt(const char* sql) {
    SqlStatement st(*this, sql);
    return st.Step() ? st.Int(0) : 0;
}

SqlStatement::SqlStatement(const SqlConnection& db, const char* sql) : db_(db) {
    db_.Check(sqlite3_prepare_v3(db.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr));
}

SqlStatement::~SqlStatement() {
    sqlite3_finalize(stmt_);
}

SqlStatement& SqlStatement::Reset() {
    sqlite3_reset(stmt_);
    return *this;
}

SqlStatement& SqlStatement::Bind(int index, std::int64_t value) {
    db_.Check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

SqlStatement& SqlStatement::BindNull(int index) {
    db_.Check(sqlite3_bind_null(stmt_, index));
    return *this;
}

SqlStatement& SqlStatement::BindBytes(int index, std::string_view bytes) {
    // An empty text is stored as an empty value, not as NULL.
    static const char kEmpty = 0;
    db_.Check(sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kEmpty : bytes.data(),
                                  bytes.size(), SQLITE_STATIC));
    return *this;
}

bool SqlStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        return false;
    }
    const int code = sqlite3_extended_errcode(db_.get());
    const int system = sqlite3_system_errno(db_.get());
    sqlite3_reset(stmt_);
    throw SqlFailure{code, system};
}

std::int64_t SqlStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

bool SqlStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string_view SqlStatement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (data == nullptr || size <= 0)
        return {};
    return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

SqlWriteTransaction::SqlWriteTransaction(SqlConnection& db) : db_(db) {
    db_.Exec("BEGIN IMMEDIATE");
}

SqlWriteTransaction::~SqlWriteTransaction() {
    if (open_)
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlWriteTransaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

}  // namespace torvane
