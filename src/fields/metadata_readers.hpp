#pragma once

// The readers behind ReadMetadata, one per library; internal to fields/.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fields/entry_metadata.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// How much of a file is read at once, first: a JPEG's EXIF segment comes
// first and is at most 64 KiB, and most files' headers lie in it. Below
// malloc's mmap threshold (128 KiB), so that keeping it costs no mapping.
inline constexpr std::size_t kHeadBytes = 64 * 1024;

// The bytes of one file as the readers take them: its head (the first
// kHeadBytes bytes, or all of a smaller file) read at the first read that
// starts in it and kept, so that the libraries' many small reads there,
// and a second library trying the same file, cost no system call; any
// other part is read where asked. Used by one thread.
class FileBytes {
  public:
    // `name` is the file's name as bytes, which TagLib goes by first.
    FileBytes(PositionedReader& file, std::string name);

    std::uint64_t size() const { return size_; }
    const std::string& name() const { return name_; }
    // Reads up to `size` bytes at `offset`; returns how many, fewer where the
    // file ends or a read fails (a failure reads as the end of the file).
    std::size_t ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t size);
    // The bytes read from the file so far, for the tests.
    std::uint64_t bytesRead() const { return bytesRead_; }

  private:
    std::size_t ReadFile(std::uint64_t offset, unsigned char* buffer, std::size_t size);

    PositionedReader& file_;
    std::string name_;
    std::uint64_t size_;
    std::string head_;
    bool headRead_ = false;
    std::uint64_t bytesRead_ = 0;
};

// Exiv2: taken, camera, width, height. Returns false when Exiv2 does not
// know the file as an image (another reader may then try it).
bool ReadImageMetadata(FileBytes& file, EntryMetadata& into);

// MediaInfoLib: a video's creation time into `taken`, its frame size.
void ReadVideoMetadata(FileBytes& file, EntryMetadata& into);

// TagLib: the audio tags.
void ReadAudioMetadata(FileBytes& file, EntryMetadata& into);

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
