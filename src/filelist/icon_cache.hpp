#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace torvane {

// Supplied by a front end that shows icons: it keeps the images, position for
// position with the cache's keys. The core never loads an image itself.
class IconProvider {
  public:
    virtual ~IconProvider() = default;

    // Appends the desktop's icon for a file name (only its extension counts;
    // the file need not exist) to the front end's image lists. False when the
    // desktop has no icon for it; nothing is appended then.
    virtual bool AppendIconForName(const std::wstring& name) = 0;

    // Cuts the image lists back to their first `count` images.
    virtual void TruncateIcons(std::size_t count) = 0;
};

// The text keys of the icon lists: five fixed rows, then one row per file
// extension appended while listing or previewing. Positions are valid until
// the next Reset.
class IconCache {
  public:
    static constexpr std::uint64_t kGeneric = 0;
    static constexpr std::uint64_t kExe = 1;
    static constexpr std::uint64_t kFolder = 2;
    static constexpr std::uint64_t kUnchecked = 3;
    static constexpr std::uint64_t kChecked = 4;
    static constexpr std::size_t kBaseRows = 5;

    // `provider` may be null: then no extension row can be added and every
    // lookup that needs one gives kGeneric.
    explicit IconCache(IconProvider* provider = nullptr);

    // Cuts the cache (and the provider's images) back to the five base rows.
    void Reset();

    // The position of a key, compared exactly (case matters).
    std::optional<std::uint64_t> Find(std::wstring_view key) const;

    // Asks the provider for the icon of `iconName` and, when there is one,
    // appends `key` and returns its new position; otherwise returns kGeneric
    // and adds nothing.
    std::uint64_t Append(const std::wstring& iconName, const std::wstring& key);

    const std::vector<std::wstring>& keys() const { return keys_; }
    std::size_t size() const { return keys_.size(); }

  private:
    IconProvider* provider_;
    std::vector<std::wstring> keys_;
    // First position of each key, so lookups stay cheap however many
    // extensions a folder holds.
    std::unordered_map<std::wstring, std::uint64_t> firstPosition_;
};

}  // namespace torvane
