#include "platform/posix_file_system.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/dos_attrib.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_streams.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_BTIME;
// Samba reads at most this much of the stored value; so do we.
constexpr std::size_t kStoredLimit = 256;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

std::string Native(const std::wstring& path) {
    return ToUtf8(path);
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The stored value of an entry, if it has a readable one; a final symbolic
// link is not followed.
std::optional<DosInfo> ReadStored(const char* path) {
    char buffer[kStoredLimit];
    const auto n = ::lgetxattr(path, kDosAttribName, buffer, sizeof buffer);
    if (n < 0)
        return std::nullopt;
    return DecodeDosAttrib(std::string_view(buffer, static_cast<std::size_t>(n)));
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

FindRecord RecordOf(std::string_view name, const struct statx& stx,
                    const std::optional<DosInfo>& stored) {
    return FindRecord{FromUtf8(name), AttributeWordOf(FactsOf(stx, name), stored),
                      CreatedOf(stx, stored), stx.stx_mtime.tv_sec, stx.stx_atime.tv_sec};
}

Result<FindRecord> ReadEntry(const std::string& path) {
    struct statx stx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, kStatxMask, &stx) != 0)
        return SystemError::FromLastErrno();
    const auto stored = CanStore(stx) ? ReadStored(path.c_str()) : std::nullopt;
    return RecordOf(LastComponent(path), stx, stored);
}

// An entry looked at by path without following a final symbolic link. Every
// later call on it also refuses to follow one (lgetxattr, lsetxattr,
// utimensat and fchmodat with AT_SYMLINK_NOFOLLOW), so were the entry
// replaced by a link meanwhile, the call fails or touches the link alone.
struct PathTarget {
    std::string path;
    struct statx stx {};

    mode_t Mode() const { return stx.stx_mode & 07777; }
};

Result<PathTarget> LookAt(std::string path) {
    PathTarget t{std::move(path), {}};
    if (::statx(AT_FDCWD, t.path.c_str(), AT_SYMLINK_NOFOLLOW, kStatxMask, &t.stx) != 0)
        return SystemError::FromLastErrno();
    return t;
}

int ChangeMode(PathTarget& t, mode_t mode) {
    if (::fchmodat(AT_FDCWD, t.path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    t.stx.stx_mode = static_cast<std::uint16_t>((t.stx.stx_mode & ~07777) | mode);
    return 0;
}

// Writes the stored value. Setting a user extended attribute needs write
// permission: an owner whose entry is read-only gets it for the write only.
int WriteStored(PathTarget& t, const DosInfo& info) {
    const auto bytes = EncodeDosAttribV3(info);
    const char* p = t.path.c_str();
    if (::lsetxattr(p, kDosAttribName, bytes.data(), bytes.size(), 0) == 0)
        return 0;
    const int err = errno;
    const mode_t mode = t.Mode();
    if (err != EACCES || (mode & S_IWUSR) != 0)
        return err;
    if (ChangeMode(t, mode | S_IWUSR) != 0)
        return err;
    const int result = ::lsetxattr(p, kDosAttribName, bytes.data(), bytes.size(), 0);
    const int retryErr = errno;
    ChangeMode(t, mode);
    return result == 0 ? 0 : retryErr;
}

// The stored value to keep when only the creation time changes: what is
// stored, or else what the entry shows now (without the Read-only that its
// permissions give, which stays theirs).
DosInfo StoredOrCurrent(const PathTarget& t, const std::optional<DosInfo>& stored) {
    if (stored)
        return *stored;
    const auto word = AttributeWordOf(FactsOf(t.stx, LastComponent(t.path)), std::nullopt);
    return DosInfo{
        StoredWordFor(word & ~FILE_ATTRIBUTE_READONLY, S_ISDIR(t.stx.stx_mode), std::nullopt),
        std::nullopt};
}

// A handle is the entry as it was looked at when opened; the changes go by
// path. Only a change of compression, which needs an open file, opens one.
class PosixHandle : public FileHandle {
  public:
    explicit PosixHandle(PathTarget target) : target_(std::move(target)) {}

    Status SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                    std::int64_t modified) override;
    Status SetCompression(bool on) override;

  private:
    PathTarget target_;
};

Status PosixHandle::SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                             std::int64_t modified) {
    // A link keeps no creation time of its own, so it takes none of the three.
    if (!CanStore(target_.stx))
        return SystemError::FromErrno(EPERM);
    const auto nt = created ? ToNtTime(*created) : std::nullopt;
    if (created && !nt)
        return SystemError::FromErrno(EINVAL);
    const struct timespec times[2] = {{static_cast<time_t>(accessed), 0},
                                      {static_cast<time_t>(modified), 0}};
    if (::utimensat(AT_FDCWD, target_.path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return SystemError::FromLastErrno();
    if (!created)
        return Status::Ok();
    const auto stored = ReadStored(target_.path.c_str());
    if (CreatedOf(target_.stx, stored) == *created)
        return Status::Ok();
    auto info = StoredOrCurrent(target_, stored);
    info.createTime = nt;
    if (const int err = WriteStored(target_, info))
        return SystemError::FromErrno(err);
    return Status::Ok();
}

Status PosixHandle::SetCompression(bool on) {
    // The flags need the entry opened for reading: never a link, and never a
    // device or pipe, which opening alone may disturb. What was opened is
    // checked again, in case the entry was replaced since it was looked at.
    if (!CanStore(target_.stx))
        return SystemError::FromErrno(EPERM);
    const Fd fd(
        ::open(target_.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
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

int SystemRename(const char* from, const char* to, unsigned flags) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

bool SameInode(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

PosixFileSystem::PosixFileSystem(RenameFunction rename)
    : rename_(rename ? rename : &SystemRename) {}

Result<std::uint32_t> PosixFileSystem::GetAttributes(const std::wstring& path) {
    auto record = ReadEntry(Native(path));
    if (!record)
        return record.error();
    return record->attributes;
}

Status PosixFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    auto looked = LookAt(Native(path));
    if (!looked)
        return looked.error();
    auto& t = *looked;
    if (!CanStore(t.stx))
        return SystemError::FromErrno(EPERM);
    const auto stored = ReadStored(t.path.c_str());
    DosInfo info{
        StoredWordFor(attributes, S_ISDIR(t.stx.stx_mode), stored),
        stored && stored->createTime ? stored->createTime : ToNtTime(CreatedOf(t.stx, stored))};
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Clearing Read-only gives the owner write permission before the word
    // changes; setting it on a file takes every write permission away afterwards.
    if (!readOnly && (t.Mode() & S_IWUSR) == 0) {
        if (const int err = ChangeMode(t, t.Mode() | S_IWUSR))
            return SystemError::FromErrno(err);
    }
    // A word that is stored already is not written again.
    if (!stored || !(*stored == info)) {
        if (const int err = WriteStored(t, info))
            return SystemError::FromErrno(err);
    }
    // A read-only folder on Windows still takes new entries: its permissions stay.
    const bool file = !S_ISDIR(t.stx.stx_mode);
    if (readOnly && file && (t.Mode() & 0222) != 0) {
        if (const int err = ChangeMode(t, t.Mode() & ~0222))
            return SystemError::FromErrno(err);
    }
    return Status::Ok();
}

namespace {

// Below this many entries a folder is read on the calling thread alone.
constexpr std::size_t kSharedReadFrom = 1024;
constexpr unsigned kMostReaders = 4;
constexpr std::size_t kBatch = 64;

// The records of the entries `names` of an open folder, in that order; an
// entry gone since the folder was read is left out.
Result<std::vector<FindRecord>> ReadRecords(int folderFd, const std::string& folderPath,
                                            const std::vector<std::string>& names) {
    // Each record costs a statx and a read of the stored word, time spent
    // waiting on the kernel; on a large folder several threads share the
    // entries, taking batches in turn, each result kept in its entry's place.
    const std::size_t count = names.size();
    std::vector<FindRecord> records(count);
    std::vector<int> errors(count, 0);
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto read = [&] {
        try {
            std::string path = folderPath;
            const auto folderLength = path.size();
            for (;;) {
                const std::size_t begin = next.fetch_add(kBatch);
                if (begin >= count)
                    return;
                for (std::size_t i = begin; i < std::min(count, begin + kBatch); ++i) {
                    struct statx stx {};
                    if (::statx(folderFd, names[i].c_str(), AT_SYMLINK_NOFOLLOW, kStatxMask,
                                &stx) != 0) {
                        errors[i] = errno;
                        continue;
                    }
                    path.resize(folderLength);
                    path += names[i];
                    const auto stored = CanStore(stx) ? ReadStored(path.c_str()) : std::nullopt;
                    records[i] = RecordOf(names[i], stx, stored);
                }
            }
        } catch (...) {
            const std::lock_guard lock(failureMutex);
            failure = std::current_exception();
            next = count;  // the others stop too
        }
    };
    std::vector<std::thread> helpers;
    if (count >= kSharedReadFrom) {
        const unsigned readers = std::clamp(std::thread::hardware_concurrency(), 1u, kMostReaders);
        for (unsigned n = 1; n < readers; ++n) {
            try {
                helpers.emplace_back(read);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: fewer readers do the work
            }
        }
    }
    read();
    for (auto& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);

    std::vector<FindRecord> found;
    found.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (errors[i] == ENOENT)
            continue;  // removed since the folder was read
        if (errors[i] != 0)
            return SystemError::FromErrno(errors[i]);
        found.push_back(std::move(records[i]));
    }
    return found;
}

}  // namespace

Result<std::vector<FindRecord>> PosixFileSystem::FindEntries(const std::wstring& folder) {
    std::string path = Native(folder);
    if (path.empty())
        return SystemError::FromErrno(ENOENT);
    if (path.back() != '/')
        path += '/';
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
    if (dir == nullptr)
        return SystemError::FromLastErrno();
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir.get());
        if (d == nullptr) {
            if (errno != 0)
                return SystemError::FromLastErrno();
            break;
        }
        names.emplace_back(d->d_name);
    }
    return ReadRecords(::dirfd(dir.get()), path, names);
}

Result<FindRecord> PosixFileSystem::FindEntry(const std::wstring& path) {
    return ReadEntry(Native(path));
}

Status PosixFileSystem::Move(const std::wstring& from, const std::wstring& to) {
    const auto a = WithoutTrailingSeparators(Native(from));
    const auto b = WithoutTrailingSeparators(Native(to));
    int err = RenameNoReplace(a, b);
    if (err == EEXIST && SameInode(a, b))
        err = a == b ? 0 : RenameSameInode(a, b);
    if (err != 0)
        return SystemError::FromErrno(err);
    return Status::Ok();
}

int PosixFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    if (rename_(from.c_str(), to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int err = errno;
    // EINVAL is also the answer for moving a folder into itself.
    const bool intoItself = to.compare(0, from.size() + 1, from + "/") == 0;
    if (err != EINVAL || intoItself)
        return err;
    return RenameOntoPlaceholder(from, to);
}

int PosixFileSystem::RenameOntoPlaceholder(const std::string& from, const std::string& to) {
    // Claim the new name exclusively with an empty entry of the same kind, then
    // move onto it: only our own placeholder can be replaced.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return errno;
    const bool folder = S_ISDIR(st.st_mode);
    if (folder) {
        if (::mkdir(to.c_str(), 0700) != 0)
            return errno;
    } else {
        const Fd fd(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.get() < 0)
            return errno;
    }
    if (rename_(from.c_str(), to.c_str(), 0) == 0)
        return 0;
    const int err = errno;
    if (folder) {
        ::rmdir(to.c_str());
    } else {
        ::unlink(to.c_str());
    }
    return err;
}

int PosixFileSystem::RenameSameInode(const std::string& from, const std::string& to) {
    static std::atomic<unsigned> counter{0};
    const auto prefix = FolderOf(from) + ".torvane-move-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 16; ++attempt) {
        const auto temporary = prefix + std::to_string(counter++);
        int err = RenameNoReplace(from, temporary);
        if (err == EEXIST)
            continue;
        if (err != 0)
            return err;
        err = RenameNoReplace(temporary, to);
        if (err == 0)
            return 0;
        RenameNoReplace(temporary, from);  // two different entries after all: put it back
        return err;
    }
    return EEXIST;
}

Result<std::unique_ptr<FileHandle>> PosixFileSystem::Open(const std::wstring& path) {
    auto looked = LookAt(Native(path));
    if (!looked)
        return looked.error();
    return std::unique_ptr<FileHandle>(std::make_unique<PosixHandle>(std::move(*looked)));
}

Status PosixFileSystem::Encrypt(const std::wstring& path) {
    auto attributes = GetAttributes(path);
    if (!attributes)
        return attributes.error();
    // Linux can only encrypt files created inside an encrypted folder.
    if (*attributes & FILE_ATTRIBUTE_ENCRYPTED)
        return Status::Ok();
    return SystemError::FromErrno(EOPNOTSUPP);
}

Status PosixFileSystem::Decrypt(const std::wstring& path) {
    auto attributes = GetAttributes(path);
    if (!attributes)
        return attributes.error();
    if (!(*attributes & FILE_ATTRIBUTE_ENCRYPTED))
        return Status::Ok();
    return SystemError::FromErrno(EOPNOTSUPP);
}

Result<std::string> PosixFileSystem::ReadFileBytes(const std::wstring& path, std::size_t maxBytes) {
    const Fd fd(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return SystemError::FromLastErrno();
    if (S_ISDIR(st.st_mode))
        return SystemError::FromErrno(EISDIR);
    std::string bytes(maxBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const auto n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SystemError::FromLastErrno();
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > maxBytes)
        return SystemError::FromErrno(EFBIG);
    bytes.resize(filled);
    return bytes;
}

Result<std::unique_ptr<InputFile>> PosixFileSystem::OpenForReading(const std::wstring& path) {
    return OpenPosixInputFile(Native(path));
}

Result<std::unique_ptr<OutputFile>> PosixFileSystem::OpenForWriting(const std::wstring& path,
                                                                    WriteMode mode) {
    return OpenPosixOutputFile(Native(path), mode);
}

Status PosixFileSystem::CreateDirectory(const std::wstring& path) {
    if (::mkdir(Native(path).c_str(), 0777) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

Result<std::wstring> PosixFileSystem::ProgramPath() {
    std::string buffer(256, '\0');
    for (;;) {
        const auto n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return SystemError::FromLastErrno();
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return FromUtf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

Result<std::wstring> PosixFileSystem::RoamingSettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return FromUtf8(WithoutTrailingSeparators(config));
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty())
        return SystemError::FromErrno(ENOENT);
    home = WithoutTrailingSeparators(home);
    if (home == "/")
        home.clear();
    return FromUtf8(home + "/.config");
}

std::wstring PosixFileSystem::SystemMessage(int code) {
    return ErrnoText(code) + L"\r\n";
}

}  // namespace torvane
