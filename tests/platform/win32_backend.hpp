#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fake_backend.hpp"
#include "platform/text.hpp"
#include "platform/win32_file_system.hpp"
#include "temp_dir.hpp"
#include "wine.hpp"

namespace torvane::testing {

// The Windows file system on a temporary folder. Under Wine the folder is
// on the Linux file system behind the prefix's drive, which Wine makes look
// like Windows' own as far as the calls go (see Unsupported for what not).
class Win32Backend : public Everything {
  public:
    static constexpr const char* kName = "Win32";
    // New entries get Archive, as Windows gives them; no dot-name rule.
    static constexpr bool kSambaView = false;
    // Making symbolic links needs a privilege; there are no FIFOs.
    static constexpr bool kLinksAndFifos = false;
    // Names are UTF-16.
    static constexpr bool kAnyByteNames = false;
    // Folder::OpenForReading is not built for Windows yet: the fields that
    // read a file's bytes are not built there either.
    static constexpr bool kReadsFiles = false;
    // Under Wine the folder is on a Linux file system, where Wine keeps
    // Hidden and System (in user.DOSATTRIB) and Read-only (as the mode), but
    // no Archive bit (always read as set), no Temporary or
    // Not-content-indexed (dropped with success) and no creation time
    // (SetFileTime succeeds and stores none). Those cases are for Windows.
    static inline const bool kKeepsAttributes = !UnderWine();
    static inline const char* kWhy =
        UnderWine() ? "Wine keeps no Archive, Temporary, Not-content-indexed or creation time"
                    : "see Everything";

    FileSystem& fs() { return win32; }
    std::wstring Root() const { return FromUtf8(dir.path()) + L"/"; }
    void MakeFile(const std::wstring& rel, std::string content = {}) {
        WriteBytes(ToUtf8(Root() + rel), content);
    }
    void MakeFolder(const std::wstring& rel) {
        ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(Root() + rel)));
    }
    void MakeSymlink(const std::wstring&) { FAIL() << "no symbolic links on Win32"; }
    void MakeFifo(const std::wstring&) { FAIL() << "no FIFOs on Win32"; }
    std::string Unsupported() const { return {}; }

    TempDir dir;
    Win32FileSystem win32;
};

}  // namespace torvane::testing
