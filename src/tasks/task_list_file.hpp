#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/text_file.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// The task-list file (".tvt"): UTF-16LE with the mark FF FE, one line per task
// in list order, each written as definition + "NAME=" + name + "<>" and ended
// by CR LF. Reading also takes UTF-8 with its mark, and a file without a mark:
// as UTF-8 when all of it is valid UTF-8 without a NUL byte (a file written by
// hand in an editor), else as UTF-16LE (a UTF-16 file of Latin text always
// holds NULs, so no such file is taken for UTF-8).

// How a task-list file without a byte-order mark is read: kUtf8 when the whole
// file is valid UTF-8 (no overlong form, no surrogate) and holds no NUL byte,
// else kUtf16Le, also when it can't be read (the reader reports that). The file
// is read once to the end; memory stays one fixed buffer.
TextFileReader::Encoding TaskListEncodingWithoutMark(FileSystem& fs, const std::wstring& path);

// How a task-list file is read (TaskListEncodingWithoutMark) and whether its
// bytes are fit for that: `badByte` is the offset (from 0) of the first byte
// that is not UTF-8, a NUL included, in a file that is neither UTF-8 nor
// UTF-16LE (one with its mark, or without it starting with an ASCII or
// Latin-1 character: a NUL second byte, an even length). Latin-1 text, a NUL
// in UTF-8 text and UTF-16 big-endian are such files; they are still read as
// UTF-16LE, as the format says, and hold no task then.
struct TaskListEncoding {
    TextFileReader::Encoding encoding = TextFileReader::Encoding::kUtf16Le;
    std::optional<std::uint64_t> badByte;
};
TaskListEncoding CheckTaskListEncoding(FileSystem& fs, const std::wstring& path);

// One task as a line of the file holds it.
struct TaskLine {
    std::wstring name;
    std::wstring definition;

    bool operator==(const TaskLine&) const = default;
};

// The longest line taken as a task, in code units of the file (bytes for a
// UTF-8 file). Longer lines are never held in memory whole.
inline constexpr std::size_t kMaxTaskLineLength = std::size_t{1} << 24;

// Takes one line apart. Returns nullopt when the text before the line's first
// "<>" is not exactly "$FileName", "$FileDate" or "$System" (so for an empty
// line and one without "<>"). Otherwise the name is the text after the first
// "<>NAME=" up to the next "<>" (empty when none follows) and the definition
// is the text before that "NAME=", kept verbatim; a line without "<>NAME="
// gives an empty name and the whole line as definition.
std::optional<TaskLine> ParseTaskListLine(std::wstring_view line);

// The line written for an item, without its line end.
std::wstring FormatTaskListLine(const TaskItem& item);

// Reads a task-list file one task at a time, so that the caller can append
// each task, try it, and stop at the first one it rejects. Lines that fail the
// keyword test are skipped, and noted in warnings() with a file that is
// neither UTF-8 nor UTF-16LE; the caller shows them. Failures are shown
// through `dialogs`.
class TaskListFileReader {
  public:
    // `appName` is the caption of the message for a failure in the middle of
    // the file (the executable's name without its extension). `lineLimit` is
    // the longest task line accepted.
    TaskListFileReader(FileSystem& fs, Dialogs& dialogs, std::wstring appName,
                       std::size_t lineLimit = kMaxTaskLineLength);

    enum class OpenResult {
        kOpened,
        kNoFile,  // the path's attributes can't be read or it is a folder; nothing shown
        kFailed,  // the open failed; "Error reading file " + path + ... was shown
    };
    OpenResult Open(const std::wstring& path);

    enum class Next {
        kTask,  // `task` holds the next task of the file
        kEnd,   // the file is exhausted
        // A read failed, or a task line was longer than the line limit: a
        // message naming the file and the error was shown; reading is over.
        kError,
    };
    Next ReadTask(TaskLine& task);

    // Closes the file (the destructor does too).
    void Close() { file_.Close(); }

    // What the reading went past so far, in the order found: "The file is
    // not UTF-8 or UTF-16LE: byte N ..." (and then no line), or "Line N was
    // skipped: ..." for each line but the blank ones.
    const std::vector<std::wstring>& warnings() const { return warnings_; }

  private:
    void ShowReadFailure(const std::wstring& what);
    void NoteSkipped(std::wstring_view line);

    FileSystem& fs_;
    Dialogs& dialogs_;
    std::wstring appName_;
    std::size_t lineLimit_;
    std::wstring path_;
    TextFileReader file_;
    std::size_t lineNumber_ = 0;
    std::vector<std::wstring> warnings_;
    bool misread_ = false;  // neither UTF-8 nor UTF-16LE: no line is noted
};

// Shows, in one message captioned `appName`, what reading the task list at
// `path` went past (TaskListFileReader::warnings): a file in no encoding the
// format knows, lines skipped. Nothing when there is nothing to say.
void ShowTaskListWarnings(Dialogs& dialogs, const std::wstring& appName, const std::wstring& path,
                          const std::vector<std::wstring>& warnings);

// Writes the list to `path` on `fs`, one line per item in list order. The file is
// written beside the old one and put in its place only when complete, so a
// failure leaves any previous file as it was. Returns true on success. On an
// open failure shows "Error saving task list: " + error text (caption "Error
// Saving Task List"); on a failure while writing shows a message naming the
// file and the error, captioned `appName`; returns false after either.
bool WriteTaskListFile(FileSystem& fs, const std::wstring& path, const TaskList& list,
                       Dialogs& dialogs, const std::wstring& appName);

}  // namespace torvane
