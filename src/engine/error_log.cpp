#include "engine/error_log.hpp"

#include "platform/file_attributes.hpp"
#include "platform/local_time.hpp"
#include "platform/text_file.hpp"

namespace torvane {
namespace {

constexpr const wchar_t* kStampFormat = L"%Y-%m-%d %H-%M-%S";
constexpr std::wstring_view kDots = L"..........";

}  // namespace

std::wstring ErrorLogHeader(std::int64_t now) {
    return L"Log file started on: " + FormatLocalTime(now, kStampFormat) + L"\n";
}

std::wstring ErrorLogLine(std::wstring_view prefix, std::wstring_view path,
                          std::wstring_view message) {
    std::wstring line;
    line.reserve(prefix.size() + path.size() + kDots.size() + message.size());
    line += prefix;
    line += path;
    line += kDots;
    line += message;
    return line;
}

std::wstring ProposedErrorLogName(std::int64_t now) {
    return L"Error log " + FormatLocalTime(now, kStampFormat);
}

bool SaveErrorLog(FileSystem& fs, const std::wstring& path, const ErrorLog& log, Dialogs& dialogs) {
    // The log is offered under a proposed name, perhaps in a folder others
    // may write: a symbolic link planted there would have the log written
    // over the file it names. It is refused.
    if (const auto found = fs.FindEntry(path);
        found.ok() && (found->attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        dialogs.ShowMessageText(L"Error saving log file: " + Outside(path) +
                                    L" is a symbolic link; the log is not written through it.",
                                L"Error Saving Log File", MessageIcon::kError, MessageButtons::kOk);
        return false;
    }
    TextFileWriter writer(fs);
    if (const auto opened = writer.Open(path, TextFileWriter::Mode::kReplaceWhenComplete);
        !opened.ok()) {
        dialogs.ShowMessage(L"Error saving log file: " + opened.error().text,
                            L"Error Saving Log File", MessageIcon::kError, MessageButtons::kOk);
        return false;
    }
    Status written;
    for (const auto& line : log) {
        written = writer.Write(line + L"\n");
        if (!written.ok())
            break;
    }
    if (written.ok())
        written = writer.Close();
    if (!written.ok()) {
        dialogs.ShowMessageText(
            L"An error occurred while writing " + Outside(path) + L".\n" + written.error().text,
            L"Error Saving Log File", MessageIcon::kError, MessageButtons::kOk);
        return false;
    }
    return true;
}

}  // namespace torvane
