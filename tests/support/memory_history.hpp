#pragma once
// A history kept in memory, for tests of the engine and the front ends: every
// record is written at once, and a test can put jobs in directly (one whose
// process "died" part-way) or make Begin fail.
#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "borrowed_history.hpp"
#include "engine/job_history.hpp"

namespace torvane::testing {

class MemoryHistory : public History {
  public:
    struct Stored {
        JobRecord job;
        std::vector<JournalEntry> entries;
    };

    // Begin fails with this problem when it is not empty.
    std::wstring failBegin;
    // How many journal calls (Aside, Finished, Ended) have been made.
    int journalCalls = 0;

    // Entries fails for this job (as a damaged store would).
    std::int64_t damagedJob = 0;
    // Jobs fails (as a store whose table of jobs is damaged would).
    bool damagedJobs = false;

    Result<std::unique_ptr<JobJournal>> Begin(JobRecord& job,
                                              const JournalSource& source) override {
        if (!failBegin.empty())
            return SystemError{EIO, failBegin};
        std::vector<JournalEntry> entries;
        entries.reserve(source.size());
        source.ForEach([&entries](const JournalEntry& e) { entries.push_back(e); });
        job.id = ++lastId_;
        job.outcome = JobOutcome::kRunning;
        job.done = job.failures = job.skipped = 0;
        job.entries = static_cast<std::int64_t>(entries.size());
        jobs_[job.id] = Stored{job, std::move(entries)};
        return Result<std::unique_ptr<JobJournal>>(std::make_unique<Journal>(*this, job.id));
    }

    // Puts a job in as a store would find it: its id is given here.
    std::int64_t Put(JobRecord job, std::vector<JournalEntry> entries) {
        job.id = ++lastId_;
        job.entries = static_cast<std::int64_t>(entries.size());
        jobs_[job.id] = Stored{job, std::move(entries)};
        return job.id;
    }

    // Begin with a list of entries.
    Result<std::unique_ptr<JobJournal>> Begin(JobRecord& job,
                                              const std::vector<JournalEntry>& entries) {
        return Begin(job, JournalEntryList(entries));
    }

    Result<std::vector<JobRecord>> Jobs() override {
        if (damagedJobs)
            return HistoryDamaged(L"The list of jobs can't be read.");
        std::vector<JobRecord> out;
        for (auto it = jobs_.rbegin(); it != jobs_.rend(); ++it)
            out.push_back(it->second.job);
        return out;
    }
    Result<std::optional<JobRecord>> Job(std::int64_t id) override {
        const auto it = jobs_.find(id);
        if (it == jobs_.end())
            return std::optional<JobRecord>();
        return std::optional<JobRecord>(it->second.job);
    }
    Result<std::vector<JournalEntry>> Entries(std::int64_t id) override {
        if (id == damagedJob)
            return HistoryDamaged(L"The entries of job " + std::to_wstring(id) + L" are damaged.");
        const auto it = jobs_.find(id);
        return it == jobs_.end() ? std::vector<JournalEntry>() : it->second.entries;
    }
    Status MarkUndone(std::int64_t job, std::int64_t undo) override {
        if (const auto it = jobs_.find(job); it != jobs_.end())
            it->second.job.undoneBy = undo;
        return Status::Ok();
    }
    Status Clear() override {
        jobs_.clear();
        return Status::Ok();
    }

    Stored& At(std::int64_t id) { return jobs_.at(id); }

  private:
    class Journal : public JobJournal {
      public:
        Journal(MemoryHistory& history, std::int64_t id) : history_(history), id_(id) {}
        void Aside(std::size_t entry, const EntryName& temporary) override {
            ++history_.journalCalls;
            auto& e = history_.At(id_).entries.at(entry);
            e.temporary = temporary;
            e.state = JournalState::kAside;
        }
        void Finished(std::size_t entry, JournalState state) override {
            ++history_.journalCalls;
            auto& stored = history_.At(id_);
            stored.entries.at(entry).state = state;
            if (state == JournalState::kDone)
                ++stored.job.done;
            else if (state == JournalState::kFailed)
                ++stored.job.failures;
            else if (state == JournalState::kSkipped)
                ++stored.job.skipped;
        }
        void Ended(JobOutcome outcome) override {
            ++history_.journalCalls;
            history_.At(id_).job.outcome = outcome;
        }

      private:
        MemoryHistory& history_;
        std::int64_t id_;
    };

    std::map<std::int64_t, Stored> jobs_;
    std::int64_t lastId_ = 0;
};

}  // namespace torvane::testing
