// The bytes of a file as the metadata readers take them.
#include <algorithm>
#include <cstring>

#include "fields/metadata_readers.hpp"

namespace torvane {

FileBytes::FileBytes(PositionedReader& file, std::string name)
    : file_(file), name_(std::move(name)), size_(file.Size()) {}

std::size_t FileBytes::ReadFile(std::uint64_t offset, unsigned char* buffer, std::size_t size) {
    const auto got = file_.ReadAt(offset, buffer, size);
    if (!got)
        return 0;
    bytesRead_ += *got;
    return *got;
}

std::size_t FileBytes::ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t size) {
    if (offset >= kHeadBytes || size == 0)
        return ReadFile(offset, buffer, size);
    if (!headRead_) {
        headRead_ = true;
        head_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size_, kHeadBytes)));
        head_.resize(ReadFile(0, reinterpret_cast<unsigned char*>(head_.data()), head_.size()));
    }
    const std::size_t at = static_cast<std::size_t>(offset);
    const std::size_t fromHead = at < head_.size() ? std::min(size, head_.size() - at) : 0;
    if (fromHead > 0)
        std::memcpy(buffer, head_.data() + at, fromHead);
    // Past a head cut short by the end of the file or a failed read there is
    // nothing more to read; past a whole head the file goes on.
    if (fromHead == size || head_.size() < kHeadBytes)
        return fromHead;
    return fromHead + ReadFile(offset + fromHead, buffer + fromHead, size - fromHead);
}

}  // namespace torvane
