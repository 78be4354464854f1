#pragma once
// One stream of random numbers: Park-Miller "minimal standard" with multiplier 48271. The
// game keeps two: the game's stream, which decides everything that changes a game and is
// seeded at its start, and the cosmetic stream of particles, effects and music.
#include <cstdint>

class TRandomStream {
public:
    // Seed used for 0 and for 2^31 - 1, which the generator cannot hold.
    static constexpr int32_t kDefaultSeed = 4660;

    // The seed is taken modulo 2^31; 0 and 2^31 - 1 become kDefaultSeed.
    void Seed(int seed);
    // lo + trunc(r * (hi - lo + 1)), inclusive of both ends.
    int Int(int a, int b);
    // lo + r * (hi - lo).
    float Float(float a, float b);
    // The generator's raw state, always in 1 .. 2^31 - 2.
    int State() const { return state; }

private:
    // One step of the generator.
    int32_t Step();
    // A value in [0, 1) built from two steps.
    double NextUnit();

    int32_t state = kDefaultSeed;
};
