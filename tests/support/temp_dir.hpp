#pragma once

#include <string>

namespace torvane::testing {

// A fresh folder under $TMPDIR (or /tmp; the system's temporary folder on
// Windows) for one test, removed with all its contents when the object goes
// away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a trailing slash.
    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string Join(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Writes bytes to a file, replacing it. Fails the calling test on error.
void WriteBytes(const std::string& path, const std::string& bytes);
// Reads a whole file as bytes. Fails the calling test on error.
std::string ReadBytes(const std::string& path);

}  // namespace torvane::testing
