#include "fields/entry_metadata.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fields/metadata_readers.hpp"
#include "metadata_fixtures.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::AudioTags;
using testing::ScopedTimeZone;
using testing::SetExif;
using testing::TempDir;
using testing::WriteTaggedWav;
using testing::WriteTinyJpeg;

constexpr unsigned kAll = kMetadataSize | kMetadataImage | kMetadataAudio;

EntryMetadata Read(const std::string& path, unsigned groups = kAll) {
    EntryMetadata m;
    ReadMetadata(path, groups, m);
    return m;
}

TEST(EntryMetadata, PhotoDateTakenCameraAndSize) {
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    TempDir dir;
    const std::string photo = dir.Join("a.jpg");
    WriteTinyJpeg(photo, 40, 30);
    SetExif(photo, "Exif.Photo.DateTimeOriginal", "2021:07:03 14:05:09");
    SetExif(photo, "Exif.Photo.DateTimeDigitized", "2020:01:01 00:00:00");
    SetExif(photo, "Exif.Image.Make", "Canon");
    SetExif(photo, "Exif.Image.Model", "Canon EOS 5D");
    const EntryMetadata m = Read(photo);
    EXPECT_EQ(m.taken, 1625313909);  // 12:05:09 UTC: summer time in Berlin
    EXPECT_EQ(m.camera, L"Canon EOS 5D");
    EXPECT_EQ(m.width, 40);
    EXPECT_EQ(m.height, 30);
    struct stat st {};
    ASSERT_EQ(::stat(photo.c_str(), &st), 0);
    EXPECT_EQ(m.size, static_cast<std::uint64_t>(st.st_size));
    EXPECT_FALSE(m.artist);
}

TEST(EntryMetadata, FallsBackToTheCreateDateAndJoinsMakeAndModel) {
    const ScopedTimeZone zone("UTC");
    TempDir dir;
    const std::string photo = dir.Join("b.jpg");
    WriteTinyJpeg(photo);
    SetExif(photo, "Exif.Photo.DateTimeOriginal", "0000:00:00 00:00:00");  // none, as cameras write
    SetExif(photo, "Exif.Photo.DateTimeDigitized", "2020:02:29 23:59:58");
    SetExif(photo, "Exif.Image.Make", "NIKON");
    SetExif(photo, "Exif.Image.Model", "D750");
    const EntryMetadata m = Read(photo, kMetadataImage);
    EXPECT_EQ(m.taken, 1583020798);
    EXPECT_EQ(m.camera, L"NIKON D750");
    EXPECT_FALSE(m.size);  // not asked
}

// Segments before the EXIF that run past the part read at once: the file
// is read again whole rather than taken to have no date.
TEST(EntryMetadata, ExifPastTheFirstPartReadIsStillFound) {
    const ScopedTimeZone zone("UTC");
    TempDir dir;
    const std::string photo = dir.Join("big.jpg");
    WriteTinyJpeg(photo);
    SetExif(photo, "Exif.Photo.DateTimeOriginal", "2020:02:29 23:59:58");
    std::string bytes = testing::ReadBytes(photo);
    std::string filler;
    for (int i = 0; i < 3; ++i) {  // three APP2 segments of 60,000 bytes
        filler += "\xFF\xE2";
        filler += static_cast<char>((60002 >> 8) & 0xFF);
        filler += static_cast<char>(60002 & 0xFF);
        filler += std::string(60000, 'x');
    }
    bytes.insert(2, filler);
    testing::WriteBytes(photo, bytes);
    EXPECT_EQ(Read(photo, kMetadataImage).taken, 1583020798);
}

TEST(EntryMetadata, FilesWithoutValuesGiveNone) {
    TempDir dir;
    const std::string plain = dir.Join("plain.jpg");
    WriteTinyJpeg(plain);
    const std::string text = dir.Join("notes.txt");
    testing::WriteBytes(text, "hello");
    const std::string fifo = dir.Join("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const EntryMetadata p = Read(plain);
    EXPECT_FALSE(p.taken);
    EXPECT_FALSE(p.camera);
    EXPECT_EQ(p.width, 4);
    const EntryMetadata t = Read(text);
    EXPECT_EQ(t.size, 5u);
    EXPECT_FALSE(t.taken);
    EXPECT_FALSE(t.title);
    const EntryMetadata f = Read(fifo);  // never opened: it would block
    EXPECT_FALSE(f.size);
    EXPECT_EQ(f.groupsRead, kAll);
    const EntryMetadata gone = Read(dir.Join("missing.jpg"));
    EXPECT_FALSE(gone.size);
}

TEST(EntryMetadata, AudioTags) {
    TempDir dir;
    const std::string song = dir.Join("song.wav");
    WriteTaggedWav(song, AudioTags{"AC/DC", "Back in Black", "Hells Bells", "Rock", 1, 1980});
    const EntryMetadata m = Read(song, kMetadataAudio);
    EXPECT_EQ(m.artist, L"AC/DC");
    EXPECT_EQ(m.album, L"Back in Black");
    EXPECT_EQ(m.title, L"Hells Bells");
    EXPECT_EQ(m.genre, L"Rock");
    EXPECT_EQ(m.track, 1);
    EXPECT_EQ(m.year, 1980);
}

TEST(EntryMetadata, AGroupIsReadOnce) {
    TempDir dir;
    const std::string photo = dir.Join("a.jpg");
    WriteTinyJpeg(photo);
    EntryMetadata m;
    ReadMetadata(photo, kMetadataImage, m);
    SetExif(photo, "Exif.Image.Model", "Later");
    ReadMetadata(photo, kMetadataImage | kMetadataSize, m);
    EXPECT_FALSE(m.camera);  // the image group was read before the change
    EXPECT_TRUE(m.size);
}

TEST(MetadataDate, Forms) {
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    struct Case {
        const char* text;
        bool utc;
        std::optional<std::int64_t> want;
    };
    const Case cases[] = {
        {"2021:01:02 03:04:05", false, 1609553045},  // local, winter: UTC+1
        {"2021-01-02T03:04:05", true, 1609556645},
        {"2021-01-02T03:04:05Z", false, 1609556645},
        {"2021-01-02T03:04:05+02:00", false, 1609549445},
        {"2021-01-02T03:04:05.250-0100", false, 1609560245},
        {"2021-01-02T03:04", false, 1609553040},
        {"0000:00:00 00:00:00", false, std::nullopt},
        {"    :  :     :  :  ", false, std::nullopt},
        {"2021:13:02 03:04:05", false, std::nullopt},
        {"2021:01:02 03:04:05 junk", false, std::nullopt},
        {"", false, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeOfMetadataDate(c.text, c.utc), c.want) << c.text;
}

}  // namespace
}  // namespace torvane
