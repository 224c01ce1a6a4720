#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.hpp"

namespace torvane::testing {

// An in-memory FileSystem for tests: a tree of entries with attribute words
// and times, a record of every changing call, and failures injected for any
// call on any path. It behaves like the real file system where both can
// (the shared contract tests hold it to that) and, unlike Linux, supports
// compression and encryption so the steps that use them can be tested.
// All calls are safe from several threads.
class FakeFileSystem : public FileSystem {
  public:
    enum class Call {
        kGetAttributes,
        kSetAttributes,
        kFindEntries,
        kFindEntry,
        kMove,  // matched against the source path
        kOpen,
        kSetTimes,        // matched against the opened path
        kSetCompression,  // matched against the opened path
        kEncrypt,
        kDecrypt,
        kCreateDirectory,
        kReadFileBytes,
        kOpenFolder,      // matched against the folder's path
        kOpenForReading,  // FileSystem's and Folder's
        kRead,            // matched against the opened path
        kOpenForWriting,
        kWrite,   // matched against the opened path
        kCommit,  // matched against the opened path; in replace mode the rename
        kRemember,
        kPutBack,  // an EntryMemo's, matched against the remembered path
    };

    struct Node {
        std::uint32_t attributes = 0;  // as GetAttributes reports it, directory bit included
        std::int64_t created = 0;
        std::int64_t modified = 0;
        std::int64_t accessed = 0;
        bool symlink = false;
        // False for an entry made by AddPlainFile or AddPlainFolder until its
        // word is set: like a Linux entry without a stored word, it then reads
        // as NORMAL (a folder as DIRECTORY) and as Hidden when its name
        // starts with ".".
        bool storedWord = true;
        std::string content = {};
        std::uint64_t id = 0;      // the inode number: kept by a move, new for every entry made
        std::wstring target = {};  // a symbolic link's target
        // A FIFO, device or socket: listed as a plain file, refused by reading.
        bool special = false;
    };

    FakeFileSystem();

    // Adds a folder (with its missing parents) or a file. `path` is absolute;
    // a trailing separator is ignored. Attributes of a folder always get the
    // directory bit.
    void AddFolder(const std::wstring& path, std::uint32_t attributes = 0x10,
                   std::int64_t time = 0);
    void AddFile(const std::wstring& path, std::uint32_t attributes = 0x20, std::int64_t time = 0);
    // Adds a file or folder as a program creates it: no stored word (see
    // Node::storedWord), all three times `time`; a file holds `content`.
    void AddPlainFile(const std::wstring& path, std::string content = {}, std::int64_t time = 0);
    void AddPlainFolder(const std::wstring& path, std::int64_t time = 0);
    // Adds an entry that is no regular file (a FIFO, a device, a socket), as
    // AddPlainFile adds a file: it lists as one, and opening it for reading
    // or reading its bytes fails with NotRegularFileError, as on Linux.
    void AddSpecialFile(const std::wstring& path, std::int64_t time = 0);
    // Replaces the bytes of an existing file.
    void SetContent(const std::wstring& path, std::string content);
    // A symbolic link; `target` is what ResolveLinks gives for it (empty: a
    // link that leads nowhere).
    void AddSymlink(const std::wstring& path, std::int64_t time = 0, std::wstring target = {});
    // Sets all three times of an existing entry.
    void SetNodeTimes(const std::wstring& path, std::int64_t created, std::int64_t modified,
                      std::int64_t accessed);

    // Makes later `call`s on `path` fail with the errno value `code`, all of
    // them after the first `after` calls. An empty path fails the call for
    // every path.
    void FailOn(Call call, const std::wstring& path, int code, int after = 0);
    void ClearFailures();
    // Runs `action` once, just before the next `call` on `path` made through
    // a Folder (a step on an entry, or entering a subfolder), so a test can
    // change the tree at exactly that moment. The action may use this file
    // system.
    void BeforeFolderCall(Call call, const std::wstring& path, std::function<void()> action);
    // Makes reading `path` fail with `code` at byte `offset`: the bytes before
    // it are read, every later read fails.
    void FailReadAt(const std::wstring& path, std::size_t offset, int code = EIO);
    // Makes writing `path` fail with `code` once the file holds `bytes` bytes:
    // the write that passes them writes what fits and fails, as on a full
    // disk; so does every later one. An empty path: every file written.
    void FailWriteAfter(const std::wstring& path, std::size_t bytes, int code = ENOSPC);

    // What the folder at `path` reports as its file system's traits (none
    // by default). In a folder that folds case, a move fails with EEXIST
    // when another entry of the folder has the new name in another letter
    // case; a change of case alone works, as Move promises.
    void SetFolderTraits(const std::wstring& path, FolderTraits traits);

    // The entry at a path, if any.
    std::optional<Node> Lookup(const std::wstring& path) const;
    bool Exists(const std::wstring& path) const { return Lookup(path).has_value(); }
    // Full paths of every entry below a folder (all depths), sorted.
    std::vector<std::wstring> PathsUnder(const std::wstring& folder) const;
    // One line per successful changing call on entries (file contents being
    // written are not recorded: Lookup shows them), in order, e.g.
    // "Move /a/x -> /a/y", "SetAttributes /a/y 33", "SetTimes /a/y 1 2 3" ("-" for a
    // creation time left as it is), "PutBack /a/y" (a memo's, when it changed
    // anything).
    std::vector<std::wstring> changes() const;
    // How many calls of a kind were made (successful or not).
    int CallCount(Call call) const;

    void SetProgramPath(std::wstring path) { programPath_ = std::move(path); }
    void SetRoamingSettingsFolder(std::wstring path) { roaming_ = std::move(path); }

    // The fake's own steps on an entry by its path, which its folders make
    // (a test may call them directly; MoveAt in path_steps.hpp moves between
    // folders through Move). Each fails as the Folder's step of that name.
    Status SetAttributes(const std::wstring& path, std::uint32_t attributes);
    Status Move(const std::wstring& from, const std::wstring& to);
    Result<std::unique_ptr<FileHandle>> Open(const std::wstring& path);
    Status Encrypt(const std::wstring& path);
    Status Decrypt(const std::wstring& path);

    // FileSystem
    Result<std::uint32_t> GetAttributes(const std::wstring& path) override;
    Result<std::vector<FindRecord>> FindEntries(const std::wstring& folder) override;
    Result<FindRecord> FindEntry(const std::wstring& path) override;
    Result<std::unique_ptr<torvane::Folder>> OpenFolder(const std::wstring& path) override;
    Result<std::wstring> ResolveLinks(const std::wstring& path) override;
    Result<std::string> ReadFileBytes(const std::wstring& path, std::size_t maxBytes) override;
    // Reading takes the file's contents at the open. Writing fails with
    // EACCES on a Read-only file. In replace mode the new contents are held
    // apart (no temporary entry shows) and replace the file's at Commit; the
    // file keeps its word and times, a new one is made as AddPlainFile does.
    // The fake's symbolic links name nothing: they are written as files.
    Result<std::unique_ptr<InputFile>> OpenForReading(const std::wstring& path) override;
    Result<std::unique_ptr<OutputFile>> OpenForWriting(const std::wstring& path,
                                                       WriteMode mode) override;
    Status CreateDirectory(const std::wstring& path) override;
    Result<std::wstring> ProgramPath() override;
    Result<std::wstring> RoamingSettingsFolder() override;
    std::wstring SystemMessage(int code) override;

  private:
    class Handle;
    friend class Handle;
    class FolderHandle;
    friend class FolderHandle;
    class Input;
    class Reader;
    class Output;
    class Memo;
    friend class Memo;
    friend class Input;
    friend class Reader;
    friend class Output;
    struct ByteFailure {
        std::size_t at;  // the byte offset where it happens
        int code;
    };

    static std::wstring Normalize(const std::wstring& path);
    static std::wstring ParentOf(const std::wstring& key);
    static std::wstring NameOf(const std::wstring& key);
    // Counts the call and returns the injected failure for it, if any.
    std::optional<SystemError> Check(Call call, const std::wstring& key);
    // Check, then the node at `key`: the injected failure, or ENOENT when
    // there is none. The caller holds the lock.
    Result<Node*> Enter(Call call, const std::wstring& key);
    Status SetTimesOf(const std::wstring& key, std::optional<std::int64_t> c, std::int64_t a,
                      std::int64_t m);
    Status SetCompressionOf(const std::wstring& key, bool on);
    Result<std::unique_ptr<EntryMemo>> RememberAt(const std::wstring& key);
    // A Folder's OpenForReading of the entry at `key`: its bytes as they are
    // at the open, a read failure set by FailReadAt for any read reaching
    // its offset.
    Result<std::unique_ptr<PositionedReader>> OpenReaderAt(const std::wstring& key);
    // The byte failure set for `key`, else the one for every path. The
    // caller holds the lock.
    static std::optional<ByteFailure> ByteFailureFor(
        const std::map<std::wstring, ByteFailure>& failures, const std::wstring& key);
    // Whether a file may be written at `key`: the folder is there and the
    // path is no folder and no Read-only file. The caller holds the lock.
    Status CheckWritable(const std::wstring& key) const;
    Status SetBit(Call call, const std::wstring& path, std::uint32_t bit, bool on,
                  const wchar_t* what);
    void Record(std::wstring line);
    // Adds an entry with a new id.
    void Put(const std::wstring& key, Node node);
    // Where the entry with `id` is now; nullopt once it is gone.
    std::optional<std::wstring> KeyOf(std::uint64_t id, const std::wstring& lastKey) const;
    // Runs the action waiting for this call, if any (without the lock held).
    void RunBefore(Call call, const std::wstring& key);
    // Opens the folder at `key`, checking it is `expected` (unless zero).
    Result<std::unique_ptr<torvane::Folder>> OpenFolderAt(Call call, const std::wstring& key,
                                                          std::wstring shownPath,
                                                          const FileId& expected);
    FindRecord RecordOf(const std::wstring& key, const Node& node) const;
    static std::uint32_t Reported(const std::wstring& key, const Node& node);

    mutable std::mutex mutex_;
    std::map<std::wstring, Node> nodes_;           // key: path without trailing separator; "/" root
    std::map<std::wstring, FolderTraits> traits_;  // by folder key
    struct Failure {
        int code;
        int after;  // calls still to let through
    };
    std::map<std::pair<Call, std::wstring>, Failure> failures_;
    std::map<std::wstring, ByteFailure> readFailures_;
    std::map<std::wstring, ByteFailure> writeLimits_;
    std::map<Call, int> callCounts_;
    std::map<std::pair<Call, std::wstring>, std::function<void()>> before_;
    std::uint64_t lastId_ = 0;
    std::vector<std::wstring> changes_;
    std::wstring programPath_ = L"/opt/torvane/torvane";
    std::wstring roaming_ = L"/home/user/.config";
};

// Makes every file written on `fs` stop at `bytes` bytes with EFBIG ("File
// too large"), as a file-size limit or a full disk stops it part way.
inline void LimitFileSize(FakeFileSystem& fs, std::size_t bytes) {
    fs.FailWriteAfter(L"", bytes, EFBIG);
}

}  // namespace torvane::testing
