#pragma once

// A real file system made on a small image file and mounted on a temporary
// folder for one test: NTFS through ntfs-3g, exFAT through exfat-fuse on a
// loop device. Needs root, the loop and FUSE devices and the file system's
// tools; where any of them is missing, why() says so and the test skips.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.hpp"

namespace torvane::testing {

// Quotes a string for the shell.
inline std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class LoopMount {
  public:
    enum class Kind { kNtfs3g, kExfatFuse };

    explicit LoopMount(Kind kind) : kind_(kind) {
        image_ = dir_.Join("volume.img");
        mount_ = dir_.Join("mnt");
        std::filesystem::create_directory(mount_);
        why_ = Mount();
    }
    ~LoopMount() {
        std::string failure;
        if (mounted_ && !Shell("umount " + ShellQuote(mount_), failure))
            Shell("umount -l " + ShellQuote(mount_), failure);
        if (!loop_.empty())
            Shell("losetup -d " + ShellQuote(loop_), failure);
    }
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    // Why the file system could not be mounted; empty once it is.
    const std::string& why() const { return why_; }
    // The mounted folder, without a trailing slash.
    const std::string& path() const { return mount_; }
    std::string Join(const std::string& name) const { return mount_ + "/" + name; }

    // Runs a command with no input, its output going to the file `output`;
    // on failure, `failure` says what it wrote as errors.
    bool Shell(const std::string& command, std::string& failure,
               const std::string& output = "/dev/null") const {
        const std::string errors = dir_.Join("errors");
        const int status = std::system(
            (command + " </dev/null >" + ShellQuote(output) + " 2>" + ShellQuote(errors)).c_str());
        if (status == 0)
            return true;
        failure = command + ": " + FileText(errors);
        return false;
    }

    // The output of a command, or empty (with `failure` set) when it fails.
    std::string Output(const std::string& command, std::string& failure) const {
        const std::string out = dir_.Join("output");
        return Shell(command, failure, out) ? FileText(out) : std::string();
    }

  private:
    std::string Mount() {
        const char* name = kind_ == Kind::kNtfs3g ? "NTFS (ntfs-3g)" : "exFAT (exfat-fuse)";
        if (::geteuid() != 0)
            return std::string("mounting ") + name + " needs root";
        for (const char* device : {"/dev/loop-control", "/dev/fuse"}) {
            if (::access(device, R_OK | W_OK) != 0)
                return std::string("no ") + device + " to mount " + name;
        }
        const auto tools =
            kind_ == Kind::kNtfs3g
                ? std::vector<std::string>{"truncate", "mkntfs", "mount.ntfs-3g", "umount"}
                : std::vector<std::string>{"truncate", "mkfs.exfat", "losetup", "mount.exfat-fuse",
                                           "umount"};
        for (const auto& tool : tools) {
            if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0)
                return tool + " is not installed (scripts/install-deps installs it)";
        }
        std::string failure;
        const std::string make = kind_ == Kind::kNtfs3g ? "mkntfs -F -Q " : "mkfs.exfat ";
        if (!Shell("truncate -s 16M " + ShellQuote(image_), failure) ||
            !Shell(make + ShellQuote(image_), failure))
            return std::string("can't make the ") + name + " image: " + failure;
        if (kind_ == Kind::kNtfs3g) {
            if (!Shell("mount -t ntfs-3g -o loop " + ShellQuote(image_) + " " + ShellQuote(mount_),
                       failure))
                return std::string("can't mount ") + name + ": " + failure;
            mounted_ = true;
            return {};
        }
        loop_ = Output("losetup --find --show " + ShellQuote(image_), failure);
        while (!loop_.empty() && (loop_.back() == '\n' || loop_.back() == ' '))
            loop_.pop_back();
        if (loop_.empty())
            return "no loop device: " + failure;
        if (!Shell("mount.exfat-fuse " + ShellQuote(loop_) + " " + ShellQuote(mount_), failure))
            return std::string("can't mount ") + name + ": " + failure;
        mounted_ = true;
        return {};
    }

    Kind kind_;
    // Declared first, so the folder goes only after the mount is gone.
    TempDir dir_;
    std::string image_;
    std::string mount_;
    std::string loop_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace torvane::testing
