#include "platform/win32_api.hpp"
//
#include <cstdlib>

#include "platform/file_system_factory.hpp"
#include "platform/text.hpp"
#include "platform/win32_file_system.hpp"
#include "platform/win32_handles.hpp"
#include "platform/win32_support.hpp"

namespace torvane {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// `path` with '\' turned into '/', the core's separator.
std::wstring CorePath(std::wstring path) {
    for (auto& c : path) {
        if (c == L'\\')
            c = L'/';
    }
    return path;
}

// `path` without its trailing separators (a root keeps its own).
std::wstring StripSeparators(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'/' || path.back() == L'\\') &&
           path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}

// The last component of a path (a trailing separator ignored).
std::wstring LastComponent(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'/' || path.back() == L'\\'))
        path.pop_back();
    const auto slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

class Win32InputFile : public InputFile {
  public:
    explicit Win32InputFile(UniqueHandle h) : h_(std::move(h)) {}

    Result<std::size_t> Read(unsigned char* buffer, std::size_t size) override {
        DWORD n = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!ReadFile(h_.get(), buffer, chunk, &n, nullptr))
            return FromLastWin32Error();
        return static_cast<std::size_t>(n);
    }

  private:
    UniqueHandle h_;
};

// A file written in place, or beside its target and put in its place on
// Commit (`target` not empty). `h` may be the standard output, not closed.
class Win32OutputFile : public OutputFile {
  public:
    Win32OutputFile(UniqueHandle own, HANDLE h, std::wstring temp, std::wstring target)
        : own_(std::move(own)), h_(h), temp_(std::move(temp)), target_(std::move(target)) {}
    ~Win32OutputFile() override {
        if (!temp_.empty()) {
            own_ = UniqueHandle();
            DeleteFileW(temp_.c_str());
        }
    }

    Status Write(const unsigned char* data, std::size_t size) override {
        while (size > 0) {
            DWORD n = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
            if (!WriteFile(h_, data, chunk, &n, nullptr))
                return FromLastWin32Error();
            data += n;
            size -= n;
        }
        return Status::Ok();
    }

    Status Commit() override {
        if (temp_.empty()) {
            own_ = UniqueHandle();
            return Status::Ok();
        }
        if (!FlushFileBuffers(h_))
            return FromLastWin32Error();
        own_ = UniqueHandle();
        // ReplaceFileW keeps the old file's attributes and access list.
        const bool replaced =
            GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES
                ? ReplaceFileW(target_.c_str(), temp_.c_str(), nullptr, 0, nullptr, nullptr)
                : MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_WRITE_THROUGH);
        if (!replaced)
            return FromLastWin32Error();
        temp_.clear();
        return Status::Ok();
    }

  private:
    UniqueHandle own_;
    HANDLE h_;
    std::wstring temp_;
    std::wstring target_;
};

// Refuses a target that exists and is no regular file: EISDIR for a folder,
// EINVAL for a device or anything else.
Status CheckWritable(const std::wstring& windowsPath) {
    const DWORD attributes = GetFileAttributesW(windowsPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Status::Ok();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return SystemError::FromErrno(EISDIR);
    return Status::Ok();
}

Result<std::unique_ptr<OutputFile>> OpenInPlace(const std::wstring& windowsPath) {
    UniqueHandle h(CreateFileW(windowsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return FromLastWin32Error();
    if (GetFileType(h.get()) != FILE_TYPE_DISK)
        return NotRegularFileError();
    if (!SetEndOfFile(h.get()))
        return FromLastWin32Error();
    const HANDLE raw = h.get();
    return std::unique_ptr<OutputFile>(
        std::make_unique<Win32OutputFile>(std::move(h), raw, L"", L""));
}

// Opens a path for reading a regular file: EISDIR for a folder, the
// not-a-regular-file error for a device or a pipe.
Result<UniqueHandle> OpenRegularForReading(const std::wstring& path) {
    auto h = OpenPath(path, GENERIC_READ, true);
    if (!h)
        return h.error();
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h->get()) != FILE_TYPE_DISK)
        return NotRegularFileError();
    if (!GetFileInformationByHandle(h->get(), &info))
        return FromLastWin32Error();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return SystemError::FromErrno(EISDIR);
    return std::move(*h);
}

}  // namespace

Result<UniqueHandle> OpenPath(const std::wstring& path, DWORD access, bool follow) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    UniqueHandle h(CreateFileW(ToWindowsPath(path).c_str(), access, kShareAll, nullptr,
                               OPEN_EXISTING, flags, nullptr));
    if (!h)
        return FromLastWin32Error();
    return h;
}

Result<FindRecord> RecordOfHandle(HANDLE h, const std::wstring& name) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info))
        return FromLastWin32Error();
    auto seconds = [](const FILETIME& t) {
        return SecondsOfFileTime(
            static_cast<std::int64_t>((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime));
    };
    FindRecord r;
    r.name = name;
    r.attributes = info.dwFileAttributes;
    r.created = seconds(info.ftCreationTime);
    r.modified = seconds(info.ftLastWriteTime);
    r.accessed = seconds(info.ftLastAccessTime);
    r.id = FileId{info.dwVolumeSerialNumber,
                  (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return r;
}

Result<std::uint32_t> Win32FileSystem::GetAttributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(ToWindowsPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FromLastWin32Error();
    return static_cast<std::uint32_t>(attributes);
}

Result<std::vector<FindRecord>> Win32FileSystem::FindEntries(const std::wstring& folder) {
    auto opened = OpenFolder(folder);
    if (!opened)
        return opened.error();
    return (*opened)->FindEntries();
}

Result<FindRecord> Win32FileSystem::FindEntry(const std::wstring& path) {
    auto h = OpenPath(path, FILE_READ_ATTRIBUTES, false);
    if (!h)
        return h.error();
    return RecordOfHandle(h->get(), LastComponent(path));
}

Result<std::unique_ptr<Folder>> Win32FileSystem::OpenFolder(const std::wstring& path) {
    auto h = OpenPath(
        path, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, true);
    if (!h) {
        // "file/" is refused as an invalid name: it names a file, no folder.
        const auto kind = GetAttributes(StripSeparators(path));
        if (kind && !(*kind & FILE_ATTRIBUTE_DIRECTORY))
            return SystemError::FromErrno(ENOTDIR);
        return h.error();
    }
    auto record = RecordOfHandle(h->get(), L"");
    if (!record)
        return record.error();
    if (!(record->attributes & FILE_ATTRIBUTE_DIRECTORY))
        return SystemError::FromErrno(ENOTDIR);
    std::wstring shown = CorePath(path);
    if (shown.empty() || shown.back() != kPathSeparator)
        shown += kPathSeparator;
    return MakeWin32Folder(std::move(*h), std::move(shown), record->id);
}

Result<std::wstring> Win32FileSystem::ResolveLinks(const std::wstring& path) {
    auto h = OpenPath(path, FILE_READ_ATTRIBUTES, true);
    if (!h)
        return h.error();
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h->get(), buffer.data(),
                                              static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
    if (n == 0 || n >= buffer.size())
        return FromLastWin32Error();
    buffer.resize(n);
    if (buffer.starts_with(L"\\\\?\\UNC\\"))
        buffer = L"\\\\" + buffer.substr(8);
    else if (buffer.starts_with(L"\\\\?\\"))
        buffer.erase(0, 4);
    std::wstring resolved = CorePath(buffer);
    // A drive's root keeps its separator ("C:/").
    if (resolved.size() > 3 && resolved.back() == kPathSeparator)
        resolved.pop_back();
    return resolved;
}

Result<std::string> Win32FileSystem::ReadFileBytes(const std::wstring& path, std::size_t maxBytes) {
    auto h = OpenRegularForReading(path);
    if (!h)
        return h.error();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h->get(), &size))
        return FromLastWin32Error();
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return SystemError::FromErrno(EFBIG);
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        if (!ReadFile(h->get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n,
                      nullptr))
            return FromLastWin32Error();
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

Result<std::unique_ptr<InputFile>> Win32FileSystem::OpenForReading(const std::wstring& path) {
    auto h = OpenRegularForReading(path);
    if (!h)
        return h.error();
    return std::unique_ptr<InputFile>(std::make_unique<Win32InputFile>(std::move(*h)));
}

Result<std::unique_ptr<OutputFile>> Win32FileSystem::OpenForWriting(const std::wstring& path,
                                                                    WriteMode mode) {
    if (path == L"/dev/stdout") {
        return std::unique_ptr<OutputFile>(std::make_unique<Win32OutputFile>(
            UniqueHandle(), GetStdHandle(STD_OUTPUT_HANDLE), L"", L""));
    }
    const std::wstring target = ToWindowsPath(path);
    if (const Status writable = CheckWritable(target); !writable)
        return writable.error();
    if (mode == WriteMode::kTruncate)
        return OpenInPlace(target);
    const std::wstring temp = target + L".tmp" + std::to_wstring(GetCurrentProcessId());
    UniqueHandle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) {
        const DWORD error = GetLastError();
        // A folder that refuses new files: an existing file is written in place.
        if (error == ERROR_ACCESS_DENIED &&
            GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            return OpenInPlace(target);
        return FromWin32Error(error);
    }
    const HANDLE raw = h.get();
    return std::unique_ptr<OutputFile>(
        std::make_unique<Win32OutputFile>(std::move(h), raw, temp, target));
}

Status Win32FileSystem::CreateDirectory(const std::wstring& path) {
    if (!CreateDirectoryW(ToWindowsPath(path).c_str(), nullptr))
        return FromLastWin32Error();
    return Status::Ok();
}

Result<std::wstring> Win32FileSystem::ProgramPath() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return FromLastWin32Error();
    buffer.resize(n);
    return CorePath(buffer);
}

Result<std::wstring> Win32FileSystem::RoamingSettingsFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || appData[0] == L'\0')
        return SystemError::FromErrno(ENOENT);
    return CorePath(appData);
}

std::wstring Win32FileSystem::SystemMessage(int code) {
    return ErrnoText(code) + L"\r\n";
}

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

}  // namespace torvane
