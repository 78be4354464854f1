// On-screen messages as the player sees them, read back from the drawing calls of the real
// loop running headless, and the reward commands stages hand out.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

#include "harness/CombatArena.h"
#include "platform/DrawRecording.h"
#include "stages/Rewards.h"
#include "stages/TMessage.h"

namespace {

// Screen 640 x 480: messages centre on (320, 240).
constexpr float kCentreX = 320.0f, kCentreY = 240.0f;
// A line of text at scale 2 is 32 px high and 16 px wide per character.
constexpr float kLineHeight = 32.0f;

// A clock reading ms after another, wrapping like the clock.
int After(int clock, int ms) { return int(uint32_t(clock) + uint32_t(ms)); }

// One drawn pass of the loop with the clock at `at`, its drawing calls recorded.
void DrawnPassAt(HeadlessGame& game, int at) {
    AdvanceFakeClock(int(uint32_t(at) - uint32_t(MilliClock())));
    StartDrawRecording();
    game.Pass();
    StopDrawRecording();
    ASSERT_TRUE(drawFrame);
}

// The recorded text calls of one text: its shadow, then the text itself.
std::vector<TDrawCall> Drawn(const std::string& text) {
    std::vector<TDrawCall> found;
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text && call.text == text) found.push_back(call);
    return found;
}

// The top of a message's text as drawn in the last recorded pass (NaN when not drawn).
float TopOf(const std::string& text) {
    std::vector<TDrawCall> calls = Drawn(text);
    return calls.size() == 2 ? calls[1].y : NAN;
}

}  // namespace

TEST(Messages, FadeInAndOutOverATenthOfTheirTimeEachWithTheShadowAlike) {
    HeadlessGame game;
    game.Pass();
    int created = engineClock;
    TMessage::Create("Fading", 5000, 2.0f, 0xFFFFFF);
    struct { int at; float alpha; } const expected[] = {
        {100, 0.2f}, {250, 0.5f}, {500, 1.0f}, {2500, 1.0f}, {4500, 1.0f}, {4750, 0.5f}, {4900, 0.2f}};
    for (const auto& e : expected) {
        DrawnPassAt(game, After(created, e.at));
        std::vector<TDrawCall> calls = Drawn("Fading");
        ASSERT_EQ(calls.size(), 2u) << e.at;
        EXPECT_NEAR(calls[0].alpha, e.alpha, 1e-5f) << e.at;
        EXPECT_NEAR(calls[1].alpha, e.alpha, 1e-5f) << e.at;
    }
    // Time up: no longer drawn, and gone from the list once an update sees the clock past it.
    DrawnPassAt(game, After(created, 5000));
    EXPECT_TRUE(Drawn("Fading").empty());
    DrawnPassAt(game, After(created, 5020));
    DrawnPassAt(game, After(created, 5040));
    EXPECT_TRUE(messages->IsEmpty());
}

TEST(Messages, StackAroundTheCentreOldestOnTopEachCentredWithABlackShadowOneScaleStepDownRight) {
    HeadlessGame game;
    game.Pass();
    int created = engineClock;
    TMessage::Create("Older", 5000, 2.0f, 0x123456);
    TMessage::Create("Newer one", 5000, 2.0f, 0x08A600);
    DrawnPassAt(game, After(created, 1000));

    std::vector<TDrawCall> older = Drawn("Older"), newer = Drawn("Newer one");
    ASSERT_EQ(older.size(), 2u);
    ASSERT_EQ(newer.size(), 2u);
    EXPECT_FLOAT_EQ(older[1].y, kCentreY - 1.5f * kLineHeight);
    EXPECT_FLOAT_EQ(newer[1].y, kCentreY - 0.5f * kLineHeight);
    EXPECT_FLOAT_EQ(older[1].x, kCentreX - 5 * 16 / 2.0f);
    EXPECT_FLOAT_EQ(newer[1].x, kCentreX - 9 * 16 / 2.0f);
    EXPECT_EQ(older[1].red, 0x12);
    EXPECT_EQ(older[1].green, 0x34);
    EXPECT_EQ(older[1].blue, 0x56);
    for (const std::vector<TDrawCall>* calls : {&older, &newer}) {
        const TDrawCall& shadow = (*calls)[0];
        const TDrawCall& text = (*calls)[1];
        EXPECT_EQ(shadow.red + shadow.green + shadow.blue, 0);
        EXPECT_FLOAT_EQ(shadow.x, text.x + 2.0f);
        EXPECT_FLOAT_EQ(shadow.y, text.y + 2.0f);
        EXPECT_FLOAT_EQ(text.scaleX, 2.0f);
        EXPECT_FLOAT_EQ(text.scaleY, 2.0f);
        EXPECT_EQ(text.blendMode, kBlendAlpha);
        EXPECT_FLOAT_EQ(text.rotation, 0.0f);
    }
    // Whatever is drawn next starts from plain white at scale 1.
    EXPECT_FLOAT_EQ(DrawState().scaleX, 1.0f);
    EXPECT_EQ(DrawState().colorBlue, 255);
}

TEST(Messages, OneEndingNowStillHoldsItsPlaceButIsNotDrawn) {
    HeadlessGame game;
    game.Pass();
    int created = engineClock;
    TMessage::Create("Short", 1000, 2.0f, 0xFFFFFF);
    TMessage::Create("Long", 5000, 2.0f, 0xFFFFFF);

    // Drawn at its end time: invisible, yet the line below stays where it was.
    DrawnPassAt(game, After(created, 1000));
    EXPECT_TRUE(Drawn("Short").empty());
    EXPECT_FLOAT_EQ(TopOf("Long"), kCentreY - 1.5f * kLineHeight);
    // Updated at its end time (the game clock of the pass before): still counted.
    DrawnPassAt(game, After(created, 1020));
    EXPECT_EQ(messages->Count(), 2);
    EXPECT_FLOAT_EQ(messageStackHeight, 2 * kLineHeight);
    EXPECT_FLOAT_EQ(TopOf("Long"), kCentreY - 1.5f * kLineHeight);
    // Past it: gone; the line left alone has its top a line above the centre.
    DrawnPassAt(game, After(created, 1040));
    EXPECT_EQ(messages->Count(), 1);
    EXPECT_FLOAT_EQ(TopOf("Long"), kCentreY - kLineHeight);
}

TEST(Messages, LiveOnAcrossTheWrapOfTheClock) {
    HeadlessGame game(WindowedOptions(640, 480), INT_MAX - 1500);
    game.Pass();
    int created = engineClock;
    TMessage::Create("Across", 5000, 2.0f, 0xFFFFFF);
    for (int at : {1000, 2500, 4000}) {
        DrawnPassAt(game, After(created, at));
        std::vector<TDrawCall> calls = Drawn("Across");
        ASSERT_EQ(calls.size(), 2u) << at;
        EXPECT_FLOAT_EQ(calls[1].alpha, 1.0f) << at;
    }
    EXPECT_LT(engineClock, 0);  // the clock has wrapped
    DrawnPassAt(game, After(created, 4750));
    ASSERT_EQ(Drawn("Across").size(), 2u);
    EXPECT_NEAR(Drawn("Across")[1].alpha, 0.5f, 1e-5f);
    DrawnPassAt(game, After(created, 5020));
    DrawnPassAt(game, After(created, 5040));
    EXPECT_TRUE(messages->IsEmpty());
}

TEST(Rewards, CommandsGiveThePlayerRocketsPointsHitPointsDifficultyAndMessages) {
    CombatArena game;
    // Before any game there is no player's ship: the ship commands do nothing.
    RunRewardCommand("rocket0,5");
    RunRewardCommand("hp,10");
    RunRewardCommand("points,10");

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
    RunRewardCommand("rocket0,100");
    RunRewardCommand("rocket1,100");
    RunRewardCommand("rocket2,100");
    EXPECT_EQ(player->rockets, (std::array<int, 3>{30, 20, 10}));

    // The message takes the whole rest of the command, commas and all, in green.
    int messagesBefore = messages->Count();
    RunRewardCommand("msg,a,b");
    EXPECT_EQ(messages->Count(), messagesBefore + 1);
    DrawnPassAt(game, After(engineClock, 1000));
    std::vector<TDrawCall> calls = Drawn("a,b");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].red, 8);
    EXPECT_EQ(calls[1].green, 166);
    EXPECT_EQ(calls[1].blue, 0);
    EXPECT_FLOAT_EQ(calls[1].scaleX, 2.0f);
}
