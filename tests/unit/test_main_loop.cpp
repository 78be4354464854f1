// The main loop driven headless, pass by pass, on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "harness/HeadlessGame.h"
#include "platform/Files.h"
#include "particles/ParticleEngine.h"
#include "platform/TTimer.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "world/GameClock.h"
#include "world/TShip.h"

TEST(MainLoop, EscapeEndsTheLoopOnTheNextPass) {
    HeadlessGame game;
    ASSERT_EQ(game.started, 1);
    EXPECT_TRUE(game.Pass());
    game.Press(27);
    EXPECT_FALSE(game.Pass());
}

TEST(MainLoop, PointerIsHeldOnTheScreenAtExactlyTheEdges) {
    HeadlessGame game;
    ApplyPointerMoved(700, 100);
    game.Pass();
    EXPECT_EQ(mouseX, 640.0f);  // gfxWidth itself, not gfxWidth - 1
    EXPECT_EQ(PointerX(), 640);
    ApplyPointerMoved(-20, 900);
    game.Pass();
    EXPECT_EQ(mouseX, 0.0f);
    EXPECT_EQ(mouseY, 480.0f);
    EXPECT_EQ(PointerX(), 0);
    EXPECT_EQ(PointerY(), 480);
    ApplyPointerMoved(800, -5);  // both axes out: x is clamped first, y uses the clamped x
    game.Pass();
    EXPECT_EQ(PointerX(), 640);
    EXPECT_EQ(PointerY(), 0);
}

TEST(MainLoop, ALatePassPlaysTheMissedStepsUpToFour) {
    HeadlessGame game;
    game.RunFor(100);
    auto periodsPass = [](int n) {
        for (int i = 0; i < n; ++i) {
            AdvanceFakeClock(17);
            UpdateTickTimers();
        }
    };
    int before = worldUpdates, owed = -lastTick;
    periodsPass(2);
    owed += frameTimer->Periods();
    ASSERT_GE(owed, 2);
    game.Pass();
    EXPECT_EQ(worldUpdates, before + std::min(owed, 4));
    // Ten periods late: four steps, and the rest is not owed (the game slows down).
    before = worldUpdates;
    periodsPass(10);
    game.Pass();
    EXPECT_EQ(worldUpdates, before + 4);
    EXPECT_EQ(lastTick, frameTimer->Periods());
}

TEST(MainLoop, StepsAreFixedAndTheGameClockCountsThem) {
    HeadlessGame game;  // the fake clock starts at 100000 ms, like a machine up for 100 s
    int clockBefore = gameClock, stepsBefore = gameSteps;
    game.RunFor(2000);
    int steps = gameSteps - stepsBefore;
    EXPECT_NEAR(steps, 120, 2);
    EXPECT_EQ(gameClock, int(int64_t(gameSteps) * 1000 / 60));
    EXPECT_GT(gameClock, clockBefore);
    EXPECT_TRUE(tickMs == 16 || tickMs == 17) << tickMs;
    EXPECT_EQ(ticksPerSecond, 60.0f);
}

TEST(MainLoop, PausedNothingAdvancesAndNoStepsAreOwedAfterwards) {
    HeadlessGame game;
    game.RunFor(200);
    game.Press(kKeyReturn);  // pausing is for play
    game.RunFor(200);
    ASSERT_TRUE(PlayerAlive());
    SetPaused(1);
    int clock = gameClock, updates = worldUpdates;
    game.RunFor(3000);
    EXPECT_EQ(gameClock, clock);
    EXPECT_EQ(worldUpdates, updates);
    SetPaused(0);
    AdvanceFakeClock(17);
    UpdateTickTimers();
    game.Pass();
    EXPECT_LE(worldUpdates - updates, 2);
}

TEST(MainLoop, PassesLessThanFifteenMillisecondsApartDrawOnce) {
    HeadlessGame game;
    game.RunFor(100);
    // A late frame: its flip does not wait, so the next pass follows within the same ms.
    AdvanceFakeClock(200);
    game.Pass();
    ASSERT_EQ(drawFrame, 1);
    int swaps = GraphicsCounters().swaps;
    game.Press(27);
    EXPECT_FALSE(game.Pass());  // Escape is honoured on a pass that does not draw
    EXPECT_EQ(drawFrame, 0);
    EXPECT_EQ(GraphicsCounters().swaps, swaps);
}

TEST(MainLoop, DrawnFramesArePacedToSixtyPerSecond) {
    HeadlessGame game;
    game.RunFor(50);
    std::vector<int> gaps;
    int last = -1;
    while (gaps.size() < 120) {
        int swaps = GraphicsCounters().swaps;
        game.Pass();
        if (GraphicsCounters().swaps == swaps) {
            AdvanceFakeClock(1);
            continue;
        }
        int now = MilliClock();
        if (last >= 0) gaps.push_back(now - last);
        last = now;
    }
    // Any sixty frames in a row take exactly one second: 40 of 17 ms and 20 of 16 ms.
    int sum = 0, of16 = 0, of17 = 0;
    for (int i = 60; i < 120; ++i) {
        sum += gaps[size_t(i)];
        of16 += gaps[size_t(i)] == 16;
        of17 += gaps[size_t(i)] == 17;
    }
    EXPECT_EQ(sum, 1000);
    EXPECT_EQ(of17, 40);
    EXPECT_EQ(of16, 20);
}

TEST(MainLoop, GameClockStepsAreBetweenOneAndFiftyMilliseconds) {
    HeadlessGame game;
    game.Pass();
    UpdateParticles();  // catches up with the frame pacing's wait
    int clock = engineClock;
    UpdateParticles();  // same millisecond
    EXPECT_EQ(frameMs, 1);
    EXPECT_EQ(engineClock, clock);
    AdvanceFakeClock(200);  // a stall
    UpdateParticles();
    EXPECT_EQ(frameMs, 50);
    EXPECT_FLOAT_EQ(frameDivisor, 20.0f);
    EXPECT_EQ(engineClock, clock + 200);
}

TEST(MainLoop, StartingAfreshRestoresStartUpState) {
    {
        HeadlessGame game(WindowedOptions(800, 600));
        game.RunFor(300);
        ApplyKeyDown(65);
        EXPECT_GT(lastTick, 0);
    }
    HeadlessGame game;
    EXPECT_EQ(gfxWidth, 640);
    EXPECT_EQ(lastTick, 0);
    EXPECT_EQ(worldUpdates, 0);
    EXPECT_EQ(KeyIsDown(65), 0);
    EXPECT_EQ(KeyWasHit(65), 0);
}

TEST(MainLoop, CreatesItsFoldersAtStartUp) {
    HeadlessGame game;
    EXPECT_EQ(PathKind("screenshots"), 2);
    EXPECT_EQ(PathKind("music"), 2);
}

TEST(MainLoop, UnopenableModeGivesTheNoticeAndNoLoop) {
    testing::internal::CaptureStdout();
    HeadlessGame game("GFX X = 800\r\nGFX Y=600\r\nGFX Full=0\r\n");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(game.started, 0);
    EXPECT_EQ(out, "graphicsmode not possible: 0 x 600, please change graphicsmode in Options.ini file\r\n");
}
