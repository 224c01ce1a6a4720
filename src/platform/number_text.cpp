#include "platform/number_text.hpp"

#include <algorithm>
#include <limits>

namespace torvane {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// A decimal number as wcstol and wcstoul see it: its sign, and its magnitude
// held up to just past `limit` (more digits don't grow it further).
struct Decimal {
    bool negative = false;
    std::int64_t magnitude = 0;
};

Decimal ReadDecimal(std::wstring_view text, std::int64_t limit) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    Decimal d;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        d.negative = text[i++] == L'-';
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (d.magnitude <= limit)
            d.magnitude = d.magnitude * 10 + (text[i] - L'0');
    }
    return d;
}

}  // namespace

std::int32_t ReadDecimalInt32(std::wstring_view text) {
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    const Decimal d = ReadDecimal(text, kLimit);
    if (d.negative)
        return static_cast<std::int32_t>(-std::min(d.magnitude, kLimit));
    return static_cast<std::int32_t>(std::min(d.magnitude, kLimit - 1));
}

std::optional<std::int32_t> ReadDecimalInt32InRange(std::wstring_view text) {
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    const Decimal d = ReadDecimal(text, kLimit);
    if (d.magnitude > (d.negative ? kLimit : kLimit - 1))
        return std::nullopt;
    return static_cast<std::int32_t>(d.negative ? -d.magnitude : d.magnitude);
}

std::uint32_t ReadDecimalUint32(std::wstring_view text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    const Decimal d = ReadDecimal(text, kMax);
    if (d.magnitude > kMax)
        return static_cast<std::uint32_t>(kMax);
    const auto value = static_cast<std::uint32_t>(d.magnitude);
    return d.negative ? 0u - value : value;
}

}  // namespace torvane
