// What only the Linux file system does: the bytes it stores, the permissions
// it mirrors, the forms other programs stored, and its fallbacks.

#include "platform/posix_file_system.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "file_system_backends.hpp"
#include "path_steps.hpp"
#include "platform/dos_attrib.hpp"
#include "platform/file_attributes.hpp"
#include "rename_faults.hpp"

namespace torvane {
namespace {

using testing::RenameNeverBack;

using namespace std::string_literals;
using testing::PosixBackend;

constexpr std::int64_t kY2k = 946684800;
const std::string kY2kBytes = "\x00\x40\x6D\x25\xEB\x53\xBF\x01"s;

class PosixFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto why = b.Unsupported(); !why.empty())
            GTEST_SKIP() << why;
    }
    std::wstring P(const std::wstring& rel) const { return b.Root() + rel; }
    std::string N(const std::wstring& rel) const { return b.Native(rel); }
    std::optional<std::string> Stored(const std::wstring& rel) const {
        char buffer[512];
        const auto n = ::lgetxattr(N(rel).c_str(), kDosAttribName, buffer, sizeof buffer);
        if (n < 0)
            return std::nullopt;
        return std::string(buffer, static_cast<std::size_t>(n));
    }
    void Store(const std::wstring& rel, const std::string& bytes) {
        ASSERT_EQ(::setxattr(N(rel).c_str(), kDosAttribName, bytes.data(), bytes.size(), 0), 0);
    }
    mode_t Mode(const std::wstring& rel) const {
        struct stat st {};
        EXPECT_EQ(::lstat(N(rel).c_str(), &st), 0);
        return st.st_mode & 07777;
    }
    std::uint32_t Word(const std::wstring& rel) { return *b.posix.GetAttributes(P(rel)); }
    bool IdsFromListing() const {
        struct statfs fs {};
        if (::statfs(b.dir.path().c_str(), &fs) != 0)
            return false;
        switch (static_cast<unsigned long>(fs.f_type)) {
            case EXT4_SUPER_MAGIC:
            case XFS_SUPER_MAGIC:
            case BTRFS_SUPER_MAGIC:
            case TMPFS_MAGIC:
                return true;
            default:
                return false;
        }
    }
    bool OnBtrfs() const {
        struct statfs fs {};
        return ::statfs(b.dir.path().c_str(), &fs) == 0 && fs.f_type == BTRFS_SUPER_MAGIC;
    }

    PosixBackend b;
};

// A listing of names and kinds reads regular files without a stat: each
// keeps its id and the bits a name and a stored record give; every other
// kind of entry is read whole, as by a full listing.
TEST_F(PosixFileSystemTest, ANamesAndKindsListingKeepsIdsKindsAndStoredBits) {
    b.MakeFile(L"plain.jpg");
    b.MakeFile(L".dot.jpg");
    b.MakeFile(L"hidden.jpg");
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"hidden.jpg"),
                                         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)
                    .ok());
    b.MakeFolder(L"folder");
    b.MakeSymlink(L"link");
    b.MakeFifo(L"fifo");
    auto folder = b.posix.OpenFolder(b.Root());
    ASSERT_TRUE(folder.ok());
    const auto all = (*folder)->FindEntries(EntryDetail::kAll);
    const auto names = (*folder)->FindEntries(EntryDetail::kNamesAndKinds);
    ASSERT_TRUE(all.ok() && names.ok());
    ASSERT_EQ(all->size(), names->size());
    constexpr std::uint32_t kFromNameAndRecord =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
        FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE;
    for (const FindRecord& whole : *all) {
        SCOPED_TRACE(whole.name.bytes());
        const auto same = std::find_if(names->begin(), names->end(),
                                       [&](const FindRecord& r) { return r.name == whole.name; });
        ASSERT_NE(same, names->end());
        EXPECT_EQ(same->id, whole.id);
        EXPECT_EQ(same->attributes & kFromNameAndRecord, whole.attributes & kFromNameAndRecord);
        // Where the listing's inode numbers may not be a stat's (overlay,
        // FUSE), every entry is read whole.
        if (!whole.name.bytes().ends_with(".jpg") || !IdsFromListing())
            EXPECT_EQ(*same, whole);
        else
            EXPECT_EQ(same->modified, 0);  // not read
    }
}

TEST_F(PosixFileSystemTest, WordIsStoredAsSambaV3AndSurvivesARename) {
    b.MakeFile(L"photo.jpg");
    const auto created = b.posix.FindEntry(P(L"photo.jpg"))->created;
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"photo.jpg"), FILE_ATTRIBUTE_ARCHIVE).ok());
    const auto bytes = Stored(L"photo.jpg");
    ASSERT_TRUE(bytes.has_value());
    // "0x20\0", pad, version 3, level 3, pad, valid flags 0x11, the word.
    EXPECT_EQ(bytes->substr(0, 20), "0x20\0\0\x03\0\x03\0\0\0"s + "\x11\0\0\0"s + "\x20\0\0\0"s);
    EXPECT_EQ(bytes->size(), 56u);
    // The creation time already shown is kept, so it does not start to drift.
    EXPECT_EQ(FromNtTime(DecodeDosAttrib(*bytes)->createTime.value()), created);

    ASSERT_TRUE(testing::MoveAt(b.posix, P(L"photo.jpg"), P(L"renamed.jpg")).ok());
    EXPECT_EQ(Stored(L"renamed.jpg"), bytes);
    EXPECT_EQ(Word(L"renamed.jpg"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(PosixFileSystemTest, CreationTimeGoesIntoTheStoredWord) {
    b.MakeFile(L"f");
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    ASSERT_TRUE((*handle)->SetTimes(kY2k, kY2k + 1, kY2k + 2).ok());
    const auto info = DecodeDosAttrib(Stored(L"f").value());
    EXPECT_EQ(info, (DosInfo{0, *ToNtTime(kY2k)}));
    EXPECT_EQ(Word(L"f"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PosixFileSystemTest, UnchangedCreationTimeWritesNothing) {
    b.MakeFile(L"f");
    const auto created = b.posix.FindEntry(P(L"f"))->created;
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    ASSERT_TRUE((*handle)->SetTimes(created, kY2k, kY2k).ok());
    EXPECT_EQ(Stored(L"f"), std::nullopt);
    EXPECT_EQ(b.posix.FindEntry(P(L"f"))->modified, kY2k);
}

TEST_F(PosixFileSystemTest, NoCreationTimeLeavesTheStoredOneAndSetsTheOthers) {
    b.MakeFile(L"f");
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    ASSERT_TRUE((*handle)->SetTimes(kY2k, kY2k, kY2k).ok());
    const auto stored = Stored(L"f");
    ASSERT_TRUE((*handle)->SetTimes(std::nullopt, kY2k + 10, kY2k + 20).ok());
    EXPECT_EQ(Stored(L"f"), stored);
    const auto record = b.posix.FindEntry(P(L"f"));
    EXPECT_EQ(record->created, kY2k);
    EXPECT_EQ(record->accessed, kY2k + 10);
    EXPECT_EQ(record->modified, kY2k + 20);
}

TEST_F(PosixFileSystemTest, AnEntryReplacedByALinkAfterOpeningNeverLeadsToTheTarget) {
    b.MakeFile(L"f");
    b.MakeFile(L"target");
    ASSERT_EQ(::chmod(N(L"target").c_str(), 0444), 0);
    const auto before = *b.posix.FindEntry(P(L"target"));
    for (const std::optional<std::int64_t> created :
         {std::optional<std::int64_t>(kY2k), std::optional<std::int64_t>()}) {
        auto handle = testing::OpenAt(b.posix, P(L"f"));
        ASSERT_TRUE(handle.ok());
        ASSERT_EQ(::unlink(N(L"f").c_str()), 0);
        ASSERT_EQ(::symlink(N(L"target").c_str(), N(L"f").c_str()), 0);
        (void)(*handle)->SetTimes(created, kY2k, kY2k);
        (void)(*handle)->SetCompression(true);
        EXPECT_EQ(*b.posix.FindEntry(P(L"target")), before);
        EXPECT_EQ(Stored(L"target"), std::nullopt);
        EXPECT_EQ(Mode(L"target"), 0444u);
        ASSERT_EQ(::unlink(N(L"f").c_str()), 0);
        b.MakeFile(L"f");
    }
}

TEST_F(PosixFileSystemTest, ALargeFolderIsListedInTheOrderReadWithEachEntrysOwnRecord) {
    // Enough entries for the folder to be read by several threads.
    constexpr int kCount = 2500;
    b.MakeFolder(L"big");
    for (int i = 0; i < kCount; ++i) {
        const auto name = L"big/" + std::to_wstring(i);
        b.MakeFile(name);
        const struct timespec times[2] = {{kY2k + i, 0}, {kY2k + 2 * i, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, N(name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
        if (i % 7 == 0) {
            ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(name), FILE_ATTRIBUTE_HIDDEN).ok());
        }
    }
    std::vector<std::wstring> order;
    for (const auto& e : std::filesystem::directory_iterator(N(L"big")))
        order.push_back(FromUtf8(e.path().filename().string()));

    const auto records = b.posix.FindEntries(P(L"big/"));
    ASSERT_TRUE(records.ok());
    std::vector<std::wstring> names;
    for (const auto& r : *records) {
        if (r.name == L"." || r.name == L"..")
            continue;
        names.push_back(r.name.wide());
        const int i = std::stoi(r.name.bytes());
        ASSERT_EQ(r.accessed, kY2k + i) << i;
        ASSERT_EQ(r.modified, kY2k + 2 * i) << i;
        ASSERT_EQ(r.attributes, i % 7 == 0 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL) << i;
    }
    EXPECT_EQ(names, order);
}

TEST_F(PosixFileSystemTest, CreatedFallsBackToBirthTimeNotModifiedTime) {
    b.MakeFile(L"f");
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    const auto before = b.posix.FindEntry(P(L"f"))->created;
    // Only modified and accessed change: the created time shown stays.
    ASSERT_TRUE((*handle)->SetTimes(before, kY2k, kY2k).ok());
    EXPECT_EQ(b.posix.FindEntry(P(L"f"))->created, before);
}

TEST_F(PosixFileSystemTest, ReadOnlyIsMirroredInThePermissions) {
    b.MakeFile(L"f");
    ASSERT_EQ(::chmod(N(L"f").c_str(), 0664), 0);
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"f"), FILE_ATTRIBUTE_READONLY).ok());
    EXPECT_EQ(Mode(L"f"), 0444u);
    EXPECT_EQ(DecodeDosAttrib(Stored(L"f").value())->attributes, FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"f"), FILE_ATTRIBUTE_ARCHIVE).ok());
    EXPECT_EQ(Mode(L"f"), 0644u);
    EXPECT_EQ(Word(L"f"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(PosixFileSystemTest, ReadOnlyFolderKeepsTakingNewEntries) {
    b.MakeFolder(L"d");
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"d"), FILE_ATTRIBUTE_READONLY).ok());
    EXPECT_EQ(Mode(L"d"), 0755u);
    EXPECT_EQ(Word(L"d"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
}

TEST_F(PosixFileSystemTest, OwnerWithoutWritePermissionReadsReadOnly) {
    b.MakeFile(L"f");
    ASSERT_EQ(::chmod(N(L"f").c_str(), 0444), 0);
    EXPECT_EQ(Word(L"f"), FILE_ATTRIBUTE_READONLY);
    // The stored word says Read-only even after someone gives write back.
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"f"), 0x21).ok());
    ASSERT_EQ(::chmod(N(L"f").c_str(), 0644), 0);
    EXPECT_EQ(Word(L"f"), 0x21u);
}

// Setting a user extended attribute needs write permission, which root does
// not need: run as an ordinary user, root lends the file to "nobody".
TEST_F(PosixFileSystemTest, ReadOnlyEntryOfAnOrdinaryUserCanStillChangeItsWord) {
    b.MakeFile(L"f");
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"f"), FILE_ATTRIBUTE_READONLY).ok());
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(b.dir.path().c_str(), 0755), 0);
        if (::lchown(N(L"f").c_str(), 65534, 65534) != 0)
            GTEST_SKIP() << "can't lend the file to user 65534 here";
        ASSERT_EQ(::setegid(65534), 0);
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const auto hidden = testing::SetAttributesAt(b.posix, P(L"f"), FILE_ATTRIBUTE_READONLY | 0x2);
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    const auto times = (*handle)->SetTimes(kY2k, kY2k, kY2k);
    const auto word = b.posix.GetAttributes(P(L"f"));
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(::setegid(0), 0);
    }
    EXPECT_TRUE(hidden.ok()) << ToUtf8(hidden.error().text);
    EXPECT_TRUE(times.ok()) << ToUtf8(times.error().text);
    EXPECT_EQ(*word, 0x3u);
    EXPECT_EQ(Mode(L"f"), 0444u);  // the write permission lent for the change is gone again
    EXPECT_EQ(b.posix.FindEntry(P(L"f"))->created, kY2k);
}

// Reading a file's bytes through its folder leaves its access time where
// the caller may ask for that (it owns the file, or is root); a caller that
// may not still reads it. An access time older than the modified time is
// one relatime would move.
TEST_F(PosixFileSystemTest, ReadingThroughAFolderLeavesTheAccessTime) {
    b.MakeFile(L"f", "bytes");
    const struct timespec times[2] = {{1000, 0}, {2000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, N(L"f").c_str(), times, 0), 0);
    const auto readAll = [&] {
        auto folder = b.posix.OpenFolder(b.Root());
        auto reader = folder ? (*folder)->OpenForReading(L"f")
                             : Result<std::unique_ptr<PositionedReader>>(folder.error());
        unsigned char buffer[8];
        const auto got = reader ? (*reader)->ReadAt(0, buffer, sizeof buffer)
                                : Result<std::size_t>(reader.error());
        return got ? std::string(reinterpret_cast<const char*>(buffer), *got) : "<failed>";
    };
    EXPECT_EQ(readAll(), "bytes");
    struct stat st {};
    ASSERT_EQ(::stat(N(L"f").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1000);
    if (::geteuid() != 0)
        return;
    // Root's file read by "nobody": O_NOATIME is refused, the open goes on.
    ASSERT_EQ(::chmod(b.dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::setegid(65534), 0);
    ASSERT_EQ(::seteuid(65534), 0);
    const std::string read = readAll();
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(::setegid(0), 0);
    EXPECT_EQ(read, "bytes");
}

TEST_F(PosixFileSystemTest, ReadsWhatSambaKsmbdAndWineStored) {
    struct Case {
        const char* what;
        std::string bytes;
        std::uint32_t word;
        std::optional<std::int64_t> created;
    };
    const Case cases[] = {
        {"Samba 4.17 v5", "\0\0\x05\0\x05\0\0\0\x11\0\0\0\x26\0\0\0"s + kY2kBytes, 0x26, kY2k},
        {"ksmbd v4", "\0\0\x04\0\x04\0\0\0\x51\0\0\0\x21\0\0\0"s + kY2kBytes + kY2kBytes, 0x21,
         kY2k},
        {"Wine", "0x6"s, 0x6, std::nullopt},
        {"damaged: ignored", "\0\0\x06\0\x06\0\0\0"s, FILE_ATTRIBUTE_NORMAL, std::nullopt},
    };
    int i = 0;
    for (const auto& c : cases) {
        const auto name = L"f" + std::to_wstring(i++);
        b.MakeFile(name);
        Store(name, c.bytes);
        const auto record = b.posix.FindEntry(P(name));
        EXPECT_EQ(record->attributes, c.word) << c.what;
        if (c.created) {
            EXPECT_EQ(record->created, *c.created) << c.what;
        }
    }
}

TEST_F(PosixFileSystemTest, RewriteKeepsWhatItDoesNotChange) {
    b.MakeFile(L"f");
    // Samba's v5 with Sparse and Archive and a creation time.
    Store(L"f", "\0\0\x05\0\x05\0\0\0\x11\0\0\0\x20\x02\0\0"s + kY2kBytes);
    ASSERT_TRUE(testing::SetAttributesAt(b.posix, P(L"f"), FILE_ATTRIBUTE_HIDDEN).ok());
    EXPECT_EQ(DecodeDosAttrib(Stored(L"f").value()), (DosInfo{0x202, *ToNtTime(kY2k)}));
    EXPECT_EQ(Word(L"f"), 0x202u);
}

TEST_F(PosixFileSystemTest, CompressionOnlyWhereTheFileSystemCompresses) {
    if (OnBtrfs())
        GTEST_SKIP() << "the temporary folder is on btrfs, which compresses";
    b.MakeFile(L"f");
    auto handle = testing::OpenAt(b.posix, P(L"f"));
    const auto st = (*handle)->SetCompression(true);
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().text, L"Operation not supported");
    EXPECT_EQ(Word(L"f"), FILE_ATTRIBUTE_NORMAL);
}

// Runs where TMPDIR is on btrfs.
TEST_F(PosixFileSystemTest, CompressionSwitchesOnBtrfs) {
    if (!OnBtrfs())
        GTEST_SKIP() << "the temporary folder is not on btrfs";
    b.MakeFile(L"f");
    b.MakeFolder(L"d");
    for (const auto* name : {L"f", L"d"}) {
        auto handle = testing::OpenAt(b.posix, P(name));
        ASSERT_TRUE((*handle)->SetCompression(true).ok());
        EXPECT_TRUE(Word(name) & FILE_ATTRIBUTE_COMPRESSED);
        ASSERT_TRUE((*handle)->SetCompression(false).ok());
        EXPECT_FALSE(Word(name) & FILE_ATTRIBUTE_COMPRESSED);
    }
}

TEST_F(PosixFileSystemTest, EncryptingAnExistingFileIsNotSupported) {
    b.MakeFile(L"f");
    const auto st = testing::EncryptAt(b.posix, P(L"f"));
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().text, L"Operation not supported");
}

// A file system that refuses RENAME_NOREPLACE (NFS, older FUSE).
int RenameWithoutNoReplace(int fromFolder, const char* from, int toFolder, const char* to,
                           unsigned flags) {
    if (flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(fromFolder, from, toFolder, to, 0);
}

TEST_F(PosixFileSystemTest, FallbackWhereNoReplaceIsRefusedStillNeverReplaces) {
    PosixFileSystem fs(&RenameWithoutNoReplace);
    b.MakeFile(L"a", "A");
    b.MakeFile(L"b", "B");
    b.MakeFolder(L"d");
    b.MakeFile(L"d/inside");
    b.MakeFolder(L"empty");
    EXPECT_EQ(testing::MoveAt(fs, P(L"a"), P(L"b")).error().code, EEXIST);
    EXPECT_EQ(testing::MoveAt(fs, P(L"d"), P(L"empty")).error().code, EEXIST);
    ASSERT_TRUE(testing::MoveAt(fs, P(L"a"), P(L"c")).ok());
    ASSERT_TRUE(testing::MoveAt(fs, P(L"d"), P(L"e")).ok());
    EXPECT_EQ(*fs.ReadFileBytes(P(L"c"), 10), "A");
    EXPECT_EQ(*fs.ReadFileBytes(P(L"b"), 10), "B");
    EXPECT_TRUE(fs.GetAttributes(P(L"e/inside")).ok());
    EXPECT_TRUE(IsNotFound(fs.GetAttributes(P(L"d")).error()));
}

// A process killed between the fallback's two steps leaves its empty
// placeholder under the new name; the next move onto that name knows it for
// its own and takes it away. An entry that only looks alike stays.
TEST_F(PosixFileSystemTest, APlaceholderLeftByAKilledMoveIsTakenAwayByTheNext) {
    PosixFileSystem fs(&RenameWithoutNoReplace);
    const struct timespec placeholder[2] = {{315532802, 0}, {315532802, 0}};
    b.MakeFile(L"a", "A");
    b.MakeFile(L"left");  // as the killed move left it
    ASSERT_EQ(::utimensat(AT_FDCWD, N(L"left").c_str(), placeholder, 0), 0);
    b.MakeFile(L"alike");  // empty, but not ours
    b.MakeFolder(L"d");
    b.MakeFolder(L"left-folder");
    ASSERT_EQ(::utimensat(AT_FDCWD, N(L"left-folder").c_str(), placeholder, 0), 0);
    ASSERT_TRUE(testing::MoveAt(fs, P(L"a"), P(L"left")).ok());
    EXPECT_EQ(*fs.ReadFileBytes(P(L"left"), 10), "A");
    ASSERT_TRUE(testing::MoveAt(fs, P(L"left"), P(L"a")).ok());
    EXPECT_EQ(testing::MoveAt(fs, P(L"a"), P(L"alike")).error().code, EEXIST);
    ASSERT_TRUE(testing::MoveAt(fs, P(L"d"), P(L"left-folder")).ok());
    // A placeholder made by a move that went through is gone with it.
    EXPECT_EQ(testing::MoveAt(fs, P(L"a"), P(L"b")).ok(), true);
    struct stat st {};
    ASSERT_EQ(::stat(N(L"b").c_str(), &st), 0);
    EXPECT_NE(st.st_mtime, 315532802);
}

// A move between two names of one inode that can't put the entry back says
// where it is.
TEST_F(PosixFileSystemTest, AnEntryLeftUnderTheTemporaryNameIsNamedInTheError) {
    PosixFileSystem fs(&RenameNeverBack);
    b.MakeFile(L"a", "x");
    ASSERT_EQ(::link(N(L"a").c_str(), N(L"A").c_str()), 0);
    const auto moved = testing::MoveAt(fs, P(L"a"), P(L"A"));
    ASSERT_FALSE(moved.ok());
    EXPECT_EQ(moved.error().code, EEXIST);
    const std::wstring lead = L"The entry could not be given its name back and is now ";
    const std::wstring& detail = moved.error().detail;
    ASSERT_TRUE(detail.starts_with(lead + P(L".torvane-move-"))) << ToUtf8(detail);
    ASSERT_TRUE(detail.ends_with(L"."));
    const std::wstring left = detail.substr(lead.size(), detail.size() - lead.size() - 1);
    EXPECT_TRUE(fs.GetAttributes(left).ok()) << ToUtf8(left);
}

TEST_F(PosixFileSystemTest, TwoNamesOfOneInodeAreNotMergedByAMove) {
    // On a case-insensitive file system "a" and "A" are one inode and the
    // move goes through a temporary name; here they are two hard links, and
    // the move must fail without losing either.
    b.MakeFile(L"a", "x");
    ASSERT_EQ(::link(N(L"a").c_str(), N(L"A").c_str()), 0);
    EXPECT_EQ(testing::MoveAt(b.posix, P(L"a"), P(L"A")).error().code, EEXIST);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(b.dir.path()))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a"}));
}

TEST_F(PosixFileSystemTest, ProgramPathAndSettingsFolder) {
    const auto program = b.posix.ProgramPath();
    ASSERT_TRUE(program.ok());
    EXPECT_TRUE(program->ends_with(L"/platform_tests"));
    const auto roaming = b.posix.RoamingSettingsFolder();
    ASSERT_TRUE(roaming.ok());
    EXPECT_EQ(roaming->front(), L'/');
    EXPECT_NE(roaming->back(), L'/');
}

// Nothing but a regular file is read: a FIFO would hold the open until a
// writer comes and a read until it writes, a device such as /dev/zero never
// ends. A hang fails by the test's time limit.
TEST(PosixFileReading, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    testing::TempDir dir;
    const std::string lonely = dir.Join("no-writer");
    const std::string fed = dir.Join("with-writer");
    ASSERT_EQ(::mkfifo(lonely.c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(fed.c_str(), 0644), 0);
    ASSERT_EQ(::symlink(lonely.c_str(), dir.Join("link").c_str()), 0);
    // A writer that stays and has written: an open would not wait, a read
    // would return these bytes and then wait for more.
    const int writer = ::open(fed.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "$FileName<>", 11), 11);
    PosixFileSystem fs;
    for (const std::string& path :
         {lonely, fed, dir.Join("link"), std::string("/dev/zero"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        const auto opened = fs.OpenForReading(FromUtf8(path));
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error().code, EINVAL);
        EXPECT_EQ(opened.error().text, L"Not a regular file");
        const auto bytes = fs.ReadFileBytes(FromUtf8(path), 1 << 20);
        ASSERT_FALSE(bytes.ok());
        EXPECT_EQ(bytes.error().code, EINVAL);
    }
    ::close(writer);
}

}  // namespace
}  // namespace torvane
