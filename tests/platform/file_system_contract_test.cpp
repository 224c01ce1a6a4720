// The behaviour every FileSystem shares, run against the in-memory fake and
// against the Linux file system on a real temporary folder, so the two can't
// drift apart.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include "win32_backend.hpp"
#else
#include "file_system_backends.hpp"
#endif
#include "path_steps.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

using testing::FakeBackend;
#ifdef _WIN32
using testing::Win32Backend;
#else
using testing::ExfatFuseBackend;
using testing::Ntfs3gBackend;
using testing::PosixBackend;
using testing::PosixOlderKernelBackend;
#endif

// Skips a case on a volume that lacks what it needs (see Everything).
#define NEEDS(ability)       \
    if (!TypeParam::ability) \
    GTEST_SKIP() << TypeParam::kName << " volumes lack " #ability " (" << TypeParam::kWhy << ")"

template <class Backend>
class FileSystemContract : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto why = backend.Unsupported(); !why.empty())
            GTEST_SKIP() << why;
    }

    FileSystem& fs() { return backend.fs(); }
    std::wstring P(const std::wstring& rel) const { return backend.Root() + rel; }
    std::uint32_t Word(const std::wstring& rel) {
        auto word = fs().GetAttributes(P(rel));
        EXPECT_TRUE(word.ok()) << (word.ok() ? "" : ToUtf8(word.error().text));
        return word.ok() ? *word : INVALID_FILE_ATTRIBUTES;
    }
    FindRecord Find(const std::wstring& rel) {
        auto record = fs().FindEntry(P(rel));
        EXPECT_TRUE(record.ok());
        return record.ok() ? *record : FindRecord{};
    }
    void SetTimes(const std::wstring& rel, std::int64_t c, std::int64_t a, std::int64_t m) {
        auto handle = testing::OpenAt(fs(), P(rel));
        ASSERT_TRUE(handle.ok());
        const auto st = (*handle)->SetTimes(c, a, m);
        ASSERT_TRUE(st.ok()) << ToUtf8(st.error().text);
    }
    int MoveError(const std::wstring& from, const std::wstring& to) {
        const auto st = testing::MoveAt(fs(), P(from), P(to));
        return st.ok() ? 0 : st.error().code;
    }
    // The whole contents of a file, read through OpenForReading in small pieces.
    std::string Contents(const std::wstring& rel) {
        auto file = fs().OpenForReading(P(rel));
        EXPECT_TRUE(file.ok());
        if (!file.ok())
            return "<unreadable>";
        std::string contents;
        unsigned char piece[3];
        for (;;) {
            const auto n = (*file)->Read(piece, sizeof piece);
            EXPECT_TRUE(n.ok());
            if (!n.ok() || *n == 0)
                return contents;
            contents.append(reinterpret_cast<const char*>(piece), *n);
        }
    }
    // Opens a file for writing and writes `bytes`.
    std::unique_ptr<OutputFile> Written(const std::wstring& rel, WriteMode mode,
                                        const std::string& bytes) {
        auto file = fs().OpenForWriting(P(rel), mode);
        EXPECT_TRUE(file.ok()) << (file.ok() ? "" : ToUtf8(file.error().text));
        if (!file.ok())
            return nullptr;
        const auto data = reinterpret_cast<const unsigned char*>(bytes.data());
        EXPECT_TRUE((*file)->Write(data, bytes.size()).ok());
        return std::move(*file);
    }
    std::vector<std::wstring> Names(const std::wstring& rel) {
        auto records = fs().FindEntries(P(rel));
        EXPECT_TRUE(records.ok());
        std::vector<std::wstring> names;
        if (records.ok())
            for (const auto& r : *records)
                names.push_back(r.name.wide());
        std::sort(names.begin(), names.end());
        return names;
    }

    Backend backend;
};

#ifdef _WIN32
using Backends = ::testing::Types<FakeBackend, Win32Backend>;
#else
using Backends = ::testing::Types<FakeBackend, PosixBackend, PosixOlderKernelBackend, Ntfs3gBackend,
                                  ExfatFuseBackend>;
#endif
class BackendNames {
  public:
    template <class T>
    static std::string GetName(int) {
        return T::kName;
    }
};
TYPED_TEST_SUITE(FileSystemContract, Backends, BackendNames);

TYPED_TEST(FileSystemContract, NothingThereIsNotFoundForEveryCall) {
    this->backend.MakeFile(L"file");
    auto& fs = this->fs();
    const auto missing = this->P(L"missing");
    EXPECT_TRUE(IsNotFound(fs.GetAttributes(missing).error()));
    EXPECT_TRUE(IsNotFound(fs.GetAttributes(this->P(L"file/below")).error()));
    EXPECT_TRUE(IsNotFound(fs.FindEntry(missing).error()));
    EXPECT_TRUE(IsNotFound(fs.FindEntries(missing + L"/").error()));
    EXPECT_TRUE(IsNotFound(testing::SetAttributesAt(fs, missing, FILE_ATTRIBUTE_HIDDEN).error()));
    EXPECT_TRUE(IsNotFound(testing::OpenAt(fs, missing).error()));
    EXPECT_TRUE(IsNotFound(testing::MoveAt(fs, missing, this->P(L"other")).error()));
    EXPECT_TRUE(IsNotFound(fs.ReadFileBytes(missing, 100).error()));
    EXPECT_TRUE(IsNotFound(fs.CreateDirectory(this->P(L"missing/sub")).error()));
    EXPECT_TRUE(IsNotFound(fs.OpenForReading(missing).error()));
    for (auto mode : {WriteMode::kTruncate, WriteMode::kReplaceWhenComplete}) {
        EXPECT_TRUE(IsNotFound(fs.OpenForWriting(this->P(L"missing/f"), mode).error()));
        EXPECT_TRUE(IsNotFound(fs.OpenForWriting(this->P(L"file/f"), mode).error()));
    }
    EXPECT_EQ(fs.FindEntries(this->P(L"file/")).error().code, ENOTDIR);
}

TYPED_TEST(FileSystemContract, NewEntriesReadAsAWindowsClientSeesThem) {
    NEEDS(kSambaView);
    this->backend.MakeFile(L"plain");
    this->backend.MakeFile(L".profile");
    this->backend.MakeFolder(L"folder");
    this->backend.MakeFolder(L".config");
    EXPECT_EQ(this->Word(L"plain"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(this->Word(L".profile"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(this->Word(L"folder"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(this->Word(L".config"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
}

TYPED_TEST(FileSystemContract, AttributeWordsReadBackOneAfterAnother) {
    NEEDS(kKeepsAttributes);
    this->backend.MakeFile(L"f");
    struct Case {
        std::uint32_t set;
        std::uint32_t read;
    };
    // One file through every change, Read-only on and off included.
    const Case cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, 0x20},
        {FILE_ATTRIBUTE_READONLY, 0x1},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 0x6},
        {0x27 | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 0x2027},
        {FILE_ATTRIBUTE_TEMPORARY, 0x100},
        {0, FILE_ATTRIBUTE_NORMAL},
        {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
        // Directory, Compressed and Encrypted are not the word's to give.
        {0x10 | 0x800 | 0x4000 | 0x20, 0x20},
    };
    for (const auto& c : cases) {
        const auto st = testing::SetAttributesAt(this->fs(), this->P(L"f"), c.set);
        ASSERT_TRUE(st.ok()) << std::hex << c.set << ": " << ToUtf8(st.error().text);
        EXPECT_EQ(this->Word(L"f"), c.read) << std::hex << "set " << c.set;
        EXPECT_EQ(this->Find(L"f").attributes, c.read) << std::hex << "set " << c.set;
    }
}

TYPED_TEST(FileSystemContract, FolderKeepsItsDirectoryBit) {
    NEEDS(kKeepsAttributes);
    this->backend.MakeFolder(L"d");
    ASSERT_TRUE(testing::SetAttributesAt(this->fs(), this->P(L"d"), FILE_ATTRIBUTE_HIDDEN).ok());
    EXPECT_EQ(this->Word(L"d"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(testing::SetAttributesAt(this->fs(), this->P(L"d"), 0).ok());
    EXPECT_EQ(this->Word(L"d"), FILE_ATTRIBUTE_DIRECTORY);
}

TYPED_TEST(FileSystemContract, StoredWordDecidesOverADotName) {
    NEEDS(kKeepsAttributes);
    this->backend.MakeFile(L".hidden");
    ASSERT_TRUE(
        testing::SetAttributesAt(this->fs(), this->P(L".hidden"), FILE_ATTRIBUTE_ARCHIVE).ok());
    EXPECT_EQ(this->Word(L".hidden"), FILE_ATTRIBUTE_ARCHIVE);
}

TYPED_TEST(FileSystemContract, SettingTimesKeepsTheDotNameHidden) {
    NEEDS(kSambaView);
    NEEDS(kKeepsAttributes);
    this->backend.MakeFile(L".dot");
    this->SetTimes(L".dot", 1000000000, 1100000000, 1200000000);
    EXPECT_EQ(this->Word(L".dot"), FILE_ATTRIBUTE_HIDDEN);
}

TYPED_TEST(FileSystemContract, TimesReadBackIncludingBefore1970) {
    NEEDS(kAnyTime);
    this->backend.MakeFile(L"f");
    struct Case {
        std::int64_t created, accessed, modified;
    };
    for (const auto& c : {Case{1000000000, 1100000000, 1200000000},
                          Case{-315619200, -315619199, -315619198}, Case{0, 1, 2}}) {
        this->SetTimes(L"f", c.created, c.accessed, c.modified);
        const auto r = this->Find(L"f");
        if (TypeParam::kKeepsAttributes) {
            EXPECT_EQ(r.created, c.created);
        }
        EXPECT_EQ(r.accessed, c.accessed);
        EXPECT_EQ(r.modified, c.modified);
    }
}

TYPED_TEST(FileSystemContract, FindEntriesGivesEveryEntryOnceWithTheSameRecordAsFindEntry) {
    NEEDS(kSambaView);
    NEEDS(kKeepsAttributes);
    NEEDS(kLinksAndFifos);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/a.txt");
    this->backend.MakeFile(L"d/b");
    this->backend.MakeFolder(L"d/sub");
    this->backend.MakeSymlink(L"d/link");
    ASSERT_TRUE(testing::SetAttributesAt(this->fs(), this->P(L"d/b"), 0x23).ok());
    this->SetTimes(L"d/b", 1000, 2000, 3000);
    EXPECT_EQ(this->Names(L"d/"),
              (std::vector<std::wstring>{L".", L"..", L"a.txt", L"b", L"link", L"sub"}));
    auto records = this->fs().FindEntries(this->P(L"d/"));
    ASSERT_TRUE(records.ok());
    for (const auto& r : *records) {
        if (r.name == L"." || r.name == L"..")
            continue;
        EXPECT_EQ(r, this->Find(L"d/" + r.name.wide())) << r.name;
    }
    EXPECT_EQ(this->Find(L"d/b"), (FindRecord{L"b", 0x23, 1000, 3000, 2000}));
    EXPECT_EQ(this->Find(L"d/sub").attributes, FILE_ATTRIBUTE_DIRECTORY);
}

TYPED_TEST(FileSystemContract, SymbolicLinksAreEntriesOfTheirOwn) {
    NEEDS(kLinksAndFifos);
    this->backend.MakeSymlink(L"link");
    // Not followed: a link to a folder is no folder, and holds no word.
    EXPECT_EQ(this->Word(L"link"), FILE_ATTRIBUTE_REPARSE_POINT);
    this->backend.MakeSymlink(L".link");
    EXPECT_EQ(this->Word(L".link"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(
        testing::SetAttributesAt(this->fs(), this->P(L"link"), FILE_ATTRIBUTE_HIDDEN).error().code,
        EPERM);
    auto handle = testing::OpenAt(this->fs(), this->P(L"link"));
    ASSERT_TRUE(handle.ok());
    EXPECT_EQ((*handle)->SetTimes(1, 2, 3).error().code, EPERM);
}

TYPED_TEST(FileSystemContract, MoveCarriesWordAndTimesAlong) {
    NEEDS(kKeepsAttributes);
    this->backend.MakeFile(L"a", "content");
    ASSERT_TRUE(testing::SetAttributesAt(this->fs(), this->P(L"a"), 0x27).ok());
    this->SetTimes(L"a", 1000, 2000, 3000);
    ASSERT_EQ(this->MoveError(L"a", L"b"), 0);
    EXPECT_TRUE(IsNotFound(this->fs().GetAttributes(this->P(L"a")).error()));
    EXPECT_EQ(this->Find(L"b"), (FindRecord{L"b", 0x27, 1000, 3000, 2000}));
    EXPECT_EQ(*this->fs().ReadFileBytes(this->P(L"b"), 100), "content");
}

TYPED_TEST(FileSystemContract, MoveNeverReplacesAnExistingEntry) {
    this->backend.MakeFile(L"a", "A");
    this->backend.MakeFile(L"b", "B");
    this->backend.MakeFolder(L"d");
    this->backend.MakeFolder(L"empty");
    EXPECT_EQ(this->MoveError(L"a", L"b"), EEXIST);
    EXPECT_EQ(this->MoveError(L"d", L"empty"), EEXIST);  // rename(2) would replace it
    EXPECT_EQ(this->MoveError(L"a", L"d"), EEXIST);
    EXPECT_EQ(*this->fs().ReadFileBytes(this->P(L"a"), 10), "A");
    EXPECT_EQ(*this->fs().ReadFileBytes(this->P(L"b"), 10), "B");
    EXPECT_EQ(this->Names(L""),
              (std::vector<std::wstring>{L".", L"..", L"a", L"b", L"d", L"empty"}));
}

TYPED_TEST(FileSystemContract, MoveOfFoldersAndNames) {
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/x");
    this->backend.MakeFile(L"name");
    EXPECT_EQ(this->MoveError(L"name", L"name"), 0);
    EXPECT_EQ(this->MoveError(L"name", L"NAME"), 0);
    EXPECT_EQ(this->MoveError(L"d", L"d/inner"), EINVAL);
    ASSERT_EQ(this->MoveError(L"d", L"e"), 0);
    EXPECT_EQ(this->Names(L"e/"), (std::vector<std::wstring>{L".", L"..", L"x"}));
    EXPECT_EQ(this->Names(L""), (std::vector<std::wstring>{L".", L"..", L"NAME", L"e"}));
}

TYPED_TEST(FileSystemContract, NamesThatAreNotUtf8SurviveListingAndMoving) {
    NEEDS(kAnyByteNames);
    const std::wstring odd = L"caf\xDCE9.txt";  // the Latin-1 byte E9 on disk
    this->backend.MakeFile(odd);
    EXPECT_EQ(this->Names(L""), (std::vector<std::wstring>{L".", L"..", odd}));
    ASSERT_EQ(this->MoveError(odd, L"\xDCFF" + odd), 0);
    EXPECT_EQ(this->Find(L"\xDCFF" + odd).name, L"\xDCFF" + odd);
}

TYPED_TEST(FileSystemContract, CreateDirectoryMakesOneNewFolder) {
    NEEDS(kSambaView);
    auto& fs = this->fs();
    ASSERT_TRUE(fs.CreateDirectory(this->P(L"new")).ok());
    EXPECT_EQ(this->Word(L"new"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(fs.CreateDirectory(this->P(L"new")).error().code, EEXIST);
}

TYPED_TEST(FileSystemContract, ReadFileBytesUpToItsLimit) {
    this->backend.MakeFile(L"f", "12345");
    this->backend.MakeFolder(L"d");
    auto& fs = this->fs();
    EXPECT_EQ(*fs.ReadFileBytes(this->P(L"f"), 5), "12345");
    EXPECT_EQ(fs.ReadFileBytes(this->P(L"f"), 4).error().code, EFBIG);
    EXPECT_EQ(fs.ReadFileBytes(this->P(L"d"), 5).error().code, EISDIR);
}

// A FIFO lists as a file but is never read: opening it would wait for a
// writer, and reading it may never end (the Linux case hangs, and so fails by
// the test's time limit, if the open waits).
TYPED_TEST(FileSystemContract, WhatIsNoRegularFileIsRefusedByReading) {
    NEEDS(kLinksAndFifos);
    this->backend.MakeFifo(L"pipe");
    auto& fs = this->fs();
    EXPECT_EQ(this->Word(L"pipe"), FILE_ATTRIBUTE_NORMAL);
    const auto opened = fs.OpenForReading(this->P(L"pipe"));
    ASSERT_FALSE(opened.ok());
    const auto bytes = fs.ReadFileBytes(this->P(L"pipe"), 100);
    ASSERT_FALSE(bytes.ok());
    for (const SystemError& error : {opened.error(), bytes.error()}) {
        EXPECT_EQ(error.code, EINVAL);
        EXPECT_EQ(error.text, L"Not a regular file");
    }
}

// Nor is one written: it would block, or be put out of place by a new file.
TYPED_TEST(FileSystemContract, WhatIsNoRegularFileIsNeverWrittenNorReplaced) {
    NEEDS(kLinksAndFifos);
    this->backend.MakeFifo(L"pipe");
    for (auto mode : {WriteMode::kTruncate, WriteMode::kReplaceWhenComplete}) {
        const auto opened = this->fs().OpenForWriting(this->P(L"pipe"), mode);
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error().code, EINVAL);
        EXPECT_EQ(opened.error().text, L"Not a regular file (it is a FIFO); it was left as it is");
    }
    EXPECT_FALSE(this->fs().OpenForReading(this->P(L"pipe")).ok());  // still no file
}

TYPED_TEST(FileSystemContract, DecryptingWhatIsNotEncryptedSucceeds) {
    NEEDS(kSambaView);
    this->backend.MakeFile(L"f");
    EXPECT_TRUE(testing::DecryptAt(this->fs(), this->P(L"f")).ok());
    EXPECT_EQ(this->Word(L"f"), FILE_ATTRIBUTE_NORMAL);
}

TYPED_TEST(FileSystemContract, SystemMessageEndsWithALineBreak) {
    EXPECT_EQ(this->fs().SystemMessage(ENOENT), L"No such file or directory\r\n");
    EXPECT_EQ(this->fs().SystemMessage(EOPNOTSUPP), L"Operation not supported\r\n");
}

// ---- Folders held open ----

TYPED_TEST(FileSystemContract, AnOpenFolderListsWhatItsPathListsWithEachEntrysId) {
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/a");
    this->backend.MakeFolder(L"d/sub");
    auto folder = this->fs().OpenFolder(this->P(L"d"));
    ASSERT_TRUE(folder.ok());
    EXPECT_EQ((*folder)->path(), this->P(L"d/"));
    auto held = (*folder)->FindEntries();
    auto byPath = this->fs().FindEntries(this->P(L"d/"));
    ASSERT_TRUE(held.ok() && byPath.ok());
    EXPECT_EQ(*held, *byPath);
    for (const auto& r : *held) {
        if (r.name == L".") {
            EXPECT_EQ(r.id, (*folder)->id());
        }
        if (r.name == L"sub") {
            auto sub = (*folder)->OpenFolder(L"sub", r.id);
            ASSERT_TRUE(sub.ok());
            EXPECT_EQ((*sub)->id(), r.id);
            EXPECT_EQ((*sub)->path(), this->P(L"d/sub/"));
        }
    }
    // An entry keeps its id when renamed.
    const auto before = this->Find(L"d/a").id;
    EXPECT_NE(before, FileId{});
    ASSERT_EQ(this->MoveError(L"d/a", L"d/b"), 0);
    EXPECT_EQ(this->Find(L"d/b").id, before);
}

TYPED_TEST(FileSystemContract, AnOpenFolderActsInsideItselfAfterItsPathChanges) {
    NEEDS(kSambaView);
    NEEDS(kKeepsAttributes);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/f", "mine");
    auto folder = this->fs().OpenFolder(this->P(L"d/"));
    ASSERT_TRUE(folder.ok());
    // Another program moves the folder away and puts a decoy in its place.
    ASSERT_EQ(this->MoveError(L"d", L"moved"), 0);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/f", "decoy");
    Folder& f = **folder;
    ASSERT_TRUE(f.SetAttributes(L"f", FILE_ATTRIBUTE_HIDDEN).ok());
    ASSERT_TRUE(f.Move(L"f", L"g").ok());
    auto handle = f.Open(L"g");
    ASSERT_TRUE(handle.ok());
    ASSERT_TRUE((*handle)->SetTimes(1000, 2000, 3000).ok());
    EXPECT_EQ(this->Find(L"moved/g"), (FindRecord{L"g", FILE_ATTRIBUTE_HIDDEN, 1000, 3000, 2000}));
    EXPECT_EQ(*this->fs().ReadFileBytes(this->P(L"moved/g"), 10), "mine");
    EXPECT_EQ(this->Names(L"d/"), (std::vector<std::wstring>{L".", L"..", L"f"}));
    EXPECT_EQ(this->Word(L"d/f"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(*f.GetAttributes(L"g"), FILE_ATTRIBUTE_HIDDEN);
}

// An open folder's file read at any offset, inside that very folder after
// its path has been taken by another.
TYPED_TEST(FileSystemContract, AnOpenFolderReadsAFileAtAnyOffset) {
    if (!TypeParam::kReadsFiles)
        GTEST_SKIP() << TypeParam::kName << " can't read an open folder's files yet";
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/f", "0123456789");
    this->backend.MakeFile(L"d/empty");
    auto folder = this->fs().OpenFolder(this->P(L"d/"));
    ASSERT_TRUE(folder.ok());
    ASSERT_EQ(this->MoveError(L"d", L"moved"), 0);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/f", "decoy");
    auto reader = (*folder)->OpenForReading(L"f");
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ((*reader)->Size(), 10u);
    struct Case {
        std::uint64_t offset;
        std::size_t size;
        std::string want;
    };
    const Case cases[] = {{3, 4, "3456"}, {0, 10, "0123456789"}, {8, 5, "89"},
                          {10, 1, ""},    {1000, 4, ""},         {5, 0, ""}};
    for (const Case& c : cases) {
        unsigned char buffer[16] = {};
        const auto got = (*reader)->ReadAt(c.offset, buffer, c.size);
        ASSERT_TRUE(got.ok()) << c.offset;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), *got), c.want) << c.offset;
    }
    auto empty = (*folder)->OpenForReading(L"empty");
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ((*empty)->Size(), 0u);
    EXPECT_TRUE(IsNotFound((*folder)->OpenForReading(L"missing").error()));
}

// Only a regular file is opened: a link is not followed (ELOOP), a folder
// is EISDIR, a FIFO is refused without waiting for a writer.
TYPED_TEST(FileSystemContract, AnOpenFolderReadsNothingButARegularFile) {
    NEEDS(kLinksAndFifos);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFolder(L"d/sub");
    this->backend.MakeSymlink(L"d/link");
    this->backend.MakeFifo(L"d/pipe");
    auto folder = this->fs().OpenFolder(this->P(L"d/"));
    ASSERT_TRUE(folder.ok());
    EXPECT_EQ((*folder)->OpenForReading(L"link").error().code, ELOOP);
    EXPECT_EQ((*folder)->OpenForReading(L"sub").error().code, EISDIR);
    const auto pipe = (*folder)->OpenForReading(L"pipe");
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.error().code, EINVAL);
    EXPECT_EQ(pipe.error().text, L"Not a regular file");
}

TYPED_TEST(FileSystemContract, OpeningASubfolderNeverFollowsALinkNorTakesAnotherFolder) {
    NEEDS(kLinksAndFifos);
    this->backend.MakeFolder(L"d");
    this->backend.MakeFolder(L"d/sub");
    this->backend.MakeFile(L"d/file");
    this->backend.MakeSymlink(L"d/link");
    auto folder = this->fs().OpenFolder(this->P(L"d"));
    ASSERT_TRUE(folder.ok());
    const FileId listed = this->Find(L"d/sub").id;
    ASSERT_EQ(this->MoveError(L"d/sub", L"d/away"), 0);
    this->backend.MakeFolder(L"d/sub");
    const auto code = [&](const std::wstring& name, const FileId& expected) {
        auto sub = (*folder)->OpenFolder(name, expected);
        return sub.ok() ? 0 : sub.error().code;
    };
    EXPECT_EQ(code(L"sub", listed), kFolderReplaced);
    EXPECT_EQ(code(L"away", listed), 0);
    EXPECT_EQ(code(L"sub", FileId{}), 0);
    EXPECT_EQ(code(L"link", FileId{}), ENOTDIR);
    EXPECT_EQ(code(L"file", FileId{}), ENOTDIR);
    EXPECT_EQ(code(L"missing", FileId{}), ENOENT);
}

TYPED_TEST(FileSystemContract, AnOpenFolderNeverReplacesOnAMove) {
    this->backend.MakeFolder(L"d");
    this->backend.MakeFile(L"d/a", "A");
    this->backend.MakeFile(L"d/b", "B");
    auto folder = this->fs().OpenFolder(this->P(L"d"));
    ASSERT_TRUE(folder.ok());
    EXPECT_EQ((*folder)->Move(L"a", L"b").error().code, EEXIST);
    EXPECT_EQ(*this->fs().ReadFileBytes(this->P(L"d/b"), 10), "B");
    EXPECT_EQ((*folder)->SetAttributes(L"missing", 0).error().code, ENOENT);
    EXPECT_EQ(this->fs().OpenFolder(this->P(L"d/a")).error().code, ENOTDIR);
    EXPECT_TRUE(IsNotFound(this->fs().OpenFolder(this->P(L"nothing")).error()));
}

TYPED_TEST(FileSystemContract, WrittenFilesReadBackInBothModes) {
    this->backend.MakeFile(L"old", "old contents");
    for (auto mode : {WriteMode::kTruncate, WriteMode::kReplaceWhenComplete}) {
        for (const auto& name : {std::wstring(L"new"), std::wstring(L"old")}) {
            auto file = this->Written(name, mode, "written\r\n");
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(file->Commit().ok());
            EXPECT_EQ(this->Contents(name), "written\r\n");
            EXPECT_EQ(*this->fs().ReadFileBytes(this->P(name), 100), "written\r\n");
        }
    }
    auto empty = this->Written(L"empty", WriteMode::kReplaceWhenComplete, "");
    ASSERT_TRUE(empty->Commit().ok());
    EXPECT_EQ(this->Contents(L"empty"), "");
    EXPECT_EQ(this->Names(L""), (std::vector<std::wstring>{L".", L"..", L"empty", L"new", L"old"}));
}

TYPED_TEST(FileSystemContract, ReplacingShowsTheOldFileUntilCommitted) {
    this->backend.MakeFile(L"f", "old");
    {
        auto abandoned = this->Written(L"f", WriteMode::kReplaceWhenComplete, "new");
        EXPECT_EQ(this->Contents(L"f"), "old");
    }
    EXPECT_EQ(this->Contents(L"f"), "old");
    auto file = this->Written(L"f", WriteMode::kReplaceWhenComplete, "new");
    EXPECT_EQ(this->Contents(L"f"), "old");
    ASSERT_TRUE(file->Commit().ok());
    EXPECT_EQ(this->Contents(L"f"), "new");
    EXPECT_EQ(this->Names(L""), (std::vector<std::wstring>{L".", L"..", L"f"}));  // nothing beside
}

TYPED_TEST(FileSystemContract, TruncatingEmptiesTheFileAtOnce) {
    this->backend.MakeFile(L"f", "old contents");
    auto file = this->fs().OpenForWriting(this->P(L"f"), WriteMode::kTruncate);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(this->Contents(L"f"), "");
    file->reset();  // abandoned: what was written stays
    EXPECT_EQ(this->Contents(L"f"), "");
}

TYPED_TEST(FileSystemContract, FoldersAreNeitherReadNorWrittenAsFiles) {
    this->backend.MakeFolder(L"d");
    auto& fs = this->fs();
    EXPECT_EQ(fs.OpenForReading(this->P(L"d")).error().code, EISDIR);
    for (auto mode : {WriteMode::kTruncate, WriteMode::kReplaceWhenComplete})
        EXPECT_EQ(fs.OpenForWriting(this->P(L"d"), mode).error().code, EISDIR);
}

}  // namespace
}  // namespace torvane
