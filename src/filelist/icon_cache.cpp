#include "filelist/icon_cache.hpp"

namespace torvane {

IconCache::IconCache(IconProvider* provider) : provider_(provider) {
    Reset();
}

void IconCache::Reset() {
    keys_ = {L"generic", L".exe", L"folder", L"unchecked", L"checked"};
    firstPosition_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i)
        firstPosition_.emplace(keys_[i], i);
    if (provider_)
        provider_->TruncateIcons(kBaseRows);
}

std::optional<std::uint64_t> IconCache::Find(std::wstring_view key) const {
    const auto it = firstPosition_.find(std::wstring(key));
    if (it == firstPosition_.end())
        return std::nullopt;
    return it->second;
}

std::uint64_t IconCache::Append(const std::wstring& iconName, const std::wstring& key) {
    if (!provider_ || !provider_->AppendIconForName(iconName))
        return kGeneric;
    keys_.push_back(key);
    firstPosition_.emplace(key, keys_.size() - 1);
    return keys_.size() - 1;
}

}  // namespace torvane
