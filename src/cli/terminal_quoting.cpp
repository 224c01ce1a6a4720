#include "cli/terminal_quoting.hpp"

#include <cwchar>

#include "platform/text.hpp"

namespace torvane {
namespace {

// The letter of a C0 control's short escape, or 0 when it has none.
wchar_t ShortEscapeOf(wchar_t c) {
    switch (c) {
        case L'\a':
            return L'a';
        case L'\b':
            return L'b';
        case L'\t':
            return L't';
        case L'\n':
            return L'n';
        case L'\v':
            return L'v';
        case L'\f':
            return L'f';
        case L'\r':
            return L'r';
        case 0x1B:
            return L'e';
        default:
            return 0;
    }
}

// Characters that format text invisibly or that a terminal may act on:
// C1 controls, the line and paragraph separators, bidi controls and
// surrogates that are not a name's undecodable byte.
bool NeedsCodeEscape(wchar_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 ||
           c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           (c >= 0xD800 && c <= 0xDFFF);
}

void AppendHex(std::wstring& out, const wchar_t* prefix, unsigned value, int digits) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%ls%0*x", prefix, digits, value);
    out += buffer;
}

std::wstring_view WithoutTrailingBreaks(std::wstring_view text) {
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.remove_suffix(1);
    return text;
}

// QuoteForTerminal, with a backslash doubled or kept as it is.
std::wstring Quote(std::wstring_view text, bool doubleBackslash) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        // A character above U+FFFF (a surrogate pair on Windows) is shown
        // as it is; a lone surrogate is escaped below.
        if (const char32_t code = NextCodePoint(text, i); code > 0xFFFF) {
            out += text.substr(start, i - start);
            continue;
        }
        const wchar_t c = text[start];
        if (c == L'\\') {
            out += doubleBackslash ? L"\\\\" : L"\\";
        } else if (const wchar_t letter = ShortEscapeOf(c); letter != 0) {
            out += L'\\';
            out += letter;
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(out, L"\\x", static_cast<unsigned>(c), 2);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            AppendHex(out, L"\\x", static_cast<unsigned>(c - 0xDC00), 2);
        } else if (NeedsCodeEscape(c)) {
            AppendHex(out, L"\\u", static_cast<unsigned>(c), 4);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::wstring QuoteForTerminal(std::wstring_view text) {
    return Quote(text, true);
}

std::wstring QuoteTyped(std::wstring_view text) {
    return Quote(text, false);
}

std::wstring QuoteMessage(const MessageText& text) {
    std::wstring out;
    for (const auto& piece : text.pieces()) {
        if (!piece.outside)
            out += piece.text;
        else
            out += piece.typed ? QuoteTyped(piece.text) : QuoteForTerminal(piece.text);
    }
    return std::wstring(WithoutTrailingBreaks(out));
}

std::wstring QuotedLine(std::wstring_view line) {
    return QuoteForTerminal(WithoutTrailingBreaks(line));
}

}  // namespace torvane
