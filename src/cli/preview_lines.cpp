#include "cli/preview_lines.hpp"

#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

void AddTimeLine(std::vector<std::wstring>& lines, const wchar_t* what, std::int64_t before,
                 std::int64_t after) {
    if (before != after)
        lines.push_back(std::wstring(L"    ") + what + L": " + FormatDateText(before) + L" -> " +
                        FormatDateText(after));
}

}  // namespace

std::wstring AttributeNames(std::uint32_t attributes) {
    const struct {
        bool on;
        const wchar_t* name;
    } shown[] = {
        {(attributes & FILE_ATTRIBUTE_ARCHIVE) != 0, L"Archive"},
        {(attributes & FILE_ATTRIBUTE_HIDDEN) != 0, L"Hidden"},
        {(attributes & FILE_ATTRIBUTE_READONLY) != 0, L"Read-only"},
        {(attributes & FILE_ATTRIBUTE_SYSTEM) != 0, L"System"},
        {(attributes & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) == 0, L"Index"},
        {(attributes & FILE_ATTRIBUTE_COMPRESSED) != 0, L"Compress"},
        {(attributes & FILE_ATTRIBUTE_ENCRYPTED) != 0, L"Encrypt"},
    };
    std::wstring names;
    for (const auto& s : shown) {
        if (!s.on)
            continue;
        if (!names.empty())
            names += L", ";
        names += s.name;
    }
    return names.empty() ? L"none" : names;
}

std::vector<std::wstring> PreviewLines(const FileEntries& current, const FileEntries& updated) {
    std::vector<std::wstring> lines;
    for (std::size_t i = 0; i < current.size() && i < updated.size(); ++i) {
        const FileEntry& a = current[i];
        const FileEntry& b = updated[i];
        if (a.name == b.name && a.created == b.created && a.modified == b.modified &&
            a.accessed == b.accessed && a.attributes == b.attributes)
            continue;
        lines.push_back(a.FullPath() + (a.name != b.name ? L" -> " + b.name : L""));
        AddTimeLine(lines, L"Created", a.created, b.created);
        AddTimeLine(lines, L"Modified", a.modified, b.modified);
        AddTimeLine(lines, L"Accessed", a.accessed, b.accessed);
        if (a.attributes != b.attributes)
            lines.push_back(L"    Attributes: " + AttributeNames(a.attributes) + L" -> " +
                            AttributeNames(b.attributes));
    }
    return lines;
}

}  // namespace torvane
