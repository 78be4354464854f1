#include "platform/Trig.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Below this size sin(x) rounds to x and cos(x) to 1.
constexpr double kTiny = 0x1p-27;
constexpr double kPiOver4 = 0x1.921fb54442d18p-1;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// pi/2 in three parts. The first two have 33 significant bits, so their products with
// a quadrant count below 2^20 are exact; the third is the rest.
constexpr double kPiOver2Part1 = 0x1.921fb544p+0;
constexpr double kPiOver2Part2 = 0x1.0b4611a6p-34;
constexpr double kPiOver2Part3 = 0x1.3198a2e037073p-69;
// Up to here the quadrant count stays below 2^20 and the reduction is exact enough.
constexpr double kExactReduceLimit = 0x1.8p20;
// Adding and subtracting this rounds a double below 2^51 to the nearest integer.
constexpr double kRoundingShift = 0x1.8p52;
constexpr double kRoundingLimit = 0x1p51;
// Doubles from 2^62 up are multiples of 4, a whole number of turns in quadrants.
constexpr double kWholeTurnsLimit = 0x1p62;
// Each coarse pass shrinks a huge angle by at least 2^30; this bounds the passes.
constexpr int kMaxCoarsePasses = 64;

// Taylor coefficients 1/n! with alternating signs: sine from x^3, cosine from x^4.
// |x| <= pi/4 leaves the first term left out far below an ulp.
constexpr double kSin3 = -0x1.5555555555555p-3;
constexpr double kSin5 = 0x1.1111111111111p-7;
constexpr double kSin7 = -0x1.a01a01a01a01ap-13;
constexpr double kSin9 = 0x1.71de3a556c734p-19;
constexpr double kSin11 = -0x1.ae64567f544e4p-26;
constexpr double kSin13 = 0x1.6124613a86d09p-33;
constexpr double kSin15 = -0x1.ae7f3e733b81fp-41;
constexpr double kSin17 = 0x1.952c77030ad4ap-49;
constexpr double kCos4 = 0x1.5555555555555p-5;
constexpr double kCos6 = -0x1.6c16c16c16c17p-10;
constexpr double kCos8 = 0x1.a01a01a01a01ap-16;
constexpr double kCos10 = -0x1.27e4fb7789f5cp-22;
constexpr double kCos12 = 0x1.1eed8eff8d898p-29;
constexpr double kCos14 = -0x1.93974a8c07c9dp-37;
constexpr double kCos16 = 0x1.ae7f3e733b81fp-45;
constexpr double kCos18 = -0x1.6827863b97d97p-53;

// Arc tangent series coefficients (-1)^k / (2k + 1) from u^3, for |u| <= 1/16.
constexpr double kAtan3 = -0x1.5555555555555p-2;
constexpr double kAtan5 = 0x1.999999999999ap-3;
constexpr double kAtan7 = -0x1.2492492492492p-3;
constexpr double kAtan9 = 0x1.c71c71c71c71cp-4;
constexpr double kAtan11 = -0x1.745d1745d1746p-4;
constexpr double kAtan13 = 0x1.3b13b13b13b14p-4;
constexpr double kAtan15 = -0x1.1111111111111p-4;

// atan(i / 8) for i = 0..8, each as a double and the part it leaves out.
constexpr int kAtanSteps = 8;
constexpr double kAtanStep = 1.0 / kAtanSteps;
constexpr double kAtanHigh[kAtanSteps + 1] = {
    0.0,
    0x1.fd5ba9aac2f6ep-4,
    0x1.f5b75f92c80ddp-3,
    0x1.6f61941e4def1p-2,
    0x1.dac670561bb4fp-2,
    0x1.1e00babdefeb4p-1,
    0x1.4978fa3269ee1p-1,
    0x1.700a7c5784634p-1,
    0x1.921fb54442d18p-1,
};
constexpr double kAtanLow[kAtanSteps + 1] = {
    0.0,
    -0x1.cd37686760c17p-59,
    0x1.8ab6e3cf7afbdp-57,
    -0x1.c63aae6f6e918p-56,
    0x1.a2b7f222f65e2p-56,
    -0x1.928df287a668fp-58,
    0x1.2419a87f2a458p-56,
    -0x1.8c34d25aadef6p-56,
    0x1.1a62633145c07p-55,
};

// pi, pi/2, pi/4 and 3pi/4 as a double and the part it leaves out.
constexpr double kPiHigh = 0x1.921fb54442d18p+1;
constexpr double kPiLow = 0x1.1a62633145c07p-53;
constexpr double kPiOver2High = 0x1.921fb54442d18p+0;
constexpr double kPiOver2Low = 0x1.1a62633145c07p-54;
constexpr double kThreePiOver4 = 0x1.2d97c7f3321d2p+1;

// ln 2 in two parts: the first has 32 significant bits, so its product with any binary
// exponent is exact; the second is the rest.
constexpr double kLn2Part1 = 0x1.62e42feep-1;
constexpr double kLn2Part2 = 0x1.a39ef35793c76p-33;
constexpr double kOneOverLn2 = 0x1.71547652b82fep+0;
// Beyond these, e^x is infinite or rounds to zero whatever the last bits of x.
constexpr double kExpOverflow = 710.0;
constexpr double kExpUnderflow = -746.0;
// Taylor coefficients 1/n! for e^r - 1 - r from r^2; |r| <= ln 2 / 2 leaves the first
// term left out about 2^-58 of the result.
constexpr double kExp2 = 0x1p-1;
constexpr double kExp3 = 0x1.5555555555555p-3;
constexpr double kExp4 = 0x1.5555555555555p-5;
constexpr double kExp5 = 0x1.1111111111111p-7;
constexpr double kExp6 = 0x1.6c16c16c16c17p-10;
constexpr double kExp7 = 0x1.a01a01a01a01ap-13;
constexpr double kExp8 = 0x1.a01a01a01a01ap-16;
constexpr double kExp9 = 0x1.71de3a556c734p-19;
constexpr double kExp10 = 0x1.27e4fb7789f5cp-22;
constexpr double kExp11 = 0x1.ae64567f544e4p-26;
constexpr double kExp12 = 0x1.1eed8eff8d898p-29;
constexpr double kExp13 = 0x1.6124613a86d09p-33;
// Binary exponents of normal doubles, and the shift that makes a subnormal one normal.
constexpr int kExponentBias = 1023;
constexpr int kMantissaBits = 52;
constexpr int kMinNormalExponent = -1022;
constexpr int kMaxExponent = 1023;
constexpr int kSubnormalShift = 54;
constexpr double kSqrt2 = 0x1.6a09e667f3bcdp+0;
// The logarithm splits the mantissa at the nearest sixteenth c, which leaves
// s = (m - c) / (m + c) below 0.023, and ln(m / c) = 2 atanh(s) = 2s + 2s^3/3 + ...
constexpr int kLogSteps = 16;
constexpr int kLogFirstStep = 11;  // 11/16 is the sixteenth nearest sqrt(1/2)
constexpr int kLogLastStep = 23;   // and 23/16 the one nearest sqrt(2)
// ln(i / 16) for i = 11..23, each as a double and the part it leaves out.
constexpr double kLogStepHigh[kLogLastStep - kLogFirstStep + 1] = {
    -0x1.7fafa3bd8151cp-2, -0x1.269621134db92p-2, -0x1.a93ed3c8ad9e3p-3, -0x1.1178e8227e47cp-3,
    -0x1.08598b59e3a07p-4, 0.0,                   0x1.f0a30c01162a6p-5,  0x1.e27076e2af2e6p-4,
    0x1.5ff3070a793d4p-3,  0x1.c8ff7c79a9a22p-3,  0x1.1675cababa60ep-2,  0x1.4618bc21c5ec2p-2,
    0x1.739d7f6bbd007p-2,
};
constexpr double kLogStepLow[kLogLastStep - kLogFirstStep + 1] = {
    0x1.219024acd3b77p-58,  -0x1.e0efadd9db02bp-56, -0x1.bcafa9de97203p-57, 0x1.0e63a5f01c691p-58,
    0x1.dd7009902bf32p-58,  0.0,                    0x1.85f325c5bbacdp-59,  -0x1.61578001e0162p-60,
    -0x1.bc60efafc6f6ep-58, -0x1.4f689f8434012p-57, 0x1.ce63eab883717p-61,  0x1.f42decdeccf1dp-56,
    -0x1.8c76ceb014b04p-56,
};
// 2 / (2k + 1) for the atanh series from s^3; s^13 is below 2^-69 of the result.
constexpr double kAtanh3 = 0x1.5555555555555p-1;
constexpr double kAtanh5 = 0x1.999999999999ap-2;
constexpr double kAtanh7 = 0x1.2492492492492p-2;
constexpr double kAtanh9 = 0x1.c71c71c71c71cp-3;
constexpr double kAtanh11 = 0x1.745d1745d1746p-3;
// Multiplying by 2^27 + 1 splits a double into two halves whose products are exact.
constexpr double kSplitter = 0x1p27 + 1.0;
// From 2^53 every double is even.
constexpr double kAllEven = 0x1p53;

double Abs(double v) { return std::signbit(v) ? -v : v; }

// An integer-valued double's count of quarter turns, modulo 4.
int QuadrantOf(double n) {
    if (Abs(n) >= kWholeTurnsLimit) return 0;
    return static_cast<int>(static_cast<int64_t>(n) & 3);
}

// The nearest integer to v, for |v| below kRoundingLimit; larger doubles are integers
// to within an ulp, which is all the coarse passes need.
double RoundToInteger(double v) {
    if (Abs(v) >= kRoundingLimit) return v;
    return (v + kRoundingShift) - kRoundingShift;
}

// Angle x reduced to high + low in about [-pi/4, pi/4]; returns the quarter turns taken
// off, modulo 4.
int ReduceQuarterTurns(double x, double& high, double& low) {
    if (Abs(x) <= kPiOver4) {
        high = x;
        low = 0.0;
        return 0;
    }
    // Huge angles: coarse passes until the exact reduction below can take over.
    int quadrant = 0;
    for (int pass = 0; !(Abs(x) < kExactReduceLimit) && pass < kMaxCoarsePasses; ++pass) {
        double n = RoundToInteger(x * kTwoOverPi);
        quadrant += QuadrantOf(n);
        x = ((x - n * kPiOver2Part1) - n * kPiOver2Part2) - n * kPiOver2Part3;
    }
    if (!(Abs(x) < kExactReduceLimit)) x = 0.0;
    double n = RoundToInteger(x * kTwoOverPi);
    quadrant += QuadrantOf(n);
    // n * Part1 and n * Part2 are exact and the first difference cancels exactly; the
    // rounding error of the second is carried into the low part.
    double r = x - n * kPiOver2Part1;
    double w = n * kPiOver2Part2;
    double t = r;
    r = t - w;
    w = n * kPiOver2Part3 - ((t - r) - w);
    high = r - w;
    low = (r - high) - w;
    return quadrant & 3;
}

// sin(x + y) for |x| <= about pi/4 and y below half an ulp of x.
double SinKernel(double x, double y) {
    double z = x * x;
    double p = kSin3 + z * (kSin5 + z * (kSin7 + z * (kSin9 + z * (kSin11 + z * (kSin13 + z * (kSin15 + z * kSin17))))));
    return x + (z * x * p + y * (1.0 - 0.5 * z));
}

// cos(x + y) likewise. 1 - x^2/2 is formed with its rounding error kept.
double CosKernel(double x, double y) {
    double z = x * x;
    double halfZ = 0.5 * z;
    double w = 1.0 - halfZ;
    double p = kCos4 + z * (kCos6 + z * (kCos8 + z * (kCos10 + z * (kCos12 + z * (kCos14 + z * (kCos16 + z * kCos18))))));
    return w + (((1.0 - w) - halfZ) + (z * z * p - x * y));
}

// atan(t) for 0 <= t <= 1: atan(c) for the nearest eighth c, plus atan of what is left,
// (t - c) / (1 + t c), by its series.
double AtanUnit(double t) {
    int i = static_cast<int>(t * kAtanSteps + 0.5);
    double c = i * kAtanStep;
    double u = (t - c) / (1.0 + t * c);
    double z = u * u;
    double p = z * (kAtan3 + z * (kAtan5 + z * (kAtan7 + z * (kAtan9 + z * (kAtan11 + z * (kAtan13 + z * kAtan15))))));
    return kAtanHigh[i] + (kAtanLow[i] + (u + u * p));
}

// A sum or product of two doubles as the rounded result and its exact error.
struct TExact {
    double value;
    double error;
};

TExact ExactSum(double a, double b) {
    double s = a + b;
    double bPart = s - a;
    return {s, (a - (s - bPart)) + (b - bPart)};
}

// The product's error from the halves of both factors (no fused multiply-add).
TExact ExactProduct(double a, double b) {
    double p = a * b;
    double ta = kSplitter * a, tb = kSplitter * b;
    double aHigh = ta - (ta - a), bHigh = tb - (tb - b);
    double aLow = a - aHigh, bLow = b - bHigh;
    return {p, ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow};
}

// 2^k for a normal exponent k.
double PowerOfTwo(int k) {
    uint64_t bits = static_cast<uint64_t>(k + kExponentBias) << kMantissaBits;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// v * 2^k for k from -1076 to 1024, overflowing or going subnormal as the product would.
double Scaled(double v, int k) {
    if (k > kMaxExponent) return v * PowerOfTwo(kMaxExponent) * PowerOfTwo(k - kMaxExponent);
    if (k < kMinNormalExponent) return v * PowerOfTwo(k + kSubnormalShift) * PowerOfTwo(-kSubnormalShift);
    return v * PowerOfTwo(k);
}

// e^(high + low) for kExpUnderflow <= high <= kExpOverflow and low far below an ulp of
// high: e^r for r = high - k ln 2 in [-ln 2 / 2, ln 2 / 2], times 2^k.
double ExpOf(double high, double low) {
    double n = RoundToInteger(high * kOneOverLn2);
    // n * kLn2Part1 is exact and so is the difference; the rest of the reduction is carried.
    TExact r = ExactSum(high - n * kLn2Part1, -n * kLn2Part2);
    double rLow = r.error + low;
    double x = r.value;
    double p = kExp2 + x * (kExp3 + x * (kExp4 + x * (kExp5 + x * (kExp6 + x * (kExp7 + x * (kExp8 + x * (kExp9 + x * (kExp10 + x * (kExp11 + x * (kExp12 + x * kExp13))))))))));
    double q = x + x * x * p;  // e^x - 1
    // e^(x + rLow) = (1 + q)(1 + rLow) to far below an ulp.
    return Scaled(1.0 + (q + rLow * (1.0 + q)), static_cast<int>(n));
}

// ln x as high + low, to about 2^-65 relative, for positive finite x: ln x = e ln 2 + ln c
// + ln(m / c) for x = m 2^e, m in [sqrt(1/2), sqrt(2)), and c the sixteenth nearest m.
TExact LogOf(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int e = static_cast<int>(bits >> kMantissaBits);
    if (e == 0) {
        x *= PowerOfTwo(kSubnormalShift);
        std::memcpy(&bits, &x, sizeof bits);
        e = static_cast<int>(bits >> kMantissaBits) - kSubnormalShift;
    }
    e -= kExponentBias;
    bits = (bits & ((uint64_t(1) << kMantissaBits) - 1)) | (static_cast<uint64_t>(kExponentBias) << kMantissaBits);
    double m;
    std::memcpy(&m, &bits, sizeof m);
    if (m >= kSqrt2) {
        m *= 0.5;
        ++e;
    }
    int i = static_cast<int>(m * kLogSteps + 0.5);
    double c = static_cast<double>(i) / kLogSteps;
    // s = (m - c) / (m + c) as high + low: m - c is exact, m + c carries its error.
    double numerator = m - c;
    TExact denominator = ExactSum(m, c);
    double s = numerator / denominator.value;
    TExact back = ExactProduct(s, denominator.value);
    double sLow = (((numerator - back.value) - back.error) - s * denominator.error) / denominator.value;
    double z = s * s;
    double tail = s * (z * (kAtanh3 + z * (kAtanh5 + z * (kAtanh7 + z * (kAtanh9 + z * kAtanh11)))));
    double ed = static_cast<double>(e);
    // e * kLn2Part1 and 2s are exact; the large parts are added without loss.
    TExact first = ExactSum(ed * kLn2Part1, kLogStepHigh[i - kLogFirstStep]);
    TExact second = ExactSum(first.value, 2.0 * s);
    double low = ((ed * kLn2Part2 + kLogStepLow[i - kLogFirstStep]) + (2.0 * sLow + tail)) + (first.error + second.error);
    double high = second.value + low;
    return {high, low - (high - second.value)};
}

bool IsWhole(double v) { return std::floor(v) == v; }
bool IsOddWhole(double v) { return Abs(v) < kAllEven && IsWhole(v) && !IsWhole(v * 0.5); }

}  // namespace

double TrigSin(double radians) {
    if (Abs(radians) < kTiny) return radians;
    if (radians != radians || Abs(radians) == kInfinity) return kNaN;
    double high, low;
    switch (ReduceQuarterTurns(radians, high, low)) {
        case 0: return SinKernel(high, low);
        case 1: return CosKernel(high, low);
        case 2: return -SinKernel(high, low);
        default: return -CosKernel(high, low);
    }
}

double TrigCos(double radians) {
    if (Abs(radians) < kTiny) return 1.0;
    if (radians != radians || Abs(radians) == kInfinity) return kNaN;
    double high, low;
    switch (ReduceQuarterTurns(radians, high, low)) {
        case 0: return CosKernel(high, low);
        case 1: return -SinKernel(high, low);
        case 2: return -CosKernel(high, low);
        default: return SinKernel(high, low);
    }
}

double TrigAtan2(double y, double x) {
    if (x != x || y != y) return x + y;
    double ax = Abs(x), ay = Abs(y);
    bool left = std::signbit(x);
    double a;
    if (ay == 0.0) {
        a = left ? kPiHigh : 0.0;
    } else if (ax == kInfinity) {
        if (ay == kInfinity) a = left ? kThreePiOver4 : kPiOver4;
        else a = left ? kPiHigh : 0.0;
    } else if (ay == kInfinity || ax == 0.0) {
        a = kPiOver2High;
    } else if (ay <= ax) {
        a = AtanUnit(ay / ax);
        if (left) a = kPiHigh - (a - kPiLow);
    } else {
        // atan(ay / ax) = pi/2 - atan(ax / ay); on the left, pi/2 + atan(ax / ay).
        double rest = AtanUnit(ax / ay);
        a = left ? kPiOver2High + (rest + kPiOver2Low) : kPiOver2High - (rest - kPiOver2Low);
    }
    return std::signbit(y) ? -a : a;
}

double TrigExp(double x) {
    if (x != x) return x;
    if (x > kExpOverflow) return kInfinity;
    if (x < kExpUnderflow) return 0.0;
    return ExpOf(x, 0.0);
}

double TrigLog(double x) {
    if (x != x) return x;
    if (x < 0.0) return kNaN;
    if (x == 0.0) return -kInfinity;
    if (x == kInfinity) return x;
    return LogOf(x).value;
}

double TrigPow(double x, double y) {
    if (y == 0.0 || x == 1.0) return 1.0;
    if (x != x || y != y) return x + y;
    double ax = Abs(x);
    if (Abs(y) == kInfinity) {
        if (ax == 1.0) return 1.0;
        return (ax < 1.0) == (y > 0.0) ? 0.0 : kInfinity;
    }
    bool odd = IsOddWhole(y);
    // Zeros and infinities: the size from the sign of y, the sign from x when y is odd.
    if (ax == 0.0 || ax == kInfinity) {
        double size = (ax == 0.0) == (y < 0.0) ? kInfinity : 0.0;
        return odd && std::signbit(x) ? -size : size;
    }
    if (x < 0.0 && !IsWhole(y)) return kNaN;
    double sign = x < 0.0 && odd ? -1.0 : 1.0;
    TExact log = LogOf(ax);
    // Checked before the exact product, whose splitting could overflow for a huge y.
    double estimate = y * log.value;
    if (estimate > kExpOverflow) return sign * kInfinity;
    if (estimate < kExpUnderflow) return sign * 0.0;
    TExact z = ExactProduct(y, log.value);
    return sign * ExpOf(z.value, z.error + y * log.error);
}

float FloatMod(float x, float y) {
    if (x != x || y != y || y == 0.0f || Abs(x) == kInfinity) return static_cast<float>(kNaN);
    // Exact long division in double, where every float is a normal number: each step
    // takes off a multiple (below 2^25) of y scaled by a power of two, and every product
    // and difference is exact.
    constexpr double kChunk = 0x1p24;
    double r = Abs(x), ay = Abs(y);
    while (r >= ay) {
        double d = ay;
        while (d * kChunk <= r) d *= kChunk;
        double q = static_cast<double>(static_cast<int64_t>(r / d));
        r -= q * d;
        if (r < 0.0) r += d;
    }
    float result = static_cast<float>(r);
    return std::signbit(x) ? -result : result;
}
