#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "fake_backend.hpp"
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
