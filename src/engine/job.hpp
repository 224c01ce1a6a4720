#pragma once

#include <cstdint>
#include <string>

#include "engine/apply_context.hpp"
#include "engine/error_log.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// Everything a job reads, as the job's own copy taken when it starts, so that
// nothing the user does meanwhile can change what it works on.
struct JobSettings {
    std::wstring root;  // the folder history's first path: a folder or a single file
    TaskList tasks;
    ListOptions listOptions;
    EngineSettings engine;
};

// What a job tells its front end.
class JobObserver {
  public:
    virtual ~JobObserver() = default;

    // One entry was processed. Called on the worker, in order; a front end
    // posts it to its UI thread and returns at once.
    virtual void JobStep(int entries) = 0;

    // Whether the user asked the job to stop. Polled on the worker between
    // two entries (never inside a rename chain or cycle), so that every entry
    // is left either done or untouched; the default never stops.
    virtual bool StopRequested() { return false; }

    // The job is over. Called on the worker, last of all; a front end has its
    // UI thread handle the result and returns only when that is done (the
    // result is valid until then).
    virtual void JobDone(const JobResult& result) = 0;
};

// The worker's body: starts the log at `startTime`, processes the root and
// everything below it, and hands the result to the observer's JobDone before
// returning it. Never throws; every failure becomes a log line.
JobResult RunJob(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                 JobObserver& observer, std::int64_t startTime);

}  // namespace torvane
