#pragma once

// Handles and records shared by the Win32 backend's files. Include
// platform/win32_api.hpp before this.

#include <memory>
#include <string>

#include "platform/file_system.hpp"

namespace torvane {

// A kernel handle, closed when destroyed.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() {
        if (h_)
            CloseHandle(h_);
    }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        std::swap(h_, o.h_);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    HANDLE h_ = nullptr;
};

// Opens the entry `name` of the folder held by `folder` (never following a
// reparse point) with `access`; `options` adds NtCreateFile create options
// (FILE_DIRECTORY_FILE...). The name is looked up ignoring case, as Win32
// calls do, unless `foldCase` is false (where the volume allows telling
// case apart). Fails with ENOENT when nothing is there.
Result<UniqueHandle> OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access,
                                  ULONG options = 0, bool foldCase = true);

// Opens a path (following a final link only when `follow`) with `access`.
Result<UniqueHandle> OpenPath(const std::wstring& path, DWORD access, bool follow);

// The record of the open entry under `name`: its attribute word, times and id.
Result<FindRecord> RecordOfHandle(HANDLE h, const std::wstring& name);

// A folder held by `handle`, reached by `path` (ending with the separator).
std::unique_ptr<Folder> MakeWin32Folder(UniqueHandle handle, std::wstring path, FileId id);

}  // namespace torvane
