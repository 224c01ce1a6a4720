#include "engine/job.hpp"

#include "engine/plan.hpp"

namespace torvane {

JobResult RunJob(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                 JobObserver& observer, std::int64_t startTime) {
    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    return ApplyPlan(plan, fs, observer, startTime, ProblemEntries::kAttempt);
}

}  // namespace torvane
