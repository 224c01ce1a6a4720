#include "platform/file_attributes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

namespace torvane {
namespace {

TEST(ShownAttributes, EachReadsAndWritesItsOwnBitIndexInverted) {
    const struct {
        std::uint32_t bit;
        bool inverted;
        std::wstring caption;
    } expected[] = {
        {0x20, false, L"Archive"},   {0x2, false, L"Hidden"},  {0x1, false, L"Read-only"},
        {0x4, false, L"System"},     {0x2000, true, L"Index"}, {0x800, false, L"Compress"},
        {0x4000, false, L"Encrypt"},
    };
    ASSERT_EQ(std::size(expected), kShownAttributes.size());
    constexpr std::uint32_t kOthers = 0x12345678;
    for (std::size_t i = 0; i < kShownAttributes.size(); ++i) {
        const ShownAttribute& a = kShownAttributes[i];
        const auto& e = expected[i];
        EXPECT_EQ(a.bit, e.bit) << e.caption;
        EXPECT_EQ(a.WideCaption(), e.caption);
        EXPECT_EQ(a.IsOn(0), e.inverted) << e.caption;
        EXPECT_EQ(a.IsOn(e.bit), !e.inverted) << e.caption;
        for (const bool on : {false, true}) {
            for (const std::uint32_t word : {0u, ~0u, kOthers}) {
                const std::uint32_t written = a.With(word, on);
                EXPECT_EQ(a.IsOn(written), on) << e.caption;
                EXPECT_EQ(written & ~e.bit, word & ~e.bit) << e.caption;  // no other bit moves
            }
        }
    }
}

}  // namespace
}  // namespace torvane
