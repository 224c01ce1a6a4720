#include "platform/case_locale.hpp"

#include <gtest/gtest.h>

namespace torvane {
namespace {

// The regular expressions' case mapping reaches beyond ASCII on every system
// (on Windows there is no C.UTF-8: the facet maps through the system).
TEST(CaseMappingLocale, MapsAndClassifiesLettersBeyondAscii) {
    const auto& ctype = std::use_facet<std::ctype<wchar_t>>(CaseMappingLocale());
    const struct {
        wchar_t lower, upper;
    } pairs[] = {
        {L'a', L'A'}, {L'\u00E9', L'\u00C9'}, {L'\u03B1', L'\u0391'}, {L'\u0436', L'\u0416'}};
    for (const auto& p : pairs) {
        EXPECT_EQ(ctype.toupper(p.lower), p.upper) << int(p.lower);
        EXPECT_EQ(ctype.tolower(p.upper), p.lower) << int(p.upper);
        EXPECT_TRUE(ctype.is(std::ctype_base::alpha, p.lower));
        EXPECT_TRUE(ctype.is(std::ctype_base::lower, p.lower));
        EXPECT_TRUE(ctype.is(std::ctype_base::upper, p.upper));
    }
    std::wstring text = L"h\u00E9llo 1";
    ctype.toupper(text.data(), text.data() + text.size());
    EXPECT_EQ(text, L"H\u00C9LLO 1");
    EXPECT_FALSE(ctype.is(std::ctype_base::alpha, L'1'));
    EXPECT_TRUE(ctype.is(std::ctype_base::digit, L'1'));
    EXPECT_TRUE(ctype.is(std::ctype_base::space, L' '));
    // A unit of a surrogate pair is no letter and maps to itself.
    EXPECT_EQ(ctype.toupper(static_cast<wchar_t>(0xD83D)), static_cast<wchar_t>(0xD83D));
}

}  // namespace
}  // namespace torvane
