#pragma once

#include <cstdint>
#include <string>

#include "platform/system_error.hpp"

namespace torvane {

// Tells a running job from one whose process died. A running job holds an
// open-file-description lock (F_OFD_SETLK) on one byte of a small file beside
// the database, at the offset of its id. The kernel drops the lock when the
// last descriptor of that open file goes away, which a dying process does
// whatever kills it; a new process given the same pid holds nothing, so pid
// reuse can't make a dead job look alive. Others test the byte with
// F_OFD_GETLK. Lock descriptors are opened close-on-exec, so a program the job
// starts does not keep its lock alive.
class JobLockFile {
  public:
    JobLockFile() = default;
    ~JobLockFile();
    JobLockFile(JobLockFile&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    JobLockFile& operator=(JobLockFile&& o) noexcept;
    JobLockFile(const JobLockFile&) = delete;
    JobLockFile& operator=(const JobLockFile&) = delete;

    // Opens (creating it, mode 0600) the lock file at `path`.
    static Result<JobLockFile> Open(const std::string& path);

    bool valid() const { return fd_ >= 0; }
    // Takes the lock of job `id` through this open file; fails when another
    // open file holds it.
    Status Lock(std::int64_t id);
    // Lets the lock of job `id` go.
    void Unlock(std::int64_t id);
    // Whether an open file other than this one holds the lock of job `id`.
    bool HeldElsewhere(std::int64_t id) const;

  private:
    explicit JobLockFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace torvane
