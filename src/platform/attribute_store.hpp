#pragma once

// Where a Linux file system keeps the Windows attribute word and creation
// time of its entries. Each kind of file system has its own place: Samba's
// `user.DOSATTRIB` on the native ones (ext4, btrfs, xfs, tmpfs...), the real
// NTFS word through ntfs-3g's and ntfs3's `system.ntfs_*` attributes, the SMB
// server's own word through cifs' `user.cifs.*`, FAT's ioctls, and nowhere at
// all on exFAT and other file systems without extended attributes. The
// Linux backend picks one per mount (KindOfMount) and reaches the entry
// through EntryCalls, which tests replace with a recorder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dos_attrib.hpp"

namespace torvane::posix {

// The calls a store makes on one entry. Each returns 0 or an errno value.
class EntryCalls {
  public:
    virtual ~EntryCalls() = default;
    // Reads an extended attribute (at most 256 bytes) into `value`.
    virtual int GetXattr(const char* name, std::string& value) = 0;
    virtual int SetXattr(const char* name, const std::string& value) = 0;
    virtual int RemoveXattr(const char* name) = 0;
    // An ioctl on the entry opened for reading that passes a 32-bit word
    // (FAT_IOCTL_GET_ATTRIBUTES fills `value`, FAT_IOCTL_SET_ATTRIBUTES takes it).
    virtual int Ioctl(unsigned long request, std::uint32_t& value) = 0;
};

enum class StoreKind {
    kDosAttrib,  // Samba's user.DOSATTRIB, v3 layout
    kNtfs3g,     // system.ntfs_attrib_be, system.ntfs_crtime_be (FUSE)
    kNtfs3,      // system.ntfs_attrib_be (the kernel's ntfs3; no creation time)
    kCifs,       // user.cifs.dosattrib, user.cifs.creationtime (SMB client mounts)
    kFat,        // FAT_IOCTL_GET_ATTRIBUTES / FAT_IOCTL_SET_ATTRIBUTES (vfat)
    kNone,       // nowhere: exFAT through FUSE, file systems without xattrs
};

// What a store can keep.
struct StoreAbilities {
    // The attribute bits it keeps, of Read-only, Hidden, System, Archive,
    // Temporary and Not-content-indexed.
    std::uint32_t attributes = 0;
    // Whether a creation time can be set.
    bool creationTime = false;
    // Whether Read-only is also the owner's write permission, which the
    // backend takes away and gives back itself. Where the file system makes
    // up the permissions (ntfs-3g, cifs) or keeps them in step with the word
    // itself (vfat, ntfs3), only the word is written.
    bool writeBits = false;
};

class AttributeStore {
  public:
    virtual ~AttributeStore() = default;
    virtual StoreAbilities Abilities() const = 0;
    // What the entry has stored, or nullopt when nothing (or nothing usable) is.
    virtual std::optional<DosInfo> Read(EntryCalls& entry) const = 0;
    // Stores `info`: the word always, the creation time where given and
    // different from `previous`'s. 0 or an errno value.
    virtual int Write(EntryCalls& entry, const DosInfo& info,
                      const std::optional<DosInfo>& previous) const = 0;
    // Puts back what Read gave before a change that could not be completed.
    // 0 or the errno value of the write that failed.
    virtual int Restore(EntryCalls& entry, const std::optional<DosInfo>& previous) const = 0;
    // The extended attribute that holds all the store keeps for an entry,
    // whose bytes an undo can put back as they were (or remove); null where
    // the word is kept elsewhere or in more than one place.
    virtual const char* RecordName() const { return nullptr; }
};

// The store of each kind; they hold no state.
const AttributeStore& StoreOf(StoreKind kind);

// Which store a mount has: `fsType` is statfs's f_type, `mountType` the
// mount table's type ("fuseblk", "ntfs3", "cifs"...), `hasNtfsAttrib` whether
// the mounted folder answers `system.ntfs_attrib_be` (how ntfs-3g is told
// from other FUSE file systems, which the mount table names alike).
StoreKind KindOfMount(long fsType, std::string_view mountType, bool hasNtfsAttrib);

// What messages call a mount of that kind: "exFAT volume", "NTFS volume",
// "SMB share", "FAT volume", or "file system". `bootName` is the file
// system's name from its volume's boot sector where it could be read
// ("EXFAT", "NTFS", "FAT32"), else empty.
std::wstring VolumeNameOf(long fsType, StoreKind kind, std::string_view bootName);

}  // namespace torvane::posix
