#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/apply_context.hpp"
#include "engine/job_history.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The integer preferences the Preferences dialog and the main window
// exchange, in their order. Each key's descriptor (preference_keys.hpp) says
// how it is read and shown; the member initializers are the defaults. The
// switches are 0 or 1 once read from the file; SwitchOn reads any other
// value as the default wherever it comes from (EngineSettingsOf, SwitchesOf
// and the dialog all use it).
struct PreferenceFlags {
    std::int32_t clearTaskList = 0;        // switch: empty the task list after a completed job
    std::int32_t caseSensitiveSearch = 0;  // switch: find, replace and matching respect case
    std::int32_t setAttributeOption = 0;   // 0 files only, 1 folders only, other: both
    std::int32_t autoLoadTaskList = 0;     // switch: load TaskListPath at start
    std::int32_t autoLoadFileList = 0;     // switch: load SelectedFilePath at start
    std::int32_t saveWindowSize = 0;       // switch: remember the window placement
    // The most threads a job's folders are planned and applied on; 0 (or
    // less): as many as the machine has cores. Not in the dialog.
    std::int32_t folderThreads = 0;

    bool operator==(const PreferenceFlags&) const = default;
};

// The preferences the engine reads, as the preview, a job and a dry run
// all apply them: CaseSensitiveSearch by SwitchOn; SetAttributeOption 0
// files, 1 folders, any other value both; FolderThreads 1 to
// kMostFolderThreads (more is that many), anything else as many as cores.
EngineSettings EngineSettingsOf(const PreferenceFlags& flags);

// The window's four switches as the controller reads them, each by SwitchOn
// (0 off, 1 on, any other value the default, off).
struct PreferenceSwitches {
    bool clearTaskList = false;
    bool autoLoadTaskList = false;
    bool autoLoadFileList = false;
    bool saveWindowSize = false;
};
PreferenceSwitches SwitchesOf(const PreferenceFlags& flags);

// A window placement as the file keeps it: eleven integers in the order of
// the Windows WINDOWPLACEMENT structure, whose length is 44.
struct WindowPlacement {
    std::int32_t length = 0;
    std::int32_t flags = 0;
    std::int32_t showCmd = 0;
    std::int32_t minPosX = 0;
    std::int32_t minPosY = 0;
    std::int32_t maxPosX = 0;
    std::int32_t maxPosY = 0;
    std::int32_t normalLeft = 0;
    std::int32_t normalTop = 0;
    std::int32_t normalRight = 0;
    std::int32_t normalBottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

inline constexpr std::int32_t kWindowPlacementLength = 44;

// The values the preference file holds; a default-constructed record holds
// the defaults that stay in force when there is no file.
struct Preferences {
    PreferenceFlags flags;
    std::wstring taskListPath;
    std::wstring selectedFilePath;
    // As read from the file; used only by the automatic load at start. The
    // file is written with the current include-subfolders setting instead.
    std::int32_t selectedFilePathSubDir = 0;
    WindowPlacement savedPlacement;
    // The job history (HistorySettingsOf reads them): History (a switch,
    // on by default), HistoryKeepJobs, HistoryKeepDays. Written only when
    // they differ from these defaults, so a file that never set them is
    // written back as it was.
    std::int32_t history = 1;
    std::int32_t historyKeepJobs = static_cast<std::int32_t>(HistorySettings{}.keepJobs);
    std::int32_t historyKeepDays = static_cast<std::int32_t>(HistorySettings{}.keepDays);

    bool operator==(const Preferences&) const = default;
};

// The history's settings from the preferences: History by SwitchOn (on
// unless it is 0); a count of jobs or days below 1 takes the default.
HistorySettings HistorySettingsOf(const Preferences& prefs);

// The other way, as the Preferences dialog's OK stores them: History 1 or 0,
// the counts as given (held to 1 .. INT32_MAX). HistorySettingsOf then gives
// `settings` back.
void SetHistorySettings(Preferences& prefs, const HistorySettings& settings);

// Where the preference file lies: "config.ini" in the program folder, or,
// when a file "AppData-config.ini" is there, "Torvane/config.ini" in the
// roaming settings folder.
struct PreferenceLocation {
    std::wstring path;
    // The folder that must exist before the file is written: the roaming
    // "Torvane" folder, or empty for the program folder.
    std::wstring folder;

    bool operator==(const PreferenceLocation&) const = default;
};

// The location, or nullopt when it can't be known (the program's path can't
// be read, or the marker file is there but the roaming folder isn't known).
std::optional<PreferenceLocation> LocatePreferenceFile(FileSystem& fs);

// The longest line of the file that is read, in code units of the file; a
// longer line is skipped like any malformed line.
inline constexpr std::size_t kMaxPreferenceLineLength = std::size_t{1} << 20;

// Applies one line of the file (without its line break) to `prefs`: skips
// empty lines, comments ("#") and lines whose key, compared without regard to
// ASCII case and not trimmed, is none of the file's keys; otherwise reads the
// value, trimmed of blanks (U+0020), by its key's kind (ReadPreferenceValue):
// a switch is 1 for "1", 0 for "0" and its default for any other text;
// numbers are read leniently and without range checks.
void ApplyPreferenceLine(std::wstring_view line, Preferences& prefs);

// The whole text of the file: the header, a blank line and one line per key
// in PreferenceKeys' order, each ending in "\n" (the writer turns them into
// CR LF); a key added after the file's first form (the history's) only when
// it differs from its default. `includeSubfolders` is written
// as SelectedFilePathSubDir (the window passes its list option, 1 or 0).
std::wstring FormatPreferences(const Preferences& prefs, std::int32_t includeSubfolders);

// Reads the file into `prefs`, line by line. Missing or unopenable file: no
// change, nothing shown. A read failure part way shows "Error opening
// preference file:  " + path + "\n" + the error (caption "Error", warning
// icon); the values read before it stay.
void LoadPreferences(FileSystem& fs, Dialogs& dialogs, Preferences& prefs);

// Writes the file from `prefs`, creating the roaming "Torvane" folder (one
// level) when it is missing. The old file is replaced only when the new one
// is complete. Returns true when written. Fails silently when the location is
// unknown or the file can't be opened; shows "Error saving to preference
// file:  " + path + "\n" + the error (caption "Error", warning icon) when the
// folder can't be created or writing fails part way.
bool SavePreferences(FileSystem& fs, Dialogs& dialogs, const Preferences& prefs,
                     std::int32_t includeSubfolders);

}  // namespace torvane
