#include "engine/job.hpp"

#include "engine/apply_task.hpp"
#include "engine/disk_steps.hpp"
#include "engine/job_walker.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

// The kinds of task a list holds; a step whose kind is absent is never tried.
struct KindsPresent {
    bool rename = false;
    bool timestamp = false;
    bool attribute = false;
};

KindsPresent ScanKinds(const TaskList& tasks) {
    KindsPresent kinds;
    for (const auto& task : tasks) {
        switch (KindOfKeyword(GetTaskKeyword(task.definition)).value_or(TaskKind{})) {
            case TASK_KIND_RENAME:
                kinds.rename = true;
                break;
            case TASK_KIND_TIMESTAMP:
                kinds.timestamp = true;
                break;
            case TASK_KIND_ATTRIBUTE:
                kinds.attribute = true;
                break;
        }
    }
    return kinds;
}

bool TimesDiffer(const FileEntry& a, const FileEntry& b) {
    return a.created != b.created || a.modified != b.modified || a.accessed != b.accessed;
}

// The job's strategy for the walk: each entry's disk steps, one progress
// step per entry, and a log line for every failure.
class DiskSteps : public WalkVisitor {
  public:
    DiskSteps(const JobSettings& settings, FileSystem& fs, JobObserver& observer, bool rootIsFile,
              JobResult& result)
        : settings_(settings),
          fs_(fs),
          observer_(observer),
          result_(result),
          kinds_(ScanKinds(settings.tasks)),
          rootIsFile_(rootIsFile) {}

    void Entry(Folder& folder, const FileEntry& current, const FileEntry& updated) override {
        if (!PassedOver(current, settings_.engine)) {
            const StepTarget at{fs_, folder};
            EntryStepState state;
            if (kinds_.rename && updated.name != current.name &&
                RenameStep(at, current, updated, state, result_) && rootIsFile_)
                result_.renamedRoot = updated.FullPath();
            if (kinds_.attribute && !state.failed && updated.attributes != current.attributes)
                AttributeStep(at, current, updated, state, result_);
            if (kinds_.timestamp && !state.failed && TimesDiffer(current, updated))
                TimestampStep(at, current, updated, state, result_);
            if (state.failed)
                result_.error = true;
        }
        observer_.JobStep(1);
    }

    void FolderFailed(const FolderProblem& problem) override {
        result_.log.push_back(problem.logLine);
        result_.error = true;
    }

  private:
    const JobSettings& settings_;
    FileSystem& fs_;
    JobObserver& observer_;
    JobResult& result_;
    const KindsPresent kinds_;
    const bool rootIsFile_;
};

}  // namespace

JobResult RunJob(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                 JobObserver& observer, std::int64_t startTime) {
    JobResult result;
    result.log.push_back(ErrorLogHeader(startTime));
    const WalkRoot root = ResolveWalkRoot(fs, settings.root);
    DiskSteps steps(settings, fs, observer, root.isFile, result);
    JobWalker(settings, fs, dialogs, steps).WalkFolder(root.path);
    observer.JobDone(result);
    return result;
}

}  // namespace torvane
