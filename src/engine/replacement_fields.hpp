#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fields/entry_metadata.hpp"
#include "filelist/file_entry.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// Fields in a replacement: "{taken:%Y-%m-%d}" is replaced by each entry's own
// value. The replacement is read once per application of a task into a
// FieldTemplate; each entry's text is then made from it.

enum class FieldName {
    kName,
    kExt,
    kFolder,
    kSize,
    kCreated,
    kModified,
    kAccessed,
    kTaken,
    kCamera,
    kWidth,
    kHeight,
    kArtist,
    kAlbum,
    kTitle,
    kTrack,
    kYear,
    kGenre,
};

// One "{...}" of a replacement.
struct FieldUse {
    FieldName name = FieldName::kName;
    std::wstring written;     // as typed, braces included: "{taken+2h}"
    std::wstring format;      // after ':': strftime's for a date, a width for a number
    std::int64_t offset = 0;  // seconds added to a date
};

// A replacement taken apart: literal text (with "{{" and "}}" made single
// braces) and fields, in order. A literal part keeps every other character,
// so it is still a Perl format ($1, \U) and may hold "#" runs.
struct FieldTemplate {
    struct Part {
        std::wstring literal;           // when field is empty
        std::optional<FieldUse> field;  // else this
    };
    std::vector<Part> parts;
    unsigned groups = 0;  // the MetadataGroup bits its fields need
};

// The replacement read into a template. Returns it, or nullopt with `error`
// set to a sentence naming the fault and where it is: an unknown field, a
// "{" without its "}", a lone "}", an offset on a field that is no date, an
// offset or a format that can't be read.
std::optional<FieldTemplate> ParseFieldTemplate(std::wstring_view replacement, std::wstring& error);

// The field a name ("taken") stands for; nullopt when it is none.
std::optional<FieldName> FieldNamed(std::wstring_view name);

// Which MetadataGroup a field's value comes from; 0 for the entry's own.
unsigned GroupOf(FieldName name);

// Where FieldValues takes the metadata from instead of reading the files
// itself: values read elsewhere (the window's preview reads them on other
// threads).
class MetadataSource {
  public:
    virtual ~MetadataSource() = default;
    // The metadata of the listed entry at `position` with at least `groups`
    // read; null while it is not in yet (the source then has it read).
    virtual const EntryMetadata* Find(std::size_t position, unsigned groups) = 0;
};

// The metadata of the entries of one computation, read when first asked and
// then kept, position for position with the entries as listed (a task after
// a rename still finds the file by the name it was listed by). Each entry's
// file is read inside its folder held open, by its name, never by a path: a
// folder renamed or replaced by a link meanwhile can't send the read
// elsewhere. Used by one thread at a time.
class FieldValues {
  public:
    // Reads the entries inside `folder`, the folder they were listed from,
    // held open (a job's plan). Null: nothing is read, every metadata field
    // is without a value (entries that name no file). Nothing is allocated
    // until a field asks: most computations have none.
    FieldValues(const FileEntries& listed, Folder* folder) : listed_(listed), folder_(folder) {}
    // Reads the entries inside their folder (FileEntry::folderPath) opened
    // with `fs` when a field first asks, and kept open (a preview's list is
    // one folder's); an entry of another folder opens that one in its place.
    // A folder that can't be opened gives no values.
    FieldValues(const FileEntries& listed, FileSystem& fs) : listed_(listed), fs_(&fs) {}
    // Reads nothing itself: the values come from `source`, which reads them
    // elsewhere (the window's preview, on other threads); a value not yet in
    // is an empty record (its field has no value).
    FieldValues(const FileEntries& listed, MetadataSource& source)
        : listed_(listed), source_(&source) {}

    // The metadata of the entry at `position` with at least `groups` read;
    // an empty record past the end of the listing.
    const EntryMetadata& At(std::size_t position, unsigned groups);

  private:
    // The folder to read `entry` in; null when there is none.
    Folder* FolderOf(const FileEntry& entry);

    const FileEntries& listed_;
    MetadataSource* source_ = nullptr;
    Folder* folder_ = nullptr;
    FileSystem* fs_ = nullptr;
    std::unique_ptr<Folder> opened_;  // opened with fs_, for openedPath_
    std::optional<std::wstring> openedPath_;
    std::vector<EntryMetadata> read_;
    EntryMetadata none_;
};

// The new values a task with fields sets: the bits of FieldMiss::columns.
enum FieldColumn : unsigned {
    kFieldColumnName = 1,
    kFieldColumnModified = 2,
    kFieldColumnCreated = 4,
    kFieldColumnAccessed = 8,
};

// A field that had no value for an entry: the finding's material.
struct FieldMiss {
    std::size_t position = 0;
    std::wstring field;    // as written: "{taken}"
    unsigned columns = 0;  // the FieldColumn bits of the values left as they were
};

// How values are made safe for where they go.
enum class FieldTarget {
    kName,  // a character a name can't hold (< > : " / \ | ? * and controls) becomes "_"
    kTime,  // as they are
};

// The Perl format for the entry `now` at `position`: literal parts through
// `literal` (which numbers "#" runs), each field's value escaped so that the
// format writes it as it is. nullopt when a field has no value; `missing` is
// then the field as written.
template <class Literal>
std::optional<std::wstring> ExpandFields(const FieldTemplate& fields, const FileEntry& now,
                                         std::size_t position, FieldValues& values,
                                         FieldTarget target, Literal&& literal,
                                         std::wstring& missing);

// The value of one field for an entry, before it is made safe; nullopt when
// it has none.
std::optional<std::wstring> FieldValue(const FieldUse& use, const FileEntry& now,
                                       const EntryMetadata& metadata);

// The value made safe for `target` and escaped for a Perl format.
std::wstring EscapedFieldValue(std::wstring_view value, FieldTarget target);

template <class Literal>
std::optional<std::wstring> ExpandFields(const FieldTemplate& fields, const FileEntry& now,
                                         std::size_t position, FieldValues& values,
                                         FieldTarget target, Literal&& literal,
                                         std::wstring& missing) {
    std::wstring out;
    for (const auto& part : fields.parts) {
        if (!part.field) {
            out += literal(part.literal);
            continue;
        }
        // Every group the replacement needs, read at the first field that
        // needs one: the file is opened once for all of them.
        const unsigned group = GroupOf(part.field->name);
        const auto value =
            FieldValue(*part.field, now, values.At(position, group != 0 ? fields.groups : 0));
        if (!value) {
            missing = part.field->written;
            return std::nullopt;
        }
        out += EscapedFieldValue(*value, target);
    }
    return out;
}

}  // namespace torvane
