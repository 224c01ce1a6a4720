#include "app/preferences.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "app/preference_keys.hpp"
#include "fake_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "temp_dir.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::LimitFileSize;
using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::Utf16Le;
using Message = RecordingDialogs::Message;

const std::string kFixtures = TORVANE_FIXTURES_DIR "/preferences/";
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// The fake file system with the program in "/t/bin" and the roaming settings
// folder "/t/roaming"; the preference file is read and written there too.
class SettingsFileSystem : public FakeFileSystem {
  public:
    SettingsFileSystem() {
        AddFolder(Path("bin"));
        AddFolder(Path("roaming"));
        SetProgramPath(Path("bin/torvane"));
        SetRoamingSettingsFolder(Path("roaming"));
    }
    static std::wstring Path(const std::string& relative) { return L"/t/" + FromUtf8(relative); }
    // Makes a file holding `bytes`.
    void Put(const std::string& relative, std::string bytes) {
        AddPlainFile(Path(relative), std::move(bytes));
    }
    // The bytes of a file.
    std::string Bytes(const std::string& relative) const {
        const auto node = Lookup(Path(relative));
        return node ? node->content : "<no such file>";
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

TEST(EngineSettingsOf, CaseOnlyAtOneAndAnyOtherAttributeOptionMeansBoth) {
    const struct {
        std::int32_t caseSensitiveSearch;
        std::int32_t setAttributeOption;
        bool caseSensitive;
        AttributeTarget target;
    } cases[] = {
        {1, 0, true, AttributeTarget::kFiles}, {0, 1, false, AttributeTarget::kFolders},
        {2, 2, false, AttributeTarget::kBoth}, {-1, -1, false, AttributeTarget::kBoth},
        {0, 5, false, AttributeTarget::kBoth},
    };
    for (const auto& c : cases) {
        PreferenceFlags flags;
        flags.caseSensitiveSearch = c.caseSensitiveSearch;
        flags.setAttributeOption = c.setAttributeOption;
        const EngineSettings settings = EngineSettingsOf(flags);
        EXPECT_EQ(settings.caseSensitive, c.caseSensitive) << c.caseSensitiveSearch;
        EXPECT_EQ(settings.attributeTarget, c.target) << c.setAttributeOption;
    }
}

// FolderThreads: a cap from 1 up (held to the engine's most), anything
// else as many threads as cores (0); written only when set.
TEST(EngineSettingsOf, FolderThreadsCapOrAsManyAsCores) {
    const struct {
        const wchar_t* line;
        unsigned threads;
    } cases[] = {{L"FolderThreads=3", 3},
                 {L"FolderThreads=0", 0},
                 {L"FolderThreads=-4", 0},
                 {L"FolderThreads=many", 0},
                 {L"FolderThreads=100000", kMostFolderThreads}};
    for (const auto& c : cases) {
        Preferences p;
        ApplyPreferenceLine(c.line, p);
        EXPECT_EQ(EngineSettingsOf(p.flags).folderThreads, c.threads) << ToUtf8(c.line);
    }
    EXPECT_EQ(EngineSettingsOf(Preferences{}.flags).folderThreads, 0u);
}

// What each stored switch means to the code that uses it.
struct SwitchUse {
    const wchar_t* key;
    bool (*on)(const Preferences&);
};
const SwitchUse kSwitchUses[] = {
    {L"CaseSensitiveSearch",
     [](const Preferences& p) { return EngineSettingsOf(p.flags).caseSensitive; }},
    {L"ClearTaskList", [](const Preferences& p) { return SwitchesOf(p.flags).clearTaskList; }},
    {L"AutoLoadTaskList",
     [](const Preferences& p) { return SwitchesOf(p.flags).autoLoadTaskList; }},
    {L"AutoLoadFileList",
     [](const Preferences& p) { return SwitchesOf(p.flags).autoLoadFileList; }},
    {L"SaveWindowSize", [](const Preferences& p) { return SwitchesOf(p.flags).saveWindowSize; }},
    {L"History", [](const Preferences& p) { return HistorySettingsOf(p).enabled; }},
};

// Every switch read from the file, shown in the dialog and used by the
// program means one thing: 0 off, 1 on, any other number or text the
// default. The same holds for a value put in the record by other code.
TEST(PreferenceSwitches, TheFileTheDialogAndTheUsersReadEveryStoredValueAlike) {
    const struct {
        const wchar_t* text;
        std::optional<bool> on;  // nullopt: the default
    } stored[] = {{L"0", false}, {L"1", true},         {L"2", {}},  {L"-1", {}},
                  {L"yes", {}},  {L"1=2", {}},         {L"+1", {}}, {L"", {}},
                  {L"01", {}},   {L"99999999999", {}}, {L"\t1", {}}};
    for (const PreferenceKey& key : PreferenceKeys()) {
        if (key.kind != PreferenceKind::kSwitch)
            continue;
        const SwitchUse* use = nullptr;
        for (const SwitchUse& u : kSwitchUses)
            use = key.name == u.key ? &u : use;
        ASSERT_NE(use, nullptr) << "no use of " << ToUtf8(key.name) << " in kSwitchUses";
        const bool byDefault = DefaultNumber(key) == 1;
        for (const auto& s : stored) {
            SCOPED_TRACE(ToUtf8(std::wstring(key.name) + L"=" + s.text));
            const bool expected = s.on.value_or(byDefault);
            SettingsFileSystem fs;
            RecordingDialogs dialogs;
            const std::wstring line = std::wstring(key.name) + L"=" + s.text + L"\r\n";
            fs.Put("bin/config.ini", Utf16Le(u"\xFEFF" + ToUtf16(line)));
            Preferences read;
            LoadPreferences(fs, dialogs, read);
            EXPECT_EQ(StoredNumber(key, read), expected ? 1 : 0);  // written back as used
            EXPECT_EQ(use->on(read), expected);
            EXPECT_EQ(ShownValue(key, read), expected ? 1 : 0);
        }
        for (const std::int32_t raw : {0, 1, 2, -1, kMin, kMax}) {
            SCOPED_TRACE(ToUtf8(key.name) + " held as " + std::to_string(raw));
            Preferences held;
            StoreNumber(key, raw, held);
            const bool expected = raw == 0 || raw == 1 ? raw == 1 : byDefault;
            EXPECT_EQ(use->on(held), expected);
            EXPECT_EQ(ShownValue(key, held), expected ? 1 : 0);
        }
    }
}

// A mistake in the table (two keys on one field or of one name, two dialog
// controls in one place) would lose a value or a control silently.
TEST(PreferenceKeys, EachKeyHasItsOwnNameFieldAndDialogRow) {
    Preferences all;
    std::int32_t n = 100;
    for (const PreferenceKey& key : PreferenceKeys()) {
        EXPECT_EQ(FindPreferenceKey(AsciiLower(key.name)), &key);
        ReadPreferenceValue(key, key.kind == PreferenceKind::kSwitch ? L"1" : L"", all);
        if (key.kind != PreferenceKind::kSwitch)
            ReadPreferenceValue(key, std::to_wstring(n++), all);
    }
    n = 100;
    std::vector<int> rows;
    for (const PreferenceKey& key : PreferenceKeys()) {
        SCOPED_TRACE(ToUtf8(key.name));
        const std::wstring expected =
            key.kind == PreferenceKind::kSwitch ? L"1" : std::to_wstring(n++);
        EXPECT_EQ(PreferenceValueText(key, all), expected);
        if (key.control.row > 0)
            rows.push_back(key.control.row);
    }
    std::vector<int> order;
    for (const PreferenceKey* key : DialogKeys())
        order.push_back(key->control.row);
    EXPECT_EQ(order.size(), rows.size());
    EXPECT_TRUE(std::adjacent_find(order.begin(), order.end(), std::greater_equal<>()) ==
                order.end());
}

// The dialog shows what the program uses and stores what it shows.
TEST(PreferenceDialogModel, ShowsWhatTheProgramUsesAndStoresWhatItShows) {
    const struct {
        const wchar_t* key;
        std::int32_t stored, shown, storedAfterOk;
    } cases[] = {
        {L"SetAttributeOption", 2, 2, 2},
        {L"SetAttributeOption", 5, -1, -1},  // outside the items: none selected
        {L"SetAttributeOption", -1, -1, -1},
        {L"HistoryKeepJobs", 0, 200, 200},             // below 1: the default
        {L"HistoryKeepJobs", 500000, 100000, 100000},  // held to the box's range
        {L"HistoryKeepDays", 30, 30, 30},
        {L"CaseSensitiveSearch", 2, 0, 0},
        {L"History", -1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.key) + "=" + std::to_string(c.stored));
        const PreferenceKey* key = FindPreferenceKey(c.key);
        ASSERT_NE(key, nullptr);
        Preferences p;
        StoreNumber(*key, c.stored, p);
        EXPECT_EQ(ShownValue(*key, p), c.shown);
        StoreShownValue(*key, ShownValue(*key, p), p);
        EXPECT_EQ(StoredNumber(*key, p), c.storedAfterOk);
    }
    std::vector<std::wstring> names;
    for (const PreferenceKey* key : DialogKeys())
        names.push_back(std::wstring(key->name));
    EXPECT_EQ(names, (std::vector<std::wstring>{
                         L"CaseSensitiveSearch", L"ClearTaskList", L"AutoLoadTaskList",
                         L"AutoLoadFileList", L"SaveWindowSize", L"SetAttributeOption", L"History",
                         L"HistoryKeepJobs", L"HistoryKeepDays"}));
}

TEST(LocatePreferenceFile, ProgramFolderUnlessTheMarkerIsThere) {
    SettingsFileSystem fs;
    const auto bin = fs.Path("bin");
    const auto roaming = fs.Path("roaming");
    EXPECT_EQ(LocatePreferenceFile(fs), (PreferenceLocation{bin + L"/config.ini", L""}));
    fs.AddFile(bin + L"/AppData-config.ini");
    EXPECT_EQ(LocatePreferenceFile(fs),
              (PreferenceLocation{roaming + L"/Torvane/config.ini", roaming + L"/Torvane"}));
    fs.noRoaming = true;
    EXPECT_EQ(LocatePreferenceFile(fs), std::nullopt);
}

TEST(Preferences, WriterGivesTheExactBytes) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    Preferences p = WrittenValues();
    p.selectedFilePathSubDir = 0;  // not what is written: the current setting is
    ASSERT_TRUE(SavePreferences(fs, dialogs, p, 1));
    EXPECT_EQ(fs.Bytes("bin/config.ini"), ReadBytes(kFixtures + "written.ini"));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, ReaderIsLenient) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.Put("bin/config.ini", ReadBytes(kFixtures + "lenient.ini"));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    Preferences expected;
    // The switches: "yes", "+7xyz", "3" and "1=2" are no switch values,
    // so AutoLoadFileList, SaveWindowSize and ClearTaskList keep their
    // defaults; "  1  " is 1 once trimmed.
    expected.flags = {0, 0, -1, 1, 0, 0};
    expected.taskListPath = L"/home/u/my tasks.tvt";
    expected.selectedFilePath = L"\t/x\t";
    expected.selectedFilePathSubDir = kMax;
    expected.savedPlacement = {-44, -1, -1, kMin, -12, 0, kMax, 0, 0, 0, 12};
    EXPECT_EQ(p, expected);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, WrittenFileReadsBack) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.Put("bin/config.ini", ReadBytes(kFixtures + "written.ini"));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    Preferences expected = WrittenValues();
    expected.selectedFilePathSubDir = 1;
    EXPECT_EQ(p, expected);
}

// The history keys are written only when they differ from their defaults,
// so a file from before them is written back byte for byte (above).
TEST(Preferences, HistoryKeysAreWrittenWhenSetAndReadBack) {
    Preferences p = WrittenValues();
    p.history = 0;
    p.historyKeepDays = 30;
    const std::wstring text = FormatPreferences(p, 1);
    EXPECT_NE(text.find(L"\nHistory=0\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\nHistoryKeepDays=30\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"HistoryKeepJobs"), std::wstring::npos);
    Preferences read;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        ApplyPreferenceLine(std::wstring_view(text).substr(start, end - start), read);
    EXPECT_EQ(read.history, 0);
    EXPECT_EQ(read.historyKeepJobs, Preferences{}.historyKeepJobs);
    EXPECT_EQ(read.historyKeepDays, 30);
    const HistorySettings settings = HistorySettingsOf(read);
    EXPECT_FALSE(settings.enabled);
    EXPECT_EQ(settings.keepDays, 30);
}

// What the Preferences dialog's OK stores: HistorySettingsOf gives the
// settings back, and what equals the defaults stays out of the file.
TEST(Preferences, HistorySettingsAreStoredAsTheFileKeepsThem) {
    struct Case {
        HistorySettings chosen;
        std::int32_t history, keepJobs, keepDays;
        HistorySettings readBack;
        const wchar_t* written;  // the history lines of the file
    };
    const HistorySettings defaults;
    const Case cases[] = {
        {defaults, 1, 200, 90, defaults, L""},
        {{false, 200, 90}, 0, 200, 90, {false, 200, 90}, L"History=0\n"},
        {{true, 5, 36500},
         1,
         5,
         36500,
         {true, 5, 36500},
         L"HistoryKeepJobs=5\nHistoryKeepDays=36500\n"},
        // Counts the file can't hold are held to 1 .. INT32_MAX.
        {{true, 0, std::int64_t{kMax} + 1},
         1,
         1,
         kMax,
         {true, 1, kMax},
         L"HistoryKeepJobs=1\nHistoryKeepDays=2147483647\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        Preferences p;
        p.history = 7;  // a raw value on: stored as 1
        p.historyKeepJobs = 0;
        SetHistorySettings(p, c.chosen);
        EXPECT_EQ(p.history, c.history);
        EXPECT_EQ(p.historyKeepJobs, c.keepJobs);
        EXPECT_EQ(p.historyKeepDays, c.keepDays);
        EXPECT_EQ(HistorySettingsOf(p), c.readBack);
        const std::wstring text = FormatPreferences(p, 0);
        const auto history = text.find(L"\nHistory");
        EXPECT_EQ(history == std::wstring::npos ? L"" : text.substr(history + 1), c.written);
    }
}

TEST(ApplyPreferenceLine, ConvertsNumbersLikeTheRuntimeFunctions) {
    struct Case {
        std::wstring line;
        std::int32_t subDir;    // _wtoi
        std::int32_t wsLength;  // wcstoul
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
        ApplyPreferenceLine(L"SelectedFilePathSubDir=" + c.line, p);
        ApplyPreferenceLine(L"wsLength=" + c.line, p);
        EXPECT_EQ(p.selectedFilePathSubDir, c.subDir) << c.line;
        EXPECT_EQ(p.savedPlacement.length, c.wsLength) << c.line;
    }
}

TEST(Preferences, MissingOrUnopenableFileKeepsDefaultsSilently) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    fs.AddPlainFolder(fs.Path("bin/config.ini"));  // a folder can't be opened
    LoadPreferences(fs, dialogs, p);
    EXPECT_FALSE(SavePreferences(fs, dialogs, WrittenValues(), 0));
    EXPECT_EQ(p, Preferences{});
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, AFileThatIsNoRegularFileIsNeverReadAndKeepsDefaultsSilently) {
    SettingsFileSystem fs;
    fs.AddSpecialFile(fs.Path("bin/config.ini"));  // a FIFO: reading it would wait
    RecordingDialogs dialogs;
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    EXPECT_EQ(p, Preferences{});
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(fs.CallCount(FakeFileSystem::Call::kRead), 0);
}

TEST(Preferences, RoamingFolderIsCreatedOnFirstSaveAndTheProgramFolderIgnored) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.Put("bin/config.ini", ReadBytes(kFixtures + "written.ini"));
    fs.AddFile(fs.Path("bin/AppData-config.ini"));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    EXPECT_EQ(p, Preferences{});
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes(),
              std::vector<std::wstring>{L"CreateDirectory " + fs.Path("roaming/Torvane")});
    EXPECT_EQ(fs.Bytes("roaming/Torvane/config.ini"), ReadBytes(kFixtures + "written.ini"));
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes().size(), 1u);  // the folder is there now
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(Preferences, AMissingSettingsFolderIsCreatedBeforeTheProgramsOwn) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.AddFile(fs.Path("bin/AppData-config.ini"));
    fs.SetRoamingSettingsFolder(fs.Path("home/.config"));
    fs.AddFolder(fs.Path("home"));
    ASSERT_TRUE(SavePreferences(fs, dialogs, WrittenValues(), 1));
    EXPECT_EQ(fs.changes(),
              (std::vector<std::wstring>{L"CreateDirectory " + fs.Path("home/.config"),
                                         L"CreateDirectory " + fs.Path("home/.config/Torvane")}));
    EXPECT_EQ(fs.Bytes("home/.config/Torvane/config.ini"), ReadBytes(kFixtures + "written.ini"));
}

TEST(Preferences, FolderCreationFailureIsShownAndNothingWritten) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.AddFile(fs.Path("bin/AppData-config.ini"));
    fs.FailOn(FakeFileSystem::Call::kCreateDirectory, L"", EACCES);
    EXPECT_FALSE(SavePreferences(fs, dialogs, WrittenValues(), 0));
    const auto path = fs.Path("roaming/Torvane/config.ini");
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{
                  {L"Error saving to preference file:  " + path + L"\nPermission denied\r\n",
                   L"Error", MessageIcon::kWarning, MessageButtons::kOk}}));
    EXPECT_FALSE(fs.Exists(fs.Path("roaming/Torvane")));
}

TEST(Preferences, WriteFailureIsShownAndTheOldFileKept) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    fs.Put("bin/config.ini", "old");
    LimitFileSize(fs, 100);  // the write fails part way
    const bool written = SavePreferences(fs, dialogs, WrittenValues(), 0);
    EXPECT_FALSE(written);
    EXPECT_EQ(fs.Bytes("bin/config.ini"), "old");
    EXPECT_EQ(dialogs.messages(),
              (std::vector<Message>{{L"Error saving to preference file:  " +
                                         fs.Path("bin/config.ini") + L"\nFile too large",
                                     L"Error", MessageIcon::kWarning, MessageButtons::kOk}}));
}

TEST(Preferences, OverlongLineIsSkipped) {
    SettingsFileSystem fs;
    RecordingDialogs dialogs;
    std::u16string text = u"\xFEFFTaskListPath=" + std::u16string(kMaxPreferenceLineLength, u'x') +
                          u"\r\nClearTaskList=1\r\n";
    fs.Put("bin/config.ini", Utf16Le(text));
    Preferences p;
    LoadPreferences(fs, dialogs, p);
    EXPECT_EQ(p.taskListPath, L"");
    EXPECT_EQ(p.flags.clearTaskList, 1);
}

}  // namespace
}  // namespace torvane
