// The program's own files on Windows (the job history): folders made with a
// protected access list that grants the owner alone, files checked for being
// regular files, and byte locks (LockFileEx) that Windows lets go when the
// process ends. Paths are UTF-8 with '/' or '\' separators.
#include "platform/win32_api.hpp"
//
#include <io.h>
#include <sddl.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/file_attributes.hpp"
#include "platform/posix_private_files.hpp"
#include "platform/text.hpp"
#include "platform/win32_support.hpp"

namespace torvane {
namespace {

std::wstring WidePath(const std::string& path) {
    return ToWindowsPath(FromUtf8(path));
}

// A security descriptor that grants full access to the owner alone, none
// inherited from the parent; freed when destroyed.
class OwnerOnly {
  public:
    OwnerOnly() {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;OICI;FA;;;OW)", SDDL_REVISION_1, &descriptor_, nullptr);
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_;
    }
    ~OwnerOnly() { LocalFree(descriptor_); }
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;
    SECURITY_ATTRIBUTES* get() { return descriptor_ ? &attributes_ : nullptr; }

  private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// Opens `path` for reading without following a reparse point.
HANDLE OpenNoFollow(const std::string& path, DWORD access, DWORD flags = 0) {
    return CreateFileW(WidePath(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
}

// What the open entry is: ELOOP for a reparse point, EINVAL (or ENOTDIR)
// when it is not of the kind asked for.
Status CheckKind(HANDLE h, bool folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info))
        return FromLastWin32Error();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return SystemError{ELOOP, L"It is a symbolic link"};
    const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder && !isFolder)
        return SystemError::FromErrno(ENOTDIR);
    if (!folder && isFolder)
        return SystemError{EINVAL, L"Not a regular file"};
    return Status::Ok();
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

std::string UserStateFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return local != nullptr && local[0] != L'\0' ? ToUtf8(local) : std::string();
}

Status CheckPrivateFolder(const std::string& dir) {
    const HANDLE h = OpenNoFollow(dir, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE)
        return FromLastWin32Error();
    const Status status = CheckKind(h, true);
    CloseHandle(h);
    return status;
}

Status MakePrivateFolders(const std::string& dir) {
    OwnerOnly security;
    for (std::size_t at = dir.find_first_of("/\\", 1); at != std::string::npos;
         at = dir.find_first_of("/\\", at + 1)) {
        const std::string part = dir.substr(0, at);
        if (part.size() <= 2 || part.back() == ':')
            continue;  // the drive itself
        if (!CreateDirectoryW(WidePath(part).c_str(), security.get()) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return FromLastWin32Error();
    }
    if (!CreateDirectoryW(WidePath(dir).c_str(), security.get()) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return FromLastWin32Error();
    return CheckPrivateFolder(dir);
}

Result<bool> CreatePrivateFile(const std::string& path) {
    OwnerOnly security;
    const HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 security.get(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS)
        return FromLastWin32Error();
    const HANDLE existing = OpenNoFollow(path, FILE_READ_ATTRIBUTES);
    if (existing == INVALID_HANDLE_VALUE)
        return FromLastWin32Error();
    const Status kind = CheckKind(existing, false);
    CloseHandle(existing);
    if (!kind)
        return kind.error();
    return false;
}

Result<FileHead> ReadFileHead(const std::string& path, std::size_t count) {
    const HANDLE h = OpenNoFollow(path, GENERIC_READ, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE)
        return FromLastWin32Error();
    FileHead head;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) {
        const SystemError error = FromLastWin32Error();
        CloseHandle(h);
        return error;
    }
    head.regular =
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    head.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    head.bytes.resize(head.regular ? count : 0);
    std::size_t got = 0;
    while (got < head.bytes.size()) {
        DWORD n = 0;
        if (!ReadFile(h, head.bytes.data() + got, static_cast<DWORD>(head.bytes.size() - got), &n,
                      nullptr) ||
            n == 0)
            break;
        got += n;
    }
    head.bytes.resize(got);
    CloseHandle(h);
    return head;
}

std::uint64_t FileSizeOrZero(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The files were made with an owner-only access list (MakePrivateFolders,
// CreatePrivateFile) whose entries SQLite's own files inherit: nothing to do.
void NarrowToOwner(const std::string&) {}

ByteLockFile::~ByteLockFile() {
    if (fd_ >= 0)
        _close(fd_);
}

ByteLockFile& ByteLockFile::operator=(ByteLockFile&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0)
            _close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

Result<ByteLockFile> ByteLockFile::Open(const std::string& path) {
    OwnerOnly security;
    const HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 security.get(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FromLastWin32Error();
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), 0);
    if (fd < 0) {
        CloseHandle(h);
        return SystemError::FromErrno(EMFILE);
    }
    return ByteLockFile(fd);
}

namespace {

OVERLAPPED At(std::int64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return where;
}

}  // namespace

Status ByteLockFile::Lock(std::int64_t offset) {
    OVERLAPPED where = At(offset);
    if (!LockFileEx(HandleOf(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &where))
        return FromLastWin32Error();
    return Status::Ok();
}

void ByteLockFile::Unlock(std::int64_t offset) {
    OVERLAPPED where = At(offset);
    UnlockFileEx(HandleOf(fd_), 0, 1, 0, &where);
}

// Windows has no call that asks who holds a lock: the byte is locked through
// this open file and let go at once. Only other open files' locks make that
// fail, as long as this one holds no lock on that byte itself (the history's
// handle that asks never does; each job's journal holds its own).
bool ByteLockFile::HeldElsewhere(std::int64_t offset) const {
    OVERLAPPED where = At(offset);
    if (!LockFileEx(HandleOf(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &where))
        return true;
    where = At(offset);
    UnlockFileEx(HandleOf(fd_), 0, 1, 0, &where);
    return false;
}

}  // namespace torvane
