#include "fake_file_system.hpp"

#include <algorithm>
#include <cerrno>

#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane::testing {
namespace {

// Bits SetAttributes can change; the others belong to the entry's type and
// state and are kept, as Windows keeps them.
constexpr std::uint32_t kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

// A folder reached by its id, as a descriptor reaches its inode: renamed,
// the folder is still found; its old name taken by another entry changes
// nothing. Each call on an entry goes to the path-based call of the same
// name, so failures injected for the entry's full path apply.
class FakeFileSystem::FolderHandle : public Folder {
  public:
    FolderHandle(FakeFileSystem& fs, std::uint64_t id, std::wstring key, std::wstring shownPath)
        : fs_(fs), id_(id), key_(std::move(key)), path_(std::move(shownPath)) {}

    const std::wstring& path() const override { return path_; }
    FileId id() const override { return FileId{1, id_}; }

    Result<std::vector<FindRecord>> FindEntries(EntryDetail) override {
        auto key = Where();
        if (!key)
            return key.error();
        return fs_.FindEntries(*key);
    }
    FolderTraits Traits(const EntryName&) override {
        auto key = Where();
        std::lock_guard lock(fs_.mutex_);
        const auto it = key ? fs_.traits_.find(*key) : fs_.traits_.end();
        return it == fs_.traits_.end() ? FolderTraits{} : it->second;
    }
    Result<std::unique_ptr<Folder>> OpenFolder(const EntryName& name,
                                               const FileId& expected) override {
        auto key = Entry(Call::kOpenFolder, name);
        if (!key)
            return key.error();
        return fs_.OpenFolderAt(Call::kOpenFolder, *key, path_ + name.wide() + kPathSeparator,
                                expected);
    }
    Result<std::uint32_t> GetAttributes(const EntryName& name) override {
        auto key = Entry(Call::kGetAttributes, name);
        return key ? fs_.GetAttributes(*key) : Result<std::uint32_t>(key.error());
    }
    Status SetAttributes(const EntryName& name, std::uint32_t attributes) override {
        auto key = Entry(Call::kSetAttributes, name);
        return key ? fs_.SetAttributes(*key, attributes) : Status(key.error());
    }
    Status Move(const EntryName& from, const EntryName& to) override {
        auto key = Entry(Call::kMove, from);
        return key ? fs_.Move(*key, FakeFileSystem::ParentOf(*key) + kPathSeparator + to.wide())
                   : Status(key.error());
    }
    Result<std::unique_ptr<FileHandle>> Open(const EntryName& name) override {
        auto key = Entry(Call::kOpen, name);
        if (!key)
            return key.error();
        return fs_.Open(*key);
    }
    Status Encrypt(const EntryName& name) override {
        auto key = Entry(Call::kEncrypt, name);
        return key ? fs_.Encrypt(*key) : Status(key.error());
    }
    Status Decrypt(const EntryName& name) override {
        auto key = Entry(Call::kDecrypt, name);
        return key ? fs_.Decrypt(*key) : Status(key.error());
    }
    Result<std::unique_ptr<EntryMemo>> Remember(const EntryName& name) override {
        auto key = Entry(Call::kRemember, name);
        if (!key)
            return key.error();
        return fs_.RememberAt(*key);
    }
    Result<std::unique_ptr<PositionedReader>> OpenForReading(const EntryName& name) override {
        auto key = Entry(Call::kOpenForReading, name);
        if (!key)
            return key.error();
        return fs_.OpenReaderAt(*key);
    }

  private:
    // The folder's path now.
    Result<std::wstring> Where() {
        std::lock_guard lock(fs_.mutex_);
        const auto key = fs_.KeyOf(id_, key_);
        if (!key)
            return SystemError::FromErrno(ENOENT);
        key_ = *key;
        return *key;
    }
    // The full path of the entry `name` of the folder now, once the action
    // waiting for this call has run.
    Result<std::wstring> Entry(Call call, const EntryName& entry) {
        const std::wstring name = entry.wide();
        const auto within = [&](const std::wstring& folder) {
            return (folder == L"/" ? folder : folder + kPathSeparator) + name;
        };
        auto before = Where();
        if (!before)
            return before;
        fs_.RunBefore(call, within(*before));
        auto folder = Where();  // the action may have moved it
        if (!folder)
            return folder;
        return within(*folder);
    }

    FakeFileSystem& fs_;
    const std::uint64_t id_;
    std::wstring key_;
    const std::wstring path_;
};

class FakeFileSystem::Handle : public FileHandle {
  public:
    Handle(FakeFileSystem& fs, std::wstring key) : fs_(fs), key_(std::move(key)) {}
    Status SetTimes(std::optional<std::int64_t> c, std::int64_t a, std::int64_t m) override {
        return fs_.SetTimesOf(key_, c, a, m);
    }
    Status SetCompression(bool on) override { return fs_.SetCompressionOf(key_, on); }

  private:
    FakeFileSystem& fs_;
    std::wstring key_;
};

// An entry's word and times as remembered; put back under the entry's
// remembered path, whatever entry holds it then (as a name in a folder does).
class FakeFileSystem::Memo : public EntryMemo {
  public:
    Memo(FakeFileSystem& fs, std::wstring key, Node node)
        : fs_(fs), key_(std::move(key)), was_(std::move(node)) {}

    Result<bool> PutBack() override {
        std::lock_guard lock(fs_.mutex_);
        const auto found = fs_.Enter(Call::kPutBack, key_);
        if (!found) {
            auto error = found.error();
            error.detail = L"Stayed changed: " + Differences() + L".";
            return error;
        }
        Node& node = **found;
        if (Differences(node).empty())
            return false;
        node.attributes = was_.attributes;
        node.storedWord = was_.storedWord;
        node.created = was_.created;
        node.modified = was_.modified;
        node.accessed = was_.accessed;
        fs_.Record(L"PutBack " + key_);
        return true;
    }

  private:
    // What differs from the remembered values: all of them when the entry
    // can't be reached.
    std::wstring Differences(const Node& now) const {
        std::wstring out;
        const auto add = [&out](bool differs, const wchar_t* what) {
            if (differs)
                out += (out.empty() ? L"" : L", ") + std::wstring(what);
        };
        add(now.attributes != was_.attributes || now.storedWord != was_.storedWord,
            L"the attributes");
        add(now.created != was_.created, L"the creation time");
        add(now.modified != was_.modified || now.accessed != was_.accessed,
            L"the modified and access times");
        return out;
    }
    std::wstring Differences() const {
        const auto it = fs_.nodes_.find(key_);
        return it == fs_.nodes_.end() ? L"the whole entry" : Differences(it->second);
    }

    FakeFileSystem& fs_;
    std::wstring key_;
    Node was_;
};

Result<std::unique_ptr<EntryMemo>> FakeFileSystem::RememberAt(const std::wstring& key) {
    std::lock_guard lock(mutex_);
    const auto found = Enter(Call::kRemember, key);
    if (!found)
        return found.error();
    return std::unique_ptr<EntryMemo>(std::make_unique<Memo>(*this, key, **found));
}

FakeFileSystem::FakeFileSystem() {
    Put(L"/", Node{FILE_ATTRIBUTE_DIRECTORY, 0, 0, 0, false});
}

void FakeFileSystem::Put(const std::wstring& key, Node node) {
    // Adding what is there again (a parent of the next file) keeps its id.
    const auto existing = nodes_.find(key);
    node.id = existing != nodes_.end() ? existing->second.id : ++lastId_;
    nodes_[key] = std::move(node);
}

std::wstring FakeFileSystem::Normalize(const std::wstring& path) {
    std::wstring key = path;
    while (key.size() > 1 && key.back() == kPathSeparator)
        key.pop_back();
    return key;
}

std::wstring FakeFileSystem::ParentOf(const std::wstring& key) {
    const auto slash = key.find_last_of(kPathSeparator);
    if (slash == std::wstring::npos || slash == 0)
        return L"/";
    return key.substr(0, slash);
}

std::wstring FakeFileSystem::NameOf(const std::wstring& key) {
    return key.substr(key.find_last_of(kPathSeparator) + 1);
}

void FakeFileSystem::AddFolder(const std::wstring& path, std::uint32_t attributes,
                               std::int64_t time) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    for (auto parent = ParentOf(key); !nodes_.count(parent); parent = ParentOf(parent))
        Put(parent, Node{FILE_ATTRIBUTE_DIRECTORY, time, time, time, false});
    Put(key, Node{attributes | FILE_ATTRIBUTE_DIRECTORY, time, time, time, false});
}

void FakeFileSystem::AddFile(const std::wstring& path, std::uint32_t attributes,
                             std::int64_t time) {
    AddFolder(ParentOf(Normalize(path)), FILE_ATTRIBUTE_DIRECTORY, time);
    std::lock_guard lock(mutex_);
    Put(Normalize(path), Node{attributes & ~FILE_ATTRIBUTE_DIRECTORY, time, time, time, false});
}

void FakeFileSystem::AddPlainFile(const std::wstring& path, std::string content,
                                  std::int64_t time) {
    AddFolder(ParentOf(Normalize(path)), FILE_ATTRIBUTE_DIRECTORY, time);
    std::lock_guard lock(mutex_);
    Node node{0, time, time, time, false, false, std::move(content)};
    Put(Normalize(path), std::move(node));
}

void FakeFileSystem::AddSpecialFile(const std::wstring& path, std::int64_t time) {
    AddPlainFile(path, {}, time);
    std::lock_guard lock(mutex_);
    nodes_[Normalize(path)].special = true;
}

void FakeFileSystem::AddPlainFolder(const std::wstring& path, std::int64_t time) {
    AddFolder(path, FILE_ATTRIBUTE_DIRECTORY, time);
    std::lock_guard lock(mutex_);
    nodes_[Normalize(path)].storedWord = false;
}

void FakeFileSystem::SetContent(const std::wstring& path, std::string content) {
    std::lock_guard lock(mutex_);
    nodes_.at(Normalize(path)).content = std::move(content);
}

void FakeFileSystem::AddSymlink(const std::wstring& path, std::int64_t time, std::wstring target) {
    AddFolder(ParentOf(Normalize(path)), FILE_ATTRIBUTE_DIRECTORY, time);
    std::lock_guard lock(mutex_);
    // Holds no stored word: a dot name makes it Hidden, as on Linux.
    Node node{FILE_ATTRIBUTE_REPARSE_POINT, time, time, time, true, false};
    node.target = std::move(target);
    Put(Normalize(path), std::move(node));
}

void FakeFileSystem::SetNodeTimes(const std::wstring& path, std::int64_t created,
                                  std::int64_t modified, std::int64_t accessed) {
    std::lock_guard lock(mutex_);
    auto& n = nodes_.at(Normalize(path));
    n.created = created;
    n.modified = modified;
    n.accessed = accessed;
}

void FakeFileSystem::FailOn(Call call, const std::wstring& path, int code, int after) {
    std::lock_guard lock(mutex_);
    failures_[{call, path.empty() ? path : Normalize(path)}] = Failure{code, after};
}

void FakeFileSystem::ClearFailures() {
    std::lock_guard lock(mutex_);
    failures_.clear();
    readFailures_.clear();
    writeLimits_.clear();
}

std::optional<FakeFileSystem::Node> FakeFileSystem::Lookup(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    const auto it = nodes_.find(Normalize(path));
    if (it == nodes_.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::wstring> FakeFileSystem::PathsUnder(const std::wstring& folder) const {
    std::lock_guard lock(mutex_);
    auto prefix = Normalize(folder);
    if (prefix != L"/")
        prefix += kPathSeparator;
    std::vector<std::wstring> out;
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (it->first != prefix)
            out.push_back(it->first);
    }
    return out;
}

std::vector<std::wstring> FakeFileSystem::changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

int FakeFileSystem::CallCount(Call call) const {
    std::lock_guard lock(mutex_);
    const auto it = callCounts_.find(call);
    return it == callCounts_.end() ? 0 : it->second;
}

Result<FakeFileSystem::Node*> FakeFileSystem::Enter(Call call, const std::wstring& key) {
    if (auto e = Check(call, key))
        return *e;
    const auto it = nodes_.find(key);
    if (it == nodes_.end())
        return SystemError::FromErrno(ENOENT);
    return &it->second;
}

std::optional<SystemError> FakeFileSystem::Check(Call call, const std::wstring& key) {
    ++callCounts_[call];
    for (const auto& k : {key, std::wstring()}) {
        const auto it = failures_.find({call, k});
        if (it == failures_.end())
            continue;
        if (it->second.after > 0) {
            --it->second.after;
            continue;
        }
        return SystemError::FromErrno(it->second.code);
    }
    return std::nullopt;
}

void FakeFileSystem::Record(std::wstring line) {
    changes_.push_back(std::move(line));
}

std::uint32_t FakeFileSystem::Reported(const std::wstring& key, const Node& node) {
    std::uint32_t word = node.attributes;
    if (!node.storedWord && NameOf(key).starts_with(L'.'))
        word |= FILE_ATTRIBUTE_HIDDEN;
    return word == 0 ? FILE_ATTRIBUTE_NORMAL : word;
}

FindRecord FakeFileSystem::RecordOf(const std::wstring& key, const Node& node) const {
    return FindRecord{NameOf(key),   Reported(key, node), node.created,
                      node.modified, node.accessed,       FileId{1, node.id}};
}

Result<std::uint32_t> FakeFileSystem::GetAttributes(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(Call::kGetAttributes, key);
    if (!found)
        return found.error();
    Node& node = **found;
    return Reported(key, node);
}

Status FakeFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(Call::kSetAttributes, key);
    if (!found)
        return found.error();
    Node& node = **found;
    if (node.symlink)
        return SystemError::FromErrno(EPERM);
    auto& word = node.attributes;
    word = (attributes & kSettable) | (word & ~kSettable & ~FILE_ATTRIBUTE_NORMAL);
    node.storedWord = true;
    Record(L"SetAttributes " + key + L" " + std::to_wstring(word));
    return Status::Ok();
}

Result<std::vector<FindRecord>> FakeFileSystem::FindEntries(const std::wstring& folder) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(folder);
    const auto found = Enter(Call::kFindEntries, key);
    if (!found)
        return found.error();
    Node& node = **found;
    if (!IsDirectoryWord(node.attributes))
        return SystemError::FromErrno(ENOTDIR);
    std::vector<FindRecord> out;
    auto self = RecordOf(key, node);
    self.name = L".";
    out.push_back(self);
    auto parent = RecordOf(ParentOf(key), nodes_.at(ParentOf(key)));
    parent.name = L"..";
    out.push_back(parent);
    const auto prefix = key == L"/" ? key : key + kPathSeparator;
    for (auto c = nodes_.lower_bound(prefix); c != nodes_.end(); ++c) {
        if (c->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (c->first.size() == prefix.size())
            continue;
        if (c->first.find(kPathSeparator, prefix.size()) != std::wstring::npos)
            continue;
        out.push_back(RecordOf(c->first, c->second));
    }
    return out;
}

Result<FindRecord> FakeFileSystem::FindEntry(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(Call::kFindEntry, key);
    if (!found)
        return found.error();
    Node& node = **found;
    return RecordOf(key, node);
}

Status FakeFileSystem::Move(const std::wstring& from, const std::wstring& to) {
    std::lock_guard lock(mutex_);
    const auto src = Normalize(from);
    const auto dst = Normalize(to);
    if (auto e = Check(Call::kMove, src))
        return *e;
    if (!nodes_.count(src) || !nodes_.count(ParentOf(dst)))
        return SystemError::FromErrno(ENOENT);
    if (src == dst)
        return Status::Ok();
    if (nodes_.count(dst))
        return SystemError::FromErrno(EEXIST);
    if (const auto t = traits_.find(ParentOf(dst)); t != traits_.end() && t->second.foldsCase) {
        const auto parent = ParentOf(dst);
        for (const auto& [key, node] : nodes_) {
            if (ParentOf(key) == parent && key != parent && key != src &&
                EqualsIgnoringAsciiCase(key, dst))
                return SystemError::FromErrno(EEXIST);
        }
    }
    if (dst.compare(0, src.size() + 1, src + kPathSeparator) == 0)
        return SystemError::FromErrno(EINVAL);  // a folder into itself
    // Move the entry and everything below it.
    std::vector<std::pair<std::wstring, Node>> moved;
    const auto prefix = src + kPathSeparator;
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first == src || it->first.compare(0, prefix.size(), prefix) == 0) {
            moved.emplace_back(dst + it->first.substr(src.size()), it->second);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [k, n] : moved)
        nodes_[k] = n;
    Record(L"Move " + src + L" -> " + dst);
    return Status::Ok();
}

void FakeFileSystem::SetFolderTraits(const std::wstring& path, FolderTraits traits) {
    std::lock_guard lock(mutex_);
    traits_[Normalize(path)] = traits;
}

std::optional<std::wstring> FakeFileSystem::KeyOf(std::uint64_t id,
                                                  const std::wstring& lastKey) const {
    if (const auto it = nodes_.find(lastKey); it != nodes_.end() && it->second.id == id)
        return lastKey;
    for (const auto& [key, node] : nodes_) {
        if (node.id == id)
            return key;
    }
    return std::nullopt;
}

void FakeFileSystem::BeforeFolderCall(Call call, const std::wstring& path,
                                      std::function<void()> action) {
    std::lock_guard lock(mutex_);
    before_[{call, Normalize(path)}] = std::move(action);
}

void FakeFileSystem::RunBefore(Call call, const std::wstring& key) {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        const auto it = before_.find({call, key});
        if (it == before_.end())
            return;
        action = std::move(it->second);
        before_.erase(it);
    }
    action();
}

Result<std::wstring> FakeFileSystem::ResolveLinks(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    std::wstring key = Normalize(path);
    for (int hops = 0; hops < 40; ++hops) {
        const auto it = nodes_.find(key);
        if (it == nodes_.end())
            return SystemError::FromErrno(ENOENT);
        if (!it->second.symlink)
            return key;
        if (it->second.target.empty())
            return SystemError::FromErrno(ENOENT);
        key = Normalize(it->second.target);
    }
    return SystemError::FromErrno(ELOOP);
}

Result<std::unique_ptr<Folder>> FakeFileSystem::OpenFolder(const std::wstring& path) {
    const auto key = Normalize(path);
    auto shown = key == L"/" ? key : key + kPathSeparator;
    return OpenFolderAt(Call::kOpenFolder, key, std::move(shown), FileId{});
}

Result<std::unique_ptr<Folder>> FakeFileSystem::OpenFolderAt(Call call, const std::wstring& key,
                                                             std::wstring shownPath,
                                                             const FileId& expected) {
    std::lock_guard lock(mutex_);
    const auto found = Enter(call, key);
    if (!found)
        return found.error();
    const Node& node = **found;
    if (node.symlink || !IsDirectoryWord(node.attributes))
        return SystemError::FromErrno(ENOTDIR);
    if (expected != FileId{} && expected != FileId{1, node.id})
        return SystemError::FromErrno(kFolderReplaced);
    return std::unique_ptr<Folder>(
        std::make_unique<FolderHandle>(*this, node.id, key, std::move(shownPath)));
}

Result<std::unique_ptr<FileHandle>> FakeFileSystem::Open(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    if (const auto found = Enter(Call::kOpen, key); !found)
        return found.error();
    return std::unique_ptr<FileHandle>(std::make_unique<Handle>(*this, key));
}

Status FakeFileSystem::SetTimesOf(const std::wstring& key, std::optional<std::int64_t> c,
                                  std::int64_t a, std::int64_t m) {
    std::lock_guard lock(mutex_);
    const auto found = Enter(Call::kSetTimes, key);
    if (!found)
        return found.error();
    Node& node = **found;
    if (node.symlink)
        return SystemError::FromErrno(EPERM);
    if (c)
        node.created = *c;
    node.accessed = a;
    node.modified = m;
    Record(L"SetTimes " + key + L" " + (c ? std::to_wstring(*c) : L"-") + L" " +
           std::to_wstring(a) + L" " + std::to_wstring(m));
    return Status::Ok();
}

Status FakeFileSystem::SetCompressionOf(const std::wstring& key, bool on) {
    return SetBit(Call::kSetCompression, key, FILE_ATTRIBUTE_COMPRESSED, on, L"SetCompression ");
}

Status FakeFileSystem::Encrypt(const std::wstring& path) {
    return SetBit(Call::kEncrypt, path, FILE_ATTRIBUTE_ENCRYPTED, true, L"Encrypt ");
}

Status FakeFileSystem::Decrypt(const std::wstring& path) {
    return SetBit(Call::kDecrypt, path, FILE_ATTRIBUTE_ENCRYPTED, false, L"Decrypt ");
}

Status FakeFileSystem::SetBit(Call call, const std::wstring& path, std::uint32_t bit, bool on,
                              const wchar_t* what) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(call, key);
    if (!found)
        return found.error();
    Node& node = **found;
    auto& word = node.attributes;
    word = on ? (word | bit) : (word & ~bit);
    Record(what + key + (call == Call::kSetCompression ? (on ? L" on" : L" off") : L""));
    return Status::Ok();
}

Result<std::string> FakeFileSystem::ReadFileBytes(const std::wstring& path, std::size_t maxBytes) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(Call::kReadFileBytes, key);
    if (!found)
        return found.error();
    Node& node = **found;
    if (IsDirectoryWord(node.attributes))
        return SystemError::FromErrno(EISDIR);
    if (node.special)
        return NotRegularFileError();
    if (node.content.size() > maxBytes)
        return SystemError::FromErrno(EFBIG);
    return node.content;
}

Status FakeFileSystem::CreateDirectory(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    if (auto e = Check(Call::kCreateDirectory, key))
        return *e;
    if (nodes_.count(key))
        return SystemError::FromErrno(EEXIST);
    if (!nodes_.count(ParentOf(key)))
        return SystemError::FromErrno(ENOENT);
    Put(key, Node{FILE_ATTRIBUTE_DIRECTORY, 0, 0, 0, false, false, {}});
    Record(L"CreateDirectory " + key);
    return Status::Ok();
}

Result<std::wstring> FakeFileSystem::ProgramPath() {
    return programPath_;
}

Result<std::wstring> FakeFileSystem::RoamingSettingsFolder() {
    return roaming_;
}

std::wstring FakeFileSystem::SystemMessage(int code) {
    return ErrnoText(code) + L"\r\n";
}

}  // namespace torvane::testing

namespace torvane::testing {

class FakeFileSystem::Input : public InputFile {
  public:
    Input(FakeFileSystem& fs, std::wstring key, std::string content,
          std::optional<ByteFailure> failure)
        : fs_(fs), key_(std::move(key)), content_(std::move(content)), failure_(failure) {}

    Result<std::size_t> Read(unsigned char* buffer, std::size_t size) override {
        std::lock_guard lock(fs_.mutex_);
        if (auto e = fs_.Check(Call::kRead, key_))
            return *e;
        std::size_t end = content_.size();
        if (failure_) {
            if (offset_ >= failure_->at)
                return SystemError::FromErrno(failure_->code);
            end = std::min(end, failure_->at);
        }
        const std::size_t n = std::min(size, end - offset_);
        std::copy_n(content_.data() + offset_, n, buffer);
        offset_ += n;
        return n;
    }

  private:
    FakeFileSystem& fs_;
    std::wstring key_;
    std::string content_;
    std::optional<ByteFailure> failure_;
    std::size_t offset_ = 0;
};

class FakeFileSystem::Reader : public PositionedReader {
  public:
    Reader(FakeFileSystem& fs, std::wstring key, std::string content,
           std::optional<ByteFailure> failure)
        : fs_(fs), key_(std::move(key)), content_(std::move(content)), failure_(failure) {}

    std::uint64_t Size() const override { return content_.size(); }

    Result<std::size_t> ReadAt(std::uint64_t offset, unsigned char* buffer,
                               std::size_t size) override {
        std::lock_guard lock(fs_.mutex_);
        if (auto e = fs_.Check(Call::kRead, key_))
            return *e;
        if (failure_ && offset + size > failure_->at)
            return SystemError::FromErrno(failure_->code);
        if (offset >= content_.size())
            return std::size_t{0};
        const std::size_t n = std::min<std::uint64_t>(size, content_.size() - offset);
        std::copy_n(content_.data() + offset, n, buffer);
        return n;
    }

  private:
    FakeFileSystem& fs_;
    std::wstring key_;
    std::string content_;
    std::optional<ByteFailure> failure_;
};

class FakeFileSystem::Output : public OutputFile {
  public:
    Output(FakeFileSystem& fs, std::wstring key, WriteMode mode, std::optional<ByteFailure> limit)
        : fs_(fs), key_(std::move(key)), mode_(mode), limit_(limit) {}

    Status Write(const unsigned char* data, std::size_t size) override {
        std::lock_guard lock(fs_.mutex_);
        if (auto e = fs_.Check(Call::kWrite, key_))
            return *e;
        if (done_)
            return SystemError::FromErrno(EBADF);
        std::size_t n = size;
        if (limit_)
            n = std::min(n, limit_->at > written_ ? limit_->at - written_ : 0);
        std::string* target = &pending_;
        if (mode_ == WriteMode::kTruncate) {
            const auto it = fs_.nodes_.find(key_);
            if (it == fs_.nodes_.end())
                return SystemError::FromErrno(ENOENT);  // removed meanwhile
            target = &it->second.content;
        }
        target->append(reinterpret_cast<const char*>(data), n);
        written_ += n;
        if (n < size)
            return SystemError::FromErrno(limit_->code);
        return Status::Ok();
    }

    Status Commit() override {
        std::lock_guard lock(fs_.mutex_);
        if (done_)
            return SystemError::FromErrno(EBADF);
        done_ = true;
        if (auto e = fs_.Check(Call::kCommit, key_))
            return *e;
        if (mode_ == WriteMode::kTruncate)
            return Status::Ok();
        const auto it = fs_.nodes_.find(key_);
        if (it != fs_.nodes_.end()) {
            it->second.content = std::move(pending_);
        } else if (!fs_.nodes_.count(ParentOf(key_))) {
            return SystemError::FromErrno(ENOENT);  // the folder went meanwhile
        } else {
            fs_.Put(key_, Node{0, 0, 0, 0, false, false, std::move(pending_)});
        }
        return Status::Ok();
    }

  private:
    FakeFileSystem& fs_;
    std::wstring key_;
    WriteMode mode_;
    std::optional<ByteFailure> limit_;
    std::string pending_;  // the new contents in replace mode
    std::size_t written_ = 0;
    bool done_ = false;
};

void FakeFileSystem::FailReadAt(const std::wstring& path, std::size_t offset, int code) {
    std::lock_guard lock(mutex_);
    readFailures_[path.empty() ? path : Normalize(path)] = ByteFailure{offset, code};
}

void FakeFileSystem::FailWriteAfter(const std::wstring& path, std::size_t bytes, int code) {
    std::lock_guard lock(mutex_);
    writeLimits_[path.empty() ? path : Normalize(path)] = ByteFailure{bytes, code};
}

std::optional<FakeFileSystem::ByteFailure> FakeFileSystem::ByteFailureFor(
    const std::map<std::wstring, ByteFailure>& failures, const std::wstring& key) {
    for (const auto& k : {key, std::wstring()}) {
        if (const auto it = failures.find(k); it != failures.end())
            return it->second;
    }
    return std::nullopt;
}

Status FakeFileSystem::CheckWritable(const std::wstring& key) const {
    const auto parent = nodes_.find(ParentOf(key));
    if (parent == nodes_.end())
        return SystemError::FromErrno(ENOENT);
    if (!IsDirectoryWord(parent->second.attributes))
        return SystemError::FromErrno(ENOTDIR);
    const auto it = nodes_.find(key);
    if (it == nodes_.end())
        return Status::Ok();
    if (IsDirectoryWord(it->second.attributes))
        return SystemError::FromErrno(EISDIR);
    // A FIFO, device or socket is never written into nor replaced.
    if (it->second.special)
        return SystemError{EINVAL, L"Not a regular file (it is a FIFO); it was left as it is"};
    if (it->second.attributes & FILE_ATTRIBUTE_READONLY)
        return SystemError::FromErrno(EACCES);
    return Status::Ok();
}

Result<std::unique_ptr<InputFile>> FakeFileSystem::OpenForReading(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    const auto found = Enter(Call::kOpenForReading, key);
    if (!found)
        return found.error();
    const Node& node = **found;
    if (IsDirectoryWord(node.attributes))
        return SystemError::FromErrno(EISDIR);
    if (node.special)
        return NotRegularFileError();
    return std::unique_ptr<InputFile>(
        std::make_unique<Input>(*this, key, node.content, ByteFailureFor(readFailures_, key)));
}

Result<std::unique_ptr<PositionedReader>> FakeFileSystem::OpenReaderAt(const std::wstring& key) {
    std::lock_guard lock(mutex_);
    const auto found = Enter(Call::kOpenForReading, key);
    if (!found)
        return found.error();
    const Node& node = **found;
    if (node.symlink)
        return SystemError::FromErrno(ELOOP);
    if (IsDirectoryWord(node.attributes))
        return SystemError::FromErrno(EISDIR);
    if (node.special)
        return NotRegularFileError();
    return std::unique_ptr<PositionedReader>(
        std::make_unique<Reader>(*this, key, node.content, ByteFailureFor(readFailures_, key)));
}

Result<std::unique_ptr<OutputFile>> FakeFileSystem::OpenForWriting(const std::wstring& path,
                                                                   WriteMode mode) {
    std::lock_guard lock(mutex_);
    const auto key = Normalize(path);
    if (auto e = Check(Call::kOpenForWriting, key))
        return *e;
    if (const Status writable = CheckWritable(key); !writable.ok())
        return writable.error();
    if (mode == WriteMode::kTruncate) {
        if (const auto it = nodes_.find(key); it != nodes_.end())
            it->second.content.clear();
        else
            Put(key, Node{0, 0, 0, 0, false, false, {}});
    }
    return std::unique_ptr<OutputFile>(
        std::make_unique<Output>(*this, key, mode, ByteFailureFor(writeLimits_, key)));
}

}  // namespace torvane::testing
