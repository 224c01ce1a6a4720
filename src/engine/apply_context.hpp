#pragma once

#include <chrono>
#include <functional>

#include "filelist/file_entry.hpp"
#include "filelist/icon_cache.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"

namespace torvane {

// The outcome of applying a task. Failed: the keyword is of no known kind, or
// a timestamp result is no storable date. InvalidExpression: the find pattern
// can't be built or matched, or its application ran past the time budget
// (EngineSettings::timeBudget); the user has been told.
enum class TaskResult { Ok, Failed, InvalidExpression };

// PreviewMode keeps each renamed entry's icon in step with its extension;
// JobMode does no icon work.
enum class ApplyMode { PreviewMode, JobMode };

// How long one application of a task's regular expression to a sequence of
// entries (one folder's, in a job; the list on show, in the window) may take
// before it is given up like an expression that can't be matched. Ordinary
// expressions take 1.6 to 4.7 microseconds a name here (a prefix, a date
// taken apart, an extension list), so the budget holds one to three million
// names in one folder; an expression near the matcher's complexity limit
// takes milliseconds a name or more, which would hold the window's preview
// for minutes or hours over a large folder. Five seconds is about when a
// desktop starts calling a window that does not answer hung.
inline constexpr std::chrono::seconds kTaskTimeBudget{5};

// The clock the budget is measured by.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// What the engine reads besides the entries and the tasks: the two
// preferences, as plain values, and the time budget of a task.
struct EngineSettings {
    bool caseSensitive = false;  // find and match respect letter case
    AttributeTarget attributeTarget = AttributeTarget::kFiles;  // what attribute tasks reach
    std::chrono::seconds timeBudget = kTaskTimeBudget;
    SteadyClock clock = {};  // empty: std::chrono::steady_clock::now
};

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
};

}  // namespace torvane
