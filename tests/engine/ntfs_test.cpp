// Jobs on an NTFS volume mounted through ntfs-3g from a small image: the
// attributes and creation time a job sets go into NTFS's own word and
// creation time, where Windows reads them, and never into a "DOSATTRIB"
// stream. Needs root, the loop and FUSE devices and ntfs-3g; skipped, saying
// what is missing, where any of them is not there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <optional>
#include <string>

#include "disk_job.hpp"
#include "engine/job.hpp"
#include "job_support.hpp"
#include "loop_mount.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::LoopMount;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using testing::SilentObserver;
using testing::WriteBytes;

// 2000-01-01 00:00:00 UTC, in seconds since 1970 and as NTTIME.
constexpr std::int64_t kY2k = 946684800;
constexpr std::uint64_t kY2kNt = 0x01BF53EB256D4000;

// The value of an extended attribute, read straight from the volume.
std::optional<std::string> Xattr(const std::string& path, const char* name) {
    char buffer[64];
    const auto n = ::lgetxattr(path.c_str(), name, buffer, sizeof buffer);
    if (n < 0)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::uint64_t BigEndian(const std::string& bytes) {
    std::uint64_t value = 0;
    for (const char c : bytes)
        value = (value << 8) | static_cast<unsigned char>(c);
    return value;
}

// The names of the extended attributes the entry lists: on ntfs-3g, its
// named streams (the system.ntfs_* values are never listed).
std::string ListedXattrs(const std::string& path) {
    char buffer[1024];
    const auto n = ::llistxattr(path.c_str(), buffer, sizeof buffer);
    return n <= 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

class NtfsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!mount.why().empty())
            GTEST_SKIP() << mount.why();
    }

    JobResult Run(std::vector<TaskItem> tasks) {
        JobSettings settings;
        settings.paths = {FromUtf8(mount.path() + "/")};
        settings.tasks = std::move(tasks);
        settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
        settings.listOptions.hiddenSystem = HiddenSystem::kHiddenAndSystem;
        settings.engine.attributeTarget = AttributeTarget::kBoth;
        return RunJob(settings, fs, dialogs, observer, 0);
    }

    static TaskItem Task(const TaskFields& fields) {
        return TaskItem{1, L"", BuildTaskDefinition(fields)};
    }
    static TaskItem Attributes(std::uint32_t word) {
        AttributeTaskFields a;
        a.find = L".*";
        a.attributes = std::to_wstring(word);
        a.regex = L"TRUE";
        return Task(a);
    }

    ScopedTimeZone tz{"UTC0"};
    LoopMount mount{LoopMount::Kind::kNtfs3g};
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    SilentObserver observer;
};

TEST_F(NtfsTest, AJobsAttributesAndCreationTimeAreNtfsOwn) {
    WriteBytes(mount.Join("file.txt"), "x");
    ASSERT_EQ(::mkdir(mount.Join("sub").c_str(), 0755), 0);
    TimestampTaskFields t;
    t.timeKind = L"Created";
    t.find = L"^.*$";
    t.replace = L"2000-01-01";
    t.regex = L"TRUE";
    constexpr std::uint32_t kAll = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    auto result = Run({Task(t), Attributes(kAll)});
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");

    for (const char* name : {"file.txt", "sub"}) {
        const auto path = mount.Join(name);
        const auto word = Xattr(path, "system.ntfs_attrib_be");
        ASSERT_TRUE(word) << name;
        EXPECT_EQ(BigEndian(*word) & ~FILE_ATTRIBUTE_DIRECTORY, kAll) << name;
        const auto created = Xattr(path, "system.ntfs_crtime_be");
        ASSERT_TRUE(created) << name;
        EXPECT_EQ(BigEndian(*created), kY2kNt) << name;
        EXPECT_EQ(ListedXattrs(path).find("DOSATTRIB"), std::string::npos) << name;
        const auto record = fs.FindEntry(FromUtf8(path));
        ASSERT_TRUE(record.ok());
        EXPECT_EQ(record->attributes & 0x2027u, kAll) << name;
        EXPECT_EQ(record->created, kY2k) << name;
    }

    // Clearing them clears NTFS's word, Read-only included.
    result = Run({Attributes(FILE_ATTRIBUTE_ARCHIVE)});
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    EXPECT_EQ(BigEndian(*Xattr(mount.Join("file.txt"), "system.ntfs_attrib_be")),
              FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(ListedXattrs(mount.Join("file.txt")), "");
}

TEST_F(NtfsTest, AttributesSetFromOutsideAreListed) {
    const auto path = mount.Join("outside.txt");
    WriteBytes(path, "x");
    const std::string word("\x00\x00\x20\x06", 4);  // Hidden, System, Not-content-indexed
    const std::string created("\x01\xBF\x53\xEB\x25\x6D\x40\x00", 8);
    ASSERT_EQ(::lsetxattr(path.c_str(), "system.ntfs_attrib_be", word.data(), word.size(), 0), 0);
    ASSERT_EQ(::lsetxattr(path.c_str(), "system.ntfs_crtime_be", created.data(), created.size(), 0),
              0);
    const auto records = fs.FindEntries(FromUtf8(mount.path() + "/"));
    ASSERT_TRUE(records.ok());
    bool found = false;
    for (const auto& r : *records) {
        if (r.name != L"outside.txt")
            continue;
        found = true;
        EXPECT_EQ(r.attributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        EXPECT_EQ(r.created, kY2k);
    }
    EXPECT_TRUE(found);
}

// The plan sees a volume that keeps every attribute and the creation time.
TEST_F(NtfsTest, FolderTraitsSayWhatNtfsKeeps) {
    auto folder = fs.OpenFolder(FromUtf8(mount.path() + "/"));
    ASSERT_TRUE(folder.ok());
    const auto traits = (*folder)->Traits(L"");
    EXPECT_EQ(traits.storedAttributes, kKeptAttributes);
    EXPECT_TRUE(traits.storesCreationTime);
    EXPECT_EQ(traits.volume, L"NTFS volume");
}

}  // namespace
}  // namespace torvane
