#include "cli/terminal.hpp"

#include <unistd.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

}  // namespace

ConsoleIo ConsoleIo::Standard() {
    ConsoleIo io;
    io.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    io.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    return io;
}

std::wstring ProgressLine(std::int64_t done, std::int64_t total, double seconds, int width) {
    done = std::clamp<std::int64_t>(done, 0, std::max<std::int64_t>(total, 0));
    const auto filled = total > 0 ? static_cast<int>(done * width / total) : 0;
    std::wstring line = L"[" + std::wstring(static_cast<std::size_t>(filled), L'#') +
                        std::wstring(static_cast<std::size_t>(width - filled), L'-') + L"] " +
                        std::to_wstring(done) + L"/" + std::to_wstring(total) + L" entries";
    if (seconds > 0) {
        wchar_t rate[32];
        std::swprintf(rate, 32, L"  %.1f/s", static_cast<double>(done) / seconds);
        line += rate;
    }
    return line;
}

bool IsYes(const std::wstring& answer) {
    const std::wstring word = AsciiLower(Trimmed(answer));
    return word == L"y" || word == L"yes";
}

Terminal::Terminal(ConsoleIo io, Clock clock) : io_(io), clock_(std::move(clock)) {}

Terminal::~Terminal() {
    if (io_.out != nullptr)
        std::fflush(io_.out);
}

void Terminal::Write(std::FILE* stream, const std::wstring& text) {
    ClearProgress();
    const std::string bytes = ToUtf8(text);
    if (stream == io_.out) {
        // Left in the stream's buffer: standard error's next write, a
        // question or the end flushes it.
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        return;
    }
    std::fflush(io_.out);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

void Terminal::PrintOut(const std::wstring& text) {
    Write(io_.out, text + L"\n");
}

void Terminal::PrintError(const std::wstring& text) {
    Write(io_.err, text + L"\n");
}

bool Terminal::AskYesNo(const std::wstring& question) {
    const auto answer = ReadLine(question + L" [y/N] ");
    return answer && IsYes(*answer);
}

std::optional<std::wstring> Terminal::ReadLine(const std::wstring& prompt) {
    if (!io_.inIsTerminal)
        return std::nullopt;
    Write(io_.err, prompt);
    std::string line;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, io_.in)) {
        line += buffer;
        if (!line.empty() && line.back() == '\n')
            break;
    }
    if (line.empty())
        return std::nullopt;  // the end of input: nobody will answer
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return FromUtf8(line);
}

void Terminal::SetProgressRange(int low, int high) {
    low_ = low;
    high_ = high;
    started_ = clock_();
    lastDrawn_.reset();
}

void Terminal::SetProgressPosition(int position) {
    if (!io_.errIsTerminal)
        return;
    if (position == 0) {
        ClearProgress();
        return;
    }
    const auto now = clock_();
    const bool atEnd = position >= high_;
    if (!atEnd && lastDrawn_ && now - *lastDrawn_ < kRedrawInterval)
        return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    std::wstring line = ProgressLine(position - low_, high_ - low_, seconds);
    if (line.size() < shownWidth_)
        line.resize(shownWidth_, L' ');  // covers the end of a longer line
    const std::string bytes = ToUtf8(L"\r" + line);
    std::fflush(io_.out);
    std::fwrite(bytes.data(), 1, bytes.size(), io_.err);
    std::fflush(io_.err);
    shownWidth_ = line.size();
}

void Terminal::ClearProgress() {
    if (shownWidth_ == 0)
        return;
    const std::string blank = "\r" + std::string(shownWidth_, ' ') + "\r";
    std::fwrite(blank.data(), 1, blank.size(), io_.err);
    std::fflush(io_.err);
    shownWidth_ = 0;
}

}  // namespace torvane
