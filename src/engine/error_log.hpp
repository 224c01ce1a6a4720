#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The lines of a job's error log: a header, then one line per failure in the
// order the failures happened.
using ErrorLog = std::vector<std::wstring>;

// What a job hands back when it is over.
struct JobResult {
    bool error = false;  // set by any failure of any entry or folder
    ErrorLog log;
    // The new full path of a single-file root that the job renamed.
    std::optional<std::wstring> renamedRoot;
    // The job stopped at the user's request before its end; the log's last
    // line names the first entry left untouched.
    bool cancelled = false;
};

// Log-line prefixes; each ends with a colon and two blanks.
inline constexpr std::wstring_view kErrorProcessingDirectory = L"Error processing directory:  ";
inline constexpr std::wstring_view kErrorRenamingFile = L"Error renaming file:  ";
inline constexpr std::wstring_view kErrorChangingFileAttributes =
    L"Error changing file attributes:  ";
inline constexpr std::wstring_view kErrorSettingCompression =
    L"Error setting compression attributes:  ";
inline constexpr std::wstring_view kErrorChangingCompression =
    L"Error changing compression attribute:  ";
inline constexpr std::wstring_view kErrorRemovingEncryption =
    L"Error removing encryption attributes:  ";
inline constexpr std::wstring_view kErrorSettingEncryption =
    L"Error setting encryption attributes:  ";
inline constexpr std::wstring_view kErrorSettingFileAttributes =
    L"Error setting file attributes:  ";
inline constexpr std::wstring_view kErrorChangingTimestamp = L"Error changing timestamp:  ";
inline constexpr std::wstring_view kErrorReadingDirectory = L"Error reading directory:  ";
// The line of a job stopped by the user: the path is the first entry the job
// did not reach.
inline constexpr std::wstring_view kJobCancelledBefore = L"Job cancelled before:  ";
inline constexpr std::wstring_view kJobCancelledMessage =
    L"The job was cancelled here; this entry and those after it were not changed.";
// The line of a job that runs without history, followed by why.
inline constexpr std::wstring_view kHistoryNotKept = L"No history of this job:  ";
// The log line of a job whose journal could not be written to its end.
inline constexpr std::wstring_view kHistoryIncomplete = L"History of this job incomplete:  ";

// The message of the log line for a folder that was replaced (by a link, a
// file or another folder) after it was listed.
inline constexpr std::wstring_view kFolderReplacedMessage =
    L"The folder was replaced by another entry after it was listed; nothing in it was "
    L"changed.";

// The header line of a log started at `now`: "Log file started on: " + the
// local time as "%Y-%m-%d %H-%M-%S" + "\n".
std::wstring ErrorLogHeader(std::int64_t now);

// prefix + path + ten full stops + message. A message of the program's own
// (the constants above, a finding) has no line end: the log's own line end
// follows it when it is saved. Only a system text (FileSystem::SystemMessage)
// keeps the CR LF it ends with, as the saved log has always shown it.
std::wstring ErrorLogLine(std::wstring_view prefix, std::wstring_view path,
                          std::wstring_view message);

// The file name proposed for saving a log at `now`: "Error log " + the local
// time as "%Y-%m-%d %H-%M-%S".
std::wstring ProposedErrorLogName(std::int64_t now);

// Writes the log to `path` on `fs`: UTF-16LE with its mark, each line followed by a
// line feed written as CR LF (carriage returns are written unchanged). An open
// failure shows "Error saving log file: " + the error's text (caption "Error
// Saving Log File"); a failure while writing shows a message naming the file
// and the error. Returns true when the whole log was written.
bool SaveErrorLog(FileSystem& fs, const std::wstring& path, const ErrorLog& log, Dialogs& dialogs);

}  // namespace torvane
