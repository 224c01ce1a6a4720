#include "engine/disk_steps.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "fake_file_system.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using Call = FakeFileSystem::Call;

constexpr std::uint32_t RO = FILE_ATTRIBUTE_READONLY;
constexpr std::uint32_t SYS = FILE_ATTRIBUTE_SYSTEM;
constexpr std::uint32_t ARC = FILE_ATTRIBUTE_ARCHIVE;
constexpr std::uint32_t COMP = FILE_ATTRIBUTE_COMPRESSED;
constexpr std::uint32_t ENC = FILE_ATTRIBUTE_ENCRYPTED;

FileEntry Entry(const std::wstring& name, std::uint32_t attributes = ARC) {
    FileEntry e;
    e.folderPath = L"/d/";
    e.name = name;
    e.attributes = attributes;
    e.created = 100;
    e.modified = 200;
    e.accessed = 300;
    return e;
}

// Where the steps write: the folder /d of a file system, held open.
struct InD {
    explicit InD(FakeFileSystem& fs) : fs(fs) {
        fs.AddFolder(L"/d");
        folder = std::move(*fs.OpenFolder(L"/d/"));
    }
    operator StepTarget() const { return {fs, *folder}; }

    FakeFileSystem& fs;
    std::unique_ptr<Folder> folder;
};

class DiskStepsTest : public ::testing::Test {
  protected:
    FakeFileSystem fs;
    InD d{fs};
    JobResult result;
    EntryStepState state;
};

// ------------------------------------------------------------------ rename

TEST_F(DiskStepsTest, RenameMovesWithinTheFolder) {
    fs.AddFile(L"/d/a.txt");
    auto next = Entry(L"b.txt");
    EXPECT_TRUE(RenameStep(d, Entry(L"a.txt"), next, state, result));
    EXPECT_TRUE(fs.Exists(L"/d/b.txt"));
    EXPECT_FALSE(state.failed);
    EXPECT_TRUE(result.log.empty());
}

TEST_F(DiskStepsTest, RenameOntoAnExistingNameLogsTheSystemTextAndKeepsBoth) {
    fs.AddFile(L"/d/a.txt");
    fs.AddFile(L"/d/b.txt");
    EXPECT_FALSE(RenameStep(d, Entry(L"a.txt"), Entry(L"b.txt"), state, result));
    EXPECT_TRUE(state.failed);
    EXPECT_FALSE(result.error);  // the caller sets the flag for a failed entry
    ASSERT_EQ(result.log.size(), 1u);
    EXPECT_EQ(result.log[0], L"Error renaming file:  /d/a.txt..........File exists\r\n");
    EXPECT_TRUE(fs.Exists(L"/d/a.txt"));
    EXPECT_TRUE(fs.Exists(L"/d/b.txt"));
}

TEST_F(DiskStepsTest, ReservedCharactersAreLoggedAndNeverReachTheFileSystem) {
    fs.AddFolder(L"/d/sub");
    for (const wchar_t* name :
         {L"a<b", L"a>b", L"a:b", L"a\"b", L"sub/a", L"a\\b", L"a|b", L"a?b", L"a*b"}) {
        JobResult r;
        EntryStepState s;
        fs.AddFile(L"/d/a.txt");
        EXPECT_FALSE(RenameStep(d, Entry(L"a.txt"), Entry(name), s, r)) << name;
        EXPECT_TRUE(s.failed);
        ASSERT_EQ(r.log.size(), 1u);
        EXPECT_EQ(r.log[0],
                  L"Error renaming file:  /d/a.txt..........File name contain invalid "
                  L"character(s). The following characters are reserved and cannot be use in "
                  L"filename: < > : \" / \\ | ? *");
    }
    EXPECT_EQ(fs.CallCount(Call::kMove), 0);
    EXPECT_FALSE(fs.Exists(L"/d/sub/a"));
}

// A name of 128 characters that is over the 255-unit limit only in the file
// system's own unit: UTF-8 bytes on Linux, UTF-16 units on Windows.
std::wstring LongInUnitsOnly() {
    std::wstring name;
    for (int i = 0; i < 128; ++i)
        name += sizeof(wchar_t) == 2 ? L"\U0001F600" : L"\u00E9";
    return name;
}

TEST_F(DiskStepsTest, UnusableNamesAreRefusedWithAReason) {
    fs.AddFile(L"/d/a.txt");
    for (const std::wstring& name : {std::wstring(), std::wstring(L"."), std::wstring(L".."),
                                     std::wstring(256, L'x'), LongInUnitsOnly()}) {
        JobResult r;
        EntryStepState s;
        EXPECT_FALSE(RenameStep(d, Entry(L"a.txt"), Entry(name), s, r)) << name.size();
        EXPECT_TRUE(s.failed);
        ASSERT_EQ(r.log.size(), 1u);
        EXPECT_EQ(r.log[0].rfind(L"Error renaming file:  /d/a.txt..........", 0), 0u);
        EXPECT_GT(r.log[0].size(), 45u);  // a reason follows the dots
    }
    EXPECT_EQ(fs.CallCount(Call::kMove), 0);
    // 255 bytes is still a name.
    EXPECT_TRUE(RenameStep(d, Entry(L"a.txt"), Entry(std::wstring(255, L'x')), state, result));
}

// --------------------------------------------------------------- attributes

struct AttributeCase {
    const char* what;
    std::uint32_t current;
    std::uint32_t next;
    std::vector<std::wstring> changes;
    std::vector<std::wstring> log;
    bool failed;
};

TEST_F(DiskStepsTest, AttributeStepOrdersCompressionAndEncryption) {
    const std::wstring p = L"/d/f";
    const std::wstring notBoth =
        L"Can only set compression attribute or encryption attribute, but not both.";
    const AttributeCase cases[] = {
        {"no compression or encryption to switch: only the new word",
         RO | SYS | ARC,
         RO | ARC,
         {L"SetAttributes /d/f 33"},
         {},
         false},
        {"read-only and system come off before a switch and back last",
         RO | SYS | ARC,
         RO | ARC | COMP,
         {L"SetAttributes /d/f 32", L"SetCompression /d/f on", L"SetAttributes /d/f 2081"},
         {},
         false},
        {"nothing to take off: only the new word",
         ARC,
         ARC | SYS,
         {L"SetAttributes /d/f 36"},
         {},
         false},
        {"compress",
         ARC,
         ARC | COMP,
         {L"SetCompression /d/f on", L"SetAttributes /d/f 2080"},
         {},
         false},
        {"uncompress",
         ARC | COMP,
         ARC,
         {L"SetCompression /d/f off", L"SetAttributes /d/f 32"},
         {},
         false},
        {"neither to both: compressed, then encrypted",
         ARC,
         ARC | COMP | ENC,
         {L"SetCompression /d/f on", L"Encrypt /d/f", L"SetAttributes /d/f 18464"},
         {},
         false},
        {"encrypted to compressed: decrypt, compress, decrypt again",
         ARC | ENC,
         ARC | COMP,
         {L"Decrypt /d/f", L"SetCompression /d/f on", L"Decrypt /d/f", L"SetAttributes /d/f 2080"},
         {},
         false},
        {"encrypted to both: not both, keeps what it has",
         ARC | ENC,
         ARC | COMP | ENC,
         {L"SetAttributes /d/f 16416"},
         {L"Error setting compression attributes:  /d/f.........." + notBoth},
         true},
        {"compressed to both: not both",
         ARC | COMP,
         ARC | COMP | ENC,
         {L"SetAttributes /d/f 2080"},
         {L"Error setting encryption attributes:  /d/f.........." + notBoth},
         true},
    };
    for (const auto& c : cases) {
        FakeFileSystem f;
        f.AddFile(p, c.current);
        JobResult r;
        EntryStepState s;
        AttributeStep(InD(f), Entry(L"f", c.current), Entry(L"f", c.next), s, r);
        EXPECT_EQ(f.changes(), c.changes) << c.what;
        EXPECT_EQ(r.log, c.log) << c.what;
        EXPECT_EQ(s.failed, c.failed) << c.what;
    }
}

TEST_F(DiskStepsTest, AttributeFailuresStillSetTheFinalWord) {
    fs.AddFile(L"/d/f", RO | ARC);
    fs.FailOn(Call::kOpen, L"/d/f", EACCES);
    AttributeStep(d, Entry(L"f", RO | ARC), Entry(L"f", RO | ARC | COMP), state, result);
    EXPECT_TRUE(state.failed);
    EXPECT_EQ(result.log, std::vector<std::wstring>{
                              L"Error changing compression attribute:  /d/f..........Permission "
                              L"denied\r\n"});
    EXPECT_EQ(fs.changes().back(), L"SetAttributes /d/f 33");
}

TEST_F(DiskStepsTest, FailedDecryptSkipsCompressionAndEncryption) {
    fs.AddFile(L"/d/f", ARC | ENC);
    fs.FailOn(Call::kDecrypt, L"/d/f", EOPNOTSUPP);
    AttributeStep(d, Entry(L"f", ARC | ENC), Entry(L"f", ARC | COMP), state, result);
    EXPECT_TRUE(state.failed);
    EXPECT_EQ(result.log, std::vector<std::wstring>{
                              L"Error removing encryption attributes:  /d/f..........Operation "
                              L"not supported\r\n"});
    EXPECT_EQ(fs.CallCount(Call::kDecrypt), 1);
    EXPECT_EQ(fs.CallCount(Call::kOpen), 0);
}

TEST_F(DiskStepsTest, EveryAttributeCallFailingLogsItsOwnLine) {
    fs.AddFile(L"/d/f", SYS | ARC);
    fs.FailOn(Call::kSetAttributes, L"/d/f", EPERM);
    AttributeStep(d, Entry(L"f", SYS | ARC), Entry(L"f", ARC | RO | COMP), state, result);
    EXPECT_EQ(result.log,
              (std::vector<std::wstring>{
                  L"Error changing file attributes:  /d/f..........Operation not permitted\r\n",
                  L"Error setting file attributes:  /d/f..........Operation not permitted\r\n"}));
}

// --------------------------------------------------------------- timestamps

// The entry as the listing saw it: created 50, modified 60, accessed 70.
FileEntry Before(std::uint32_t attributes = ARC) {
    auto e = Entry(L"f", attributes);
    e.created = 50;
    e.modified = 60;
    e.accessed = 70;
    return e;
}

TEST_F(DiskStepsTest, TimestampWritesTheTimesInCreatedAccessedModifiedOrder) {
    fs.AddFile(L"/d/f", ARC);
    TimestampStep(d, Before(), Entry(L"f", ARC), state, result);
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"SetTimes /d/f 100 300 200"});
    const auto node = fs.Lookup(L"/d/f");
    EXPECT_EQ(node->created, 100);
    EXPECT_EQ(node->modified, 200);
    EXPECT_EQ(node->accessed, 300);
}

TEST_F(DiskStepsTest, TimestampLeavesAnUnchangedCreationTimeAlone) {
    fs.AddFile(L"/d/f", ARC);
    auto before = Before();
    before.created = 100;
    TimestampStep(d, before, Entry(L"f", ARC), state, result);
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"SetTimes /d/f - 300 200"});
    EXPECT_TRUE(result.log.empty());
}

TEST_F(DiskStepsTest, ATimestampStepWritesTimesOnlyWhateverTheWord) {
    // Setting times needs ownership, not write permission: a read-only or
    // system entry is neither made writable nor given a word around it.
    for (const std::uint32_t word : {RO | SYS | ARC, RO | ARC, SYS | ARC}) {
        FakeFileSystem f;
        f.AddFile(L"/d/f", word);
        JobResult r;
        EntryStepState s;
        TimestampStep(InD(f), Before(word), Entry(L"f", word), s, r);
        EXPECT_EQ(f.changes(), std::vector<std::wstring>{L"SetTimes /d/f 100 300 200"}) << word;
        EXPECT_EQ(f.CallCount(Call::kSetAttributes), 0) << word;
        EXPECT_TRUE(r.log.empty()) << word;
    }
}

TEST_F(DiskStepsTest, AFailedTimeWriteFailsTheEntryAndChangesNothing) {
    fs.AddFile(L"/d/f", RO | SYS | ARC);
    fs.FailOn(Call::kSetTimes, L"/d/f", EIO);
    TimestampStep(d, Before(RO | SYS | ARC), Entry(L"f", RO | SYS | ARC), state, result);
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_TRUE(state.failed);
    EXPECT_EQ(result.log, std::vector<std::wstring>{
                              L"Error changing timestamp:  /d/f..........Input/output error\r\n"});
}

// An entry whose times can't be set is not changed, even where nothing was
// remembered before (a times step alone writes once): it fails, so that a
// rename before it is put back.
TEST_F(DiskStepsTest, OpenFailureFailsTheEntry) {
    fs.AddFile(L"/d/f", RO | ARC);
    fs.FailOn(Call::kOpen, L"/d/f", EACCES);
    TimestampStep(d, Before(RO | ARC), Entry(L"f", RO | ARC), state, result);
    EXPECT_TRUE(state.failed);
    EXPECT_EQ(result.log, std::vector<std::wstring>{
                              L"Error changing timestamp:  /d/f..........Permission denied\r\n"});
    EXPECT_TRUE(fs.changes().empty());
}

}  // namespace
}  // namespace torvane
