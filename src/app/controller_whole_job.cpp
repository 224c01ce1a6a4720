// The whole job in view: the settings a job would run with now, its plan
// kept up to date on a worker, and the count line.
#include "app/main_controller.hpp"

namespace torvane {

EngineSettings MainController::Engine() const {
    EngineSettings settings = EngineSettingsOf(prefs_.flags);
    ListOptions options = listOptions_;
    DescendForFilesOnly(options, settings.attributeTarget);
    return settings;
}

ListOptions MainController::ListingOptions() const {
    ListOptions options = listOptions_;
    AttributeTarget target = AttributeTarget::kFiles;
    DescendForFilesOnly(options, target);
    return options;
}

JobSettings MainController::JobSettingsNow() const {
    return JobSettings{{history_.Root()}, tasks_.tasks(), ListingOptions(), Engine()};
}

bool MainController::JobReachesBeyondFolder() const {
    return listOptions_.includeSubfolders || history_.Current() != history_.Root();
}

std::wstring MainController::CountLineText() const {
    if (newEntries().empty())
        return {};
    const JobPlan* job = wholeJobShown_ ? wholeJob_.plan().get() : nullptr;
    if (job != nullptr && job->cancelled)
        job = nullptr;
    return ListCountText(preview_.changes(), static_cast<std::int64_t>(preview_.findings().size()),
                         job, JobReachesBeyondFolder());
}

void MainController::ShowWholeJob(bool shown) {
    if (shown == wholeJobShown_)
        return;
    wholeJobShown_ = shown;
    if (shown)
        ReplanWholeJob(false);
    else
        wholeJob_.Stop();
    Notify(lists_, &FileListsView::WholeJobChanged);
}

void MainController::ReplanWholeJob(bool again) {
    if (!wholeJobShown_ || job_.running() || history_.paths().empty())
        return;
    // The view shows that a build is under way.
    if (wholeJob_.Plan(JobSettingsNow(), again) && wholeJob_.planning())
        Notify(lists_, &FileListsView::WholeJobChanged);
}

void MainController::WholeJobReady() {
    const auto& plan = wholeJob_.plan();
    if (plan && plan->cancelled) {
        // Cancelled from the progress bar: the toggle goes off rather than
        // showing part of a job.
        wholeJobShown_ = false;
        wholeJob_.Stop();
    }
    Notify(lists_, &FileListsView::WholeJobChanged);
}

void MainController::StopWholeJobBuild() {
    if (!wholeJob_.planning())
        return;
    wholeJob_.Stop();
    Notify(lists_, &FileListsView::WholeJobChanged);
}

}  // namespace torvane
