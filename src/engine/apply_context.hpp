#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "filelist/file_entry.hpp"
#include "filelist/icon_cache.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"

namespace torvane {

class FieldValues;
struct FieldMiss;

// The outcome of applying a task. Failed: the keyword is of no known kind, or
// a timestamp result is no storable date. InvalidExpression: the find pattern
// can't be built or matched, or its application ran past the time budget
// (EngineSettings::timeBudget); the user has been told.
enum class TaskResult { Ok, Failed, InvalidExpression };

// PreviewMode keeps each renamed entry's icon in step with its extension;
// JobMode does no icon work.
enum class ApplyMode { PreviewMode, JobMode };

// How long a job's regular expressions may take in all (every folder and
// task of the job; in the window, one application of a task to the list on
// show) before they are given up like an expression that can't be matched. Ordinary
// expressions take 1.6 to 4.7 microseconds a name here (a prefix, a date
// taken apart, an extension list), so the budget holds one to three million
// names in one folder; an expression near the matcher's complexity limit
// takes milliseconds a name or more, which would hold the window's preview
// for minutes or hours over a large folder. Five seconds is about when a
// desktop starts calling a window that does not answer hung.
inline constexpr std::chrono::seconds kTaskTimeBudget{5};

// The clock the budget is measured by.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// The time budget as it is spent: from the first regular expression that
// uses it, over every name any of them is applied to. One job shares one for
// all its folders and tasks, the plan included, so a runaway expression
// stops once, within the budget, however many folders the job walks; a
// preview of the window gives each computation its own. A job's folders are
// computed on several threads at once, so each part is atomic: the start is
// set by whichever pattern comes first, and the budget is given up (and said
// so) by one of them only.
struct TimeBudget {
    static constexpr std::int64_t kNotStarted = INT64_MIN;
    // steady_clock ticks since its epoch; kNotStarted until the first use.
    std::atomic<std::int64_t> start{kNotStarted};
    std::atomic<std::size_t> names{0};  // the names matched against it so far
    // steady_clock ticks spent meanwhile on other work than matching
    // (reading the files' metadata for fields), which the budget does not
    // count; summed over the threads, so a job on several is given more.
    std::atomic<std::int64_t> excluded{0};
    std::atomic<bool> spent{false};  // given up and said so: every later use gives up at once
};

// What the engine reads besides the entries and the tasks: the two
// preferences, as plain values, and the time budget of a task.
struct EngineSettings {
    bool caseSensitive = false;  // find and match respect letter case
    AttributeTarget attributeTarget = AttributeTarget::kFiles;  // what attribute tasks reach
    std::chrono::seconds timeBudget = kTaskTimeBudget;
    // Empty: std::chrono::steady_clock::now. A job's folders call it from
    // several threads at once (see folderThreads).
    SteadyClock clock = {};
    // The budget a whole job shares (WithJobBudget); null: each application
    // of a task to a sequence of entries has its own.
    std::shared_ptr<TimeBudget> jobBudget = {};
    // The threads a job's folders are planned and applied on at most; 0: as
    // many as the machine has cores. One folder always takes one thread.
    unsigned folderThreads = 0;
};

// The most threads a job's folders may be given.
inline constexpr unsigned kMostFolderThreads = 256;

// The settings with a budget of their own for one job, to be shared by every
// copy of them that the job makes; settings that have one keep it.
inline EngineSettings WithJobBudget(EngineSettings settings) {
    if (!settings.jobBudget)
        settings.jobBudget = std::make_shared<TimeBudget>();
    return settings;
}

// What PreviewMode needs to give renamed entries their icons: the entries on
// show, position for position with the sequence being transformed, and the
// icon cache. Both belong to the UI thread.
struct PreviewIcons {
    const FileEntries* current = nullptr;
    IconCache* cache = nullptr;
};

// Everything an application of tasks reads besides the entries and the
// tasks. A job keeps its own copy; nothing in it is shared mutable state
// except the dialogs (safe to call from a worker) and, in PreviewMode only,
// the icon cache.
struct ApplyContext {
    EngineSettings settings;
    Dialogs& dialogs;  // receives every message box of the engine
    ApplyMode mode = ApplyMode::JobMode;
    PreviewIcons icons;  // read in PreviewMode only
    // The metadata of the entries a computation began with, for tasks
    // whose replacement has fields (ComputeNewEntries sets both when they
    // are null), and where an entry's missing value is noted.
    FieldValues* fields = nullptr;
    std::vector<FieldMiss>* misses = nullptr;
};

}  // namespace torvane
