#include "platform/posix_file_streams.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace torvane {
namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A number for a temporary file name, distinct within the process.
unsigned long NextTempNumber() {
    static std::atomic<unsigned long> next{0};
    return next.fetch_add(1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The error for reading an entry that is no regular file.
SystemError RefusedType(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? SystemError::FromErrno(EISDIR) : NotRegularFileError();
}

class PosixInputFile : public InputFile {
  public:
    explicit PosixInputFile(int fd) : fd_(fd) {}
    ~PosixInputFile() override { ::close(fd_); }
    PosixInputFile(const PosixInputFile&) = delete;
    PosixInputFile& operator=(const PosixInputFile&) = delete;

    Result<std::size_t> Read(unsigned char* buffer, std::size_t size) override {
        ssize_t n;
        do {
            n = ::read(fd_, buffer, size);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return SystemError::FromLastErrno();
        return static_cast<std::size_t>(n);
    }

  private:
    int fd_;
};

// A file being written: the target itself (`tempPath` empty), or a new file
// beside the target that Commit renames over it.
class PosixOutputFile : public OutputFile {
  public:
    PosixOutputFile(int fd, std::string path, std::string tempPath)
        : fd_(fd), path_(std::move(path)), tempPath_(std::move(tempPath)) {}
    ~PosixOutputFile() override { Abandon(); }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    Status Write(const unsigned char* data, std::size_t size) override {
        if (fd_ < 0)
            return SystemError::FromErrno(EBADF);
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return SystemError::FromLastErrno();
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return Status::Ok();
    }

    Status Commit() override {
        if (fd_ < 0)
            return SystemError::FromErrno(EBADF);
        Status status;
        if (!tempPath_.empty() && ::fsync(fd_) != 0)
            status = SystemError::FromLastErrno();
        if (::close(fd_) != 0 && status.ok())
            status = SystemError::FromLastErrno();
        fd_ = -1;
        if (status.ok() && !tempPath_.empty()) {
            if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
                status = SystemError::FromLastErrno();
            } else {
                tempPath_.clear();
            }
        }
        Abandon();
        return status;
    }

  private:
    void Abandon() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        if (!tempPath_.empty())
            ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }

    int fd_;
    std::string path_;
    std::string tempPath_;
};

Result<std::unique_ptr<OutputFile>> OpenInPlace(const std::string& path) {
    const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return SystemError::FromLastErrno();
    return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(fd, path, ""));
}

Result<std::unique_ptr<OutputFile>> OpenBeside(std::string path) {
    // Through a symbolic link the file it names is replaced, not the link.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    // Refuse what a direct open would refuse, so both modes fail alike.
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return SystemError::FromErrno(EISDIR);
    if (exists && ::access(path.c_str(), W_OK) != 0)
        return SystemError::FromLastErrno();
    const std::string folder = FolderOf(path);
    for (unsigned attempt = 0;; ++attempt) {
        std::string tempPath = folder + "/.torvane-" + std::to_string(::getpid()) + "-" +
                               std::to_string(NextTempNumber()) + ".tmp";
        // 0666 lets the umask decide the mode, as for a directly created file.
        const int fd = OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            if (exists)
                ::fchmod(fd, st.st_mode & 07777);
            return std::unique_ptr<OutputFile>(
                std::make_unique<PosixOutputFile>(fd, std::move(path), std::move(tempPath)));
        }
        const int error = errno;
        if (error == EEXIST && attempt < 100)
            continue;
        // A folder that takes no new file may still hold a writable one: write
        // that in place, as a direct open would.
        if (exists && (error == EACCES || error == EPERM))
            return OpenInPlace(path);
        return SystemError::FromErrno(error);
    }
}

}  // namespace

Result<int> OpenRegularFileForReading(const std::string& path) {
    // A look first, so that a device is never opened at all (opening one can
    // have effects of its own); the check after the open covers an entry
    // replaced in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return RefusedType(st);
    // O_NONBLOCK: opening a FIFO waits for a writer without it.
    const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return SystemError::FromLastErrno();
    const auto fail = [fd](SystemError error) {
        ::close(fd);
        return error;
    };
    if (::fstat(fd, &st) != 0)
        return fail(SystemError::FromLastErrno());
    if (!S_ISREG(st.st_mode))
        return fail(RefusedType(st));
    // Reads then behave as any reader expects them to.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(SystemError::FromLastErrno());
    return fd;
}

Result<std::unique_ptr<InputFile>> OpenPosixInputFile(const std::string& path) {
    const auto fd = OpenRegularFileForReading(path);
    if (!fd)
        return fd.error();
    return std::unique_ptr<InputFile>(std::make_unique<PosixInputFile>(*fd));
}

Result<std::unique_ptr<OutputFile>> OpenPosixOutputFile(const std::string& path, WriteMode mode) {
    if (mode == WriteMode::kTruncate)
        return OpenInPlace(path);
    return OpenBeside(path);
}

}  // namespace torvane
