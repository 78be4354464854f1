#pragma once
// An emitter: while its carrier particle is in a window of its life, it turns elapsed time
// into new particles of one type. One emitter is shared by every carrier of a type, and so
// is its accumulator.
#include <memory>

class TParticle;
class TParticleInfo;

// Emission of one particle type by the carriers of another.
class TEmitterInfo {
public:
    // A new emitter with an empty accumulator.
    static std::shared_ptr<TEmitterInfo> Create(float from, float to, float rate,
                                                const std::shared_ptr<TParticleInfo>& particleType);
    // Runs the emitter for one engine step of the carrier.
    virtual void Update(TParticle& carrier);
    virtual ~TEmitterInfo() = default;

    // Part of the carrier's life (fractions 0..1, from and to) during which it emits.
    float window[2] = {0.0f, 0.0f};
    // Particles per millisecond.
    float rate = 0.0f;
    // The type emitted.
    std::shared_ptr<TParticleInfo> particleType;
    // Emission time in ms not yet turned into particles.
    int accumulator = 0;
};
