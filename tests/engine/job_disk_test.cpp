// The job on real folders, through the Linux file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

#include "engine/job.hpp"
#include "job_support.hpp"
#include "path_steps.hpp"
#include "platform/dos_attrib.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "rename_faults.hpp"
#include "small_tmpfs.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::RenameNeverBack;

using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using testing::SmallTmpfs;
using testing::TempDir;
using testing::WriteBytes;

class NullObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        out.insert(e.path().string().substr(root.size()));
    return out;
}

class JobDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::setxattr(dir.path().c_str(), "user.torvane-probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
        ::removexattr(dir.path().c_str(), "user.torvane-probe");
    }

    JobResult Run(std::vector<TaskItem> tasks, bool includeSubfolders = false,
                  AttributeTarget attributeTarget = AttributeTarget::kFiles,
                  Retrieve retrieve = Retrieve::kFiles, std::wstring root = {}) {
        JobSettings settings;
        settings.paths = {root.empty() ? FromUtf8(dir.path() + "/") : root};
        settings.tasks = std::move(tasks);
        settings.listOptions.includeSubfolders = includeSubfolders;
        settings.listOptions.retrieve = retrieve;
        settings.engine.attributeTarget = attributeTarget;
        return RunJob(settings, fs, dialogs, observer, 0);
    }

    static TaskItem Task(const TaskFields& fields) {
        return TaskItem{1, L"", BuildTaskDefinition(fields)};
    }

    void Touch(const std::string& rel) { WriteBytes(dir.Join(rel), "x"); }

    ScopedTimeZone tz{"UTC0"};
    TempDir dir;
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    NullObserver observer;
};

TEST_F(JobDiskTest, RecursiveNumberedRenameRestartsPerFolderAndRenamesFoldersLast) {
    std::filesystem::create_directory(dir.Join("trip"));
    Touch("a.jpg");
    Touch("b.jpg");
    Touch("trip/c.jpg");
    Touch("trip/d.jpg");
    RenameTaskFields f;
    f.find = L"^(.*)$";
    f.replace = L"##-$1";
    f.numbering = L"TRUE";
    f.startNumber = L"1";
    f.regex = L"TRUE";
    const auto result = Run({Task(f)}, true, AttributeTarget::kBoth, Retrieve::kFilesAndFolders);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    EXPECT_EQ(Tree(dir.path()),
              (std::set<std::string>{"/01-trip", "/01-trip/01-c.jpg", "/01-trip/02-d.jpg",
                                     "/02-a.jpg", "/03-b.jpg"}));
}

TEST_F(JobDiskTest, ReadOnlyFileGetsNewTimesAndStaysReadOnly) {
    Touch("r.txt");
    const std::wstring path = FromUtf8(dir.Join("r.txt"));
    ASSERT_TRUE(
        testing::SetAttributesAt(fs, path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE).ok());
    TimestampTaskFields f;
    f.timeKind = L"Modified";
    f.find = L"^.*$";
    f.replace = L"01/02/2003 04:05:06 PM";
    f.regex = L"TRUE";
    const auto result = Run({Task(f)});
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    struct stat st {};
    ASSERT_EQ(::stat(dir.Join("r.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1041523506);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(*fs.GetAttributes(path) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
}

TEST_F(JobDiskTest, FolderGetsItsTimesAndAttributesReadBack) {
    std::filesystem::create_directory(dir.Join("sub"));
    Touch("file.txt");
    TimestampTaskFields t;
    t.timeKind = L"Created";
    t.find = L"^.*$";
    t.replace = L"2000-01-01";
    t.regex = L"TRUE";
    AttributeTaskFields a;
    a.find = L".*";
    a.attributes = std::to_wstring(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    a.regex = L"TRUE";
    const auto result =
        Run({Task(t), Task(a)}, false, AttributeTarget::kBoth, Retrieve::kFilesAndFolders);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    for (const char* name : {"sub", "file.txt"}) {
        const auto record = fs.FindEntry(FromUtf8(dir.Join(name)));
        ASSERT_TRUE(record.ok());
        EXPECT_EQ(record->created, 946684800) << name;
        EXPECT_EQ(record->attributes & 0x2027u, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE)
            << name;
    }
}

TEST_F(JobDiskTest, CollisionLosesNothingAndTheSavedLogHasItsLine) {
    Touch("a1");
    Touch("a2");
    Touch("b");
    RenameTaskFields f;
    f.find = L"[0-9]";
    f.regex = L"TRUE";
    RenameTaskFields swap;
    swap.find = L"^b$";
    swap.replace = L"a";
    swap.regex = L"TRUE";
    const auto result = Run({Task(f), Task(swap)});
    EXPECT_TRUE(result.error);
    // a1 becomes a; a2 and b would become a as well and keep their names.
    EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"/a", "/a2", "/b"}));
    ASSERT_EQ(result.log.size(), 3u);
    EXPECT_EQ(result.log[1],
              L"Error renaming file:  " + FromUtf8(dir.Join("a2")) + L"..........File exists\r\n");

    ASSERT_TRUE(SaveErrorLog(fs, FromUtf8(dir.Join("log.txt")), result.log, dialogs));
    const std::string bytes = ReadBytes(dir.Join("log.txt"));
    std::u16string expected = u"\xFEFF";
    for (const auto& line : result.log) {
        for (char16_t u : ToUtf16(line)) {
            if (u == u'\n')
                expected += u'\r';
            expected += u;
        }
        expected += u"\r\n";
    }
    EXPECT_EQ(bytes, testing::Utf16Le(expected));
    EXPECT_NE(bytes.find(std::string("\r\0\r\0\n\0", 6)), std::string::npos);  // CR CR LF
}

TEST_F(JobDiskTest, LetterCaseOnlyRenameIsCarriedOut) {
    Touch("photo.jpg");
    RenameTaskFields f;
    f.find = L"photo";
    f.replace = L"Photo";
    JobSettings settings;
    settings.paths = {FromUtf8(dir.path() + "/")};
    settings.tasks = {Task(f)};
    settings.engine.caseSensitive = true;
    const auto result = RunJob(settings, fs, dialogs, observer, 0);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(Tree(dir.path()), std::set<std::string>{"/Photo.jpg"});
}

TEST_F(JobDiskTest, SingleFileRootIsRenamedAndReported) {
    Touch("only.txt");
    Touch("other.txt");
    RenameTaskFields f;
    f.find = L"only";
    f.replace = L"alone";
    const auto result = Run({Task(f)}, false, AttributeTarget::kFiles, Retrieve::kFiles,
                            FromUtf8(dir.Join("only.txt")));
    EXPECT_EQ(result.renamedRoot, FromUtf8(dir.Join("alone.txt")));
    EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"/alone.txt", "/other.txt"}));
}

// A change of letter case goes through a temporary name; when the entry
// can't be given its name back, the log line says where it is.
TEST_F(JobDiskTest, AnEntryLeftUnderATemporaryNameIsNamedInTheLog) {
    Touch("a");
    ASSERT_EQ(::link(dir.Join("a").c_str(), dir.Join("A").c_str()), 0);
    PosixFileSystem never(&RenameNeverBack);
    JobSettings settings;
    settings.paths = {FromUtf8(dir.path() + "/")};
    RenameTaskFields f;
    f.find = L"^a$";
    f.replace = L"A";
    f.regex = L"TRUE";
    settings.tasks = {Task(f)};
    settings.engine.caseSensitive = true;
    const auto result = RunJob(settings, never, dialogs, observer, 0);
    ASSERT_EQ(result.log.size(), 2u);
    const std::wstring expected = L"Error renaming file:  " + FromUtf8(dir.Join("a")) +
                                  L"..........File exists\r\nThe entry could not be given its "
                                  L"name back and is now " +
                                  FromUtf8(dir.path() + "/.torvane-move-");
    EXPECT_TRUE(result.log[1].starts_with(expected)) << ToUtf8(result.log[1]);
}

// The same swaps on real folders, made at the exact moment by the Linux
// file system's hook: a folder listed by the job is replaced by a link to a
// folder outside the tree just before it is entered, or just before a step
// on one of its entries. Nothing outside the tree changes.
class JobSwapTest : public JobDiskTest {
  protected:
    void SetUp() override {
        JobDiskTest::SetUp();
        std::filesystem::create_directory(dir.Join("tree"));
        std::filesystem::create_directory(dir.Join("tree/sub"));
        std::filesystem::create_directory(dir.Join("outside"));
        Touch("tree/sub/a.txt");
        Touch("tree/sub/b.txt");
        Touch("outside/a.txt");
        Touch("outside/b.txt");
    }
    void SwapAt(const std::string& rel) {
        fs.SetBeforeStep([this, at = dir.Join(rel)](const std::string& path) {
            if (path != at)
                return;
            std::filesystem::rename(dir.Join("tree/sub"), dir.Join("away"));
            std::filesystem::create_directory_symlink(dir.Join("outside"), dir.Join("tree/sub"));
        });
    }
    JobResult RunOnTree(std::vector<TaskItem> tasks) {
        return Run(std::move(tasks), true, AttributeTarget::kFiles, Retrieve::kFilesAndFolders,
                   FromUtf8(dir.Join("tree") + "/"));
    }
    std::set<std::string> Outside() { return Tree(dir.Join("outside")); }
};

TEST_F(JobSwapTest, AFolderSwappedForALinkBeforeItIsEnteredIsNeverEntered) {
    SwapAt("tree/sub");
    RenameTaskFields f;
    f.find = L".txt";
    f.replace = L".md";
    const auto result = RunOnTree({Task(f)});
    EXPECT_TRUE(result.error);
    ASSERT_GE(result.log.size(), 2u);
    EXPECT_NE(result.log[1].find(L"The folder was replaced"), std::wstring::npos);
    EXPECT_EQ(Outside(), (std::set<std::string>{"/a.txt", "/b.txt"}));
    EXPECT_EQ(Tree(dir.Join("away")), (std::set<std::string>{"/a.txt", "/b.txt"}));
}

TEST_F(JobSwapTest, AFolderSwappedForALinkBeforeAStepIsChangedWhereItWentNotThroughTheLink) {
    SwapAt("tree/sub/b.txt");
    RenameTaskFields rename;
    rename.find = L".txt";
    rename.replace = L".md";
    AttributeTaskFields readOnly;
    readOnly.find = L".*";
    readOnly.regex = L"TRUE";
    readOnly.attributes = std::to_wstring(FILE_ATTRIBUTE_READONLY);
    TimestampTaskFields times;
    times.timeKind = L"Modified";
    times.find = L"\\d{4} ";
    times.replace = L"2001 ";
    times.regex = L"TRUE";
    const auto result = RunOnTree({Task(rename), Task(readOnly), Task(times)});
    EXPECT_FALSE(result.error) << ToUtf8(result.log.back());
    EXPECT_EQ(Outside(), (std::set<std::string>{"/a.txt", "/b.txt"}));
    struct stat st {};
    ASSERT_EQ(::stat(dir.Join("outside/b.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u) << "the link's target was made read-only";
    EXPECT_GT(st.st_mtime, 1600000000) << "the link's target got the new time";
    EXPECT_EQ(Tree(dir.Join("away")), (std::set<std::string>{"/a.md", "/b.md"}));
    ASSERT_EQ(::stat(dir.Join("away/b.md").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_LT(st.st_mtime, 1100000000);
}

// Each entry is all or nothing on a real disk: an entry whose step fails is
// left as it was found, to the nanosecond and the byte, or its log line
// names what stayed changed.
struct EntryImage {
    std::set<std::string> names;
    mode_t mode = 0;
    struct timespec atime {
    }, mtime{};
    std::optional<std::string> stored;  // user.DOSATTRIB

    bool operator==(const EntryImage& o) const {
        return names == o.names && mode == o.mode && atime.tv_sec == o.atime.tv_sec &&
               atime.tv_nsec == o.atime.tv_nsec && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && stored == o.stored;
    }
};

EntryImage ImageOf(const std::string& folder, const std::string& name) {
    EntryImage image;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        image.names.insert(e.path().filename().string());
    struct stat st {};
    EXPECT_EQ(::stat((folder + "/" + name).c_str(), &st), 0);
    image.mode = st.st_mode & 07777;
    image.atime = st.st_atim;
    image.mtime = st.st_mtim;
    char buffer[256];
    const auto n = ::getxattr((folder + "/" + name).c_str(), kDosAttribName, buffer, sizeof buffer);
    if (n >= 0)
        image.stored = std::string(buffer, static_cast<std::size_t>(n));
    return image;
}

TaskItem YearTask(const wchar_t* kind, const wchar_t* year) {
    TimestampTaskFields f;
    f.timeKind = kind;
    f.find = L"\\d{4}";
    f.replace = year;
    f.regex = L"TRUE";
    return TaskItem{3, L"", BuildTaskDefinition(f)};
}

TaskItem RenameTask(const wchar_t* find, const wchar_t* replace) {
    RenameTaskFields f;
    f.find = find;
    f.replace = replace;
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

TaskItem AttributeTask(std::uint32_t word) {
    AttributeTaskFields f;
    f.find = L".*";
    f.attributes = std::to_wstring(word);
    f.regex = L"TRUE";
    return TaskItem{2, L"", BuildTaskDefinition(f)};
}

class EntryPutBackTest : public ::testing::Test {
  protected:
    // A file "a.txt" with mode 0464 and times with nanoseconds in `folder`.
    static void MakeEntry(const std::string& folder) {
        WriteBytes(folder + "/a.txt", "x");
        ASSERT_EQ(::chmod((folder + "/a.txt").c_str(), 0464), 0);
        const struct timespec times[2] = {{1600000000, 123456789}, {1500000000, 987654321}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/a.txt").c_str(), times, 0), 0);
    }

    JobResult Run(PosixFileSystem& on, const std::string& folder, std::vector<TaskItem> tasks) {
        JobSettings settings;
        settings.paths = {FromUtf8(folder + "/")};
        settings.tasks = std::move(tasks);
        return RunJob(settings, on, dialogs, observer, 0);
    }

    ScopedTimeZone tz{"UTC0"};
    RecordingDialogs dialogs;
    NullObserver observer;
};

// One system call failing once, by kind, through the backend's fault hook:
// whichever it is, the entry is left byte for byte as it was found.
TEST_F(EntryPutBackTest, EachFailingCallLeavesTheEntryAsItWasFound) {
    struct Case {
        const char* call;
        std::vector<TaskItem> tasks;
    };
    const Case cases[] = {
        {"setxattr", {RenameTask(L"a", L"b"), AttributeTask(FILE_ATTRIBUTE_HIDDEN)}},
        {"chmod", {RenameTask(L"a", L"b"), AttributeTask(FILE_ATTRIBUTE_HIDDEN)}},
        {"utimensat",
         {RenameTask(L"a", L"b"), AttributeTask(FILE_ATTRIBUTE_HIDDEN),
          YearTask(L"Modified", L"1999")}},
        {"setxattr", {RenameTask(L"a", L"b"), YearTask(L"Created", L"1999")}},
        // Nothing is remembered for one write after a rename: the name still comes back.
        {"utimensat", {RenameTask(L"a", L"b"), YearTask(L"Modified", L"1999")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        TempDir dir;
        if (::setxattr(dir.path().c_str(), "user.torvane-probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
        MakeEntry(dir.path());
        const auto before = ImageOf(dir.path(), "a.txt");
        PosixFileSystem faulty;
        int calls = 0;
        faulty.SetFault([&](std::string_view call, const std::string&) {
            return call == c.call && calls++ == 0 ? EIO : 0;
        });
        const auto result = Run(faulty, dir.path(), c.tasks);
        EXPECT_TRUE(result.error);
        ASSERT_EQ(result.log.size(), 2u);
        EXPECT_NE(result.log[1].find(L"Input/output error"), std::wstring::npos)
            << ToUtf8(result.log[1]);
        EXPECT_TRUE(ImageOf(dir.path(), "a.txt") == before);
    }
}

// A tmpfs filled to its last inode has no room for a stored record: the
// creation time (kept in the record) fails, and the modified time written
// just before it goes back with the name.
TEST_F(EntryPutBackTest, AFullDiskLeavesTheEntryAsItWasFound) {
    SmallTmpfs disk("64k,nr_inodes=8");
    if (!disk.mounted())
        GTEST_SKIP() << "can't mount a tmpfs: " << disk.why();
    MakeEntry(disk.path());
    ASSERT_EQ(::mkdir(disk.Join("full").c_str(), 0755), 0);
    for (int i = 0; ::creat(disk.Join("full/" + std::to_string(i)).c_str(), 0644) >= 0; ++i) {
    }
    ASSERT_EQ(errno, ENOSPC);
    for (const auto& tasks :
         {std::vector<TaskItem>{RenameTask(L"a", L"b"), YearTask(L"Modified", L"1999"),
                                YearTask(L"Created", L"1998")},
          std::vector<TaskItem>{RenameTask(L"a", L"b"), AttributeTask(FILE_ATTRIBUTE_HIDDEN)}}) {
        const auto before = ImageOf(disk.path(), "a.txt");
        PosixFileSystem on;
        const auto result = Run(on, disk.path(), tasks);
        ASSERT_EQ(result.log.size(), 2u);
        EXPECT_NE(result.log[1].find(L"No space left on device"), std::wstring::npos);
        EXPECT_TRUE(result.log[1].ends_with(L"The entry's earlier changes were put back.\r\n"))
            << ToUtf8(result.log[1]);
        EXPECT_TRUE(ImageOf(disk.path(), "a.txt") == before);
    }
}

// Remounted read-only between an entry's attribute step and its time step,
// the disk takes nothing back: the log names what stayed changed.
TEST_F(EntryPutBackTest, AReadOnlyRemountMidEntryIsNamedInTheLog) {
    SmallTmpfs disk("256k");
    if (!disk.mounted())
        GTEST_SKIP() << "can't mount a tmpfs: " << disk.why();
    MakeEntry(disk.path());
    PosixFileSystem on;
    int steps = 0;
    on.SetBeforeStep([&](const std::string& path) {
        if (path == disk.Join("a.txt") && ++steps == 2)
            ::mount(nullptr, disk.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    });
    const auto result = Run(on, disk.path(),
                            {AttributeTask(FILE_ATTRIBUTE_HIDDEN), YearTask(L"Modified", L"1999")});
    ::mount(nullptr, disk.path().c_str(), nullptr, MS_REMOUNT, nullptr);
    ASSERT_EQ(result.log.size(), 2u);
    EXPECT_NE(result.log[1].find(L"Read-only file system"), std::wstring::npos);
    EXPECT_NE(result.log[1].find(L"Stayed changed: the stored attribute record, the permissions "
                                 L"(0664, were 0464)."),
              std::wstring::npos)
        << ToUtf8(result.log[1]);
}

// An immutable file refuses the first write: nothing of it changes.
TEST_F(EntryPutBackTest, AnImmutableFileIsLeftAsItWas) {
    TempDir dir;
    MakeEntry(dir.path());
    const std::string path = dir.Join("a.txt");
    int flags = 0;
    {
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        const bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && [&] {
            int on = flags | FS_IMMUTABLE_FL;
            return ::ioctl(fd, FS_IOC_SETFLAGS, &on) == 0;
        }();
        ::close(fd);
        if (!set)
            GTEST_SKIP() << "the temporary folder's file system can't make a file immutable";
    }
    const auto before = ImageOf(dir.path(), "a.txt");
    PosixFileSystem on;
    const auto result =
        Run(on, dir.path(), {AttributeTask(FILE_ATTRIBUTE_HIDDEN), YearTask(L"Modified", L"1999")});
    EXPECT_TRUE(result.error);
    EXPECT_TRUE(ImageOf(dir.path(), "a.txt") == before);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
}

}  // namespace
}  // namespace torvane
