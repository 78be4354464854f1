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

TEST(Trig, ExpLogAndPowerFollowTheLibrary) {
    double worstExp = 0.0, worstLog = 0.0, worstPow = 0.0;
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> unit(0.0, 1.0), exponent(-745.0, 709.0), power(-30.0, 30.0);
    for (int i = 0; i < 200000; ++i) {
        double x = exponent(rng);
        worstExp = std::max(worstExp, UlpsBetween(TrigExp(x), std::exp(x)));
        // Positive numbers of every size, subnormals included.
        double v = std::ldexp(0.5 + unit(rng), static_cast<int>(exponent(rng) * 1.45));
        worstLog = std::max(worstLog, UlpsBetween(TrigLog(v), std::log(v)));
        // Brightness curves, and bases near 1 raised until the result nears overflow or
        // underflow, where an error in the logarithm is multiplied most.
        double base = 4.0 * unit(rng), y = power(rng);
        worstPow = std::max(worstPow, UlpsBetween(TrigPow(base, y), std::pow(base, y)));
        base = 1.0 + (unit(rng) - 0.5) * 0.01;
        y = (2.0 * unit(rng) - 1.0) * 700.0 / std::log(base);
        worstPow = std::max(worstPow, UlpsBetween(TrigPow(base, y), std::pow(base, y)));
    }
    EXPECT_LE(worstExp, kUlpBound);
    EXPECT_LE(worstLog, kUlpBound);
    EXPECT_LE(worstPow, kUlpBound);
}

TEST(Trig, ExpLogAndPowerSpecialValuesMatchTheLibraryExactly) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    auto same = [](double ours, double theirs) {
        return std::isnan(ours) ? std::isnan(theirs) : ours == theirs && std::signbit(ours) == std::signbit(theirs);
    };
    // Every finite power here is a power of two, so exact.
    const double bases[] = {0.0, -0.0, 1.0, -1.0, 4.0, -4.0, 0.25, -0.25, inf, -inf, nan};
    const double powers[] = {0.0, -0.0, 1.0, -1.0, 2.0, -3.0, 0.5, -2.5, 1e300, inf, -inf, nan};
    for (double x : bases)
        for (double y : powers) EXPECT_TRUE(same(TrigPow(x, y), std::pow(x, y))) << "pow(" << x << ", " << y << ")";
    for (double v : {0.0, -0.0, 1.0, -1.0, 1000.0, -1000.0, inf, -inf, nan}) {
        EXPECT_TRUE(same(TrigExp(v), std::exp(v))) << "exp(" << v << ")";
        EXPECT_TRUE(same(TrigLog(v), std::log(v))) << "log(" << v << ")";
    }
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
    EXPECT_EQ(TrigExp(1.0), 0x1.5bf0a8b145769p+1);
    EXPECT_EQ(TrigExp(-700.5), 0x1.4ff475c68ca02p-1011);
    EXPECT_EQ(TrigLog(10.0), 0x1.26bb1bbb55516p+1);
    EXPECT_EQ(TrigLog(0x1p-1070 * 3), -0x1.7248d0c312108p+9);
    EXPECT_EQ(TrigPow(0.3, 2.2), 0x1.21c08eb3f512ep-4);
    EXPECT_EQ(TrigPow(1.0001, 7000.5), 0x1.01c3a375b0699p+1);
    EXPECT_EQ(TrigPow(-1.5, -7.0), -0x1.df75680feb65fp-5);
}
