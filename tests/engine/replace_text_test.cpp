#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/apply_task.hpp"
#include "engine/messages.hpp"
#include "engine_fixture.hpp"

namespace torvane {
namespace {

using ::testing::ElementsAre;
using testing::ErrorBox;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct ReplaceCase {
    bool caseSensitive;
    bool regex;
    const wchar_t* find;
    const wchar_t* replacement;
    const wchar_t* text;
    const wchar_t* expected;
};

void ExpectReplacements(const ReplaceCase* begin, const ReplaceCase* end) {
    for (const auto* c = begin; c != end; ++c) {
        testing::RecordingDialogs dialogs;
        std::wstring text = c->text;
        const EngineSettings settings{.caseSensitive = c->caseSensitive};
        EXPECT_EQ(ReplaceText(c->find, c->replacement, text, c->regex, settings, dialogs),
                  TaskResult::Ok)
            << c->find;
        EXPECT_EQ(text, c->expected) << "find " << c->find << " in " << c->text;
        EXPECT_THAT(dialogs.messages(), IsEmpty());
    }
}

TEST(ReplaceText, SyntaxFlagsFollowRegexAndCaseSetting) {
    const ReplaceCase cases[] = {
        {1, true, L"a.c", L"_", L"abc a.c ABC A.C", L"_ _ ABC A.C"},
        {1, false, L"a.c", L"_", L"abc a.c ABC A.C", L"abc _ ABC A.C"},
        {0, true, L"a.c", L"_", L"abc a.c ABC A.C", L"_ _ _ _"},
        {0, false, L"a.c", L"_", L"abc a.c ABC A.C", L"abc _ ABC _"},
        // Case-insensitive: every letter-case variant (which stored values
        // mean case-sensitive is EngineSettingsOf's rule, tested with it).
        {false, false, L"abc", L"_", L"ABC aBc abc", L"_ _ _"},
        // A plain find treats every character literally.
        {1, false, L"(a+)[b]", L"_", L"aab (a+)[b]", L"aab _"},
    };
    ExpectReplacements(std::begin(cases), std::end(cases));
}

TEST(ReplaceText, ReplacementIsAlwaysAPerlFormatString) {
    const ReplaceCase cases[] = {
        {1, false, L"ab", L"$&$&", L"xaby ab", L"xababy abab"},
        {1, false, L"ab", L"$$", L"ab", L"$"},
        {1, false, L"ab", L"[\\n]", L"ab", L"[\n]"},
        {1, false, L"ab", L"\\t", L"ab", L"\t"},
        {1, false, L"ab", L"(?1:x)", L"ab", L"(?1:x)"},  // no conditionals
        {1, false, L"ab", L"<$1>", L"ab", L"<>"},        // a plain find has no groups
        {1, true, L"(\\w+)-(\\w+)", L"$2-$1", L"left-right", L"right-left"},
        {1, true, L"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", L"${10}$1", L"abcdefghij", L"ja"},
        {1, true, L"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", L"$10", L"abcdefghij", L"j"},
        // Group numbers at the top of the int range stand for no group, as
        // any missing group does; escaped dollars stay text.
        {1, true, L"b", L"<$2147483647>", L"abc", L"a<>c"},
        {1, true, L"b", L"<${2147483646}>", L"abc", L"a<>c"},
        {1, true, L"b", L"<$002147483647$1>", L"abc", L"a<>c"},
        {1, true, L"b", L"$$2147483647", L"abc", L"a$2147483647c"},
        {1, true, L"b", L"\\$2147483647", L"abc", L"a$2147483647c"},
        {1, false, L"b", L"<$2147483645>", L"abc", L"a<>c"},
    };
    ExpectReplacements(std::begin(cases), std::end(cases));
}

TEST(ReplaceText, ReplacesEveryNonOverlappingMatchLeftToRight) {
    const ReplaceCase cases[] = {
        {1, false, L"aa", L"X", L"aaaaa", L"XXa"},
        {1, true, L"\\d+", L"#", L"a1b22c333", L"a#b#c#"},
        {1, false, L"zz", L"X", L"abc", L"abc"},
        // An empty regular expression matches between every two characters.
        {1, true, L"", L"-", L"ab", L"-a-b-"},
    };
    ExpectReplacements(std::begin(cases), std::end(cases));
}

TEST(ReplaceText, CaseInsensitiveMatchingFoldsNonAsciiLetters) {
    const ReplaceCase cases[] = {
        {0, false, L"\u00e9t\u00e9", L"summer", L"\u00c9T\u00c9 2021", L"summer 2021"},
        {0, true, L"\u00e4+", L"a", L"B\u00c4\u00e4\u00c4R", L"BaR"},
        {0, true, L"[\u00e0-\u00ff]", L"_", L"\u00c9", L"_"},
        {0, false, L"\u0436", L"zh", L"\u0416", L"zh"},  // Cyrillic zhe
        {1, false, L"\u00e9", L"e", L"\u00c9\u00e9", L"\u00c9e"},
        // Word characters take non-ASCII letters too.
        {1, true, L"^\\w+", L"W", L"\u00e9t\u00e9.txt", L"W.txt"},
    };
    ExpectReplacements(std::begin(cases), std::end(cases));
}

TEST(ReplaceText, InvalidExpressionShowsTheLibrarysDescriptionAndKeepsTheText) {
    testing::RecordingDialogs dialogs;
    std::wstring text = L"(abc)";
    EXPECT_EQ(ReplaceText(L"(ab", L"x", text, true, {}, dialogs), TaskResult::InvalidExpression);
    EXPECT_EQ(text, L"(abc)");
    EXPECT_THAT(dialogs.messages(),
                ElementsAre(ErrorBox(L"Not a valid regular expression: \"Unmatched marking "
                                     L"parenthesis ( or \\(.  The error occurred while parsing "
                                     L"the regular expression: '(ab>>>HERE>>>'.\"")));
}

TEST(ReplaceText, ErrorTextQuotesThePatternInItsOwnCharacters) {
    testing::RecordingDialogs dialogs;
    std::wstring text = L"x";
    EXPECT_EQ(ReplaceText(L"\u0416\u00e9(", L"", text, true, {}, dialogs),
              TaskResult::InvalidExpression);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_THAT(dialogs.messages()[0].text, HasSubstr(L"'\u0416\u00e9(>>>HERE>>>'.\""));
}

TEST(ReplaceText, EmptyPlainFindIsRejectedByTheLibrary) {
    testing::RecordingDialogs dialogs;
    std::wstring text = L"ab";
    EXPECT_EQ(ReplaceText(L"", L"-", text, false, {}, dialogs), TaskResult::InvalidExpression);
    EXPECT_THAT(dialogs.messages(),
                ElementsAre(ErrorBox(L"Not a valid regular expression: \"Empty regular "
                                     L"expression.\"")));
}

// The matcher giving up is no fault of the expression's form: the message
// says it took too long on that name.
TEST(ReplaceText, ExpressionTooComplexToMatchSaysItTookTooLongOnTheName) {
    testing::RecordingDialogs dialogs;
    const std::wstring name(60, L'a');
    std::wstring text = name;
    EXPECT_EQ(ReplaceText(L"(a*)*b", L"x", text, true, {}, dialogs), TaskResult::InvalidExpression);
    EXPECT_EQ(text, name);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, ExpressionBacktracksMessage(L"(a*)*b", name).Plain());
    EXPECT_EQ(dialogs.messages()[0].caption, L"Error");
}

TEST(MatchName, PatternMustCoverTheWholeName) {
    const struct {
        bool caseSensitive;
        bool regex;
        const wchar_t* pattern;
        const wchar_t* name;
        bool matched;
    } cases[] = {
        {0, false, L"a.txt", L"a.txt", true},
        {0, false, L"a.txt", L"A.TXT", true},
        {1, false, L"a.txt", L"A.TXT", false},
        {0, false, L"a.txt", L"ba.txt", false},
        {0, false, L"a.txt", L"a.txt.bak", false},
        {0, false, L"a.txt", L"abtxt", false},
        {0, true, L"a.txt", L"abtxt", true},
        {0, true, L".*", L"", true},
        {0, true, L".*", L"anything.jpg", true},
        {1, true, L"a|ab", L"ab", true},
        {0, true, L"\u00e9.*", L"\u00c9t\u00e9", true},
    };
    for (const auto& c : cases) {
        testing::RecordingDialogs dialogs;
        const auto match =
            MatchName(c.pattern, c.name, c.regex, {.caseSensitive = c.caseSensitive}, dialogs);
        EXPECT_EQ(match.result, TaskResult::Ok);
        EXPECT_EQ(match.matched, c.matched) << c.pattern << " against " << c.name;
    }
}

TEST(MatchName, InvalidOrTooComplexPatternIsAnInvalidExpression) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* says;
    } cases[] = {
        {L"[a", L"Not a valid regular expression: \""},
        {L"(a*)*b", L"\" took too long on \"aaaa"},
    };
    for (const auto& c : cases) {
        testing::RecordingDialogs dialogs;
        const auto match = MatchName(c.pattern, std::wstring(60, L'a'), true, {}, dialogs);
        EXPECT_EQ(match.result, TaskResult::InvalidExpression) << c.pattern;
        ASSERT_EQ(dialogs.messages().size(), 1u) << c.pattern;
        EXPECT_THAT(dialogs.messages()[0].text, HasSubstr(c.says));
    }
}

}  // namespace
}  // namespace torvane
