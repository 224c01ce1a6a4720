#include "tasks/task_list_file.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/file_attributes.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kNameMarker = L"<>NAME=";
constexpr std::wstring_view kNameKey = L"NAME=";

bool HasTaskKeyword(std::wstring_view line) {
    // A line without "<>" has an empty keyword, which is of no kind.
    return KindOfKeyword(GetTaskKeyword(line)).has_value();
}

// The message for a failure in the middle of reading or writing, as the
// framework words its file errors: the file and the system's error.
void ShowFileError(Dialogs& dialogs, const std::wstring& appName, const wchar_t* doing,
                   const std::wstring& path, const std::wstring& error) {
    dialogs.ShowMessageText(
        L"An error occurred while " + std::wstring(doing) + L" " + Outside(path) + L".\n" + error,
        appName, MessageIcon::kWarning, MessageButtons::kOk);
}

// Follows UTF-8 byte by byte (overlong forms, surrogates and code points past
// U+10FFFF are invalid) and notes a NUL byte.
class Utf8Check {
  public:
    // False once the bytes so far are not UTF-8 or hold a NUL.
    bool Take(unsigned char byte) {
        if (need_ > 0) {
            if (byte < low_ || byte > high_)
                return false;
            low_ = 0x80;
            high_ = 0xBF;
            --need_;
            return true;
        }
        if (byte == 0)
            return false;
        if (byte < 0x80)
            return true;
        if (byte >= 0xC2 && byte <= 0xDF)
            return Expect(1, 0x80, 0xBF);
        if (byte == 0xE0)
            return Expect(2, 0xA0, 0xBF);
        if (byte == 0xED)
            return Expect(2, 0x80, 0x9F);
        if (byte >= 0xE1 && byte <= 0xEF)
            return Expect(2, 0x80, 0xBF);
        if (byte == 0xF0)
            return Expect(3, 0x90, 0xBF);
        if (byte >= 0xF1 && byte <= 0xF3)
            return Expect(3, 0x80, 0xBF);
        if (byte == 0xF4)
            return Expect(3, 0x80, 0x8F);
        return false;
    }
    // True when no sequence is left unfinished.
    bool Complete() const { return need_ == 0; }

  private:
    bool Expect(int need, unsigned char low, unsigned char high) {
        need_ = need;
        low_ = low;
        high_ = high;
        return true;
    }
    int need_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
};

}  // namespace

TextFileReader::Encoding TaskListEncodingWithoutMark(FileSystem& fs, const std::wstring& path) {
    return CheckTaskListEncoding(fs, path).encoding;
}

TaskListEncoding CheckTaskListEncoding(FileSystem& fs, const std::wstring& path) {
    constexpr auto kUtf16 = TextFileReader::Encoding::kUtf16Le;
    auto opened = fs.OpenForReading(path);
    if (!opened.ok())
        return {kUtf16, std::nullopt};  // the reader's own open reports the failure
    InputFile& file = **opened;
    std::vector<unsigned char> buffer(64 * 1024);
    Utf8Check check;
    std::uint64_t offset = 0;
    std::uint64_t sequenceStart = 0;  // where the sequence being followed began
    std::optional<std::uint64_t> bad;
    unsigned char first[2] = {1, 1};
    for (;;) {
        const auto n = file.Read(buffer.data(), buffer.size());
        if (!n.ok())
            return {kUtf16, std::nullopt};
        if (*n == 0)
            break;
        for (std::size_t i = 0; i < *n; ++i, ++offset) {
            if (offset < 2)
                first[offset] = buffer[i];
            // A file with a mark is read by its mark.
            if (offset == 1 && first[0] == 0xFF && first[1] == 0xFE)
                return {kUtf16, std::nullopt};
            if (bad)
                continue;  // read on for the length and the first two bytes
            if (check.Complete())
                sequenceStart = offset;
            if (!check.Take(buffer[i]))
                bad = check.Complete() ? offset : sequenceStart;
        }
    }
    if (!bad && !check.Complete())
        bad = sequenceStart;
    if (!bad)
        return {offset == 0 ? kUtf16 : TextFileReader::Encoding::kUtf8, std::nullopt};
    // UTF-16LE without its mark: an ASCII or Latin-1 first character.
    const bool utf16Le = offset % 2 == 0 && first[0] != 0 && first[1] == 0;
    return {kUtf16, utf16Le ? std::nullopt : bad};
}

std::optional<TaskLine> ParseTaskListLine(std::wstring_view line) {
    if (!HasTaskKeyword(line))
        return std::nullopt;
    const auto marker = line.find(kNameMarker);
    if (marker == std::wstring_view::npos)
        return TaskLine{L"", std::wstring(line)};
    const auto nameStart = marker + kNameMarker.size();
    const auto nameEnd = line.find(kFieldSeparator, nameStart);
    TaskLine task;
    if (nameEnd != std::wstring_view::npos)
        task.name = line.substr(nameStart, nameEnd - nameStart);
    task.definition = line.substr(0, marker + kFieldSeparator.size());
    return task;
}

std::wstring FormatTaskListLine(const TaskItem& item) {
    std::wstring line = item.definition;
    line += kNameKey;
    line += item.name;
    line += kFieldSeparator;
    return line;
}

// ---------------------------------------------------------------- reader

TaskListFileReader::TaskListFileReader(FileSystem& fs, Dialogs& dialogs, std::wstring appName,
                                       std::size_t lineLimit)
    : fs_(fs), dialogs_(dialogs), appName_(std::move(appName)), lineLimit_(lineLimit), file_(fs) {}

TaskListFileReader::OpenResult TaskListFileReader::Open(const std::wstring& path) {
    file_.Close();
    path_ = path;
    lineNumber_ = 0;
    const auto attributes = fs_.GetAttributes(path);
    if (!attributes.ok() || IsDirectoryWord(*attributes))
        return OpenResult::kNoFile;
    warnings_.clear();
    const auto encoding = CheckTaskListEncoding(fs_, path);
    misread_ = encoding.badByte.has_value();
    if (encoding.badByte)
        warnings_.push_back(L"The file is not UTF-8 or UTF-16LE: byte " +
                            std::to_wstring(*encoding.badByte) +
                            L" (counting from 0) is not UTF-8 text, and the file has no "
                            L"UTF-16LE mark. Save it as UTF-8 or UTF-16LE.");
    const Status opened = file_.Open(path, encoding.encoding);
    if (!opened.ok()) {
        dialogs_.ShowMessageText(
            L"Error reading file " + Outside(path) + L"\n" + opened.error().text,
            L"Error Reading File", MessageIcon::kError, MessageButtons::kOk);
        return OpenResult::kFailed;
    }
    return OpenResult::kOpened;
}

TaskListFileReader::Next TaskListFileReader::ReadTask(TaskLine& task) {
    std::wstring line;
    for (;;) {
        const auto next = file_.ReadLine(line, lineLimit_);
        ++lineNumber_;
        switch (next) {
            case TextFileReader::Next::kEnd:
                return Next::kEnd;
            case TextFileReader::Next::kError:
                ShowReadFailure(file_.error().text);
                return Next::kError;
            case TextFileReader::Next::kLongLine:
                // Only a line that would be a task matters; others are skipped.
                if (!HasTaskKeyword(line))
                    continue;
                ShowReadFailure(L"Line " + std::to_wstring(lineNumber_) + L" is longer than " +
                                std::to_wstring(lineLimit_) + L" characters.");
                return Next::kError;
            case TextFileReader::Next::kLine:
                if (auto parsed = ParseTaskListLine(line)) {
                    task = std::move(*parsed);
                    return Next::kTask;
                }
                NoteSkipped(line);
                continue;
        }
    }
}

void TaskListFileReader::NoteSkipped(std::wstring_view line) {
    // Lines of a file in the wrong encoding are no text: its one warning says all.
    if (misread_ || line.find_first_not_of(L" \t\r") == std::wstring_view::npos)
        return;
    const std::wstring number = L"Line " + std::to_wstring(lineNumber_) + L" was skipped: ";
    const std::wstring keyword = AsciiLower(GetTaskKeyword(line));
    for (const std::wstring_view known : {L"$FileName", L"$FileDate", L"$System"}) {
        if (keyword == AsciiLower(known)) {
            warnings_.push_back(number + L"its keyword is written in another letter case than " +
                                std::wstring(known) + L".");
            return;
        }
    }
    warnings_.push_back(number +
                        L"it starts with no task keyword ($FileName, $FileDate or "
                        L"$System, then \"<>\").");
}

void TaskListFileReader::ShowReadFailure(const std::wstring& what) {
    file_.Close();
    ShowFileError(dialogs_, appName_, L"reading", path_, what);
}

// ---------------------------------------------------------------- writer

bool WriteTaskListFile(FileSystem& fs, const std::wstring& path, const TaskList& list,
                       Dialogs& dialogs, const std::wstring& appName) {
    TextFileWriter file(fs);
    const Status opened = file.Open(path, TextFileWriter::Mode::kReplaceWhenComplete);
    if (!opened.ok()) {
        dialogs.ShowMessage(L"Error saving task list: " + opened.error().text,
                            L"Error Saving Task List", MessageIcon::kError, MessageButtons::kOk);
        return false;
    }
    Status written;
    for (const auto& item : list) {
        written = file.Write(FormatTaskListLine(item) + L"\n");
        if (!written.ok())
            break;
    }
    if (written.ok())
        written = file.Close();
    if (!written.ok()) {
        ShowFileError(dialogs, appName, L"writing", path, written.error().text);
        return false;
    }
    return true;
}

namespace {

// The most lines a warning about a task list lists; the others are counted.
constexpr std::size_t kWarningsShown = 12;

}  // namespace

void ShowTaskListWarnings(Dialogs& dialogs, const std::wstring& appName, const std::wstring& path,
                          const std::vector<std::wstring>& warnings) {
    if (warnings.empty())
        return;
    MessageText text = L"The task list " + Outside(path) + L" was read with these problems:";
    const std::size_t shown = std::min(warnings.size(), kWarningsShown);
    for (std::size_t i = 0; i < shown; ++i)
        text += L"\n" + warnings[i];
    if (warnings.size() > shown)
        text += L"\n(" + std::to_wstring(warnings.size() - shown) + L" more.)";
    dialogs.ShowMessageText(text, appName, MessageIcon::kWarning, MessageButtons::kOk);
}

}  // namespace torvane
