#include "filelist/folder_history.hpp"

#include "platform/file_system.hpp"

namespace torvane {

void FolderHistory::StartHistory(std::wstring path) {
    paths_.clear();
    paths_.push_back(std::move(path));
    index_ = 0;
}

bool FolderHistory::OpenFolder(const FileEntry& entry, bool includeSubfolders) {
    if (!entry.IsFolder() || !includeSubfolders)
        return false;
    if (!paths_.empty())
        paths_.resize(index_ + 1);
    paths_.push_back(entry.FullPath() + kPathSeparator);
    index_ = paths_.size() - 1;
    return true;
}

bool FolderHistory::Previous() {
    if (!CanGoBack())
        return false;
    --index_;
    return true;
}

bool FolderHistory::Next() {
    if (!CanGoForward())
        return false;
    ++index_;
    return true;
}

bool FolderHistory::CanGoBack() const {
    return paths_.size() >= 2 && index_ > 0;
}

bool FolderHistory::CanGoForward() const {
    return paths_.size() >= 2 && index_ < paths_.size() - 1;
}

std::wstring FolderHistory::Current() const {
    return paths_.empty() ? std::wstring() : paths_[index_];
}

std::wstring FolderHistory::Root() const {
    return paths_.empty() ? std::wstring() : paths_.front();
}

void FolderHistory::ReplaceRoot(std::wstring path) {
    if (paths_.empty()) {
        StartHistory(std::move(path));
    } else {
        paths_.front() = std::move(path);
    }
}

}  // namespace torvane
