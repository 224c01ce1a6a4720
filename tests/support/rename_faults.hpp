#pragma once

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <string_view>

namespace torvane::testing {

// Renames for the Linux file system's rename hook that act as a file system
// would in the cases the tests need.

// A case-only move goes through a temporary name ".torvane-move-..."; this
// one refuses to move that temporary name back to "a", so the entry stays
// under the temporary name.
inline int RenameNeverBack(int fromFolder, const char* from, int toFolder, const char* to,
                           unsigned flags) {
    if (std::string_view(from).starts_with(".torvane-move-") && std::string_view(to) == "a") {
        errno = EIO;
        return -1;
    }
    return ::renameat2(fromFolder, from, toFolder, to, flags);
}

}  // namespace torvane::testing
