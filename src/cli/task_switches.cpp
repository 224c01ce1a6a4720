#include "cli/task_switches.hpp"

#include <cwctype>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kHidden = 0x2;
constexpr std::uint32_t kSystem = 0x4;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kCompress = 0x800;
constexpr std::uint32_t kNotIndexed = 0x2000;
constexpr std::uint32_t kEncrypt = 0x4000;

struct AttributeName {
    std::wstring_view name;  // lower case
    std::uint32_t bit;
    bool inverted;  // "on" clears the bit (Index: content indexed)
};

constexpr AttributeName kNames[] = {
    {L"readonly", kReadOnly, false},     {L"hidden", kHidden, false},
    {L"system", kSystem, false},         {L"archive", kArchive, false},
    {L"compress", kCompress, false},     {L"compressed", kCompress, false},
    {L"index", kNotIndexed, true},       {L"indexed", kNotIndexed, true},
    {L"notindexed", kNotIndexed, false}, {L"encrypt", kEncrypt, false},
    {L"encrypted", kEncrypt, false},
};

// attrib's letters.
std::optional<AttributeName> LetterOf(wchar_t c) {
    switch (std::towlower(static_cast<wint_t>(c))) {
        case L'r':
            return AttributeName{L"r", kReadOnly, false};
        case L'h':
            return AttributeName{L"h", kHidden, false};
        case L's':
            return AttributeName{L"s", kSystem, false};
        case L'a':
            return AttributeName{L"a", kArchive, false};
        case L'c':
            return AttributeName{L"c", kCompress, false};
        case L'i':
            return AttributeName{L"i", kNotIndexed, false};
        case L'e':
            return AttributeName{L"e", kEncrypt, false};
        default:
            return std::nullopt;
    }
}

bool IsSeparator(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L',';
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

void Set(std::uint32_t& word, const AttributeName& a, bool on) {
    if (on != a.inverted)
        word |= a.bit;
    else
        word &= ~a.bit;
}

}  // namespace

std::optional<std::uint32_t> ParseAttributeWord(std::wstring_view text, std::wstring& error) {
    // Nothing named: everything off but Index (content indexed, the bit
    // clear), which is how a Linux user reads "no attributes".
    std::uint32_t word = 0;
    const std::wstring lowered = AsciiLower(text);
    if (!text.empty() && text.find_first_not_of(L"0123456789") == std::wstring_view::npos) {
        if (text.size() > 5 || std::stoul(std::wstring(text)) & ~kTaskAttributeMask) {
            error = L"\"" + std::wstring(text) + L"\" has bits outside the seven attributes (" +
                    std::to_wstring(kTaskAttributeMask) + L").";
            return std::nullopt;
        }
        word = static_cast<std::uint32_t>(std::stoul(std::wstring(text)));
    } else if (lowered != L"none") {
        std::size_t i = 0;
        while (i < lowered.size()) {
            if (IsSeparator(lowered[i])) {
                ++i;
                continue;
            }
            const std::size_t itemStart = i;
            bool on = true;
            if (lowered[i] == L'+' || lowered[i] == L'-')
                on = lowered[i++] == L'+';
            const std::size_t start = i;
            while (i < lowered.size() && IsAsciiLetter(lowered[i]))
                ++i;
            const std::wstring_view item = std::wstring_view(lowered).substr(start, i - start);
            if (item.empty()) {
                error =
                    L"\"" + std::wstring(text) + L"\": a sign must be followed by an attribute.";
                return std::nullopt;
            }
            bool named = false;
            for (const auto& a : kNames) {
                if (a.name == item) {
                    Set(word, a, on);
                    named = true;
                }
            }
            if (named)
                continue;
            for (const wchar_t c : item) {
                const auto letter = LetterOf(c);
                if (!letter) {
                    error = L"\"" + std::wstring(text.substr(itemStart, i - itemStart)) +
                            L"\" is no attribute (ReadOnly, Hidden, System, Archive, Compress, "
                            L"Index, NotIndexed, Encrypt or the letters R H S A C I E).";
                    return std::nullopt;
                }
                Set(word, *letter, on);
            }
        }
    }
    if ((word & kCompress) && (word & kEncrypt)) {
        error = L"Compress and Encrypt can't both be on.";
        return std::nullopt;
    }
    return word;
}

std::optional<std::wstring> TimeKindOf(std::wstring_view text) {
    const std::wstring lowered = AsciiLower(text);
    for (const auto kind : {kTimeKindCreated, kTimeKindModified, kTimeKindAccessed}) {
        if (AsciiLower(kind) == lowered)
            return std::wstring(kind);
    }
    return std::nullopt;
}

}  // namespace torvane
