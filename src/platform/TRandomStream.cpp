#include "platform/TRandomStream.h"

namespace {
constexpr int32_t kModulus = 2147483647;  // 2^31 - 1
constexpr int32_t kMultiplier = 48271;
constexpr int32_t kQuotient = 44488;      // kModulus / kMultiplier
constexpr int32_t kRemainder = 3399;      // kModulus % kMultiplier
}  // namespace

// Split so that no product leaves 32 bits.
int32_t TRandomStream::Step() {
    int32_t hi = state / kQuotient;
    int32_t lo = state % kQuotient;
    int32_t next = kMultiplier * lo - kRemainder * hi;
    if (next < 0) next += kModulus;
    state = next;
    return next;
}

// 29 high-order bits from the first state and 26 more below them from the second.
double TRandomStream::NextUnit() {
    int32_t s1 = Step();
    int32_t s2 = Step();
    return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

void TRandomStream::Seed(int seed) {
    int32_t s = seed & 0x7FFFFFFF;
    if (s == 0 || s == kModulus) s = kDefaultSeed;
    state = s;
}

int TRandomStream::Int(int a, int b) {
    int64_t lo = a < b ? a : b;
    int64_t hi = a < b ? b : a;
    // The span can exceed the int range (hi - lo + 1 up to 2^32), so it is taken in 64 bits.
    double span = static_cast<double>(hi - lo + 1);
    int64_t offset = static_cast<int64_t>(NextUnit() * span);
    return static_cast<int>(lo + offset);
}

float TRandomStream::Float(float a, float b) {
    double lo = a < b ? a : b;
    double hi = a < b ? b : a;
    return static_cast<float>(lo + NextUnit() * (hi - lo));
}
