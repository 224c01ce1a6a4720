#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/text.hpp"

namespace torvane {

// An entry's name as its file system holds it: the bytes on disk, UTF-8 for
// any name the system can show, kept once per entry. A name is held this way
// from the listing to the system call that changes it, and becomes a wide
// string only where a pattern is matched or a text is shown (wide()).
//
// Made from a wide string it is encoded by ToUtf8, whose escapes for bytes
// that are no UTF-8 (see text.hpp) turn back into those bytes, so a name read
// from disk, shown, matched and written back is the same bytes.
class EntryName {
  public:
    EntryName() = default;
    // From wide text: a name typed, computed or read from a stored list.
    EntryName(std::wstring_view text) : bytes_(ToUtf8(text)) {}          // NOLINT
    EntryName(const std::wstring& text) : EntryName(std::wstring_view(text)) {}  // NOLINT
    EntryName(const wchar_t* text) : EntryName(std::wstring_view(text)) {}      // NOLINT

    // From the bytes a file system gave, kept as they are.
    static EntryName FromBytes(std::string bytes) {
        EntryName name;
        name.bytes_ = std::move(bytes);
        return name;
    }

    const std::string& bytes() const { return bytes_; }
    // The name as the core's wide text.
    std::wstring wide() const { return FromUtf8(bytes_); }
    bool empty() const { return bytes_.empty(); }
    // Whether the name is "." or "..", which every folder lists.
    bool IsDotOrDotDot() const { return bytes_ == "." || bytes_ == ".."; }

    friend bool operator==(const EntryName& a, const EntryName& b) { return a.bytes_ == b.bytes_; }
    // Byte order: a stable order for maps and sets, not the order a list shows.
    friend bool operator<(const EntryName& a, const EntryName& b) { return a.bytes_ < b.bytes_; }
    // A path with the name appended: the folder's wide text and the name's.
    friend std::wstring operator+(const std::wstring& folder, const EntryName& name) {
        return folder + name.wide();
    }
    friend std::ostream& operator<<(std::ostream& out, const EntryName& name) {
        return out << name.bytes_;
    }

  private:
    std::string bytes_;
};

}  // namespace torvane

template <>
struct std::hash<torvane::EntryName> {
    std::size_t operator()(const torvane::EntryName& name) const noexcept {
        return std::hash<std::string>()(name.bytes());
    }
};
