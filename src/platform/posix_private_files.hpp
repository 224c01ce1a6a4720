#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_error.hpp"

namespace torvane {

// Files the program keeps for itself on the real disk (the job history),
// beside the entries it works on: folders and files readable by their owner
// only, whatever the umask; the first bytes of a file read without opening it
// for writing; and byte locks that the kernel lets go when the process dies.
// Paths are bytes on disk. These are the Linux calls behind them, kept here
// with the other system calls; what they store is no entry of the user's, so
// they are not part of the FileSystem interface.

// The folder where the user's program state is kept, as UTF-8 bytes with
// '/' separators: $XDG_STATE_HOME when it is an absolute path, else
// ~/.local/state (the home folder from $HOME, else the user database) on
// Linux; %LOCALAPPDATA% on Windows. Empty when none can be found.
std::string UserStateFolder();

// Makes `dir` and its missing parents, each new one mode 0700, and checks
// `dir` itself with CheckPrivateFolder. Fails with ENOTDIR when a part is
// not a folder.
Status MakePrivateFolders(const std::string& dir);

// Whether `dir` is a folder nobody else controls: not a symbolic link
// (ELOOP), this user's (or root's) and not writable by others (EPERM), checked on the
// descriptor it was opened as. The error's text says which.
Status CheckPrivateFolder(const std::string& dir);

// Creates `path` as an empty file of mode 0600 when nothing is there: true
// when it was created, false when a regular file of this user was already
// there. Never follows a link; fails with ELOOP for a link, EINVAL for
// anything but a regular file (a FIFO, say, without waiting on it) and
// EPERM for another user's file.
Result<bool> CreatePrivateFile(const std::string& path);

// What ReadFileHead finds: whether the path is a regular file, its length,
// and its first bytes (as many as asked for, fewer when it is shorter).
struct FileHead {
    bool regular = false;
    std::uint64_t size = 0;
    std::string bytes;
};

// Opens `path` for reading only, without following a link or waiting on a
// FIFO, and reads up to `count` bytes from its start (none from a file that
// is not regular).
Result<FileHead> ReadFileHead(const std::string& path, std::size_t count);

// The length of the file at `path`; 0 when there is none.
std::uint64_t FileSizeOrZero(const std::string& path);

// Takes the group's and others' bits away from `path` when it is this user's
// and has any of them.
void NarrowToOwner(const std::string& path);

// A small file whose bytes are locks: an open-file-description lock
// (F_OFD_SETLK) on one byte, at an offset the caller chooses. The kernel
// drops it when the last descriptor of that open file goes away, which a
// dying process does whatever kills it; a new process given the same pid
// holds nothing. Others test a byte with F_OFD_GETLK. The file is opened
// close-on-exec, so a program started meanwhile does not keep a lock alive.
class ByteLockFile {
  public:
    ByteLockFile() = default;
    ~ByteLockFile();
    ByteLockFile(ByteLockFile&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    ByteLockFile& operator=(ByteLockFile&& o) noexcept;
    ByteLockFile(const ByteLockFile&) = delete;
    ByteLockFile& operator=(const ByteLockFile&) = delete;

    // Opens (creating it, mode 0600) the lock file at `path`.
    static Result<ByteLockFile> Open(const std::string& path);

    bool valid() const { return fd_ >= 0; }
    // Takes the lock of byte `offset` through this open file; fails when
    // another open file holds it.
    Status Lock(std::int64_t offset);
    // Lets the lock of byte `offset` go.
    void Unlock(std::int64_t offset);
    // Whether an open file other than this one holds the lock of byte
    // `offset` (true when it can't be told).
    bool HeldElsewhere(std::int64_t offset) const;

  private:
    explicit ByteLockFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace torvane
