#include "platform/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr size_t kChunk = 64 * 1024;

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A number for a temporary file name, distinct within the process.
unsigned long NextTempNumber() {
    static std::atomic<unsigned long> next{0};
    return next.fetch_add(1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

}  // namespace

// ---------------------------------------------------------------- reader

TextFileReader::~TextFileReader() {
    Close();
}

void TextFileReader::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

Status TextFileReader::Open(const std::wstring& path) {
    Close();
    buffer_.clear();
    pos_ = 0;
    eof_ = false;
    error_ = {};
    fd_ = OpenRetrying(ToUtf8(path).c_str(), O_RDONLY);
    if (fd_ < 0)
        return SystemError::FromLastErrno();
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        Close();
        return SystemError::FromErrno(EISDIR);
    }
    // Read enough for the longest mark.
    while (buffer_.size() < 3 && Fill()) {
    }
    if (!eof_ && buffer_.size() < 3) {  // a read error
        Close();
        return error_;
    }
    encoding_ = Encoding::kUtf16Le;
    if (buffer_.size() >= 2 && buffer_[0] == 0xFF && buffer_[1] == 0xFE) {
        pos_ = 2;
    } else if (buffer_.size() >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB &&
               buffer_[2] == 0xBF) {
        encoding_ = Encoding::kUtf8;
        pos_ = 3;
    }
    return Status::Ok();
}

bool TextFileReader::Fill() {
    if (eof_ || fd_ < 0)
        return false;
    // Drop what has been consumed so the buffer never grows past one line.
    if (pos_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = 0;
    }
    const size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data() + old, kChunk);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        error_ = SystemError::FromLastErrno();
        buffer_.resize(old);
        return false;
    }
    buffer_.resize(old + static_cast<size_t>(n));
    if (n == 0)
        eof_ = true;
    return n > 0;
}

size_t TextFileReader::Unit() const {
    return encoding_ == Encoding::kUtf16Le ? 2 : 1;
}

bool TextFileReader::IsUnit(size_t at, unsigned char value) const {
    return Unit() == 2 ? (buffer_[at] == value && buffer_[at + 1] == 0) : buffer_[at] == value;
}

TextFileReader::Next TextFileReader::ReadLine(std::wstring& line, size_t limit) {
    line.clear();
    if (fd_ < 0)
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

TextFileWriter::~TextFileWriter() {
    Abandon();
}

void TextFileWriter::Abandon() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

Status TextFileWriter::Open(const std::wstring& path, Mode mode) {
    Abandon();
    mode_ = mode;
    path_ = ToUtf8(path);
    buffer_.clear();
    status_ = mode == Mode::kTruncate ? OpenInPlace() : OpenBeside();
    if (!status_.ok())
        return status_;
    buffer_ = {0xFF, 0xFE};
    return Status::Ok();
}

Status TextFileWriter::OpenInPlace() {
    mode_ = Mode::kTruncate;
    fd_ = OpenRetrying(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd_ < 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

Status TextFileWriter::OpenBeside() {
    // Through a symbolic link the file it names is replaced, not the link.
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
        path_ = real;
        std::free(real);
    }
    // Refuse what a direct open would refuse, so both modes fail alike.
    struct stat st {};
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return SystemError::FromErrno(EISDIR);
    if (exists && ::access(path_.c_str(), W_OK) != 0)
        return SystemError::FromLastErrno();
    const std::string folder = FolderOf(path_);
    for (unsigned attempt = 0;; ++attempt) {
        tempPath_ = folder + "/.torvane-" + std::to_string(::getpid()) + "-" +
                    std::to_string(NextTempNumber()) + ".tmp";
        // 0666 lets the umask decide the mode, as for a directly created file.
        fd_ = OpenRetrying(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd_ >= 0)
            break;
        const int error = errno;
        tempPath_.clear();
        if (error == EEXIST && attempt < 100)
            continue;
        // A folder that takes no new file may still hold a writable one: write
        // that in place, as a direct open would.
        if (exists && (error == EACCES || error == EPERM))
            return OpenInPlace();
        return SystemError::FromErrno(error);
    }
    if (exists)
        ::fchmod(fd_, st.st_mode & 07777);
    return Status::Ok();
}

Status TextFileWriter::Write(std::wstring_view text) {
    if (!status_.ok())
        return status_;
    if (fd_ < 0)
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
    if (!WriteAll(fd_, buffer_.data(), buffer_.size()))
        return status_ = SystemError::FromLastErrno();
    buffer_.clear();
    return Status::Ok();
}

Status TextFileWriter::Close() {
    if (fd_ < 0)
        return status_.ok() ? Status(SystemError::FromErrno(EBADF)) : status_;
    Flush();
    if (status_.ok() && mode_ == Mode::kReplaceWhenComplete && ::fsync(fd_) != 0)
        status_ = SystemError::FromLastErrno();
    if (::close(fd_) != 0 && status_.ok())
        status_ = SystemError::FromLastErrno();
    fd_ = -1;
    if (status_.ok() && !tempPath_.empty()) {
        if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
            status_ = SystemError::FromLastErrno();
        } else {
            tempPath_.clear();
        }
    }
    Abandon();
    return status_;
}

}  // namespace torvane
