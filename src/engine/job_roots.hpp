#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.hpp"

namespace torvane {

// The places a job was given, each opened once. A job lists, plans and
// applies a root through the folder opened here, so that a path whose
// components are swapped for links meanwhile can't send it elsewhere.

// One root: a folder to list whole, or the files named in one folder.
struct JobRoot {
    // The folder's absolute path with its links resolved, ending with the
    // separator: what the plan, the log and the history show.
    std::wstring path;
    std::shared_ptr<Folder> folder;  // open; its id is the folder's identity
    // The names given in this folder, in the order given and each once;
    // empty for a folder root, which lists the whole folder.
    std::vector<std::wstring> files;
};

// A path that gives the job nothing to work on, or that repeats another.
struct RootProblem {
    std::wstring path;     // as given
    std::wstring message;  // one line a user understands
};

struct JobRoots {
    std::vector<JobRoot> roots;
    std::vector<RootProblem> problems;  // the job can't run as asked
    // Paths given twice, or reached through another root: each is planned
    // once, and the front end says so.
    std::vector<RootProblem> repeats;
    // The job was given one path, naming a file: renaming it renames what
    // the window shows.
    bool singleFile = false;
};

// Opens the roots of `paths`, in order. A folder (a path with or without its
// trailing separator, a link to a folder included) is a root of its own;
// files of one folder join one root, named in the order given; the same
// folder or file given twice, a file of a folder root's folder and, when
// `subfolders` are walked, a root below a folder root are kept once (as
// repeats). A path that can't be looked at or opened is a problem.
JobRoots OpenRoots(FileSystem& fs, const std::vector<std::wstring>& paths, bool subfolders);

}  // namespace torvane
