#include "platform/text_file.hpp"

#include <cerrno>
#include <string>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr size_t kChunk = 64 * 1024;

}  // namespace

// ---------------------------------------------------------------- reader

TextFileReader::~TextFileReader() {
    Close();
}

void TextFileReader::Close() {
    file_.reset();
}

Status TextFileReader::Open(const std::wstring& path, Encoding withoutMark) {
    Close();
    buffer_.clear();
    pos_ = 0;
    eof_ = false;
    error_ = {};
    auto opened = fs_.OpenForReading(path);
    if (!opened.ok())
        return opened.error();
    file_ = std::move(*opened);
    // Read enough for the longest mark.
    while (buffer_.size() < 3 && Fill()) {
    }
    if (!eof_ && buffer_.size() < 3) {  // a read error
        Close();
        return error_;
    }
    encoding_ = withoutMark;
    if (buffer_.size() >= 2 && buffer_[0] == 0xFF && buffer_[1] == 0xFE) {
        encoding_ = Encoding::kUtf16Le;
        pos_ = 2;
    } else if (buffer_.size() >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB &&
               buffer_[2] == 0xBF) {
        encoding_ = Encoding::kUtf8;
        pos_ = 3;
    }
    return Status::Ok();
}

bool TextFileReader::Fill() {
    if (eof_ || !file_)
        return false;
    // Drop what has been consumed so the buffer never grows past one line.
    if (pos_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = 0;
    }
    const size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    const auto n = file_->Read(buffer_.data() + old, kChunk);
    if (!n.ok()) {
        error_ = n.error();
        buffer_.resize(old);
        return false;
    }
    buffer_.resize(old + *n);
    if (*n == 0)
        eof_ = true;
    return *n > 0;
}

size_t TextFileReader::Unit() const {
    return encoding_ == Encoding::kUtf16Le ? 2 : 1;
}

bool TextFileReader::IsUnit(size_t at, unsigned char value) const {
    return Unit() == 2 ? (buffer_[at] == value && buffer_[at + 1] == 0) : buffer_[at] == value;
}

TextFileReader::Next TextFileReader::ReadLine(std::wstring& line, size_t limit) {
    line.clear();
    if (!file_)
        return Next::kEnd;
    const size_t unit = Unit();
    // The most bytes of one line kept while looking for its end: the limit
    // plus one unit for a carriage return that may still be dropped.
    const size_t keep = limit >= kNoLimit / unit - 1 ? kNoLimit : (limit + 1) * unit;
    bool longLine = false;
    size_t scan = pos_;  // where the search for a line feed goes on
    for (;;) {
        for (; scan + unit <= buffer_.size(); scan += unit) {
            if (IsUnit(scan, 0x0A))
                return FinishLine(line, scan, limit, longLine);
        }
        if (!longLine && scan - pos_ > keep) {
            line = Decode(pos_, pos_ + limit * unit);
            longLine = true;
        }
        if (longLine)
            pos_ = scan;  // skip what was scanned instead of keeping it
        const size_t consumed = pos_;
        if (!Fill())
            break;
        scan -= consumed;  // Fill moved the unread bytes to the front
    }
    if (!eof_)
        return Next::kError;
    // The last line, without a line feed; an odd trailing byte is ignored.
    const size_t from = pos_;
    const size_t to = from + (buffer_.size() - from) / unit * unit;
    pos_ = buffer_.size();
    if (longLine)
        return Next::kLongLine;
    if (to == from)
        return Next::kEnd;
    return TakeLine(line, from, to, limit);
}

TextFileReader::Next TextFileReader::FinishLine(std::wstring& line, size_t lineFeed, size_t limit,
                                                bool longLine) {
    const size_t unit = Unit();
    const size_t from = pos_;
    size_t to = lineFeed;
    if (to >= from + unit && IsUnit(to - unit, 0x0D))
        to -= unit;
    pos_ = lineFeed + unit;
    if (longLine)
        return Next::kLongLine;
    return TakeLine(line, from, to, limit);
}

TextFileReader::Next TextFileReader::TakeLine(std::wstring& line, size_t from, size_t to,
                                              size_t limit) const {
    const size_t unit = Unit();
    if ((to - from) / unit > limit) {
        line = Decode(from, from + limit * unit);
        return Next::kLongLine;
    }
    line = Decode(from, to);
    return Next::kLine;
}

std::wstring TextFileReader::Decode(size_t from, size_t to) const {
    const unsigned char* start = buffer_.data() + from;
    if (encoding_ == Encoding::kUtf8)
        return FromUtf8(std::string_view(reinterpret_cast<const char*>(start), to - from));
    std::u16string units((to - from) / 2, u'\0');
    for (size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(start[2 * k] | (start[2 * k + 1] << 8));
    return FromUtf16(units);
}

// ---------------------------------------------------------------- writer

TextFileWriter::~TextFileWriter() = default;  // an unfinished file is abandoned

Status TextFileWriter::Open(const std::wstring& path, Mode mode) {
    file_.reset();
    buffer_.clear();
    auto opened = fs_.OpenForWriting(path, mode);
    if (!opened.ok())
        return status_ = opened.error();
    file_ = std::move(*opened);
    status_ = Status::Ok();
    buffer_ = {0xFF, 0xFE};
    return Status::Ok();
}

Status TextFileWriter::Write(std::wstring_view text) {
    if (!status_.ok())
        return status_;
    if (!file_)
        return status_ = SystemError::FromErrno(EBADF);
    for (char16_t u : ToUtf16(text)) {
        if (u == u'\n') {
            buffer_.push_back(0x0D);
            buffer_.push_back(0x00);
        }
        buffer_.push_back(static_cast<unsigned char>(u & 0xFF));
        buffer_.push_back(static_cast<unsigned char>(u >> 8));
    }
    if (buffer_.size() >= kChunk)
        return Flush();
    return Status::Ok();
}

Status TextFileWriter::Flush() {
    if (!status_.ok())
        return status_;
    if (const Status written = file_->Write(buffer_.data(), buffer_.size()); !written.ok())
        return status_ = written;
    buffer_.clear();
    return Status::Ok();
}

Status TextFileWriter::Close() {
    if (!file_)
        return status_.ok() ? Status(SystemError::FromErrno(EBADF)) : status_;
    Flush();
    if (status_.ok())
        status_ = file_->Commit();
    file_.reset();  // abandons the file when anything failed
    return status_;
}

}  // namespace torvane
