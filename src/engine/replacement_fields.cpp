// Fields in a replacement: reading "{field+offset:format}" and making each
// entry's value.
#include "engine/replacement_fields.hpp"

#include <array>
#include <cwctype>
#include <utility>

#include "platform/date_text.hpp"
#include "platform/local_time.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

struct FieldInfo {
    std::wstring_view name;
    FieldName field;
    unsigned group;
    bool date;
    bool number;
};

constexpr std::array<FieldInfo, 17> kFields{{
    {L"name", FieldName::kName, 0, false, false},
    {L"ext", FieldName::kExt, 0, false, false},
    {L"folder", FieldName::kFolder, 0, false, false},
    {L"size", FieldName::kSize, kMetadataSize, false, true},
    {L"created", FieldName::kCreated, 0, true, false},
    {L"modified", FieldName::kModified, 0, true, false},
    {L"accessed", FieldName::kAccessed, 0, true, false},
    {L"taken", FieldName::kTaken, kMetadataImage, true, false},
    {L"camera", FieldName::kCamera, kMetadataImage, false, false},
    {L"width", FieldName::kWidth, kMetadataImage, false, true},
    {L"height", FieldName::kHeight, kMetadataImage, false, true},
    {L"artist", FieldName::kArtist, kMetadataAudio, false, false},
    {L"album", FieldName::kAlbum, kMetadataAudio, false, false},
    {L"title", FieldName::kTitle, kMetadataAudio, false, false},
    {L"track", FieldName::kTrack, kMetadataAudio, false, true},
    {L"year", FieldName::kYear, kMetadataAudio, false, true},
    {L"genre", FieldName::kGenre, kMetadataAudio, false, false},
}};

const FieldInfo& InfoOf(FieldName name) {
    return kFields[static_cast<std::size_t>(name)];
}

std::wstring At(std::size_t index) {
    return L" (character " + std::to_wstring(index + 1) + L")";
}

// Reads "+2h" / "-90s" at the start of `text` into seconds; the rest is
// left in `text`. False when a sign is not followed by digits and a unit.
bool ReadOffset(std::wstring_view& text, std::int64_t& seconds) {
    if (text.empty() || (text[0] != L'+' && text[0] != L'-'))
        return true;
    const bool minus = text[0] == L'-';
    std::size_t i = 1;
    std::int64_t amount = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && amount < 100000000) {
        amount = amount * 10 + (text[i] - L'0');
        ++i;
    }
    if (i == 1 || i >= text.size())
        return false;
    const std::wstring_view units = L"smhd";
    const auto unit = units.find(text[i]);
    if (unit == std::wstring_view::npos || (i < text.size() - 1 && text[i + 1] != L':'))
        return false;
    constexpr std::int64_t kUnit[] = {1, 60, 3600, 86400};
    seconds = (minus ? -amount : amount) * kUnit[unit];
    text.remove_prefix(i + 1);
    return true;
}

// Reads one field's text (between the braces) into `use`; the error names
// the field as written.
bool ReadField(std::wstring_view inside, FieldUse& use, std::wstring& error) {
    std::size_t n = 0;
    while (n < inside.size() && std::iswalpha(inside[n]) != 0)
        ++n;
    const auto field = FieldNamed(inside.substr(0, n));
    if (!field) {
        error = L"The field " + use.written +
                L" is not known. The fields are {name}, {ext}, {folder}, {size}, {created}, "
                L"{modified}, {accessed}, {taken}, {camera}, {width}, {height}, {artist}, "
                L"{album}, {title}, {track}, {year} and {genre}";
        return false;
    }
    use.name = *field;
    const FieldInfo& info = InfoOf(*field);
    std::wstring_view rest = inside.substr(n);
    if (!ReadOffset(rest, use.offset)) {
        error = L"The offset in " + use.written +
                L" can't be read: write a sign, a whole number and a unit (s, m, h or d), "
                L"as in {taken+2h}";
        return false;
    }
    if (use.offset != 0 && !info.date) {
        error = L"The field " + use.written + L" takes no offset: only dates do";
        return false;
    }
    if (!rest.empty() && (rest[0] != L':' || rest.size() == 1)) {
        error = L"The field " + use.written + L" can't be read: a format follows a \":\"";
        return false;
    }
    if (!rest.empty())
        use.format = std::wstring(rest.substr(1));
    const bool width =
        use.format.size() <= 2 && use.format.find_first_not_of(L"0123456789") == std::wstring::npos;
    if (!use.format.empty() && !info.date && !(info.number && width)) {
        error =
            L"The field " + use.written +
            (info.number ? L" takes a width of at most two digits as its format, as in {track:2}"
                         : L" takes no format: only dates and numbers do");
        return false;
    }
    return true;
}

void AppendEscaped(std::wstring& out, wchar_t c) {
    if (c == L'$' || c == L'\\')
        out += c;  // "$$" and "\\" write one
    out += c;
}

std::optional<std::wstring> DateValue(std::int64_t time, const FieldUse& use) {
    const std::int64_t at = time + use.offset;
    std::wstring text =
        use.format.empty() ? FormatDateText(at) : FormatLocalTime(at, use.format.c_str());
    if (text.empty())
        return std::nullopt;
    return text;
}

std::optional<std::wstring> NumberValue(std::optional<std::int64_t> number, const FieldUse& use) {
    if (!number)
        return std::nullopt;
    std::wstring text = std::to_wstring(*number);
    const std::size_t width = use.format.empty() ? 0 : std::stoul(use.format);
    if (text.size() < width)
        text.insert(0, width - text.size(), L'0');
    return text;
}

std::wstring FolderName(const FileEntry& entry) {
    std::wstring_view path = entry.folderPath.str();
    while (!path.empty() && path.back() == kPathSeparator)
        path.remove_suffix(1);
    const auto slash = path.rfind(kPathSeparator);
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::wstring> NonEmpty(std::wstring text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

}  // namespace

std::optional<FieldName> FieldNamed(std::wstring_view name) {
    for (const FieldInfo& info : kFields) {
        if (info.name == name)
            return info.field;
    }
    return std::nullopt;
}

unsigned GroupOf(FieldName name) {
    return InfoOf(name).group;
}

std::optional<FieldTemplate> ParseFieldTemplate(std::wstring_view replacement,
                                                std::wstring& error) {
    FieldTemplate out;
    std::wstring literal;
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const wchar_t c = replacement[i];
        const bool doubled = i + 1 < replacement.size() && replacement[i + 1] == c;
        if ((c == L'{' || c == L'}') && doubled) {
            literal += c;
            ++i;
        } else if (c == L'}') {
            error = L"A \"}\"" + At(i) + L" closes no field: write }} for a brace.";
            return std::nullopt;
        } else if (c == L'{') {
            const auto end = replacement.find(L'}', i);
            if (end == std::wstring_view::npos) {
                error = L"The \"{\"" + At(i) + L" has no \"}\": write {{ for a brace.";
                return std::nullopt;
            }
            FieldUse use;
            use.written = std::wstring(replacement.substr(i, end - i + 1));
            if (!ReadField(replacement.substr(i + 1, end - i - 1), use, error)) {
                error += At(i) + L".";
                return std::nullopt;
            }
            if (!literal.empty())
                out.parts.push_back({std::exchange(literal, {}), std::nullopt});
            out.groups |= GroupOf(use.name);
            out.parts.push_back({{}, std::move(use)});
            i = end;
        } else {
            literal += c;
        }
    }
    if (!literal.empty())
        out.parts.push_back({std::move(literal), std::nullopt});
    return out;
}

const EntryMetadata& FieldValues::At(std::size_t position, unsigned groups) {
    if (position >= listed_.size())
        return none_;
    if (source_ != nullptr) {
        const EntryMetadata* found = source_->Find(position, groups);
        return found != nullptr ? *found : none_;
    }
    if (read_.size() != listed_.size())
        read_.resize(listed_.size());
    EntryMetadata& metadata = read_[position];
    if ((groups & ~metadata.groupsRead) == 0)
        return metadata;
    if (Folder* folder = FolderOf(listed_[position]))
        ReadMetadata(*folder, listed_[position].name, groups, metadata);
    else
        metadata.groupsRead |= groups;
    return metadata;
}

Folder* FieldValues::FolderOf(const FileEntry& entry) {
    if (fs_ == nullptr)
        return folder_;
    if (openedPath_ != entry.folderPath.str()) {
        openedPath_ = entry.folderPath.str();
        auto opened = fs_->OpenFolder(*openedPath_);
        opened_ = opened ? std::move(*opened) : nullptr;
    }
    return opened_.get();
}

std::optional<std::wstring> FieldValue(const FieldUse& use, const FileEntry& now,
                                       const EntryMetadata& metadata) {
    switch (use.name) {
        case FieldName::kName: {
            const std::wstring name = now.name.wide();
            const std::wstring ext = now.IsFolder() ? std::wstring() : ExtensionOf(name);
            return name.substr(0, name.size() - ext.size());
        }
        case FieldName::kExt: {
            const std::wstring ext = now.IsFolder() ? std::wstring() : ExtensionOfName(now.name);
            return ext.empty() ? ext : ext.substr(1);
        }
        case FieldName::kFolder:
            return NonEmpty(FolderName(now));
        case FieldName::kSize:
            return metadata.size ? NumberValue(static_cast<std::int64_t>(*metadata.size), use)
                                 : std::nullopt;
        case FieldName::kCreated:
            return DateValue(now.created, use);
        case FieldName::kModified:
            return DateValue(now.modified, use);
        case FieldName::kAccessed:
            return DateValue(now.accessed, use);
        case FieldName::kTaken:
            return metadata.taken ? DateValue(*metadata.taken, use) : std::nullopt;
        case FieldName::kCamera:
            return metadata.camera;
        case FieldName::kWidth:
            return NumberValue(metadata.width, use);
        case FieldName::kHeight:
            return NumberValue(metadata.height, use);
        case FieldName::kArtist:
            return metadata.artist;
        case FieldName::kAlbum:
            return metadata.album;
        case FieldName::kTitle:
            return metadata.title;
        case FieldName::kTrack:
            return NumberValue(metadata.track, use);
        case FieldName::kYear:
            return NumberValue(metadata.year, use);
        case FieldName::kGenre:
            return metadata.genre;
    }
    return std::nullopt;
}

std::wstring EscapedFieldValue(std::wstring_view value, FieldTarget target) {
    std::wstring out;
    out.reserve(value.size());
    for (wchar_t c : value) {
        const bool unsafe = c < 0x20 || c == 0x7F ||
                            std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
        AppendEscaped(out, target == FieldTarget::kName && unsafe ? L'_' : c);
    }
    return out;
}

}  // namespace torvane
