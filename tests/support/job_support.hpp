#pragma once
// Jobs as the tests run them: planned as the pipeline plans them, with the
// plan's messages shown through the test's dialogs as a front end shows
// them, and applied.
#include <cstdint>

#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "job_support.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

inline JobPlan BuildPlan(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                         PlanObserver* observer = nullptr) {
    JobPlan plan = PlanJob(settings, fs, observer);
    for (const PlanMessage& message : plan.messages)
        dialogs.ShowMessageText(message.text, message.caption, message.icon, MessageButtons::kOk);
    return plan;
}

// Plans and applies a job, trying every entry (problems included).
inline JobResult RunJob(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                        JobObserver& observer, std::int64_t startTime) {
    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    return ApplyPlan(plan, fs, observer, startTime, ProblemEntries::kAttempt);
}

// A plan's journal as a list: the entries History::Begin would store, and
// which of them each planned entry is.
struct PlanJournal {
    std::vector<JournalEntry> entries;
    JournalIndex index;
};

inline PlanJournal JournalOfPlan(const JobPlan& plan) {
    PlanJournal journal;
    journal.index = JournalIndex(plan);
    journal.entries.reserve(journal.index.size());
    // The entries' states as the job reads them from the disk before its first write.
    const PlanStates states = ReadPlanStates(plan);
    PlanJournalSource(plan, &states).ForEach([&](const JournalEntry& e) {
        journal.entries.push_back(e);
    });
    return journal;
}

}  // namespace torvane
