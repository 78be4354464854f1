#pragma once
// The twenty particle types of the game's effects, made once at start-up in id order.
#include <memory>

class TParticleInfo;

extern std::shared_ptr<TParticleInfo> flameTrail, plasmaTrail, laserHitYellow, laserHitGreen,
    laserBlastYellow, laserHitPlasma, smokeFastYellow, smokeSlowYellow, smokeDriftYellow,
    smokeFastPlasma, smokeSlowPlasma, sparks, smokePuff, debris, largeDebris, rocketExplosion2,
    rocketExplosion1, rocketExplosion0, shipExplosion, largeShipExplosion;

// Creates the catalogue (once per run; a second call does nothing).
void CreateEffectCatalogue();
// Forgets the catalogue (with the engine's own reset).
void ResetEffectCatalogue();
