#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_attributes.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// A folder's path, shared by every entry listed from that folder: copying an
// entry (the new values, a job's plan, the editors) copies a pointer, not the
// text. Reads as the std::wstring it holds.
class SharedPath {
  public:
    SharedPath() = default;
    SharedPath(std::wstring text)  // NOLINT: a path is a path, however it is held
        : text_(std::make_shared<const std::wstring>(std::move(text))) {}
    SharedPath(const wchar_t* text) : SharedPath(std::wstring(text)) {}  // NOLINT

    const std::wstring& str() const { return text_ ? *text_ : Empty(); }
    operator const std::wstring&() const { return str(); }  // NOLINT
    bool empty() const { return str().empty(); }

    friend bool operator==(const SharedPath& a, const SharedPath& b) {
        return a.text_ == b.text_ || a.str() == b.str();
    }
    friend bool operator==(const SharedPath& a, const std::wstring& b) { return a.str() == b; }
    friend bool operator==(const SharedPath& a, const wchar_t* b) { return a.str() == b; }
    friend std::wstring operator+(const SharedPath& a, const std::wstring& b) {
        return a.str() + b;
    }
    friend std::wstring operator+(const SharedPath& a, const wchar_t* b) { return a.str() + b; }

  private:
    static const std::wstring& Empty() {
        static const std::wstring empty;
        return empty;
    }
    std::shared_ptr<const std::wstring> text_;
};

// One listed file or folder. Entries are values, copied freely between the
// current and new sequences, a job's per-folder sequences and the editors.
struct FileEntry {
    // Ordered so that the two 4-byte fields share 8 bytes: a job holds an
    // entry twice (as found and as it will be) per listed file.
    SharedPath folderPath;         // the folder holding the entry, ending with the separator
    EntryName name;                // with its extension, without any folder part
    std::int64_t created = 0;      // whole seconds since 1970 UTC
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
    FileId id = {};                // which entry was listed; all zero when not known
    std::uint32_t attributes = 0;  // the attribute word as found
    std::uint32_t iconIndex = 0;   // row in the icon cache; 0 when listed without icons

    // Entries are equal when they show the same values; which inode they
    // were listed from is where they were found, not what they say.
    bool operator==(const FileEntry& o) const {
        return iconIndex == o.iconIndex && folderPath == o.folderPath && name == o.name &&
               created == o.created && modified == o.modified && accessed == o.accessed &&
               attributes == o.attributes;
    }

    // The one test for "folder" everywhere in the system.
    bool IsFolder() const { return IsDirectoryWord(attributes); }
    std::wstring FullPath() const { return folderPath + name.wide(); }
    // Files: the name from its last "." on (".jpg"), or empty; folders:
    // empty. Worked out when asked rather than kept, as few ever ask.
    std::wstring Extension() const;
};

using FileEntries = std::vector<FileEntry>;

// The entry on which a task is tried while no entry is listed: "FileName.test"
// in the folder "C:\" (a Windows-style text kept as it is: the entry is never
// looked for on disk), icon 0, attributes 0, and all three times the local
// time 1984-02-29 00:00:12 taken as daylight-saving time (the broken-down
// month 13 of 1983 with a positive daylight-saving flag), or 0 when that time
// can't be represented.
FileEntry PlaceholderEntry();

// The text after the last separator of `name` (all of it when there is none),
// from its last "." to the end, the dot included; empty when it has no ".".
std::wstring ExtensionOf(std::wstring_view name);
// The same for an entry's name, which has no folder part.
std::wstring ExtensionOfName(const EntryName& name);

}  // namespace torvane
