// The disk steps on real files of every usual mode, with each system call
// they may make failing in turn: whatever fails, a file is never left more
// open than it was, and a step that fails leaves the stored word as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "engine/disk_steps.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::TempDir;
using testing::WriteBytes;

constexpr std::uint32_t kNewWord =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
constexpr std::int64_t kNewTime = 1000000000;  // 2001-09-09
constexpr uid_t kNobody = 65534;

enum class Task { kModified, kCreated, kAttributes };

const char* NameOf(Task t) {
    switch (t) {
        case Task::kModified:
            return "modified time";
        case Task::kCreated:
            return "created time";
        case Task::kAttributes:
            return "attributes";
    }
    return "";
}

// The file's owner for a case: root itself, or an ordinary user, for whom
// writing the stored word needs write permission that the backend lends.
class AsOwner {
  public:
    explicit AsOwner(bool nobody) : nobody_(nobody) {
        if (nobody_) {
            EXPECT_EQ(::setegid(kNobody), 0);
            EXPECT_EQ(::seteuid(kNobody), 0);
        }
    }
    ~AsOwner() {
        if (nobody_) {
            EXPECT_EQ(::seteuid(0), 0);
            EXPECT_EQ(::setegid(0), 0);
        }
    }

  private:
    bool nobody_;
};

struct Outcome {
    bool failed = false;
    mode_t mode = 0;
    bool stored = false;  // a stored word is there
    std::int64_t modified = 0;
};

class DiskStepModes : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::setxattr(dir.path().c_str(), "user.torvane-probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
        ::removexattr(dir.path().c_str(), "user.torvane-probe");
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    }

    // A new file with `mode`, owned by the case's owner, its step run with
    // `call` failing on it ("" for none).
    Outcome Run(mode_t mode, Task task, const std::string& call, bool nobody) {
        const std::string path = dir.Join("f");
        ::unlink(path.c_str());
        WriteBytes(path, "x");
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        if (nobody) {
            EXPECT_EQ(::lchown(path.c_str(), kNobody, kNobody), 0);
        }

        PosixFileSystem fs;
        fs.SetFault([&](std::string_view c, const std::string& p) {
            return c == call && p == path ? EIO : 0;
        });
        const auto record = fs.FindEntry(FromUtf8(path));
        EXPECT_TRUE(record.ok());
        FileEntry current;
        current.folderPath = FromUtf8(dir.path() + "/");
        current.name = L"f";
        current.attributes = record->attributes;
        current.created = record->created;
        current.modified = record->modified;
        current.accessed = record->accessed;
        FileEntry updated = current;
        switch (task) {
            case Task::kModified:
                updated.modified = kNewTime;
                break;
            case Task::kCreated:
                updated.created = kNewTime;
                break;
            case Task::kAttributes:
                updated.attributes = kNewWord;
                break;
        }

        auto folder = fs.OpenFolder(current.folderPath);
        EXPECT_TRUE(folder.ok());
        const StepTarget at{fs, **folder};
        EntryStepState state;
        JobResult result;
        {
            const AsOwner owner(nobody);
            if (task == Task::kAttributes) {
                AttributeStep(at, current, updated, state, result);
            } else {
                TimestampStep(at, current, updated, state, result);
            }
        }
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        char buffer[256];
        Outcome out;
        out.failed = !result.log.empty();
        out.mode = st.st_mode & 07777;
        out.stored = ::getxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer) >= 0;
        out.modified = st.st_mtime;
        return out;
    }

    TempDir dir;
};

TEST_F(DiskStepModes, AFileIsNeverLeftMoreOpenAndAFailedStepStoresNothing) {
    const bool root = ::geteuid() == 0;
    for (const bool nobody : {false, root}) {
        for (const mode_t mode : {0444, 0464, 0466, 0644, 0600}) {
            for (const Task task : {Task::kModified, Task::kCreated, Task::kAttributes}) {
                for (const std::string call : {"", "utimensat", "setxattr", "chmod"}) {
                    const auto out = Run(mode, task, call, nobody);
                    const std::string what = std::string(NameOf(task)) + ", mode " +
                                             std::to_string(mode) + ", failing " +
                                             (call.empty() ? "nothing" : call) +
                                             (nobody ? ", as an ordinary user" : "");
                    // Read-only is set only on a file its owner may write;
                    // every other mode bit stays.
                    const bool ownerWrites = (mode & S_IWUSR) != 0;
                    const mode_t done =
                        task == Task::kAttributes && ownerWrites ? mode & ~0222 : mode;
                    if (call.empty()) {
                        EXPECT_FALSE(out.failed) << what;
                    }
                    if (out.failed) {
                        EXPECT_EQ(out.mode, mode) << what;
                        EXPECT_EQ(out.stored, false) << what;
                    } else {
                        EXPECT_EQ(out.mode, done) << what;
                        EXPECT_EQ(out.stored, task != Task::kModified) << what;
                    }
                    // A timestamp step touches no word unless the creation
                    // time changes.
                    if (task == Task::kModified) {
                        EXPECT_FALSE(out.stored) << what;
                    }
                    if (task == Task::kModified && !out.failed) {
                        EXPECT_EQ(out.modified, kNewTime) << what;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace torvane
