#pragma once

#include <string>

#include "fake_file_system.hpp"

namespace torvane::testing {

// What the contract cases need of a volume; a backend on a volume that lacks
// one skips those cases, saying why.
struct Everything {
    // New entries read as a Samba client sees them on a Linux file system:
    // Normal (no Archive) and Hidden for a dot name. NTFS keeps its own word.
    static constexpr bool kSambaView = true;
    // Attribute words and creation times can be stored (not on exFAT).
    static constexpr bool kKeepsAttributes = true;
    // Symbolic links and FIFOs can be made (not on exFAT).
    static constexpr bool kLinksAndFifos = true;
    // Names may be any bytes, not only UTF-8 (not on NTFS or exFAT).
    static constexpr bool kAnyByteNames = true;
    // Times before 1980 can be stored (not on exFAT).
    static constexpr bool kAnyTime = true;
    // An open folder's files can be read (Folder::OpenForReading).
    static constexpr bool kReadsFiles = true;
    // Where to read why a volume lacks an ability.
    static constexpr const char* kWhy = "see Everything";
};

// Each implementation of FileSystem comes with a way to make entries the way
// another program would (no stored word). Paths are relative to Root().
// The in-memory one:
class FakeBackend : public Everything {
  public:
    static constexpr const char* kName = "Fake";
    FakeBackend() { fake.AddPlainFolder(Root()); }
    FileSystem& fs() { return fake; }
    std::wstring Root() const { return L"/root/"; }
    void MakeFile(const std::wstring& rel, std::string content = {}) {
        fake.AddPlainFile(Root() + rel, std::move(content));
    }
    void MakeFolder(const std::wstring& rel) { fake.AddPlainFolder(Root() + rel); }
    void MakeSymlink(const std::wstring& rel) { fake.AddSymlink(Root() + rel); }
    void MakeFifo(const std::wstring& rel) { fake.AddSpecialFile(Root() + rel); }
    std::string Unsupported() const { return {}; }

    FakeFileSystem fake;
};

}  // namespace torvane::testing
