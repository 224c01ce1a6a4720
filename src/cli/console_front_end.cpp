#include "cli/console_front_end.hpp"

#include <cstring>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kConfirmationStart = L"Are you sure you want to execute this job?";

std::wstring WithoutTrailingLineBreaks(std::wstring text) {
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

}  // namespace

void Print(std::FILE* stream, const std::wstring& text) {
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

ConsoleFrontEnd::ConsoleFrontEnd(std::FILE* input, bool inputIsTerminal, bool errorIsTerminal)
    : input_(input), inputIsTerminal_(inputIsTerminal), errorIsTerminal_(errorIsTerminal) {}

MessageAnswer ConsoleFrontEnd::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                           MessageIcon icon, MessageButtons buttons) {
    EndProgressLine();
    if (icon == MessageIcon::kError)
        ++errorsShown_;
    const std::wstring line = caption + L": " + WithoutTrailingLineBreaks(text);
    const bool question =
        buttons == MessageButtons::kYesNo || buttons == MessageButtons::kYesNoCancel;
    if (!question) {
        Print(icon == MessageIcon::kInformation ? stdout : stderr, line + L"\n");
        return buttons == MessageButtons::kOkCancel ? MessageAnswer::kCancel : MessageAnswer::kOk;
    }
    if (!inputIsTerminal_) {
        std::wstring how = L"Answered No: standard input is not a terminal.";
        if (text.starts_with(kConfirmationStart))
            how += L" Add -NoConfirm to apply the task list without being asked.";
        Print(stderr, line + L"\n" + how + L"\n");
        return MessageAnswer::kNo;
    }
    Print(stderr, line + L" [y/N] ");
    const auto answer = ReadAnswer();
    return answer && !answer->empty() && (answer->front() == L'y' || answer->front() == L'Y')
               ? MessageAnswer::kYes
               : MessageAnswer::kNo;
}

std::optional<std::wstring> ConsoleFrontEnd::ReadAnswer() {
    char buffer[4096];
    if (std::fgets(buffer, sizeof buffer, input_) == nullptr)
        return std::nullopt;
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return FromUtf8(line);
}

std::optional<std::wstring> ConsoleFrontEnd::PickSaveFile(const FileDialogRequest& request) {
    if (!inputIsTerminal_)
        return std::nullopt;
    const std::wstring proposed = request.initialName + request.defaultExtension;
    Print(stderr, L"Save the log as [" + proposed + L"] (an empty answer takes it, \"-\" "
                                                    L"saves nothing): ");
    const auto answer = ReadAnswer();
    if (!answer || *answer == L"-")
        return std::nullopt;
    return answer->empty() ? proposed : *answer;
}

void ConsoleFrontEnd::JobFinished(const JobResult& result) {
    EndProgressLine();
    if (!result.error)
        return;
    // The header line is the log's own; the failures follow it.
    for (std::size_t i = 1; i < result.log.size(); ++i)
        Print(stderr, WithoutTrailingLineBreaks(result.log[i]) + L"\n");
}

void ConsoleFrontEnd::SetRange(int low, int high) {
    (void)low;
    high_ = high;
    position_ = 0;
    jobStart_ = std::chrono::steady_clock::now();
}

void ConsoleFrontEnd::Draw(int position) {
    position_ = position;
    if (!errorIsTerminal_ || controller_ == nullptr || !controller_->jobRunning())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - lastDraw_ < std::chrono::milliseconds(100) && position < high_)
        return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - jobStart_).count();
    const int total = high_ > 0 ? high_ : 1;
    const int done = position < total ? position : total;
    const int width = 30;
    const int filled = done * width / total;
    char line[160];
    std::snprintf(line, sizeof line, "\r[%s%s] %d/%d entries, %.0f/s ",
                  std::string(static_cast<std::size_t>(filled), '#').c_str(),
                  std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), position,
                  high_, seconds > 0 ? position / seconds : 0.0);
    std::fputs(line, stderr);
    std::fflush(stderr);
    progressShown_ = true;
}

void ConsoleFrontEnd::EndProgressLine() {
    if (!progressShown_)
        return;
    std::fputs("\n", stderr);
    progressShown_ = false;
}

}  // namespace torvane
