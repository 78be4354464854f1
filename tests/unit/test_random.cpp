#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "platform/Input.h"

// Expected values below come from the generator's definition, state = state * 48271 mod
// (2^31 - 1), evaluated directly with wide integers rather than through the 32-bit split.

TEST(Random, StatesFollowTheRecurrence) {
    SeedRandom(1);
    EXPECT_EQ(RandomState(), 1);
    // One value takes two steps.
    RandomFloat(0, 1);
    EXPECT_EQ(RandomState(), 182605794);  // 48271^2 mod (2^31 - 1); the first step gave 48271
    RandomFloat(0, 1);
    EXPECT_EQ(RandomState(), 1914720637);  // after 1291394886
    RandomInt(0, 10);
    EXPECT_EQ(RandomState(), 407355683);   // after 2078669041
}

// The 32-bit split must agree with plain 64-bit modular multiplication, including states
// near the modulus where the intermediate goes negative.
TEST(Random, SplitMatchesWideArithmetic) {
    const int64_t m = 2147483647;
    for (int seed : {1, 2, 44488, 44489, 2147483646, 1234567890, 99}) {
        SeedRandom(seed);
        int64_t expect = seed;
        for (int i = 0; i < 2000; ++i) {
            RandomFloat(0, 1);
            expect = expect * 48271 % m;
            expect = expect * 48271 % m;
            ASSERT_EQ(RandomState(), expect) << "seed " << seed << " value " << i;
        }
    }
}

TEST(Random, SeedIsMaskedAndDegenerateSeedsReplaced) {
    SeedRandom(0);
    EXPECT_EQ(RandomState(), 4660);
    SeedRandom(0x7FFFFFFF);
    EXPECT_EQ(RandomState(), 4660);
    SeedRandom(-1);  // masks to 0x7FFFFFFF
    EXPECT_EQ(RandomState(), 4660);
    SeedRandom(INT_MIN);  // masks to 0
    EXPECT_EQ(RandomState(), 4660);
    SeedRandom(INT_MIN + 5);
    EXPECT_EQ(RandomState(), 5);
}

TEST(Random, FirstValuesFromSeedOne) {
    // r1 = ((48271 & 0x1FFFFFFC) + (182605794 & 0x1FFFFFF8) / 2^27) / 2^29
    //    = (48268 + 182605792 / 134217728) / 536870912
    const double r1 = (48268 + 182605792 / 134217728.0) / 536870912.0;
    // r2 from the states 1291394886 and 1914720637.
    const double r2 = ((1291394886 & 0x1FFFFFFC) + (1914720637 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
    SeedRandom(1);
    EXPECT_FLOAT_EQ(RandomFloat(10, 20), static_cast<float>(10 + r1 * 10));
    EXPECT_FLOAT_EQ(RandomFloat(20, 10), static_cast<float>(10 + r2 * 10));  // ends in either order
    EXPECT_NEAR(r2, 0.40541042, 1e-8);

    SeedRandom(1);
    EXPECT_EQ(RandomInt(1, 6), 1);            // trunc(r1 * 6) = 0
    EXPECT_EQ(RandomInt(6, 1), 1 + 2);        // trunc(0.405 * 6) = 2
    SeedRandom(1);
    EXPECT_EQ(RandomInt(-100, 100), -100);    // trunc(r1 * 201) = 0
    EXPECT_EQ(RandomInt(-100, 100), -100 + 81);  // trunc(0.4054 * 201) = 81
}

TEST(Random, DefaultSeedSequence) {
    SeedRandom(4660);
    EXPECT_EQ(RandomState(), 4660);
    RandomFloat(0, 1);
    EXPECT_EQ(RandomState(), 539475828);  // 4660 * 48271^2 mod (2^31 - 1)
}

TEST(Random, RangesHoldAtTheirEnds) {
    SeedRandom(777);
    bool sawLo = false, sawHi = false;
    for (int i = 0; i < 5000; ++i) {
        int v = RandomInt(3, 7);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 7);
        sawLo |= v == 3;
        sawHi |= v == 7;
        float f = RandomFloat(-2.5f, 4.0f);
        ASSERT_GE(f, -2.5f);
        ASSERT_LE(f, 4.0f);
    }
    EXPECT_TRUE(sawLo);
    EXPECT_TRUE(sawHi);
    EXPECT_EQ(RandomInt(5, 5), 5);
    EXPECT_EQ(RandomFloat(2, 2), 2.0f);
    // The full int range neither overflows nor leaves the range.
    for (int i = 0; i < 1000; ++i) {
        int v = RandomInt(INT_MIN, INT_MAX);
        (void)v;
        int w = RandomInt(INT_MAX, INT_MAX - 1);
        ASSERT_GE(w, INT_MAX - 1);
    }
    SeedRandom(4660);
}
