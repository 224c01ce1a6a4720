#include "app/version_info.hpp"

#include "platform/text.hpp"

#ifndef TORVANE_VERSION_TEXT
#error "TORVANE_VERSION_TEXT must be defined by the build"
#endif

namespace torvane {

VersionInfo ProgramVersionInfo() {
    return VersionInfo{true, L"Torvane", FromUtf8(TORVANE_VERSION_TEXT),
                       L"Copyright (C) 2026 Torvane developers"};
}

std::wstring ProductNameOf(const VersionInfo& info) {
    return info.loaded ? info.productName : std::wstring(kNoVersionInfo);
}

AboutInfo AboutInfoOf(const VersionInfo& info) {
    const auto value = [&](const std::wstring& text) {
        return info.loaded ? text : std::wstring(kNoVersionInfo);
    };
    const std::wstring name = value(info.productName);
    return AboutInfo{L"About " + name, name, L"Version: " + value(info.productVersion),
                     value(info.legalCopyright)};
}

}  // namespace torvane
