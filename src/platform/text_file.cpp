#include "platform/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

// ---------------------------------------------------------------- reader

TextFileReader::~TextFileReader() { Close(); }

void TextFileReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

Status TextFileReader::Open(const std::wstring& path) {
    Close();
    buffer_.clear();
    pos_ = 0;
    eof_ = false;
    fd_ = OpenRetrying(ToUtf8(path).c_str(), O_RDONLY);
    if (fd_ < 0) return SystemError::FromLastErrno();
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        Close();
        return SystemError::FromErrno(EISDIR);
    }
    // Read enough for the longest mark.
    while (buffer_.size() < 3 && Fill()) {
    }
    if (!eof_ && buffer_.size() < 3) return error_;  // a read error
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
    if (eof_ || fd_ < 0) return false;
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
    if (n == 0) eof_ = true;
    return n > 0;
}

TextFileReader::Next TextFileReader::ReadLine(std::wstring& line) {
    line.clear();
    if (fd_ < 0) return Next::kEnd;
    const size_t unit = encoding_ == Encoding::kUtf16Le ? 2 : 1;
    size_t scan = pos_;  // where the search for a line feed goes on
    for (;;) {
        for (; scan + unit <= buffer_.size(); scan += unit) {
            const bool lf = unit == 2 ? (buffer_[scan] == 0x0A && buffer_[scan + 1] == 0)
                                      : buffer_[scan] == 0x0A;
            if (!lf) continue;
            size_t end = scan;
            if (end >= pos_ + unit) {
                const bool cr = unit == 2
                                    ? (buffer_[end - 2] == 0x0D && buffer_[end - 1] == 0)
                                    : buffer_[end - 1] == 0x0D;
                if (cr) end -= unit;
            }
            line = Decode(pos_, end);
            pos_ = scan + unit;
            return Next::kLine;
        }
        const size_t consumed = pos_;
        if (!Fill()) break;
        scan -= consumed;  // Fill moved the unread bytes to the front
    }
    if (!eof_) return Next::kError;
    // The last line, without a line feed; an odd trailing byte is ignored.
    const size_t usable = (buffer_.size() - pos_) / unit * unit;
    if (usable == 0) {
        pos_ = buffer_.size();
        return Next::kEnd;
    }
    line = Decode(pos_, pos_ + usable);
    pos_ = buffer_.size();
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

TextFileWriter::~TextFileWriter() { Abandon(); }

void TextFileWriter::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

Status TextFileWriter::Open(const std::wstring& path, Mode mode) {
    Abandon();
    mode_ = mode;
    path_ = ToUtf8(path);
    buffer_.clear();
    status_ = Status::Ok();
    if (mode == Mode::kTruncate) {
        fd_ = OpenRetrying(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd_ < 0) return status_ = SystemError::FromLastErrno();
    } else {
        // Refuse what a direct open would refuse, so both modes fail alike.
        struct stat st {};
        const bool exists = ::stat(path_.c_str(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode)) return status_ = SystemError::FromErrno(EISDIR);
        if (exists && ::access(path_.c_str(), W_OK) != 0)
            return status_ = SystemError::FromLastErrno();
        std::string templ = FolderOf(path_) + "/.torvane-XXXXXX";
        fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
        if (fd_ < 0) return status_ = SystemError::FromLastErrno();
        tempPath_ = templ;
        const mode_t keep = exists ? (st.st_mode & 07777) : [] {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            return static_cast<mode_t>(0666 & ~mask);
        }();
        ::fchmod(fd_, keep);
    }
    buffer_ = {0xFF, 0xFE};
    return Status::Ok();
}

Status TextFileWriter::Write(std::wstring_view text) {
    if (!status_.ok()) return status_;
    if (fd_ < 0) return status_ = SystemError::FromErrno(EBADF);
    for (char16_t u : ToUtf16(text)) {
        if (u == u'\n') {
            buffer_.push_back(0x0D);
            buffer_.push_back(0x00);
        }
        buffer_.push_back(static_cast<unsigned char>(u & 0xFF));
        buffer_.push_back(static_cast<unsigned char>(u >> 8));
    }
    if (buffer_.size() >= kChunk) return Flush();
    return Status::Ok();
}

Status TextFileWriter::Flush() {
    if (!status_.ok()) return status_;
    if (!WriteAll(fd_, buffer_.data(), buffer_.size()))
        return status_ = SystemError::FromLastErrno();
    buffer_.clear();
    return Status::Ok();
}

Status TextFileWriter::Close() {
    if (fd_ < 0) return status_.ok() ? Status(SystemError::FromErrno(EBADF)) : status_;
    Flush();
    if (status_.ok() && mode_ == Mode::kReplaceWhenComplete && ::fsync(fd_) != 0)
        status_ = SystemError::FromLastErrno();
    if (::close(fd_) != 0 && status_.ok()) status_ = SystemError::FromLastErrno();
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
