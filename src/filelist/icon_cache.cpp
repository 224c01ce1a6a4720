#include "filelist/icon_cache.hpp"

namespace torvane {

IconCache::IconCache(IconProvider* provider) : provider_(provider) { Reset(); }

void IconCache::Reset() {
    keys_ = {L"generic", L".exe", L"folder", L"unchecked", L"checked"};
    if (provider_) provider_->TruncateIcons(kBaseRows);
}

std::optional<std::uint64_t> IconCache::Find(std::wstring_view key) const {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) return i;
    }
    return std::nullopt;
}

std::uint64_t IconCache::Append(const std::wstring& iconName, const std::wstring& key) {
    if (!provider_ || !provider_->AppendIconForName(iconName)) return kGeneric;
    keys_.push_back(key);
    return keys_.size() - 1;
}

}  // namespace torvane
