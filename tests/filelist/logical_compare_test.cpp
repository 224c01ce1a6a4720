#include "filelist/logical_compare.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/text.hpp"

namespace torvane {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(LogicalCompare, OrdersPairs) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int expected;
    };
    const Case cases[] = {
        {L"a2", L"a10", -1},  // digit runs are numbers
        {L"y", L"Z", -1},     // letters without regard to case
        {L"file9.txt", L"file10.txt", -1},
        {L"x99999999999999999999999", L"x100000000000000000000000", -1},  // no overflow
        {L"a", L"a1", -1},                                                // a prefix comes first
        {L"1", L"a", -1},                                                 // digits before letters
        {L"_x", L"ax", -1},  // punctuation before letters, as in folded lower case
        {L"\u00C9t\u00E9", L"\u00E9T\u00C9",
         -1},                          // accented letters fold; upper case first on a tie
        {L"\u0416", L"\u0436", -1},    // Cyrillic folds, tie broken by case
        {L"\u0436a", L"\u0416b", -1},  // ... but only on a tie
        {L"a01", L"a1", -1},           // more leading zeros first on a numeric tie
        {L"a001", L"a01", -1},
        {L"a01b", L"a1a", 1},  // a later difference outranks the zeros tie
        {L"A", L"a", -1},      // the case tie: code point order
        {L"a0", L"a00", 1},
        {L"same", L"same", 0},
        {L"", L"", 0},
        {L"", L"a", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(LogicalCompare(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(LogicalCompare(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(LogicalSortKey, KeysOrderAsTheComparisonDoesBeforeItsTies) {
    const std::vector<std::wstring> names = {
        L"1",   L"01x", L"1x", L"2", L"10", L"A",  L"a",    L"a2",    L"A10", L"a10",
        L"b",   L"B1",  L"y",  L"Z", L"_x", L"ax", L"a0",   L"a00",   L"x9",  L"x10b",
        L"x10", L"",    L"-1", L"é", L"É",  L"e",  L"a1b2", L"a1b10", L"0",   L"00"};
    for (const auto& x : names) {
        for (const auto& y : names) {
            const int byKey = Sign(LogicalSortKey(x).compare(LogicalSortKey(y)));
            const int full = Sign(LogicalCompare(x, y));
            if (byKey != 0) {
                EXPECT_EQ(byKey, full) << ToUtf8(x) << " vs " << ToUtf8(y);
            }
        }
    }
    EXPECT_EQ(LogicalSortKey(L"A01"), LogicalSortKey(L"a1"));  // only the ties tell them apart
}

TEST(LogicalCompare, SortIsTheSameFromAnyStartingOrder) {
    const std::vector<std::wstring> sorted = {L"1",  L"01x", L"1x",  L"2", L"10", L"A", L"a",
                                              L"a2", L"A10", L"a10", L"b", L"B1", L"y", L"Z"};
    auto shuffled = sorted;
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::sort(shuffled.begin(), shuffled.end(),
                  [](const auto& x, const auto& y) { return LogicalCompare(x, y) < 0; });
        EXPECT_EQ(shuffled, sorted);
    }
}

}  // namespace
}  // namespace torvane
