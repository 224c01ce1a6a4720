#pragma once

#include <string>
#include <string_view>

#include "platform/text.hpp"

namespace torvane::testing {

// The bytes of UTF-16 code units, each low byte first, with no byte-order
// mark: what a UTF-16LE file holds after its mark.
inline std::string Utf16Le(std::u16string_view units) {
    std::string bytes;
    bytes.reserve(2 * units.size());
    for (const char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

// A whole UTF-16LE file: the mark FF FE, then the units' bytes.
inline std::string Utf16LeFile(std::u16string_view units) {
    return "\xFF\xFE" + Utf16Le(units);
}

// The same for wide text, encoded as ToUtf16 encodes it.
inline std::string Utf16LeFile(std::wstring_view text) {
    return Utf16LeFile(ToUtf16(text));
}

}  // namespace torvane::testing
