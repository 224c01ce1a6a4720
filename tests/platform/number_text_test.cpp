#include "platform/number_text.hpp"

#include <gtest/gtest.h>

#include <climits>

namespace torvane {
namespace {

TEST(ReadDecimalInt32, ReadsLikeWcstolWithA32BitLong) {
    const struct {
        const wchar_t* text;
        std::int32_t value;
    } cases[] = {
        {L"42", 42},
        {L"  \t\n+42", 42},
        {L"-17", -17},
        {L"12abc", 12},
        {L"0x1F", 0},
        {L"", 0},
        {L"abc", 0},
        {L"-", 0},
        {L"- 5", 0},
        {L"--5", 0},
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX},
        {L"-2147483648", INT_MIN},
        {L"-2147483649", INT_MIN},
        {L"99999999999999999999999999", INT_MAX},
        {L"000000000000000000000012", 12},
        {L"\u00a012", 0},  // only the six C blanks are skipped
        {L"\v\f12", 12},
        {L"-0", 0},
        {L"+-5", 0},
        {L"\x0663", 0},  // only ASCII digits count
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadDecimalInt32(c.text), c.value) << c.text;
}

TEST(ReadDecimalUint32, ReadsLikeWcstoulWithA32BitLong) {
    const struct {
        const wchar_t* text;
        std::uint32_t value;
    } cases[] = {
        {L"34", 34},
        {L" +34x", 34},
        {L"", 0},
        {L"x1", 0},
        {L"-1", UINT_MAX},
        {L"-34", 0u - 34u},
        {L"4294967295", UINT_MAX},
        {L"4294967296", UINT_MAX},
        {L"-4294967296", UINT_MAX},
        {L"99999999999999999999999999", UINT_MAX},
        {L"\v\f12", 12},
        {L"-0", 0},
        {L"- 5", 0},
        {L"+-5", 0},
        {L"\x0663", 0},  // only ASCII digits count
        {L"2147483648", 2147483648u},
        {L"-4294967295", 1},
        {L"\u00a012", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadDecimalUint32(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace torvane
