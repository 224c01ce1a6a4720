// A folder held open on Windows: its listing with ids, and every change to
// its entries made relative to its handle.
#include "platform/win32_api.hpp"
//
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/text.hpp"
#include "platform/win32_handles.hpp"
#include "platform/win32_support.hpp"

namespace torvane {
namespace {

constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);

// The attribute bits SetFileInformationByHandle takes; the others are the
// entry's kind or are changed by calls of their own.
constexpr std::uint32_t kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::int64_t Ticks(const LARGE_INTEGER& t) {
    return t.QuadPart;
}

FindRecord RecordOf(const FILE_ID_BOTH_DIR_INFO& info, std::uint64_t device) {
    FindRecord r;
    r.name = std::wstring(info.FileName, info.FileNameLength / sizeof(WCHAR));
    r.attributes = info.FileAttributes;
    r.created = SecondsOfFileTime(Ticks(info.CreationTime));
    r.modified = SecondsOfFileTime(Ticks(info.LastWriteTime));
    r.accessed = SecondsOfFileTime(Ticks(info.LastAccessTime));
    r.id = FileId{device, static_cast<std::uint64_t>(info.FileId.QuadPart)};
    return r;
}

// Sets the attribute word and the times of an open entry; a zero time is
// left as it is.
Status SetBasic(HANDLE h, std::uint32_t attributes, std::int64_t created = 0,
                std::int64_t accessed = 0, std::int64_t modified = 0) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes;
    basic.CreationTime.QuadPart = created;
    basic.LastAccessTime.QuadPart = accessed;
    basic.LastWriteTime.QuadPart = modified;
    if (!SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic))
        return FromLastWin32Error();
    return Status::Ok();
}

Result<FILE_BASIC_INFO> BasicOf(HANDLE h) {
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return FromLastWin32Error();
    return basic;
}

class Win32Handle : public FileHandle {
  public:
    explicit Win32Handle(UniqueHandle h) : h_(std::move(h)) {}

    Status SetTimes(std::optional<std::int64_t> created, std::int64_t accessed,
                    std::int64_t modified) override {
        FILETIME c{}, a{}, m{};
        auto fill = [](FILETIME& ft, std::int64_t seconds) {
            const auto ticks = static_cast<std::uint64_t>(FileTimeOfSeconds(seconds));
            ft.dwLowDateTime = static_cast<DWORD>(ticks);
            ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        };
        if (created)
            fill(c, *created);
        fill(a, accessed);
        fill(m, modified);
        if (!SetFileTime(h_.get(), created ? &c : nullptr, &a, &m))
            return FromLastWin32Error();
        return Status::Ok();
    }

    Status SetCompression(bool on) override {
        USHORT format = on ? COMPRESSION_FORMAT_DEFAULT : COMPRESSION_FORMAT_NONE;
        DWORD returned = 0;
        if (!DeviceIoControl(h_.get(), FSCTL_SET_COMPRESSION, &format, sizeof format, nullptr, 0,
                             &returned, nullptr))
            return FromLastWin32Error();
        return Status::Ok();
    }

  private:
    UniqueHandle h_;
};

// What an entry's attribute and time steps change, as it was: its word and
// three times, put back through a handle opened by name.
class Win32Memo : public EntryMemo {
  public:
    Win32Memo(HANDLE folder, std::wstring name, FILE_BASIC_INFO basic)
        : folder_(folder), name_(std::move(name)), basic_(basic) {}

    Result<bool> PutBack() override {
        auto h = OpenRelative(folder_, name_, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        if (!h)
            return h.error();
        const auto now = BasicOf(h->get());
        if (!now)
            return now.error();
        if (std::memcmp(&*now, &basic_, sizeof basic_) == 0)
            return false;
        const std::uint32_t word = basic_.FileAttributes & kSettable;
        const Status set =
            SetBasic(h->get(), word == 0 ? FILE_ATTRIBUTE_NORMAL : word, Ticks(basic_.CreationTime),
                     Ticks(basic_.LastAccessTime), Ticks(basic_.LastWriteTime));
        if (!set)
            return set.error();
        return true;
    }

  private:
    HANDLE folder_;
    std::wstring name_;
    FILE_BASIC_INFO basic_;
};

class Win32Folder : public Folder {
  public:
    Win32Folder(UniqueHandle h, std::wstring path, FileId id)
        : h_(std::move(h)), path_(std::move(path)), id_(id) {}

    const std::wstring& path() const override { return path_; }
    FileId id() const override { return id_; }

    Result<std::vector<FindRecord>> FindEntries(EntryDetail) override {
        std::vector<FindRecord> records;
        std::vector<unsigned char> buffer(64 * 1024);
        FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
        for (;;) {
            if (!GetFileInformationByHandleEx(h_.get(), kind, buffer.data(),
                                              static_cast<DWORD>(buffer.size()))) {
                if (GetLastError() == ERROR_NO_MORE_FILES)
                    return records;
                return FromLastWin32Error();
            }
            kind = FileIdBothDirectoryInfo;
            for (std::size_t at = 0;;) {
                const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(&buffer[at]);
                records.push_back(RecordOf(*info, id_.device));
                if (info->NextEntryOffset == 0)
                    break;
                at += info->NextEntryOffset;
            }
        }
    }

    FolderTraits Traits(const EntryName& sample) override;

    Result<std::unique_ptr<Folder>> OpenFolder(const EntryName& entry,
                                               const FileId& expected) override {
        const std::wstring name = entry.wide();
        auto h =
            OpenRelative(h_.get(), name,
                         FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                         FILE_DIRECTORY_FILE);
        if (!h)
            return h.error().code == EINVAL ? SystemError::FromErrno(ENOTDIR) : h.error();
        const auto record = RecordOfHandle(h->get(), name);
        if (!record)
            return record.error();
        if (record->attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return SystemError::FromErrno(ENOTDIR);
        if (expected != FileId{} && record->id != expected)
            return SystemError::FromErrno(kFolderReplaced);
        return MakeWin32Folder(std::move(*h), path_ + name + kPathSeparator, record->id);
    }

    Result<std::uint32_t> GetAttributes(const EntryName& entry) override {
        const std::wstring name = entry.wide();
        auto h = OpenRelative(h_.get(), name, FILE_READ_ATTRIBUTES);
        if (!h)
            return h.error();
        const auto basic = BasicOf(h->get());
        if (!basic)
            return basic.error();
        return static_cast<std::uint32_t>(basic->FileAttributes);
    }

    Status SetAttributes(const EntryName& entry, std::uint32_t attributes) override {
        const std::wstring name = entry.wide();
        auto h = OpenRelative(h_.get(), name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        if (!h)
            return h.error();
        const std::uint32_t word = attributes & kSettable;
        return SetBasic(h->get(), word == 0 ? FILE_ATTRIBUTE_NORMAL : word);
    }

    // A change of letter case goes through a temporary name: a rename onto
    // a name that already names the entry itself may be taken as done.
    Status Move(const EntryName& fromName, const EntryName& toName) override {
        const std::wstring from = fromName.wide();
        const std::wstring to = toName.wide();
        const bool caseOnly =
            from != to &&
            CompareStringOrdinal(from.c_str(), static_cast<int>(from.size()), to.c_str(),
                                 static_cast<int>(to.size()), TRUE) == CSTR_EQUAL;
        // Where case is told apart, `to` may be an entry of its own.
        if (!caseOnly || !SameEntry(from, to))
            return Rename(from, to);
        const std::wstring temporary =
            from + L".torvane-case-" + std::to_wstring(GetCurrentProcessId());
        if (const Status first = Rename(from, temporary); !first)
            return first;
        const Status second = Rename(temporary, to);
        if (!second)
            Rename(temporary, from);
        return second;
    }

    Result<std::unique_ptr<FileHandle>> Open(const EntryName& entry) override {
        const std::wstring name = entry.wide();
        auto h = OpenRelative(h_.get(), name,
                              FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE);
        if (!h)
            return h.error();
        return std::unique_ptr<FileHandle>(std::make_unique<Win32Handle>(std::move(*h)));
    }

    Status Encrypt(const EntryName& name) override { return Crypt(name.wide(), true); }
    Status Decrypt(const EntryName& name) override { return Crypt(name.wide(), false); }

    Result<std::unique_ptr<EntryMemo>> Remember(const EntryName& entry) override {
        const std::wstring name = entry.wide();
        auto h = OpenRelative(h_.get(), name, FILE_READ_ATTRIBUTES);
        if (!h)
            return h.error();
        const auto basic = BasicOf(h->get());
        if (!basic)
            return basic.error();
        return std::unique_ptr<EntryMemo>(std::make_unique<Win32Memo>(h_.get(), name, *basic));
    }

    // Reading a file's bytes is not built for Windows yet: the fields that
    // need it are not available there (see fields/metadata_unavailable.cpp).
    Result<std::unique_ptr<PositionedReader>> OpenForReading(const EntryName&) override {
        return SystemError::FromErrno(ENOTSUP);
    }

  private:
    // Whether `a` and `b` (looked up without folding case where the volume
    // tells case apart) name one and the same entry.
    bool SameEntry(const std::wstring& a, const std::wstring& b) {
        auto first = OpenRelative(h_.get(), a, FILE_READ_ATTRIBUTES, 0, false);
        auto second = OpenRelative(h_.get(), b, FILE_READ_ATTRIBUTES, 0, false);
        if (!first || !second)
            return !second;  // `b` finds nothing of its own: only `a` is there
        const auto one = RecordOfHandle(first->get(), a);
        const auto two = RecordOfHandle(second->get(), b);
        return one && two && one->id == two->id;
    }

    // Renames one entry of this folder, relative to its handle, never
    // replacing an existing entry (EEXIST).
    Status Rename(const std::wstring& from, const std::wstring& to) {
        auto h = OpenRelative(h_.get(), from, DELETE | SYNCHRONIZE);
        if (!h)
            return h.error();
        // The structure ends with the new name in place of its one-unit array.
        constexpr std::size_t kHeader = offsetof(FILE_RENAME_INFORMATION, FileName);
        std::vector<WCHAR> buffer(kHeader / sizeof(WCHAR) + to.size() + 1, 0);
        auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = h_.get();
        rename->FileNameLength = static_cast<ULONG>(to.size() * sizeof(WCHAR));
        std::copy(to.begin(), to.end(), buffer.begin() + kHeader / sizeof(WCHAR));
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = NtSetInformationFile(
            h->get(), &io, rename, static_cast<ULONG>(buffer.size() * sizeof(WCHAR)),
            FileRenameInformation);
        if (status == kNameCollision)
            return SystemError::FromErrno(EEXIST);
        if (status < 0)
            return FromNtStatus(status);
        return Status::Ok();
    }

    // EncryptFileW and DecryptFileW take a path; the result is checked
    // afterwards, since a file system without encryption may say it did it.
    Status Crypt(const std::wstring& name, bool on) {
        const auto before = GetAttributes(name);
        if (!before)
            return before.error();
        if (((*before & FILE_ATTRIBUTE_ENCRYPTED) != 0) == on)
            return Status::Ok();
        const std::wstring path = ToWindowsPath(path_ + name);
        if (!(on ? EncryptFileW(path.c_str()) : DecryptFileW(path.c_str(), 0)))
            return FromLastWin32Error();
        const auto after = GetAttributes(name);
        if (!after)
            return after.error();
        if (((*after & FILE_ATTRIBUTE_ENCRYPTED) != 0) != on)
            return SystemError::FromErrno(ENOTSUP);
        return Status::Ok();
    }

    UniqueHandle h_;
    std::wstring path_;
    FileId id_;
};

FolderTraits Win32Folder::Traits(const EntryName& sampleName) {
    const std::wstring sample = sampleName.wide();
    FolderTraits traits;
    wchar_t fsName[MAX_PATH + 1] = {};
    DWORD flags = 0;
    if (GetVolumeInformationByHandleW(h_.get(), nullptr, 0, nullptr, nullptr, &flags, fsName,
                                      MAX_PATH + 1)) {
        traits.volume = std::wstring(fsName) + L" volume";
        traits.compresses = (flags & FILE_FILE_COMPRESSION) != 0;
        const std::wstring fs = AsciiLower(fsName);
        if (fs == L"fat" || fs == L"fat32" || fs == L"exfat") {
            // FAT keeps local times from 1980 to 2107 in two-second steps.
            traits.earliestTime = 315532800;
            traits.latestTime = 4354819198;
            traits.storedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        }
    }
    // Win32 names fold case unless a folder was made case-sensitive: the
    // sample with its letters' case swapped finds the entry where they do.
    traits.foldsCase = true;
    if (!sample.empty()) {
        std::wstring swapped = sample;
        for (auto& c : swapped)
            c = c >= L'a' && c <= L'z' ? c - 32 : c >= L'A' && c <= L'Z' ? c + 32 : c;
        traits.foldsCase =
            static_cast<bool>(OpenRelative(h_.get(), swapped, FILE_READ_ATTRIBUTES, 0, false));
    }
    return traits;
}

}  // namespace

Result<UniqueHandle> OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access,
                                  ULONG options, bool foldCase) {
    if (name.empty() || name.find_first_of(L"/\\") != std::wstring::npos)
        return SystemError::FromErrno(EINVAL);
    UNICODE_STRING objectName{};
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, foldCase ? OBJ_CASE_INSENSITIVE : 0,
                               folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE h = nullptr;
    const NTSTATUS status =
        NtCreateFile(&h, access | SYNCHRONIZE, &attributes, &io, nullptr, 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                     options | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                         FILE_SYNCHRONOUS_IO_NONALERT,
                     nullptr, 0);
    if (status < 0)
        return FromNtStatus(status);
    return UniqueHandle(h);
}

std::unique_ptr<Folder> MakeWin32Folder(UniqueHandle handle, std::wstring path, FileId id) {
    return std::make_unique<Win32Folder>(std::move(handle), std::move(path), id);
}

}  // namespace torvane
