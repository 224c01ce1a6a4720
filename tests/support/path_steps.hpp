#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.hpp"
#include "platform/system_error.hpp"

namespace torvane::testing {

// A test's steps on one entry named by its path, made through the folder
// that holds it (FileSystem::OpenFolder, then the Folder's step on the last
// component), as the engine makes them. A path may end with the separator.
// Each fails with the folder's open error or the step's own.

// Sets the entry's whole attribute word (Folder::SetAttributes).
Status SetAttributesAt(FileSystem& fs, const std::wstring& path, std::uint32_t attributes);

// Opens the entry for SetTimes and SetCompression (Folder::Open).
Result<std::unique_ptr<FileHandle>> OpenAt(FileSystem& fs, const std::wstring& path);

// Encrypts or decrypts the entry in place (Folder::Encrypt, Folder::Decrypt).
Status EncryptAt(FileSystem& fs, const std::wstring& path);
Status DecryptAt(FileSystem& fs, const std::wstring& path);

// Moves an entry, never replacing one (EEXIST). Within one folder through
// Folder::Move; between folders (which the engine never does) through the
// fake's own move, or on disk through renameat2 with RENAME_NOREPLACE.
Status MoveAt(FileSystem& fs, const std::wstring& from, const std::wstring& to);

}  // namespace torvane::testing
