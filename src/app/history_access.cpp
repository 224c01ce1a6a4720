// The history as the front ends reach it, and what they say about its jobs.
#include "app/history_access.hpp"

#include "history/sqlite_history.hpp"
#include "platform/date_text.hpp"

namespace torvane {
namespace {

class BorrowedHistory : public History {
  public:
    explicit BorrowedHistory(History& history) : history_(history) {}
    using History::Begin;
    std::unique_ptr<JobJournal> Begin(JobRecord& job, const JournalSource& entries,
                                      std::wstring& problem) override {
        return history_.Begin(job, entries, problem);
    }
    std::vector<JobRecord> Jobs() override { return history_.Jobs(); }
    std::optional<JobRecord> Job(std::int64_t id) override { return history_.Job(id); }
    std::vector<JournalEntry> Entries(std::int64_t id) override { return history_.Entries(id); }
    void MarkUndone(std::int64_t job, std::int64_t undo) override {
        history_.MarkUndone(job, undo);
    }
    void Clear() override { history_.Clear(); }

  private:
    History& history_;
};

}  // namespace

std::unique_ptr<History> BorrowHistory(History& history) {
    return std::make_unique<BorrowedHistory>(history);
}

std::unique_ptr<History> OpenUserHistory(const HistorySettings& settings, std::wstring& problem) {
    problem.clear();
    if (!settings.enabled)
        return nullptr;
    return OpenSqliteHistory(DefaultHistoryPath(), settings, problem);
}

std::wstring UndoCommandFor(std::int64_t id) {
    return L"torvane-cli -Undo " + std::to_wstring(id) + L" -Apply";
}

std::wstring OutcomeText(JobOutcome outcome) {
    switch (outcome) {
        case JobOutcome::kRunning:
            return L"running";
        case JobOutcome::kDone:
            return L"done";
        case JobOutcome::kCancelled:
            return L"cancelled";
        case JobOutcome::kInterrupted:
            return L"interrupted";
    }
    return L"";
}

std::vector<std::wstring> InterruptedJobNotices(History& history) {
    std::vector<std::wstring> lines;
    for (const JobRecord& job : history.Jobs()) {
        if (job.outcome != JobOutcome::kInterrupted || job.undoneBy != 0)
            continue;
        lines.push_back(L"Job " + std::to_wstring(job.id) + L" on " + job.root +
                        L" was interrupted after " + std::to_wstring(job.done) + L" of " +
                        std::to_wstring(job.entries) +
                        L" entries; to put them back as they were: " + UndoCommandFor(job.id));
    }
    return lines;
}

std::wstring JobSummaryText(const JobRecord& job) {
    std::wstring text = L"job " + std::to_wstring(job.id);
    text += L", " + FormatDateText(job.started);
    if (job.kind == JobKind::kUndo)
        text += L", undo of job " + std::to_wstring(job.undoes);
    text += L", " + job.root;
    text += L", " + std::to_wstring(job.entries) + (job.entries == 1 ? L" change" : L" changes");
    text +=
        L", " + std::to_wstring(job.failures) + (job.failures == 1 ? L" failure" : L" failures");
    text += L", " + OutcomeText(job.outcome);
    if (job.undoneBy != 0)
        text += L", undone by job " + std::to_wstring(job.undoneBy);
    return text;
}

std::optional<JobRecord> LastJobNotUndone(History& history) {
    for (const JobRecord& job : history.Jobs()) {
        if (job.undoneBy == 0 && job.outcome != JobOutcome::kRunning)
            return job;
    }
    return std::nullopt;
}

std::wstring HistoryProblemMessage(const std::wstring& problem) {
    return L"The job history can't be written, so jobs run without it and can't be undone: " +
           problem;
}

}  // namespace torvane
