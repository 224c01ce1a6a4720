// TagLib: an audio file's tags (ID3, Vorbis comments, MP4 atoms, APE...),
// read without the audio properties.
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "fields/metadata_readers.hpp"

namespace torvane {
namespace {

std::optional<std::wstring> TagText(const TagLib::String& text) {
    return TrimmedText(text.to8Bit(true));
}

std::optional<std::int64_t> Positive(unsigned value) {
    if (value == 0)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

}  // namespace

void ReadAudioMetadata(const std::string& path, EntryMetadata& into) {
    try {
        const TagLib::FileRef file(path.c_str(), false);
        const TagLib::Tag* tag = file.tag();
        if (file.isNull() || tag == nullptr)
            return;
        into.artist = TagText(tag->artist());
        into.album = TagText(tag->album());
        into.title = TagText(tag->title());
        into.genre = TagText(tag->genre());
        into.track = Positive(tag->track());
        into.year = Positive(tag->year());
    } catch (...) {
        // TagLib does not throw by design; a failure inside a format's
        // reader leaves the tags empty all the same.
    }
}

}  // namespace torvane
