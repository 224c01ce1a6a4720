// MediaInfoLib: a video's creation time and frame size from its container
// header (the quick parse: the header and index, not the streams).
#include <MediaInfo/MediaInfo.h>

#include <bitset>
#include <vector>

#include "fields/metadata_readers.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

// MediaInfo writes container dates in UTC, as "UTC 2021-06-01 10:00:00" or
// "2021-06-01 10:00:00 UTC".
std::optional<std::int64_t> TimeOfMediaInfoDate(const std::wstring& value) {
    std::string text = ToUtf8(value);
    if (text.rfind("UTC ", 0) == 0)
        text.erase(0, 4);
    if (text.size() > 4 && text.compare(text.size() - 4, 4, " UTC") == 0)
        text.resize(text.size() - 4);
    return TimeOfMetadataDate(text, true);
}

std::optional<std::int64_t> Number(const std::wstring& value) {
    try {
        const long long n = value.empty() ? 0 : std::stoll(value);
        if (n > 0)
            return n;
    } catch (...) {
        // not a number: no value
    }
    return std::nullopt;
}

// The most bytes handed to MediaInfo for one file: with the quick parse it
// asks for the container's header and index and jumps over the streams, so
// more than this is a file it can't make sense of quickly.
constexpr std::uint64_t kMostParsed = 64ull << 20;

// Feeds the file to MediaInfo as it asks, going where it says to go, until
// it has what it needs, the file ends or kMostParsed bytes were given; true
// when it knows the file as some kind of media.
bool Parse(MediaInfoLib::MediaInfo& info, FileBytes& file) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<unsigned char> buffer(kChunk);
    info.Open_Buffer_Init(file.size(), 0);
    std::uint64_t offset = 0;
    std::uint64_t given = 0;
    while (given < kMostParsed) {
        const std::size_t got = file.ReadAt(offset, buffer.data(), buffer.size());
        const std::bitset<32> status(info.Open_Buffer_Continue(buffer.data(), got));
        given += got;
        if (status.test(3) || got == 0)  // bit 3: finished
            break;
        const std::uint64_t jump = info.Open_Buffer_Continue_GoTo_Get();
        if (jump != static_cast<std::uint64_t>(-1)) {
            offset = jump;
            info.Open_Buffer_Init(file.size(), offset);
        } else {
            offset += got;
        }
    }
    info.Open_Buffer_Finalize();
    return info.Count_Get(MediaInfoLib::Stream_General) > 0;
}

}  // namespace

void ReadVideoMetadata(FileBytes& file, EntryMetadata& into) {
    try {
        MediaInfoLib::MediaInfo info;
        info.Option(L"ParseSpeed", L"0");
        if (!Parse(info, file) || info.Count_Get(MediaInfoLib::Stream_Video) == 0)
            return;
        for (const wchar_t* key : {L"Encoded_Date", L"Tagged_Date", L"Recorded_Date"}) {
            into.taken = TimeOfMediaInfoDate(info.Get(MediaInfoLib::Stream_General, 0, key));
            if (into.taken)
                break;
        }
        into.width = Number(info.Get(MediaInfoLib::Stream_Video, 0, L"Width"));
        into.height = Number(info.Get(MediaInfoLib::Stream_Video, 0, L"Height"));
    } catch (...) {
        // MediaInfo reports failures by its return values; nothing else is
        // expected, and nothing may leave the reader.
    }
}

}  // namespace torvane
