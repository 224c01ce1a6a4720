#pragma once

#include <memory>

#include "platform/file_system.hpp"

namespace torvane {

// The file system of the system the program was built for: the POSIX backend
// on Linux, the Win32 backend on Windows. What the front ends work on.
// Never null; making one does not touch the disk.
std::unique_ptr<FileSystem> MakeFileSystem();

}  // namespace torvane
