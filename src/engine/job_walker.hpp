#pragma once

#include <memory>
#include <string>

#include "engine/apply_task.hpp"
#include "engine/job.hpp"
#include "filelist/file_entry.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/progress.hpp"

namespace torvane {

// A folder whose entries the walk leaves alone.
struct FolderProblem {
    enum class Kind {
        kUnreadable,   // the folder could not be listed
        kNotComputed,  // its new values could not be computed
        kReplaced,     // a link, file or other folder took its name after it was listed
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

    // One entry and its new values, after everything below it was visited;
    // `folder` is the entry's folder, held open since it was listed.
    virtual void Entry(Folder& folder, const FileEntry& current, const FileEntry& updated) = 0;

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

// The job's walk of a tree, in the job's order: each folder opened once and
// listed through its descriptor as the job lists it (`ListFolder` with the
// job's list options, no icons, no progress),
// its new values computed with `ComputeNewEntries` in job mode (so numbering
// starts again in every folder), and then for each entry first what lies
// below it (subfolders included, entered from the open parent, never through
// a symbolic link and only while the name still holds the folder that was
// listed), then the entry itself. Exceptions out of the computation become a message through
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
    // A folder's steps, kept apart so that how a folder is reached and read
    // can change without touching what is done with its entries.
    std::unique_ptr<Folder> OpenRoot(const std::wstring& path);
    void Walk(Folder& folder, const std::wstring& path);
    bool List(Folder& folder, const std::wstring& path, FileEntries& current);
    bool ComputeFolder(const std::wstring& folder, const FileEntries& current,
                       NewEntries& computed);
    void WalkEntries(Folder& folder, const FileEntries& current, const FileEntries& updated);
    void Descend(Folder& parent, const FileEntry& entry);
    void Unreadable(const std::wstring& folder, const SystemError& error);
    ListContext Listing();

    const JobSettings& settings_;
    FileSystem& fs_;
    Dialogs& dialogs_;
    WalkVisitor& visitor_;
    NoProgress noProgress_;  // the job counts its own steps; listing draws nothing
};

}  // namespace torvane
