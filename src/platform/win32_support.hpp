#pragma once

// What the Win32 backend's files share: paths in the form the wide calls
// take, and Windows error codes in the interface's vocabulary (errno values,
// platform/error_codes.hpp). Include platform/win32_api.hpp before this.

#include <cstdint>
#include <string>

#include "platform/system_error.hpp"

namespace torvane {

// `path` as the wide calls take it: '/' turned into '\', and an absolute
// drive or UNC path given the \\?\ prefix, so that it may be longer than
// MAX_PATH and names ending in a dot or a space are taken as they are.
std::wstring ToWindowsPath(const std::wstring& path);

// The interface's errno value for a Windows error code (ERROR_*); EIO for
// one it does not know.
int ErrnoOfWin32Error(std::uint32_t code);

// The error for a Windows error code: the mapped errno value and its text.
SystemError FromWin32Error(std::uint32_t code);

// The error for GetLastError().
SystemError FromLastWin32Error();

// The error for an NTSTATUS of the native calls (NtCreateFile...).
SystemError FromNtStatus(long status);

// Seconds since 1970 UTC of a FILETIME's 100-nanosecond count since 1601,
// and back.
std::int64_t SecondsOfFileTime(std::int64_t ticks);
std::int64_t FileTimeOfSeconds(std::int64_t seconds);

}  // namespace torvane
