#include "history/job_lock.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {

struct flock ByteOf(std::int64_t id, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(id);
    lock.l_len = 1;
    lock.l_pid = 0;  // must be 0 for open-file-description locks
    return lock;
}

}  // namespace

JobLockFile::~JobLockFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

JobLockFile& JobLockFile::operator=(JobLockFile&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

Result<JobLockFile> JobLockFile::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        // The umask may have taken bits away; the mode is the owner's read and write.
        ::fchmod(fd, 0600);
    } else if (errno == EEXIST) {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (fd < 0)
        return SystemError::FromLastErrno();
    return JobLockFile(fd);
}

Status JobLockFile::Lock(std::int64_t id) {
    struct flock lock = ByteOf(id, F_WRLCK);
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

void JobLockFile::Unlock(std::int64_t id) {
    struct flock lock = ByteOf(id, F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &lock);
}

bool JobLockFile::HeldElsewhere(std::int64_t id) const {
    struct flock lock = ByteOf(id, F_WRLCK);
    if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0)
        return true;  // can't tell: a job is not called dead on a guess
    return lock.l_type != F_UNLCK;
}

}  // namespace torvane
