#include "platform/posix_file_system.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/file_attributes.hpp"
#include "platform/posix_at.hpp"
#include "platform/posix_entry_reader.hpp"
#include "platform/posix_file_streams.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using posix::At;
using posix::Fd;

std::string Native(const std::wstring& path) {
    return ToUtf8(path);
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

int SystemRename(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    return ::renameat2(fromFolder, from, toFolder, to, flags);
}

// The folder holding a path's last component, opened for the calls made
// inside it (O_PATH: a folder that may be passed but not read still serves),
// and that component. "/" is the entry "." of the root folder.
Result<At> OpenParent(const std::string& path) {
    const std::string trimmed = WithoutTrailingSeparators(path);
    if (trimmed.empty())
        return SystemError::FromErrno(ENOENT);
    if (trimmed == "/")
        return OpenParent("/.");
    const auto slash = trimmed.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : trimmed.substr(0, slash + 1);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return SystemError::FromLastErrno();
    return At{std::make_shared<const Fd>(fd), folder,
              slash == std::string::npos ? trimmed : trimmed.substr(slash + 1)};
}

// Below this many entries a folder is read on the calling thread alone.
constexpr std::size_t kSharedReadFrom = 1024;
constexpr unsigned kMostReaders = 4;
constexpr std::size_t kBatch = 64;

// A name as the folder's listing gave it, with its kind and inode number.
struct Listed {
    std::string name;
    unsigned char type = DT_UNKNOWN;
    ino_t ino = 0;
};

// The record of one listed entry: a regular file listed to kNamesAndKinds,
// where the listing's inode numbers can be trusted, without a stat.
int ReadRecord(const posix::Backend& b, int folderFd, const std::string& folderPath,
               const posix::NamesOnlyFolder* namesOnly, const Listed& entry, FindRecord& record) {
    if (namesOnly != nullptr && entry.type == DT_REG) {
        record = posix::ReadNamedFile(b, folderFd, folderPath, *namesOnly, entry.name, entry.ino);
        return 0;
    }
    return posix::ReadListed(b, folderFd, folderPath, entry.name, record);
}

// The records of the entries `names` of an open folder, in that order; an
// entry gone since the folder was read is left out. `namesOnly`, when given,
// lets regular files go without a stat (see EntryDetail::kNamesAndKinds).
Result<std::vector<FindRecord>> ReadRecords(const posix::Backend& b, int folderFd,
                                            const std::string& folderPath,
                                            const std::vector<Listed>& names,
                                            const posix::NamesOnlyFolder* namesOnly) {
    // Each record costs a statx and a read of the stored word, time spent
    // waiting on the kernel; on a large folder several threads share the
    // entries, taking batches in turn, each result kept in its entry's place.
    const std::size_t count = names.size();
    std::vector<FindRecord> records(count);
    std::vector<int> errors(count, 0);
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto read = [&] {
        try {
            for (;;) {
                const std::size_t begin = next.fetch_add(kBatch);
                if (begin >= count)
                    return;
                for (std::size_t i = begin; i < std::min(count, begin + kBatch); ++i)
                    errors[i] =
                        ReadRecord(b, folderFd, folderPath, namesOnly, names[i], records[i]);
            }
        } catch (...) {
            const std::lock_guard lock(failureMutex);
            failure = std::current_exception();
            next = count;  // the others stop too
        }
    };
    std::vector<std::thread> helpers;
    if (count >= kSharedReadFrom) {
        const unsigned readers = std::clamp(std::thread::hardware_concurrency(), 1u, kMostReaders);
        for (unsigned n = 1; n < readers; ++n) {
            try {
                helpers.emplace_back(read);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: fewer readers do the work
            }
        }
    }
    read();
    for (auto& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);

    std::vector<FindRecord> found;
    found.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (errors[i] == ENOENT)
            continue;  // removed since the folder was read
        if (errors[i] != 0)
            return SystemError::FromErrno(errors[i]);
        found.push_back(std::move(records[i]));
    }
    return found;
}

// The records of an open folder's entries, "." and ".." included, read to `detail`.
Result<std::vector<FindRecord>> ListFolder(const posix::Backend& b, int folderFd,
                                           const std::string& folderPath, EntryDetail detail) {
    // The listing reads through a descriptor of its own, so that the
    // folder's descriptor keeps its position for the next listing.
    const int readFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readFd < 0)
        return SystemError::FromLastErrno();
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(readFd), &::closedir);
    if (dir == nullptr) {
        const auto error = SystemError::FromLastErrno();
        ::close(readFd);
        return error;
    }
    std::vector<Listed> names;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir.get());
        if (d == nullptr) {
            if (errno != 0)
                return SystemError::FromLastErrno();
            break;
        }
        names.push_back(Listed{d->d_name, d->d_type, d->d_ino});
    }
    std::optional<posix::NamesOnlyFolder> namesOnly;
    if (detail == EntryDetail::kNamesAndKinds) {
        namesOnly = posix::ReadNamesOnlyFolder(folderFd);
        if (!namesOnly->idsFromListing)
            namesOnly.reset();
    }
    return ReadRecords(b, folderFd, folderPath, names, namesOnly ? &*namesOnly : nullptr);
}

Result<FileId> IdOfOpen(int fd) {
    struct statx stx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO, &stx) != 0)
        return SystemError::FromLastErrno();
    return posix::IdOf(stx);
}

// A folder held by its descriptor; every call names an entry inside it.
class PosixFolder : public Folder {
  public:
    PosixFolder(const posix::Backend& b, std::shared_ptr<const Fd> fd, std::string nativePath,
                FileId id)
        : backend_(b),
          fd_(std::move(fd)),
          nativePath_(std::move(nativePath)),
          path_(FromUtf8(nativePath_)),
          id_(id) {}

    const std::wstring& path() const override { return path_; }
    FileId id() const override { return id_; }

    Result<std::vector<FindRecord>> FindEntries(EntryDetail detail) override {
        return ListFolder(backend_, fd_->get(), nativePath_, detail);
    }

    FolderTraits Traits(const EntryName& sample) override {
        return posix::TraitsOf(backend_, fd_->get(), sample.bytes());
    }

    Result<std::unique_ptr<Folder>> OpenFolder(const EntryName& name,
                                               const FileId& expected) override {
        const std::string& native = name.bytes();
        backend_.Before(nativePath_, native);
        auto fd = std::make_shared<const Fd>(
            ::openat(fd_->get(), native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd->get() < 0)
            return SystemError::FromLastErrno();
        const auto id = IdOfOpen(fd->get());
        if (!id)
            return id.error();
        if (expected != FileId{} && *id != expected)
            return SystemError::FromErrno(kFolderReplaced);
        return std::unique_ptr<Folder>(std::make_unique<PosixFolder>(
            backend_, std::move(fd), nativePath_ + native + "/", *id));
    }

    Result<std::uint32_t> GetAttributes(const EntryName& name) override {
        auto record = posix::ReadEntry(backend_, At_(name), name);
        if (!record)
            return record.error();
        return record->attributes;
    }
    Status SetAttributes(const EntryName& name, std::uint32_t attributes) override {
        return posix::SetAttributes(backend_, At_(name), attributes);
    }
    Status Move(const EntryName& from, const EntryName& to) override {
        return posix::Move(backend_, At_(from), At_(to));
    }
    Result<std::unique_ptr<FileHandle>> Open(const EntryName& name) override {
        return posix::Open(backend_, At_(name));
    }
    Status Encrypt(const EntryName& name) override {
        return posix::Encrypt(backend_, At_(name), true);
    }
    Status Decrypt(const EntryName& name) override {
        return posix::Encrypt(backend_, At_(name), false);
    }
    Result<std::unique_ptr<EntryMemo>> Remember(const EntryName& name) override {
        return posix::Remember(backend_, At_(name));
    }
    Result<std::unique_ptr<PositionedReader>> OpenForReading(const EntryName& name) override {
        return posix::OpenEntryForReading(fd_->get(), name.bytes());
    }
    Status RemoveLeftPlaceholder(const EntryName& name, std::int64_t notBefore) override {
        return posix::RemoveLeftPlaceholder(backend_, At_(name), notBefore);
    }
    Result<EntryState> ReadState(const EntryName& name, unsigned parts) override {
        return posix::ReadState(backend_, At_(name), parts);
    }
    Status RestoreState(const EntryName& name, const EntryState& state, unsigned parts) override {
        return posix::RestoreState(backend_, At_(name), state, parts);
    }

  private:
    At At_(const EntryName& name) const { return At{fd_, nativePath_, name.bytes()}; }

    const posix::Backend& backend_;
    std::shared_ptr<const Fd> fd_;
    std::string nativePath_;
    std::wstring path_;
    FileId id_;
};

}  // namespace

PosixFileSystem::PosixFileSystem(RenameFunction rename)
    : backend_(std::make_unique<posix::Backend>()) {
    backend_->rename = rename ? rename : &SystemRename;
}

PosixFileSystem::~PosixFileSystem() = default;

void PosixFileSystem::UseFolderRelativeCalls(bool use) {
    backend_->folderRelativeCalls = use;
}

void PosixFileSystem::SetFault(
    std::function<int(std::string_view call, const std::string& path)> fault) {
    backend_->fault = std::move(fault);
}

void PosixFileSystem::SetBeforeStep(std::function<void(const std::string& path)> hook) {
    backend_->beforeStep = std::move(hook);
}

Result<std::uint32_t> PosixFileSystem::GetAttributes(const std::wstring& path) {
    auto record = FindEntry(path);
    if (!record)
        return record.error();
    return record->attributes;
}

Result<std::vector<FindRecord>> PosixFileSystem::FindEntries(const std::wstring& folder) {
    auto opened = OpenFolder(folder);
    if (!opened)
        return opened.error();
    return (*opened)->FindEntries();
}

Result<FindRecord> PosixFileSystem::FindEntry(const std::wstring& path) {
    const auto native = Native(path);
    const auto shown = EntryName::FromBytes(std::string(LastComponent(native)));
    // A trailing separator asks for a folder, as the system's own lookup
    // does: a link to a folder is followed, anything else is no folder.
    if (native.size() > 1 && native.back() == '/') {
        auto fd =
            std::make_shared<const Fd>(::open(native.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (fd->get() < 0)
            return SystemError::FromLastErrno();
        return posix::ReadEntry(*backend_, At{std::move(fd), native, "."}, shown);
    }
    auto at = OpenParent(native);
    if (!at)
        return at.error();
    return posix::ReadEntry(*backend_, *at, shown);
}

Result<std::unique_ptr<Folder>> PosixFileSystem::OpenFolder(const std::wstring& path) {
    const auto native = Native(path);
    if (native.empty())
        return SystemError::FromErrno(ENOENT);
    auto fd =
        std::make_shared<const Fd>(::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd->get() < 0)
        return SystemError::FromLastErrno();
    const auto id = IdOfOpen(fd->get());
    if (!id)
        return id.error();
    return std::unique_ptr<Folder>(std::make_unique<PosixFolder>(
        *backend_, std::move(fd), WithTrailingSeparator(native), *id));
}

Result<std::wstring> PosixFileSystem::ResolveLinks(const std::wstring& path) {
    const std::unique_ptr<char, void (*)(void*)> real(::realpath(Native(path).c_str(), nullptr),
                                                      &std::free);
    if (real == nullptr)
        return SystemError::FromLastErrno();
    return FromUtf8(real.get());
}

Result<std::string> PosixFileSystem::ReadFileBytes(const std::wstring& path, std::size_t maxBytes) {
    const auto opened = OpenRegularFileForReading(Native(path));
    if (!opened)
        return opened.error();
    const Fd fd(*opened);
    std::string bytes(maxBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const auto n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SystemError::FromLastErrno();
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > maxBytes)
        return SystemError::FromErrno(EFBIG);
    bytes.resize(filled);
    return bytes;
}

Result<std::unique_ptr<InputFile>> PosixFileSystem::OpenForReading(const std::wstring& path) {
    return OpenPosixInputFile(Native(path));
}

Result<std::unique_ptr<OutputFile>> PosixFileSystem::OpenForWriting(const std::wstring& path,
                                                                    WriteMode mode) {
    return OpenPosixOutputFile(Native(path), mode);
}

Status PosixFileSystem::CreateDirectory(const std::wstring& path) {
    if (::mkdir(Native(path).c_str(), 0777) != 0)
        return SystemError::FromLastErrno();
    return Status::Ok();
}

Result<std::wstring> PosixFileSystem::ProgramPath() {
    std::string buffer(256, '\0');
    for (;;) {
        const auto n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return SystemError::FromLastErrno();
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return FromUtf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

Result<std::wstring> PosixFileSystem::RoamingSettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return FromUtf8(WithoutTrailingSeparators(config));
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty())
        return SystemError::FromErrno(ENOENT);
    home = WithoutTrailingSeparators(home);
    if (home == "/")
        home.clear();
    return FromUtf8(home + "/.config");
}

std::wstring PosixFileSystem::SystemMessage(int code) {
    return ErrnoText(code) + L"\r\n";
}

}  // namespace torvane
