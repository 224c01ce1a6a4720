#include "platform/posix_private_files.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace torvane {

namespace {

constexpr int kNoFollow = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The database's files are looked at through O_PATH descriptors: closing a
// descriptor opened for reading would drop every POSIX lock this process's
// SQLite connections hold on the file; closing an O_PATH one drops none.
int OpenPath(const std::string& path) {
    return ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
}

// Whether an entry opened as `fd` is this user's and nobody else may write it.
Status OwnedByUser(int fd, const std::wstring& what) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return SystemError::FromLastErrno();
    // Root may change anything anyway: a folder of root's is no one else's.
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return SystemError{EPERM, what + L" belongs to another user"};
    if ((st.st_mode & 022) != 0)
        return SystemError{EPERM, what + L" may be written by other users"};
    return Status::Ok();
}

// Whether the existing `path` is a regular file of this user: opened without
// following a link and without waiting on a FIFO, then checked by descriptor.
Status CheckPrivateFile(const std::string& path) {
    const int fd = OpenPath(path);
    if (fd < 0)
        return SystemError::FromLastErrno();
    struct stat st {};
    Status status = Status::Ok();
    if (::fstat(fd, &st) != 0)
        status = SystemError::FromLastErrno();
    else if (S_ISLNK(st.st_mode))
        status = SystemError{ELOOP, L"It is a symbolic link"};
    else if (!S_ISREG(st.st_mode))
        status = SystemError{EINVAL, L"Not a regular file"};
    else if (st.st_uid != ::geteuid())
        status = SystemError{EPERM, L"It belongs to another user"};
    ::close(fd);
    return status;
}

}  // namespace

std::string UserStateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
        return state;
    std::string base;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        base = home;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr) {
        base = pw->pw_dir;
    }
    return base + "/.local/state";
}

Status CheckPrivateFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | kNoFollow);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            struct stat st {};
            if (::lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
                return SystemError{ELOOP, L"The folder is a symbolic link"};
        }
        return SystemError::FromLastErrno();
    }
    const Status owned = OwnedByUser(fd, L"The folder");
    ::close(fd);
    return owned;
}

Status MakePrivateFolders(const std::string& dir) {
    if (dir.empty())
        return Status::Ok();
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0)
        return CheckPrivateFolder(dir);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        // The folders above are the user's choice: links among them are
        // followed, and only a missing one is made.
        const std::string parent = dir.substr(0, slash);
        if (::stat(parent.c_str(), &st) != 0) {
            if (auto made = MakePrivateFolders(parent); !made.ok())
                return made;
        } else if (!S_ISDIR(st.st_mode)) {
            return SystemError::FromErrno(ENOTDIR);
        }
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return SystemError::FromLastErrno();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | kNoFollow);
    if (fd < 0)
        return CheckPrivateFolder(dir);
    ::fchmod(fd, 0700);  // whatever the umask took away
    ::close(fd);
    return CheckPrivateFolder(dir);
}

Result<bool> CreatePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);  // the umask may have taken bits away
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        return SystemError::FromLastErrno();
    if (auto checked = CheckPrivateFile(path); !checked.ok())
        return checked.error();
    return false;
}

Result<FileHead> ReadFileHead(const std::string& path, std::size_t count) {
    // Never through a link, and never waiting for a FIFO's writer.
    const int fd = ::open(path.c_str(), O_RDONLY | kNoFollow);
    if (fd < 0)
        return SystemError::FromLastErrno();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const SystemError error = SystemError::FromLastErrno();
        ::close(fd);
        return error;
    }
    FileHead head;
    head.regular = S_ISREG(st.st_mode);
    head.size = static_cast<std::uint64_t>(st.st_size);
    if (head.regular && head.size > 0) {
        head.bytes.resize(count);
        const ssize_t got = ::read(fd, head.bytes.data(), count);
        head.bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    ::close(fd);
    return head;
}

std::uint64_t FileSizeOrZero(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void NarrowToOwner(const std::string& path) {
    // By descriptor, never through a link: a planted link's target keeps
    // its mode. The change goes through the descriptor's /proc name, which
    // is the very inode looked at.
    const int fd = OpenPath(path);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) != 0)
        ::chmod(("/proc/self/fd/" + std::to_string(fd)).c_str(), st.st_mode & 0700);
    ::close(fd);
}

namespace {

struct flock ByteOf(std::int64_t offset, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    lock.l_pid = 0;  // must be 0 for open-file-description locks
    return lock;
}

}  // namespace

ByteLockFile::~ByteLockFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

ByteLockFile& ByteLockFile::operator=(ByteLockFile&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

Result<ByteLockFile> ByteLockFile::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0)
        ::fchmod(fd, 0600);  // the umask may have taken bits away
    else if (errno == EEXIST)
        fd = ::open(path.c_str(), O_RDWR | kNoFollow);
    if (fd < 0)
        return SystemError::FromLastErrno();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return SystemError{EINVAL, L"The lock file is not a regular file of this user"};
    }
    return ByteLockFile(fd);
}

Status ByteLockFile::Lock(std::int64_t offset) {
    struct flock lock = ByteOf(offset, F_WRLCK);
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

void ByteLockFile::Unlock(std::int64_t offset) {
    struct flock lock = ByteOf(offset, F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &lock);
}

bool ByteLockFile::HeldElsewhere(std::int64_t offset) const {
    struct flock lock = ByteOf(offset, F_WRLCK);
    if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0)
        return true;  // can't tell: a job is not called dead on a guess
    return lock.l_type != F_UNLCK;
}

}  // namespace torvane
