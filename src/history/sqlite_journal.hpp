#pragma once

#include <cstdint>
#include <memory>

#include "history/sqlite_db.hpp"
#include "history/sqlite_history.hpp"
#include "platform/posix_private_files.hpp"

namespace torvane::history {

// How long a journal's write waits for another process's: a job never
// waits on the history longer than about twice this at its end (the last
// batch, then the outcome), whatever holds the database.
constexpr int kJournalBusyTimeoutMs = 1000;

// The journal of job `id` in the history file `path`, writing through its
// own connection `db` and holding the job's `lock` until the job ends.
std::unique_ptr<JobJournal> MakeJournal(SqlConnection db, std::int64_t id, ByteLockFile lock,
                                        const JournalBatching& batching, const std::wstring& path);

}  // namespace torvane::history
