#include "tasks/task_id_sequence.hpp"

#include <gtest/gtest.h>

#include <set>

namespace torvane {
namespace {

// Every expected value below was computed by task_id_vectors.py (beside this
// file) with Python's unbounded integers, not by the code under test.

struct PermuteCase {
    std::uint32_t x;
    std::uint32_t expected;
};

TEST(TaskIdSequence, PermuteMatchesIndependentVectors) {
    const PermuteCase cases[] = {
        {0u, 0u},
        {1u, 1u},
        {2u, 4u},
        {3u, 9u},
        {65535u, 4294836225u},
        {65536u, 5u},                // 2^32 mod p == 5: needs 64-bit product
        {2147483644u, 1073741825u},  // lower half: the residue itself
        {2147483645u, 1073741823u},  // last value of the lower half
        {2147483646u, 3221225468u},  // first value of the upper half: p - r
        {2147483647u, 3221225466u},
        {4294967290u, 4294967290u},  // p - 1
        {4294967291u, 4294967291u},  // x >= p: unchanged
        {4294967292u, 4294967292u},
        {4294967295u, 4294967295u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TaskIdSequence::Permute(c.x), c.expected) << "x = " << c.x;
    }
}

struct SeedCase {
    std::uint32_t t;
    std::uint32_t index;
    std::uint32_t offset;
    std::uint32_t ids[4];
};

TEST(TaskIdSequence, SeedAndNextMatchIndependentVectors) {
    const SeedCase cases[] = {
        {0u, 631179142u, 821919473u, {1628920449u, 573615150u, 2447651339u, 189470546u}},
        {1u, 4127001161u, 3620975907u, {1738361671u, 4281508316u, 4213098256u, 3836572130u}},
        {1700000000u,
         3136696115u,
         1788362001u,
         {3639544371u, 3392796036u, 2687914935u, 113072160u}},
        // t + 1 wraps to 0 for the offset.
        {4294967295u,
         1430324416u,
         2752212193u,
         {2108299162u, 3310766278u, 4243972167u, 581964682u}},
    };
    for (const auto& c : cases) {
        TaskIdSequence seq;
        seq.Seed(c.t);
        EXPECT_EQ(seq.index(), c.index) << "t = " << c.t;
        EXPECT_EQ(seq.offset(), c.offset) << "t = " << c.t;
        for (std::uint32_t id : c.ids)
            EXPECT_EQ(seq.Next(), id) << "t = " << c.t;
    }
}

TEST(TaskIdSequence, NextSkipsZeroAndGoesOn) {
    // index_drawing_zero(0) of task_id_vectors.py: this index draws id 0.
    TaskIdSequence seq(1625423639u, 0u);
    EXPECT_EQ(seq.Next(), 4048806359u);  // the draw of the following index
    EXPECT_EQ(seq.index(), 1625423641u);
}

TEST(TaskIdSequence, IndexWrapsAtThirtyTwoBits) {
    TaskIdSequence seq(0xFFFFFFFFu, 7u);
    seq.Next();
    EXPECT_EQ(seq.index(), 0u);
}

TEST(TaskIdSequence, DoesNotRepeatOverManyDraws) {
    TaskIdSequence seq;
    seq.Seed(1700000000u);
    std::set<std::uint32_t> seen;
    for (int k = 0; k < 100000; ++k)
        ASSERT_TRUE(seen.insert(seq.Next()).second) << k;
}

}  // namespace
}  // namespace torvane
