#pragma once
// A history that forwards every call to another, which must outlive it: for
// a test that keeps its history and hands it to an opener.
#include <functional>
#include <memory>
#include <vector>

#include "engine/job_history.hpp"

namespace torvane {

// A list of entries as a journal source.
class JournalEntryList final : public JournalSource {
  public:
    explicit JournalEntryList(const std::vector<JournalEntry>& entries) : entries_(entries) {}
    std::size_t size() const override { return entries_.size(); }
    void ForEach(const std::function<void(const JournalEntry&)>& each) const override {
        for (const JournalEntry& e : entries_)
            each(e);
    }

  private:
    const std::vector<JournalEntry>& entries_;
};

class BorrowedHistory : public History {
  public:
    explicit BorrowedHistory(History& history) : history_(history) {}
    Result<std::unique_ptr<JobJournal>> Begin(JobRecord& job,
                                              const JournalSource& entries) override {
        return history_.Begin(job, entries);
    }
    Result<std::vector<JobRecord>> Jobs() override { return history_.Jobs(); }
    Result<std::optional<JobRecord>> Job(std::int64_t id) override { return history_.Job(id); }
    Result<std::vector<JournalEntry>> Entries(std::int64_t id) override {
        return history_.Entries(id);
    }
    Status MarkUndone(std::int64_t job, std::int64_t undo) override {
        return history_.MarkUndone(job, undo);
    }
    Status Clear() override { return history_.Clear(); }

  private:
    History& history_;
};

inline std::unique_ptr<History> BorrowHistory(History& history) {
    return std::make_unique<BorrowedHistory>(history);
}

}  // namespace torvane
