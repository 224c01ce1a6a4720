#include "app/pickers.hpp"

namespace torvane {

ListOptions ListOptionsOfItems(int retrieveId, bool includeSubfolders, int hiddenSystemId) {
    ListOptions options;
    options.retrieve = retrieveId == kRetrieveFilesOnly     ? Retrieve::kFiles
                       : retrieveId == kRetrieveFoldersOnly ? Retrieve::kFolders
                                                            : Retrieve::kFilesAndFolders;
    options.includeSubfolders = includeSubfolders;
    switch (hiddenSystemId) {
        case kNoHiddenOrSystem:
            options.hiddenSystem = HiddenSystem::kNone;
            break;
        case kIncludeHidden:
            options.hiddenSystem = HiddenSystem::kHidden;
            break;
        case kIncludeSystem:
            options.hiddenSystem = HiddenSystem::kSystem;
            break;
        case kIncludeHiddenNoSystem:
            options.hiddenSystem = HiddenSystem::kHiddenNoSystem;
            break;
        default:
            options.hiddenSystem = HiddenSystem::kHiddenAndSystem;
            break;
    }
    return options;
}

std::vector<std::pair<std::wstring, std::wstring>> SplitFileFilter(std::wstring_view filter) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start < filter.size()) {
        const auto bar = filter.find(L'|', start);
        const auto end = bar == std::wstring_view::npos ? filter.size() : bar;
        parts.emplace_back(filter.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> types;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        types.emplace_back(std::move(parts[i]), std::move(parts[i + 1]));
    return types;
}

}  // namespace torvane
