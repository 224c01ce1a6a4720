#include "platform/number_text.hpp"

#include <algorithm>
#include <limits>

namespace torvane {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

}  // namespace

std::int32_t ReadDecimalInt32(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    // Accumulate the magnitude in 64 bits and stop growing it once it is past
    // the range, so that any number of digits is read without overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (text[i] - L'0');
    }
    if (negative)
        return static_cast<std::int32_t>(-std::min(magnitude, kLimit));
    return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

}  // namespace torvane
