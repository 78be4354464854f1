// Starting the game afresh: every subsystem's registered reset brings its program-wide
// state back to the start-up values, whatever a game or a test changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/HeadlessGame.h"
#include "particles/ParticleEngine.h"
#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Screenshots.h"
#include "shell/Shell.h"
#include "world/GameClock.h"
#include "world/TUniverse.h"

namespace {

// What a fresh program looks like, as far as the tests can read it.
struct TSnapshot {
    int graphicsWidth, blendMode, fakeClock, randomState, networkTimeout, particleCount, typeCount;
    int worldObjects, universeMade, engineClockValue, gameClockValue, worldUpdateCount;
    int screenshotNumber, shotWanted, logoLoaded, cameraFollows, keyDown, typedChar;
    float rotation, cameraLeft, cameraTop, difficultyValue;
    std::string player;

    static TSnapshot Take() {
        return {GraphicsWidth(),         GetBlendMode(),       FakeClockActive(),
                RandomState(),           NetworkTimeoutMs(),   ParticleCount(),
                int(particleTypes.size()), int(TUniverse::Objects().Count()), universe != nullptr,
                engineClock,             gameClock,        worldUpdates,
                screenshotCounter,       screenshotRequested,  logoImage != nullptr,
                cameraTarget != nullptr, KeyIsDown(kKeyW),     NextTypedChar(),
                GetDrawRotation(),       cameraX,              cameraY,
                difficulty,              playerName};
    }
};

void ExpectSame(const TSnapshot& a, const TSnapshot& b) {
    EXPECT_EQ(a.graphicsWidth, b.graphicsWidth);
    EXPECT_EQ(a.blendMode, b.blendMode);
    EXPECT_EQ(a.fakeClock, b.fakeClock);
    EXPECT_EQ(a.randomState, b.randomState);
    EXPECT_EQ(a.networkTimeout, b.networkTimeout);
    EXPECT_EQ(a.particleCount, b.particleCount);
    EXPECT_EQ(a.typeCount, b.typeCount);
    EXPECT_EQ(a.worldObjects, b.worldObjects);
    EXPECT_EQ(a.universeMade, b.universeMade);
    EXPECT_EQ(a.engineClockValue, b.engineClockValue);
    EXPECT_EQ(a.gameClockValue, b.gameClockValue);
    EXPECT_EQ(a.worldUpdateCount, b.worldUpdateCount);
    EXPECT_EQ(a.screenshotNumber, b.screenshotNumber);
    EXPECT_EQ(a.shotWanted, b.shotWanted);
    EXPECT_EQ(a.logoLoaded, b.logoLoaded);
    EXPECT_EQ(a.cameraFollows, b.cameraFollows);
    EXPECT_EQ(a.keyDown, b.keyDown);
    EXPECT_EQ(a.typedChar, b.typedChar);
    EXPECT_EQ(a.rotation, b.rotation);
    EXPECT_EQ(a.cameraLeft, b.cameraLeft);
    EXPECT_EQ(a.cameraTop, b.cameraTop);
    EXPECT_EQ(a.difficultyValue, b.difficultyValue);
    EXPECT_EQ(a.player, b.player);
}

}  // namespace

TEST(StateResets, APlayedAndTamperedProgramComesBackToItsStartUpValues) {
    ResetProgramState();
    const TSnapshot fresh = TSnapshot::Take();
    {
        HeadlessGame game;
        ASSERT_EQ(game.started, 1);
        game.RunFor(300);
        // Changes no game would make on its own, in every layer.
        SetNetworkTimeoutMs(7);
        SetBlendMode(kBlendLight);
        SetDrawRotation(33.0f);
        SeedRandom(99);
        ApplyKeyDown(kKeyW);
        ApplyTypedChar('q');
        RequestScreenshot();
        screenshotCounter = 41;
        cameraX = 1234.0f;
        difficulty = 2.5f;
        ResetProgramState();
        ExpectSame(TSnapshot::Take(), fresh);
    }
    ExpectSame(TSnapshot::Take(), fresh);
}

TEST(StateResets, EveryLayerRegistersItsOwnResetsBelowTheLayersThatUseThem) {
    std::vector<std::string> names = RegisteredStateResets();
    auto at = [&](const std::string& name) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return int(i);
        return -1;
    };
    // The network timeout, once left off a hand-kept list, is registered by its own file.
    EXPECT_GE(at("network timeout"), 0);
    EXPECT_GE(at("world"), 0);
    // Graphics close before the world and the shell forget what they drew with.
    EXPECT_LT(at("graphics"), at("world"));
    EXPECT_LT(at("world"), at("shell state"));
}
