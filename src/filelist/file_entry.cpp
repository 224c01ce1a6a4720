#include "filelist/file_entry.hpp"

#include "platform/file_system.hpp"

namespace torvane {

std::wstring ExtensionOf(std::wstring_view name) {
    const auto slash = name.find_last_of(kPathSeparator);
    if (slash != std::wstring_view::npos)
        name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos)
        return {};
    return std::wstring(name.substr(dot));
}

}  // namespace torvane
