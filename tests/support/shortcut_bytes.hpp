#pragma once

#include <cstdint>
#include <string>

#include "platform/text.hpp"
#include "utf16_bytes.hpp"

namespace torvane::testing {

// The bytes of a minimal Windows shortcut (Shell Link) file: the header and
// a relative path in UTF-16, nothing else.
inline std::string ShortcutTo(const std::wstring& relative) {
    std::string out;
    const auto put = [&out](std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    put(0x4C, 4);
    out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    put(0x8 | 0x80, 4);  // HasRelativePath, IsUnicode
    out.resize(0x4C, '\0');
    const std::u16string units = ToUtf16(relative);
    put(static_cast<std::uint32_t>(units.size()), 2);
    out += Utf16Le(units);
    return out;
}

}  // namespace torvane::testing
