#include "platform/win32_api.hpp"
//
#include <cerrno>

#include "platform/win32_support.hpp"

namespace torvane {
namespace {

// Not named by MinGW's headers.
constexpr DWORD kDiskQuotaExceeded = 1295;

struct ErrorPair {
    DWORD win32;
    int posix;
};

// Windows' codes for what the interface names; the rest read as EIO.
constexpr ErrorPair kErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},      {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},       {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},        {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_SHARING_VIOLATION, EBUSY},    {ERROR_LOCK_VIOLATION, EBUSY},
    {ERROR_ALREADY_EXISTS, EEXIST},      {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_INVALID_NAME, EINVAL},        {ERROR_BAD_PATHNAME, EINVAL},
    {ERROR_INVALID_PARAMETER, EINVAL},   {ERROR_DIRECTORY, ENOTDIR},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_DISK_FULL, ENOSPC},           {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {kDiskQuotaExceeded, EDQUOT},        {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_NOT_SAME_DEVICE, EXDEV},      {ERROR_NOT_SUPPORTED, ENOTSUP},
    {ERROR_INVALID_FUNCTION, ENOTSUP},   {ERROR_CALL_NOT_IMPLEMENTED, ENOSYS},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},   {ERROR_OUTOFMEMORY, ENOMEM},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE}, {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
    {ERROR_CANT_ACCESS_FILE, EACCES},    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_FILE_INVALID, ESTALE},        {ERROR_CRC, EIO},
    {ERROR_NO_MORE_FILES, ENOENT},
};

}  // namespace

std::wstring ToWindowsPath(const std::wstring& path) {
    std::wstring out = path;
    for (auto& c : out) {
        if (c == L'/')
            c = L'\\';
    }
    if (out.starts_with(L"\\\\?\\"))
        return out;
    const bool drive = out.size() >= 3 && out[1] == L':' && out[2] == L'\\';
    if (drive)
        return L"\\\\?\\" + out;
    if (out.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + out.substr(2);
    return out;
}

int ErrnoOfWin32Error(std::uint32_t code) {
    for (const ErrorPair& pair : kErrors) {
        if (pair.win32 == code)
            return pair.posix;
    }
    return EIO;
}

SystemError FromWin32Error(std::uint32_t code) {
    return SystemError::FromErrno(ErrnoOfWin32Error(code));
}

SystemError FromLastWin32Error() {
    return FromWin32Error(GetLastError());
}

SystemError FromNtStatus(long status) {
    using ToDosError = ULONG(WINAPI*)(NTSTATUS);
    static const auto convert = reinterpret_cast<ToDosError>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
    return FromWin32Error(convert ? convert(status) : ERROR_GEN_FAILURE);
}

namespace {
// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;
}  // namespace

std::int64_t SecondsOfFileTime(std::int64_t ticks) {
    const std::int64_t since1970 = ticks - kEpochTicks;
    // Floor division: a time before 1970 rounds down as the Linux one does.
    return since1970 >= 0 ? since1970 / kTicksPerSecond
                          : -((-since1970 + kTicksPerSecond - 1) / kTicksPerSecond);
}

std::int64_t FileTimeOfSeconds(std::int64_t seconds) {
    return seconds * kTicksPerSecond + kEpochTicks;
}

}  // namespace torvane
