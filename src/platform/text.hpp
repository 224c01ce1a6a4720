#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Conversions between the core's wide strings and the encodings it meets.
// A wide string holds code points on Linux (32-bit wchar_t) and UTF-16 code
// units on Windows (16-bit wchar_t), where a character above U+FFFF takes a
// surrogate pair; every conversion here reads and writes pairs there.
//
// File names on Linux are bytes. FromUtf8 decodes valid UTF-8 normally and maps
// every byte of an invalid sequence to one character U+DC80..U+DCFF (byte 0x80
// to U+DC80, and so on); ToUtf8 maps those characters back to their bytes. So
// every name on disk survives a round trip through a wide string unchanged.
// Other lone surrogates are written in the generalised form (ED A0 80 for
// U+D800), and values beyond U+10FFFF become U+FFFD.

// The code point at text[i], advancing i past it: a surrogate pair read as
// one where wchar_t is a UTF-16 unit, any other unit as it is. i < size.
char32_t NextCodePoint(std::wstring_view text, size_t& i);

// Decodes UTF-8 (or any bytes) losslessly as described above.
std::wstring FromUtf8(std::string_view bytes);

// Encodes a wide string as UTF-8, turning U+DC80..U+DCFF back into raw bytes.
std::string ToUtf8(std::wstring_view text);

// Encodes a wide string as UTF-16 code units: characters above U+FFFF become
// surrogate pairs, lone surrogates are kept as single units (on Windows the
// units are copied as they are).
std::u16string ToUtf16(std::wstring_view text);

// Decodes UTF-16 code units: surrogate pairs are combined, lone surrogates
// are kept as they are, so ToUtf16(FromUtf16(x)) == x for any x.
std::wstring FromUtf16(std::u16string_view units);

// The number of UTF-16 code units that ToUtf16(text) would produce.
size_t Utf16Length(std::wstring_view text);

// ASCII letter case: the rule for the program's own words (switch names,
// preference keys, extensions it recognises, answers typed at a prompt),
// which never depends on the locale. Only A-Z and a-z pair up; every other
// character, non-ASCII letters included, is left as it is.

// `c` with A-Z turned into a-z.
constexpr wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// `text` with A-Z turned into a-z.
std::wstring AsciiLower(std::wstring_view text);

// UTF-8 `bytes` with A-Z turned into a-z; every other byte, those of
// non-ASCII characters included, is left as it is.
std::string AsciiLower(std::string_view bytes);

// Whether `a` and `b` are equal once A-Z are turned into a-z.
bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

}  // namespace torvane
