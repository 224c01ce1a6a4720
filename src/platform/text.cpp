#include "platform/text.hpp"

#include <algorithm>
#include <cstdint>

namespace torvane {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // byte b (>= 0x80) <-> U+DC00 + b
constexpr char32_t kReplacement = 0xFFFD;

// Whether a wide string holds UTF-16 code units (Windows) rather than
// whole code points (Linux).
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

constexpr bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

constexpr bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

constexpr char32_t CombinePair(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Decodes one well-formed UTF-8 sequence at bytes[i]; returns its length, or 0
// when the bytes there do not start a well-formed sequence.
size_t DecodeSequence(std::string_view bytes, size_t i, char32_t& out) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const size_t left = bytes.size() - i;
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (left < 2 || !IsContinuation(at(1)))
            return 0;
        out = (char32_t(b0 & 0x1F) << 6) | (at(1) & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3 || !IsContinuation(at(1)) || !IsContinuation(at(2)))
            return 0;
        // Overlong forms and encoded surrogates are not well-formed.
        if (b0 == 0xE0 && at(1) < 0xA0)
            return 0;
        if (b0 == 0xED && at(1) >= 0xA0)
            return 0;
        out = (char32_t(b0 & 0x0F) << 12) | (char32_t(at(1) & 0x3F) << 6) | (at(2) & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4 || !IsContinuation(at(1)) || !IsContinuation(at(2)) || !IsContinuation(at(3)))
            return 0;
        if (b0 == 0xF0 && at(1) < 0x90)
            return 0;
        if (b0 == 0xF4 && at(1) >= 0x90)
            return 0;
        out = (char32_t(b0 & 0x07) << 18) | (char32_t(at(1) & 0x3F) << 12) |
              (char32_t(at(2) & 0x3F) << 6) | (at(3) & 0x3F);
        return 4;
    }
    return 0;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Appends one code point to a wide string: as it is where wchar_t holds
// any, as a surrogate pair above U+FFFF where wchar_t is a UTF-16 unit.
void AppendWide(std::wstring& out, char32_t c) {
    if (kWideIsUtf16 && c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(c));
    }
}

}  // namespace

char32_t NextCodePoint(std::wstring_view text, size_t& i) {
    const auto unit = static_cast<char32_t>(static_cast<std::uint32_t>(text[i++]));
    if (kWideIsUtf16 && IsHighSurrogate(unit) && i < text.size() &&
        IsLowSurrogate(static_cast<char32_t>(text[i]))) {
        return CombinePair(unit, static_cast<char32_t>(text[i++]));
    }
    return unit;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        char32_t c = 0;
        const size_t n = DecodeSequence(bytes, i, c);
        if (n == 0) {
            out.push_back(static_cast<wchar_t>(kEscapeBase + b));
            ++i;
        } else {
            AppendWide(out, c);
            i += n;
        }
    }
    return out;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out.push_back(static_cast<char>(c - kEscapeBase));
        } else if (c > 0x10FFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::u16string ToUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    if constexpr (kWideIsUtf16) {
        for (wchar_t wc : text)
            out.push_back(static_cast<char16_t>(wc));
        return out;
    }
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(static_cast<std::uint32_t>(wc));
        if (c > 0x10FFFF)
            c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::wstring FromUtf16(std::u16string_view units) {
    std::wstring out;
    out.reserve(units.size());
    if constexpr (kWideIsUtf16) {
        for (char16_t u : units)
            out.push_back(static_cast<wchar_t>(u));
        return out;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (IsHighSurrogate(u) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            out.push_back(static_cast<wchar_t>(CombinePair(u, units[i + 1])));
            ++i;
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    return out;
}

size_t Utf16Length(std::wstring_view text) {
    if constexpr (kWideIsUtf16)
        return text.size();
    size_t n = 0;
    for (wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        n += (c >= 0x10000 && c <= 0x10FFFF) ? 2 : 1;
    }
    return n;
}

std::wstring AsciiLower(std::wstring_view text) {
    std::wstring lower(text);
    for (auto& c : lower)
        c = AsciiLower(c);
    return lower;
}

std::string AsciiLower(std::string_view bytes) {
    std::string lower(bytes);
    for (auto& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace torvane
