#include "platform/text.hpp"

#include <gtest/gtest.h>

#include "platform/entry_name.hpp"

namespace torvane {
namespace {

struct Utf8Case {
    std::string bytes;
    std::wstring text;
};

TEST(FromUtf8, DecodesValidTextAndEscapesEachInvalidByte) {
    const Utf8Case cases[] = {
        {"", L""},
        {"plain.txt", L"plain.txt"},
        {"caf\xC3\xA9", L"caf\u00E9"},
        {"\xE2\x82\xAC", L"\u20AC"},
        // Above U+FFFF: one wide character on Linux, a surrogate pair on Windows.
        {"\xF0\x9F\x98\x80", L"\U0001F600"},
        // A lone continuation byte and a lone lead byte.
        {"a\x80z", L"a\xDC80z"},
        {"\xC3", L"\xDCC3"},
        // Latin-1 text that is not UTF-8.
        {"f\xE9te", L"f\xDCE9te"},
        // Overlong encodings are not well-formed: each byte is escaped.
        {"\xC0\xAF", L"\xDCC0\xDCAF"},
        {"\xE0\x80\xAF", L"\xDCE0\xDC80\xDCAF"},
        // An encoded surrogate (U+DC80 in the generalised form) is not valid UTF-8.
        {"\xED\xB2\x80", L"\xDCED\xDCB2\xDC80"},
        // Beyond U+10FFFF.
        {"\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
        // A truncated sequence followed by valid text.
        {"\xE2\x82"
         "ab",
         L"\xDCE2\xDC82"
         L"ab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.bytes), c.text);
        EXPECT_EQ(ToUtf8(c.text), c.bytes) << "round trip of case " << c.bytes;
    }
}

TEST(ToUtf8, EveryByteStringRoundTripsThroughAWideString) {
    // All single bytes, and all two-byte strings starting with a lead byte.
    for (int a = 1; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(ToUtf8(FromUtf8(one)), one) << a;
        for (int b = 0; b < 256; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(ToUtf8(FromUtf8(two)), two) << a << " " << b;
        }
    }
}

TEST(ToUtf8, OtherLoneSurrogatesUseTheGeneralisedForm) {
    EXPECT_EQ(ToUtf8(L"\xD800"), "\xED\xA0\x80");
    EXPECT_EQ(ToUtf8(L"\xDC7F"), "\xED\xB1\xBF");  // just below the escape range
    // A value no UTF-16 unit can hold.
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    }
}

TEST(Utf16, SurrogatePairsAndLoneSurrogates) {
    const std::wstring emoji = L"\U0001F600";
    EXPECT_EQ(ToUtf16(emoji), u"\xD83D\xDE00");
    EXPECT_EQ(FromUtf16(u"\xD83D\xDE00"), emoji);
    EXPECT_EQ(Utf16Length(L"a" + emoji), 3u);
    // Lone surrogates survive in both directions.
    const std::u16string lone =
        u"a\xDC80"
        u"b\xD800";
    EXPECT_EQ(ToUtf16(FromUtf16(lone)), lone);
    EXPECT_EQ(FromUtf16(lone), std::wstring(L"a\xDC80"
                                            L"b\xD800"));
    // A low surrogate before a high one is two lone units, not a pair.
    EXPECT_EQ(FromUtf16(u"\xDE00\xD83D").size(), 2u);
}

TEST(NextCodePoint, ReadsAPairAsOneCharacterAndALoneSurrogateAsItself) {
    const struct {
        std::wstring text;
        std::u32string want;
    } cases[] = {
        {L"a\u00E9", U"a\u00E9"}, {L"\U0001F600x", U"\U0001F600x"}, {L"\U0010FFFF", U"\U0010FFFF"},
        {L"a\xDC80", U"a\xDC80"}, {L"\xD800z", U"\xD800z"},
    };
    for (const auto& c : cases) {
        std::u32string got;
        for (size_t i = 0; i < c.text.size();)
            got.push_back(NextCodePoint(c.text, i));
        EXPECT_EQ(got, c.want) << ToUtf8(c.text);
    }
}

TEST(AsciiLower, FoldsOnlyTheAsciiLetters) {
    // The neighbours of A-Z ('@', '[') and letters that fold under Unicode
    // rules (Latin-1, Greek, Cyrillic, the Kelvin sign) stay as they are.
    EXPECT_EQ(AsciiLower(L"@AZ[az`{"), L"@az[az`{");
    EXPECT_EQ(AsciiLower(L"\u00C9\u0391\u0416\u212A\u0130"), L"\u00C9\u0391\u0416\u212A\u0130");
    EXPECT_EQ(AsciiLower(L""), L"");
}

TEST(AsciiLower, OnNameBytesLeavesEveryByteOfOtherCharactersAlone) {
    // "ÉA" and "ÀZ" in UTF-8 (C3 89, C3 80), and a lone invalid byte.
    EXPECT_EQ(AsciiLower(std::string_view("\xC3\x89"
                                          "A\xC3\x80"
                                          "Z\xFF")),
              "\xC3\x89"
              "a\xC3\x80"
              "z\xFF");
}

TEST(EntryName, KeepsTheBytesOnDiskThroughItsWideText) {
    for (const std::string bytes :
         {"IMG_0001.jpg", "caf\xC3\xA9", "\xFF\xFEname", "\xF0\x9F\x98\x80"}) {
        const auto name = EntryName::FromBytes(bytes);
        EXPECT_EQ(name.bytes(), bytes);
        EXPECT_EQ(EntryName(name.wide()), name) << bytes;
    }
    EXPECT_EQ(EntryName(L"caf\u00E9").bytes(), "caf\xC3\xA9");
    EXPECT_EQ(std::wstring(L"/d/") + EntryName(L"x\U0001F600"), L"/d/x\U0001F600");
    EXPECT_TRUE(EntryName(L"..").IsDotOrDotDot());
    EXPECT_FALSE(EntryName(L"...").IsDotOrDotDot());
}

TEST(EqualsIgnoringAsciiCase, IgnoresOnlyAsciiLetterCase) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        bool equal;
    } cases[] = {
        {L"", L"", true},
        {L"TaskListPath", L"tasklistpath", true},
        {L".LNK", L".lnk", true},
        {L"@", L"`", false},  // 0x40 and 0x60 differ by the case bit, but are not letters
        {L"[", L"{", false},
        {L"\u00C9", L"\u00E9", false},
        {L"\u212A", L"k", false},
        {L"ab", L"abc", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << L" " << c.b;
        EXPECT_EQ(EqualsIgnoringAsciiCase(c.b, c.a), c.equal) << c.b << L" " << c.a;
    }
}

}  // namespace
}  // namespace torvane
