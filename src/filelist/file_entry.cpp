#include "filelist/file_entry.hpp"

#include "platform/file_system.hpp"
#include "platform/local_time.hpp"

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

std::wstring ExtensionOfName(const EntryName& name) {
    const std::string& bytes = name.bytes();
    const auto dot = bytes.find_last_of('.');
    return dot == std::string::npos ? std::wstring()
                                    : FromUtf8(std::string_view(bytes).substr(dot));
}

FileEntry PlaceholderEntry() {
    std::tm fields{};
    fields.tm_sec = 12;
    fields.tm_mday = 29;
    fields.tm_mon = 13;
    fields.tm_year = 83;
    fields.tm_isdst = 25;
    const std::int64_t time = FromLocalTime(fields).value_or(0);
    FileEntry entry;
    entry.folderPath = L"C:\\";
    entry.name = L"FileName.test";
    entry.created = time;
    entry.modified = time;
    entry.accessed = time;
    return entry;
}

std::wstring FileEntry::Extension() const {
    return IsFolder() ? std::wstring() : ExtensionOfName(name);
}

}  // namespace torvane
