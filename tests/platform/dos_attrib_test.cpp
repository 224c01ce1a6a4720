#include "platform/dos_attrib.hpp"

#include <gtest/gtest.h>

#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

using namespace std::string_literals;

// 2000-01-01 00:00:00 UTC: the NTTIME 0x01BF53EB256D4000.
constexpr std::int64_t kY2k = 946684800;
constexpr std::uint64_t kY2kNt = 125911584000000000ULL;
const std::string kY2kBytes = "\x00\x40\x6D\x25\xEB\x53\xBF\x01"s;

std::string Zeros(std::size_t n) {
    return std::string(n, '\0');
}

TEST(DosAttrib, EncodesV3AsSambaWroteIt) {
    // "0x20\0", pad, version 3, level 3, pad, flags 0x11, word, ea_size,
    // size, alloc_size, create_time, change_time: 56 bytes.
    const std::string expected = "0x20\0\0"s + "\x03\x00\x03\x00\x00\x00"s + "\x11\x00\x00\x00"s +
                                 "\x20\x00\x00\x00"s + Zeros(4 + 8 + 8) + kY2kBytes + Zeros(8);
    EXPECT_EQ(EncodeDosAttribV3({0x20, kY2kNt}), expected);
}

TEST(DosAttrib, HexStringIsPaddedSoKsmbdReadsIt) {
    struct Case {
        std::uint32_t word;
        std::string prefix;
        std::size_t size;
    };
    for (const auto& c : {Case{0x1, "0x01\0\0"s, 56}, Case{0x120, "0x120\0"s, 56},
                          Case{0x2027, "0x002027\0\0"s, 60}}) {
        const auto bytes = EncodeDosAttribV3({c.word, kY2kNt});
        EXPECT_EQ(bytes.substr(0, c.prefix.size()), c.prefix) << std::hex << c.word;
        EXPECT_EQ(bytes.size(), c.size) << std::hex << c.word;
        EXPECT_EQ(DecodeDosAttrib(bytes), (DosInfo{c.word, kY2kNt}));
    }
}

TEST(DosAttrib, WithoutCreationTimeOnlyTheWordIsValid) {
    const auto bytes = EncodeDosAttribV3({0x22, std::nullopt});
    EXPECT_EQ(bytes.substr(12, 4), "\x01\x00\x00\x00"s);
    EXPECT_EQ(DecodeDosAttrib(bytes), (DosInfo{0x22, std::nullopt}));
}

TEST(DosAttrib, ReadsEveryStoredForm) {
    const std::string v5 = "\0\0\x05\0\x05\0\0\0"s + "\x11\0\0\0"s + "\x20\0\0\0"s + kY2kBytes;
    const std::string v4ksmbd =
        "\0\0\x04\0\x04\0\0\0"s + "\x51\0\0\0"s + "\x26\0\0\0"s + kY2kBytes + kY2kBytes;
    const std::string v4NoTimeFlag =
        "\0\0\x04\0\x04\0\0\0"s + "\x01\0\0\0"s + "\x26\0\0\0"s + Zeros(8) + kY2kBytes;
    const std::string v3OneDigit = "0x2\0"s + "\x03\0\x03\0"s + "\x11\0\0\0"s + "\x02\0\0\0"s +
                                   Zeros(20) + kY2kBytes + Zeros(8);
    const std::string v1 =
        "\0\0\x01\0\x01\0\0\0"s + "\x21\0\0\0"s + Zeros(4 + 16) + kY2kBytes + Zeros(8);
    const std::string v2 = "\0\0\x02\0\x02\0\0\0"s + "\x01\0\0\0"s + "\x06\0\0\0"s + Zeros(20) +
                           kY2kBytes + Zeros(16) + "name\0"s;
    struct Case {
        const char* what;
        std::string bytes;
        DosInfo expected;
    };
    const Case cases[] = {
        {"Samba 4.17 v5", v5, {0x20, kY2kNt}},
        {"ksmbd v4, flags 0x51", v4ksmbd, {0x26, kY2kNt}},
        {"v4 without the creation-time flag", v4NoTimeFlag, {0x26, std::nullopt}},
        {"v3 with one hex digit", v3OneDigit, {0x2, kY2kNt}},
        {"v1, time without flags", v1, {0x21, kY2kNt}},
        {"v2, word only", v2, {0x6, std::nullopt}},
        {"legacy hex with NUL", "0x22\0"s, {0x22, std::nullopt}},
        {"Wine, no NUL", "0x4"s, {0x4, std::nullopt}},
        {"legacy hex without 0x", "22\0"s, {0x22, std::nullopt}},
        {"trailing bytes after v5", v5 + "junk"s, {0x20, kY2kNt}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeDosAttrib(c.bytes), c.expected) << c.what;
}

TEST(DosAttrib, UndecodableValuesSayNothing) {
    const std::string v5 = "\0\0\x05\0\x05\0\0\0"s + "\x11\0\0\0"s + "\x20\0\0\0"s + kY2kBytes;
    const std::string v6 = "\0\0\x06\0\x06\0\0\0"s + Zeros(32);
    const std::string levelNotRepeated = "\0\0\x05\0\0\0\0\0"s + Zeros(16);
    const std::string cases[] = {
        ""s,
        "\0"s,
        "0x\0"s,
        "zz\0"s,
        "0x123456789"s,
        v6,
        levelNotRepeated,
        v5.substr(0, 23),
        "\0\0\x03\0"s,
    };
    for (const auto& bytes : cases)
        EXPECT_EQ(DecodeDosAttrib(bytes), std::nullopt) << bytes.size();
}

TEST(DosAttrib, NtTimeConversions) {
    EXPECT_EQ(ToNtTime(kY2k), kY2kNt);
    EXPECT_EQ(FromNtTime(kY2kNt + 9999999), kY2k);             // rounds down
    EXPECT_EQ(FromNtTime(*ToNtTime(-315619200)), -315619200);  // 1960
    EXPECT_EQ(ToNtTime(-11644473600), std::nullopt);           // 1601-01-01 would be "not set"
    EXPECT_EQ(ToNtTime(-11644473599), 10000000u);
    EXPECT_EQ(ToNtTime(INT64_MAX), std::nullopt);
}

TEST(DosAttrib, AttributeWordAsAWindowsClientSeesIt) {
    const DosInfo stored{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_DIRECTORY,
                         std::nullopt};
    struct Case {
        const char* what;
        EntryFacts facts;
        std::optional<DosInfo> stored;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"plain file", {}, std::nullopt, FILE_ATTRIBUTE_NORMAL},
        {"stored zero", {}, DosInfo{0, std::nullopt}, FILE_ATTRIBUTE_NORMAL},
        {"folder", {.directory = true}, std::nullopt, FILE_ATTRIBUTE_DIRECTORY},
        {"dot name", {.dotName = true}, std::nullopt, FILE_ATTRIBUTE_HIDDEN},
        {"dot name, stored word decides", {.dotName = true}, DosInfo{0x20, {}}, 0x20},
        {"owner may not write", {.ownerWritable = false}, std::nullopt, FILE_ATTRIBUTE_READONLY},
        {"stored bits, but not its directory or compressed bits", {}, stored, 0x22},
        {"inode flags", {.compressed = true, .encrypted = true}, std::nullopt, 0x4800},
        {"symbolic link", {.symlink = true, .dotName = true}, stored, 0x400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AttributeWordOf(c.facts, c.stored), c.expected) << c.what;
}

TEST(DosAttrib, StoredWordKeepsWhatItDoesNotManage) {
    const DosInfo previous{0x200 | 0x1000 | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_COMPRESSED,
                           kY2kNt};
    // Sparse and Offline stay; Hidden goes as requested; Compressed, Encrypted
    // and Directory never come from the request.
    EXPECT_EQ(StoredWordFor(0x4000 | 0x800 | 0x10 | 0x2000 | 0x21, false, previous),
              0x200u | 0x1000 | 0x2000 | 0x21);
    EXPECT_EQ(StoredWordFor(FILE_ATTRIBUTE_NORMAL, true, std::nullopt), 0x10u);
}

}  // namespace
}  // namespace torvane
