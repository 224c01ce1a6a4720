#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "platform/error_codes.hpp"

namespace torvane {

// A failure reported by the operating system: its error number and the
// standard library's description of it ("Permission denied"), without a line
// break. Every platform call that can fail reports one of these.
struct SystemError {
    int code = 0;
    std::wstring text;
    // What else the user must know, where the call left something behind
    // ("... is now PATH."); empty for most errors.
    std::wstring detail = {};

    // The error for an errno value, with strerror's text.
    static SystemError FromErrno(int code);
    // The error for the current value of errno.
    static SystemError FromLastErrno();
};

// The standard library's description of an errno value, as a wide string.
std::wstring ErrnoText(int code);

// The outcome of a call that returns nothing on success.
class Status {
  public:
    Status() = default;
    Status(SystemError error) : error_(std::move(error)) {}  // NOLINT: implicit by design

    static Status Ok() { return {}; }
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only valid when !ok().
    const SystemError& error() const { return *error_; }

  private:
    std::optional<SystemError> error_;
};

// A value or the system error that prevented it.
template <class T>
class Result {
  public:
    Result(T value) : v_(std::move(value)) {}            // NOLINT: implicit by design
    Result(SystemError error) : v_(std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only valid when ok().
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Only valid when !ok().
    const SystemError& error() const { return std::get<1>(v_); }

  private:
    std::variant<T, SystemError> v_;
};

}  // namespace torvane
