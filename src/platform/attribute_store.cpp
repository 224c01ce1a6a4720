#include "platform/attribute_store.hpp"

#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "platform/file_attributes.hpp"

namespace torvane::posix {
namespace {

constexpr std::uint32_t kWindowsBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr std::uint32_t kFatBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kCifsMagic = static_cast<long>(0xFF534D42);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42);
constexpr long kFuseMagic = 0x65735546;
constexpr long kNtfsMagic = 0x5346544E;

template <class T>
std::optional<T> BigEndian(const std::string& bytes) {
    if (bytes.size() != sizeof(T))
        return std::nullopt;
    T value = 0;
    for (const char c : bytes)
        value = static_cast<T>((value << 8) | static_cast<unsigned char>(c));
    return value;
}

template <class T>
std::string ToBigEndian(T value) {
    std::string bytes(sizeof(T), '\0');
    for (std::size_t i = sizeof(T); i-- > 0;) {
        bytes[i] = static_cast<char>(value & 0xFF);
        value = static_cast<T>(value >> 8);
    }
    return bytes;
}

// cifs' pseudo-attributes are in the CPU's byte order.
template <class T>
std::optional<T> Native(const std::string& bytes) {
    if (bytes.size() != sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

template <class T>
std::string ToNative(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

bool NewTime(const DosInfo& info, const std::optional<DosInfo>& previous) {
    return info.createTime && (!previous || previous->createTime != info.createTime);
}

class DosAttribStore : public AttributeStore {
  public:
    StoreAbilities Abilities() const override { return {kWindowsBits, true, true}; }
    std::optional<DosInfo> Read(EntryCalls& entry) const override {
        std::string bytes;
        if (entry.GetXattr(kDosAttribName, bytes) != 0)
            return std::nullopt;
        return DecodeDosAttrib(bytes);
    }
    int Write(EntryCalls& entry, const DosInfo& info,
              const std::optional<DosInfo>&) const override {
        return entry.SetXattr(kDosAttribName, EncodeDosAttribV3(info));
    }
    int Restore(EntryCalls& entry, const std::optional<DosInfo>& previous) const override {
        if (previous)
            return Write(entry, *previous, std::nullopt);
        const int err = entry.RemoveXattr(kDosAttribName);
        return err == ENODATA ? 0 : err;
    }
    const char* RecordName() const override { return kDosAttribName; }
};

// NTFS keeps the word itself: ntfs-3g and ntfs3 both give it as
// system.ntfs_attrib_be, big-endian whatever the CPU. They add Directory for
// folders and answer Normal for a word of 0, and change only the bits
// Windows lets a program change; Compressed on a folder (new files in it are
// compressed) is kept as it was.
class NtfsStore : public AttributeStore {
  public:
    explicit NtfsStore(bool creationTime) : creationTime_(creationTime) {}
    StoreAbilities Abilities() const override { return {kWindowsBits, creationTime_, false}; }
    std::optional<DosInfo> Read(EntryCalls& entry) const override {
        std::string bytes;
        if (entry.GetXattr(kAttrib, bytes) != 0)
            return std::nullopt;
        const auto word = BigEndian<std::uint32_t>(bytes);
        if (!word)
            return std::nullopt;
        DosInfo info{*word, std::nullopt};
        if (creationTime_ && entry.GetXattr(kCrtime, bytes) == 0) {
            if (const auto time = BigEndian<std::uint64_t>(bytes); time && *time != 0)
                info.createTime = time;
        }
        return info;
    }
    int Write(EntryCalls& entry, const DosInfo& info,
              const std::optional<DosInfo>& previous) const override {
        std::uint32_t word = info.attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
        if (previous)
            word |= previous->attributes & FILE_ATTRIBUTE_COMPRESSED;
        if (const int err = entry.SetXattr(kAttrib, ToBigEndian(word)))
            return err;
        if (creationTime_ && NewTime(info, previous))
            return entry.SetXattr(kCrtime, ToBigEndian(*info.createTime));
        return 0;
    }
    int Restore(EntryCalls& entry, const std::optional<DosInfo>& previous) const override {
        return previous ? Write(entry, *previous, std::nullopt) : 0;
    }

  private:
    static constexpr const char* kAttrib = "system.ntfs_attrib_be";
    static constexpr const char* kCrtime = "system.ntfs_crtime_be";
    bool creationTime_;
};

// An SMB client mount passes the server's word and creation time through
// pseudo-attributes; writing one sends the server a change. A word of 0
// means "no change" there, so nothing set is sent as Normal.
class CifsStore : public AttributeStore {
  public:
    StoreAbilities Abilities() const override { return {kWindowsBits, true, false}; }
    std::optional<DosInfo> Read(EntryCalls& entry) const override {
        std::string bytes;
        if (entry.GetXattr(kAttrib, bytes) != 0)
            return std::nullopt;
        const auto word = Native<std::uint32_t>(bytes);
        if (!word)
            return std::nullopt;
        DosInfo info{*word, std::nullopt};
        if (entry.GetXattr(kCrtime, bytes) == 0) {
            if (const auto time = Native<std::uint64_t>(bytes); time && *time != 0)
                info.createTime = time;
        }
        return info;
    }
    int Write(EntryCalls& entry, const DosInfo& info,
              const std::optional<DosInfo>& previous) const override {
        std::uint32_t word = info.attributes & ~FILE_ATTRIBUTE_NORMAL;
        if (word == 0)
            word = FILE_ATTRIBUTE_NORMAL;
        if (const int err = entry.SetXattr(kAttrib, ToNative(word)))
            return err;
        if (NewTime(info, previous))
            return entry.SetXattr(kCrtime, ToNative(*info.createTime));
        return 0;
    }
    int Restore(EntryCalls& entry, const std::optional<DosInfo>& previous) const override {
        return previous ? Write(entry, *previous, std::nullopt) : 0;
    }

  private:
    static constexpr const char* kAttrib = "user.cifs.dosattrib";
    static constexpr const char* kCrtime = "user.cifs.creationtime";
};

// FAT keeps Read-only, Hidden, System and Archive in the directory entry,
// reached through the vfat driver's ioctls; the driver keeps the write
// permissions in step with Read-only itself. Its creation time (statx's
// birth time) can't be set.
class FatStore : public AttributeStore {
  public:
    StoreAbilities Abilities() const override { return {kFatBits, false, false}; }
    std::optional<DosInfo> Read(EntryCalls& entry) const override {
        std::uint32_t word = 0;
        if (entry.Ioctl(FAT_IOCTL_GET_ATTRIBUTES, word) != 0)
            return std::nullopt;
        return DosInfo{word & (kFatBits | FILE_ATTRIBUTE_DIRECTORY), std::nullopt};
    }
    int Write(EntryCalls& entry, const DosInfo& info,
              const std::optional<DosInfo>&) const override {
        std::uint32_t word = info.attributes & (kFatBits | FILE_ATTRIBUTE_DIRECTORY);
        return entry.Ioctl(FAT_IOCTL_SET_ATTRIBUTES, word);
    }
    int Restore(EntryCalls& entry, const std::optional<DosInfo>& previous) const override {
        return previous ? Write(entry, *previous, std::nullopt) : 0;
    }
};

class NoStore : public AttributeStore {
  public:
    StoreAbilities Abilities() const override { return {}; }
    std::optional<DosInfo> Read(EntryCalls&) const override { return std::nullopt; }
    int Write(EntryCalls&, const DosInfo&, const std::optional<DosInfo>&) const override {
        return EOPNOTSUPP;
    }
    int Restore(EntryCalls&, const std::optional<DosInfo>&) const override { return 0; }
};

}  // namespace

const AttributeStore& StoreOf(StoreKind kind) {
    static const DosAttribStore dosAttrib;
    static const NtfsStore ntfs3g(true);
    static const NtfsStore ntfs3(false);
    static const CifsStore cifs;
    static const FatStore fat;
    static const NoStore none;
    switch (kind) {
        case StoreKind::kDosAttrib:
            return dosAttrib;
        case StoreKind::kNtfs3g:
            return ntfs3g;
        case StoreKind::kNtfs3:
            return ntfs3;
        case StoreKind::kCifs:
            return cifs;
        case StoreKind::kFat:
            return fat;
        case StoreKind::kNone:
            break;
    }
    return none;
}

StoreKind KindOfMount(long fsType, std::string_view mountType, bool hasNtfsAttrib) {
    switch (fsType) {
        case MSDOS_SUPER_MAGIC:
            return StoreKind::kFat;
        case kExfatMagic:
            return StoreKind::kNone;
        case kCifsMagic:
        case kSmb2Magic:
            return StoreKind::kCifs;
        case kNtfsMagic:
            return StoreKind::kNtfs3;
        case kFuseMagic:
            // ntfs-3g and exfat-fuse both mount as "fuseblk" (a subtype
            // such as "fuseblk.ntfs-3g" is seldom given): the NTFS word
            // answering tells them apart. Block-device FUSE file systems
            // other than NTFS (exFAT) keep no extended attributes; FUSE
            // over a network (sshfs) passes them on.
            if (hasNtfsAttrib || mountType.find("ntfs") != std::string_view::npos)
                return StoreKind::kNtfs3g;
            if (mountType.starts_with("fuseblk") ||
                mountType.find("exfat") != std::string_view::npos)
                return StoreKind::kNone;
            return StoreKind::kDosAttrib;
        default:
            return StoreKind::kDosAttrib;
    }
}

std::wstring VolumeNameOf(long fsType, StoreKind kind, std::string_view bootName) {
    switch (kind) {
        case StoreKind::kNtfs3g:
        case StoreKind::kNtfs3:
            return L"NTFS volume";
        case StoreKind::kCifs:
            return L"SMB share";
        case StoreKind::kFat:
            return L"FAT volume";
        default:
            break;
    }
    if (fsType == kExfatMagic || bootName == "EXFAT")
        return L"exFAT volume";
    if (bootName.starts_with("FAT"))
        return L"FAT volume";
    return L"file system";
}

}  // namespace torvane::posix
