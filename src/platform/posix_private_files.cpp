#include "platform/posix_private_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace torvane {

Status MakePrivateFolders(const std::string& dir) {
    if (dir.empty())
        return Status::Ok();
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? Status::Ok() : Status(SystemError::FromErrno(ENOTDIR));
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (auto parent = MakePrivateFolders(dir.substr(0, slash)); !parent.ok())
            return parent;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return SystemError::FromLastErrno();
    ::chmod(dir.c_str(), 0700);  // whatever the umask took away
    return Status::Ok();
}

Result<bool> CreatePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);  // the umask may have taken bits away
        ::close(fd);
        return true;
    }
    if (errno == EEXIST)
        return false;
    return SystemError::FromLastErrno();
}

Result<FileHead> ReadFileHead(const std::string& path, std::size_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::chmod(path.c_str(), st.st_mode & 0700);
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
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::fchmod(fd, 0600);  // the umask may have taken bits away
    else if (errno == EEXIST)
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return SystemError::FromLastErrno();
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
