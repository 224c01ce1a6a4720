#include "engine/job_walker.hpp"

#include <algorithm>
#include <exception>

#include "engine/error_log.hpp"
#include "filelist/list_path.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kErrorReadingDirectory = L"Error reading directory:  ";

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

void JobWalker::WalkFolder(const std::wstring& folder) {
    if (folder.empty())
        return;
    FileEntries current;
    if (!ListFolder(folder, current))
        return;
    NewEntries computed;
    if (!ComputeFolder(folder, current, computed))
        return;
    WalkEntries(current, computed.entries);
}

void JobWalker::WalkEntries(const FileEntries& current, const FileEntries& updated) {
    const std::size_t count = std::min(current.size(), updated.size());
    for (std::size_t i = 0; i < count; ++i) {
        // Below first, before the folder itself changes.
        Descend(current[i]);
        visitor_.Entry(current[i], updated[i]);
    }
}

// Lists the folder; false, after telling the visitor, when it can't be read.
bool JobWalker::ListFolder(const std::wstring& folder, FileEntries& current) {
    ListContext listing{fs_, dialogs_, noProgress_};
    listing.options = settings_.listOptions;
    listing.setAttributeOption = settings_.engine.setAttributeOption;
    const auto listed = ListPath(listing, folder, current);
    if (listed.ok())
        return true;
    visitor_.FolderFailed(
        {FolderProblem::Kind::kUnreadable, folder,
         ErrorLogLine(kErrorReadingDirectory, folder, fs_.SystemMessage(listed.error().code))});
    return false;
}

// Computes the folder's new values; false, after telling the visitor, when
// nothing in the folder may be touched.
bool JobWalker::ComputeFolder(const std::wstring& folder, const FileEntries& current,
                              NewEntries& computed) {
    const ApplyContext context{settings_.engine, dialogs_, ApplyMode::JobMode, {}};
    try {
        computed = ComputeNewEntries(current, settings_.tasks, context);
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(L"Error processing directory " + folder + L":\n" + FromUtf8(e.what()),
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

// Walks the folder below `entry` when subfolders are included; a symbolic
// link is never gone through.
void JobWalker::Descend(const FileEntry& entry) {
    if (entry.IsFolder() && settings_.listOptions.includeSubfolders == 1 &&
        (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        WalkFolder(entry.FullPath() + kPathSeparator);
}

}  // namespace torvane
