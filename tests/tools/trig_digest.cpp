// Prints a 64-bit digest of the game's sine, cosine and arc tangent over a million
// arguments, then on a second line the same digest of the C library's functions. Run on
// different CPUs (or with CPU features hidden from the C library) the first line must not
// change; the second shows whether the library's would. The time per sine call of each
// goes to standard error.
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/Trig.h"

namespace {

constexpr int kArguments = 1 << 20;
constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;
// A 64-bit linear congruential generator for the arguments.
constexpr uint64_t kLcgMultiplier = 6364136223846793005ull;
constexpr uint64_t kLcgIncrement = 1442695040888963407ull;

// FNV-1a over the bytes of each result.
struct TDigest {
    uint64_t value = kFnvOffset;
    void Add(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) {
            value ^= (bits >> (8 * i)) & 0xff;
            value *= kFnvPrime;
        }
    }
};

// The i-th argument: angles from fractions of a degree to a million radians, from a fixed
// integer sequence so every machine sees the same ones.
double Argument(int i, uint64_t& state) {
    state = state * kLcgMultiplier + kLcgIncrement;
    double unit = double(state >> 11) * 0x1p-53;  // [0, 1)
    double range = i % 4 == 0 ? 1e6 : i % 4 == 1 ? 100.0 : i % 4 == 2 ? 7.0 : 1e-3;
    return (2.0 * unit - 1.0) * range;
}

template <typename Sin, typename Cos, typename Atan2>
uint64_t DigestOf(Sin sin, Cos cos, Atan2 atan2) {
    TDigest digest;
    uint64_t state = 1;
    for (int i = 0; i < kArguments; ++i) {
        double a = Argument(i, state), b = Argument(i + 1, state);
        digest.Add(sin(a));
        digest.Add(cos(a));
        digest.Add(atan2(a, b));
    }
    return digest.value;
}

// Nanoseconds per call of f over the digest's arguments.
template <typename F>
double NanosecondsPerCall(F f) {
    uint64_t state = 1;
    static double arguments[kArguments];
    for (int i = 0; i < kArguments; ++i) arguments[i] = Argument(i, state);
    double sum = 0.0;
    auto start = std::chrono::steady_clock::now();
    for (double a : arguments) sum += f(a);
    std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    if (sum == 12345.0) std::fprintf(stderr, " ");  // keeps the loop from being dropped
    return took.count() / kArguments;
}

}  // namespace

int main() {
    auto libSin = [](double x) { return std::sin(x); };
    auto libCos = [](double x) { return std::cos(x); };
    auto libAtan2 = [](double y, double x) { return std::atan2(y, x); };
    std::printf("%016" PRIx64 "\n", DigestOf(TrigSin, TrigCos, TrigAtan2));
    std::printf("%016" PRIx64 "\n", DigestOf(libSin, libCos, libAtan2));
    std::fprintf(stderr, "TrigSin %.1f ns per call, std::sin %.1f ns per call\n", NanosecondsPerCall(TrigSin),
                 NanosecondsPerCall(libSin));
    return 0;
}
