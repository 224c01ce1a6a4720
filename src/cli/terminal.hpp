#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace torvane {

// The console's standard streams and which of them are terminals.
struct ConsoleIo {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool inIsTerminal = false;   // questions are asked only then
    bool errIsTerminal = false;  // the progress bar is drawn only then

    // The process's own streams, tested with isatty.
    static ConsoleIo Standard();
};

// The progress bar's text: a bar of `width` cells filled in proportion,
// "done/total entries" and the rate ("12.5/s", left out before any time has
// passed). `done` is clamped to 0..total.
std::wstring ProgressLine(std::int64_t done, std::int64_t total, double seconds, int width = 30);

// Whether an answer typed to a Yes/No question means Yes: "y" or "yes" in
// any ASCII letter case, blanks around it ignored.
bool IsYes(const std::wstring& answer);

// Lines, questions and the progress bar on the console. Texts are written as
// UTF-8. Standard output keeps its stream's buffer (a dry run of many lines
// costs a few writes, not one a line); it is flushed before anything goes to
// standard error, before a question and when the terminal goes away, so the
// two streams still interleave as they were written. Standard error is
// flushed after each write. The progress line is cleared before any other
// text is written.
class Terminal {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit Terminal(ConsoleIo io, Clock clock = std::chrono::steady_clock::now);
    ~Terminal();

    const ConsoleIo& io() const { return io_; }

    // `text` and a line break on standard output, or on standard error.
    void PrintOut(const std::wstring& text);
    void PrintError(const std::wstring& text);

    // Writes `question` + " [y/N] " on standard error and reads the answer
    // when standard input is a terminal: true only for Yes; an empty line,
    // any other text or the end of input mean No. Without a terminal it
    // reads nothing and returns false.
    bool AskYesNo(const std::wstring& question);

    // Writes `prompt` on standard error and reads one line when standard
    // input is a terminal (without its line end); nullopt at the end of input
    // or without a terminal.
    std::optional<std::wstring> ReadLine(const std::wstring& prompt);

    // The progress bar on standard error, when it is a terminal: the range
    // starts the rate's clock; a position of 0 clears the bar; other
    // positions redraw it at most every 100 ms, and always at the range's end.
    void SetProgressRange(int low, int high);
    void SetProgressPosition(int position);

  private:
    void Write(std::FILE* stream, const std::wstring& text);
    void ClearProgress();

    ConsoleIo io_;
    Clock clock_;
    int low_ = 0;
    int high_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::optional<std::chrono::steady_clock::time_point> lastDrawn_;
    std::size_t shownWidth_ = 0;  // characters of the progress line on show; 0: none
};

}  // namespace torvane
