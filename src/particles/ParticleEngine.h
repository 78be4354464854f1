#pragma once
// The particle engine's clock. engineClock is also the game clock that the world,
// the stages and the messages read.

extern int engineClock;      // MilliClock() at the latest clock step
extern int frameMs;          // length of the latest step, 1..50 ms
extern float frameDivisor;   // 1000 / frameMs; rates per second are divided by it

// Advances engineClock to now; the step counts at least 1 ms and at most 50 ms.
void StepParticleClock();
// One engine step per loop pass: the clock.
void UpdateParticles();
// The engine back to its start-up values.
void ResetParticleEngine();
