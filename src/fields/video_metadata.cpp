// MediaInfoLib: a video's creation time and frame size from its container
// header (the quick parse: the header and index, not the streams).
#include <MediaInfo/MediaInfo.h>

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

}  // namespace

void ReadVideoMetadata(const std::string& path, EntryMetadata& into) {
    try {
        MediaInfoLib::MediaInfo info;
        info.Option(L"ParseSpeed", L"0");
        if (info.Open(FromUtf8(path)) == 0)
            return;
        if (info.Count_Get(MediaInfoLib::Stream_Video) == 0) {
            info.Close();
            return;
        }
        for (const wchar_t* key : {L"Encoded_Date", L"Tagged_Date", L"Recorded_Date"}) {
            into.taken = TimeOfMediaInfoDate(info.Get(MediaInfoLib::Stream_General, 0, key));
            if (into.taken)
                break;
        }
        into.width = Number(info.Get(MediaInfoLib::Stream_Video, 0, L"Width"));
        into.height = Number(info.Get(MediaInfoLib::Stream_Video, 0, L"Height"));
        info.Close();
    } catch (...) {
        // MediaInfo reports failures by its return values; nothing else is
        // expected, and nothing may leave the reader.
    }
}

}  // namespace torvane
