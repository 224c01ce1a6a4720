#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/main_view.hpp"
#include "app/ui_thread.hpp"
#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The whole job in view: the plan of the job Apply would run now, built on a
// worker so that a large tree never holds the window, with the planning
// progress on the job view. The plan is the one the job's review shows (the
// same settings through the same BuildPlan); it is built again only when the
// settings change or the caller says the disk may have. Everything here but
// the worker runs on the UI thread.
class WholeJobPlanner {
  public:
    struct Services {
        FileSystem& fs;
        UiThread& ui;
    };

    // `view` hears PlanProgress while a plan is built (may be null); `ready`
    // runs on the UI thread once a build has ended, finished or cancelled.
    WholeJobPlanner(Services services, JobView* view, std::function<void()> ready);
    // Stops the build under way and waits for its worker.
    ~WholeJobPlanner();
    WholeJobPlanner(const WholeJobPlanner&) = delete;
    WholeJobPlanner& operator=(const WholeJobPlanner&) = delete;

    // Plans `settings` on a worker, unless the plan in hand (or under way) is
    // of the same settings and `again` is false. A build under way for other
    // settings is stopped first. When no thread can be made the plan is
    // built here and then. Returns true when a build was started.
    bool Plan(JobSettings settings, bool again);
    // Stops the build under way; its `ready` follows with a cancelled plan.
    void Cancel();
    // Stops any build and forgets the plan; no `ready` follows.
    void Stop();

    // True while a build is under way.
    bool planning() const { return planning_; }
    // The plan last built (cancelled() says whether it is whole); null while
    // none is in hand.
    const std::shared_ptr<const JobPlan>& plan() const { return plan_; }

  private:
    class Observer;
    void Join();
    void Take(std::uint64_t generation, std::shared_ptr<const JobPlan> plan);

    FileSystem& fs_;
    UiThread& ui_;
    JobView* view_;
    std::function<void()> ready_;
    std::optional<JobSettings> settings_;  // of the plan in hand or under way
    std::shared_ptr<const JobPlan> plan_;
    bool planning_ = false;
    std::uint64_t generation_ = 0;  // of the build whose result is awaited
    std::shared_ptr<std::atomic<bool>> cancel_;
    // Expires with the planner: work posted by a worker does nothing then.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::thread worker_;
};

// Whether two jobs' settings plan alike: the same paths, tasks, list options
// and engine settings (the time budget and its clock aside).
bool SamePlanSettings(const JobSettings& a, const JobSettings& b);

// The count line below the file lists. With the job's plan in hand (`job`,
// whole): "N changes in this folder, M in the job, P problems" with the
// job's problems. Without it, for a job that reaches past the folder on show
// (`reachesBeyond`): "N changes in this folder, P problems"; otherwise the
// folder is the job: PlanCountText(N, P). Singular for one.
std::wstring ListCountText(std::int64_t folderChanges, std::int64_t folderProblems,
                           const JobPlan* job, bool reachesBeyond);

}  // namespace torvane
