#pragma once

#include <memory>
#include <string>

#include "platform/file_system.hpp"

namespace torvane {

// The Linux file system's file contents (PosixFileSystem::OpenForReading and
// OpenForWriting), by path as bytes. Each call stands alone: it keeps no
// state of the file system object.

// Opens a regular file for reading, following a final symbolic link, and
// returns its descriptor (the caller closes it). Anything else is refused
// before it is read and without waiting on it: EISDIR for a folder,
// NotRegularFileError for a FIFO, device or socket.
Result<int> OpenRegularFileForReading(const std::string& path);

// Opens a file for reading as OpenRegularFileForReading does.
Result<std::unique_ptr<InputFile>> OpenPosixInputFile(const std::string& path);

// Opens a file for writing (see WriteMode for the rules of replacing).
Result<std::unique_ptr<OutputFile>> OpenPosixOutputFile(const std::string& path, WriteMode mode);

}  // namespace torvane
