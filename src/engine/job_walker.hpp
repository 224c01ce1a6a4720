#pragma once

#include <string>

#include "engine/apply_task.hpp"
#include "engine/job.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/progress.hpp"

namespace torvane {

// A folder whose entries the walk leaves alone.
struct FolderProblem {
    enum class Kind {
        kUnreadable,   // the folder could not be listed
        kNotComputed,  // its new values could not be computed
    };
    Kind kind;
    std::wstring folder;  // the folder's path, ending with the separator
    // The job's log line for it: "Error reading directory:  " + path + ten
    // full stops + the system's text, or "Error processing directory:  " + path.
    std::wstring logLine;
};

// What happens to what the walk finds: the job's disk steps, or the dry
// run's description of them.
class WalkVisitor {
  public:
    virtual ~WalkVisitor() = default;

    // One entry and its new values, after everything below it was visited.
    virtual void Entry(const FileEntry& current, const FileEntry& updated) = 0;

    // A folder that can't be read or computed; nothing in it is visited.
    virtual void FolderFailed(const FolderProblem& problem) = 0;
};

// The root a job walks: the path with the separator added when it names a
// folder, and whether it is a single file (or can't be looked at).
struct WalkRoot {
    std::wstring path;
    bool isFile = false;
};

// Looks at `root` once to tell a folder from a single file.
WalkRoot ResolveWalkRoot(FileSystem& fs, const std::wstring& root);

// The job's walk of a tree, in the job's order: each folder listed as the job
// lists it (`ListPath` with the job's list options, no icons, no progress),
// its new values computed with `ComputeNewEntries` in job mode (so numbering
// starts again in every folder), and then for each entry first what lies
// below it (subfolders included, never through a symbolic link), then the
// entry itself. Exceptions out of the computation become a message through
// `dialogs`; a folder that can't be read or computed goes to the visitor's
// FolderFailed and the walk goes on. The walk itself writes nothing.
class JobWalker {
  public:
    JobWalker(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs, WalkVisitor& visitor);

    // Lists and computes `folder` (a folder path ending with the separator,
    // or a single file), then walks its entries.
    void WalkFolder(const std::wstring& folder);

    // Walks entries already listed and computed (a root as the window shows
    // it), position for position.
    void WalkEntries(const FileEntries& current, const FileEntries& updated);

  private:
    // A folder's three steps, kept apart so that how a folder is reached
    // and read can change without touching what is done with its entries.
    bool ListFolder(const std::wstring& folder, FileEntries& current);
    bool ComputeFolder(const std::wstring& folder, const FileEntries& current,
                       NewEntries& computed);
    void Descend(const FileEntry& entry);

    const JobSettings& settings_;
    FileSystem& fs_;
    Dialogs& dialogs_;
    WalkVisitor& visitor_;
    NoProgress noProgress_;  // the job counts its own steps; listing draws nothing
};

}  // namespace torvane
