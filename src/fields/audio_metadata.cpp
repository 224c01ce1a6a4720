// TagLib: an audio file's tags (ID3, Vorbis comments, MP4 atoms, APE...),
// read without the audio properties.
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tiostream.h>

#include <algorithm>

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

// TagLib's input over the file's bytes; writing does nothing.
class BytesStream : public TagLib::IOStream {
  public:
    explicit BytesStream(FileBytes& file) : file_(file) {}

    TagLib::FileName name() const override { return file_.name().c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override {
        // No more than the file holds: a damaged header may ask for more.
        const std::uint64_t left = position_ < file_.size() ? file_.size() - position_ : 0;
        TagLib::ByteVector block(static_cast<unsigned>(std::min<std::uint64_t>(length, left)),
                                 '\0');
        const std::size_t got =
            file_.ReadAt(position_, reinterpret_cast<unsigned char*>(block.data()), block.size());
        position_ += got;
        block.resize(static_cast<unsigned>(got));
        return block;
    }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position from) override {
        const std::int64_t base = from == Beginning ? 0
                                  : from == Current ? static_cast<std::int64_t>(position_)
                                                    : static_cast<std::int64_t>(file_.size());
        position_ = static_cast<std::uint64_t>(std::max<std::int64_t>(0, base + offset));
    }
    void clear() override {}
    long tell() const override { return static_cast<long>(position_); }
    long length() override { return static_cast<long>(file_.size()); }
    void truncate(long) override {}

  private:
    FileBytes& file_;
    std::uint64_t position_ = 0;
};

}  // namespace

void ReadAudioMetadata(FileBytes& file, EntryMetadata& into) {
    try {
        BytesStream stream(file);
        const TagLib::FileRef ref(&stream, false);
        const TagLib::Tag* tag = ref.tag();
        if (ref.isNull() || tag == nullptr)
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
