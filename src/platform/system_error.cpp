#include "platform/system_error.hpp"

#include <cerrno>
#include <cstring>

#include "platform/text.hpp"

namespace torvane {
namespace {

#ifdef _WIN32
// The Windows C runtime knows texts for the first 43 numbers only and words
// some of them differently; these are the texts the program shows for the
// numbers it reports, the same words on every system.
struct ErrnoWords {
    int code;
    const char* text;
};
constexpr ErrnoWords kErrnoWords[] = {
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {EINTR, "Interrupted system call"},
    {EIO, "Input/output error"},
    {EBADF, "Bad file descriptor"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {EXDEV, "Invalid cross-device link"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {EINVAL, "Invalid argument"},
    {EMFILE, "Too many open files"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {EROFS, "Read-only file system"},
    {ENAMETOOLONG, "File name too long"},
    {ENOSYS, "Function not implemented"},
    {ENOTEMPTY, "Directory not empty"},
    {EILSEQ, "Invalid or incomplete multibyte or wide character"},
    {ELOOP, "Too many levels of symbolic links"},
    {ENODATA, "No data available"},
    {EBADMSG, "Bad message"},
    {ENOTSUP, "Operation not supported"},
    {EOPNOTSUPP, "Operation not supported"},
    {ESTALE, "Stale file handle"},
    {EDQUOT, "Disk quota exceeded"},
};

const char* MessageOf(int code) {
    for (const ErrnoWords& words : kErrnoWords) {
        if (words.code == code)
            return words.text;
    }
    return nullptr;
}
#else
// strerror_r comes in two flavours; these overloads accept either.
[[maybe_unused]] const char* PickMessage(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* PickMessage(const char* result, const char*) {
    return result;
}
#endif

}  // namespace

std::wstring ErrnoText(int code) {
#ifdef _WIN32
    if (const char* text = MessageOf(code))
        return FromUtf8(text);
    return L"Unknown error " + std::to_wstring(code);
#else
    char buffer[256] = {};
    return FromUtf8(PickMessage(strerror_r(code, buffer, sizeof buffer), buffer));
#endif
}

SystemError SystemError::FromErrno(int code) {
    return SystemError{code, ErrnoText(code)};
}

SystemError SystemError::FromLastErrno() {
    return FromErrno(errno);
}

}  // namespace torvane
