#pragma once

#include <memory>
#include <string>

#include "platform/file_system.hpp"

namespace torvane::posix {

// Opens the regular file `name` of the open folder `folder` for positioned
// reads (Folder::OpenForReading): a final symbolic link is not followed, a
// device is never opened (its kind is looked at first, and the descriptor's
// again after the open, for an entry replaced in between), and the access
// time is left alone where the caller owns the file or may override that
// (O_NOATIME; without that right the file is opened without it). Fails with
// ELOOP for a link, EISDIR for a folder, NotRegularFileError for anything
// else that is no regular file, or the open's error.
Result<std::unique_ptr<PositionedReader>> OpenEntryForReading(int folder, const std::string& name);

}  // namespace torvane::posix
