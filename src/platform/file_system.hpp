#pragma once

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/entry_name.hpp"
#include "platform/file_attributes.hpp"
#include "platform/system_error.hpp"

namespace torvane {

// The path separator. A folder path that has been accepted ends with it.
inline constexpr wchar_t kPathSeparator = L'/';

// The folder part of a path, ending with the separator ("./" for a bare name).
inline std::wstring FolderOfPath(const std::wstring& path) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::wstring::npos ? std::wstring(L".") + kPathSeparator
                                       : path.substr(0, slash + 1);
}

// Which entry a record describes: its device and inode number. An entry
// keeps its id when it is renamed; a different entry put under the same name
// has another one. All zero where nothing is known.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileId&) const = default;
};

// How much of each entry a listing reads.
enum class EntryDetail {
    kAll,  // everything a record holds
    // The name, the kind, the id and the attribute bits a name and a stored
    // record give (Hidden, System, Archive...), which is what a job that
    // only renames needs: a backend that can tell a regular file's kind and
    // id from the folder's listing may leave its times at 0 and its
    // Read-only, Compressed and Encrypted bits clear rather than read them.
    kNamesAndKinds,
};

// One record of a folder search: an entry's name (no folder part), its
// attribute word and its three times in whole seconds since 1970 UTC, and
// which entry it was.
struct FindRecord {
    EntryName name;
    std::uint32_t attributes = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
    FileId id = {};

    // Records are equal when they show the same values; which inode holds
    // them is where they were found, not what they say.
    bool operator==(const FindRecord& o) const {
        return name == o.name && attributes == o.attributes && created == o.created &&
               modified == o.modified && accessed == o.accessed;
    }
};

// Whether an error says that nothing is at the path (ENOENT, or ENOTDIR when
// a folder part of the path is a file), as opposed to any other failure.
inline bool IsNotFound(const SystemError& error) {
    return error.code == ENOENT || error.code == ENOTDIR;
}

// What a job may change on one entry, exactly as its file system holds it,
// so that an undo can put back these very bytes and bits: the permission
// bits, the times to the nanosecond, and the stored attribute record (the
// raw bytes of Samba's user.DOSATTRIB), or that there was none.
struct EntryState {
    std::uint32_t mode = 0;       // the permission bits (07777)
    std::int64_t modifiedNs = 0;  // nanoseconds since 1970 UTC
    std::int64_t accessedNs = 0;
    // Whether the file system keeps a birth time of its own; without one
    // (exFAT through FUSE, others) the creation time shown is made up.
    bool birthKept = false;
    // Whether `record` is all the store keeps for the entry (user.DOSATTRIB
    // on native file systems): false where the word lives elsewhere (NTFS,
    // SMB, FAT), and an undo puts back the word instead.
    bool recordKept = false;
    bool hasRecord = false;  // false: the entry had no stored record
    std::string record;      // its bytes, as stored

    bool operator==(const EntryState&) const = default;
};

// The parts of an EntryState that Folder::RestoreState puts back.
enum StatePart : unsigned {
    kStateTimes = 1,   // modified and accessed times, to the nanosecond
    kStateMode = 2,    // the permission bits, where Read-only is one of them
    kStateRecord = 4,  // the stored record, or its absence, where recordKept
    kStateAll = kStateTimes | kStateMode | kStateRecord,
};

// An entry opened for changing its times or its compression; closed when
// destroyed.
class FileHandle {
  public:
    virtual ~FileHandle() = default;

    // Writes the times (whole seconds since 1970 UTC). No creation time
    // leaves the one the entry has, as a null time does for SetFileTime.
    virtual Status SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                            std::int64_t modified) = 0;

    // Switches the entry's compression on or off. Fails where the file system
    // does not really compress ("Operation not supported"), never a silent no-op.
    virtual Status SetCompression(bool on) = 0;
};

// A folder held open, whose entries are reached by name inside it: whatever
// happens to the path that led to it (a folder on the way renamed, or
// replaced by a symbolic link), every call acts inside this very folder.
// Names are single components; an entry that is a symbolic link is never
// followed. The calls behave as the FileSystem calls of the same name on the
// entry's full path do and fail in the same ways. Closed when destroyed.
// The attribute bits a file system may or may not keep (see
// FolderTraits::storedAttributes).
inline constexpr std::uint32_t kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// What a folder's file system can do with its entries, as far as a plan
// must know before it writes.
struct FolderTraits {
    // Names that differ only in letter case name the same entry (FAT, exFAT,
    // SMB mounts, ext4 folders with case folding).
    bool foldsCase = false;
    // Compression really happens when the flag is set (btrfs only).
    bool compresses = false;
    // The times the file system can store, in seconds since 1970 UTC.
    std::int64_t earliestTime = INT64_MIN;
    std::int64_t latestTime = INT64_MAX;
    // The attribute bits the file system keeps, of Read-only, Hidden,
    // System, Archive, Temporary and Not-content-indexed (kKeptAttributes):
    // all of them where Samba's stored word or NTFS keeps them, Read-only,
    // Hidden, System and Archive on FAT, none on exFAT.
    std::uint32_t storedAttributes = kKeptAttributes;
    // Whether a creation time can be set.
    bool storesCreationTime = true;
    // What messages call the file system ("exFAT volume", "NTFS volume",
    // "SMB share"), after "this".
    std::wstring volume = L"file system";
    // Whether the job may change this file system's folders on several
    // threads at once. Not on FUSE file systems (exFAT, NTFS through
    // ntfs-3g): their inode numbers are only as stable as the kernel's cache
    // of them, and a job killed with two of their folders in flight lost an
    // entry's identity for its undo (once in thirty runs, never on one thread).
    bool parallelFolders = true;
};

// The message for a change the folder's file system can't keep: "Hidden
// can't be stored on this exFAT volume." `what` is an attribute's bit, or 0
// for the creation time.
inline std::wstring CannotStoreMessage(std::uint32_t what, const std::wstring& volume) {
    const wchar_t* name = L"The creation time";
    switch (what) {
        case FILE_ATTRIBUTE_READONLY:
            name = L"Read-only";
            break;
        case FILE_ATTRIBUTE_HIDDEN:
            name = L"Hidden";
            break;
        case FILE_ATTRIBUTE_SYSTEM:
            name = L"System";
            break;
        case FILE_ATTRIBUTE_ARCHIVE:
            name = L"Archive";
            break;
        case FILE_ATTRIBUTE_TEMPORARY:
            name = L"Temporary";
            break;
        case FILE_ATTRIBUTE_NOT_CONTENT_INDEXED:
            name = L"Not-content-indexed";
            break;
        default:
            break;
    }
    return std::wstring(name) + L" can't be stored on this " + volume + L".";
}

// What an entry's attribute and time steps may change, as it was when
// remembered (Folder::Remember): its permission bits, its stored attribute
// record and creation time, its access and modified times. A job takes one
// before an entry's first change so that a failed later step can leave the
// entry as it was found.
class EntryMemo {
  public:
    virtual ~EntryMemo() = default;

    // Puts back every remembered value that differs from the entry's own now,
    // reaching the entry by the name it was remembered under. Returns whether
    // anything had to be put back; fails with the first failed put-back, its
    // `detail` naming every value that stayed changed ("Stayed changed: the
    // permissions (0664, were 0464).").
    virtual Result<bool> PutBack() = 0;
};

// A regular file opened for reading at any offset (Folder::OpenForReading);
// closed when destroyed. Used by one thread at a time.
class PositionedReader {
  public:
    virtual ~PositionedReader() = default;

    // The file's size in bytes when it was opened.
    virtual std::uint64_t Size() const = 0;

    // Reads up to `size` bytes at `offset` into `buffer` and returns how
    // many were read: fewer only where the file ends (0 at or past its end).
    // Fails with the read's error (EIO, say).
    virtual Result<std::size_t> ReadAt(std::uint64_t offset, unsigned char* buffer,
                                       std::size_t size) = 0;
};

class Folder {
  public:
    virtual ~Folder() = default;

    // The path it was reached by, ending with the separator: what messages
    // and log lines show.
    virtual const std::wstring& path() const = 0;
    // The folder itself.
    virtual FileId id() const = 0;

    // The records of the folder's entries, "." and ".." included, each with
    // its id, read to `detail`. Fails when the folder can't be read.
    virtual Result<std::vector<FindRecord>> FindEntries(EntryDetail detail = EntryDetail::kAll) = 0;

    // What the folder's file system can do. `sample` is one of its entries'
    // names holding an ASCII letter whose case-swapped form names no entry of
    // the folder (empty when there is none): finding it with its letters'
    // case swapped tells that names fold case here, on file systems (FUSE,
    // say) that don't say so themselves.
    virtual FolderTraits Traits(const EntryName& sample) = 0;

    // Opens the subfolder `name` without following a symbolic link: fails
    // with ENOTDIR when the name now holds a link or a file, and
    // with ESTALE when it holds another folder than `expected` (the id its
    // listing gave; a zero id checks nothing).
    virtual Result<std::unique_ptr<Folder>> OpenFolder(const EntryName& name,
                                                       const FileId& expected) = 0;

    // The entry's attribute word (not following a symbolic link). Fails with
    // ENOENT when nothing is there.
    virtual Result<std::uint32_t> GetAttributes(const EntryName& name) = 0;
    // Sets the entry's whole attribute word. Bits the entry can't hold are
    // ignored the way Windows ignores them (Directory, Compressed,
    // Encrypted); a word for an entry that can't store one (a symbolic link)
    // fails.
    virtual Status SetAttributes(const EntryName& name, std::uint32_t attributes) = 0;
    // Renames an entry of this folder. Never replaces an existing entry:
    // fails with EEXIST instead. A change of letter case only works on
    // case-insensitive file systems too.
    virtual Status Move(const EntryName& from, const EntryName& to) = 0;
    // Opens an entry, file or folder, for SetTimes and SetCompression.
    virtual Result<std::unique_ptr<FileHandle>> Open(const EntryName& name) = 0;
    // Encrypt or decrypt an entry in place; an entry already in that state
    // succeeds unchanged. Linux can't encrypt or decrypt an existing file, so
    // there any real change fails with "Operation not supported".
    virtual Status Encrypt(const EntryName& name) = 0;
    virtual Status Decrypt(const EntryName& name) = 0;
    // Remembers what the entry `name` has now (see EntryMemo). Fails as
    // GetAttributes does (ENOENT when nothing is there).
    virtual Result<std::unique_ptr<EntryMemo>> Remember(const EntryName& name) = 0;
    // Opens the regular file `name` for reading its bytes (a file's
    // metadata, say), without following a symbolic link and, where the
    // system lets the caller, without moving its access time. Refused before
    // anything is read: ELOOP for a symbolic link, EISDIR for a folder,
    // NotRegularFileError for a FIFO, device or socket; ENOENT when nothing
    // is there.
    virtual Result<std::unique_ptr<PositionedReader>> OpenForReading(const EntryName& name) = 0;

    // The entry's state as its file system holds it (see EntryState), read
    // without following a link. The stored record is read only when `parts`
    // (StatePart bits) ask for it: without kStateRecord, `recordKept` is
    // false. Fails with the stat's error, or ENOTSUP where the backend can't
    // tell (the default).
    virtual Result<EntryState> ReadState(const EntryName& /*name*/,
                                         unsigned /*parts*/ = kStateAll) {
        return SystemError::FromErrno(ENOTSUP);
    }
    // Puts back exactly the `parts` (StatePart bits) of `state`: the stored
    // record (or its absence) where `state.recordKept`, the permission bits
    // where Read-only is a write permission, then both times to the
    // nanosecond. Writes only what differs. Fails with the first call's
    // error, ENOTSUP by default.
    virtual Status RestoreState(const EntryName& /*name*/, const EntryState& /*state*/,
                                unsigned /*parts*/) {
        return SystemError::FromErrno(ENOTSUP);
    }
    // Removes `name` when it is still an empty placeholder left by a move
    // that never replaces: an empty file or folder dated as placed
    // (kPlaceholderTime), or modified at `notBefore` or later (a process
    // killed between making it and dating it). Fails with EEXIST when it is
    // anything else (left as it is), ENOTSUP by default.
    virtual Status RemoveLeftPlaceholder(const EntryName& /*name*/, std::int64_t /*notBefore*/) {
        return SystemError::FromErrno(ENOTSUP);
    }
};

// The modified time of the placeholder a move that never replaces puts under
// the new name first where the file system can't rename without replacing
// (1980-01-01 00:00:02 UTC, the first time FAT and exFAT can hold): one left
// by a process killed between its two steps is known by it.
inline constexpr std::int64_t kPlaceholderTime = 315532802;

// The system's error for a folder that is no longer the one that was listed.
inline constexpr int kFolderReplaced = ESTALE;

// The error for a file to be read that is no regular file (a FIFO, a device,
// a socket): opening or reading one may wait for a writer or never end, so it
// is refused before any read. The code is EINVAL, which Linux calls that need
// a regular file give; the text says what is wrong, which EINVAL's own
// ("Invalid argument") would not.
inline SystemError NotRegularFileError() {
    return SystemError{EINVAL, L"Not a regular file"};
}

// A file opened for reading; closed when destroyed.
class InputFile {
  public:
    virtual ~InputFile() = default;

    // Reads up to `size` bytes into `buffer` and returns how many were read:
    // 0 only at the end of the file. Fails with the read's error (EIO, say).
    virtual Result<std::size_t> Read(unsigned char* buffer, std::size_t size) = 0;
};

// How a file is written (FileSystem::OpenForWriting).
enum class WriteMode {
    // Create or empty the file itself and write into it.
    kTruncate,
    // Write a new file beside it and put it in place of the old one only when
    // everything was written, so a failure never leaves a half-written file.
    // The old file's permissions are kept; through a symbolic link the file
    // it names is replaced and the link stays; a new file gets the mode the
    // umask gives. In a folder that refuses new files, a writable existing
    // file is written in place as kTruncate does, since a direct write works.
    // The target is reached inside its folder held open, never through a
    // link put in its place meanwhile; "/dev/stdout" is the standard output,
    // written and never replaced.
    kReplaceWhenComplete,
};
// In both modes a target that exists and is no regular file (a FIFO, a
// device, a socket, a folder, a link to one of those; in kReplaceWhenComplete
// mode any link left where the target was) is refused before anything is
// written and left as it is: EISDIR for a folder, else EINVAL with a text
// that names what it is ("Not a regular file (it is a FIFO); ...").

// A file opened for writing. Destroyed before Commit succeeded, it is
// abandoned: in kReplaceWhenComplete mode the new file is removed and the
// old one stays as it was; in kTruncate mode what was written stays.
class OutputFile {
  public:
    virtual ~OutputFile() = default;

    // Writes all `size` bytes, or fails with the error that stopped the
    // write (ENOSPC on a full disk) after writing part of them.
    virtual Status Write(const unsigned char* data, std::size_t size) = 0;

    // Completes the file: closes it and, in kReplaceWhenComplete mode, makes
    // sure it is on the disk and puts it in place of the old one. Fails with
    // the first error of these steps, the file then being abandoned. Once only.
    virtual Status Commit() = 0;
};

// What the system asks of the file system, shaped like the Windows calls so
// that every failure the user may see has one place where it happens. Paths
// are wide strings mapped losslessly to the bytes of Linux names. No call
// throws; each reports failure as a SystemError whose code is an errno value.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The attribute word of a path (not following a final symbolic link).
    // Fails with ENOENT (or ENOTDIR) when nothing is there.
    virtual Result<std::uint32_t> GetAttributes(const std::wstring& path) = 0;

    // The records of a folder's entries, "." and ".." included, in the order of
    // the search. `folder` ends with the separator. Fails when the folder
    // can't be opened or read.
    virtual Result<std::vector<FindRecord>> FindEntries(const std::wstring& folder) = 0;

    // The record of one entry (the path's last component).
    virtual Result<FindRecord> FindEntry(const std::wstring& path) = 0;

    // The path with every symbolic link in it resolved, as an absolute path
    // without a trailing separator (realpath). Fails when a part of it is
    // missing or a link leads nowhere.
    virtual Result<std::wstring> ResolveLinks(const std::wstring& path) = 0;

    // Opens a folder to work inside it (a symbolic link naming a folder is
    // followed here: the user named that folder). `path` may end with the
    // separator. Fails when nothing, or no folder, is there.
    virtual Result<std::unique_ptr<Folder>> OpenFolder(const std::wstring& path) = 0;

    // The bytes of a small file (a shortcut, say), following a final symbolic
    // link. Fails with EISDIR for a folder, NotRegularFileError for any other
    // entry that is no regular file (without waiting on it), and EFBIG when
    // the file holds more than `maxBytes` bytes.
    virtual Result<std::string> ReadFileBytes(const std::wstring& path, std::size_t maxBytes) = 0;

    // Opens a file for reading, following a final symbolic link. Fails with
    // the open's error, EISDIR for a folder, and NotRegularFileError for any
    // other entry that is no regular file (a FIFO, a device), without
    // blocking and before reading anything from it.
    virtual Result<std::unique_ptr<InputFile>> OpenForReading(const std::wstring& path) = 0;

    // Opens a file for writing in `mode` (see WriteMode). Fails with the error
    // that opening the file (or, when replacing, creating the new one beside
    // it) gave: ENOENT for a missing folder, EISDIR for a folder, EACCES for
    // a file that may not be written, in both modes alike.
    virtual Result<std::unique_ptr<OutputFile>> OpenForWriting(const std::wstring& path,
                                                               WriteMode mode) = 0;

    // Creates one folder (not its parents).
    virtual Status CreateDirectory(const std::wstring& path) = 0;

    // The running program's own file path.
    virtual Result<std::wstring> ProgramPath() = 0;

    // The user's roaming settings folder ($XDG_CONFIG_HOME, else ~/.config),
    // without a trailing separator.
    virtual Result<std::wstring> RoamingSettingsFolder() = 0;

    // The system's text for an error code as log lines and messages show it:
    // the library's description followed by a line break ("\r\n"), as the
    // original platform's message texts end.
    virtual std::wstring SystemMessage(int code) = 0;
};

}  // namespace torvane
