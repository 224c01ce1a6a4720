// Exiv2: the date taken, the camera and the frame size of an image. Exiv2
// reads the metadata segments and the frame header, never the pixels.
#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <initializer_list>
#include <vector>

#include "fields/metadata_readers.hpp"

namespace torvane {
namespace {

// Keys made once: making one looks its tag up by name in Exiv2's tables.
const Exiv2::ExifKey& Key(std::size_t index) {
    static const Exiv2::ExifKey keys[] = {Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"),
                                          Exiv2::ExifKey("Exif.Image.DateTimeOriginal"),
                                          Exiv2::ExifKey("Exif.Photo.DateTimeDigitized"),
                                          Exiv2::ExifKey("Exif.Image.Make"),
                                          Exiv2::ExifKey("Exif.Image.Model"),
                                          Exiv2::ExifKey("Exif.Photo.PixelXDimension"),
                                          Exiv2::ExifKey("Exif.Photo.PixelYDimension")};
    return keys[index];
}
enum KeyIndex : std::size_t {
    kOriginal,
    kImageOriginal,
    kDigitized,
    kMake,
    kModel,
    kWidth,
    kHeight
};

std::optional<std::string> ExifText(const Exiv2::ExifData& exif, std::size_t key) {
    const auto it = exif.findKey(Key(key));
    if (it == exif.end() || it->count() == 0)
        return std::nullopt;
    return it->toString();
}

std::optional<std::string> XmpText(const Exiv2::XmpData& xmp, const char* key) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end() || it->count() == 0)
        return std::nullopt;
    return it->toString();
}

// The date taken: EXIF's original date, else its digitised (create) date,
// else XMP's, in that order; the first that reads as a date wins. XMP is
// looked at only when there is some.
std::optional<std::int64_t> Taken(const Exiv2::Image& image) {
    for (std::size_t key : {kOriginal, kImageOriginal, kDigitized}) {
        if (const auto text = ExifText(image.exifData(), key)) {
            if (const auto time = TimeOfMetadataDate(*text))
                return time;
        }
    }
    if (image.xmpData().empty())
        return std::nullopt;
    for (const char* key :
         {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated", "Xmp.xmp.CreateDate"}) {
        if (const auto text = XmpText(image.xmpData(), key)) {
            if (const auto time = TimeOfMetadataDate(*text))
                return time;
        }
    }
    return std::nullopt;
}

// "Make Model", or the model alone when it already starts with the make.
std::optional<std::wstring> Camera(const Exiv2::ExifData& exif) {
    const auto make = TrimmedText(ExifText(exif, kMake).value_or(""));
    const auto model = TrimmedText(ExifText(exif, kModel).value_or(""));
    if (!make || !model)
        return make ? make : model;
    if (model->rfind(*make, 0) == 0)
        return model;
    return *make + L" " + *model;
}

std::optional<std::int64_t> Dimension(long frame, const Exiv2::ExifData& exif, std::size_t key) {
    if (frame > 0)
        return frame;
    const auto it = exif.findKey(Key(key));
    if (it != exif.end() && it->count() > 0 && it->toLong() > 0)
        return it->toLong();
    return std::nullopt;
}

// Reads the image's metadata into `into`; true when it could be read (it
// may hold no values). Exiv2's exceptions go to the caller.
bool Read(Exiv2::Image& image, EntryMetadata& into) {
    image.readMetadata();
    const Exiv2::ExifData& exif = image.exifData();
    into.taken = Taken(image);
    into.camera = Camera(exif);
    into.width = Dimension(image.pixelWidth(), exif, kWidth);
    into.height = Dimension(image.pixelHeight(), exif, kHeight);
    return true;
}

// The largest file Exiv2 may have in memory whole (mmap): a raw photo is
// tens of megabytes; a larger TIFF is left without values.
constexpr std::uint64_t kMostMapped = 512ull << 20;

// Exiv2's input over the file's bytes: Exiv2 reads only what it asks for.
// Writing is refused; mmap (the TIFF-based formats parse a whole file in
// memory) reads the file once into a buffer of its own.
class BytesIo : public Exiv2::BasicIo {
  public:
    explicit BytesIo(FileBytes& file) : file_(file) {}

    int open() override {
        position_ = 0;
        eof_ = false;
        return 0;
    }
    int close() override { return 0; }
    long write(const Exiv2::byte*, long) override { return 0; }
    long write(Exiv2::BasicIo&) override { return 0; }
    int putb(Exiv2::byte) override { return EOF; }
    Exiv2::DataBuf read(long count) override {
        Exiv2::DataBuf buffer(count > 0 ? count : 0);
        buffer.size_ = read(buffer.pData_, buffer.size_);
        return buffer;
    }
    long read(Exiv2::byte* buffer, long count) override {
        if (count <= 0)
            return 0;
        const std::size_t got = file_.ReadAt(position_, buffer, static_cast<std::size_t>(count));
        position_ += got;
        eof_ = got < static_cast<std::size_t>(count);
        return static_cast<long>(got);
    }
    int getb() override {
        Exiv2::byte b = 0;
        return read(&b, 1) == 1 ? b : EOF;
    }
    void transfer(Exiv2::BasicIo&) override { throw Exiv2::Error(Exiv2::kerFunctionNotSupported); }
    int seek(long offset, Position from) override {
        const std::int64_t base = from == beg   ? 0
                                  : from == cur ? static_cast<std::int64_t>(position_)
                                                : static_cast<std::int64_t>(file_.size());
        const std::int64_t to = base + offset;
        if (to < 0 || static_cast<std::uint64_t>(to) > file_.size())
            return 1;
        position_ = static_cast<std::uint64_t>(to);
        eof_ = false;
        return 0;
    }
    Exiv2::byte* mmap(bool writeable) override {
        if (writeable || file_.size() > kMostMapped)
            throw Exiv2::Error(Exiv2::kerFunctionNotSupported);
        if (mapped_.size() != file_.size()) {
            mapped_.resize(file_.size());
            mapped_.resize(file_.ReadAt(0, mapped_.data(), mapped_.size()));
        }
        return mapped_.data();
    }
    int munmap() override { return 0; }
    long tell() const override { return static_cast<long>(position_); }
    std::size_t size() const override { return file_.size(); }
    bool isopen() const override { return true; }
    int error() const override { return 0; }
    bool eof() const override { return eof_; }
    std::string path() const override { return file_.name(); }

  private:
    FileBytes& file_;
    std::uint64_t position_ = 0;
    bool eof_ = false;
    std::vector<Exiv2::byte> mapped_;
};

}  // namespace

bool ReadImageMetadata(FileBytes& file, EntryMetadata& into) {
    try {
        auto image = Exiv2::ImageFactory::open(Exiv2::BasicIo::AutoPtr(new BytesIo(file)));
        if (image.get() == nullptr || !Read(*image, into))
            return false;
        // Exiv2's BMFF reader takes an MP4 or QuickTime video for an image
        // without EXIF: one without a date is left to the video reader.
        return into.taken || image->imageType() != Exiv2::ImageType::bmff;
    } catch (...) {
        // Exiv2 throws for a file of no kind it knows as well as for a
        // damaged one; either way it has no values to give.
        return false;
    }
}

}  // namespace torvane
