#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace torvane {

// What is inside a file that a replacement's fields can ask for, read with
// the formats' own libraries: Exiv2 for EXIF and XMP (JPEG, TIFF, PNG, WebP,
// the raw formats, and HEIC/AVIF through its BMFF reader), TagLib for audio
// tags, MediaInfoLib for a video's creation time. Only the metadata is read,
// never the image or sound itself.

// The groups of values, read together because one library call gives them.
enum MetadataGroup : unsigned {
    kMetadataSize = 1,   // size
    kMetadataImage = 2,  // taken, camera, width, height
    kMetadataAudio = 4,  // artist, album, title, track, year, genre
};

// The values found; each is empty when the file has none or could not be
// read. Times are whole seconds since 1970 UTC.
struct EntryMetadata {
    unsigned groupsRead = 0;  // the MetadataGroup bits already asked for
    std::optional<std::uint64_t> size;
    std::optional<std::int64_t> taken;
    std::optional<std::wstring> camera;
    std::optional<std::int64_t> width;
    std::optional<std::int64_t> height;
    std::optional<std::wstring> artist;
    std::optional<std::wstring> album;
    std::optional<std::wstring> title;
    std::optional<std::int64_t> track;
    std::optional<std::int64_t> year;
    std::optional<std::wstring> genre;
};

// Empty in a build that reads metadata; otherwise the sentence that says the
// fields can't be read in this build (the Windows build has no metadata
// libraries), for the plan to show on each entry a field leaves unchanged.
std::wstring_view MetadataUnavailableReason();

// Sets up the libraries once per process (Exiv2's XMP toolkit with a lock,
// its BMFF reader, its log silenced). ReadMetadata calls it itself; calling
// it before starting threads that read keeps the set-up off their path.
// Safe to call from several threads.
void InitializeMetadataReaders();

// Reads the groups in `groups` not yet in `into.groupsRead` of the regular
// file `name` of `folder` (Folder::OpenForReading: never through a link,
// nothing but a regular file), opened once for all of them, and marks them
// read, with the size, which the open gives. A file that is no image, audio
// or video of a known kind, can't be opened or is damaged leaves that
// group's values empty: nothing is thrown and nothing is shown. Safe to call
// from several threads on different EntryMetadata objects, each with a
// Folder of its own or one whose OpenForReading is (the Linux backend's is).
void ReadMetadata(Folder& folder, const EntryName& name, unsigned groups, EntryMetadata& into);

}  // namespace torvane
