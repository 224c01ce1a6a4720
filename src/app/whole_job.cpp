// The whole job's plan on a worker, and the count line that gives its
// numbers beside the folder's.
#include "app/whole_job.hpp"

#include <chrono>
#include <system_error>
#include <utility>

namespace torvane {
namespace {

std::wstring Counted(std::int64_t count, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(count) + (count == 1 ? one : many);
}

}  // namespace

// What the build tells: its progress, posted a few times a second at most,
// and whether it is to stop.
class WholeJobPlanner::Observer : public PlanObserver {
  public:
    Observer(std::function<void(std::int64_t)> progress, std::shared_ptr<std::atomic<bool>> cancel)
        : progress_(std::move(progress)), cancel_(std::move(cancel)) {}

    void FolderPlanned(std::int64_t entries) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        progress_(entries);
    }
    bool CancelRequested() override { return *cancel_; }

  private:
    std::function<void(std::int64_t)> progress_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

WholeJobPlanner::WholeJobPlanner(Services services, JobView* view, std::function<void()> ready)
    : fs_(services.fs), ui_(services.ui), view_(view), ready_(std::move(ready)) {}

WholeJobPlanner::~WholeJobPlanner() {
    Stop();
}

void WholeJobPlanner::Join() {
    if (cancel_)
        *cancel_ = true;
    // The worker only posts to the UI thread, never waits for it: this
    // join ends as soon as the build notices the cancel.
    if (worker_.joinable())
        worker_.join();
}

bool WholeJobPlanner::Plan(JobSettings settings, bool again) {
    if (!again && settings_ && SamePlanSettings(*settings_, settings))
        return false;
    Join();
    settings_ = settings;
    const std::uint64_t generation = ++generation_;
    planning_ = true;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    std::weak_ptr<int> alive = alive_;
    auto progress = [this, alive, generation](std::int64_t entries) {
        ui_.Post([this, alive, generation, entries] {
            if (!alive.expired() && generation == generation_ && planning_ && view_ != nullptr)
                view_->PlanProgress(entries);
        });
    };
    auto build = [this, alive, generation, progress, cancel = cancel_,
                  settings = std::move(settings)] {
        Observer observer(progress, cancel);
        auto plan = std::make_shared<const JobPlan>(PlanJob(settings, fs_, &observer));
        ui_.RunOrPost([this, alive, generation, plan = std::move(plan)]() mutable {
            if (!alive.expired())
                Take(generation, std::move(plan));
        });
    };
    try {
        worker_ = std::thread(build);
    } catch (const std::system_error&) {
        build();
    }
    return true;
}

void WholeJobPlanner::Take(std::uint64_t generation, std::shared_ptr<const JobPlan> plan) {
    if (generation != generation_ || !planning_)
        return;  // a later build, or Stop, replaced this one
    planning_ = false;
    plan_ = std::move(plan);
    if (ready_)
        ready_();
}

void WholeJobPlanner::Cancel() {
    if (planning_ && cancel_)
        *cancel_ = true;
}

void WholeJobPlanner::Stop() {
    Join();
    planning_ = false;
    plan_.reset();
    settings_.reset();
    ++generation_;
}

bool SamePlanSettings(const JobSettings& a, const JobSettings& b) {
    return a.paths == b.paths && a.tasks == b.tasks && a.listOptions == b.listOptions &&
           a.engine.caseSensitive == b.engine.caseSensitive &&
           a.engine.attributeTarget == b.engine.attributeTarget;
}

std::wstring ListCountText(std::int64_t folderChanges, std::int64_t folderProblems,
                           const JobPlan* job, bool reachesBeyond) {
    if (job == nullptr && !reachesBeyond)
        return PlanCountText(folderChanges, folderProblems);
    std::wstring text =
        Counted(folderChanges, L" change in this folder, ", L" changes in this folder, ");
    if (job != nullptr)
        text += std::to_wstring(job->changes) + L" in the job, ";
    const std::int64_t problems = job != nullptr ? job->problems : folderProblems;
    return text + Counted(problems, L" problem", L" problems");
}

}  // namespace torvane
