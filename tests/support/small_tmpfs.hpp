#pragma once
// A small tmpfs mounted on a temporary folder for a test's length, to fill a
// real disk. Mounting needs root: a test that can't mount skips, saying why.
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "temp_dir.hpp"

namespace torvane::testing {

class SmallTmpfs {
  public:
    // `size` as mount takes it: "64k", "256k".
    explicit SmallTmpfs(const std::string& size) {
        const std::string options = "size=" + size;
        if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0)
            mounted_ = true;
        else
            why_ = std::strerror(errno);
    }
    ~SmallTmpfs() {
        if (mounted_)
            ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    std::string Join(const std::string& name) const { return dir_.Join(name); }
    const std::string& path() const { return dir_.path(); }

  private:
    TempDir dir_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace torvane::testing
