// Reading an entry's metadata: the set-up of the libraries, the choice of
// reader, and the date and text forms the readers share.
#include "fields/entry_metadata.hpp"

#include <exiv2/exiv2.hpp>
#include <mutex>

#include "fields/metadata_readers.hpp"
#include "platform/date_text.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

std::mutex xmpMutex;

// Exiv2's XMP toolkit registers namespaces in shared tables; this lock
// serialises that between threads.
void LockXmp(void*, bool lock) {
    if (lock)
        xmpMutex.lock();
    else
        xmpMutex.unlock();
}

// Reads `count` decimal digits at `at`; -1 when one is not a digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The seconds east of UTC a zone suffix gives ("Z", "+02:00", "-0500"),
// 0 for "Z"; nullopt when there is no suffix (local time).
std::optional<int> ZoneOffset(std::string_view zone, bool& bad) {
    bad = false;
    if (zone.empty())
        return std::nullopt;
    if (zone == "Z")
        return 0;
    const int sign = zone[0] == '+' ? 1 : zone[0] == '-' ? -1 : 0;
    const int hours = Digits(zone, 1, 2);
    const std::size_t minutesAt = zone.size() > 3 && zone[3] == ':' ? 4 : 3;
    const int minutes = zone.size() > 3 ? Digits(zone, minutesAt, 2) : 0;
    if (sign == 0 || hours < 0 || minutes < 0) {
        bad = true;
        return std::nullopt;
    }
    return sign * (hours * 3600 + minutes * 60);
}

// Days from 1970-01-01 to a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::wstring_view MetadataUnavailableReason() {
    return {};
}

void InitializeMetadataReaders() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, nullptr);
        Exiv2::enableBMFF(true);
    });
}

void ReadMetadata(Folder& folder, const EntryName& name, unsigned groups, EntryMetadata& into) {
    InitializeMetadataReaders();
    const unsigned wanted = groups & ~into.groupsRead;
    if (wanted == 0)
        return;
    // The size comes with the open: it is read along with any group.
    into.groupsRead |= wanted | kMetadataSize;
    auto opened = folder.OpenForReading(name);
    if (!opened)
        return;
    if (!into.size)
        into.size = (*opened)->Size();
    FileBytes file(**opened, name.bytes());
    if ((wanted & kMetadataImage) != 0 && !ReadImageMetadata(file, into))
        ReadVideoMetadata(file, into);
    if ((wanted & kMetadataAudio) != 0)
        ReadAudioMetadata(file, into);
}

std::optional<std::int64_t> TimeOfMetadataDate(std::string_view text, bool utc) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    DateTimeFields f;
    f.year = Digits(text, 0, 4);
    f.month = Digits(text, 5, 2);
    f.day = Digits(text, 8, 2);
    f.hour = text.size() > 10 ? Digits(text, 11, 2) : 0;
    f.minute = text.size() > 10 ? Digits(text, 14, 2) : 0;
    std::size_t end = text.size() > 10 ? 16 : 10;
    f.second = 0;
    if (text.size() >= 19 && text[16] == ':') {
        f.second = Digits(text, 17, 2);
        end = 19;
    }
    while (end < text.size() && text[end] == '.')  // fractions of a second are dropped
        end = text.find_first_not_of("0123456789", end + 1) == std::string_view::npos
                  ? text.size()
                  : text.find_first_not_of("0123456789", end + 1);
    if (f.year <= 0 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour < 0 ||
        f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59)
        return std::nullopt;
    bool bad = false;
    auto offset = ZoneOffset(text.substr(std::min(end, text.size())), bad);
    if (bad)
        return std::nullopt;
    if (!offset && utc)
        offset = 0;
    if (!offset)
        return LocalFieldsToTime(f);
    const std::int64_t days =
        DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
    return days * 86400 + f.hour * 3600 + f.minute * 60 + f.second - *offset;
}

std::optional<std::wstring> TrimmedText(std::string_view utf8) {
    const auto first = utf8.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return std::nullopt;
    const auto last = utf8.find_last_not_of(" \t\r\n");
    return FromUtf8(utf8.substr(first, last - first + 1));
}

}  // namespace torvane
