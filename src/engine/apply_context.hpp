#pragma once

#include "filelist/file_entry.hpp"
#include "filelist/icon_cache.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"

namespace torvane {

// The outcome of applying a task. Failed: the keyword is of no known kind, or
// a timestamp result is no storable date. InvalidExpression: the find pattern
// can't be built or matched; the user has been told.
enum class TaskResult { Ok, Failed, InvalidExpression };

// PreviewMode keeps each renamed entry's icon in step with its extension;
// JobMode does no icon work.
enum class ApplyMode { PreviewMode, JobMode };

// The two preferences the engine reads, as plain values.
struct EngineSettings {
    bool caseSensitive = false;  // find and match respect letter case
    AttributeTarget attributeTarget = AttributeTarget::kFiles;  // what attribute tasks reach
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
