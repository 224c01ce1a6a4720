#include "filelist/shortcut.hpp"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr char kLinkClsid[16] = {0x01,   0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 '\xC0', 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::size_t kMaxShortcutBytes = 1 << 20;

// Reads little-endian fields and NUL-terminated strings; every read past the
// end marks the reader failed instead.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    void Seek(std::size_t to) {
        if (!Fail(to > bytes_.size()))
            pos_ = to;
    }
    void Invalidate() { ok_ = false; }
    std::uint32_t Read(int width) {
        if (Fail(bytes_.size() - pos_ < static_cast<std::size_t>(width)))
            return 0;
        std::uint32_t v = 0;
        for (int i = width - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes_[pos_ + static_cast<std::size_t>(i)]);
        pos_ += static_cast<std::size_t>(width);
        return v;
    }
    std::string_view Take(std::size_t n) {
        if (Fail(bytes_.size() - pos_ < n))
            return {};
        const auto s = bytes_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    // A string of 8-bit (ANSI) or 16-bit characters ending with a NUL.
    std::wstring TerminatedString(bool wide) {
        std::u16string units;
        std::string narrow;
        for (;;) {
            const auto c = Read(wide ? 2 : 1);
            if (!ok_ || c == 0)
                break;
            if (wide) {
                units.push_back(static_cast<char16_t>(c));
            } else {
                narrow.push_back(static_cast<char>(c));
            }
        }
        return wide ? FromUtf16(units) : FromUtf8(narrow);
    }
    // A StringData field: a count of characters, then the characters.
    std::wstring CountedString(bool wide) {
        const auto count = Read(2);
        const auto raw = Take(count * (wide ? 2u : 1u));
        if (!wide)
            return FromUtf8(raw);
        std::u16string units;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                                  static_cast<unsigned char>(raw[i + 1]) << 8));
        return FromUtf16(units);
    }

  private:
    bool Fail(bool failed) {
        if (failed)
            ok_ = false;
        return !ok_;
    }
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Reads the local base path from the LinkInfo structure at the reader's
// position, and leaves the reader after the structure.
std::wstring ReadLinkInfo(Reader& r) {
    const auto start = r.position();
    const auto size = r.Read(4);
    const auto headerSize = r.Read(4);
    const auto flags = r.Read(4);
    r.Read(4);  // VolumeID offset
    const auto baseOffset = r.Read(4);
    r.Read(4);  // CommonNetworkRelativeLink offset
    const auto suffixOffset = r.Read(4);
    const bool unicode = headerSize >= 0x24;
    const auto baseOffsetW = unicode ? r.Read(4) : 0;
    const auto suffixOffsetW = unicode ? r.Read(4) : 0;
    if (!r.ok() || size < headerSize || headerSize < 0x1C) {
        r.Invalidate();
        return {};
    }
    std::wstring path;
    if (flags & kVolumeIdAndLocalBasePath) {
        const bool wide = baseOffsetW != 0;
        const auto at = [&](std::uint32_t offset) {
            if (offset >= size)
                r.Invalidate();
            r.Seek(start + offset);
            return r.TerminatedString(wide);
        };
        path = at(wide ? baseOffsetW : baseOffset);
        path += at(wide ? suffixOffsetW : suffixOffset);
    }
    r.Seek(start + size);
    return path;
}

std::wstring WithSeparators(std::wstring path) {
    std::replace(path.begin(), path.end(), L'\\', kPathSeparator);
    return path;
}

// A local base path may end with a separator ("D:\Photos\"); the target
// never does, except the root itself.
std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.pop_back();
    return path;
}

// Joins a relative path to a folder and removes "." and ".." parts.
std::wstring Resolve(const std::wstring& folder, const std::wstring& relative) {
    const auto joined = folder + WithSeparators(relative);
    std::vector<std::wstring> parts;
    std::size_t from = 0;
    while (from <= joined.size()) {
        const auto to = std::min(joined.find(kPathSeparator, from), joined.size());
        const auto part = joined.substr(from, to - from);
        if (part == L"..") {
            if (!parts.empty() && parts.back() != L"..") {
                parts.pop_back();
            } else if (joined.front() != kPathSeparator) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        from = to + 1;
    }
    std::wstring out = joined.front() == kPathSeparator ? std::wstring(1, kPathSeparator) : L"";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? std::wstring(1, kPathSeparator) : L"") + parts[i];
    return out;
}

}  // namespace

bool IsShortcutName(std::wstring_view path) {
    constexpr std::wstring_view kExtension = L".lnk";
    return path.size() >= kExtension.size() &&
           EqualsIgnoringAsciiCase(path.substr(path.size() - kExtension.size()), kExtension);
}

bool IsShortcutName(std::string_view name) {
    constexpr std::string_view kExtension = ".lnk";
    return name.size() >= kExtension.size() &&
           AsciiLower(name.substr(name.size() - kExtension.size())) == kExtension;
}

std::optional<ShellLinkPaths> ParseShellLink(std::string_view bytes) {
    Reader r(bytes);
    if (r.Read(4) != kHeaderSize || r.Take(16) != std::string_view(kLinkClsid, 16))
        return std::nullopt;
    const auto flags = r.Read(4);
    r.Seek(kHeaderSize);
    if (flags & kHasTargetIdList)
        r.Take(r.Read(2));
    ShellLinkPaths paths;
    if (flags & kHasLinkInfo)
        paths.localBasePath = ReadLinkInfo(r);
    const bool wide = (flags & kIsUnicode) != 0;
    if (flags & kHasName)
        r.CountedString(wide);
    if (flags & kHasRelativePath)
        paths.relativePath = r.CountedString(wide);
    if (!r.ok())
        return std::nullopt;
    return paths;
}

int ResolveShortcut(FileSystem& fs, const std::wstring& linkPath, std::wstring& target) {
    target.clear();
    const auto bytes = fs.ReadFileBytes(linkPath, kMaxShortcutBytes);
    if (!bytes)
        return bytes.error().code;
    const auto paths = ParseShellLink(*bytes);
    if (!paths)
        return EINVAL;
    if (!paths->relativePath.empty()) {
        target = Resolve(FolderOfPath(linkPath), paths->relativePath);
        if (fs.GetAttributes(target).ok())
            return 0;
    }
    if (!paths->localBasePath.empty()) {
        target = WithoutTrailingSeparators(WithSeparators(paths->localBasePath));
        if (fs.GetAttributes(target).ok())
            return 0;
    }
    return ENOENT;
}

}  // namespace torvane
