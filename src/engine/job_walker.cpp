#include "engine/job_walker.hpp"

#include <algorithm>
#include <cerrno>
#include <exception>

#include "engine/error_log.hpp"
#include "filelist/list_path.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kErrorReadingDirectory = L"Error reading directory:  ";
constexpr std::wstring_view kFolderReplacedMessage =
    L"The folder was replaced by another entry after it was listed; nothing in it was "
    L"changed.\r\n";

}  // namespace

WalkRoot ResolveWalkRoot(FileSystem& fs, const std::wstring& root) {
    WalkRoot resolved{root, true};
    if (const auto word = fs.GetAttributes(root); word.ok() && IsDirectoryWord(*word)) {
        resolved.isFile = false;
        if (!root.empty() && root.back() != kPathSeparator)
            resolved.path += kPathSeparator;
    }
    return resolved;
}

JobWalker::JobWalker(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                     WalkVisitor& visitor)
    : settings_(settings), fs_(fs), dialogs_(dialogs), visitor_(visitor) {}

void JobWalker::WalkFolder(const std::wstring& path) {
    if (path.empty())
        return;
    if (auto folder = OpenRoot(path))
        Walk(*folder, path);
}

void JobWalker::WalkEntries(const FileEntries& current, const FileEntries& updated) {
    const WalkRoot root = ResolveWalkRoot(fs_, settings_.root);
    if (root.path.empty())
        return;
    if (auto folder = OpenRoot(root.path))
        WalkEntries(*folder, current, updated);
}

// The folder whose entries the root's listing gives: the root folder, or the
// folder of a single file; null, after telling the visitor, when it can't be
// opened.
std::unique_ptr<Folder> JobWalker::OpenRoot(const std::wstring& path) {
    std::wstring folderPath = path;
    if (path.back() != kPathSeparator) {
        const auto slash = path.find_last_of(kPathSeparator);
        folderPath = slash == std::wstring::npos ? std::wstring(L".") + kPathSeparator
                                                 : path.substr(0, slash + 1);
    }
    auto folder = fs_.OpenFolder(folderPath);
    if (!folder) {
        Unreadable(path, folder.error());
        return nullptr;
    }
    return std::move(*folder);
}

// Lists and computes one folder (or the single file `path`), then walks its entries.
void JobWalker::Walk(Folder& folder, const std::wstring& path) {
    FileEntries current;
    if (!List(folder, path, current))
        return;
    NewEntries computed;
    if (!ComputeFolder(path, current, computed))
        return;
    WalkEntries(folder, current, computed.entries);
}

void JobWalker::WalkEntries(Folder& folder, const FileEntries& current,
                            const FileEntries& updated) {
    const std::size_t count = std::min(current.size(), updated.size());
    for (std::size_t i = 0; i < count; ++i) {
        // Below first, before the folder itself changes.
        Descend(folder, current[i]);
        visitor_.Entry(folder, current[i], updated[i]);
    }
}

ListContext JobWalker::Listing() {
    ListContext listing{fs_, dialogs_, noProgress_};
    listing.options = settings_.listOptions;
    listing.attributeTarget = settings_.engine.attributeTarget;
    return listing;
}

// Lists the folder (through its descriptor) or the single file; false, after
// telling the visitor, when it can't be read.
bool JobWalker::List(Folder& folder, const std::wstring& path, FileEntries& current) {
    const auto listing = Listing();
    const bool single = path.back() != kPathSeparator;
    // A listing that fails has shown its message already.
    const auto listed =
        single ? ListPath(listing, path, current) : ListFolder(listing, folder, current);
    if (listed.ok())
        return true;
    visitor_.FolderFailed(
        {FolderProblem::Kind::kUnreadable, path,
         ErrorLogLine(kErrorReadingDirectory, path, fs_.SystemMessage(listed.error().code))});
    return false;
}

// A folder that can't be opened: the listing's message, and the visitor told.
void JobWalker::Unreadable(const std::wstring& folder, const SystemError& error) {
    ShowListingError(Listing(), error);
    visitor_.FolderFailed(
        {FolderProblem::Kind::kUnreadable, folder,
         ErrorLogLine(kErrorReadingDirectory, folder, fs_.SystemMessage(error.code))});
}

// Computes the folder's new values; false, after telling the visitor, when
// nothing in the folder may be touched.
bool JobWalker::ComputeFolder(const std::wstring& folder, const FileEntries& current,
                              NewEntries& computed) {
    const ApplyContext context{settings_.engine, dialogs_, ApplyMode::JobMode, {}};
    try {
        computed = ComputeNewEntries(current, settings_.tasks, context);
    } catch (const std::exception& e) {
        dialogs_.ShowMessageText(
            L"Error processing directory " + Outside(folder) + L":\n" + Outside(FromUtf8(e.what())),
            L"Error", MessageIcon::kError, MessageButtons::kOk);
        computed.result = TaskResult::Failed;
    }
    // An invalid pattern leaves the folder unchanged too; it is reported so
    // that a job never reports success for work it did not do.
    if (computed.result == TaskResult::Ok)
        return true;
    visitor_.FolderFailed({FolderProblem::Kind::kNotComputed, folder,
                           std::wstring(kErrorProcessingDirectory) + folder});
    return false;
}

// Walks the folder below `entry` when subfolders are included. It is entered
// from its parent's descriptor by name, never through a symbolic link, and
// only while that name still holds the folder the listing saw: a folder
// swapped for a link or another folder since is left alone and logged.
void JobWalker::Descend(Folder& parent, const FileEntry& entry) {
    if (!entry.IsFolder() || !settings_.listOptions.includeSubfolders ||
        (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return;
    const std::wstring path = entry.FullPath() + kPathSeparator;
    auto folder = parent.OpenFolder(entry.name, entry.id);
    if (folder) {
        Walk(**folder, path);
        return;
    }
    const int code = folder.error().code;
    if (code == kFolderReplaced || code == ENOTDIR) {
        visitor_.FolderFailed({FolderProblem::Kind::kReplaced, path,
                               ErrorLogLine(kErrorReadingDirectory, path, kFolderReplacedMessage)});
        return;
    }
    Unreadable(path, folder.error());
}

}  // namespace torvane
