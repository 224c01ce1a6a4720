#include "metadata_fixtures.hpp"

#include <gtest/gtest.h>
#include <taglib/tag.h>
#include <taglib/wavfile.h>

#include <cstdint>
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

void AppendBe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Be(std::uint64_t value, int bytes) {
    std::string out;
    AppendBe(out, value, bytes);
    return out;
}

std::string Box(const char* type, const std::string& body) {
    return Be(body.size() + 8, 4) + type + body;
}

std::string FullBox(const char* type, unsigned flags, const std::string& body) {
    return Box(type, Be(flags, 4) + body);  // version 0
}

// The unity matrix of a movie or track header.
std::string Matrix() {
    std::string out;
    for (std::uint64_t v : {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000})
        AppendBe(out, v, 4);
    return out;
}

std::string VideoTrack(std::uint64_t created, int width, int height) {
    const std::string times = Be(created, 4) + Be(created, 4);
    const std::string tkhd =
        FullBox("tkhd", 3,
                times + Be(1, 4) + Be(0, 4) + Be(1000, 4) + std::string(16, '\0') + Matrix() +
                    Be(width << 16, 4) + Be(height << 16, 4));
    const std::string mdhd = FullBox("mdhd", 0, times + Be(1000, 4) + Be(1000, 4) + Be(0x55C4, 4));
    const std::string hdlr =
        FullBox("hdlr", 0, Be(0, 4) + "vide" + std::string(12, '\0') + "VideoHandler" + '\0');
    const std::string avc1 =
        Box("avc1", std::string(6, '\0') + Be(1, 2) + std::string(16, '\0') + Be(width, 2) +
                        Be(height, 2) + Be(0x00480000, 4) + Be(0x00480000, 4) + Be(0, 4) +
                        Be(1, 2) + std::string(32, '\0') + Be(0x18, 2) + Be(0xFFFF, 2));
    const std::string stbl =
        Box("stbl", FullBox("stsd", 0, Be(1, 4) + avc1) + FullBox("stts", 0, Be(0, 4)) +
                        FullBox("stsc", 0, Be(0, 4)) + FullBox("stsz", 0, Be(0, 8)) +
                        FullBox("stco", 0, Be(0, 4)));
    const std::string dinf = Box("dinf", FullBox("dref", 0, Be(1, 4) + FullBox("url ", 1, "")));
    const std::string minf = Box("minf", FullBox("vmhd", 1, std::string(8, '\0')) + dinf + stbl);
    return Box("trak", tkhd + Box("mdia", mdhd + hdlr + minf));
}

}  // namespace

std::string TinyMp4(std::int64_t createdUtc, int width, int height, std::size_t mediaBytes,
                    bool headerLast) {
    const auto created = static_cast<std::uint64_t>(createdUtc + 2082844800);  // since 1904
    const std::string ftyp = Box("ftyp", std::string("isom") + Be(512, 4) + "isomiso2mp41");
    const std::string mvhd = FullBox("mvhd", 0,
                                     Be(created, 4) + Be(created, 4) + Be(1000, 4) + Be(1000, 4) +
                                         Be(0x10000, 4) + Be(0x100, 2) + std::string(10, '\0') +
                                         Matrix() + std::string(24, '\0') + Be(2, 4));
    const std::string moov = Box("moov", mvhd + VideoTrack(created, width, height));
    const std::string mdat = Box("mdat", std::string(mediaBytes, '\0'));
    return headerLast ? ftyp + mdat + moov : ftyp + moov + mdat;
}

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
