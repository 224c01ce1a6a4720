#pragma once

#include <string>

#include "history/sqlite_db.hpp"

// Where the history's file is and whether it can be used: its folders, its
// modes, its header, its version, and the lines that tell the user why not.
namespace torvane::history {

// How long a writer waits for another process's write to end. A Begin of
// 100,000 entries holds the write lock for a fraction of a second.
constexpr int kBusyTimeoutMs = 10000;

// Sets up a connection's per-connection settings (see the definition).
void Configure(SqlConnection& db);
// One line for the user about a failure of the store at `path`.
std::wstring ProblemOf(const SqlFailure& f, const std::wstring& path);
// Makes the missing folders of `dir`, mode 0700.
bool MakeFolders(const std::string& dir, std::wstring& problem);
// Creates the database file with mode 0600 when it is missing, or checks the
// header of an existing one without SQLite (see the definition).
bool PrepareFile(const std::string& file, const std::wstring& path, std::wstring& problem);
// Narrows the history's files to the owner's read and write.
void TightenModes(const std::string& file);
// Checks the version and kind of an opened database, creating the tables in a
// new one. Returns false with `problem` set for a file that must be left alone.
bool PrepareSchema(SqlConnection& db, const std::wstring& path, std::wstring& problem);

}  // namespace torvane::history
