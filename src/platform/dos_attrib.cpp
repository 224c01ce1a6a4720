#include "platform/dos_attrib.hpp"

#include <cstdio>
#include <limits>

#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

constexpr std::uint32_t kFlagAttrib = 0x01;
constexpr std::uint32_t kFlagCreateTime = 0x10;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::uint64_t kTicksPerSecond = 10000000;

// Offsets into a body, relative to its start, and the body sizes per version.
struct BodyLayout {
    std::size_t size;
    std::size_t attrib;
    std::optional<std::size_t> createTime;
    bool hasFlags;
};

std::optional<BodyLayout> LayoutOf(std::uint16_t version) {
    switch (version) {
        case 1:
            return BodyLayout{40, 0, 24, false};
        case 2:
            return BodyLayout{53, 4, std::nullopt, true};  // ends in a name of at least its NUL
        case 3:
            return BodyLayout{44, 4, 28, true};
        case 4:
            return BodyLayout{24, 4, 16, true};
        case 5:
            return BodyLayout{16, 4, 8, true};
        default:
            return std::nullopt;
    }
}

std::uint64_t ReadLe(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

void AppendLe(std::string& out, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::size_t AlignUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

std::optional<DosInfo> DecodeLegacyHex(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t word = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        word = (word << 4) | static_cast<std::uint32_t>(digit);
    }
    return DosInfo{word, std::nullopt};
}

std::optional<DosInfo> DecodeRecord(std::string_view bytes, std::size_t versionAt) {
    if (bytes.size() < versionAt + 4)
        return std::nullopt;
    const auto version = static_cast<std::uint16_t>(ReadLe(bytes, versionAt, 2));
    if (ReadLe(bytes, versionAt + 2, 2) != version)
        return std::nullopt;
    const auto layout = LayoutOf(version);
    const std::size_t body = AlignUp(versionAt + 4, 4);
    if (!layout || bytes.size() < body + layout->size)
        return std::nullopt;
    DosInfo info;
    info.attributes = static_cast<std::uint32_t>(ReadLe(bytes, body + layout->attrib, 4));
    const bool timeValid = !layout->hasFlags || (ReadLe(bytes, body, 4) & kFlagCreateTime) != 0;
    if (layout->createTime && timeValid) {
        const auto t = ReadLe(bytes, body + *layout->createTime, 8);
        if (t != 0)
            info.createTime = t;
    }
    return info;
}

}  // namespace

std::optional<DosInfo> DecodeDosAttrib(std::string_view bytes) {
    const auto nul = bytes.find('\0');
    if (nul == std::string_view::npos || nul + 1 == bytes.size())
        return DecodeLegacyHex(bytes.substr(0, nul));
    return DecodeRecord(bytes, AlignUp(nul + 1, 2));
}

std::string EncodeDosAttribV3(const DosInfo& info) {
    char hex[16];
    std::snprintf(hex, sizeof hex, info.attributes < 0x1000 ? "0x%02x" : "0x%06x",
                  static_cast<unsigned>(info.attributes));
    std::string out(hex);
    out.push_back('\0');
    out.resize(AlignUp(out.size(), 2), '\0');
    AppendLe(out, 3, 2);  // version
    AppendLe(out, 3, 2);  // union level, the version again
    out.resize(AlignUp(out.size(), 4), '\0');
    AppendLe(out, kFlagAttrib | (info.createTime ? kFlagCreateTime : 0), 4);
    AppendLe(out, info.attributes, 4);
    AppendLe(out, 0, 4);  // ea_size
    AppendLe(out, 0, 8);  // size
    AppendLe(out, 0, 8);  // alloc_size
    AppendLe(out, info.createTime.value_or(0), 8);
    AppendLe(out, 0, 8);  // change_time
    return out;
}

namespace {

// Bits the stored word never speaks for: the entry's type and inode flags.
constexpr std::uint32_t kDerived = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL |
                                   FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED;
// Bits a caller sets through the attribute word.
constexpr std::uint32_t kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

std::uint32_t AttributeWordOf(const EntryFacts& facts, const std::optional<DosInfo>& stored) {
    if (facts.symlink)
        return FILE_ATTRIBUTE_REPARSE_POINT;
    std::uint32_t word = 0;
    if (stored) {
        word = stored->attributes & ~kDerived;
    } else if (facts.dotName) {
        word = FILE_ATTRIBUTE_HIDDEN;
    }
    if (facts.directory)
        word |= FILE_ATTRIBUTE_DIRECTORY;
    if (!facts.ownerWritable)
        word |= FILE_ATTRIBUTE_READONLY;
    if (facts.compressed)
        word |= FILE_ATTRIBUTE_COMPRESSED;
    if (facts.encrypted)
        word |= FILE_ATTRIBUTE_ENCRYPTED;
    return word == 0 ? FILE_ATTRIBUTE_NORMAL : word;
}

std::uint32_t StoredWordFor(std::uint32_t requested, bool directory,
                            const std::optional<DosInfo>& previous) {
    const std::uint32_t kept = previous ? previous->attributes & ~kSettable & ~kDerived : 0;
    return (requested & kSettable) | kept | (directory ? FILE_ATTRIBUTE_DIRECTORY : 0);
}

std::optional<std::uint64_t> ToNtTime(std::int64_t unixSeconds) {
    // Keep clear of 0 ("not set") and of the top values, which Samba reads as "omit".
    constexpr auto kMaxSince1601 =
        (std::numeric_limits<std::uint64_t>::max() - 2) / kTicksPerSecond;
    if (unixSeconds <= -kSecondsFrom1601To1970 ||
        unixSeconds > static_cast<std::int64_t>(kMaxSince1601) - kSecondsFrom1601To1970)
        return std::nullopt;
    return static_cast<std::uint64_t>(unixSeconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}

std::int64_t FromNtTime(std::uint64_t ntTime) {
    return static_cast<std::int64_t>(ntTime / kTicksPerSecond) - kSecondsFrom1601To1970;
}

}  // namespace torvane
