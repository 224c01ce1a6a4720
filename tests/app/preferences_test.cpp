#include "app/preferences.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "fake_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "temp_dir.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::TempDir;
using testing::Utf16Le;
using testing::WriteBytes;
using Message = RecordingDialogs::Message;

const std::string kFixtures = TORVANE_FIXTURES_DIR "/preferences/";
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// The fake file system, with the program and the roaming settings folder in
// a real temporary folder: the preference file itself is read and written on
// disk, so a folder the fake creates is created on disk too.
class DiskFileSystem : public FakeFileSystem {
  public:
    explicit DiskFileSystem(const TempDir& dir) {
        AddFolder(FromUtf8(dir.Join("bin")));
        AddFolder(FromUtf8(dir.Join("roaming")));
        std::filesystem::create_directories(dir.Join("bin"));
        std::filesystem::create_directories(dir.Join("roaming"));
        SetProgramPath(FromUtf8(dir.Join("bin/torvane")));
        SetRoamingSettingsFolder(FromUtf8(dir.Join("roaming")));
    }
    Status CreateDirectory(const std::wstring& path) override {
        Status st = FakeFileSystem::CreateDirectory(path);
        if (st.ok())
            ::mkdir(ToUtf8(path).c_str(), 0755);
        return st;
    }
    Result<std::wstring> RoamingSettingsFolder() override {
        if (noRoaming)
            return SystemError::FromErrno(ENOENT);
        return FakeFileSystem::RoamingSettingsFolder();
    }
    bool noRoaming = false;
};

// The values written to the fixture "written.ini".
Preferences WrittenValues() {
    Preferences p;
    p.flags = {1, 0, 2, 1, 0, 1};
    p.taskListPath = L"/home/u/my tasks.tvt";
    p.savedPlacement = {44, 0, 1, -1, -1, -1, -1, 10, 20, 810, 620};
    return p;
}

TEST(PreferenceFlags, HoldsTheSixValuesInTheirExchangeOrder) {
    const PreferenceFlags f{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(f.clearTaskList, 1);
    EXPECT_EQ(f.caseSensitiveSearch, 2);
    EXPECT_EQ(f.setAttributeOption, 3);
    EXPECT_EQ(f.autoLoadTaskList, 4);
    EXPECT_EQ(f.autoLoadFileList, 5);
    EXPECT_EQ(f.saveWindowSize, 6);
}

TEST(LocatePreferenceFile, ProgramFolderUnlessTheMarkerIsThere) {
    TempDir dir;
    DiskFileSystem fs(dir);
    const auto bin = FromUtf8(dir.Join("bin"));
    const auto roaming = FromUtf8(dir.Join("roaming"));
    EXPECT_EQ(LocatePreferenceFile(fs), (PreferenceLocation{bin + L"/config.ini", L""}));
    fs.AddFile(bin + L"/AppData-config.ini");
    EXPECT_EQ(LocatePreferenceFile(fs),
              (PreferenceLocation{roaming + L"/Torvane/config.ini", roaming + L"/Torvane"}));
    fs.noRoaming = true;
    EXPECT_EQ(LocatePreferenceFile(fs), std::nullopt);
}

TEST(Preferences, WriterGivesTheExactBytes) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    Preferences p = WrittenValues();
    p.selectedFilePathSubDir = 0;  // not what is written: the current setting is
    ASSERT_TRUE(SavePreferences(fs, dialogs, p, 1));
    EXPECT_EQ(ReadBytes(dir.Join("bin/config.ini")), ReadBytes(kFixtures + "written.ini"));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, ReaderIsLenient) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    WriteBytes(dir.Join("bin/config.ini"), ReadBytes(kFixtures + "lenient.ini"));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    Preferences expected;
    expected.flags = {1, 0, -1, 1, 0, 3};
    expected.taskListPath = L"/home/u/my tasks.tvt";
    expected.selectedFilePath = L"\t/x\t";
    expected.selectedFilePathSubDir = kMax;
    expected.savedPlacement = {-44, -1, -1, kMin, -12, 0, kMax, 0, 0, 0, 12};
    EXPECT_EQ(p, expected);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, WrittenFileReadsBack) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    WriteBytes(dir.Join("bin/config.ini"), ReadBytes(kFixtures + "written.ini"));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    Preferences expected = WrittenValues();
    expected.selectedFilePathSubDir = 1;
    EXPECT_EQ(p, expected);
}

TEST(ApplyPreferenceLine, ConvertsLikeTheRuntimeFunctions) {
    struct Case {
        std::wstring line;
        std::int32_t clearTaskList;  // _wtoi
        std::int32_t wsLength;       // wcstoul
    };
    const Case cases[] = {
        {L"=", 0, 0},
        {L"-0", 0, 0},
        {L"- 5", 0, 0},
        {L"+-5", 0, 0},
        {L"\x0663", 0, 0},  // only ASCII digits count
        {L"\v\f12", 12, 12},
        {L"-2147483648", kMin, kMin},
        {L"2147483648", kMax, kMin},
        {L"-4294967295", kMin, 1},
        {L"-4294967296", kMin, -1},
        {L"99999999999999999999999", kMax, -1},
    };
    for (const auto& c : cases) {
        Preferences p;
        ApplyPreferenceLine(L"ClearTaskList=" + c.line, p);
        ApplyPreferenceLine(L"wsLength=" + c.line, p);
        EXPECT_EQ(p.flags.clearTaskList, c.clearTaskList) << c.line;
        EXPECT_EQ(p.savedPlacement.length, c.wsLength) << c.line;
    }
}

TEST(Preferences, MissingOrUnopenableFileKeepsDefaultsSilently) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    std::filesystem::create_directory(dir.Join("bin/config.ini"));  // a folder can't be opened
    LoadPreferences(fs, dialogs, p);
    EXPECT_FALSE(SavePreferences(fs, dialogs, WrittenValues(), 0));
    EXPECT_EQ(p, Preferences{});
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, RoamingFolderIsCreatedOnFirstSaveAndTheProgramFolderIgnored) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    WriteBytes(dir.Join("bin/config.ini"), ReadBytes(kFixtures + "written.ini"));
    fs.AddFile(FromUtf8(dir.Join("bin/AppData-config.ini")));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    EXPECT_EQ(p, Preferences{});
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"CreateDirectory " +
                                                      FromUtf8(dir.Join("roaming/Torvane"))});
    EXPECT_EQ(ReadBytes(dir.Join("roaming/Torvane/config.ini")),
              ReadBytes(kFixtures + "written.ini"));
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes().size(), 1u);  // the folder is there now
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, AMissingSettingsFolderIsCreatedBeforeTheProgramsOwn) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    fs.AddFile(FromUtf8(dir.Join("bin/AppData-config.ini")));
    fs.SetRoamingSettingsFolder(FromUtf8(dir.Join("home/.config")));
    std::filesystem::create_directories(dir.Join("home"));
    fs.AddFolder(FromUtf8(dir.Join("home")));
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes(), (std::vector<std::wstring>{
                                L"CreateDirectory " + FromUtf8(dir.Join("home/.config")),
                                L"CreateDirectory " + FromUtf8(dir.Join("home/.config/Torvane"))}));
    EXPECT_EQ(ReadBytes(dir.Join("home/.config/Torvane/config.ini")),
              ReadBytes(kFixtures + "written.ini"));
}

TEST(Preferences, FolderCreationFailureIsShownAndNothingWritten) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    fs.AddFile(FromUtf8(dir.Join("bin/AppData-config.ini")));
    fs.FailOn(FakeFileSystem::Call::kCreateDirectory, L"", EACCES);
    EXPECT_FALSE(SavePreferences(fs, dialogs, WrittenValues(), 0));
    const auto path = FromUtf8(dir.Join("roaming/Torvane/config.ini"));
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{
                  {L"Error saving to preference file:  " + path + L"\nPermission denied\r\n",
                   L"Error", MessageIcon::kWarning, MessageButtons::kOk}}));
    EXPECT_FALSE(std::filesystem::exists(dir.Join("roaming/Torvane")));
}

TEST(Preferences, WriteFailureIsShownAndTheOldFileKept) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    const auto path = dir.Join("bin/config.ini");
    WriteBytes(path, "old");
    // A file-size limit makes the write fail part way, like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = SavePreferences(fs, dialogs, WrittenValues(), 0);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{
                  {L"Error saving to preference file:  " + FromUtf8(path) + L"\nFile too large",
                   L"Error", MessageIcon::kWarning, MessageButtons::kOk}}));
}

TEST(Preferences, OverlongLineIsSkipped) {
    TempDir dir;
    DiskFileSystem fs(dir);
    RecordingDialogs dialogs;
    std::u16string text = u"\xFEFFTaskListPath=" + std::u16string(kMaxPreferenceLineLength, u'x') +
                          u"\r\nClearTaskList=1\r\n";
    WriteBytes(dir.Join("bin/config.ini"), Utf16Le(text));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    EXPECT_EQ(p.taskListPath, L"");
    EXPECT_EQ(p.flags.clearTaskList, 1);
}

}  // namespace
}  // namespace torvane
