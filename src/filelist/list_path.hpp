#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/file_entry.hpp"
#include "filelist/icon_cache.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/progress.hpp"

namespace torvane {

// Which entries of a folder a listing takes (the folder picker's retrieve
// choice).
enum class Retrieve { kFiles, kFolders, kFilesAndFolders };

// Which hidden and system entries a folder listing takes (the folder picker's
// hidden/system choice). An entry that is neither is always taken.
enum class HiddenSystem {
    kNone,             // neither hidden nor system entries
    kHidden,           // hidden entries, system ones only when also hidden
    kSystem,           // system entries, hidden ones only when also system
    kHiddenNoSystem,   // hidden entries that are not system entries
    kHiddenAndSystem,  // every entry
};

// Which entries attribute tasks reach and a job counts (the SetAttributeOption
// preference).
enum class AttributeTarget { kFiles, kFolders, kBoth };

// The list options, set by the folder picker, read by listing and job.
struct ListOptions {
    Retrieve retrieve = Retrieve::kFiles;
    bool includeSubfolders = false;
    HiddenSystem hiddenSystem = HiddenSystem::kNone;

    bool operator==(const ListOptions&) const = default;
};

// Everything a listing works with, passed in by its caller: a job's worker
// lists with a context of its own (no icons, its own copies of the options),
// so nothing is shared behind the caller's back.
struct ListContext {
    FileSystem& fs;
    Dialogs& dialogs;            // the "Error!  " message boxes
    Progress& progress;          // the listing's progress bar
    IconCache* icons = nullptr;  // null: listed without icons, every iconIndex 0
    ListOptions options = {};
    AttributeTarget attributeTarget =
        AttributeTarget::kFiles;    // folders count in a job when not kFiles
    std::wstring historyRoot = {};  // the folder history's first path: the progress range counts it
    // When set, receives the names the folder holds but the listing leaves
    // out (hidden, system or temporary entries, shortcuts, the kind not
    // retrieved), "." and ".." aside: names a rename must not take.
    std::vector<EntryName>* unlistedNames = nullptr;
    // How much of each entry a listing of an open folder reads (ListFolder).
    EntryDetail detail = EntryDetail::kAll;
};

// Appends the entries found under `path` to `out` and sorts: `out`'s old
// entries and the new folders in logical name order, then the new files in
// logical name order. A folder path (with or without its trailing separator)
// lists one level, filtered by the list options; any other path lists that one
// entry (the options don't apply). "." and "..", temporary entries and ".lnk"
// shortcuts are never listed. Drives the progress bar (range from
// CountJobEntries of the history root, one step per entry, position 0 at the
// end). A path that can't be read shows "Error!  " + the system's text and
// leaves `out` unchanged; the system error is returned as well.
Status ListPath(const ListContext& context, std::wstring path, FileEntries& out);

// Appends the entries of an open folder to `out` and sorts them as ListPath
// does for a folder path, without drawing any progress (a job's listing). A
// folder that can't be read shows "Error!  " + the system's text, leaves
// `out` unchanged and returns the error.
Status ListFolder(const ListContext& context, Folder& folder, FileEntries& out);

// Appends the entries of an open folder that `names` name to `out`, sorted
// as ListFolder sorts (the list options don't apply: each was asked for by
// name; temporary entries and shortcuts are still never listed). The
// folder's other names go to the context's unlistedNames. A folder that
// can't be read shows its message, leaves `out` unchanged and returns the
// error.
Status ListNamed(const ListContext& context, Folder& folder, const std::vector<std::wstring>& names,
                 FileEntries& out);

// Shows the listing's message for a folder that can't be read: "Error!  " +
// the system's text.
void ShowListingError(const ListContext& context, const SystemError& error);

// The number of entries a job will visit under the folder `path` (into
// subfolders when `includeSubfolders` is set), counting files whose extension
// is `mask` (any case; ".*" takes every file). -1, without a message, when
// `path` is not a folder; -1 after the "Error!  " message when it or a
// subfolder can't be read.
std::int64_t CountJobEntries(const ListContext& context, std::wstring path, std::wstring_view mask);

// What the window does to show a path, without the window: cuts the icon
// cache back to its base rows and lists `path` with icons into a fresh
// sequence, which it returns.
FileEntries NavigateTo(const ListContext& context, const std::wstring& path);

// Whether a found record is listed: not "." or "..", not temporary, not a
// shortcut; in folder mode also not skipped by `retrieve` or
// `hiddenSystem`.
bool IsListed(const FindRecord& record, bool folderMode, const ListOptions& options);

// The listed value of a file time (seconds since 1970 UTC): 0 when its local
// year is before 1900 (or it has no local time), the time itself otherwise,
// before 1970 included (a negative value).
std::int64_t ListedTime(std::int64_t seconds);

// The entry a folder's record lists, without an icon: its name, its listed
// times, its attribute word and its inode, in `folder`.
FileEntry ListedEntry(const SharedPath& folder, FindRecord&& record);

}  // namespace torvane
