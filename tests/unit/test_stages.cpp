// Stages as a player meets them: milestones paid once, timed exits to the bonus or the next
// stage, re-armed milestones on a return, the enemy count rule, the title stage, stage clocks
// across the wrap of the uptime clock, and a long game through every stage. Driven through
// the real main loop.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/Input.h"
#include "stages/StageTable.h"
#include "stages/TCondition.h"
#include "stages/TLevel.h"
#include "stages/TMessage.h"

namespace {

// The combat arena with the stage table in place.
class StageArena : public CombatArena {
public:
    explicit StageArena(int startMs = 100000) : CombatArena(startMs) { CreateStageTable(); }
};

// Enemies in the world.
int CountEnemies() {
    int n = 0;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) { n += ship->team == 1; });
    return n;
}

// Starts a game from the title screen; the player's ship is alive in "First Stage".
void StartPlaying(StageArena& game) {
    game.Press(kKeyReturn);
    game.Ticks(1);
    ASSERT_TRUE(PlayerAlive());
    ASSERT_TRUE(currentLevel);
    ASSERT_EQ(currentLevel->name, "First Stage");
}

// Kills one weak enemy with the player's pointer-aimed gun: an "Ant" with 1 hit point is put
// straight above the ship, the pointer above it, and the fire button held until it dies.
void KillOne(StageArena& game) {
    int before = player->kills;
    auto ant = CombatArena::Dummy("Ant", player->x, player->y - 200.0f);
    ant->hp = 1.0f;
    ApplyPointerMoved(320, 240 - 200);  // the camera holds the ship at the screen centre
    ApplyMouseDown(kMouseLeft);
    for (int i = 0; i < 600 && !ant->dead; ++i) {
        player->hp = 100.0f;  // whatever else flies around, the ship survives the test
        game.Ticks(1, 16);
    }
    ApplyMouseUp(kMouseLeft);
    ASSERT_TRUE(ant->dead);
    ASSERT_EQ(player->kills, before + 1);
}

// Plays the first step at or after ms past the current stage's start (stage checks run in
// the step), with the game clock moved on directly up to it.
void AtStageTime(StageArena& game, int ms) {
    CombatArena::JumpGameClockTo(int(uint32_t(currentLevel->startTime) + uint32_t(ms)));
    if (player) player->hp = 100.0f;
    game.Ticks(1);
}

std::array<int, 3> Rockets() { return player->rockets; }

// Live messages with this text and colour.
int Shown(const std::string& text, int colour) {
    int n = 0;
    messages->ForEach([&](const std::shared_ptr<TMessage>& m) { n += m->text == text && m->colour == colour; });
    return n;
}
constexpr int kAmber = 0xF4B800, kGreen = 0x08A600;

}  // namespace

TEST(Stages, FirstStageMilestonesPayOnceAtTheFifthAndTheTenthKill) {
    StageArena game;
    StartPlaying(game);
    EXPECT_EQ(Shown("First Stage", kAmber), 1);
    const std::array<int, 3> start = Rockets();
    for (int i = 0; i < 4; ++i) KillOne(game);
    EXPECT_EQ(Rockets(), start);
    EXPECT_EQ(Shown("Got rewards", kGreen), 0);
    KillOne(game);
    EXPECT_EQ(Rockets(), (std::array<int, 3>{start[0] + 5, start[1] + 3, start[2]}));
    EXPECT_EQ(Shown("Got rewards", kGreen), 1);
    KillOne(game);  // the sixth kill pays nothing
    EXPECT_EQ(Rockets(), (std::array<int, 3>{start[0] + 5, start[1] + 3, start[2]}));
    EXPECT_EQ(Shown("Got rewards", kGreen), 1);
    for (int i = 0; i < 4; ++i) KillOne(game);
    EXPECT_EQ(Rockets(), (std::array<int, 3>{start[0] + 10, start[1] + 6, start[2]}));
    EXPECT_EQ(currentLevel->name, "First Stage");
    // Neither milestone is armed any more; the timed exits still are.
    const auto& conditions = currentLevel->conditions;
    ASSERT_EQ(conditions.size(), 4u);
    EXPECT_FALSE(conditions[0]->armed);
    EXPECT_FALSE(conditions[1]->armed);
    EXPECT_TRUE(conditions[2]->armed);
    EXPECT_TRUE(conditions[3]->armed);
}

TEST(Stages, FifteenKillsBy89SecondsLeadToTheBonusStageTwelveWaitFor90ThenTheSecondStage) {
    {
        StageArena game;
        StartPlaying(game);
        player->kills = 15;  // set directly: fifteen fights would take too long here
        game.Ticks(2);       // the two milestones pay out first, one per step
        const std::array<int, 3> before = Rockets();
        const float points = player->points;
        AtStageTime(game, 89000);
        EXPECT_EQ(currentLevel->name, "First Stage");
        AtStageTime(game, 89100);
        EXPECT_EQ(currentLevel->name, "Bonus Stage 1");
        EXPECT_EQ(Rockets(), (std::array<int, 3>{before[0] + 5, before[1] + 3, before[2] + 1}));
        EXPECT_FLOAT_EQ(player->points, points + 5.0f);
    }
    {
        StageArena game;
        StartPlaying(game);
        player->kills = 12;  // set directly, as above
        AtStageTime(game, 89100);
        EXPECT_EQ(currentLevel->name, "First Stage");
        AtStageTime(game, 90000);
        EXPECT_EQ(currentLevel->name, "First Stage");
        const float points = player->points;
        AtStageTime(game, 90001);
        EXPECT_EQ(currentLevel->name, "Second Stage");
        EXPECT_FLOAT_EQ(player->points, points + 5.0f);
        // The new stage's milestones count from here: the twelve kills so far pay nothing.
        for (const auto& condition : currentLevel->conditions) EXPECT_TRUE(condition->armed);
    }
}

TEST(Stages, TheFinalStagePaysItsThreeTenKillMilestonesOnThreeConsecutiveSteps) {
    StageArena game;
    StartPlaying(game);
    TLevel::SetCurrent(levels[5]);
    ASSERT_EQ(currentLevel->name, "Final Stage");
    const int start = Rockets()[1];
    player->kills += 10;  // set directly: ten fights add nothing to what is tested here
    for (int step = 1; step <= 3; ++step) {
        game.Ticks(1);
        EXPECT_EQ(Rockets()[1], start + 5 * step) << "step " << step;
    }
    game.Ticks(1);
    EXPECT_EQ(Rockets()[1], start + 15);
}

TEST(Stages, ABonusStageTimesStrictlyAndItsReturnRestartsTheStageAndRearmsPaidMilestones) {
    StageArena game;
    StartPlaying(game);
    for (int i = 0; i < 5; ++i) KillOne(game);
    ASSERT_FALSE(currentLevel->conditions[0]->armed);

    // The last bonus stage leads back to the first after its 30 seconds, raising the
    // difficulty; its times count strictly ("30 Seconds..." after 1 s).
    TLevel::SetCurrent(levels[10]);
    const auto notice = currentLevel->conditions.front();
    AtStageTime(game, 1000);
    EXPECT_TRUE(notice->armed);
    AtStageTime(game, 1001);
    EXPECT_FALSE(notice->armed);
    AtStageTime(game, 30000);
    EXPECT_EQ(currentLevel->name, "Bonus Stage 5");
    AtStageTime(game, 30001);
    ASSERT_EQ(currentLevel->name, "First Stage");
    EXPECT_FLOAT_EQ(difficulty, 1.5f);
    EXPECT_EQ(currentLevel->startTime, gameClock);
    EXPECT_TRUE(currentLevel->conditions[0]->armed);

    const std::array<int, 3> back = Rockets();
    for (int i = 0; i < 5; ++i) KillOne(game);
    EXPECT_EQ(Rockets()[0], back[0] + 5);
}

TEST(Stages, EnemiesAliveGrowWithTheSquareRootOfTheKillsUpToOneAboveTheLimit) {
    StageArena game;
    StartPlaying(game);
    // Set directly: the rule reads only the count; the stages' own milestones pay meanwhile.
    auto settle = [&](int kills) {
        player->kills = kills;
        for (int i = 0; i < 20; ++i) {
            player->hp = 100.0f;
            game.Ticks(1);
        }
        return CountEnemies();
    };
    EXPECT_EQ(settle(0), 1);
    EXPECT_EQ(settle(1), 2);
    EXPECT_EQ(settle(4), 3);
    EXPECT_EQ(settle(9), 3);  // "First Stage" allows two, plus the one that arrives at the limit
    TLevel::SetCurrent(levels[3]);  // "Third Stage" allows four
    EXPECT_EQ(settle(9), 4);
    EXPECT_EQ(settle(100), 5);
}

TEST(Stages, WithoutALivePlayerTheTitleStageFillsUpOneArrivalPerStepTo31) {
    StageArena game;
    auto fill = [&]() {
        game.Ticks(1);
        int last = CountEnemies();
        for (int i = 0; i < 40; ++i) {
            game.Ticks(1);
            int now = CountEnemies();
            EXPECT_LE(now - last, 3);  // one arrival: a leader may bring two escorts
            last = now;
        }
        return last;
    };
    EXPECT_EQ(fill(), 31);
    EXPECT_EQ(currentLevel, levels[0]);

    // After a game the dead ship does not hold the enemies back either.
    StartPlaying(game);
    player->hp = 0.0f;
    game.Ticks(2, 16);
    ASSERT_FALSE(PlayerAlive());
    EXPECT_EQ(fill(), 31);
    EXPECT_EQ(currentLevel, levels[0]);
}

TEST(Stages, StageTimesHoldAcrossTheWrapOfTheUptimeClock) {
    StageArena game(INT_MAX - 30000);
    StartPlaying(game);
    player->kills = 12;  // set directly: enough for the 90-second exit
    AtStageTime(game, 60000);
    EXPECT_EQ(currentLevel->name, "First Stage");
    // The uptime passes its wrap meanwhile; the stage's time is the game's own.
    AdvanceFakeClock(60000);
    game.Pass();
    EXPECT_LT(MilliClock(), 0);
    AtStageTime(game, 90000);
    EXPECT_EQ(currentLevel->name, "First Stage");
    AtStageTime(game, 90001);
    EXPECT_EQ(currentLevel->name, "Second Stage");
}

TEST(Stages, APlayerWhoGetsBetterPassesEveryStageAndBothFinalStageExitsRaiseTheDifficulty) {
    // One game of up to half an hour, 40 ms a pass. The first cycle is played by a modest
    // player (12 kills in the first stage, then 15 in all), who leaves the Final Stage at
    // 90 s; from then on a kill every second, so every later 89-second exit goes to the bonus
    // stage. Kills are credited directly: the fights themselves are tested elsewhere.
    constexpr int kStepMs = 40, kModestKillMs = 2000, kFastKillMs = 1000, kLimitMs = 30 * 60 * 1000;
    StageArena game;
    game.Pass();  // the title screen: its stages end on its first pass, the unnamed stage
    game.Pass();  // begins on the second
    struct Visit {
        std::string name;
        int seconds, kills;
        float difficulty;
    };
    std::vector<Visit> visits = {{"(title)", 0, 0, difficulty}};
    std::set<const TLevel*> reached = {currentLevel.get()};
    StartPlaying(game);
    int played = 0, sinceKill = 0;
    const TLevel* last = nullptr;
    while (played < kLimitMs) {
        if (currentLevel.get() != last) {
            last = currentLevel.get();
            reached.insert(last);
            visits.push_back({last->name, played / 1000, player->kills, difficulty});
            if (difficulty > 2.0f && last == levels[1].get()) break;
        }
        bool modest = difficulty < 1.25f;
        int cap = !modest ? INT_MAX : last == levels[1].get() ? 12 : 15;
        sinceKill += kStepMs;
        if (player->kills < cap && sinceKill >= (modest ? kModestKillMs : kFastKillMs)) {
            ++player->kills;
            sinceKill = 0;
        }
        // The buddy's rockets credit the player too: the modest player stays modest.
        if (player->kills > cap) player->kills = cap;
        // A pass plays two or three steps: the ship must outlive them all.
        player->hp = 100000.0f;
        game.Pass();
        AdvanceFakeClock(kStepMs);
        played += kStepMs;
    }

    std::printf("Stage sequence (stage, seconds into the game, kills, difficulty):\n");
    std::vector<float> difficulties;
    for (const Visit& v : visits) {
        std::printf("  %-14s %5d s %4d kills  difficulty %.4g\n", v.name.c_str(), v.seconds, v.kills, v.difficulty);
        if (difficulties.empty() || difficulties.back() != v.difficulty) difficulties.push_back(v.difficulty);
    }
    EXPECT_EQ(reached.size(), 11u);
    for (size_t i = 0; i <= 10; ++i) EXPECT_TRUE(reached.count(levels[i].get())) << "never reached stage " << i;
    EXPECT_EQ(difficulties, (std::vector<float>{1.0f, 1.5f, 2.25f}));
    // Both ways out of the Final Stage were taken.
    std::set<std::string> afterFinal;
    for (size_t i = 1; i < visits.size(); ++i)
        if (visits[i - 1].name == "Final Stage") afterFinal.insert(visits[i].name);
    EXPECT_EQ(afterFinal, (std::set<std::string>{"Bonus Stage 1", "Bonus Stage 5"}));
}
