#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace torvane {

// Whether a path or name names a shortcut file: it ends with ".lnk" in any
// mix of ASCII letter case (the extension as ExtensionOf gives it is ".lnk").
// Listing leaves such files out, and a chosen or given one is replaced by
// its target.
bool IsShortcutName(std::wstring_view path);
// The same for a name's bytes (UTF-8).
bool IsShortcutName(std::string_view name);

// The paths a Windows shortcut file (the Shell Link binary format, ".lnk")
// holds, as written in it (with backslashes). Either may be empty.
struct ShellLinkPaths {
    std::wstring relativePath;   // the target relative to the shortcut's folder
    std::wstring localBasePath;  // the target's absolute local path, suffix included

    bool operator==(const ShellLinkPaths&) const = default;
};

// Reads the paths of a shortcut file's bytes. nullopt when the bytes are not
// a shortcut or are damaged or cut short anywhere before the paths end.
std::optional<ShellLinkPaths> ParseShellLink(std::string_view bytes);

// Fills `target` with the path the shortcut file `linkPath` points to: its
// relative path resolved against the shortcut's own folder when that names an
// existing entry, else its local base path. Backslashes become separators;
// the path has no trailing separator. Returns 0 only when the target exists;
// otherwise an errno value: the reading error of the file, EINVAL for a file
// that is not a shortcut or is damaged, ENOENT when its target is missing
// (`target` then holds the path it names, if any).
int ResolveShortcut(FileSystem& fs, const std::wstring& linkPath, std::wstring& target);

}  // namespace torvane
