#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filelist/file_entry.hpp"

namespace torvane {

// The walk through the folders opened from the path the user chose. The
// first path is that choice (a folder ending with the separator, or one
// file): the root of a job and the path remembered for the next start.
// Invariant: when `paths()` is not empty, `index()` < its size.
class FolderHistory {
  public:
    // Starts a new history whose only path is `path`, on show.
    void StartHistory(std::wstring path);

    // Opens a listed folder: drops the paths after the one on show, appends
    // the folder's path (ending with the separator) and shows it. Returns
    // false and changes nothing unless `entry` is a folder and
    // `includeSubfolders` is set.
    bool OpenFolder(const FileEntry& entry, bool includeSubfolders);

    // Moves to the previous or next path; false, and no move, when there is
    // none (CanGoBack or CanGoForward is false). The caller then shows
    // Current().
    bool Previous();
    bool Next();

    // True when there are at least two paths and one before (after) the one
    // on show.
    bool CanGoBack() const;
    bool CanGoForward() const;

    // The path on show; empty when the history is empty.
    std::wstring Current() const;
    // The first path (the root); empty when the history is empty.
    std::wstring Root() const;
    // Replaces the first path (a job renamed the single file listed).
    void ReplaceRoot(std::wstring path);

    const std::vector<std::wstring>& paths() const { return paths_; }
    std::uint64_t index() const { return index_; }

  private:
    std::vector<std::wstring> paths_;
    std::uint64_t index_ = 0;
};

}  // namespace torvane
