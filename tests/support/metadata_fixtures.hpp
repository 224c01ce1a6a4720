#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvane::testing {

// Small files with metadata, made by the tests themselves.

// Writes a JPEG's marker structure (start, quantisation table, a frame
// header giving `width` x `height`, Huffman table, scan, end): what the
// metadata readers parse. The scan holds no real picture.
void WriteTinyJpeg(const std::string& path, int width = 4, int height = 3);

// Sets EXIF tags of an image through Exiv2 ("Exif.Photo.DateTimeOriginal" =
// "2021:03:28 01:30:00"). Fails the calling test on error.
void SetExif(const std::string& path, const std::string& key, const std::string& value);

// Writes a short silent WAV file with an ID3v2 tag of these values, through
// TagLib. Empty values are left out.
struct AudioTags {
    std::string artist, album, title, genre;
    unsigned track = 0, year = 0;
};
void WriteTaggedWav(const std::string& path, const AudioTags& tags);

// The bytes of a small MP4 (ISO BMFF): its file type, and a movie header
// and one video track's header made at `createdUtc` (seconds since 1970)
// with a frame of `width` x `height`, the track without samples; then
// `mediaBytes` bytes of media data, before the movie header when
// `headerLast` (as a camera that writes the header when it stops does).
std::string TinyMp4(std::int64_t createdUtc, int width, int height, std::size_t mediaBytes = 0,
                    bool headerLast = false);

}  // namespace torvane::testing
