#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    std::vector<std::wstring> paths;  // the folders and files given, as given
    TaskList tasks;
    ListOptions listOptions;
    EngineSettings engine;
    // How much of each entry the plan lists: everything where the plan's
    // entries are shown (the window's review), or only what the tasks need
    // (ListDetailFor) where only their changes are.
    EntryDetail listDetail = EntryDetail::kAll;
};

// What a listing must read for `tasks`: names and kinds when every task is
// a plain rename (its pattern, numbering and checks read nothing else),
// everything otherwise.
EntryDetail ListDetailFor(const TaskList& tasks);

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

}  // namespace torvane
