#include "platform/system_error.hpp"

#include <cerrno>
#include <cstring>

#include "platform/text.hpp"

namespace torvane {
namespace {

// strerror_r comes in two flavours; these overloads accept either.
[[maybe_unused]] const char* PickMessage(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* PickMessage(const char* result, const char*) {
    return result;
}

}  // namespace

std::wstring ErrnoText(int code) {
    char buffer[256] = {};
    return FromUtf8(PickMessage(strerror_r(code, buffer, sizeof buffer), buffer));
}

SystemError SystemError::FromErrno(int code) {
    return SystemError{code, ErrnoText(code)};
}

SystemError SystemError::FromLastErrno() {
    return FromErrno(errno);
}

}  // namespace torvane
