#include "platform/posix_entry_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace torvane::posix {
namespace {

// The error for an entry that is no regular file.
SystemError Refused(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return SystemError::FromErrno(ELOOP);
    if (S_ISDIR(st.st_mode))
        return SystemError::FromErrno(EISDIR);
    return NotRegularFileError();
}

class PosixReader : public PositionedReader {
  public:
    PosixReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~PosixReader() override { ::close(fd_); }
    PosixReader(const PosixReader&) = delete;
    PosixReader& operator=(const PosixReader&) = delete;

    std::uint64_t Size() const override { return size_; }

    Result<std::size_t> ReadAt(std::uint64_t offset, unsigned char* buffer,
                               std::size_t size) override {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n =
                ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return SystemError::FromLastErrno();
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

  private:
    int fd_;
    std::uint64_t size_;
};

// openat without following a final link, and with O_NOATIME unless the
// system refuses it (EPERM: a file the caller does not own, without the
// right to override that); -1 with errno set on failure.
int OpenNoFollow(int folder, const std::string& name) {
    // O_NONBLOCK: a FIFO put in place after the look before the open is
    // opened without waiting for a writer, then refused.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int noAtime = O_NOATIME;
    for (;;) {
        const int fd = ::openat(folder, name.c_str(), flags | noAtime);
        if (fd >= 0)
            return fd;
        if (errno == EPERM && noAtime != 0)
            noAtime = 0;
        else if (errno != EINTR)
            return -1;
    }
}

}  // namespace

Result<std::unique_ptr<PositionedReader>> OpenEntryForReading(int folder, const std::string& name) {
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return SystemError::FromLastErrno();
    if (!S_ISREG(st.st_mode))
        return Refused(st);
    const int fd = OpenNoFollow(folder, name);
    if (fd < 0)
        return SystemError::FromLastErrno();
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const SystemError error = S_ISREG(st.st_mode) ? SystemError::FromLastErrno() : Refused(st);
        ::close(fd);
        return error;
    }
    return std::unique_ptr<PositionedReader>(
        std::make_unique<PosixReader>(fd, static_cast<std::uint64_t>(st.st_size)));
}

}  // namespace torvane::posix
