#include "filelist/list_path.hpp"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "filelist/logical_compare.hpp"
#include "filelist/shortcut.hpp"
#include "platform/file_attributes.hpp"
#include "platform/local_time.hpp"

namespace torvane {
namespace {

bool EndsWithSeparator(const std::wstring& path) {
    return !path.empty() && path.back() == kPathSeparator;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

bool SkippedByHiddenSystem(std::uint32_t attributes, HiddenSystem option) {
    const bool hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    const bool system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    if (!hidden && !system)
        return false;
    switch (option) {
        case HiddenSystem::kNone:
            return true;
        case HiddenSystem::kHidden:
            return system && !hidden;
        case HiddenSystem::kSystem:
            return hidden && !system;
        case HiddenSystem::kHiddenNoSystem:
            return system;
        case HiddenSystem::kHiddenAndSystem:
            return false;
    }
    return false;
}

void ShowReadError(const ListContext& context, const SystemError& error) {
    context.dialogs.ShowMessage(L"Error!  " + context.fs.SystemMessage(error.code), L"Error",
                                MessageIcon::kError, MessageButtons::kOk);
}

// Counts the records of one folder that a job visits (CountJobEntries after
// the folder has been read).
std::int64_t CountRecords(const ListContext& context, const std::wstring& folder,
                          const Result<std::vector<FindRecord>>& records, std::wstring_view mask) {
    if (!records) {
        ShowReadError(context, records.error());
        return -1;
    }
    std::int64_t sum = 0;
    for (const auto& r : *records) {
        if (!IsListed(r, true, context.options))
            continue;
        if (IsDirectoryWord(r.attributes)) {
            if (context.options.includeSubfolders) {
                const auto below = CountJobEntries(context, folder + r.name.wide(), mask);
                if (below == -1)
                    return -1;
                sum += below;
            }
            if (context.attributeTarget != AttributeTarget::kFiles)
                ++sum;
        } else if (context.attributeTarget != AttributeTarget::kFolders &&
                   (mask == L".*" || EqualsIgnoringCase(mask, ExtensionOfName(r.name)))) {
            ++sum;
        }
    }
    return sum;
}

// The records a listing starts from: a folder's, or the one entry of a path.
struct Search {
    bool folderMode = false;
    std::wstring folder;  // ends with the separator
    Result<std::vector<FindRecord>> records = std::vector<FindRecord>();
};

Search StartSearch(FileSystem& fs, std::wstring path) {
    Search s;
    const auto attributes = fs.GetAttributes(path);
    s.folderMode = attributes.ok() && IsDirectoryWord(*attributes);
    if (s.folderMode) {
        if (!EndsWithSeparator(path))
            path += kPathSeparator;
        s.folder = path;
        s.records = fs.FindEntries(path);
        return s;
    }
    auto record = fs.FindEntry(path);
    if (!record) {
        s.records = record.error();
        return s;
    }
    s.records = std::vector<FindRecord>{std::move(*record)};
    // A bare name has no folder part: it lies in the current folder.
    s.folder = FolderOfPath(path);
    return s;
}

// The count for the progress range: of the history root, reusing the
// listing's own read when the root is the folder being listed.
std::int64_t CountForRange(const ListContext& context, const Search& search) {
    auto root = context.historyRoot;
    if (search.folderMode && !root.empty()) {
        if (!EndsWithSeparator(root))
            root += kPathSeparator;
        if (root == search.folder)
            return CountRecords(context, root, search.records, L".*");
    }
    return CountJobEntries(context, context.historyRoot, L".*");
}

std::uint64_t IconIndexOf(IconCache* icons, bool folder, const std::wstring& extension) {
    if (icons == nullptr)
        return 0;
    if (folder)
        return IconCache::kFolder;
    // These types have an icon of their own in every file.
    static constexpr std::array<std::wstring_view, 4> kOwnIcon = {L".exe", L".ico", L".ani",
                                                                  L".cur"};
    const bool ownIcon = std::any_of(kOwnIcon.begin(), kOwnIcon.end(),
                                     [&](auto e) { return EqualsIgnoringCase(extension, e); });
    if (!ownIcon) {
        if (const auto position = icons->Find(extension))
            return *position;
    }
    return icons->Append(L"filename" + extension, extension);
}

FileEntry EntryOf(const ListContext& context, const SharedPath& folder, FindRecord&& r) {
    std::uint64_t icon = 0;
    if (context.icons != nullptr) {
        const bool isFolder = IsDirectoryWord(r.attributes);
        icon = IconIndexOf(context.icons, isFolder,
                           isFolder ? std::wstring() : ExtensionOfName(r.name));
    }
    FileEntry e = ListedEntry(folder, std::move(r));
    e.iconIndex = icon;
    return e;
}

// Sorts entries in logical name order, keeping entries of equal names in
// their order. Sorts keys rather than entries, as a folder may hold many.
void SortByName(FileEntries& entries) {
    struct Key {
        std::wstring key;
        std::size_t index;
    };
    std::vector<Key> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        keys.push_back({LogicalSortKey(entries[i].name.wide()), i});
    std::sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) {
        if (const int c = x.key.compare(y.key))
            return c < 0;
        if (const int c =
                LogicalCompare(entries[x.index].name.wide(), entries[y.index].name.wide()))
            return c < 0;
        return x.index < y.index;
    });
    // The order is applied in place, one cycle of the permutation at a time,
    // so a large folder's entries are never held twice.
    std::vector<std::size_t> from(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        from[i] = keys[i].index;
    keys = {};
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::size_t j = i;
        while (from[j] != i) {
            const std::size_t next = from[j];
            std::swap(entries[j], entries[next]);
            from[j] = j;
            j = next;
        }
        from[j] = j;
    }
}

}  // namespace

bool IsListed(const FindRecord& record, bool folderMode, const ListOptions& options) {
    const auto a = record.attributes;
    const bool folder = IsDirectoryWord(a);
    if (folder && record.name.IsDotOrDotDot())
        return false;
    if (a & FILE_ATTRIBUTE_TEMPORARY)
        return false;
    if (folderMode) {
        if (options.retrieve == Retrieve::kFiles && folder)
            return false;
        if (options.retrieve == Retrieve::kFolders && !folder)
            return false;
        if (SkippedByHiddenSystem(a, options.hiddenSystem))
            return false;
    }
    return !IsShortcutName(record.name.bytes());
}

std::int64_t ListedTime(std::int64_t seconds) {
    // From 1900-01-03 UTC on, the local year is 1900 or later in every zone.
    constexpr std::int64_t kSurelyAfter1900 = -2208988800 + 2 * 86400;
    if (seconds >= kSurelyAfter1900)
        return seconds;
    const auto local = ToLocalTime(seconds);
    return local && local->tm_year >= 0 ? seconds : 0;
}

FileEntry ListedEntry(const SharedPath& folder, FindRecord&& record) {
    FileEntry e;
    e.folderPath = folder;
    e.name = std::move(record.name);
    e.created = ListedTime(record.created);
    e.modified = ListedTime(record.modified);
    e.accessed = ListedTime(record.accessed);
    e.attributes = record.attributes;
    e.id = record.id;
    return e;
}

namespace {

// Turns a search's records into listed entries, appended to `out` and sorted.
Status FillEntries(const ListContext& context, Search& search, FileEntries& out) {
    if (!search.records) {
        ShowReadError(context, search.records.error());
        return search.records.error();
    }
    // Folders join `out` and files wait in a sequence of their own; when
    // `out` starts empty, the files' sequence, made large enough for every
    // record, takes the folders in front of the files and becomes `out`, so
    // the entries are not moved into a second large allocation.
    const bool intoFiles = out.empty();
    const SharedPath folder(search.folder);  // one text for every entry of the folder
    FileEntries files;
    files.reserve(search.records->size());
    for (auto& r : *search.records) {
        if (!IsListed(r, search.folderMode, context.options)) {
            if (context.unlistedNames != nullptr && search.folderMode && !r.name.IsDotOrDotDot())
                context.unlistedNames->push_back(std::move(r.name));
            continue;
        }
        auto entry = EntryOf(context, folder, std::move(r));
        (entry.IsFolder() ? out : files).push_back(std::move(entry));
        context.progress.StepIt();
    }
    search.records = std::vector<FindRecord>();
    SortByName(out);
    SortByName(files);
    if (intoFiles) {
        files.insert(files.begin(), std::make_move_iterator(out.begin()),
                     std::make_move_iterator(out.end()));
        out = std::move(files);
    } else {
        out.insert(out.end(), std::make_move_iterator(files.begin()),
                   std::make_move_iterator(files.end()));
    }
    context.progress.SetPos(0);
    return Status::Ok();
}

}  // namespace

Status ListPath(const ListContext& context, std::wstring path, FileEntries& out) {
    auto search = StartSearch(context.fs, std::move(path));
    const auto count = CountForRange(context, search);
    context.progress.SetRange(0, static_cast<std::uint16_t>(count));
    context.progress.SetStep(1);
    return FillEntries(context, search, out);
}

Status ListFolder(const ListContext& context, Folder& folder, FileEntries& out) {
    Search search{true, folder.path(), folder.FindEntries(context.detail)};
    return FillEntries(context, search, out);
}

Status ListNamed(const ListContext& context, Folder& folder, const std::vector<std::wstring>& names,
                 FileEntries& out) {
    auto records = folder.FindEntries();
    if (!records) {
        ShowReadError(context, records.error());
        return records.error();
    }
    std::unordered_set<std::string> wanted;
    for (const auto& name : names)
        wanted.insert(ToUtf8(name));
    const SharedPath path(folder.path());
    FileEntries folders;
    FileEntries files;
    for (auto& r : *records) {
        if (wanted.count(r.name.bytes()) != 0 && IsListed(r, false, context.options)) {
            auto entry = EntryOf(context, path, std::move(r));
            (entry.IsFolder() ? folders : files).push_back(std::move(entry));
        } else if (context.unlistedNames != nullptr && !r.name.IsDotOrDotDot()) {
            context.unlistedNames->push_back(std::move(r.name));
        }
    }
    SortByName(folders);
    SortByName(files);
    out.insert(out.end(), std::make_move_iterator(folders.begin()),
               std::make_move_iterator(folders.end()));
    out.insert(out.end(), std::make_move_iterator(files.begin()),
               std::make_move_iterator(files.end()));
    return Status::Ok();
}

void ShowListingError(const ListContext& context, const SystemError& error) {
    ShowReadError(context, error);
}

std::int64_t CountJobEntries(const ListContext& context, std::wstring path,
                             std::wstring_view mask) {
    const auto attributes = context.fs.GetAttributes(path);
    if (!attributes || !IsDirectoryWord(*attributes))
        return -1;
    if (!EndsWithSeparator(path))
        path += kPathSeparator;
    return CountRecords(context, path, context.fs.FindEntries(path), mask);
}

FileEntries NavigateTo(const ListContext& context, const std::wstring& path) {
    if (context.icons)
        context.icons->Reset();
    FileEntries entries;
    ListPath(context, path, entries);
    return entries;
}

}  // namespace torvane
