#pragma once

#include <memory>
#include <string>

#include "platform/file_system.hpp"

namespace torvane {

// The file system of Windows through its own calls:
// - Paths take '/' or '\' separators; the core's paths keep '/', which every
//   wide call accepts, and absolute paths get the \\?\ prefix (no MAX_PATH
//   limit, names with trailing dots and spaces taken as they are).
// - The attribute word is the system's own; the three times are the
//   system's, read and written in whole seconds.
// - A folder is held open by a handle and every change inside it is made
//   relative to that handle (NtCreateFile with a root directory,
//   NtSetInformationFile for renames), never through a path that a folder
//   renamed meanwhile could send elsewhere. Moves never replace an entry.
// - Ids are the volume's serial number and the file index (FileIdBothDirectoryInfo).
// - Windows error codes are reported as the interface's errno values.
class Win32FileSystem : public FileSystem {
  public:
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
};

}  // namespace torvane
