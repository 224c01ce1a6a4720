#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// The `user.DOSATTRIB` extended attribute, where Samba, ksmbd and Wine keep
// the Windows attribute word and creation time of a file on Linux. The value
// is an NDR-encoded record: a NUL-terminated ASCII string (a hex form of the
// word, or empty), then a 16-bit version, the same number again as the union
// level, and a body for that version. Older writers stored the hex string
// alone. All integers are little-endian.

// The name of the extended attribute.
inline constexpr const char* kDosAttribName = "user.DOSATTRIB";

// What a stored value says: the attribute word and, when the value carries
// one, the creation time as an NTTIME (100 ns ticks since 1601 UTC).
struct DosInfo {
    std::uint32_t attributes = 0;
    std::optional<std::uint64_t> createTime;

    bool operator==(const DosInfo&) const = default;
};

// Reads every form that exists: the legacy hex string with or without its
// NUL (Samba before 3.5, Wine's NUL-less "0x6"), and the versioned records v1
// to v5 (Samba 3.5 to today, ksmbd's v4 with flags 0x51). Returns nullopt for
// a value that can't be decoded (unknown version, level not repeated,
// truncated body, a hex string that isn't hex); such a value says nothing.
std::optional<DosInfo> DecodeDosAttrib(std::string_view bytes);

// Encodes the v3 record as Samba 3.5 to 4.10 wrote it, which every reader
// (Samba since 3.5, ksmbd, Wine) understands: the hex string "0x%02x" (or
// "0x%06x" from 0x1000 on, so ksmbd's unaligned reader lines up), the valid
// flags ATTRIB | CREATE_TIME (0x11), the word, zero sizes and change time,
// and the creation time. Without a creation time the flags are ATTRIB alone
// and the time field is zero.
std::string EncodeDosAttribV3(const DosInfo& info);

// What Linux itself says of an entry, beside any stored value.
struct EntryFacts {
    bool directory = false;
    bool symlink = false;
    bool ownerWritable = true;
    bool dotName = false;  // the name starts with "."
    bool compressed = false;
    bool encrypted = false;
};

// The attribute word as a Windows client of the entry would see it:
// a symbolic link is a reparse point and nothing else; otherwise the stored
// word's bits (not its Directory, Normal, Compressed or Encrypted bits), or
// Hidden for a dot name when nothing is stored; Directory from the type;
// Read-only also when the owner may not write; Compressed and Encrypted from
// the inode's flags; FILE_ATTRIBUTE_NORMAL when nothing else is set.
std::uint32_t AttributeWordOf(const EntryFacts& facts, const std::optional<DosInfo>& stored);

// The word to store for a requested attribute word: the requested
// Read-only, Hidden, System, Archive, Temporary and Not-content-indexed bits,
// the previously stored bits that this program doesn't manage (Sparse,
// Offline and others), and Directory for a folder. Never Compressed or
// Encrypted, which the inode's flags decide.
std::uint32_t StoredWordFor(std::uint32_t requested, bool directory,
                            const std::optional<DosInfo>& previous);

// Conversions between whole seconds since 1970 UTC and NTTIME. ToNtTime
// returns nullopt for times that NTTIME can't hold as a valid stored time
// (1601-01-01 or earlier, or beyond its range); FromNtTime rounds down.
std::optional<std::uint64_t> ToNtTime(std::int64_t unixSeconds);
std::int64_t FromNtTime(std::uint64_t ntTime);

}  // namespace torvane
