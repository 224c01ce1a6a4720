#include "engine/job.hpp"

#include <exception>

#include "engine/apply_task.hpp"
#include "engine/disk_steps.hpp"
#include "platform/file_attributes.hpp"
#include "platform/progress.hpp"
#include "platform/text.hpp"
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

class JobWalker {
  public:
    JobWalker(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs, JobObserver& observer,
              JobResult& result)
        : settings_(settings),
          fs_(fs),
          dialogs_(dialogs),
          observer_(observer),
          result_(result),
          kinds_(ScanKinds(settings.tasks)) {
        const auto word = fs.GetAttributes(settings.root);
        rootIsFile_ = !word.ok() || !IsDirectoryWord(*word);
    }

    void ProcessFolder(std::wstring path);

  private:
    bool Compute(const std::wstring& path, const FileEntries& current, NewEntries& computed);
    void ProcessEntry(const FileEntry& current, const FileEntry& updated);

    const JobSettings& settings_;
    FileSystem& fs_;
    Dialogs& dialogs_;
    JobObserver& observer_;
    JobResult& result_;
    const KindsPresent kinds_;
    bool rootIsFile_ = false;
    NoProgress noProgress_;  // the job counts its own steps; listing draws nothing
};

void JobWalker::ProcessFolder(std::wstring path) {
    if (path.empty())
        return;
    if (const auto word = fs_.GetAttributes(path);
        word.ok() && IsDirectoryWord(*word) && path.back() != kPathSeparator)
        path += kPathSeparator;

    ListContext listing{fs_, dialogs_, noProgress_};
    listing.options = settings_.listOptions;
    listing.setAttributeOption = settings_.engine.setAttributeOption;
    FileEntries current;
    if (const auto listed = ListPath(listing, path, current); !listed.ok()) {
        result_.log.push_back(ErrorLogLine(L"Error reading directory:  ", path,
                                           fs_.SystemMessage(listed.error().code)));
        result_.error = true;
        return;
    }

    NewEntries computed;
    if (!Compute(path, current, computed))
        return;

    for (std::size_t i = 0; i < current.size(); ++i)
        ProcessEntry(current[i], computed.entries[i]);
}

// Computes the folder's new values; false, after a log line, when nothing in
// the folder may be touched.
bool JobWalker::Compute(const std::wstring& path, const FileEntries& current,
                        NewEntries& computed) {
    const ApplyContext context{settings_.engine, dialogs_, ApplyMode::JobMode, {}};
    try {
        computed = ComputeNewEntries(current, settings_.tasks, context);
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(L"Error processing directory " + path + L":\n" + FromUtf8(e.what()),
                             L"Error", MessageIcon::kError, MessageButtons::kOk);
        computed.result = TaskResult::Failed;
    }
    // An invalid pattern leaves the folder unchanged too; it is logged so the
    // job never reports success for work it did not do.
    if (computed.result != TaskResult::Ok) {
        result_.log.push_back(std::wstring(kErrorProcessingDirectory) + path);
        result_.error = true;
        return false;
    }
    return true;
}

void JobWalker::ProcessEntry(const FileEntry& current, const FileEntry& updated) {
    // Descend first, before the folder itself changes; never through a link.
    if (current.IsFolder() && settings_.listOptions.includeSubfolders == 1 &&
        (current.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        ProcessFolder(current.FullPath() + kPathSeparator);

    if (!PassedOver(current, settings_.engine)) {
        EntryStepState state;
        if (kinds_.rename && updated.name != current.name &&
            RenameStep(fs_, current, updated, state, result_) && rootIsFile_)
            result_.renamedRoot = updated.FullPath();
        if (kinds_.attribute && !state.failed && updated.attributes != current.attributes)
            AttributeStep(fs_, current, updated, state, result_);
        if (kinds_.timestamp && !state.failed && TimesDiffer(current, updated))
            TimestampStep(fs_, current, updated, state, result_);
        if (state.failed)
            result_.error = true;
    }
    observer_.JobStep(1);
}

}  // namespace

JobResult RunJob(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                 JobObserver& observer, std::int64_t startTime) {
    JobResult result;
    result.log.push_back(ErrorLogHeader(startTime));
    JobWalker(settings, fs, dialogs, observer, result).ProcessFolder(settings.root);
    observer.JobDone(result);
    return result;
}

}  // namespace torvane
