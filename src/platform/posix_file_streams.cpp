#include "platform/posix_file_streams.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

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

// The error for writing onto an entry that is no regular file: a FIFO, a
// device, a socket or a symbolic link is never opened for writing nor
// replaced, since writing into one or putting a file in its place destroys
// what it is.
SystemError NotRegularTargetError(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return SystemError::FromErrno(EISDIR);
    const wchar_t* what = S_ISFIFO(st.st_mode)   ? L"a FIFO"
                          : S_ISCHR(st.st_mode)  ? L"a character device"
                          : S_ISBLK(st.st_mode)  ? L"a block device"
                          : S_ISSOCK(st.st_mode) ? L"a socket"
                          : S_ISLNK(st.st_mode)  ? L"a symbolic link"
                                                 : L"no regular file";
    return SystemError{
        EINVAL, L"Not a regular file (it is " + std::wstring(what) + L"); it was left as it is"};
}

// A file being written: the target itself (`temp` empty), or a new file
// named `temp` in the open folder `folder` that Commit renames to `name`
// there, never through a path that could lead elsewhere meanwhile.
class PosixOutputFile : public OutputFile {
  public:
    PosixOutputFile(int fd, int folder = -1, std::string name = {}, std::string temp = {})
        : fd_(fd), folder_(folder), name_(std::move(name)), temp_(std::move(temp)) {}
    ~PosixOutputFile() override {
        Abandon();
        if (folder_ >= 0)
            ::close(folder_);
    }
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
        if (!temp_.empty() && ::fsync(fd_) != 0)
            status = SystemError::FromLastErrno();
        if (::close(fd_) != 0 && status.ok())
            status = SystemError::FromLastErrno();
        fd_ = -1;
        if (status.ok() && !temp_.empty())
            status = PutInPlace();
        Abandon();
        return status;
    }

  private:
    // Renames the new file over the target, unless what holds the target's
    // name now is no regular file (one put there since the open).
    Status PutInPlace() {
        struct stat st {};
        if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISREG(st.st_mode))
            return NotRegularTargetError(st);
        if (::renameat(folder_, temp_.c_str(), folder_, name_.c_str()) != 0)
            return SystemError::FromLastErrno();
        temp_.clear();
        return Status::Ok();
    }

    void Abandon() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        if (!temp_.empty())
            ::unlinkat(folder_, temp_.c_str(), 0);
        temp_.clear();
    }

    int fd_;
    int folder_;
    std::string name_;
    std::string temp_;
};

// Clears O_NONBLOCK, set for the open only; false with errno set on failure.
bool Blocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// `fd` when it is open on a regular file, made blocking; otherwise closed,
// with the error (`refused` names what it is instead).
Result<int> RegularAndBlocking(int fd, SystemError (*refused)(const struct stat&)) {
    struct stat st {};
    SystemError error;
    if (::fstat(fd, &st) != 0)
        error = SystemError::FromLastErrno();
    else if (!S_ISREG(st.st_mode))
        error = refused(st);
    else if (!Blocking(fd))
        error = SystemError::FromLastErrno();
    else
        return fd;
    ::close(fd);
    return error;
}

// Opens a regular file for writing, emptied, at `name` in `folder` (AT_FDCWD
// for a path), following a final link only where `follow` says so. What is no
// regular file is refused by a look before the open (a device is never
// opened) and again on the descriptor (the entry may change in between).
Result<int> OpenRegularForWriting(int folder, const std::string& name, bool follow) {
    struct stat st {};
    const int lookFlags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::fstatat(folder, name.c_str(), &st, lookFlags) == 0 && !S_ISREG(st.st_mode))
        return NotRegularTargetError(st);
    int fd;
    do {
        fd = ::openat(
            folder, name.c_str(),
            O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW),
            0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return SystemError::FromErrno(errno == ELOOP ? EINVAL : errno);
    const auto regular = RegularAndBlocking(fd, NotRegularTargetError);
    if (regular && ::ftruncate(fd, 0) != 0) {
        const auto error = SystemError::FromLastErrno();
        ::close(fd);
        return error;
    }
    return regular;
}

Result<std::unique_ptr<OutputFile>> OpenInPlace(const std::string& path) {
    const auto fd = OpenRegularForWriting(AT_FDCWD, path, true);
    if (!fd)
        return fd.error();
    return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(*fd));
}

// The path's last component and its folder (".", "/" or the part before
// the last separator).
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Creates a new file beside the target in its folder held open, with the
// target's permissions where it exists (`existing`): its descriptor, its
// name in `temp`, or the error of the last attempt.
Result<int> CreateBeside(int folder, const struct stat* existing, std::string& temp) {
    for (unsigned attempt = 0;; ++attempt) {
        temp = ".torvane-" + std::to_string(::getpid()) + "-" + std::to_string(NextTempNumber()) +
               ".tmp";
        // 0666 lets the umask decide the mode, as for a directly created file.
        const int fd =
            ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (existing != nullptr)
                ::fchmod(fd, existing->st_mode & 07777);
            return fd;
        }
        if ((errno == EEXIST || errno == EINTR) && attempt < 100)
            continue;
        temp.clear();
        return SystemError::FromLastErrno();
    }
}

Result<std::unique_ptr<OutputFile>> OpenBeside(std::string path) {
    // The standard output named as the target is written, never replaced.
    if (path == "/dev/stdout") {
        const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return SystemError::FromLastErrno();
        return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(fd));
    }
    // Through a symbolic link the file it names is replaced, not the link;
    // from here on the target is reached inside its folder, held open.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    const auto [folderPath, name] = SplitPath(path);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return SystemError::FromLastErrno();
    const auto fail = [folder](SystemError error) {
        ::close(folder);
        return error;
    };
    struct stat st {};
    const bool exists = ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return fail(NotRegularTargetError(st));
    // Refuse what a direct open would refuse, so both modes fail alike.
    if (exists && ::faccessat(folder, name.c_str(), W_OK, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(SystemError::FromLastErrno());
    std::string temp;
    const auto fd = CreateBeside(folder, exists ? &st : nullptr, temp);
    if (fd)
        return std::unique_ptr<OutputFile>(
            std::make_unique<PosixOutputFile>(*fd, folder, name, std::move(temp)));
    // A folder that takes no new file may still hold a writable one: write
    // that in place, as a direct open would.
    const int error = fd.error().code;
    if (!exists || (error != EACCES && error != EPERM))
        return fail(fd.error());
    const auto inPlace = OpenRegularForWriting(folder, name, false);
    ::close(folder);
    if (!inPlace)
        return inPlace.error();
    return std::unique_ptr<OutputFile>(std::make_unique<PosixOutputFile>(*inPlace));
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
    // Reads then behave as any reader expects them to.
    return RegularAndBlocking(fd, RefusedType);
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
