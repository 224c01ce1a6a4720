#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torvane {

// Reads a signed decimal number the way wcstol reads base 10 where long is
// 32 bits: leading white space (blank, tab, line feed, vertical tab, form
// feed, carriage return) and one sign are skipped, digits are read up to the
// first other character. Returns 0 for a text without digits, and the nearest
// limit for a value beyond the signed 32-bit range. Never fails.
std::int32_t ReadDecimalInt32(std::wstring_view text);

// Reads a number as ReadDecimalInt32 does, but returns nullopt for a value
// beyond the signed 32-bit range instead of the nearest limit.
std::optional<std::int32_t> ReadDecimalInt32InRange(std::wstring_view text);

// Reads an unsigned decimal number the way wcstoul reads base 10 where long
// is 32 bits: blanks and one sign skipped as above, a minus sign negating the
// value modulo 2^32, and 2^32 - 1 for a magnitude beyond the 32-bit range.
// Returns 0 for a text without digits. Never fails.
std::uint32_t ReadDecimalUint32(std::wstring_view text);

}  // namespace torvane
