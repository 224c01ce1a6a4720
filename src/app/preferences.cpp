#include "app/preferences.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/preference_keys.hpp"
#include "platform/number_text.hpp"
#include "platform/text.hpp"
#include "platform/text_file.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kHeader = L"# Preference file for Torvane";
constexpr std::wstring_view kFileName = L"config.ini";
constexpr std::wstring_view kMarkerName = L"AppData-config.ini";
constexpr std::wstring_view kRoamingFolderName = L"Torvane";

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
    settings.caseSensitive = SwitchOn(flags, &PreferenceFlags::caseSensitiveSearch);
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
    settings.folderThreads =
        flags.folderThreads > 0
            ? std::min(static_cast<unsigned>(flags.folderThreads), kMostFolderThreads)
            : 0;
    return settings;
}

HistorySettings HistorySettingsOf(const Preferences& prefs) {
    const Preferences defaults;
    HistorySettings settings;
    settings.enabled = SwitchOn(prefs, &Preferences::history);
    settings.keepJobs = CountOf(prefs.historyKeepJobs, defaults.historyKeepJobs);
    settings.keepDays = CountOf(prefs.historyKeepDays, defaults.historyKeepDays);
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
    return PreferenceSwitches{SwitchOn(flags, &PreferenceFlags::clearTaskList),
                              SwitchOn(flags, &PreferenceFlags::autoLoadTaskList),
                              SwitchOn(flags, &PreferenceFlags::autoLoadFileList),
                              SwitchOn(flags, &PreferenceFlags::saveWindowSize)};
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
    if (const PreferenceKey* key = FindPreferenceKey(line.substr(0, equals)))
        ReadPreferenceValue(*key, TrimBlanks(line.substr(equals + 1)), prefs);
}

std::wstring FormatPreferences(const Preferences& prefs, std::int32_t includeSubfolders) {
    Preferences values = prefs;
    values.selectedFilePathSubDir = includeSubfolders;
    std::wstring text(kHeader);
    text += L"\n\n";
    for (const PreferenceKey& key : PreferenceKeys()) {
        if (key.omittedAtDefault && StoredNumber(key, values) == DefaultNumber(key))
            continue;
        text += key.name;
        text += L'=';
        text += PreferenceValueText(key, values);
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
