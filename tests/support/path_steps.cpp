#include "path_steps.hpp"

#include <fcntl.h>
#include <stdio.h>

#include <utility>

#include "fake_file_system.hpp"
#include "platform/text.hpp"

namespace torvane::testing {
namespace {

// The path without a trailing separator (the root keeps its own).
std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.pop_back();
    return path;
}

std::wstring NameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The folder holding the entry at `path` (without a trailing separator).
Result<std::unique_ptr<Folder>> FolderOf(FileSystem& fs, const std::wstring& path) {
    return fs.OpenFolder(FolderOfPath(path));
}

}  // namespace

Status SetAttributesAt(FileSystem& fs, const std::wstring& path, std::uint32_t attributes) {
    const std::wstring entry = WithoutTrailingSeparator(path);
    auto folder = FolderOf(fs, entry);
    if (!folder)
        return folder.error();
    return (*folder)->SetAttributes(NameOf(entry), attributes);
}

Result<std::unique_ptr<FileHandle>> OpenAt(FileSystem& fs, const std::wstring& path) {
    const std::wstring entry = WithoutTrailingSeparator(path);
    auto folder = FolderOf(fs, entry);
    if (!folder)
        return folder.error();
    return (*folder)->Open(NameOf(entry));
}

Status EncryptAt(FileSystem& fs, const std::wstring& path) {
    const std::wstring entry = WithoutTrailingSeparator(path);
    auto folder = FolderOf(fs, entry);
    if (!folder)
        return folder.error();
    return (*folder)->Encrypt(NameOf(entry));
}

Status DecryptAt(FileSystem& fs, const std::wstring& path) {
    const std::wstring entry = WithoutTrailingSeparator(path);
    auto folder = FolderOf(fs, entry);
    if (!folder)
        return folder.error();
    return (*folder)->Decrypt(NameOf(entry));
}

Status MoveAt(FileSystem& fs, const std::wstring& from, const std::wstring& to) {
    const std::wstring source = WithoutTrailingSeparator(from);
    const std::wstring target = WithoutTrailingSeparator(to);
    if (FolderOfPath(source) == FolderOfPath(target)) {
        auto folder = FolderOf(fs, source);
        if (!folder)
            return folder.error();
        return (*folder)->Move(NameOf(source), NameOf(target));
    }
    if (auto* fake = dynamic_cast<FakeFileSystem*>(&fs))
        return fake->Move(source, target);
#ifdef _WIN32
    // Windows' rename never replaces an existing entry.
    if (::_wrename(source.c_str(), target.c_str()) != 0)
        return SystemError::FromLastErrno();
#else
    if (::renameat2(AT_FDCWD, ToUtf8(source).c_str(), AT_FDCWD, ToUtf8(target).c_str(),
                    RENAME_NOREPLACE) != 0)
        return SystemError::FromLastErrno();
#endif
    return Status::Ok();
}

}  // namespace torvane::testing
