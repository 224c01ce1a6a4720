#include "platform/file_system_factory.hpp"
#include "platform/posix_file_system.hpp"

namespace torvane {

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<PosixFileSystem>();
}

}  // namespace torvane
