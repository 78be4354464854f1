// The particle engine: clock, life and death, emitters, launch rules, culling and colour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "particles/ParticleEngine.h"
#include "particles/TEmitterInfo.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TPixmap.h"
#include "shell/Shell.h"

namespace {

// Fresh engine on the fake clock, a 800 x 600 view at the world origin, headless graphics.
class ParticleTest : public testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        ResetShellState();
        ResetParticleEngine();
        SetHeadlessGraphics(1);
        OpenGraphicsMode(800, 600, 0, 60, 0);
        UseFakeClock(50000);
        SetParticleScreen(800, 600);
        SetParticleCamera(0, 0);
        UpdateParticles();  // initialises the engine and its clock
    }
    void TearDown() override {
        ResetParticleEngine();
        ResetGraphics();
        ResetInputAndTiming();
        ResetShellState();
    }
    // One engine step of ms milliseconds.
    void Step(int ms, bool draw = false) {
        AdvanceFakeClock(ms);
        drawFrame = draw ? 1 : 0;
        UpdateParticles();
    }
    // Live particles of one type.
    static int CountOf(const std::shared_ptr<TParticleInfo>& type) {
        int n = 0;
        particles->ForEach([&](const std::shared_ptr<TParticle>& p) { n += p->info == type; });
        return n;
    }
    // A small opaque sprite.
    static std::shared_ptr<TImage> Sprite() {
        auto pixmap = std::make_shared<TPixmap>(8, 8, 6);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) pixmap->SetPixelARGB(x, y, 0xFFFFFFFFu);
        auto image = LoadImageFile(pixmap, -1);
        CentreImageAnchor(image);
        return image;
    }
};

}  // namespace

TEST_F(ParticleTest, ClockStepsAtLeastOneAndAtMostFiftyMilliseconds) {
    Step(0);
    EXPECT_EQ(frameMs, 1);
    EXPECT_FLOAT_EQ(frameDivisor, 1000.0f);
    Step(200);
    EXPECT_EQ(frameMs, 50);
    EXPECT_EQ(engineClock, MilliClock());
    Step(16);
    EXPECT_EQ(frameMs, 16);
}

TEST_F(ParticleTest, ZeroLifeParticlesAreRemovedOnTheirFirstUpdateUndrawn) {
    auto type = TParticleInfo::Create(0, 0, 0, 0, 0, 0, 0, 0);
    type->image = Sprite();
    type->radius = 4;
    ASSERT_TRUE(type->Spawn(100, 100, 0, nullptr));
    EXPECT_EQ(ParticleCount(), 1);
    Step(16, true);
    EXPECT_EQ(ParticleCount(), 0);
    EXPECT_EQ(drawnCount, 0);
}

TEST_F(ParticleTest, AParticleLivesWhileItsAgeDoesNotExceedItsSpan) {
    auto type = TParticleInfo::Create(32, 32, 0, 0, 0, 0, 0, 0);
    type->Spawn(100, 100, 0, nullptr);
    Step(16);
    Step(16);  // age 32 = span: still alive
    EXPECT_EQ(ParticleCount(), 1);
    Step(1);
    EXPECT_EQ(ParticleCount(), 0);
}

TEST_F(ParticleTest, SpritelessTypesCountInTheTotalButAreNeverDrawn) {
    auto visible = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
    visible->image = Sprite();
    visible->radius = 5.6f;
    auto invisible = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
    visible->Spawn(100, 100, 0, nullptr);
    invisible->Spawn(100, 100, 0, nullptr);
    visible->Spawn(-100, 100, 0, nullptr);  // accepted, but culled when drawn
    Step(16, true);
    EXPECT_EQ(ParticleCount(), 3);
    EXPECT_EQ(drawnCount, 1);
    Step(16, false);
    EXPECT_EQ(drawnCount, 0);  // nothing drawn on a pass that does not draw
}

TEST_F(ParticleTest, SpawnBandIsOneScreenAroundTheView) {
    SetParticleCamera(1000, 2000);
    auto type = TParticleInfo::Create(100, 100, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(type->Spawn(1000 + 1600, 2000, 0, nullptr));
    EXPECT_FALSE(type->Spawn(1000 + 1601, 2000, 0, nullptr));
    EXPECT_TRUE(type->Spawn(1000 - 800, 2000 - 600, 0, nullptr));
    EXPECT_FALSE(type->Spawn(1000 - 801, 2000, 0, nullptr));
    EXPECT_FALSE(type->Spawn(1000, 2000 + 1201, 0, nullptr));
    EXPECT_EQ(ParticleCount(), 2);
}

TEST_F(ParticleTest, EmitterTurnsTimeIntoParticlesAtItsRate) {
    auto child = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto carrier = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    carrier->AddEmitter(0.0f, 1.0f, 0.05f, child);
    carrier->Spawn(100, 100, 0, nullptr);
    std::vector<int> perStep;
    int before = 0;
    for (int i = 0; i < 10; ++i) {
        Step(16);
        perStep.push_back(CountOf(child) - before);
        before = CountOf(child);
    }
    EXPECT_EQ(perStep, (std::vector<int>{0, 1, 1, 1, 1, 0, 1, 1, 1, 1}));
}

TEST_F(ParticleTest, CarriersOfOneTypeShareTheEmitterAccumulator) {
    auto child = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto carrier = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    carrier->AddEmitter(0.0f, 1.0f, 0.05f, child);
    carrier->Spawn(100, 100, 0, nullptr);
    carrier->Spawn(200, 100, 0, nullptr);
    // Children appear at their carrier: count them per carrier and step.
    std::vector<int> first, second;
    int firstBefore = 0, secondBefore = 0;
    for (int i = 0; i < 5; ++i) {
        Step(16);
        int atFirst = 0, atSecond = 0;
        particles->ForEach([&](const std::shared_ptr<TParticle>& p) {
            if (p->info != child) return;
            (p->position[0] == 100.0f ? atFirst : atSecond) += 1;
        });
        first.push_back(atFirst - firstBefore);
        second.push_back(atSecond - secondBefore);
        firstBefore = atFirst;
        secondBefore = atSecond;
    }
    // One accumulator fed 16 ms by each carrier in turn (16, 32 -> 12, 28 -> 8, ...): the
    // particle goes to whichever carrier crossed the 20 ms threshold, 1.6 per step in all.
    EXPECT_EQ(first, (std::vector<int>{0, 1, 1, 1, 1}));
    EXPECT_EQ(second, (std::vector<int>{1, 1, 0, 1, 1}));
}

TEST_F(ParticleTest, ChildrenEmittedDuringTheWalkAreUpdatedInItUnlessTheCarrierIsLast) {
    auto child = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto carrier = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    carrier->AddEmitter(0.0f, 1.0f, 1.0f, child);
    auto bystander = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto childAges = [&] {
        std::vector<int> ages;
        particles->ForEach([&](const std::shared_ptr<TParticle>& p) {
            if (p->info == child) ages.push_back(p->life[0]);
        });
        return ages;
    };
    carrier->Spawn(100, 100, 0, nullptr);
    Step(3);  // the carrier is last: its children wait for the next step
    EXPECT_EQ(childAges(), (std::vector<int>{0, 0, 0}));

    particles->ForEach([](const std::shared_ptr<TParticle>& p) { p->Remove(); });
    carrier->Spawn(100, 100, 0, nullptr);
    bystander->Spawn(100, 100, 0, nullptr);
    Step(3);  // the walk goes on past the bystander to the new children
    EXPECT_EQ(childAges(), (std::vector<int>{3, 3, 3}));
}

TEST_F(ParticleTest, SpawnFromPicksTheLaunchAngleByAngleModeAtTheParentsStoredPosition) {
    auto parentType = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
    auto parent = parentType->Spawn(40, 50, 30, nullptr);
    parent->velocity[0] = 3.0f;
    parent->velocity[1] = 4.0f;
    TEmitterInfo emitter;
    auto launched = [&](int angleMode) {
        auto type = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
        type->SetEmission(uint8_t(angleMode), 77.0f, 0, 0);
        auto p = type->SpawnFrom(*parent, emitter);
        EXPECT_FLOAT_EQ(p->position[0], 40.0f);
        EXPECT_FLOAT_EQ(p->position[1], 50.0f);
        return p->rotation;
    };
    EXPECT_FLOAT_EQ(launched(0), 30.0f);
    EXPECT_FLOAT_EQ(launched(1), 210.0f);
    EXPECT_NEAR(launched(2), std::atan2(3.0f, -4.0f) * 180.0f / float(M_PI), 1e-4);  // along the motion
    EXPECT_NEAR(launched(3), std::atan2(3.0f, 4.0f) * 180.0f / float(M_PI), 1e-4);   // mirrored
    EXPECT_FLOAT_EQ(launched(5), 77.0f);
    EXPECT_FLOAT_EQ(launched(9), 0.0f);
    std::map<int, int> seen;
    for (int i = 0; i < 3000; ++i) {
        float a = launched(4);
        EXPECT_EQ(a, std::floor(a));
        ++seen[int(a)];
    }
    EXPECT_EQ(seen.begin()->first, 0);
    EXPECT_EQ(seen.rbegin()->first, 360);  // both ends included
}

TEST_F(ParticleTest, EmittersWorkOnlyInTheirWindowAndRunNewestFirst) {
    auto early = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto late = TParticleInfo::Create(100000, 100000, 0, 0, 0, 0, 0, 0);
    auto carrier = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
    carrier->AddEmitter(0.0f, 0.5f, 1.0f, early);
    carrier->AddEmitter(0.5f, 1.0f, 1.0f, late);
    ASSERT_EQ(carrier->emitters->size(), 2u);
    EXPECT_EQ((*carrier->emitters)[0]->particleType, late);
    carrier->Spawn(100, 100, 0, nullptr);
    for (int i = 0; i < 20; ++i) Step(20);  // 0.02 .. 0.4 of the life
    EXPECT_GT(CountOf(early), 0);
    EXPECT_EQ(CountOf(late), 0);
    for (int i = 0; i < 40; ++i) Step(20);
    EXPECT_GT(CountOf(late), 0);
}

TEST_F(ParticleTest, SpreadZeroLaunchesAlongTheAngleAndTenInWholeDegrees) {
    auto straight = TParticleInfo::Create(1000, 1000, 0, 0, 100, 100, 0, 0);
    for (int i = 0; i < 20; ++i) {
        auto p = straight->Spawn(100, 100, 90, nullptr);
        EXPECT_NEAR(p->velocity[0], 100.0f, 1e-3);
        EXPECT_NEAR(p->velocity[1], 0.0f, 1e-3);
    }
    auto fan = TParticleInfo::Create(1000, 1000, 0, 0, 100, 100, 0, 0);
    fan->SetEmission(4, 0, 10, 0);
    std::map<int, int> offsets;
    for (int i = 0; i < 400; ++i) {
        auto p = fan->Spawn(100, 100, 0, nullptr);
        float degreesOff = std::atan2(p->velocity[0], -p->velocity[1]) * 180.0f / float(M_PI);
        float whole = std::round(degreesOff);
        EXPECT_NEAR(degreesOff, whole, 1e-3);
        ++offsets[int(whole)];
    }
    EXPECT_EQ(offsets.begin()->first, -5);
    EXPECT_EQ(offsets.rbegin()->first, 5);
    EXPECT_EQ(offsets.size(), 11u);
}

TEST_F(ParticleTest, SpawnDrawsItsRandomNumbersInOrder) {
    auto type = TParticleInfo::Create(100, 200, -10, 10, 5, 50, 0, 0);
    type->SetEmission(0, 0, 8, 3);
    SeedRandom(77);
    auto p = type->Spawn(10, 20, 30, nullptr);
    SeedRandom(77);
    float a = RandomFloat(0, 360);
    int life = RandomInt(100, 200);
    float spin = RandomFloat(-10, 10);
    float direction = 30 + (float(RandomInt(0, 8)) - 4.0f);
    float speed = RandomFloat(5, 50);
    EXPECT_FLOAT_EQ(p->position[0], 10 + std::sin(a * float(M_PI) / 180) * 3);
    EXPECT_FLOAT_EQ(p->position[1], 20 - std::cos(a * float(M_PI) / 180) * 3);
    EXPECT_EQ(p->life[1], life);
    EXPECT_FLOAT_EQ(p->spin, spin);
    EXPECT_FLOAT_EQ(p->rotation, 30);
    EXPECT_NEAR(p->velocity[0], std::sin(direction * float(M_PI) / 180) * speed, 1e-4);
}

TEST_F(ParticleTest, MoveIsExplicitEulerPositionBeforeVelocity) {
    SetParticleGravity(0, 100);
    auto type = TParticleInfo::Create(10000, 10000, 0, 0, 100, 100, 0, 0);
    auto p = type->Spawn(0, 0, 90, nullptr);  // 100 px/s to the right
    Step(50);
    EXPECT_NEAR(p->position[0], 5.0f, 1e-4);
    EXPECT_NEAR(p->position[1], 0.0f, 1e-4);  // gravity reaches the velocity after moving
    EXPECT_NEAR(p->velocity[1], 5.0f, 1e-4);
}

TEST_F(ParticleTest, SpinThrustAndAlignmentToMotion) {
    auto spinning = TParticleInfo::Create(10000, 10000, 90, 90, 0, 0, 0, 0);
    auto p = spinning->Spawn(0, 0, 10, nullptr);
    Step(50);
    EXPECT_NEAR(p->rotation, 14.5f, 1e-4);  // 90 degrees/s for 50 ms

    // Thrust pushes along the facing of this step: facing right, 200 px/s² for 50 ms.
    auto rocket = TParticleInfo::Create(10000, 10000, 0, 0, 0, 0, 200, 0);
    auto r = rocket->Spawn(0, 0, 90, nullptr);
    Step(50);
    EXPECT_NEAR(r->velocity[0], 10.0f, 1e-4);
    EXPECT_NEAR(r->velocity[1], 0.0f, 1e-4);
    EXPECT_NEAR(r->position[0], 0.0f, 1e-4);  // the push reaches the position a step later
    Step(50);
    EXPECT_NEAR(r->position[0], 0.5f, 1e-4);

    // Aligned particles face their motion, whatever their spin.
    auto aligned = TParticleInfo::Create(10000, 10000, 500, 500, 100, 100, 0, 0);
    aligned->alignToMotion = 1;
    auto a = aligned->Spawn(0, 0, 180, nullptr);  // launched downwards
    Step(16);
    EXPECT_NEAR(a->rotation, 180.0f, 1e-3);
}

TEST_F(ParticleTest, RelativeParticlesAddTheirParentsPosition) {
    auto parentType = TParticleInfo::Create(10000, 10000, 0, 0, 0, 0, 0, 0);
    auto relative = TParticleInfo::Create(10000, 10000, 0, 0, 0, 0, 0, 1);
    auto absolute = TParticleInfo::Create(10000, 10000, 0, 0, 0, 0, 0, 0);
    auto parent = parentType->Spawn(100, 200, 0, nullptr);
    auto r = relative->Spawn(5, 6, 0, parent);
    auto a = absolute->Spawn(5, 6, 0, parent);
    EXPECT_EQ(r->parent, parent);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_FLOAT_EQ(r->GetPosition(0), 105.0f);
    EXPECT_FLOAT_EQ(r->GetPosition(1), 206.0f);
    EXPECT_FLOAT_EQ(a->GetPosition(0), 5.0f);
}

TEST_F(ParticleTest, CullingUsesTheRadiusAndTheDrawingStateIsRestoredAfterwards) {
    auto type = TParticleInfo::Create(10000, 10000, 0, 0, 0, 0, 0, 0);
    type->image = Sprite();
    type->radius = 10;
    type->blend = 4;
    type->gradient = std::make_shared<TPixmap>(256, 1, 6);
    type->Spawn(-10, 300, 0, nullptr);     // touches the left edge: drawn
    type->Spawn(-10.5f, 300, 0, nullptr);  // just beyond it
    type->Spawn(810, 610, 0, nullptr);     // touches the bottom-right corner
    type->Spawn(400, 611, 0, nullptr);
    Step(16, true);
    EXPECT_EQ(drawnCount, 2);
    EXPECT_EQ(DrawState().blendMode, 3);
    EXPECT_EQ(DrawState().rotation, 0.0f);
    EXPECT_EQ(DrawState().colorGreen, 255);
    EXPECT_EQ(DrawState().alpha, 1.0f);
}

TEST_F(ParticleTest, GradientColumnsFollowTheAgeFraction) {
    EXPECT_EQ(GradientColumn(0.0f), 0);
    EXPECT_EQ(GradientColumn(0.001f), 1);
    EXPECT_EQ(GradientColumn(1.0f), 255);
    EXPECT_EQ(GradientColumn(0.5f), 128);
}

TEST_F(ParticleTest, GradientSetsColourAndAlphaAndANarrowOneIsReadAtItsLastColumn) {
    auto type = TParticleInfo::Create(1000, 1000, 0, 0, 0, 0, 0, 0);
    type->gradient = std::make_shared<TPixmap>(256, 1, 6);
    type->gradient->SetPixelARGB(0, 0, 0x80FF8040u);
    type->gradient->SetPixelARGB(255, 0, 0x00102030u);
    auto p = type->Spawn(0, 0, 0, nullptr);
    p->ApplyGradient(0.0f);
    EXPECT_EQ(DrawState().colorRed, 255);
    EXPECT_EQ(DrawState().colorGreen, 128);
    EXPECT_EQ(DrawState().colorBlue, 64);
    EXPECT_NEAR(DrawState().alpha, 128.0f / 255.0f, 1e-6);
    p->ApplyGradient(1.0f);
    EXPECT_EQ(DrawState().colorRed, 0x10);
    EXPECT_FLOAT_EQ(DrawState().alpha, 0.0f);

    type->gradient = std::make_shared<TPixmap>(16, 1, 6);
    type->gradient->SetPixelARGB(15, 0, 0xFF0000FFu);
    p->ApplyGradient(1.0f);  // column 255 of a 16 px gradient: its last column
    EXPECT_EQ(DrawState().colorBlue, 255);
    EXPECT_EQ(DrawState().colorRed, 0);
    type->gradient = std::make_shared<TPixmap>(0, 0, 6);
    p->ApplyGradient(0.5f);  // no pixels at all: white and opaque
    EXPECT_EQ(DrawState().colorRed, 255);
    EXPECT_FLOAT_EQ(DrawState().alpha, 1.0f);
}

TEST_F(ParticleTest, MissingFilesAreReportedAndLeaveTheTypeInvisible) {
    testing::internal::CaptureStdout();
    auto type = TParticleInfo::Create(100, 100, 0, 0, 0, 0, 0, 0);
    type->image = Sprite();  // loading a missing sprite drops the one the type had
    type->SetImage("gfx\\no-such-sprite.png", "gfx\\GradientYellow.png", 4, 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Image not found: gfx\\no-such-sprite.png\r\n");
    EXPECT_EQ(type->image, nullptr);
    EXPECT_EQ(type->blend, 0);  // unchanged
    type->SetSound("sfx\\no-such.wav");
    EXPECT_EQ(type->sound, nullptr);
}

TEST(ParticleEngineNotes, TheReadyNoteShowsOnlyWithDebugNotesOn) {
    auto readyNote = [](const char* debug) {
        if (debug) setenv("TAVRIK_DEBUG", debug, 1);
        else unsetenv("TAVRIK_DEBUG");
        ResetParticleEngine();
        SetParticleStats(1);
        testing::internal::CaptureStderr();
        InitParticleEngine();
        std::string err = testing::internal::GetCapturedStderr();
        unsetenv("TAVRIK_DEBUG");
        ResetParticleEngine();
        return err;
    };
    EXPECT_EQ(readyNote(nullptr), "");
    EXPECT_EQ(readyNote("0"), "");
    EXPECT_EQ(readyNote("1"), "EmberluxEngine[Tavrik 0.91] ready\n");
}
