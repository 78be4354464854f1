#include "particles/ParticleEngine.h"

#include <cstdint>

#include "platform/Input.h"

int engineClock = 0;
int frameMs = 0;
float frameDivisor = 0.0f;

void StepParticleClock() {
    int now = MilliClock();
    // Difference taken in 32-bit wrap-around arithmetic; a clock that went backwards (or
    // did not move) counts as a 1 ms step, a stall as at most 50 ms.
    int dt = int(uint32_t(now) - uint32_t(engineClock));
    if (dt <= 0) dt = 1;
    if (dt > 50) dt = 50;
    frameDivisor = 1000.0f / float(dt);
    frameMs = dt;
    engineClock = now;
}

void UpdateParticles() { StepParticleClock(); }

void ResetParticleEngine() {
    engineClock = 0;
    frameMs = 0;
    frameDivisor = 0.0f;
}
