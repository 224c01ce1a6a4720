#pragma once

// The Linux backend's calls on one entry named inside an open folder. Only
// posix_file_system.cpp uses them: every change the backend makes goes
// through a folder descriptor and a single name, never through a full path,
// so a folder on the way that is renamed or replaced by a symbolic link
// meanwhile can't send a change anywhere else.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/attribute_store.hpp"
#include "platform/dos_attrib.hpp"
#include "platform/file_system.hpp"

struct statx;

namespace torvane::posix {

// An owned file descriptor.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// The rename primitive, renameat2(2): returns 0, or -1 with errno set.
using RenameFunction = int (*)(int fromFolder, const char* from, int toFolder, const char* to,
                               unsigned flags);

// Where one mount keeps attributes, and what messages call it.
struct MountStore {
    StoreKind kind = StoreKind::kDosAttrib;
    std::wstring volume = L"file system";
};

// What every call of one file system shares.
struct Backend {
    RenameFunction rename = nullptr;
    // False makes the calls that read or write an extended attribute or a
    // mode reach the entry the way older kernels allow (a descriptor opened
    // without following links, through /proc/self/fd) instead of the
    // folder-relative calls of Linux 6.6 and 6.13.
    bool folderRelativeCalls = true;
    // Called with an entry's full path just before a change is made to it or
    // a subfolder is entered: tests use it to change the tree at that moment.
    std::function<void(const std::string& path)> beforeStep;

    // For tests: the errno value with which the next call of the kind
    // `call` ("chmod", "setxattr", "removexattr", "utimensat") on `path` is
    // to fail, or 0 to make it.
    std::function<int(std::string_view call, const std::string& path)> fault;

    // The store of each mount met so far, by device and mount id: a device
    // unmounted and mounted again with another file system is a new mount.
    mutable std::mutex mountsMutex;
    mutable std::map<std::pair<std::uint64_t, std::uint64_t>, MountStore> mounts;

    void Before(const std::string& folder, const std::string& name) const {
        if (beforeStep)
            beforeStep(folder + name);
    }
    int Fault(std::string_view call, const std::string& path) const {
        return fault ? fault(call, path) : 0;
    }
};

// An entry named inside an open folder: `folder` is the folder's descriptor
// (shared with every handle opened in it), `folderPath` its path ending with
// "/" (for messages and, when reading, for kernels without the
// folder-relative calls).
struct At {
    std::shared_ptr<const Fd> folder;
    std::string folderPath;
    std::string name;

    int dir() const { return folder->get(); }
    std::string Path() const { return folderPath + name; }
};

// Which entry `stx` describes.
FileId IdOf(const struct statx& stx);

// The entry's record; a final symbolic link is not followed. `shownName` is
// the record's name, and decides whether it reads as a dot name.
Result<FindRecord> ReadEntry(const Backend& b, const At& at, const EntryName& shownName);

// The record of a folder's entry while the folder is being listed, or an
// errno value (ENOENT when it went away).
int ReadListed(const Backend& b, int folder, const std::string& folderPath, const std::string& name,
               FindRecord& record);

// A folder being listed to EntryDetail::kNamesAndKinds: its own stat, and
// whether its file system's listing gives a regular file's inode number as
// a stat would (ext4, XFS, Btrfs, tmpfs; overlay and FUSE file systems may
// not).
struct NamesOnlyFolder {
    struct statx stx {};
    bool idsFromListing = false;
};
NamesOnlyFolder ReadNamesOnlyFolder(int folder);

// The record of the regular file `name` of a folder listed to
// EntryDetail::kNamesAndKinds, from the listing's inode number `ino` and
// the file's stored record alone: no stat, so its times are 0 and its
// Read-only bit is not read.
FindRecord ReadNamedFile(const Backend& b, int folder, const std::string& folderPath,
                         const NamesOnlyFolder& facts, const std::string& name, ino_t ino);

Status SetAttributes(const Backend& b, const At& at, std::uint32_t attributes);
Result<std::unique_ptr<FileHandle>> Open(const Backend& b, At at);
// Remembers the entry's permissions, stored record and times (EntryMemo);
// fails when it can't be looked at.
Result<std::unique_ptr<EntryMemo>> Remember(const Backend& b, At at);
// Renames `from` to `to` (both inside open folders) without ever replacing
// an entry.
Status Move(const Backend& b, const At& from, const At& to);
Status Encrypt(const Backend& b, const At& at, bool on);

// Removes an empty placeholder left by a move (see
// Folder::RemoveLeftPlaceholder); EEXIST for anything else.
Status RemoveLeftPlaceholder(const Backend& b, const At& at, std::int64_t notBefore);

// The entry's state as its file system holds it (see EntryState); a final
// symbolic link is not followed. Fails with the stat's error.
Result<EntryState> ReadState(const Backend& b, const At& at, unsigned parts);
// Puts back `state` (see Folder::RestoreState); 0 changes where nothing
// differs. Fails with the first failing call's error.
Status RestoreState(const Backend& b, const At& at, const EntryState& state, unsigned parts);

// What the file system of the open folder `folder` can do; `sample` is a name
// in it holding an ASCII letter, or empty.
FolderTraits TraitsOf(const Backend& b, int folder, const std::string& sample);

}  // namespace torvane::posix
