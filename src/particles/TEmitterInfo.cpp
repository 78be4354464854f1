#include "particles/TEmitterInfo.h"

#include <cmath>

#include "particles/ParticleEngine.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"

std::shared_ptr<TEmitterInfo> TEmitterInfo::Create(float from, float to, float rate,
                                                   const std::shared_ptr<TParticleInfo>& particleType) {
    auto emitter = std::make_shared<TEmitterInfo>();
    emitter->window[0] = from;
    emitter->window[1] = to;
    emitter->rate = rate;
    emitter->particleType = particleType;
    return emitter;
}

void TEmitterInfo::Update(TParticle& carrier) {
    if (carrier.life[1] <= 0 || !(rate > 0.0f) || !particleType) return;
    float t = float(carrier.life[0]) / float(carrier.life[1]);
    if (!(window[0] <= t && t <= window[1])) return;
    accumulator += frameMs;
    int n = int(std::floor(float(accumulator) * rate));
    accumulator = int(float(accumulator) - float(n) / rate);
    for (int i = 0; i < n; ++i) particleType->SpawnFrom(carrier, *this);
}
