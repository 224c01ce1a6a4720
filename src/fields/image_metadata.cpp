// Exiv2: the date taken, the camera and the frame size of an image. Exiv2
// reads the metadata segments and the frame header, never the pixels.
#include <exiv2/exiv2.hpp>
#include <initializer_list>

#include "fields/metadata_readers.hpp"

namespace torvane {
namespace {

std::optional<std::string> ExifText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
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
// else XMP's, in that order; the first that reads as a date wins.
std::optional<std::int64_t> Taken(const Exiv2::Image& image) {
    for (const char* key : {"Exif.Photo.DateTimeOriginal", "Exif.Image.DateTimeOriginal",
                            "Exif.Photo.DateTimeDigitized"}) {
        if (const auto text = ExifText(image.exifData(), key)) {
            if (const auto time = TimeOfMetadataDate(*text))
                return time;
        }
    }
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
    const auto make = TrimmedText(ExifText(exif, "Exif.Image.Make").value_or(""));
    const auto model = TrimmedText(ExifText(exif, "Exif.Image.Model").value_or(""));
    if (!make || !model)
        return make ? make : model;
    if (model->rfind(*make, 0) == 0)
        return model;
    return *make + L" " + *model;
}

std::optional<std::int64_t> Dimension(long frame, const Exiv2::ExifData& exif, const char* key) {
    if (frame > 0)
        return frame;
    const auto it = exif.findKey(Exiv2::ExifKey(key));
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
    into.width = Dimension(image.pixelWidth(), exif, "Exif.Photo.PixelXDimension");
    into.height = Dimension(image.pixelHeight(), exif, "Exif.Photo.PixelYDimension");
    return true;
}

}  // namespace

bool ReadImageMetadata(const std::string& path, const std::string& head, std::uint64_t size,
                       EntryMetadata& into) {
    const bool jpeg = head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
                      static_cast<unsigned char>(head[1]) == 0xD8;
    if (!head.empty() && (jpeg || head.size() == size)) {
        // A JPEG's reader stops at the picture; one whose segments run past
        // the head throws, and is read from the file below.
        try {
            auto image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte*>(head.data()), static_cast<long>(head.size()));
            if (image.get() != nullptr && Read(*image, into))
                return true;
        } catch (...) {
            // read from the file below
        }
    }
    try {
        Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(path));
        auto image = Exiv2::ImageFactory::open(io);
        return image.get() != nullptr && Read(*image, into);
    } catch (...) {
        // Exiv2 throws for a file of no kind it knows as well as for a
        // damaged one; either way it has no values to give.
        return false;
    }
}

}  // namespace torvane
