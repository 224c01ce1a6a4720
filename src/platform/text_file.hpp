#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.hpp"
#include "platform/system_error.hpp"

namespace torvane {

// Reads the program's text files (task lists, preferences) through a
// FileSystem, line by line the way the Windows runtime's "r, ccs=UNICODE"
// text mode does:
// - a file starting with FF FE, or with no byte-order mark, is UTF-16LE;
//   one starting with EF BB BF is UTF-8 (decoded losslessly, see text.hpp);
// - the mark is not part of the first line;
// - a line is the text up to a line feed; a carriage return just before the
//   line feed is dropped; a last line without a line feed is read too.
// A trailing odd byte of a UTF-16 file (a truncated code unit) is ignored.
// Memory stays bounded by the longest line plus a fixed buffer; with a line
// limit, by the limit plus a fixed buffer, whatever the file holds.
class TextFileReader {
  public:
    enum class Encoding { kUtf16Le, kUtf8 };

    explicit TextFileReader(FileSystem& fs) : fs_(fs) {}
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // Opens the file and reads its byte-order mark; a file without one is
    // read as `withoutMark` (UTF-16LE unless the caller has found out
    // otherwise). Fails with the system error of the open (or of the first
    // read).
    Status Open(const std::wstring& path, Encoding withoutMark = Encoding::kUtf16Le);

    static constexpr size_t kNoLimit = static_cast<size_t>(-1);

    enum class Next { kLine, kLongLine, kEnd, kError };
    // Reads the next line into `line`. kEnd when the file is exhausted; kError
    // when a read failed, with the failure in error(). kLongLine (only with a
    // limit) when the line holds more than `limit` code units of the file
    // (bytes for UTF-8): `line` then holds the decoded first `limit` units and
    // the rest of the line has been skipped without being kept.
    Next ReadLine(std::wstring& line, size_t limit = kNoLimit);

    Encoding encoding() const { return encoding_; }
    const SystemError& error() const { return error_; }

    void Close();

  private:
    bool Fill();          // reads more bytes into buffer_; false at end or on error
    size_t Unit() const;  // bytes per code unit
    bool IsUnit(size_t at, unsigned char value) const;  // the unit at byte `at` is `value`
    // Ends the line whose line feed is at byte `lineFeed`.
    Next FinishLine(std::wstring& line, size_t lineFeed, size_t limit, bool longLine);
    // Decodes bytes [from, to) as a line, or its first `limit` units when longer.
    Next TakeLine(std::wstring& line, size_t from, size_t to, size_t limit) const;
    std::wstring Decode(size_t from, size_t to) const;  // bytes [from, to) of buffer_

    FileSystem& fs_;
    std::unique_ptr<InputFile> file_;
    Encoding encoding_ = Encoding::kUtf16Le;
    std::vector<unsigned char> buffer_;
    size_t pos_ = 0;
    bool eof_ = false;
    SystemError error_;
};

// Writes the program's text files through a FileSystem the way the Windows
// runtime's "w, ccs=UNICODE" text mode does: UTF-16LE starting with FF FE,
// every line feed written as CR LF, a carriage return written unchanged.
class TextFileWriter {
  public:
    // kTruncate or kReplaceWhenComplete, see WriteMode.
    using Mode = WriteMode;

    explicit TextFileWriter(FileSystem& fs) : fs_(fs) {}
    ~TextFileWriter();  // abandons an unfinished file (see Close)
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Opens the file and writes the byte-order mark. Fails with the system
    // error that opening the file (or, when replacing, its folder) gave.
    Status Open(const std::wstring& path, Mode mode = Mode::kTruncate);

    // Writes text, turning each line feed into CR LF. After a failure every
    // further call fails with the same error.
    Status Write(std::wstring_view text);

    // Flushes and closes; in kReplaceWhenComplete mode puts the new file in
    // place of the old one. Fails with the first error of the whole write.
    Status Close();

  private:
    Status Flush();

    FileSystem& fs_;
    std::unique_ptr<OutputFile> file_;
    std::vector<unsigned char> buffer_;
    Status status_;
};

}  // namespace torvane
