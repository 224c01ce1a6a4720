#pragma once

#include <string>
#include <string_view>

namespace torvane {

// The text shown for every version value when the program has none.
inline constexpr std::wstring_view kNoVersionInfo = L"<no version info found>";

// The program's version information.
struct VersionInfo {
    bool loaded = false;  // false: the program has no version information
    std::wstring productName;
    std::wstring productVersion;
    std::wstring legalCopyright;

    bool operator==(const VersionInfo&) const = default;
};

// The values compiled into this program: product name "Torvane", the
// project's version and its copyright notice.
VersionInfo ProgramVersionInfo();

// The name for the window title, captions and the About menu item: the
// product name, or kNoVersionInfo when there is no version information.
std::wstring ProductNameOf(const VersionInfo& info);

// The texts of the About box.
struct AboutInfo {
    std::wstring title;  // "About " + product name
    std::wstring productName;
    std::wstring versionText;  // "Version: " + version
    std::wstring legalNotice;

    bool operator==(const AboutInfo&) const = default;
};

// The About box's texts; kNoVersionInfo stands in for each value when there
// is no version information.
AboutInfo AboutInfoOf(const VersionInfo& info);

}  // namespace torvane
