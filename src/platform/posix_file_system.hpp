#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace torvane {

// The file system of Linux, seen the way a Windows client of a Samba share
// sees it (docs/architecture.md, "The attribute word on Linux"):
// - Directory from the entry's type; Read-only when the owner may not write
//   or the stored word says so; Hidden, System, Archive, Temporary and
//   Not-content-indexed from the stored word: the `user.DOSATTRIB` extended
//   attribute, written as Samba's v3 record, or the volume's own word where
//   it has one (NTFS, SMB mounts, FAT; see "Where attributes live"; none on
//   exFAT); Compressed and Encrypted from the inode's flags.
// - Created from the stored word's creation time, else the birth time, else
//   the modified time; modified and accessed from the inode.
// - Moves never replace an existing entry; symbolic links are entries of
//   their own, never followed.
// - Every change is made through the descriptor of the entry's folder and the
//   entry's own name (the *at calls), so a folder on the way that is renamed
//   or replaced by a link meanwhile never sends it elsewhere.
namespace posix {
struct Backend;
}

class PosixFileSystem : public FileSystem {
  public:
    // The rename primitive, renameat2(2) on two folders' descriptors: returns
    // 0, or -1 with errno set. Tests replace it to act as a file system that
    // refuses RENAME_NOREPLACE.
    using RenameFunction = int (*)(int fromFolder, const char* from, int toFolder, const char* to,
                                   unsigned flags);

    // `rename` null means the system's renameat2.
    explicit PosixFileSystem(RenameFunction rename = nullptr);
    ~PosixFileSystem() override;

    // For tests: false reaches entries the way kernels before 6.13 allow
    // (extended attributes and modes through a descriptor opened without
    // following links) even where the folder-relative calls exist.
    void UseFolderRelativeCalls(bool use);
    // For tests: `hook` is called with an entry's full path just before a
    // change is made to it or a subfolder is entered, so a test can change
    // the tree at exactly that moment.
    void SetBeforeStep(std::function<void(const std::string& path)> hook);
    // For tests: `fault` names the errno value with which a system call that
    // changes an entry ("chmod", "setxattr", "removexattr", "utimensat") on
    // `path` is to fail, or 0 to let it run.
    void SetFault(std::function<int(std::string_view call, const std::string& path)> fault);

    Result<std::uint32_t> GetAttributes(const std::wstring& path) override;
    Result<std::vector<FindRecord>> FindEntries(const std::wstring& folder) override;
    Result<FindRecord> FindEntry(const std::wstring& path) override;
    Result<std::unique_ptr<Folder>> OpenFolder(const std::wstring& path) override;
    Result<std::wstring> ResolveLinks(const std::wstring& path) override;
    Result<std::string> ReadFileBytes(const std::wstring& path, std::size_t maxBytes) override;
    Result<std::unique_ptr<InputFile>> OpenForReading(const std::wstring& path) override;
    Result<std::unique_ptr<OutputFile>> OpenForWriting(const std::wstring& path,
                                                       WriteMode mode) override;
    Status CreateDirectory(const std::wstring& path) override;
    Result<std::wstring> ProgramPath() override;
    Result<std::wstring> RoamingSettingsFolder() override;
    std::wstring SystemMessage(int code) override;

  private:
    std::unique_ptr<posix::Backend> backend_;
};

}  // namespace torvane
