#include "particles/EffectCatalogue.h"

#include <string>

#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/StateResets.h"

std::shared_ptr<TParticleInfo> flameTrail, plasmaTrail, laserHitYellow, laserHitGreen, laserBlastYellow,
    laserHitPlasma, smokeFastYellow, smokeSlowYellow, smokeDriftYellow, smokeFastPlasma, smokeSlowPlasma,
    sparks, smokePuff, debris, largeDebris, rocketExplosion2, rocketExplosion1, rocketExplosion0,
    shipExplosion, largeShipExplosion;

namespace {

const char* const yellow = "gfx\\GradientYellow.png";
const char* const plasma = "gfx\\GradientPlasma.png";
const char* const green = "gfx\\GradientGreen.png";
const char* const rocketBlast = "sfx\\Explosio-Brak-1074.wav";
const char* const shipBlast = "sfx\\aexplo6.wav";

// One catalogue entry: life, spin and speed ranges (no thrust, never relative).
std::shared_ptr<TParticleInfo> Type(int lifeMin, int lifeMax, float spinMin, float spinMax, float speedMin,
                                    float speedMax) {
    return TParticleInfo::Create(lifeMin, lifeMax, spinMin, spinMax, speedMin, speedMax, 0.0f, 0);
}

// A visible entry: sprite, gradient (may be empty) and blend mode, not aligned to motion.
void Look(const std::shared_ptr<TParticleInfo>& type, const char* sprite, const char* gradient, int blend) {
    type->SetImage(sprite, gradient, uint8_t(blend), 0);
}

void Emission(const std::shared_ptr<TParticleInfo>& type, int angleMode, float spread, float spawnRadius) {
    type->SetEmission(uint8_t(angleMode), 0.0f, spread, spawnRadius);
}

}  // namespace

void CreateEffectCatalogue() {
    if (flameTrail) return;

    flameTrail = Type(700, 1200, 0, 0, 0, 0);
    Look(flameTrail, "gfx\\RSchweif1.png", yellow, kBlendLight);
    Emission(flameTrail, 4, 0, 0);

    plasmaTrail = Type(700, 1200, 0, 0, 0, 0);
    Look(plasmaTrail, "gfx\\RSchweif0.png", plasma, kBlendLight);
    Emission(plasmaTrail, 4, 0, 0);

    laserHitYellow = Type(700, 800, 0, 0, 100, 200);
    Look(laserHitYellow, "gfx\\lexplo1.png", yellow, kBlendLight);
    Emission(laserHitYellow, 0, 0, 0);

    laserHitGreen = Type(700, 800, 0, 0, 100, 200);
    Look(laserHitGreen, "gfx\\lexplo1.png", green, kBlendLight);
    Emission(laserHitGreen, 0, 0, 0);

    laserBlastYellow = Type(700, 800, 0, 0, 100, 200);
    Look(laserBlastYellow, "gfx\\lexplo2.png", yellow, kBlendLight);
    Emission(laserBlastYellow, 0, 0, 0);

    laserHitPlasma = Type(700, 800, 0, 0, 100, 200);
    Look(laserHitPlasma, "gfx\\lexplo2.png", plasma, kBlendLight);
    Emission(laserHitPlasma, 0, 0, 0);

    smokeFastYellow = Type(700, 1200, -50, 50, 200, 200);
    Look(smokeFastYellow, "gfx\\sprite_smoke1.png", yellow, kBlendLight);
    Emission(smokeFastYellow, 4, 0, 2);

    smokeSlowYellow = Type(700, 1200, -50, 50, 50, 100);
    Look(smokeSlowYellow, "gfx\\sprite_smoke1.png", yellow, kBlendLight);
    Emission(smokeSlowYellow, 4, 0, 2);

    smokeDriftYellow = Type(700, 1200, -5, 5, 20, 20);
    Look(smokeDriftYellow, "gfx\\sprite_smoke1.png", yellow, kBlendLight);
    Emission(smokeDriftYellow, 4, 0, 2);

    smokeFastPlasma = Type(700, 1200, -50, 50, 200, 200);
    Look(smokeFastPlasma, "gfx\\sprite_smoke1.png", plasma, kBlendLight);
    Emission(smokeFastPlasma, 4, 0, 2);

    smokeSlowPlasma = Type(700, 1200, -50, 50, 50, 100);
    Look(smokeSlowPlasma, "gfx\\sprite_smoke1.png", plasma, kBlendLight);
    Emission(smokeSlowPlasma, 4, 0, 2);

    sparks = Type(300, 600, -50, 50, 200, 200);
    Look(sparks, "gfx\\funken1.png", yellow, kBlendLight);
    Emission(sparks, 4, 0, 2);

    smokePuff = Type(200, 300, 0, 0, 0, 0);
    Emission(smokePuff, 4, 10, 0);
    smokePuff->AddEmitter(0.0f, 0.5f, 0.1f, smokeFastYellow);
    smokePuff->AddEmitter(0.5f, 1.0f, 0.05f, smokeFastYellow);

    debris = Type(1800, 2500, -150, 150, -200, 200);
    Look(debris, "gfx\\truemmer.png", "", kBlendAlpha);
    Emission(debris, 4, 1, 0);
    debris->AddEmitter(0.9f, 1.0f, 0.01f, smokeDriftYellow);

    largeDebris = Type(6800, 10500, -150, 150, -200, 200);
    Look(largeDebris, "gfx\\truemmer2.png", "", kBlendAlpha);
    Emission(largeDebris, 4, 20, 0);
    largeDebris->AddEmitter(0.99f, 1.0f, 0.1f, smokeFastYellow);
    largeDebris->AddEmitter(0.95f, 1.0f, 0.05f, smokePuff);

    rocketExplosion2 = Type(200, 500, 0, 0, 0, 0);
    Emission(rocketExplosion2, 4, 10, 0);
    rocketExplosion2->AddEmitter(0.0f, 0.5f, 0.2f, smokeFastYellow);
    rocketExplosion2->AddEmitter(0.5f, 1.0f, 0.05f, smokePuff);
    rocketExplosion2->SetSound(rocketBlast);

    rocketExplosion1 = Type(250, 350, 0, 0, 0, 0);
    Emission(rocketExplosion1, 4, 10, 50);
    rocketExplosion1->AddEmitter(0.0f, 0.5f, 0.15f, smokeSlowYellow);
    rocketExplosion1->AddEmitter(0.5f, 1.0f, 0.025f, smokeDriftYellow);
    rocketExplosion1->sound = rocketExplosion2->sound;  // the file is loaded once

    rocketExplosion0 = Type(250, 300, 0, 0, 0, 0);
    Emission(rocketExplosion0, 4, 10, 50);
    rocketExplosion0->AddEmitter(0.0f, 1.0f, 0.2f, smokeSlowPlasma);
    rocketExplosion0->sound = rocketExplosion2->sound;

    shipExplosion = Type(350, 500, 0, 0, 0, 0);
    Emission(shipExplosion, 4, 10, 0);
    shipExplosion->AddEmitter(0.0f, 0.5f, 0.2f, smokeFastYellow);
    shipExplosion->AddEmitter(0.5f, 1.0f, 0.01f, debris);
    shipExplosion->AddEmitter(0.5f, 1.0f, 0.05f, smokePuff);
    shipExplosion->SetSound(shipBlast);

    largeShipExplosion = Type(400, 600, 0, 0, 0, 0);
    Emission(largeShipExplosion, 4, 25, 0);
    largeShipExplosion->AddEmitter(0.0f, 0.8f, 0.4f, smokeFastYellow);
    largeShipExplosion->AddEmitter(0.5f, 1.0f, 0.03f, debris);
    largeShipExplosion->AddEmitter(0.8f, 1.0f, 0.02f, largeDebris);
    largeShipExplosion->AddEmitter(0.5f, 1.0f, 0.08f, smokePuff);
    largeShipExplosion->sound = shipExplosion->sound;

    // The trails hang from a point 5 px from the left on their top row.
    if (flameTrail->image) SetImageAnchor(flameTrail->image, 5.0f, 0.0f);
    if (plasmaTrail->image) SetImageAnchor(plasmaTrail->image, 5.0f, 0.0f);
}

void ResetEffectCatalogue() {
    for (auto* type : {&flameTrail, &plasmaTrail, &laserHitYellow, &laserHitGreen, &laserBlastYellow,
                       &laserHitPlasma, &smokeFastYellow, &smokeSlowYellow, &smokeDriftYellow,
                       &smokeFastPlasma, &smokeSlowPlasma, &sparks, &smokePuff, &debris, &largeDebris,
                       &rocketExplosion2, &rocketExplosion1, &rocketExplosion0, &shipExplosion,
                       &largeShipExplosion}) {
        type->reset();
    }
}

namespace {
const int stateResetRegistered = RegisterStateReset("effect catalogue", kResetRankParticles + 1, &ResetEffectCatalogue);
}  // namespace
