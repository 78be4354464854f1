// On-screen messages as the player sees them, read back from the drawing calls of the real
// loop running headless, and the reward commands stages hand out.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>

#include "harness/CombatArena.h"
#include "platform/DrawRecording.h"
#include "stages/Rewards.h"
#include "stages/TMessage.h"
#include "world/GameClock.h"
#include "shell/Shell.h"

namespace {

// Screen 640 x 480: messages centre on (320, 240). A line at scale 2 is 32 px high.
constexpr float kCentreX = 320.0f, kCentreY = 240.0f, kLineHeight = 32.0f;

// A clock reading ms after another, wrapping like the clock.
int After(int clock, int ms) { return int(uint32_t(clock) + uint32_t(ms)); }

// Passes, each drawn, until the game clock reads at least `at`; returns the recorded text
// calls of `text` in the last: its shadow, then the text itself (none when not drawn).
std::vector<TDrawCall> DrawnAt(HeadlessGame& game, int at, const std::string& text) {
    do {
        // Once there, no step is owed, so the pass draws the same clock again.
        if (int(uint32_t(gameClock) - uint32_t(at)) < 0)
            AdvanceFakeClock(1);
        else
            lastTick = TimerPeriodCount(frameTimer);
        lastDrawTime = MilliClock() - drawInterval;
        StartDrawRecording();
        game.Pass();
        StopDrawRecording();
    } while (int(uint32_t(gameClock) - uint32_t(at)) < 0);
    EXPECT_TRUE(drawFrame);
    std::vector<TDrawCall> found;
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text && call.text == text) found.push_back(call);
    return found;
}

}  // namespace

TEST(Messages, FadeInAndOutOverATenthOfTheirTimeOfTheGameClockAndLiveAcrossItsWrap) {
    HeadlessGame game;
    game.Pass();
    // One second before the game clock wraps.
    gameSteps = int(int64_t(INT_MAX) * 60 / 1000) - 60;
    gameClock = int(int64_t(gameSteps) * 1000 / 60);
    int created = gameClock;
    TMessage::Create("Fading", 5000, 2.0f, 0xFFFFFF);
    struct { int at; float alpha; } const expected[] = {
        {100, 0.2f}, {250, 0.5f}, {500, 1.0f}, {2500, 1.0f}, {4500, 1.0f}, {4750, 0.5f}, {4900, 0.2f}};
    for (const auto& e : expected) {
        std::vector<TDrawCall> calls = DrawnAt(game, After(created, e.at), "Fading");
        ASSERT_EQ(calls.size(), 2u) << e.at;
        // The clock moves in steps of 16 or 17 ms: within one ms of the time asked for.
        EXPECT_NEAR(calls[0].alpha, e.alpha, 0.005f) << e.at;  // shadow alike
        EXPECT_NEAR(calls[1].alpha, e.alpha, 0.005f) << e.at;
    }
    EXPECT_LT(gameClock, 0);  // the clock has wrapped meanwhile
    // Time up: no longer drawn, and gone once an update sees the clock past it.
    EXPECT_TRUE(DrawnAt(game, After(created, 5000), "Fading").empty());
    DrawnAt(game, After(created, 5020), "");
    DrawnAt(game, After(created, 5040), "");
    EXPECT_TRUE(messages->IsEmpty());
}

TEST(Messages, StackAroundTheCentreOldestOnTopEachCentredWithABlackShadowOneScaleStepDownRight) {
    HeadlessGame game;
    game.Pass();
    int created = gameClock;
    TMessage::Create("Older", 5000, 2.0f, 0x123456);
    TMessage::Create("Newer one", 5000, 2.0f, 0x08A600);
    std::vector<TDrawCall> older = DrawnAt(game, After(created, 1000), "Older");
    std::vector<TDrawCall> newer = DrawnAt(game, After(created, 1020), "Newer one");
    ASSERT_EQ(older.size(), 2u);
    ASSERT_EQ(newer.size(), 2u);
    EXPECT_FLOAT_EQ(older[1].y, kCentreY - 1.5f * kLineHeight);
    EXPECT_FLOAT_EQ(newer[1].y, kCentreY - 0.5f * kLineHeight);
    EXPECT_FLOAT_EQ(older[1].x, kCentreX - 5 * 16 / 2.0f);
    EXPECT_FLOAT_EQ(newer[1].x, kCentreX - 9 * 16 / 2.0f);
    EXPECT_EQ(older[1].red * 65536 + older[1].green * 256 + older[1].blue, 0x123456);
    EXPECT_FLOAT_EQ(older[1].scaleX, 2.0f);
    EXPECT_EQ(older[1].blendMode, kBlendAlpha);
    const TDrawCall& shadow = older[0];
    EXPECT_EQ(shadow.red + shadow.green + shadow.blue, 0);
    EXPECT_FLOAT_EQ(shadow.x, older[1].x + 2.0f);
    EXPECT_FLOAT_EQ(shadow.y, older[1].y + 2.0f);
}

TEST(Messages, OneEndingNowStillHoldsItsPlaceButIsNotDrawn) {
    HeadlessGame game;
    game.Pass();
    int created = gameClock;
    TMessage::Create("Short", 1000, 2.0f, 0xFFFFFF);
    TMessage::Create("Long", 5000, 2.0f, 0xFFFFFF);
    // Drawn at its end time: invisible, yet the line below stays where it was.
    EXPECT_TRUE(DrawnAt(game, After(created, 1000), "Short").empty());
    EXPECT_FLOAT_EQ(DrawnAt(game, After(created, 1000), "Long").at(1).y, kCentreY - 1.5f * kLineHeight);
    // Once an update sees the clock past it, it is gone and the line left alone moves up to
    // half its own height plus half the block's above the centre.
    EXPECT_FLOAT_EQ(DrawnAt(game, After(created, 1020), "Long").at(1).y, kCentreY - kLineHeight);
}

TEST(Rewards, CommandsGiveThePlayerRocketsPointsHitPointsDifficultyAndMessages) {
    CombatArena game;
    RunRewardCommand("rocket0,5");  // no player's ship yet: nothing happens
    game.Press(kKeyReturn);
    game.Pass();
    ASSERT_TRUE(PlayerAlive());
    const std::array<int, 3> rockets = player->rockets;
    const float hp = player->hp;

    RunRewardCommand("Rocket1,3");
    EXPECT_EQ(player->rockets[1], rockets[1] + 3);
    RunRewardCommand("hp,2.5");
    EXPECT_FLOAT_EQ(player->hp, hp + 2.0f);
    RunRewardCommand("multiplydifficulty,1.5");
    RunRewardCommand("MultiplyDifficulty,1.5");
    EXPECT_FLOAT_EQ(difficulty, 2.25f);
    RunRewardCommand("points,10");
    EXPECT_FLOAT_EQ(player->points, 22.5f);

    // Unknown keys and missing arguments leave the ship and the game as they were.
    const std::array<int, 3> before = player->rockets;
    for (const char* command : {"", ",", "warp,5", "rocket3,5", "rocket0", "hp", "points", "rocket2,"})
        RunRewardCommand(command);
    EXPECT_EQ(player->rockets, before);
    EXPECT_FLOAT_EQ(player->hp, hp + 2.0f);
    EXPECT_FLOAT_EQ(player->points, 22.5f);
    EXPECT_FLOAT_EQ(difficulty, 2.25f);

    // Stocks stop at 30, 20 and 10.
    for (const char* command : {"rocket0,100", "rocket1,100", "rocket2,100"}) RunRewardCommand(command);
    EXPECT_EQ(player->rockets, (std::array<int, 3>{30, 20, 10}));

    // The message shows the whole rest of the command, commas and all, in green.
    RunRewardCommand("msg,a,b");
    std::vector<TDrawCall> calls = DrawnAt(game, After(gameClock, 1000), "a,b");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].red * 65536 + calls[1].green * 256 + calls[1].blue, 0x08A600);
}
