// The effect catalogue, and effects unfolding in the running game.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "harness/HeadlessGame.h"
#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "particles/TEmitterInfo.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"
#include "platform/Files.h"
#include "platform/Audio.h"
#include "platform/Images.h"
#include "platform/TMixer.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
#include "platform/TSound.h"
#include "shell/Camera.h"
#include "support/TestSounds.h"

namespace {

// Writes small stand-ins for the catalogue's sprites and gradients into gfx/, and its two
// sounds into sfx/.
void WriteEffectImages() {
    MakeDirectory("gfx", 0);
    auto sprite = std::make_shared<TPixmap>(12, 20, 6);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 12; ++x) sprite->SetPixelARGB(x, y, 0xFFC0C0C0u);
    for (const char* name : {"RSchweif1", "RSchweif0", "lexplo1", "lexplo2", "sprite_smoke1", "funken1",
                             "truemmer", "truemmer2"}) {
        ASSERT_EQ(WritePixmapPNG(sprite, std::string("gfx/") + name + ".png", 5), 1);
    }
    auto gradient = std::make_shared<TPixmap>(256, 2, 6);
    for (int x = 0; x < 256; ++x) gradient->SetPixelARGB(x, 0, uint32_t(255 - x) << 24 | 0xFFFF00u);
    for (const char* name : {"GradientYellow", "GradientPlasma", "GradientGreen"}) {
        ASSERT_EQ(WritePixmapPNG(gradient, std::string("gfx/") + name + ".png", 5), 1);
    }
    MakeDirectory("sfx", 0);
    std::ofstream("sfx/Explosio-Brak-1074.wav", std::ios::binary)
        << testsounds::Wav(1, 16, 22050, testsounds::Pcm16(std::vector<int>(100, 1000)));
    std::ofstream("sfx/aexplo6.wav", std::ios::binary)
        << testsounds::Wav(1, 16, 22050, testsounds::Pcm16(std::vector<int>(200, 1000)));
}

// Builds the effect catalogue afresh from the folder's files; returns what it printed.
std::string RebuildCatalogue() {
    testing::internal::CaptureStdout();
    ResetEffectCatalogue();
    particleTypes.clear();
    CreateEffectCatalogue();
    return testing::internal::GetCapturedStdout();
}

int CountOf(const std::shared_ptr<TParticleInfo>& type) {
    int n = 0;
    particles->ForEach([&](const std::shared_ptr<TParticle>& p) { n += p->info == type; });
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

}  // namespace

TEST(EffectCatalogue, TwentyTypesInIdOrderWithEveryValueOfTheTable) {
    HeadlessGame game;
    WriteEffectImages();
    std::string out = RebuildCatalogue();
    EXPECT_EQ(out.find("not found"), std::string::npos) << out;
    ASSERT_EQ(particleTypes.size(), 20u);

    // The entry, life, spin, speed, has a sprite, has a gradient, blend, angleMode, spread, spawnRadius.
    struct Row {
        std::shared_ptr<TParticleInfo>* type;
        int life[2];
        float spin[2], speed[2];
        bool sprite, gradient;
        int blend, angleMode;
        float spread, spawnRadius;
    };
    const Row rows[] = {
        {&flameTrail, {700, 1200}, {0, 0}, {0, 0}, true, true, 4, 4, 0, 0},
        {&plasmaTrail, {700, 1200}, {0, 0}, {0, 0}, true, true, 4, 4, 0, 0},
        {&laserHitYellow, {700, 800}, {0, 0}, {100, 200}, true, true, 4, 0, 0, 0},
        {&laserHitGreen, {700, 800}, {0, 0}, {100, 200}, true, true, 4, 0, 0, 0},
        {&laserBlastYellow, {700, 800}, {0, 0}, {100, 200}, true, true, 4, 0, 0, 0},
        {&laserHitPlasma, {700, 800}, {0, 0}, {100, 200}, true, true, 4, 0, 0, 0},
        {&smokeFastYellow, {700, 1200}, {-50, 50}, {200, 200}, true, true, 4, 4, 0, 2},
        {&smokeSlowYellow, {700, 1200}, {-50, 50}, {50, 100}, true, true, 4, 4, 0, 2},
        {&smokeDriftYellow, {700, 1200}, {-5, 5}, {20, 20}, true, true, 4, 4, 0, 2},
        {&smokeFastPlasma, {700, 1200}, {-50, 50}, {200, 200}, true, true, 4, 4, 0, 2},
        {&smokeSlowPlasma, {700, 1200}, {-50, 50}, {50, 100}, true, true, 4, 4, 0, 2},
        {&sparks, {300, 600}, {-50, 50}, {200, 200}, true, true, 4, 4, 0, 2},
        {&smokePuff, {200, 300}, {0, 0}, {0, 0}, false, false, 0, 4, 10, 0},
        {&debris, {1800, 2500}, {-150, 150}, {-200, 200}, true, false, 3, 4, 1, 0},
        {&largeDebris, {6800, 10500}, {-150, 150}, {-200, 200}, true, false, 3, 4, 20, 0},
        {&rocketExplosion2, {200, 500}, {0, 0}, {0, 0}, false, false, 0, 4, 10, 0},
        {&rocketExplosion1, {250, 350}, {0, 0}, {0, 0}, false, false, 0, 4, 10, 50},
        {&rocketExplosion0, {250, 300}, {0, 0}, {0, 0}, false, false, 0, 4, 10, 50},
        {&shipExplosion, {350, 500}, {0, 0}, {0, 0}, false, false, 0, 4, 10, 0},
        {&largeShipExplosion, {400, 600}, {0, 0}, {0, 0}, false, false, 0, 4, 25, 0},
    };
    for (int id = 0; id < 20; ++id) {
        SCOPED_TRACE("id " + std::to_string(id));
        const Row& row = rows[id];
        const TParticleInfo& t = **row.type;
        EXPECT_EQ(particleTypes[size_t(id)], *row.type);
        EXPECT_EQ(t.id, id);
        EXPECT_EQ(t.lifeRange[0], row.life[0]);
        EXPECT_EQ(t.lifeRange[1], row.life[1]);
        EXPECT_EQ(t.spinRange[0], row.spin[0]);
        EXPECT_EQ(t.spinRange[1], row.spin[1]);
        EXPECT_EQ(t.speedRange[0], row.speed[0]);
        EXPECT_EQ(t.speedRange[1], row.speed[1]);
        EXPECT_EQ(t.thrust, 0.0f);
        EXPECT_EQ(t.relative, 0);
        EXPECT_EQ(t.image != nullptr, row.sprite);
        EXPECT_EQ(t.gradient != nullptr, row.gradient);
        EXPECT_EQ(t.blend, row.blend);
        EXPECT_EQ(t.alignToMotion, 0);
        EXPECT_EQ(t.angleMode, row.angleMode);
        EXPECT_EQ(t.fixedAngle, 0.0f);
        EXPECT_EQ(t.spread, row.spread);
        EXPECT_EQ(t.spawnRadius, row.spawnRadius);
        if (t.image && id > 1) {
            EXPECT_FLOAT_EQ(t.image->anchorX, 6.0f);  // centred
            EXPECT_FLOAT_EQ(t.image->anchorY, 10.0f);
        }
    }
    // Trails hang from (5, 0); every sprite's culling radius is half its diagonal.
    EXPECT_FLOAT_EQ(flameTrail->image->anchorX, 5.0f);
    EXPECT_FLOAT_EQ(flameTrail->image->anchorY, 0.0f);
    EXPECT_FLOAT_EQ(plasmaTrail->image->anchorX, 5.0f);
    EXPECT_FLOAT_EQ(plasmaTrail->image->anchorY, 0.0f);
    EXPECT_FLOAT_EQ(sparks->radius, std::sqrt(6.0f * 6.0f + 10.0f * 10.0f));
    EXPECT_EQ(sparks->gradient->width, 256);

    // Emitters as served at run time: the reverse of their addition.
    struct Emit {
        float from, to, rate;
        std::shared_ptr<TParticleInfo>* type;
    };
    auto expectEmitters = [](const std::shared_ptr<TParticleInfo>& carrier, std::vector<Emit> added) {
        SCOPED_TRACE("carrier id " + std::to_string(carrier->id));
        if (added.empty()) {
            EXPECT_EQ(carrier->emitters, nullptr);
            return;
        }
        ASSERT_TRUE(carrier->emitters);
        ASSERT_EQ(carrier->emitters->size(), added.size());
        for (size_t i = 0; i < added.size(); ++i) {
            const Emit& e = added[added.size() - 1 - i];
            const TEmitterInfo& served = *(*carrier->emitters)[i];
            EXPECT_EQ(served.window[0], e.from);
            EXPECT_EQ(served.window[1], e.to);
            EXPECT_EQ(served.rate, e.rate);
            EXPECT_EQ(served.particleType, *e.type);
            EXPECT_EQ(served.accumulator, 0);
        }
    };
    expectEmitters(smokePuff, {{0, 0.5f, 0.1f, &smokeFastYellow}, {0.5f, 1, 0.05f, &smokeFastYellow}});
    expectEmitters(debris, {{0.9f, 1, 0.01f, &smokeDriftYellow}});
    expectEmitters(largeDebris, {{0.99f, 1, 0.1f, &smokeFastYellow}, {0.95f, 1, 0.05f, &smokePuff}});
    expectEmitters(rocketExplosion2, {{0, 0.5f, 0.2f, &smokeFastYellow}, {0.5f, 1, 0.05f, &smokePuff}});
    expectEmitters(rocketExplosion1, {{0, 0.5f, 0.15f, &smokeSlowYellow}, {0.5f, 1, 0.025f, &smokeDriftYellow}});
    expectEmitters(rocketExplosion0, {{0, 1, 0.2f, &smokeSlowPlasma}});
    expectEmitters(shipExplosion,
                   {{0, 0.5f, 0.2f, &smokeFastYellow}, {0.5f, 1, 0.01f, &debris}, {0.5f, 1, 0.05f, &smokePuff}});
    expectEmitters(largeShipExplosion, {{0, 0.8f, 0.4f, &smokeFastYellow},
                                        {0.5f, 1, 0.03f, &debris},
                                        {0.8f, 1, 0.02f, &largeDebris},
                                        {0.5f, 1, 0.08f, &smokePuff}});
    for (int id = 0; id <= 11; ++id) expectEmitters(particleTypes[size_t(id)], {});

    // The rocket explosions sound "Explosio-Brak-1074" (100 frames here), the ship
    // explosions "aexplo6" (200 frames); every other type is silent.
    for (int id = 0; id < 20; ++id) {
        const auto& sound = particleTypes[size_t(id)]->sound;
        if (id < 15) {
            EXPECT_EQ(sound, nullptr) << "id " << id;
        } else {
            ASSERT_TRUE(sound) << "id " << id;
            EXPECT_EQ(sound->sample->length, id < 18 ? 100 : 200) << "id " << id;
        }
    }
}

TEST(EffectCatalogue, MissingFilesAreReportedByName) {
    HeadlessGame game;
    std::string out = RebuildCatalogue();
    EXPECT_NE(out.find("Image not found: gfx\\RSchweif1.png\r\n"), std::string::npos);
    EXPECT_NE(out.find("Image not found: gfx\\truemmer2.png\r\n"), std::string::npos);
    EXPECT_EQ(out.find("Gradient"), std::string::npos);  // no sprite, so no gradient is tried
    EXPECT_EQ(particleTypes.size(), 20u);
    EXPECT_EQ(flameTrail->image, nullptr);
    EXPECT_EQ(shipExplosion->sound, nullptr);  // silently

    // Sprites there, gradients missing: reported, and the types are drawn white.
    WriteEffectImages();
    for (const char* name : {"GradientYellow", "GradientPlasma", "GradientGreen"})
        std::filesystem::remove(std::string("gfx/") + name + ".png");
    out = RebuildCatalogue();
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("Gradient Image not found: ", 0), 0u) << line;
    EXPECT_NE(out.find("Gradient Image not found: gfx\\GradientGreen.png\r\n"), std::string::npos) << out;
    ASSERT_TRUE(laserHitGreen->image);
    EXPECT_EQ(laserHitGreen->gradient, nullptr);
    EXPECT_EQ(laserHitGreen->blend, 4);
}

TEST(Effects, ShipExplosionUnfoldsIntoSmokeAndDebrisThatDieAway) {
    HeadlessGame game;
    game.WithoutStages();  // no enemies, whose engine trails would outlive the explosions
    WriteEffectImages();
    RebuildCatalogue();
    game.Pass();
    ASSERT_TRUE(shipExplosion->Spawn(focusX, focusY, 0, nullptr));
    int mostSmoke = 0, mostDebris = 0, mostPuffs = 0;
    for (int t = 0; t < 1500; t += 16) {
        game.RunFor(16);
        mostSmoke = std::max(mostSmoke, CountOf(smokeFastYellow));
        mostDebris = std::max(mostDebris, CountOf(debris));
        mostPuffs = std::max(mostPuffs, CountOf(smokePuff));
    }
    EXPECT_GT(mostSmoke, 10);
    EXPECT_GT(mostDebris, 0);
    EXPECT_GT(mostPuffs, 0);
    game.RunFor(4000);
    EXPECT_EQ(ParticleCount(), 0);
}

TEST(Effects, AnExplosionBeyondOneScreenIsNeitherCreatedNorHeard) {
    HeadlessGame game;
    WriteEffectImages();
    RebuildCatalogue();
    game.Pass();
    int freeVoices = AudioMixer().FreeSlots();
    EXPECT_EQ(shipExplosion->Spawn(cameraX + 3 * 640 + 1, focusY, 0, nullptr), nullptr);
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices);
    EXPECT_EQ(ParticleCount(), 0);
    ASSERT_TRUE(shipExplosion->Spawn(focusX, focusY, 0, nullptr));
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices - 1);
}

TEST(Effects, SoakOfManyExplosionsEndsEmptyWithFlatMemory) {
    HeadlessGame game;
    game.WithoutStages();  // no enemies, whose engine trails would outlive the explosions
    WriteEffectImages();
    RebuildCatalogue();
    long afterFirst = 0;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 60; ++i) {
            (i % 3 ? shipExplosion : largeShipExplosion)->Spawn(focusX + float(i % 7) * 40, focusY, 0, nullptr);
            game.RunFor(100);
        }
        game.RunFor(12000);
        EXPECT_EQ(ParticleCount(), 0);
        EXPECT_EQ(TParticle::LiveCount(), 0);  // dead particles are freed, not just unlisted
        if (round == 0) afterFirst = ResidentKiB();
    }
#if !defined(__SANITIZE_ADDRESS__)
    // (Under AddressSanitizer freed memory sits in quarantine, so only the count above holds.)
    long growth = ResidentKiB() - afterFirst;
    EXPECT_LT(growth, 4096) << "resident memory grew by " << growth << " KiB";
#else
    (void)afterFirst;
#endif
}
