#include "history/sqlite_journal.hpp"

#include <condition_variable>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "history/entry_packs.hpp"
#include "history/history_file.hpp"
#include "history/history_rows.hpp"

namespace torvane::history {

namespace {

constexpr const char* kInsertProgress = "INSERT INTO progress(key, data) VALUES(?1, ?2)";
constexpr const char* kUpdateCounts =
    "UPDATE jobs SET done = ?2, failures = ?3, skipped = ?4 WHERE id = ?1";
constexpr const char* kUpdateOutcome = "UPDATE jobs SET outcome = ?2 WHERE id = ?1";

// A record held back by a running job's journal.
struct HeldRecord {
    std::size_t entry = 0;
    JournalState state = JournalState::kPlanned;
    EntryName temporary;  // for kAside
};

class Journal final : public JobJournal {
  public:
    Journal(SqlConnection db, std::int64_t id, ByteLockFile lock, const JournalBatching& batching,
            std::wstring path)
        : db_(std::move(db)),
          path_(std::move(path)),
          id_(id),
          lock_(std::move(lock)),
          batching_(batching),
          insertProgress_(db_, kInsertProgress),
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

    void Aside(std::size_t entry, const EntryName& temporary) override {
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
            if (!held_.empty())
                throw SqlFailure{lastFailure_, 0};  // the last batch was not stored
            SqlWriteTransaction tx(db_);
            updateOutcome_.Reset().Bind(1, id_).Bind(2, Stored(outcome)).Run();
            tx.Commit();
        } catch (const SqlFailure& f) {
            // The job stays "running" in the file; once the lock is let go
            // below it reads as interrupted after the entries recorded, and
            // the job's log says why.
            lost_ = ProblemOf(f, path_) +
                    L" The job's record stays as its last write left it: it reads as interrupted "
                    L"after the entries recorded so far.";
        }
        // The outcome is committed before the lock goes, so whoever finds
        // the lock free and reads the job again sees how it ended.
        lock_.Unlock(id_);
    }

    std::optional<std::wstring> Lost() const override { return lost_; }

  private:
    void Hold(HeldRecord record) {
        std::lock_guard lk(m_);
        held_.push_back(std::move(record));
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
    }

    void WriteLoop() {
        std::unique_lock lk(m_);
        for (;;) {
            wake_.wait_for(lk, batching_.interval,
                           [&] { return stop_ || held_.size() >= batching_.records; });
            const bool last = stop_;
            if (!held_.empty()) {
                std::vector<HeldRecord> batch;
                batch.swap(held_);
                lk.unlock();
                const bool ok = Write(batch);
                lk.lock();
                // The last round's failed batch stays held, so that Ended
                // knows the record is incomplete.
                if (!ok) {
                    // Kept for the next round: a busy or full disk may clear.
                    batch.insert(batch.end(), std::make_move_iterator(held_.begin()),
                                 std::make_move_iterator(held_.end()));
                    held_.swap(batch);
                }
            }
            if (last)
                return;
        }
    }

    // Stores a batch as one progress row (appended after the job's last,
    // so that reading the rows in order replays the records in order) and
    // the job's counts, in one transaction.
    bool Write(const std::vector<HeldRecord>& batch) {
        auto done = done_;
        auto failures = failures_;
        auto skipped = skipped_;
        batchBytes_.clear();
        for (const auto& r : batch) {
            AppendProgress(batchBytes_, r.entry, r.state, r.temporary);
            done += r.state == JournalState::kDone ? 1 : 0;
            failures += r.state == JournalState::kFailed ? 1 : 0;
            skipped += r.state == JournalState::kSkipped ? 1 : 0;
        }
        try {
            SqlWriteTransaction tx(db_);
            insertProgress_.Reset().Bind(1, KeyOf(id_, batches_)).BindBytes(2, batchBytes_).Run();
            updateCounts_.Reset()
                .Bind(1, id_)
                .Bind(2, done)
                .Bind(3, failures)
                .Bind(4, skipped)
                .Run();
            tx.Commit();
        } catch (const SqlFailure& f) {
            lastFailure_ = f.code;
            return false;
        }
        ++batches_;
        done_ = done;
        failures_ = failures;
        skipped_ = skipped;
        return true;
    }

    SqlConnection db_;
    const std::wstring path_;
    const std::int64_t id_;
    ByteLockFile lock_;
    const JournalBatching batching_;
    SqlStatement insertProgress_, updateCounts_, updateOutcome_;
    std::int64_t done_ = 0, failures_ = 0, skipped_ = 0;  // the writer's
    std::int64_t batches_ = 0;                            // the writer's: batches stored so far
    std::string batchBytes_;                              // the writer's
    bool ended_ = false;                                  // the job's thread's
    std::optional<std::wstring> lost_;                    // the job's thread's, once Ended
    int lastFailure_ = SQLITE_ERROR;                      // the writer's

    std::mutex m_;
    std::condition_variable wake_;
    std::vector<HeldRecord> held_;
    bool stop_ = false, stopped_ = false;
    std::thread writer_;
};

}  // namespace

std::unique_ptr<JobJournal> MakeJournal(SqlConnection db, std::int64_t id, ByteLockFile lock,
                                        const JournalBatching& batching, const std::wstring& path) {
    sqlite3_busy_timeout(db.get(), kJournalBusyTimeoutMs);
    return std::make_unique<Journal>(std::move(db), id, std::move(lock), batching, path);
}

}  // namespace torvane::history
