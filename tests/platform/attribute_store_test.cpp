// The stores of attributes and creation time, each against a recorder of the
// calls it makes on an entry. The kernel these tests run on has neither cifs
// nor vfat, so the cifs and FAT stores are proven here only by the extended
// attribute names and bytes, and the ioctl codes and words, they use; NTFS
// (ntfs-3g) and exFAT are also tested on real volumes (ntfs_test.cpp,
// file_system_contract_test.cpp).
#include "platform/attribute_store.hpp"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "platform/file_attributes.hpp"

namespace torvane::posix {
namespace {

// An entry whose extended attributes and FAT word live in memory, recording
// every change made to it as text ("set NAME HEX", "remove NAME", "ioctl
// set HEX").
class RecordingEntry : public EntryCalls {
  public:
    int GetXattr(const char* name, std::string& value) override {
        const auto it = xattrs.find(name);
        if (it == xattrs.end())
            return ENODATA;
        value = it->second;
        return 0;
    }
    int SetXattr(const char* name, const std::string& value) override {
        calls.push_back(std::string("set ") + name + " " + Hex(value));
        xattrs[name] = value;
        return 0;
    }
    int RemoveXattr(const char* name) override {
        calls.push_back(std::string("remove ") + name);
        return xattrs.erase(name) ? 0 : ENODATA;
    }
    int Ioctl(unsigned long request, std::uint32_t& value) override {
        if (request == FAT_IOCTL_GET_ATTRIBUTES) {
            value = fatWord;
            return 0;
        }
        if (request == FAT_IOCTL_SET_ATTRIBUTES) {
            calls.push_back("ioctl set " + Hex(std::string(reinterpret_cast<char*>(&value), 4)));
            fatWord = value;
            return 0;
        }
        return ENOTTY;
    }

    static std::string Hex(const std::string& bytes) {
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (const unsigned char c : bytes) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }

    std::map<std::string, std::string> xattrs;
    std::uint32_t fatWord = 0;
    std::vector<std::string> calls;
};

// 2000-01-01 00:00:00 UTC as NTTIME, and its bytes in both orders.
constexpr std::uint64_t kY2k = 0x01BF53EB256D4000;
const std::string kY2kBig = std::string("\x01\xBF\x53\xEB\x25\x6D\x40\x00", 8);
const std::string kY2kLittle = std::string("\x00\x40\x6D\x25\xEB\x53\xBF\x01", 8);

TEST(NtfsStore, ReadsAndWritesTheBigEndianWordAndCreationTime) {
    RecordingEntry entry;
    entry.xattrs["system.ntfs_attrib_be"] = std::string("\x00\x00\x00\x21", 4);
    entry.xattrs["system.ntfs_crtime_be"] = kY2kBig;
    const auto& store = StoreOf(StoreKind::kNtfs3g);
    const auto read = store.Read(entry);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (DosInfo{0x21, kY2k}));

    // Directory and Normal are the volume's to say; the creation time is
    // written only when it changes.
    const DosInfo wanted{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_DIRECTORY,
                         kY2k};
    ASSERT_EQ(store.Write(entry, wanted, read), 0);
    EXPECT_EQ(entry.calls, (std::vector<std::string>{"set system.ntfs_attrib_be 00002006"}));
    entry.calls.clear();
    ASSERT_EQ(store.Write(entry, DosInfo{0, kY2k + 10'000'000}, read), 0);
    EXPECT_EQ(entry.calls,
              (std::vector<std::string>{"set system.ntfs_attrib_be 00000000",
                                        "set system.ntfs_crtime_be 01bf53eb2605d680"}));
}

TEST(NtfsStore, KeepsAFoldersCompressionAndNeverWritesDosAttrib) {
    RecordingEntry entry;
    const auto& store = StoreOf(StoreKind::kNtfs3g);
    ASSERT_EQ(store.Write(entry, DosInfo{FILE_ATTRIBUTE_ARCHIVE, std::nullopt},
                          DosInfo{FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_DIRECTORY, kY2k}),
              0);
    EXPECT_EQ(entry.calls, (std::vector<std::string>{"set system.ntfs_attrib_be 00000820"}));
    EXPECT_EQ(entry.xattrs.count(kDosAttribName), 0u);
}

TEST(Ntfs3Store, KeepsTheWordButNoCreationTime) {
    RecordingEntry entry;
    entry.xattrs["system.ntfs_crtime_be"] = kY2kBig;  // not read: ntfs3 has none
    entry.xattrs["system.ntfs_attrib_be"] = std::string("\x00\x00\x00\x20", 4);
    const auto& store = StoreOf(StoreKind::kNtfs3);
    EXPECT_FALSE(store.Abilities().creationTime);
    EXPECT_EQ(store.Read(entry), (DosInfo{FILE_ATTRIBUTE_ARCHIVE, std::nullopt}));
    ASSERT_EQ(store.Write(entry, DosInfo{FILE_ATTRIBUTE_READONLY, kY2k}, std::nullopt), 0);
    EXPECT_EQ(entry.calls, (std::vector<std::string>{"set system.ntfs_attrib_be 00000001"}));
}

TEST(CifsStore, PassesTheServersWordAndCreationTimeInCpuOrder) {
    RecordingEntry entry;
    entry.xattrs["user.cifs.dosattrib"] = std::string("\x22\x00\x00\x00", 4);
    entry.xattrs["user.cifs.creationtime"] = kY2kLittle;
    const auto& store = StoreOf(StoreKind::kCifs);
    const auto read = store.Read(entry);
    EXPECT_EQ(read, (DosInfo{0x22, kY2k}));

    struct Case {
        const char* what;
        DosInfo info;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"a word and an unchanged time",
         {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, kY2k},
         {"set user.cifs.dosattrib 21000000"}},
        // 0 means "leave as it is" to the server: nothing set is Normal.
        {"nothing set", {0, std::nullopt}, {"set user.cifs.dosattrib 80000000"}},
        {"a folder with nothing set",
         {FILE_ATTRIBUTE_DIRECTORY, std::nullopt},
         {"set user.cifs.dosattrib 10000000"}},
        {"a new creation time",
         {FILE_ATTRIBUTE_HIDDEN, kY2k + 1},
         {"set user.cifs.dosattrib 02000000", "set user.cifs.creationtime 01406d25eb53bf01"}},
    };
    for (const auto& c : cases) {
        entry.calls.clear();
        EXPECT_EQ(store.Write(entry, c.info, read), 0) << c.what;
        EXPECT_EQ(entry.calls, c.calls) << c.what;
    }
}

TEST(FatStore, UsesTheIoctlsAndKeepsOnlyWhatFatHas) {
    RecordingEntry entry;
    entry.fatWord = ATTR_DIR | ATTR_HIDDEN | ATTR_ARCH;
    const auto& store = StoreOf(StoreKind::kFat);
    EXPECT_EQ(store.Abilities().attributes, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(store.Abilities().creationTime);
    EXPECT_FALSE(store.Abilities().writeBits);  // vfat keeps the mode in step itself
    const auto read = store.Read(entry);
    EXPECT_EQ(read, (DosInfo{0x32, std::nullopt}));
    ASSERT_EQ(store.Write(entry,
                          DosInfo{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED,
                                  kY2k},
                          read),
              0);
    EXPECT_EQ(entry.calls, (std::vector<std::string>{"ioctl set 15000000"}));
    EXPECT_TRUE(entry.xattrs.empty());
}

TEST(NoStore, RefusesEveryWriteAndReadsNothing) {
    RecordingEntry entry;
    entry.xattrs[kDosAttribName] = "0x22";
    const auto& store = StoreOf(StoreKind::kNone);
    EXPECT_EQ(store.Abilities().attributes, 0u);
    EXPECT_FALSE(store.Read(entry));
    EXPECT_EQ(store.Write(entry, DosInfo{FILE_ATTRIBUTE_HIDDEN, std::nullopt}, std::nullopt),
              EOPNOTSUPP);
    EXPECT_TRUE(entry.calls.empty());
}

TEST(DosAttribStore, WritesTheV3RecordAndRemovesItOnRestore) {
    RecordingEntry entry;
    const auto& store = StoreOf(StoreKind::kDosAttrib);
    ASSERT_EQ(store.Write(entry, DosInfo{FILE_ATTRIBUTE_ARCHIVE, kY2k}, std::nullopt), 0);
    EXPECT_EQ(entry.xattrs[kDosAttribName], EncodeDosAttribV3(DosInfo{0x20, kY2k}));
    store.Restore(entry, std::nullopt);
    EXPECT_EQ(entry.calls.back(), std::string("remove ") + kDosAttribName);
}

TEST(KindOfMount, FromTheTypeTheMountTableAndTheNtfsProbe) {
    constexpr long kFuse = 0x65735546;
    struct Case {
        long type;
        const char* mountType;
        bool ntfsAttrib;
        StoreKind kind;
        const wchar_t* volume;
        const char* bootName;
    };
    const Case cases[] = {
        {EXT4_SUPER_MAGIC, "ext4", false, StoreKind::kDosAttrib, L"file system", ""},
        {TMPFS_MAGIC, "tmpfs", false, StoreKind::kDosAttrib, L"file system", ""},
        {BTRFS_SUPER_MAGIC, "btrfs", false, StoreKind::kDosAttrib, L"file system", ""},
        {kFuse, "fuseblk", true, StoreKind::kNtfs3g, L"NTFS volume", ""},
        {kFuse, "fuseblk.ntfs-3g", false, StoreKind::kNtfs3g, L"NTFS volume", ""},
        {kFuse, "fuseblk", false, StoreKind::kNone, L"exFAT volume", "EXFAT"},
        {kFuse, "fuseblk", false, StoreKind::kNone, L"file system", ""},
        {kFuse, "fuse.sshfs", false, StoreKind::kDosAttrib, L"file system", ""},
        {0x5346544E, "ntfs3", false, StoreKind::kNtfs3, L"NTFS volume", ""},
        {static_cast<long>(0xFF534D42), "cifs", false, StoreKind::kCifs, L"SMB share", ""},
        {static_cast<long>(0xFE534D42), "smb3", false, StoreKind::kCifs, L"SMB share", ""},
        {MSDOS_SUPER_MAGIC, "vfat", false, StoreKind::kFat, L"FAT volume", ""},
        {0x2011BAB0, "exfat", false, StoreKind::kNone, L"exFAT volume", ""},
    };
    for (const auto& c : cases) {
        const auto kind = KindOfMount(c.type, c.mountType, c.ntfsAttrib);
        EXPECT_EQ(kind, c.kind) << c.mountType;
        EXPECT_EQ(VolumeNameOf(c.type, kind, c.bootName), c.volume) << c.mountType;
    }
}

}  // namespace
}  // namespace torvane::posix
