#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace torvane {

// The Windows attribute word's bits, the form in which the whole system
// speaks of attributes (see docs/architecture.md for how Linux keeps them).
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr std::uint32_t FILE_ATTRIBUTE_COMPRESSED = 0x800;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NOT_CONTENT_INDEXED = 0x2000;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ENCRYPTED = 0x4000;

// The value GetFileAttributes-style calls use for "no attributes".
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

inline bool IsDirectoryWord(std::uint32_t attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One of the seven attributes the program shows and sets: its bit in the
// word, whether it reads inverted and its caption.
struct ShownAttribute {
    std::uint32_t bit;
    bool inverted;        // shown on when the bit is clear
    const char* caption;  // plain ASCII, as lists, pages and texts show it

    // Whether the attribute shows as on in `word`.
    constexpr bool IsOn(std::uint32_t word) const { return ((word & bit) != 0) != inverted; }

    // `word` with the attribute shown on or off; no other bit changes.
    constexpr std::uint32_t With(std::uint32_t word, bool on) const {
        return on != inverted ? word | bit : word & ~bit;
    }

    // The caption as a wide string, for the core's texts.
    std::wstring WideCaption() const {
        const std::string_view text(caption);
        return std::wstring(text.begin(), text.end());
    }
};

// The seven shown attributes, in the order every list, page and text shows
// them. Index is the not-content-indexed bit read inverted: a file is
// indexed when the bit is clear.
inline constexpr std::array<ShownAttribute, 7> kShownAttributes = {{
    {FILE_ATTRIBUTE_ARCHIVE, false, "Archive"},
    {FILE_ATTRIBUTE_HIDDEN, false, "Hidden"},
    {FILE_ATTRIBUTE_READONLY, false, "Read-only"},
    {FILE_ATTRIBUTE_SYSTEM, false, "System"},
    {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, true, "Index"},
    {FILE_ATTRIBUTE_COMPRESSED, false, "Compress"},
    {FILE_ATTRIBUTE_ENCRYPTED, false, "Encrypt"},
}};

}  // namespace torvane
