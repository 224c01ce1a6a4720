#include "filelist/list_path.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fake_file_system.hpp"
#include "path_steps.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "recording_progress.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using testing::RecordingProgress;

constexpr std::uint32_t H = FILE_ATTRIBUTE_HIDDEN;
constexpr std::uint32_t S = FILE_ATTRIBUTE_SYSTEM;
constexpr std::uint32_t A = FILE_ATTRIBUTE_ARCHIVE;

// Records the names icons were asked for; fails for names in `missing`.
class FakeIcons : public IconProvider {
  public:
    bool AppendIconForName(const std::wstring& name) override {
        asked.push_back(name);
        return name != missing;
    }
    void TruncateIcons(std::size_t count) override { truncatedTo.push_back(count); }

    std::vector<std::wstring> asked;
    std::vector<std::size_t> truncatedTo;
    std::wstring missing = L"filename.none";
};

class ListPathTest : public ::testing::Test {
  protected:
    ListContext Context(IconCache* icons = nullptr) {
        return ListContext{fs, dialogs, progress, icons, options, attributeTarget, root};
    }
    FileEntries List(const std::wstring& path, IconCache* icons = nullptr) {
        FileEntries out;
        ListPath(Context(icons), path, out);
        return out;
    }
    static std::vector<std::wstring> Names(const FileEntries& entries) {
        std::vector<std::wstring> names;
        for (const auto& e : entries)
            names.push_back(e.name.wide());
        return names;
    }
    std::vector<std::wstring> ListedNames(const std::wstring& path) { return Names(List(path)); }
    RecordingDialogs::Message ErrorBox(const std::wstring& systemText) const {
        return {L"Error!  " + systemText + L"\r\n", L"Error", MessageIcon::kError,
                MessageButtons::kOk};
    }

    FakeFileSystem fs;
    RecordingDialogs dialogs;
    RecordingProgress progress;
    ListOptions options;
    AttributeTarget attributeTarget = AttributeTarget::kBoth;
    std::wstring root;
};

using NameList = std::vector<std::wstring>;

TEST_F(ListPathTest, FoldersFirstThenFilesEachInLogicalOrder) {
    for (const auto* n : {L"/r/b", L"/r/a10", L"/r/a2"})
        fs.AddFile(n);
    fs.AddFolder(L"/r/Z");
    fs.AddFolder(L"/r/y");
    options.retrieve = Retrieve::kFilesAndFolders;
    const auto entries = List(L"/r");
    EXPECT_EQ(Names(entries), (NameList{L"y", L"Z", L"a2", L"a10", L"b"}));
    EXPECT_EQ(entries[0].folderPath, L"/r/");
    EXPECT_EQ(entries[0].Extension(), L"");
}

TEST_F(ListPathTest, OldEntriesAreSortedWithTheNewFolders) {
    fs.AddFolder(L"/r/a");
    fs.AddFile(L"/r/c");
    options.retrieve = Retrieve::kFilesAndFolders;
    FileEntries out(1);
    out[0].name = L"b";
    ListPath(Context(), L"/r/", out);
    EXPECT_EQ(Names(out), (NameList{L"a", L"b", L"c"}));
}

TEST_F(ListPathTest, RetrieveOptionChoosesFilesOrFolders) {
    fs.AddFolder(L"/r/dir");
    fs.AddFile(L"/r/file");
    const std::pair<Retrieve, NameList> cases[] = {
        {Retrieve::kFiles, {L"file"}},
        {Retrieve::kFolders, {L"dir"}},
        {Retrieve::kFilesAndFolders, {L"dir", L"file"}},
    };
    for (const auto& [option, expected] : cases) {
        options.retrieve = option;
        EXPECT_EQ(ListedNames(L"/r/"), expected) << static_cast<int>(option);
    }
}

TEST_F(ListPathTest, HiddenSystemOptionLooksAtHiddenAndSystemOnly) {
    fs.AddFile(L"/r/plain", A);
    fs.AddFile(L"/r/h", H | A);
    fs.AddFile(L"/r/s", S);
    fs.AddFile(L"/r/hs", H | S | FILE_ATTRIBUTE_READONLY);
    fs.AddFolder(L"/r/hdir", H);
    options.retrieve = Retrieve::kFilesAndFolders;
    const std::pair<HiddenSystem, NameList> cases[] = {
        {HiddenSystem::kNone, {L"plain"}},
        {HiddenSystem::kHidden, {L"hdir", L"h", L"hs", L"plain"}},
        {HiddenSystem::kSystem, {L"hs", L"plain", L"s"}},
        {HiddenSystem::kHiddenNoSystem, {L"hdir", L"h", L"plain"}},
        {HiddenSystem::kHiddenAndSystem, {L"hdir", L"h", L"hs", L"plain", L"s"}},
    };
    for (const auto& [option, expected] : cases) {
        options.hiddenSystem = option;
        EXPECT_EQ(ListedNames(L"/r/"), expected) << static_cast<int>(option);
    }
}

TEST_F(ListPathTest, TemporaryEntriesAndShortcutsAreNeverListed) {
    fs.AddFile(L"/r/keep.txt");
    fs.AddFile(L"/r/scratch.tmp", A | FILE_ATTRIBUTE_TEMPORARY);
    fs.AddFolder(L"/r/tempdir", FILE_ATTRIBUTE_TEMPORARY);
    fs.AddFile(L"/r/App.lnk");
    fs.AddFile(L"/r/OTHER.LNK");
    fs.AddFolder(L"/r/folder.lnk");
    options = {Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem};
    EXPECT_EQ(ListedNames(L"/r/"), (NameList{L"keep.txt"}));
    // Not even when it is the one file chosen.
    EXPECT_EQ(ListedNames(L"/r/scratch.tmp"), NameList{});
    EXPECT_EQ(ListedNames(L"/r/App.lnk"), NameList{});
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ListPathTest, SingleFileIsListedWhateverTheOptions) {
    fs.AddFile(L"/r/sub/Photo.JPG", H | S, 1000);
    options = {Retrieve::kFolders, false, HiddenSystem::kNone};
    const auto entries = List(L"/r/sub/Photo.JPG");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (FileEntry{L"/r/sub/", L"Photo.JPG", 1000, 1000, 1000, {}, H | S, 0}));
}

TEST_F(ListPathTest, UnreadablePathShowsTheErrorAndLeavesTheSequence) {
    FileEntries out(1);
    out[0].name = L"kept";
    ListPath(Context(), L"/missing/file.txt", out);
    EXPECT_EQ(Names(out), NameList{L"kept"});
    EXPECT_EQ(dialogs.messages(), std::vector{ErrorBox(L"No such file or directory")});
}

TEST_F(ListPathTest, UnreadableRootIsReportedByTheCountAndByTheListing) {
    fs.AddFolder(L"/r");
    fs.FailOn(FakeFileSystem::Call::kFindEntries, L"/r/", EACCES);
    root = L"/r/";
    EXPECT_EQ(ListedNames(L"/r"), NameList{});
    EXPECT_EQ(dialogs.messages(),
              (std::vector{ErrorBox(L"Permission denied"), ErrorBox(L"Permission denied")}));
    EXPECT_EQ(progress.calls(), (std::vector<std::string>{"SetRange 0 65535", "SetStep 1"}));
}

TEST_F(ListPathTest, ProgressCountsTheRootAndStepsPerListedEntry) {
    fs.AddFile(L"/r/a");
    fs.AddFile(L"/r/b");
    fs.AddFile(L"/r/h", H);
    fs.AddFile(L"/other/1");
    const std::vector<std::string> steps = {"StepIt", "StepIt", "SetPos 0"};
    struct Case {
        std::wstring root;
        std::string range;
    };
    for (const auto& c : {Case{L"/r/", "SetRange 0 2"}, Case{L"/r", "SetRange 0 2"},
                          Case{L"/other/", "SetRange 0 1"}, Case{L"", "SetRange 0 65535"},
                          Case{L"/r/a", "SetRange 0 65535"}}) {
        root = c.root;
        progress.Clear();
        List(L"/r/");
        auto expected = std::vector<std::string>{c.range, "SetStep 1"};
        expected.insert(expected.end(), steps.begin(), steps.end());
        EXPECT_EQ(progress.calls(), expected) << ToUtf8(c.root);
    }
    // The listing's own read serves the root's count.
    EXPECT_EQ(fs.CallCount(FakeFileSystem::Call::kFindEntries), 6);
}

TEST_F(ListPathTest, IconsComeFromTheCacheByExactExtension) {
    FakeIcons provider;
    IconCache icons(&provider);
    for (const auto* n : {L"/r/a.TXT", L"/r/b.txt", L"/r/c.txt", L"/r/d.exe", L"/r/e.EXE",
                          L"/r/noext", L"/r/x.none"})
        fs.AddFile(n);
    fs.AddFolder(L"/r/dir");
    options.retrieve = Retrieve::kFilesAndFolders;
    const auto entries = List(L"/r/", &icons);
    std::vector<std::uint64_t> indexes;
    for (const auto& e : entries)
        indexes.push_back(e.iconIndex);
    // dir, a.TXT, b.txt, c.txt, d.exe, e.EXE, noext, x.none
    EXPECT_EQ(indexes, (std::vector<std::uint64_t>{2, 5, 6, 6, 7, 8, 9, 0}));
    EXPECT_EQ(icons.keys(),
              (std::vector<std::wstring>{L"generic", L".exe", L"folder", L"unchecked", L"checked",
                                         L".TXT", L".txt", L".exe", L".EXE", L""}));
    EXPECT_EQ(provider.asked.back(), L"filename.none");
    EXPECT_EQ(List(L"/r/")[1].iconIndex, 0u);  // without icons
}

TEST_F(ListPathTest, NavigateToStartsFromTheBaseRows) {
    FakeIcons provider;
    IconCache icons(&provider);
    icons.Append(L"filename.old", L".old");
    fs.AddFile(L"/r/a.txt");
    const auto entries = NavigateTo(Context(&icons), L"/r/");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].iconIndex, 5u);
    EXPECT_EQ(icons.size(), 6u);
    EXPECT_EQ(provider.truncatedTo.back(), IconCache::kBaseRows);
}

TEST_F(ListPathTest, CountJobEntriesFollowsTheOptions) {
    fs.AddFile(L"/r/a.jpg");
    fs.AddFile(L"/r/b.JPG");
    fs.AddFile(L"/r/c.png");
    fs.AddFile(L"/r/h.jpg", H);
    fs.AddFile(L"/r/sub/d.jpg");
    fs.AddFile(L"/r/sub/deeper/e.jpg");
    struct Case {
        ListOptions options;
        AttributeTarget attributeTarget;
        const wchar_t* mask;
        std::int64_t expected;
    };
    const Case cases[] = {
        {{Retrieve::kFiles, true, HiddenSystem::kNone},
         AttributeTarget::kBoth,
         L".*",
         3},  // no folder to descend
        {{Retrieve::kFilesAndFolders, false, HiddenSystem::kNone},
         AttributeTarget::kBoth,
         L".*",
         4},
        {{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone}, AttributeTarget::kBoth, L".*", 7},
        {{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
         AttributeTarget::kFiles,
         L".*",
         5},  // files only
        {{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
         AttributeTarget::kFolders,
         L".*",
         2},  // folders only
        {{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
         AttributeTarget::kFiles,
         L".jpg",
         4},
        {{Retrieve::kFilesAndFolders, true, HiddenSystem::kHidden},
         AttributeTarget::kFiles,
         L".JPG",
         5},
    };
    for (const auto& c : cases) {
        options = c.options;
        attributeTarget = c.attributeTarget;
        EXPECT_EQ(CountJobEntries(Context(), L"/r", c.mask), c.expected)
            << static_cast<int>(c.options.retrieve) << " " << c.options.includeSubfolders << " "
            << static_cast<int>(c.attributeTarget) << " " << ToUtf8(c.mask);
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ListPathTest, CountJobEntriesFailures) {
    fs.AddFile(L"/r/file");
    fs.AddFile(L"/r/sub/x");
    options = {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone};
    EXPECT_EQ(CountJobEntries(Context(), L"/r/file", L".*"), -1);
    EXPECT_EQ(CountJobEntries(Context(), L"/none", L".*"), -1);
    EXPECT_TRUE(dialogs.messages().empty());
    fs.FailOn(FakeFileSystem::Call::kFindEntries, L"/r/sub", EIO);
    EXPECT_EQ(CountJobEntries(Context(), L"/r/", L".*"), -1);
    EXPECT_EQ(dialogs.messages(), std::vector{ErrorBox(L"Input/output error")});
}

TEST(ListedTime, LocalYearBefore1900GivesZero) {
    struct Case {
        const char* zone;
        std::int64_t seconds;
        std::int64_t expected;
    };
    constexpr std::int64_t k1900 = -2208988800;  // 1900-01-01 00:00 UTC
    const Case cases[] = {
        {"UTC0", k1900, k1900},
        {"UTC0", k1900 - 1, 0},
        {"EST5EDT,M3.2.0,M11.1.0", k1900, 0},  // still 1899 in New York
        {"EST5EDT,M3.2.0,M11.1.0", k1900 + 5 * 3600, k1900 + 5 * 3600},
        {"XXX12", k1900 + 11 * 3600, 0},
        {"XXX-14", k1900, k1900},
        {"CET-1CEST,M3.5.0,M10.5.0/3", -315619200, -315619200},  // 1960: kept as it is
        // 01:30 on the night summer time ends, the second time: kept to the second.
        {"EST5EDT,M3.2.0,M11.1.0", 1636266600, 1636266600},
        {"EST5EDT,M3.2.0,M11.1.0", 1636263000, 1636263000},
    };
    for (const auto& c : cases) {
        testing::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(ListedTime(c.seconds), c.expected) << c.zone << " " << c.seconds;
    }
}

TEST_F(ListPathTest, TimesBefore1900ListAsZero) {
    testing::ScopedTimeZone zone("UTC0");
    fs.AddFile(L"/r/old", A, -2208988801);
    EXPECT_EQ(List(L"/r/")[0].modified, 0);
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

TEST(ListPathOnDisk, ListsARealFolderThroughTheLinuxFileSystem) {
    testing::TempDir dir;
    for (const auto* name : {"b10.txt", "b9.txt", ".profile", "marked", "link"})
        testing::WriteBytes(dir.Join(name), "");
    ::mkdir(dir.Join("Sub").c_str(), 0755);
    ::unlink(dir.Join("link").c_str());
    ASSERT_EQ(::symlink(dir.Join("Sub").c_str(), dir.Join("link").c_str()), 0);
    PosixFileSystem fs;
    const auto root = FromUtf8(dir.path()) + L"/";
    if (!testing::SetAttributesAt(fs, root + L"marked", FILE_ATTRIBUTE_SYSTEM).ok())
        GTEST_SKIP() << "no user extended attributes in " << dir.path();
    testing::RecordingDialogs dialogs;
    NoProgress progress;
    const ListContext context{
        fs, dialogs, progress, nullptr, {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}};
    FileEntries out;
    ListPath(context, FromUtf8(dir.path()), out);
    std::vector<std::wstring> names;
    for (const auto& e : out)
        names.push_back(e.name.wide());
    // The link is an entry of its own, not the folder it points to.
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Sub", L"b9.txt", L"b10.txt", L"link"}));
    EXPECT_EQ(out.back().attributes, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(out.front().folderPath, root);
}

}  // namespace
}  // namespace torvane
