#pragma once
// The particle engine: one list of live particles, the catalogue of particle types, and the
// engine clock. engineClock is also the game clock that the world, the stages and the
// messages read.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/TList.h"

class TParticle;
class TParticleInfo;

extern TList<TParticle>* particles;                               // live particles, oldest first
extern std::vector<std::shared_ptr<TParticleInfo>> particleTypes;  // catalogue; id = index
extern int engineClock;      // MilliClock() at the latest clock step
extern int frameMs;          // length of the latest step, 1..50 ms
extern float frameDivisor;   // 1000 / frameMs; rates per second are divided by it
extern float gravityX, gravityY;     // px/s² added to every particle's velocity
extern float viewLeft, viewTop;      // world position of the screen's top-left corner
extern int viewWidth, viewHeight;    // size of the visible area
extern int drawnCount;               // particles drawn in the current UpdateParticles
extern uint8_t showParticleStats;    // draw the statistics line
extern uint8_t engineReady;          // the engine has been initialised
extern uint8_t particleClockHeld;    // the clock stands still and particles only draw

void SetParticleStats(uint8_t show);
void SetParticleGravity(float gx, float gy);
void SetParticleScreen(int width, int height);
void SetParticleCamera(float x, float y);
// One engine step: clock, update (moving, emitting, and drawing on drawn passes), statistics.
void UpdateParticles();
// A new empty particle list; the engine is ready.
void InitParticleEngine();
// Advances engineClock to now, less the time it was held; the step counts at least 1 ms
// and at most 50 ms. Does nothing while the clock is held.
void StepParticleClock();
// Holds (1) or releases (0) the clock: while held, engineClock stands still and the
// particles are drawn where they are; released, the clock goes on as if no time had passed.
void HoldParticleClock(int hold);
// Number of live particles.
int ParticleCount();
// The engine back to its start-up values (types and particles dropped).
void ResetParticleEngine();
