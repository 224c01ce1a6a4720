#pragma once

#include <cstdint>
#include <memory>

#include "history/sqlite_db.hpp"
#include "history/sqlite_history.hpp"
#include "platform/posix_private_files.hpp"

namespace torvane::history {

// The journal of job `id`, writing through its own connection `db` and
// holding the job's `lock` until the job ends.
std::unique_ptr<SqliteJobJournal> MakeJournal(SqlConnection db, std::int64_t id, ByteLockFile lock,
                                              const JournalBatching& batching);

}  // namespace torvane::history
