#include "metadata_fixtures.hpp"

#include <gtest/gtest.h>
#include <taglib/tag.h>
#include <taglib/wavfile.h>

#include <exiv2/exiv2.hpp>

#include "temp_dir.hpp"

namespace torvane::testing {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string Segment(int marker, const std::string& body) {
    const auto length = static_cast<int>(body.size() + 2);
    return Bytes({0xFF, marker, length >> 8, length & 0xFF}) + body;
}

void AppendLe(std::string& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void WriteTinyJpeg(const std::string& path, int width, int height) {
    std::string jpeg = Bytes({0xFF, 0xD8});
    jpeg += Segment(0xDB, Bytes({0x00}) + std::string(64, '\x01'));
    jpeg += Segment(
        0xC0, Bytes({8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 1, 1, 0x11, 0}));
    jpeg += Segment(0xC4, Bytes({0x00, 1}) + std::string(15, '\0') + Bytes({0}));
    jpeg += Segment(0xDA, Bytes({1, 1, 0x00, 0, 63, 0}));
    jpeg += Bytes({0x00, 0xFF, 0xD9});
    WriteBytes(path, jpeg);
}

void SetExif(const std::string& path, const std::string& key, const std::string& value) {
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        exif[key] = value;
        image->setExifData(exif);
        image->writeMetadata();
    } catch (const std::exception& e) {
        FAIL() << "Exiv2 could not set " << key << " in " << path << ": " << e.what();
    }
}

void WriteTaggedWav(const std::string& path, const AudioTags& tags) {
    std::string wav = "RIFF";
    AppendLe(wav, 36 + 8, 4);
    wav += "WAVEfmt ";
    AppendLe(wav, 16, 4);
    AppendLe(wav, 1, 2);     // PCM
    AppendLe(wav, 1, 2);     // mono
    AppendLe(wav, 8000, 4);  // samples a second
    AppendLe(wav, 8000, 4);  // bytes a second
    AppendLe(wav, 1, 2);     // block
    AppendLe(wav, 8, 2);     // bits
    wav += "data";
    AppendLe(wav, 8, 4);
    wav += std::string(8, '\x80');
    WriteBytes(path, wav);
    TagLib::RIFF::WAV::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    TagLib::Tag* tag = file.ID3v2Tag();
    tag->setArtist(TagLib::String(tags.artist, TagLib::String::UTF8));
    tag->setAlbum(TagLib::String(tags.album, TagLib::String::UTF8));
    tag->setTitle(TagLib::String(tags.title, TagLib::String::UTF8));
    tag->setGenre(TagLib::String(tags.genre, TagLib::String::UTF8));
    tag->setTrack(tags.track);
    tag->setYear(tags.year);
    ASSERT_TRUE(file.save()) << path;
}

}  // namespace torvane::testing
