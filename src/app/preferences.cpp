#include "app/preferences.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/number_text.hpp"
#include "platform/text.hpp"
#include "platform/text_file.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kHeader = L"# Preference file for Torvane";
constexpr std::wstring_view kFileName = L"config.ini";
constexpr std::wstring_view kMarkerName = L"AppData-config.ini";
constexpr std::wstring_view kRoamingFolderName = L"Torvane";

// How a value's text becomes a number, after the runtime functions the file
// was designed around: _wtoi, wcstoul and wcstol with 32-bit results.
enum class Conversion { kInt, kUnsigned, kLong, kText };

using NumberField = std::int32_t& (*)(Preferences&);
using TextField = std::wstring& (*)(Preferences&);

struct Key {
    std::wstring_view name;
    Conversion conversion;
    NumberField number;  // null for kText
    TextField text;      // null otherwise
    // A number key left out of the file while it holds this value (the
    // keys added after the file's first form).
    std::optional<std::int32_t> omittedAt = std::nullopt;
};

const Preferences kDefaults;

// Every key of the file, in the order the writer writes them.
const Key kKeys[] = {
    {L"ClearTaskList", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.clearTaskList; }, nullptr},
    {L"CaseSensitiveSearch", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.caseSensitiveSearch; }, nullptr},
    {L"AutoLoadTaskList", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.autoLoadTaskList; }, nullptr},
    {L"AutoLoadFileList", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.autoLoadFileList; }, nullptr},
    {L"TaskListPath", Conversion::kText, nullptr,
     [](Preferences& p) -> std::wstring& { return p.taskListPath; }},
    {L"SelectedFilePath", Conversion::kText, nullptr,
     [](Preferences& p) -> std::wstring& { return p.selectedFilePath; }},
    {L"SelectedFilePathSubDir", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.selectedFilePathSubDir; }, nullptr},
    {L"SaveWindowSize", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.saveWindowSize; }, nullptr},
    {L"wsLength", Conversion::kUnsigned,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.length; }, nullptr},
    {L"wsFlags", Conversion::kUnsigned,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.flags; }, nullptr},
    {L"wsShowCmd", Conversion::kUnsigned,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.showCmd; }, nullptr},
    {L"wsMinPosX", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.minPosX; }, nullptr},
    {L"wsMinPosY", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.minPosY; }, nullptr},
    {L"wsMaxPosX", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.maxPosX; }, nullptr},
    {L"wsMaxPosY", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.maxPosY; }, nullptr},
    {L"wsNormPosLeft", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.normalLeft; }, nullptr},
    {L"wsNormPosTop", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.normalTop; }, nullptr},
    {L"wsNormPosRight", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.normalRight; }, nullptr},
    {L"wsNormPosBot", Conversion::kLong,
     [](Preferences& p) -> std::int32_t& { return p.savedPlacement.normalBottom; }, nullptr},
    {L"SetAttributeOption", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.flags.setAttributeOption; }, nullptr},
    {L"History", Conversion::kInt, [](Preferences& p) -> std::int32_t& { return p.history; },
     nullptr, kDefaults.history},
    {L"HistoryKeepJobs", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.historyKeepJobs; }, nullptr,
     kDefaults.historyKeepJobs},
    {L"HistoryKeepDays", Conversion::kInt,
     [](Preferences& p) -> std::int32_t& { return p.historyKeepDays; }, nullptr,
     kDefaults.historyKeepDays},
};

std::wstring_view TrimBlanks(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

void ShowFileError(Dialogs& dialogs, std::wstring_view what, const std::wstring& path,
                   const std::wstring& error) {
    dialogs.ShowMessageText(std::wstring(what) + Outside(path) + L"\n" + error, L"Error",
                            MessageIcon::kWarning, MessageButtons::kOk);
}

constexpr std::wstring_view kSaveError = L"Error saving to preference file:  ";
constexpr std::wstring_view kReadError = L"Error opening preference file:  ";

}  // namespace

EngineSettings EngineSettingsOf(const PreferenceFlags& flags) {
    EngineSettings settings;
    settings.caseSensitive = flags.caseSensitiveSearch == 1;
    switch (flags.setAttributeOption) {
        case 0:
            settings.attributeTarget = AttributeTarget::kFiles;
            break;
        case 1:
            settings.attributeTarget = AttributeTarget::kFolders;
            break;
        default:
            settings.attributeTarget = AttributeTarget::kBoth;
            break;
    }
    return settings;
}

HistorySettings HistorySettingsOf(const Preferences& prefs) {
    HistorySettings settings;
    settings.enabled = prefs.history != 0;
    if (prefs.historyKeepJobs >= 1)
        settings.keepJobs = prefs.historyKeepJobs;
    if (prefs.historyKeepDays >= 1)
        settings.keepDays = prefs.historyKeepDays;
    return settings;
}

void SetHistorySettings(Preferences& prefs, const HistorySettings& settings) {
    const auto count = [](std::int64_t n) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(n, 1, std::numeric_limits<std::int32_t>::max()));
    };
    prefs.history = settings.enabled ? 1 : 0;
    prefs.historyKeepJobs = count(settings.keepJobs);
    prefs.historyKeepDays = count(settings.keepDays);
}

PreferenceSwitches SwitchesOf(const PreferenceFlags& flags) {
    return PreferenceSwitches{flags.clearTaskList == 1, flags.autoLoadTaskList != 0,
                              flags.autoLoadFileList != 0, flags.saveWindowSize != 0};
}

std::optional<PreferenceLocation> LocatePreferenceFile(FileSystem& fs) {
    const auto program = fs.ProgramPath();
    if (!program.ok())
        return std::nullopt;
    const auto slash = program->find_last_of(kPathSeparator);
    const std::wstring folder = slash == std::wstring::npos ? L"." : program->substr(0, slash);
    if (!fs.GetAttributes(folder + kPathSeparator + std::wstring(kMarkerName)).ok())
        return PreferenceLocation{folder + kPathSeparator + std::wstring(kFileName), L""};
    const auto roaming = fs.RoamingSettingsFolder();
    if (!roaming.ok())
        return std::nullopt;
    const std::wstring settings = *roaming + kPathSeparator + std::wstring(kRoamingFolderName);
    return PreferenceLocation{settings + kPathSeparator + std::wstring(kFileName), settings};
}

void ApplyPreferenceLine(std::wstring_view line, Preferences& prefs) {
    if (line.empty() || line.front() == L'#')
        return;
    const auto equals = line.find(L'=');
    if (equals == std::wstring_view::npos)
        return;
    const auto key = line.substr(0, equals);
    const auto value = TrimBlanks(line.substr(equals + 1));
    for (const Key& k : kKeys) {
        if (!EqualsIgnoringAsciiCase(key, k.name))
            continue;
        switch (k.conversion) {
            case Conversion::kText:
                k.text(prefs) = value;
                break;
            case Conversion::kUnsigned:
                k.number(prefs) = static_cast<std::int32_t>(ReadDecimalUint32(value));
                break;
            case Conversion::kInt:
            case Conversion::kLong:
                k.number(prefs) = ReadDecimalInt32(value);
                break;
        }
        return;
    }
}

std::wstring FormatPreferences(const Preferences& prefs, std::int32_t includeSubfolders) {
    Preferences values = prefs;
    values.selectedFilePathSubDir = includeSubfolders;
    std::wstring text(kHeader);
    text += L"\n\n";
    for (const Key& k : kKeys) {
        if (k.omittedAt && k.number(values) == *k.omittedAt)
            continue;
        text += k.name;
        text += L'=';
        text +=
            k.conversion == Conversion::kText ? k.text(values) : std::to_wstring(k.number(values));
        text += L'\n';
    }
    return text;
}

void LoadPreferences(FileSystem& fs, Dialogs& dialogs, Preferences& prefs) {
    const auto location = LocatePreferenceFile(fs);
    if (!location)
        return;
    TextFileReader file(fs);
    if (!file.Open(location->path).ok())
        return;
    std::wstring line;
    for (;;) {
        switch (file.ReadLine(line, kMaxPreferenceLineLength)) {
            case TextFileReader::Next::kLine:
                ApplyPreferenceLine(line, prefs);
                break;
            case TextFileReader::Next::kLongLine:
                break;  // no key of the file has a value this long
            case TextFileReader::Next::kEnd:
                return;
            case TextFileReader::Next::kError:
                ShowFileError(dialogs, kReadError, location->path, file.error().text);
                return;
        }
    }
}

bool SavePreferences(FileSystem& fs, Dialogs& dialogs, const Preferences& prefs,
                     std::int32_t includeSubfolders) {
    const auto location = LocatePreferenceFile(fs);
    if (!location)
        return false;
    if (!location->folder.empty() && !fs.GetAttributes(location->folder).ok()) {
        // A fresh account may have no settings folder yet (~/.config): it is
        // made first, then the program's own folder inside it.
        const std::wstring roaming =
            location->folder.substr(0, location->folder.find_last_of(kPathSeparator));
        Status created;
        if (!roaming.empty() && !fs.GetAttributes(roaming).ok())
            created = fs.CreateDirectory(roaming);
        if (created.ok())
            created = fs.CreateDirectory(location->folder);
        if (!created.ok()) {
            ShowFileError(dialogs, kSaveError, location->path,
                          fs.SystemMessage(created.error().code));
            return false;
        }
    }
    TextFileWriter file(fs);
    if (!file.Open(location->path, TextFileWriter::Mode::kReplaceWhenComplete).ok())
        return false;
    Status written = file.Write(FormatPreferences(prefs, includeSubfolders));
    if (written.ok())
        written = file.Close();
    if (!written.ok()) {
        ShowFileError(dialogs, kSaveError, location->path, written.error().text);
        return false;
    }
    return true;
}

}  // namespace torvane
