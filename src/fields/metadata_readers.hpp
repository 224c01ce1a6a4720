#pragma once

// The readers behind ReadMetadata, one per library; internal to fields/.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fields/entry_metadata.hpp"

namespace torvane {

// How much of a file is read at once for its image metadata: a JPEG's EXIF
// and XMP segments come first and are at most 64 KiB each.
inline constexpr std::size_t kHeadBytes = 128 * 1024;

// Exiv2: taken, camera, width, height. `head` is the start of the file
// (`size` bytes in all): a JPEG whose segments before the picture lie in it,
// or a file that is all in it, is read from it without opening the file
// again; any other is read from the file. Returns false when Exiv2 does not
// know the file as an image (another reader may then try it).
bool ReadImageMetadata(const std::string& path, const std::string& head, std::uint64_t size,
                       EntryMetadata& into);

// MediaInfoLib: a video's creation time into `taken`, its frame size.
void ReadVideoMetadata(const std::string& path, EntryMetadata& into);

// TagLib: the audio tags.
void ReadAudioMetadata(const std::string& path, EntryMetadata& into);

// The time of "YYYY:MM:DD HH:MM:SS" or "YYYY-MM-DDTHH:MM:SS" (any one
// separator between the parts; seconds optional), read as local time, or
// as UTC when `utc` is set or the text ends with "Z", or with its own
// offset when it ends with "+hh:mm"/"-hh:mm". nullopt for anything else, and
// for the all-zero date cameras write when they have none.
std::optional<std::int64_t> TimeOfMetadataDate(std::string_view text, bool utc = false);

// The text of a library's UTF-8 string, blanks trimmed at both ends;
// nullopt when nothing is left.
std::optional<std::wstring> TrimmedText(std::string_view utf8);

}  // namespace torvane
