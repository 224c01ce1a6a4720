// Decodes any bytes as a stored DOS attribute value. A value that decodes
// must come back unchanged through the v3 record this program writes; and a
// record written from fuzzed values must decode to those values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_support.hpp"
#include "platform/dos_attrib.hpp"

namespace torvane::fuzz {
namespace {

void CheckWrittenRecord(const DosInfo& info) {
    const auto read = DecodeDosAttrib(EncodeDosAttribV3(info));
    if (!read)
        Fail("a written record does not decode");
    // A zero time is written as "no time", so it reads back as none.
    DosInfo expected = info;
    if (expected.createTime == 0)
        expected.createTime.reset();
    if (!(*read == expected))
        Fail("a written record decodes to other values");
}

}  // namespace
}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto decoded = DecodeDosAttrib(bytes)) {
        if (decoded->createTime == 0)
            fuzz::Fail("decoded a zero creation time");
        fuzz::CheckWrittenRecord(*decoded);
    }
    // The same bytes as the values to write: a word, a flag and a time.
    if (size >= 13) {
        DosInfo info;
        std::memcpy(&info.attributes, data, 4);
        if (data[4] & 1) {
            std::uint64_t time = 0;
            std::memcpy(&time, data + 5, 8);
            info.createTime = time;
        }
        fuzz::CheckWrittenRecord(info);
    }
    return 0;
}
