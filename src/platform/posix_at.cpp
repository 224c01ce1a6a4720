#include "platform/posix_at.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane::posix {
namespace {

// The unique mount id (Linux 6.8), never given to another mount; older
// kernels answer the plain mount id.
constexpr unsigned kStatxMntIdUnique = 0x4000;
constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_INO | STATX_ATIME | STATX_MTIME |
                                STATX_BTIME | STATX_MNT_ID | kStatxMntIdUnique;
constexpr long kFuseMagic = 0x65735546;
// Samba reads at most this much of the stored value; so do we.
constexpr std::size_t kStoredLimit = 256;

// The folder-relative calls for extended attributes (Linux 6.13) and modes
// (6.6). Their numbers are the same on every architecture; the C library of
// Debian 12 doesn't name them yet.
constexpr long kSysFchmodat2 = 452;
constexpr long kSysSetxattrat = 463;
constexpr long kSysGetxattrat = 464;
constexpr long kSysRemovexattrat = 466;
struct XattrArgs {
    std::uint64_t value;
    std::uint32_t size;
    std::uint32_t flags;
};
// Set once a kernel has answered that it lacks the call.
std::atomic<bool> gNoXattrAt{false};
std::atomic<bool> gNoFchmodat2{false};

// An entry reached without following it, for kernels without the
// folder-relative calls: the calls then go through its /proc/self/fd path,
// which names the very inode that was opened.
class Reached {
  public:
    Reached(int folder, const std::string& name)
        : fd_(::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd_.get() >= 0)
            path_ = "/proc/self/fd/" + std::to_string(fd_.get());
    }
    bool ok() const { return fd_.get() >= 0; }
    const char* path() const { return path_.c_str(); }

  private:
    Fd fd_;
    std::string path_;
};

// Reads the extended attribute `xattr` into `buffer`: its length, or -1 with
// errno set. `fallbackFolder`, where given, is the folder's path, by which a
// kernel without getxattrat reads it (good enough for a listing, which
// changes nothing); otherwise the entry is reached through its descriptor.
ssize_t GetXattrBytes(int folder, const std::string& name, const char* xattr,
                      const std::string* fallbackFolder, char* buffer, std::size_t size,
                      bool folderRelative) {
    if (folderRelative && !gNoXattrAt.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<std::uintptr_t>(buffer), static_cast<std::uint32_t>(size),
                       0};
        const long n = ::syscall(kSysGetxattrat, folder, name.c_str(), AT_SYMLINK_NOFOLLOW, xattr,
                                 &args, sizeof args);
        if (n >= 0 || errno != ENOSYS)
            return n;
        gNoXattrAt = true;
    }
    if (fallbackFolder)
        return ::lgetxattr((*fallbackFolder + name).c_str(), xattr, buffer, size);
    const Reached entry(folder, name);
    if (!entry.ok())
        return -1;
    return ::getxattr(entry.path(), xattr, buffer, size);
}

// A change to the entry `at`: the failure a test asked for under `call`, or
// else `atCall` (a folder-relative system call answering 0 or -1) where the
// kernel has it (`missing` remembers that it hasn't), or else `pathCall` on
// the entry's /proc/self/fd path. 0, or the errno value.
template <class AtCall, class PathCall>
int ChangeEntry(const Backend& b, int folder, const std::string& name, const std::string& path,
                std::string_view call, std::atomic<bool>& missing, AtCall atCall,
                PathCall pathCall) {
    if (const int err = b.Fault(call, path))
        return err;
    if (b.folderRelativeCalls && !missing.load(std::memory_order_relaxed)) {
        if (atCall() == 0)
            return 0;
        if (errno != ENOSYS)
            return errno;
        missing = true;
    }
    const Reached entry(folder, name);
    if (!entry.ok())
        return errno;
    return pathCall(entry.path()) == 0 ? 0 : errno;
}

template <class AtCall, class PathCall>
int ChangeEntry(const Backend& b, const At& at, std::string_view call, std::atomic<bool>& missing,
                AtCall atCall, PathCall pathCall) {
    return ChangeEntry(b, at.dir(), at.name, at.Path(), call, missing, atCall, pathCall);
}

// The store's calls on the entry `name` in the open folder `folder`, whose
// path is `folderPath`. `byPath` lets a kernel without getxattrat read by
// the path (for a listing, which changes nothing).
class EntryAt : public EntryCalls {
  public:
    EntryAt(const Backend& b, int folder, const std::string& folderPath, const std::string& name,
            bool byPath)
        : b_(b), folder_(folder), folderPath_(folderPath), name_(name), byPath_(byPath) {}
    EntryAt(const Backend& b, const At& at) : EntryAt(b, at.dir(), at.folderPath, at.name, false) {}

    int GetXattr(const char* name, std::string& value) override {
        char buffer[kStoredLimit];
        const auto n = GetXattrBytes(folder_, name_, name, byPath_ ? &folderPath_ : nullptr, buffer,
                                     sizeof buffer, b_.folderRelativeCalls);
        if (n < 0)
            return errno;
        value.assign(buffer, static_cast<std::size_t>(n));
        return 0;
    }
    int SetXattr(const char* name, const std::string& value) override {
        XattrArgs args{reinterpret_cast<std::uintptr_t>(value.data()),
                       static_cast<std::uint32_t>(value.size()), 0};
        return ChangeEntry(
            b_, folder_, name_, folderPath_ + name_, "setxattr", gNoXattrAt,
            [&] {
                return ::syscall(kSysSetxattrat, folder_, name_.c_str(), AT_SYMLINK_NOFOLLOW, name,
                                 &args, sizeof args);
            },
            [&](const char* path) {
                return ::setxattr(path, name, value.data(), value.size(), 0);
            });
    }
    int RemoveXattr(const char* name) override {
        return ChangeEntry(
            b_, folder_, name_, folderPath_ + name_, "removexattr", gNoXattrAt,
            [&] {
                return ::syscall(kSysRemovexattrat, folder_, name_.c_str(), AT_SYMLINK_NOFOLLOW,
                                 name);
            },
            [&](const char* path) { return ::removexattr(path, name); });
    }
    int Ioctl(unsigned long request, std::uint32_t& value) override {
        const Fd fd(::openat(folder_, name_.c_str(),
                             O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        if (fd.get() < 0)
            return errno;
        return ::ioctl(fd.get(), request, &value) == 0 ? 0 : errno;
    }

  private:
    const Backend& b_;
    int folder_;
    const std::string& folderPath_;
    const std::string& name_;
    bool byPath_;
};

// 0, or the errno value of changing the entry's permission bits.
int ChangeModeAt(const Backend& b, const At& at, mode_t mode) {
    return ChangeEntry(
        b, at, "chmod", gNoFchmodat2,
        [&] {
            return ::syscall(kSysFchmodat2, at.dir(), at.name.c_str(), mode, AT_SYMLINK_NOFOLLOW);
        },
        [&](const char* path) { return ::chmod(path, mode); });
}

// The mount table's type and source of the file system on device
// major:minor ("fuseblk", "/dev/loop0"); empty when it isn't listed.
std::pair<std::string, std::string> MountTableEntry(unsigned major, unsigned minor) {
    std::ifstream table("/proc/self/mountinfo");
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mount-point options [tags...] - type source options
        std::istringstream fields(line);
        std::string id, parent, number;
        fields >> id >> parent >> number;
        if (number != device)
            continue;
        const auto dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type, source;
        tail >> type >> source;
        return {type, source};
    }
    return {};
}

// The file system's name in its boot sector ("EXFAT", "NTFS"), read from the
// block device where we may read it; empty otherwise.
std::string BootName(const std::string& source) {
    if (!source.starts_with("/dev/"))
        return {};
    const Fd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    char name[8] = {};
    if (fd.get() < 0 || ::pread(fd.get(), name, sizeof name, 3) != sizeof name)
        return {};
    std::string text(name, sizeof name);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// Finds out where the mount holding `fd` keeps attributes.
MountStore DiscoverMount(int fd, unsigned major, unsigned minor) {
    struct statfs fs {};
    const long type = ::fstatfs(fd, &fs) == 0 ? static_cast<long>(fs.f_type) : 0;
    const auto [mountType, source] = MountTableEntry(major, minor);
    bool ntfsAttrib = false;
    if (type == kFuseMagic) {
        char word[4];
        const auto path = "/proc/self/fd/" + std::to_string(fd);
        ntfsAttrib = ::getxattr(path.c_str(), "system.ntfs_attrib_be", word, sizeof word) ==
                     static_cast<ssize_t>(sizeof word);
    }
    MountStore mount;
    mount.kind = KindOfMount(type, mountType, ntfsAttrib);
    mount.volume = VolumeNameOf(type, mount.kind,
                                mount.kind == StoreKind::kNone ? BootName(source) : std::string());
    return mount;
}

// The store of the mount that holds the entry `stx` describes, named `name`
// in `folder`: found out once per mount, through the folder (or through the
// entry, when it is a folder of its own mount).
MountStore MountOf(const Backend& b, int folder, const std::string& name, const struct statx& stx) {
    const std::pair<std::uint64_t, std::uint64_t> key{
        makedev(stx.stx_dev_major, stx.stx_dev_minor),
        (stx.stx_mask & (STATX_MNT_ID | kStatxMntIdUnique)) ? stx.stx_mnt_id : 0};
    {
        const std::lock_guard lock(b.mountsMutex);
        if (const auto it = b.mounts.find(key); it != b.mounts.end())
            return it->second;
    }
    const Fd own(S_ISDIR(stx.stx_mode) && name != "." && name != ".."
                     ? ::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)
                     : -1);
    auto mount =
        DiscoverMount(own.get() >= 0 ? own.get() : folder, stx.stx_dev_major, stx.stx_dev_minor);
    const std::lock_guard lock(b.mountsMutex);
    return b.mounts.emplace(key, std::move(mount)).first->second;
}

bool IsLink(const struct statx& stx) {
    return S_ISLNK(stx.stx_mode);
}

// Only regular files and folders can hold user extended attributes.
bool CanStore(const struct statx& stx) {
    return S_ISREG(stx.stx_mode) || S_ISDIR(stx.stx_mode);
}

EntryFacts FactsOf(const struct statx& stx, std::string_view name) {
    EntryFacts facts;
    facts.directory = S_ISDIR(stx.stx_mode);
    facts.symlink = IsLink(stx);
    facts.ownerWritable = (stx.stx_mode & S_IWUSR) != 0;
    facts.dotName = !name.empty() && name[0] == '.';
    facts.compressed = (stx.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
    facts.encrypted = (stx.stx_attributes & STATX_ATTR_ENCRYPTED) != 0;
    return facts;
}

std::int64_t CreatedOf(const struct statx& stx, const std::optional<DosInfo>& stored) {
    if (stored && stored->createTime)
        return FromNtTime(*stored->createTime);
    if (stx.stx_mask & STATX_BTIME)
        return stx.stx_btime.tv_sec;
    return stx.stx_mtime.tv_sec;
}

FindRecord RecordOf(EntryName name, std::string_view nativeName, const struct statx& stx,
                    const std::optional<DosInfo>& stored) {
    return FindRecord{std::move(name),        AttributeWordOf(FactsOf(stx, nativeName), stored),
                      CreatedOf(stx, stored), stx.stx_mtime.tv_sec,
                      stx.stx_atime.tv_sec,   IdOf(stx)};
}

int StatAt(int folder, const std::string& name, struct statx& stx) {
    return ::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, kStatxMask, &stx) == 0 ? 0 : errno;
}

// An entry looked at without following a final symbolic link. Every later
// call on it also refuses to follow one, so were the entry replaced by a link
// meanwhile, the call fails or touches the link alone.
struct Target {
    At at;
    struct statx stx {};
    MountStore mount;

    mode_t Mode() const { return stx.stx_mode & 07777; }
    const AttributeStore& Store() const { return StoreOf(mount.kind); }
};

Result<Target> LookAt(const Backend& b, At at) {
    Target t{std::move(at), {}, {}};
    if (const int err = StatAt(t.at.dir(), t.at.name, t.stx))
        return SystemError::FromErrno(err);
    t.mount = MountOf(b, t.at.dir(), t.at.name, t.stx);
    return t;
}

std::optional<DosInfo> ReadStored(const Backend& b, const Target& t) {
    EntryAt entry(b, t.at);
    return t.Store().Read(entry);
}

int ChangeMode(const Backend& b, Target& t, mode_t mode) {
    if (const int err = ChangeModeAt(b, t.at, mode))
        return err;
    t.stx.stx_mode = static_cast<std::uint16_t>((t.stx.stx_mode & ~07777) | mode);
    return 0;
}

// Writes the stored value. Setting a user extended attribute needs write
// permission: an owner whose entry is read-only gets it for the write only
// (where the permissions are real ones).
int WriteStored(const Backend& b, Target& t, const DosInfo& info,
                const std::optional<DosInfo>& previous) {
    EntryAt entry(b, t.at);
    const auto& store = t.Store();
    const int err = store.Write(entry, info, previous);
    if (err == 0)
        return 0;
    const mode_t mode = t.Mode();
    if (err != EACCES || (mode & S_IWUSR) != 0 || !store.Abilities().writeBits)
        return err;
    if (ChangeMode(b, t, mode | S_IWUSR) != 0)
        return err;
    const int retryErr = store.Write(entry, info, previous);
    ChangeMode(b, t, mode);
    return retryErr;
}

// Puts back what was stored before a change that could not be completed:
// the previous value, or none. 0 or the errno value of the failed write.
int RestoreStored(const Backend& b, Target& t, const std::optional<DosInfo>& previous) {
    EntryAt entry(b, t.at);
    return t.Store().Restore(entry, previous);
}

std::wstring OctalMode(mode_t mode) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// The detail of an error after which the permissions could not be put back.
std::wstring ModeStayedDetail(mode_t now, mode_t before) {
    return L"Stayed changed: the permissions (" + OctalMode(now) + L", were " + OctalMode(before) +
           L").";
}

struct timespec TimespecOf(const struct statx_timestamp& t) {
    return {static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)};
}

// Gives the entry back the access and modified times it was looked at with,
// to the nanosecond. 0 or the errno value.
int PutTimesBack(const Backend& b, const Target& t) {
    if (const int err = b.Fault("utimensat", t.at.Path()))
        return err;
    const struct timespec times[2] = {TimespecOf(t.stx.stx_atime), TimespecOf(t.stx.stx_mtime)};
    return ::utimensat(t.at.dir(), t.at.name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// The error for a change the entry's file system can't keep.
SystemError CannotStore(const Target& t, std::uint32_t what) {
    return SystemError{EOPNOTSUPP, CannotStoreMessage(what, t.mount.volume)};
}

// The stored value to keep when only the creation time changes: what is
// stored, or else what the entry shows now (without the Read-only that its
// permissions give, which stays theirs).
DosInfo StoredOrCurrent(const Target& t, const std::optional<DosInfo>& stored) {
    if (stored)
        return *stored;
    const auto word = AttributeWordOf(FactsOf(t.stx, t.at.name), std::nullopt);
    return DosInfo{
        StoredWordFor(word & ~FILE_ATTRIBUTE_READONLY, S_ISDIR(t.stx.stx_mode), std::nullopt),
        std::nullopt};
}

// A handle is the entry as it was looked at when opened; the changes go by
// its name in its folder's descriptor. Only a change of compression, which
// needs an open file, opens one.
class PosixHandle : public FileHandle {
  public:
    PosixHandle(const Backend& b, Target target) : backend_(b), target_(std::move(target)) {}

    Status SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                    std::int64_t modified) override;
    Status SetCompression(bool on) override;

  private:
    const Backend& backend_;
    Target target_;
};

Status PosixHandle::SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                             std::int64_t modified) {
    // A link keeps no creation time of its own, so it takes none of the three.
    if (!CanStore(target_.stx))
        return SystemError::FromErrno(EPERM);
    const auto nt = created ? ToNtTime(*created) : std::nullopt;
    if (created && !nt)
        return SystemError::FromErrno(EINVAL);
    // A creation time the file system can't keep fails before anything changes.
    std::optional<DosInfo> stored;
    bool newCreated = false;
    if (created) {
        stored = ReadStored(backend_, target_);
        newCreated = CreatedOf(target_.stx, stored) != *created;
        if (newCreated && !target_.Store().Abilities().creationTime)
            return CannotStore(target_, 0);
    }
    const struct timespec times[2] = {{static_cast<time_t>(accessed), 0},
                                      {static_cast<time_t>(modified), 0}};
    const At& at = target_.at;
    if (const int err = backend_.Fault("utimensat", at.Path()))
        return SystemError::FromErrno(err);
    if (::utimensat(at.dir(), at.name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return SystemError::FromLastErrno();
    if (!newCreated)
        return Status::Ok();
    auto info = StoredOrCurrent(target_, stored);
    info.createTime = nt;
    if (const int err = WriteStored(backend_, target_, info, stored)) {
        // The creation time is kept apart from the others: they are put back,
        // so that no time lands without the other.
        auto error = SystemError::FromErrno(err);
        if (PutTimesBack(backend_, target_) != 0)
            error.detail = L"Stayed changed: the modified and access times.";
        return error;
    }
    return Status::Ok();
}

Status PosixHandle::SetCompression(bool on) {
    // The flags need the entry opened for reading: never a link, and never a
    // device or pipe, which opening alone may disturb. What was opened is
    // checked again, in case the entry was replaced since it was looked at.
    if (!CanStore(target_.stx))
        return SystemError::FromErrno(EPERM);
    const At& at = target_.at;
    const Fd fd(::openat(at.dir(), at.name.c_str(),
                         O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return SystemError::FromErrno(errno == ELOOP ? EPERM : errno);
    struct statx stx {};
    if (::statx(fd.get(), "", AT_EMPTY_PATH, kStatxMask, &stx) != 0)
        return SystemError::FromLastErrno();
    if (!CanStore(stx))
        return SystemError::FromErrno(EPERM);
    // Only btrfs really compresses what the flag marks; elsewhere (ext4 keeps
    // the flag and does nothing) setting it would be a lie.
    struct statfs fs {};
    if (::fstatfs(fd.get(), &fs) != 0)
        return SystemError::FromLastErrno();
    if (fs.f_type != BTRFS_SUPER_MAGIC)
        return SystemError::FromErrno(EOPNOTSUPP);
    int flags = 0;
    if (::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
        return SystemError::FromLastErrno();
    flags = on ? (flags | FS_COMPR_FL) & ~FS_NOCOMP_FL : flags & ~FS_COMPR_FL;
    if (::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

// What an entry keeps in its store, as read for a memo: the raw bytes of
// Samba's record (so that what is put back is byte for byte what was there),
// or what another store's Read gives.
struct StoredRecord {
    std::optional<std::string> raw;
    std::optional<DosInfo> info;

    bool operator==(const StoredRecord&) const = default;
};

StoredRecord ReadRecord(const Backend& b, const Target& t) {
    StoredRecord record;
    if (!CanStore(t.stx))
        return record;
    EntryAt entry(b, t.at);
    if (t.mount.kind == StoreKind::kDosAttrib) {
        std::string bytes;
        if (entry.GetXattr(kDosAttribName, bytes) == 0)
            record.raw = std::move(bytes);
    }
    record.info = t.Store().Read(entry);
    return record;
}

bool SameTime(const struct statx_timestamp& a, const struct statx_timestamp& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// See EntryMemo: the entry as looked at, and its stored record.
class PosixMemo : public EntryMemo {
  public:
    PosixMemo(const Backend& b, Target t)
        : b_(b), was_(std::move(t)), stored_(ReadRecord(b, was_)) {}

    Result<bool> PutBack() override {
        auto looked = LookAt(b_, was_.at);
        if (!looked)
            return looked.error();
        Target& now = *looked;
        std::wstring stayed;
        int first = 0;
        const auto note = [&](int err, const std::wstring& what) {
            if (err == 0)
                return;
            first = first != 0 ? first : err;
            stayed += (stayed.empty() ? L"" : L", ") + what;
        };
        bool changed = false;
        if (!(ReadRecord(b_, now) == stored_)) {
            changed = true;
            note(WithWritePermission(now, [&] { return PutStoredBack(now); }),
                 L"the stored attribute record");
        }
        if (now.Mode() != was_.Mode()) {
            changed = true;
            const mode_t mode = now.Mode();
            note(ChangeMode(b_, now, was_.Mode()), L"the permissions (" + OctalMode(mode) +
                                                       L", were " + OctalMode(was_.Mode()) + L")");
        }
        if (!SameTime(now.stx.stx_mtime, was_.stx.stx_mtime) ||
            !SameTime(now.stx.stx_atime, was_.stx.stx_atime)) {
            changed = true;
            note(PutTimesBack(b_, was_), L"the modified and access times");
        }
        if (first == 0)
            return changed;
        auto error = SystemError::FromErrno(first);
        error.detail = L"Stayed changed: " + stayed + L".";
        return error;
    }

  private:
    int PutStoredBack(Target& now) {
        EntryAt entry(b_, now.at);
        if (now.mount.kind != StoreKind::kDosAttrib || (stored_.info && !stored_.raw))
            return now.Store().Restore(entry, stored_.info);
        if (stored_.raw)
            return entry.SetXattr(kDosAttribName, *stored_.raw);
        const int err = entry.RemoveXattr(kDosAttribName);
        return err == ENODATA ? 0 : err;
    }

    // Runs `write`; where it is refused for want of the owner's write
    // permission, gives that permission for the write only.
    template <class Write>
    int WithWritePermission(Target& now, Write write) {
        const int err = write();
        const mode_t mode = now.Mode();
        if (err != EACCES || (mode & S_IWUSR) != 0 || ChangeMode(b_, now, mode | S_IWUSR) != 0)
            return err;
        const int retried = write();
        ChangeMode(b_, now, mode);
        return retried;
    }

    const Backend& b_;
    Target was_;
    StoredRecord stored_;
};

// The errno of a rename that never replaces, 0 on success.
int RenameNoReplace(const Backend& b, const At& from, const At& to);

// The placeholder that claims a new name: an empty file or folder whose
// modified time is kPlaceholderTime, so that one left behind by a process
// killed between its two steps is known for ours and taken away by the next
// move onto that name, or by the undo.

// Whether the entry `at` is an empty placeholder left by a move.
bool IsLeftPlaceholder(const At& at) {
    struct stat st {};
    if (::fstatat(at.dir(), at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (st.st_mtime != kPlaceholderTime)
        return false;
    return (S_ISREG(st.st_mode) && st.st_size == 0) || S_ISDIR(st.st_mode);
}

// Claims the name `to` with an empty entry of the given kind; 0 or errno.
int MakePlaceholder(const At& to, bool folder) {
    const struct timespec times[2] = {{kPlaceholderTime, 0}, {kPlaceholderTime, 0}};
    if (folder) {
        if (::mkdirat(to.dir(), to.name.c_str(), 0700) != 0)
            return errno;
        ::utimensat(to.dir(), to.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return 0;
    }
    const Fd fd(::openat(to.dir(), to.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return errno;
    ::futimens(fd.get(), times);
    return 0;
}

// The fallback where the file system refuses RENAME_NOREPLACE: claim the new
// name exclusively with an empty placeholder of the same kind, then move onto
// it, so only our own placeholder can ever be replaced. A placeholder that a
// killed process left under the new name is removed first (a folder only
// while empty).
int RenameOntoPlaceholder(const Backend& b, const At& from, const At& to) {
    struct stat st {};
    if (::fstatat(from.dir(), from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    const bool folder = S_ISDIR(st.st_mode);
    int claimed = MakePlaceholder(to, folder);
    if (claimed == EEXIST && IsLeftPlaceholder(to) &&
        ::unlinkat(to.dir(), to.name.c_str(), folder ? AT_REMOVEDIR : 0) == 0)
        claimed = MakePlaceholder(to, folder);
    if (claimed != 0)
        return claimed;
    if (b.rename(from.dir(), from.name.c_str(), to.dir(), to.name.c_str(), 0) == 0)
        return 0;
    const int err = errno;
    ::unlinkat(to.dir(), to.name.c_str(), folder ? AT_REMOVEDIR : 0);
    return err;
}

int RenameNoReplace(const Backend& b, const At& from, const At& to) {
    if (b.rename(from.dir(), from.name.c_str(), to.dir(), to.name.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int err = errno;
    // EINVAL is also the answer for moving a folder into itself.
    const std::string source = from.Path();
    const bool intoItself = to.Path().compare(0, source.size() + 1, source + "/") == 0;
    if (err != EINVAL || intoItself)
        return err;
    return RenameOntoPlaceholder(b, from, to);
}

bool SameInode(const At& a, const At& b) {
    struct stat sa {
    }, sb{};
    return ::fstatat(a.dir(), a.name.c_str(), &sa, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstatat(b.dir(), b.name.c_str(), &sb, AT_SYMLINK_NOFOLLOW) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Whether `to` is `from` in the same folder with letters of another case.
bool CaseChangeOnly(const At& from, const At& to) {
    if (from.name.size() != to.name.size() || from.name == to.name)
        return false;
    struct stat a {
    }, b{};
    if (from.dir() != to.dir() && (::fstat(from.dir(), &a) != 0 || ::fstat(to.dir(), &b) != 0 ||
                                   a.st_dev != b.st_dev || a.st_ino != b.st_ino))
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < from.name.size(); ++i) {
        if (lower(from.name[i]) != lower(to.name[i]))
            return false;
    }
    return true;
}

// A move between two names of one inode: a change of letter case on a
// case-insensitive file system, done through a temporary name in the
// source's folder (".torvane-move-PID-N"). When the entry can't be put back
// after a failure, `leftAs` names where it is.
int RenameSameInode(const Backend& b, const At& from, const At& to, std::string& leftAs) {
    static std::atomic<unsigned> counter{0};
    const auto prefix = ".torvane-move-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 16; ++attempt) {
        const At temporary{from.folder, from.folderPath, prefix + std::to_string(counter++)};
        int err = RenameNoReplace(b, from, temporary);
        if (err == EEXIST)
            continue;
        if (err != 0)
            return err;
        err = RenameNoReplace(b, temporary, to);
        if (err == 0)
            return 0;
        // Two different entries after all: put it back.
        if (RenameNoReplace(b, temporary, from) != 0)
            leftAs = temporary.Path();
        return err;
    }
    return EEXIST;
}

// The entry's stored record, or nullopt when it has none; an errno value
// other than "no such attribute" in `err`.
std::optional<std::string> ReadRecord(const Backend& b, const At& at, const char* name, int& err) {
    EntryAt entry(b, at);
    std::string bytes;
    err = entry.GetXattr(name, bytes);
    if (err == ENODATA) {
        err = 0;
        return std::nullopt;
    }
    return err == 0 ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

std::int64_t Nanoseconds(const struct statx_timestamp& t) {
    return t.tv_sec * 1000000000 + t.tv_nsec;
}

struct timespec TimespecOf(std::int64_t ns) {
    std::int64_t sec = ns / 1000000000;
    std::int64_t rest = ns % 1000000000;
    if (rest < 0) {
        rest += 1000000000;
        --sec;
    }
    return {static_cast<time_t>(sec), static_cast<long>(rest)};
}

// Puts the record back as `state` holds it (or removes it); the owner gets
// write permission for the change only where the entry lacks it, as writing
// a user extended attribute needs it.
int RestoreRecord(const Backend& b, Target& t, const EntryState& state, const char* name) {
    int err = 0;
    const auto now = ReadRecord(b, t.at, name, err);
    if (err != 0)
        return err;
    if (now.has_value() == state.hasRecord && (!now || *now == state.record))
        return 0;
    const mode_t mode = t.Mode();
    const bool lend = (mode & S_IWUSR) == 0;
    if (lend && (err = ChangeMode(b, t, mode | S_IWUSR)) != 0)
        return err;
    EntryAt entry(b, t.at);
    err = state.hasRecord ? entry.SetXattr(name, state.record) : entry.RemoveXattr(name);
    if (err == ENODATA)
        err = 0;
    if (lend)
        ChangeMode(b, t, mode);
    return err;
}

}  // namespace

Status RemoveLeftPlaceholder(const Backend& b, const At& at, std::int64_t notBefore) {
    b.Before(at.folderPath, at.name);
    struct stat st {};
    if (::fstatat(at.dir(), at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return SystemError::FromLastErrno();
    const bool dated = st.st_mtime == kPlaceholderTime || st.st_mtime >= notBefore;
    const bool empty = (S_ISREG(st.st_mode) && st.st_size == 0) || S_ISDIR(st.st_mode);
    if (!dated || !empty)
        return SystemError::FromErrno(EEXIST);  // a folder must be empty to go, below
    if (::unlinkat(at.dir(), at.name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

Result<EntryState> ReadState(const Backend& b, const At& at, unsigned parts) {
    auto looked = LookAt(b, at);
    if (!looked)
        return looked.error();
    const Target& t = *looked;
    EntryState state;
    state.mode = t.Mode();
    state.modifiedNs = Nanoseconds(t.stx.stx_mtime);
    state.accessedNs = Nanoseconds(t.stx.stx_atime);
    state.birthKept = (t.stx.stx_mask & STATX_BTIME) != 0;
    const char* name = t.Store().RecordName();
    if (name != nullptr && CanStore(t.stx) && (parts & kStateRecord)) {
        int err = 0;
        auto record = ReadRecord(b, t.at, name, err);
        state.recordKept = err == 0;
        state.hasRecord = record.has_value();
        if (record)
            state.record = std::move(*record);
    }
    return state;
}

Status RestoreState(const Backend& b, const At& at, const EntryState& state, unsigned parts) {
    b.Before(at.folderPath, at.name);
    auto looked = LookAt(b, at);
    if (!looked)
        return looked.error();
    Target& t = *looked;
    if (IsLink(t.stx))
        return SystemError::FromErrno(EPERM);
    const char* name = t.Store().RecordName();
    if ((parts & kStateRecord) && state.recordKept && name != nullptr) {
        if (const int err = RestoreRecord(b, t, state, name))
            return SystemError::FromErrno(err);
    }
    // The permission bits are the entry's own only where Read-only is one of
    // them; elsewhere the file system makes them up from the word.
    if ((parts & kStateMode) && t.Store().Abilities().writeBits &&
        t.Mode() != (state.mode & 07777)) {
        if (const int err = ChangeMode(b, t, static_cast<mode_t>(state.mode & 07777)))
            return SystemError::FromErrno(err);
    }
    if (!(parts & kStateTimes) || (Nanoseconds(t.stx.stx_mtime) == state.modifiedNs &&
                                   Nanoseconds(t.stx.stx_atime) == state.accessedNs))
        return Status::Ok();
    const struct timespec times[2] = {TimespecOf(state.accessedNs), TimespecOf(state.modifiedNs)};
    if (const int err = b.Fault("utimensat", at.Path()))
        return SystemError::FromErrno(err);
    if (::utimensat(at.dir(), at.name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

Fd::~Fd() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileId IdOf(const struct statx& stx) {
    return FileId{makedev(stx.stx_dev_major, stx.stx_dev_minor), stx.stx_ino};
}

Result<FindRecord> ReadEntry(const Backend& b, const At& at, const EntryName& shownName) {
    auto looked = LookAt(b, at);
    if (!looked)
        return looked.error();
    const auto stored = CanStore(looked->stx) ? ReadStored(b, *looked) : std::nullopt;
    // The name shown decides a dot name (the entry may be reached as ".").
    const std::string& name = shownName.empty() ? at.name : shownName.bytes();
    return RecordOf(shownName, name, looked->stx, stored);
}

int ReadListed(const Backend& b, int folder, const std::string& folderPath, const std::string& name,
               FindRecord& record) {
    struct statx stx {};
    if (const int err = StatAt(folder, name, stx))
        return err;
    std::optional<DosInfo> stored;
    if (CanStore(stx)) {
        EntryAt entry(b, folder, folderPath, name, true);
        stored = StoreOf(MountOf(b, folder, name, stx).kind).Read(entry);
    }
    record = RecordOf(EntryName::FromBytes(name), name, stx, stored);
    return 0;
}

NamesOnlyFolder ReadNamesOnlyFolder(int folder) {
    NamesOnlyFolder facts;
    struct statfs fs {};
    if (::statx(folder, "", AT_EMPTY_PATH, kStatxMask, &facts.stx) != 0 ||
        ::fstatfs(folder, &fs) != 0)
        return facts;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case EXT4_SUPER_MAGIC:
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
            facts.idsFromListing = true;
            break;
        default:
            break;
    }
    return facts;
}

FindRecord ReadNamedFile(const Backend& b, int folder, const std::string& folderPath,
                         const NamesOnlyFolder& facts, const std::string& name, ino_t ino) {
    // A regular file lies on its folder's mount: the folder's stat finds the store.
    EntryAt entry(b, folder, folderPath, name, true);
    const auto stored = StoreOf(MountOf(b, folder, ".", facts.stx).kind).Read(entry);
    EntryFacts file;
    file.dotName = !name.empty() && name[0] == '.';
    const dev_t dev = makedev(facts.stx.stx_dev_major, facts.stx.stx_dev_minor);
    return FindRecord{EntryName::FromBytes(name),
                      AttributeWordOf(file, stored),
                      0,
                      0,
                      0,
                      FileId{dev, static_cast<std::uint64_t>(ino)}};
}

// The attribute word's three homes (mode, stored record, file flags) written
// in one order with each put back when a later one fails: kept together so
// that the order and its put-backs can be read at once.
Status SetAttributes(const Backend& b, const At& at, std::uint32_t attributes) {
    b.Before(at.folderPath, at.name);
    auto looked = LookAt(b, at);
    if (!looked)
        return looked.error();
    auto& t = *looked;
    if (!CanStore(t.stx))
        return SystemError::FromErrno(EPERM);
    const auto stored = ReadStored(b, t);
    const auto abilities = t.Store().Abilities();
    // A change of an attribute the file system can't keep fails before
    // anything is written, rather than seeming to succeed.
    const std::uint32_t shown = AttributeWordOf(FactsOf(t.stx, t.at.name), stored);
    const std::uint32_t switched = (shown ^ attributes) & kKeptAttributes & ~abilities.attributes;
    for (const auto& attribute :
         {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
          FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_TEMPORARY, FILE_ATTRIBUTE_NOT_CONTENT_INDEXED}) {
        if (switched & attribute)
            return CannotStore(t, attribute);
    }
    if (abilities.attributes == 0)
        return Status::Ok();
    DosInfo info{
        StoredWordFor(attributes, S_ISDIR(t.stx.stx_mode), stored),
        stored && stored->createTime ? stored->createTime : ToNtTime(CreatedOf(t.stx, stored))};
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const bool ownerWritable = (t.Mode() & S_IWUSR) != 0;
    const bool file = !S_ISDIR(t.stx.stx_mode);
    // A word that is stored already is not written again.
    const bool writeWord = !stored || !(*stored == info);
    const mode_t before = t.Mode();

    // Where Read-only is also the write permission: setting it on a file that
    // its owner may write takes every write permission away (a folder keeps
    // its permissions: a read-only folder on Windows still takes new
    // entries). An entry its owner may not write already reads as
    // read-only, and its other permission bits stay as they are. The
    // permissions go first and come back if the word can't be written, so
    // that whatever fails, the file is never left writable.
    if (abilities.writeBits && readOnly && file && ownerWritable) {
        if (const int err = ChangeMode(b, t, before & ~0222))
            return SystemError::FromErrno(err);
        if (writeWord) {
            if (const int err = WriteStored(b, t, info, stored)) {
                auto error = SystemError::FromErrno(err);
                if (ChangeMode(b, t, before) != 0)
                    error.detail = ModeStayedDetail(before & ~0222, before);
                return error;
            }
        }
        return Status::Ok();
    }
    if (writeWord) {
        if (const int err = WriteStored(b, t, info, stored))
            return SystemError::FromErrno(err);
    }
    // Clearing Read-only gives the owner write permission once the word says
    // so; if that fails, the word that was there comes back.
    if (abilities.writeBits && !readOnly && !ownerWritable) {
        if (const int err = ChangeMode(b, t, before | S_IWUSR)) {
            auto error = SystemError::FromErrno(err);
            if (writeWord && RestoreStored(b, t, stored) != 0)
                error.detail = L"Stayed changed: the stored attribute record.";
            return error;
        }
    }
    return Status::Ok();
}

Result<std::unique_ptr<FileHandle>> Open(const Backend& b, At at) {
    b.Before(at.folderPath, at.name);
    auto looked = LookAt(b, std::move(at));
    if (!looked)
        return looked.error();
    return std::unique_ptr<FileHandle>(std::make_unique<PosixHandle>(b, std::move(*looked)));
}

Result<std::unique_ptr<EntryMemo>> Remember(const Backend& b, At at) {
    auto looked = LookAt(b, std::move(at));
    if (!looked)
        return looked.error();
    return std::unique_ptr<EntryMemo>(std::make_unique<PosixMemo>(b, std::move(*looked)));
}

Status Move(const Backend& b, const At& from, const At& to) {
    b.Before(from.folderPath, from.name);
    int err = RenameNoReplace(b, from, to);
    std::string leftAs;
    // FUSE file systems (exFAT's) give each name its own inode number, so a
    // change of letter case in one folder is tried through a temporary name
    // too: that never replaces, so two different entries stay as they are.
    if (err == EEXIST && (SameInode(from, to) || CaseChangeOnly(from, to)))
        err = from.Path() == to.Path() ? 0 : RenameSameInode(b, from, to, leftAs);
    if (err == 0)
        return Status::Ok();
    auto error = SystemError::FromErrno(err);
    if (!leftAs.empty())
        error.detail =
            L"The entry could not be given its name back and is now " + FromUtf8(leftAs) + L".";
    return error;
}

Status Encrypt(const Backend& b, const At& at, bool on) {
    b.Before(at.folderPath, at.name);
    auto record = ReadEntry(b, at, {});
    if (!record)
        return record.error();
    // Linux can only encrypt files created inside an encrypted folder, and
    // can't decrypt one in place.
    const bool encrypted = (record->attributes & FILE_ATTRIBUTE_ENCRYPTED) != 0;
    if (encrypted == on)
        return Status::Ok();
    return SystemError::FromErrno(EOPNOTSUPP);
}

namespace {

// File systems known to fold case, by the type statfs gives.
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kCifsMagic = static_cast<long>(0xFF534D42);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42);
#ifndef FS_CASEFOLD_FL
constexpr int FS_CASEFOLD_FL = 0x40000000;
#endif

std::string SwapAsciiCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// Whether `sample` is found with its letters' case swapped, the folder
// holding no entry of that name (the caller's choice of sample): then the
// file system folds case. Not the inode: FUSE file systems such as exFAT's
// give each name looked up an inode number of its own. nullopt when the
// lookups can't tell.
std::optional<bool> FoundInOtherCase(int folder, const std::string& sample) {
    struct stat st {};
    if (sample.empty() || ::fstatat(folder, sample.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    if (::fstatat(folder, SwapAsciiCase(sample).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    return errno == ENOENT ? std::optional(false) : std::nullopt;
}

}  // namespace

FolderTraits TraitsOf(const Backend& b, int folder, const std::string& sample) {
    FolderTraits traits;
    struct statfs fs {};
    const bool typed = ::fstatfs(folder, &fs) == 0;
    const long type = typed ? static_cast<long>(fs.f_type) : 0;
    traits.compresses = type == static_cast<long>(BTRFS_SUPER_MAGIC);
    traits.parallelFolders = type != kFuseMagic;
    struct statx stx {};
    if (::statx(folder, "", AT_EMPTY_PATH, kStatxMask, &stx) == 0) {
        const auto mount = MountOf(b, folder, ".", stx);
        const auto abilities = StoreOf(mount.kind).Abilities();
        traits.storedAttributes = abilities.attributes;
        traits.storesCreationTime = abilities.creationTime;
        traits.volume = mount.volume;
    }
    const bool fat =
        type == MSDOS_SUPER_MAGIC || type == kExfatMagic || traits.volume == L"exFAT volume";
    if (fat) {
        // FAT and exFAT keep times from 1980 to the end of 2107.
        traits.earliestTime = 315532800;
        traits.latestTime = 4354819199;
    }
    if (const auto same = FoundInOtherCase(folder, sample)) {
        traits.foldsCase = *same;
        return traits;
    }
    int flags = 0;
    const bool casefold = ::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
    traits.foldsCase = fat || type == kCifsMagic || type == kSmb2Magic || casefold;
    return traits;
}

}  // namespace torvane::posix
