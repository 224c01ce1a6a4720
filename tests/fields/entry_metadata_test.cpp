#include "fields/entry_metadata.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "fake_file_system.hpp"
#include "fields/metadata_readers.hpp"
#include "metadata_fixtures.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::AudioTags;
using testing::FakeFileSystem;
using testing::ScopedTimeZone;
using testing::SetExif;
using testing::TempDir;
using testing::TinyMp4;
using testing::WriteTaggedWav;
using testing::WriteTinyJpeg;

constexpr unsigned kAll = kMetadataSize | kMetadataImage | kMetadataAudio;

// Reads the file at `path` as a job does: by its name inside its folder.
void ReadInto(const std::string& path, unsigned groups, EntryMetadata& m) {
    PosixFileSystem fs;
    const auto slash = path.rfind('/');
    auto folder = fs.OpenFolder(FromUtf8(path.substr(0, slash + 1)));
    ASSERT_TRUE(folder.ok());
    ReadMetadata(**folder, FromUtf8(path.substr(slash + 1)), groups, m);
}

EntryMetadata Read(const std::string& path, unsigned groups = kAll) {
    EntryMetadata m;
    ReadInto(path, groups, m);
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
    EXPECT_TRUE(m.size);  // not asked, but the open gives it
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
    ReadInto(photo, kMetadataImage, m);
    SetExif(photo, "Exif.Image.Model", "Later");
    ReadInto(photo, kMetadataImage | kMetadataSize, m);
    EXPECT_FALSE(m.camera);  // the image group was read before the change
    EXPECT_TRUE(m.size);
}

constexpr std::int64_t kJuly3 = 1625313909;  // 2021-07-03 12:05:09 UTC

TEST(EntryMetadata, VideoCreationTimeAndFrameSize) {
    TempDir dir;
    testing::WriteBytes(dir.Join("clip.mp4"), TinyMp4(kJuly3, 320, 240));
    const EntryMetadata m = Read(dir.Join("clip.mp4"), kMetadataImage);
    EXPECT_EQ(m.taken, kJuly3);
    EXPECT_EQ(m.width, 320);
    EXPECT_EQ(m.height, 240);
}

// A video cut off or damaged before its movie header's date gives no
// values, and nothing else happens.
TEST(EntryMetadata, DamagedVideosGiveNoValues) {
    const std::string whole = TinyMp4(kJuly3, 320, 240);
    std::string badHeader = whole;
    badHeader.replace(whole.find("mvhd") - 4, 4, std::string("\0\0\0\x03", 4));
    const std::string cases[] = {whole.substr(0, 8), whole.substr(0, 40),
                                 whole.substr(0, whole.find("mvhd") + 12), badHeader};
    TempDir dir;
    for (const std::string& bytes : cases) {
        testing::WriteBytes(dir.Join("clip.mp4"), bytes);
        const EntryMetadata m = Read(dir.Join("clip.mp4"), kMetadataImage);
        EXPECT_FALSE(m.taken) << bytes.size();
        EXPECT_EQ(m.size, bytes.size());
    }
}

// A file in memory, counting the bytes read from it.
class CountingReader : public PositionedReader {
  public:
    explicit CountingReader(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    Result<std::size_t> ReadAt(std::uint64_t offset, unsigned char* buffer,
                               std::size_t size) override {
        const std::size_t n = offset < bytes_.size() ? std::min(size, bytes_.size() - offset) : 0;
        std::copy_n(bytes_.data() + offset, n, buffer);
        read += n;
        return n;
    }
    std::uint64_t read = 0;

  private:
    std::string bytes_;
};

// Only the metadata is read of a large file: a photo's head, a video's
// header and index wherever they are, never the picture or the media data.
TEST(EntryMetadata, OnlyTheMetadataOfALargeFileIsRead) {
    TempDir dir;
    WriteTinyJpeg(dir.Join("a.jpg"));
    SetExif(dir.Join("a.jpg"), "Exif.Photo.DateTimeOriginal", "2021:07:03 12:05:09");
    std::string photo = testing::ReadBytes(dir.Join("a.jpg"));
    photo.insert(photo.size() - 2, std::string(8 << 20, '\x55'));  // 8 MB of picture
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"photo.jpg", photo},
        {"header-first.mp4", TinyMp4(kJuly3, 64, 48, 8 << 20)},
        {"header-last.mp4", TinyMp4(kJuly3, 64, 48, 8 << 20, true)},
    };
    const ScopedTimeZone zone("UTC");
    InitializeMetadataReaders();  // the readers below are called directly
    for (const Case& c : cases) {
        CountingReader reader(c.bytes);
        FileBytes file(reader, c.name);
        EntryMetadata m;
        if (!ReadImageMetadata(file, m))
            ReadVideoMetadata(file, m);
        EXPECT_EQ(m.taken, kJuly3) << c.name;
        EXPECT_LT(reader.read, 512u * 1024) << c.name;
        EXPECT_EQ(reader.read, file.bytesRead()) << c.name;
    }
}

// The in-memory file system's folders are read like the real ones: every
// group from one open, a failed read giving no values.
TEST(EntryMetadata, ReadThroughAnyFolder) {
    const ScopedTimeZone zone("UTC");
    TempDir dir;
    WriteTinyJpeg(dir.Join("a.jpg"), 40, 30);
    SetExif(dir.Join("a.jpg"), "Exif.Photo.DateTimeOriginal", "2021:07:03 12:05:09");
    WriteTaggedWav(dir.Join("s.wav"), AudioTags{"Artist", "", "Title", "", 3, 0});
    FakeFileSystem fs;
    fs.AddPlainFolder(L"/m");
    fs.AddPlainFile(L"/m/a.jpg", testing::ReadBytes(dir.Join("a.jpg")));
    fs.AddPlainFile(L"/m/s.wav", testing::ReadBytes(dir.Join("s.wav")));
    fs.AddPlainFile(L"/m/broken.jpg", testing::ReadBytes(dir.Join("a.jpg")));
    fs.FailReadAt(L"/m/broken.jpg", 0);
    fs.AddSymlink(L"/m/link.jpg");
    auto folder = fs.OpenFolder(L"/m/");
    ASSERT_TRUE(folder.ok());
    const auto read = [&](const wchar_t* name) {
        EntryMetadata m;
        ReadMetadata(**folder, name, kAll, m);
        return m;
    };
    const EntryMetadata photo = read(L"a.jpg");
    EXPECT_EQ(photo.taken, kJuly3);
    EXPECT_EQ(photo.width, 40);
    EXPECT_EQ(fs.CallCount(FakeFileSystem::Call::kOpenForReading), 1);
    const EntryMetadata song = read(L"s.wav");
    EXPECT_EQ(song.artist, L"Artist");
    EXPECT_EQ(song.track, 3);
    const EntryMetadata broken = read(L"broken.jpg");
    EXPECT_FALSE(broken.taken);
    EXPECT_FALSE(broken.width);
    const EntryMetadata link = read(L"link.jpg");
    EXPECT_FALSE(link.size);
    EXPECT_EQ(link.groupsRead, kAll);
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
