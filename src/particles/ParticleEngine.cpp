#include "particles/ParticleEngine.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "Version.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"

namespace {
std::unique_ptr<TList<TParticle>> particleList = std::make_unique<TList<TParticle>>();
}

TList<TParticle>* particles = particleList.get();
std::vector<std::shared_ptr<TParticleInfo>> particleTypes;
int engineClock = 0;
int frameMs = 0;
float frameDivisor = 0.0f;
float gravityX = 0.0f, gravityY = 0.0f;
float viewLeft = 0.0f, viewTop = 0.0f;
int viewWidth = 0, viewHeight = 0;
int drawnCount = 0;
uint8_t showParticleStats = 0;
uint8_t engineReady = 0;
uint8_t particleClockHeld = 0;

namespace {
// Milliseconds the clock has stood still in all, and when the current hold began.
int heldTotalMs = 0;
int heldSince = 0;
}  // namespace

// The shell's flag: whether the current loop pass draws.
extern uint8_t drawFrame;

void SetParticleStats(uint8_t show) { showParticleStats = show; }

void SetParticleGravity(float gx, float gy) {
    gravityX = gx;
    gravityY = gy;
}

void SetParticleScreen(int width, int height) {
    viewWidth = width;
    viewHeight = height;
}

void SetParticleCamera(float x, float y) {
    viewLeft = x;
    viewTop = y;
}

void InitParticleEngine() {
    particleList = std::make_unique<TList<TParticle>>();
    particles = particleList.get();
    // A developer's note, shown only with TAVRIK_DEBUG=1.
    if (showParticleStats) DebugNote(std::string("EmberluxEngine[") + kVersionText + "] ready");
    engineReady = 1;
}

void HoldParticleClock(int hold) {
    if (hold && !particleClockHeld) {
        particleClockHeld = 1;
        heldSince = MilliClock();
    } else if (!hold && particleClockHeld) {
        particleClockHeld = 0;
        heldTotalMs = int(uint32_t(heldTotalMs) + (uint32_t(MilliClock()) - uint32_t(heldSince)));
    }
}

void StepParticleClock() {
    if (particleClockHeld) return;
    // The time held is left out, so the clock goes on from where it stood.
    int now = int(uint32_t(MilliClock()) - uint32_t(heldTotalMs));
    // Difference taken in 32-bit wrap-around arithmetic; a clock that went backwards (or
    // did not move) counts as a 1 ms step, a stall as at most 50 ms.
    int dt = int(uint32_t(now) - uint32_t(engineClock));
    if (dt <= 0) dt = 1;
    if (dt > 50) dt = 50;
    frameDivisor = 1000.0f / float(dt);
    frameMs = dt;
    engineClock = now;
}

void UpdateParticles() {
    if (!engineReady) InitParticleEngine();
    StepParticleClock();
    if (drawFrame) {
        SetDrawRotation(0.0f);
        SetDrawScale(1.0f, 1.0f);
    }
    drawnCount = 0;
    particles->ForEach([](const std::shared_ptr<TParticle>& particle) { particle->Update(); });
    SetDrawRotation(0.0f);
    SetBlendMode(kBlendAlpha);
    SetDrawAlpha(1.0f);
    SetDrawColor(255, 255, 255);
    if (showParticleStats) {
        DrawTextAt("Particle(Drawn/Total): " + std::to_string(drawnCount) + " / " +
                       std::to_string(particles->Count()),
                   10.0f, 10.0f);
    }
}

int ParticleCount() { return particles->Count(); }

void ResetParticleEngine() {
    particleList = std::make_unique<TList<TParticle>>();
    particles = particleList.get();
    particleTypes.clear();
    engineClock = 0;
    frameMs = 0;
    frameDivisor = 0.0f;
    gravityX = gravityY = 0.0f;
    viewLeft = viewTop = 0.0f;
    viewWidth = viewHeight = 0;
    drawnCount = 0;
    showParticleStats = 0;
    engineReady = 0;
    particleClockHeld = 0;
    heldTotalMs = heldSince = 0;
}

namespace {
const int stateResetRegistered = RegisterStateReset("particle engine", kResetRankParticles, &ResetParticleEngine);
}  // namespace
