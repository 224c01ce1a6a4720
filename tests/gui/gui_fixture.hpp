#pragma once

#include <QString>
#include <ostream>
#include <string>

#include "filelist/file_entry.hpp"
#include "platform/file_attributes.hpp"

namespace torvane::gui::testing {

// 2021-07-03 14:05:09 UTC, shown as 07/03/2021 02:05:09 PM in UTC.
inline constexpr std::int64_t kJuly3rd = 1625321109;

// `count` entries named "file <i>.txt" (Archive set on even rows), one day
// apart from kJuly3rd.
inline FileEntries MakeEntries(int count) {
    FileEntries entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        FileEntry e;
        e.folderPath = L"/data/";
        e.name = L"file " + std::to_wstring(i) + L".txt";
        e.modified = kJuly3rd + i * 86400;
        e.created = kJuly3rd - 3600;
        e.accessed = kJuly3rd + 60;
        e.attributes = i % 2 == 0 ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace torvane::gui::testing

// Lets test failures print Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
