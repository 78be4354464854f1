// The effect catalogue, and effects unfolding in the running game.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "harness/HeadlessGame.h"
#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "particles/TEmitterInfo.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"
#include "platform/Files.h"
#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"

#include <cmath>
#include "shell/Camera.h"

namespace {

// Writes small stand-ins for the catalogue's sprites and gradients into gfx/.
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

TEST(EffectCatalogue, TwentyTypesInIdOrderWithTheirEmitters) {
    HeadlessGame game;
    WriteEffectImages();
    testing::internal::CaptureStdout();
    ResetEffectCatalogue();
    particleTypes.clear();
    CreateEffectCatalogue();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("Image not found"), std::string::npos) << out;
    ASSERT_EQ(particleTypes.size(), 20u);
    EXPECT_EQ(flameTrail->id, 0);
    EXPECT_EQ(sparks->id, 11);
    EXPECT_EQ(largeShipExplosion->id, 19);
    EXPECT_EQ(TParticleInfo::Get(13), debris);
    EXPECT_EQ(debris->lifeRange[0], 1800);
    EXPECT_EQ(debris->speedRange[0], -200.0f);
    EXPECT_EQ(debris->blend, 3);
    EXPECT_EQ(smokeFastYellow->spawnRadius, 2.0f);
    EXPECT_EQ(largeShipExplosion->spread, 25.0f);
    EXPECT_EQ(rocketExplosion1->spawnRadius, 50.0f);
    EXPECT_EQ(smokePuff->image, nullptr);
    // Emitters run in the reverse of their addition.
    ASSERT_EQ(largeShipExplosion->emitters->size(), 4u);
    EXPECT_EQ((*largeShipExplosion->emitters)[0]->particleType, smokePuff);
    EXPECT_FLOAT_EQ((*largeShipExplosion->emitters)[0]->rate, 0.08f);
    EXPECT_EQ((*largeShipExplosion->emitters)[3]->particleType, smokeFastYellow);
    EXPECT_EQ(shipExplosion->emitters->size(), 3u);
    // Trails hang from (5, 0); the others are centred.
    EXPECT_FLOAT_EQ(flameTrail->image->anchorX, 5.0f);
    EXPECT_FLOAT_EQ(plasmaTrail->image->anchorY, 0.0f);
    EXPECT_FLOAT_EQ(sparks->image->anchorX, 6.0f);
    EXPECT_FLOAT_EQ(sparks->radius, std::sqrt(6.0f * 6.0f + 10.0f * 10.0f));
    ASSERT_TRUE(sparks->gradient);
    EXPECT_EQ(sparks->gradient->width, 256);
}

TEST(EffectCatalogue, MissingFilesAreReportedByName) {
    HeadlessGame game;
    testing::internal::CaptureStdout();
    ResetEffectCatalogue();
    particleTypes.clear();
    CreateEffectCatalogue();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Image not found: gfx\\RSchweif1.png\r\n"), std::string::npos);
    EXPECT_NE(out.find("Image not found: gfx\\truemmer2.png\r\n"), std::string::npos);
    EXPECT_EQ(particleTypes.size(), 20u);
    EXPECT_EQ(flameTrail->image, nullptr);
}

TEST(Effects, ShipExplosionUnfoldsIntoSmokeAndDebrisThatDieAway) {
    HeadlessGame game;
    WriteEffectImages();
    testing::internal::CaptureStdout();
    ResetEffectCatalogue();
    particleTypes.clear();
    CreateEffectCatalogue();
    testing::internal::GetCapturedStdout();
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

TEST(Effects, SoakOfManyExplosionsEndsEmptyWithFlatMemory) {
    HeadlessGame game;
    WriteEffectImages();
    testing::internal::CaptureStdout();
    ResetEffectCatalogue();
    particleTypes.clear();
    CreateEffectCatalogue();
    testing::internal::GetCapturedStdout();
    long afterFirst = 0;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 60; ++i) {
            (i % 3 ? shipExplosion : largeShipExplosion)->Spawn(focusX + float(i % 7) * 40, focusY, 0, nullptr);
            game.RunFor(100);
        }
        game.RunFor(12000);
        EXPECT_EQ(ParticleCount(), 0);
        if (round == 0) afterFirst = ResidentKiB();
    }
    long growth = ResidentKiB() - afterFirst;
    EXPECT_LT(growth, 4096) << "resident memory grew by " << growth << " KiB";
}
