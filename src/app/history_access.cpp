// The history as the front ends reach it, and what they say about its jobs.
#include "app/history_access.hpp"

#include <utility>

#include "history/sqlite_history.hpp"
#include "platform/date_text.hpp"

namespace torvane {
std::unique_ptr<History> OpenUserHistory(const HistorySettings& settings, std::wstring& problem) {
    problem.clear();
    if (!settings.enabled)
        return nullptr;
    auto opened = OpenSqliteHistory(DefaultHistoryPath(), settings);
    if (!opened) {
        problem = opened.error().text;
        return nullptr;
    }
    return std::move(*opened);
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
    const auto jobs = history.Jobs();
    if (!jobs)
        return {jobs.error().text};
    for (const JobRecord& job : *jobs) {
        if (job.outcome != JobOutcome::kInterrupted || job.undoneBy != 0)
            continue;
        lines.push_back(L"Job " + std::to_wstring(job.id) + L" on " + job.root +
                        L" was interrupted after at least " + std::to_wstring(job.done) + L" of " +
                        std::to_wstring(job.entries) +
                        L" entries; to put them back as they were: " + UndoCommandFor(job.id));
    }
    return lines;
}

std::wstring JobCountsText(const JobRecord& job) {
    return std::to_wstring(job.failures) + (job.failures == 1 ? L" failure, " : L" failures, ") +
           std::to_wstring(job.skipped) + L" skipped";
}

std::wstring JobSummaryText(const JobRecord& job) {
    std::wstring text = L"job " + std::to_wstring(job.id);
    text += L", " + FormatDateText(job.started);
    if (job.kind == JobKind::kUndo)
        text += L", undo of job " + std::to_wstring(job.undoes);
    text += L", " + job.root;
    text += L", " + std::to_wstring(job.entries) + (job.entries == 1 ? L" change" : L" changes");
    text += L", " + JobCountsText(job);
    text += L", " + OutcomeText(job.outcome);
    if (job.undoneBy != 0)
        text += L", undone by job " + std::to_wstring(job.undoneBy);
    return text;
}

}  // namespace torvane
