#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "fake_file_system.hpp"
#include "loop_mount.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane::testing {

// Whether a folder's file system keeps user extended attributes, where the
// Linux file system stores the attribute word.
inline bool SupportsUserXattrs(const std::string& folder) {
    const auto probe = folder + "/.xattr-probe";
    WriteBytes(probe, "");
    const bool ok = ::setxattr(probe.c_str(), "user.torvane-probe", "1", 1, 0) == 0;
    ::unlink(probe.c_str());
    return ok;
}

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
};

// The two implementations of FileSystem, each with a way to make entries the
// way another program would (no stored word). Paths are relative to Root().
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

class PosixBackend : public Everything {
  public:
    static constexpr const char* kName = "Posix";
    FileSystem& fs() { return posix; }
    std::wstring Root() const { return FromUtf8(dir.path()) + L"/"; }
    void MakeFile(const std::wstring& rel, std::string content = {}) {
        WriteBytes(ToUtf8(Root() + rel), content);
    }
    void MakeFolder(const std::wstring& rel) { ASSERT_EQ(::mkdir(Native(rel).c_str(), 0755), 0); }
    // A link to a folder, so that following it would show a folder.
    void MakeSymlink(const std::wstring& rel) {
        ASSERT_EQ(::symlink(dir.path().c_str(), Native(rel).c_str()), 0);
    }
    // A FIFO with no writer: a blocking open of it would wait for one.
    void MakeFifo(const std::wstring& rel) { ASSERT_EQ(::mkfifo(Native(rel).c_str(), 0644), 0); }
    // Why the tests can't run here, or empty.
    std::string Unsupported() const {
        return SupportsUserXattrs(dir.path())
                   ? std::string()
                   : "the file system of " + dir.path() + " keeps no user extended attributes";
    }
    std::string Native(const std::wstring& rel) const { return ToUtf8(Root() + rel); }

    TempDir dir;
    PosixFileSystem posix;
};

// The Linux file system as it works on kernels without the folder-relative
// calls for extended attributes and modes (before 6.13).
class PosixOlderKernelBackend : public PosixBackend {
  public:
    static constexpr const char* kName = "PosixOlderKernel";
    PosixOlderKernelBackend() { posix.UseFolderRelativeCalls(false); }
};

// The Linux file system on a real volume mounted from an image for the
// test: where attributes live there is the volume's own business (the NTFS
// word through ntfs-3g, nowhere on exFAT).
class MountedBackend : public Everything {
  public:
    explicit MountedBackend(LoopMount::Kind kind) : mount(kind) {}
    FileSystem& fs() { return posix; }
    std::wstring Root() const { return FromUtf8(mount.path()) + L"/"; }
    void MakeFile(const std::wstring& rel, std::string content = {}) {
        WriteBytes(ToUtf8(Root() + rel), content);
    }
    void MakeFolder(const std::wstring& rel) { ASSERT_EQ(::mkdir(Native(rel).c_str(), 0755), 0); }
    void MakeSymlink(const std::wstring& rel) {
        ASSERT_EQ(::symlink(mount.path().c_str(), Native(rel).c_str()), 0);
    }
    void MakeFifo(const std::wstring& rel) { ASSERT_EQ(::mkfifo(Native(rel).c_str(), 0644), 0); }
    std::string Unsupported() const { return mount.why(); }
    std::string Native(const std::wstring& rel) const { return ToUtf8(Root() + rel); }

    LoopMount mount;
    PosixFileSystem posix;
};

class Ntfs3gBackend : public MountedBackend {
  public:
    static constexpr const char* kName = "Ntfs3g";
    static constexpr bool kSambaView = false;
    static constexpr bool kAnyByteNames = false;
    Ntfs3gBackend() : MountedBackend(LoopMount::Kind::kNtfs3g) {}
};

class ExfatFuseBackend : public MountedBackend {
  public:
    static constexpr const char* kName = "ExfatFuse";
    static constexpr bool kKeepsAttributes = false;
    static constexpr bool kLinksAndFifos = false;
    static constexpr bool kAnyByteNames = false;
    static constexpr bool kAnyTime = false;
    ExfatFuseBackend() : MountedBackend(LoopMount::Kind::kExfatFuse) {}
};

}  // namespace torvane::testing
