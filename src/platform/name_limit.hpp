#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.hpp"

namespace torvane {

// The longest name one folder entry may have: 255 bytes of UTF-8 on Linux
// (NAME_MAX), 255 UTF-16 units on Windows.
inline constexpr std::size_t kNameLimit = 255;
#ifdef _WIN32
inline constexpr const wchar_t* kNameLimitUnit = L"UTF-16 units";
#else
inline constexpr const wchar_t* kNameLimitUnit = L"bytes";
#endif

// Whether `name` is longer than kNameLimit in the file system's own unit.
inline bool NameOverLimit(std::wstring_view name) {
#ifdef _WIN32
    return Utf16Length(name) > kNameLimit;
#else
    // A character takes at most four bytes: a short name needs no conversion.
    return name.size() * 4 > kNameLimit && ToUtf8(name).size() > kNameLimit;
#endif
}

}  // namespace torvane
