#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "engine/job_history.hpp"
#include "platform/system_error.hpp"

namespace torvane {

// The history of jobs kept in an SQLite database (see "The history store" in
// docs/architecture.md): one file shared by every Torvane process of the user,
// written ahead of each job and as it goes.

// The version of the database's layout this program writes (its
// `PRAGMA user_version`). A file with a higher version is left alone.
inline constexpr int kHistorySchemaVersion = 4;

// How a running job's journal writes the records it holds back: a batch at
// least every `interval`, and at once when `records` are waiting.
struct JournalBatching {
    std::chrono::milliseconds interval{50};
    std::size_t records = 4096;
};

// Opens the history at `path`, creating it (and the folders above it, mode
// 0700) when missing; the file and its companions are readable by their owner
// only. Returns the store (never null), or an error (EIO) whose text is one
// line a user understands when it can't be opened or created (a read-only
// folder, a full disk, a damaged file, a file from a newer version of the
// program). A file that can't be used is never written to.
Result<std::unique_ptr<History>> OpenSqliteHistory(const std::wstring& path,
                                                   const HistorySettings& settings);
Result<std::unique_ptr<History>> OpenSqliteHistory(const std::wstring& path,
                                                   const HistorySettings& settings,
                                                   const JournalBatching& batching);

// $XDG_STATE_HOME/torvane/history.sqlite3 when XDG_STATE_HOME holds an
// absolute path, else ~/.local/state/torvane/history.sqlite3. Creates nothing:
// OpenSqliteHistory makes the missing folders.
std::wstring DefaultHistoryPath();

}  // namespace torvane
