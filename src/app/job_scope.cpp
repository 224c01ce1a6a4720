#include "app/job_scope.hpp"

namespace torvane {

bool FilesOnlyWithSubfolders(const ListOptions& options) {
    return options.includeSubfolders && options.retrieve == Retrieve::kFiles;
}

bool DescendForFilesOnly(ListOptions& options, AttributeTarget& target) {
    if (!FilesOnlyWithSubfolders(options))
        return false;
    options.retrieve = Retrieve::kFilesAndFolders;
    target = AttributeTarget::kFiles;
    return true;
}

}  // namespace torvane
