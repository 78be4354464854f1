#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "platform/Trig.h"

namespace {

// Distance between two doubles in units in the last place, across zero too.
double UlpsBetween(double a, double b) {
    // Doubles in order as unsigned integers: negatives below positives, -0 next to +0.
    auto ordered = [](double v) {
        uint64_t i;
        std::memcpy(&i, &v, sizeof i);
        return i >> 63 ? ~i : i | (uint64_t(1) << 63);
    };
    uint64_t oa = ordered(a), ob = ordered(b);
    return double(oa > ob ? oa - ob : ob - oa);
}

uint32_t Bits(float v) {
    uint32_t i;
    std::memcpy(&i, &v, sizeof i);
    return i;
}

// The C library's sine and cosine are within an ulp, so ours may be two away from them.
constexpr double kUlpBound = 3.0;

}  // namespace

TEST(Trig, SineAndCosineFollowTheLibraryOverTheWorldsRange) {
    double worstSin = 0.0, worstCos = 0.0;
    auto check = [&](double x) {
        worstSin = std::max(worstSin, UlpsBetween(TrigSin(x), std::sin(x)));
        worstCos = std::max(worstCos, UlpsBetween(TrigCos(x), std::cos(x)));
    };
    // Every tenth of a degree over several turns either way, where the world mostly lives.
    for (int i = -7200; i <= 7200; ++i) check(i * 0.1 * M_PI / 180.0);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> small(-10.0, 10.0), large(-1e6, 1e6);
    for (int i = 0; i < 200000; ++i) {
        check(small(rng));
        check(large(rng));
    }
    EXPECT_LE(worstSin, kUlpBound);
    EXPECT_LE(worstCos, kUlpBound);
}

TEST(Trig, SineAndCosineEdges) {
    EXPECT_TRUE(std::signbit(TrigSin(-0.0)));
    EXPECT_EQ(TrigSin(1e-300), 1e-300);
    EXPECT_EQ(TrigCos(-0.0), 1.0);
    for (double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(std::isnan(TrigSin(bad)));
        EXPECT_TRUE(std::isnan(TrigCos(bad)));
    }
    // Beyond the accurate range the answers are still sines: finite and at most 1.
    for (double huge : {1e7, -3e12, 1e20, 1.7e308}) {
        EXPECT_LE(std::fabs(TrigSin(huge)), 1.0) << huge;
        EXPECT_LE(std::fabs(TrigCos(huge)), 1.0) << huge;
    }
}

TEST(Trig, ArcTangentFollowsTheLibraryInEveryQuadrant) {
    double worst = 0.0;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0), scale(-20.0, 20.0);
    for (int i = 0; i < 200000; ++i) {
        // Points at very different distances along the two axes too.
        double y = coordinate(rng) * std::exp2(std::round(scale(rng)));
        double x = coordinate(rng);
        worst = std::max(worst, UlpsBetween(TrigAtan2(y, x), std::atan2(y, x)));
    }
    EXPECT_LE(worst, kUlpBound);
}

TEST(Trig, ArcTangentSpecialValuesMatchTheLibraryExactly) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0, -0.0, 1.0, -1.0, 1e-310, -3e300, inf, -inf};
    for (double y : values) {
        for (double x : values) {
            double ours = TrigAtan2(y, x), theirs = std::atan2(y, x);
            EXPECT_EQ(ours, theirs) << "atan2(" << y << ", " << x << ")";
            EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << "atan2(" << y << ", " << x << ")";
        }
    }
    EXPECT_TRUE(std::isnan(TrigAtan2(std::numeric_limits<double>::quiet_NaN(), 1.0)));
    EXPECT_TRUE(std::isnan(TrigAtan2(1.0, std::numeric_limits<double>::quiet_NaN())));
}

TEST(Trig, FloatModIsExactlyTheLibrarysRemainder) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
    std::uniform_int_distribution<int> exponent(-140, 117);  // 1000 * 2^117 is still finite
    int mismatches = 0;
    for (int i = 0; i < 300000; ++i) {
        float x = value(rng), y = value(rng);
        // Headings against 360, and quotients far beyond what a float holds.
        if (i % 3 == 0) y = 360.0f;
        if (i % 3 == 1) x = std::ldexp(x, exponent(rng));
        if (i % 5 == 0) y = std::ldexp(y, exponent(rng));
        if (Bits(FloatMod(x, y)) != Bits(std::fmod(x, y)) && ++mismatches <= 5)
            ADD_FAILURE() << "FloatMod(" << x << ", " << y << ") = " << FloatMod(x, y) << ", fmod " << std::fmod(x, y);
    }
    const float cases[][2] = {{-0.0f, 360.0f}, {-720.0f, 360.0f}, {5.0f, std::numeric_limits<float>::infinity()},
                              {-1e-45f, 7.0f}, {3.4e38f, 1e-45f}, {-359.99997f, 360.0f}};
    for (const auto& c : cases) EXPECT_EQ(Bits(FloatMod(c[0], c[1])), Bits(std::fmod(c[0], c[1]))) << c[0] << " " << c[1];
    EXPECT_TRUE(std::isnan(FloatMod(1.0f, 0.0f)));
}

// These pin the bits: a change to the functions, however small, shows here first.
TEST(Trig, GoldenResults) {
    EXPECT_EQ(TrigSin(1.0), 0x1.aed548f090ceep-1);
    EXPECT_EQ(TrigCos(1.0), 0x1.14a280fb5068cp-1);
    EXPECT_EQ(TrigSin(1e6), -0x1.6664b2568d867p-2);
    EXPECT_EQ(TrigCos(-12345.678), 0x1.6b94c3bbe24b8p-1);
    EXPECT_EQ(TrigSin(1e300), 0x1.8c7a44f3019e6p-1);
    EXPECT_EQ(TrigAtan2(1.0, -2.0), 0x1.56c6e7397f5aep+1);
    EXPECT_EQ(TrigAtan2(-3e-5, 7.0), -0x1.1f9c02c302a15p-18);
    EXPECT_EQ(TrigAtan2(5.0, 0.25), 0x1.8555a2787981fp+0);
}
