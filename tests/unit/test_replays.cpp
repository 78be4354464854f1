// Replays as the game makes and reads them: games played headless through the real loop with
// scripted random input and uneven timing are recorded, then played again from their files in
// a fresh game, which must give the same world every second and the same end.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/Input.h"
#include "scores/ReplayFolder.h"
#include "scores/TReplay.h"
#include "platform/Text.h"
#include "shell/ReplayVerifier.h"
#include "shell/ReplayViewer.h"
#include "shell/TitleScreen.h"
#include "shell/ShellControls.h"
#include "stages/StageTable.h"

namespace {

// The replay files the game wrote into the arena's replays folder.
std::vector<TReplay> ReadReplays(const CombatArena& game) {
    std::vector<TReplay> replays;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(game.folder.path / "replays", ignored)) {
        TReplay replay;
        std::string error;
        EXPECT_TRUE(ReplayFolder::ReadFile(entry.path().string(), replay, error)) << error;
        replays.push_back(replay);
    }
    return replays;
}

// One game from Enter to Escape (or to game over), with held keys, mouse moves and buttons
// changing at random, passes from 1 to 80 ms apart with some far later, a pause and a change
// of the window's size. idle: no input at all, so the ship is shot down.
void PlayRandomGame(CombatArena& game, uint32_t seed, int seconds, bool idle) {
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    game.RunFor(int(random() % 500));  // some title battle first
    game.Press(kKeyReturn);
    game.Pass();
    const int keys[] = {kKeyW, kKeyS, kKeyA, kKeyD, kKeySpace};
    int played = 0;
    bool resized = false;
    while (played < seconds * 1000 && PlayerAlive()) {
        if (!idle) {
            if (chance(10)) {
                int key = keys[random() % 5];
                if (chance(50)) ApplyKeyDown(key); else ApplyKeyUp(key);
            }
            if (chance(20)) ApplyPointerMoved(int(random() % 640), int(random() % 480));
            if (chance(5)) { if (chance(50)) ApplyMouseDown(kMouseLeft); else ApplyMouseUp(kMouseLeft); }
            if (chance(2)) { ApplyMouseDown(kMouseRight); ApplyMouseUp(kMouseRight); }
            if (chance(1)) game.Press(kKeyN);
            if (chance(1)) game.Press(kKey1 + int(random() % 3));
        }
        if (!resized && played > seconds * 500) {
            gfxWidth = 1024;
            gfxHeight = 600;
            resized = true;
        }
        if (chance(1)) {
            SetPaused(1);
            game.RunFor(300);
            SetPaused(0);
        }
        int gap = chance(3) ? 100 + int(random() % 300) : 1 + int(random() % 80);
        AdvanceFakeClock(gap);
        game.Pass();
        played += gap;
    }
    if (PlayerAlive()) game.Press(kKeyEscape);
    game.Pass();
}

}  // namespace

TEST(Replays, GamesPlayedWithRandomInputAndTimingPlayAgainToTheSameWorldAndEnd) {
    constexpr int kGames = 20;
    std::vector<TReplay> recorded;
    for (int g = 0; g < kGames; ++g) {
        CombatArena game(100000 + g * 7919);
        CreateStageTable();
        // Two games are left idle until the ship is shot down; the others quit with Escape.
        const bool idle = g % 10 == 9;
        PlayRandomGame(game, uint32_t(g), idle ? 240 : 12, idle);
        std::vector<TReplay> replays = ReadReplays(game);
        ASSERT_EQ(replays.size(), 1u) << "game " << g;
        recorded.push_back(replays.front());
    }
    int gameOvers = 0;
    for (int g = 0; g < kGames; ++g) {
        const TReplay& replay = recorded[size_t(g)];
        CombatArena game(5000);
        CreateStageTable();
        TVerifyOutcome outcome = PlayReplay(replay);
        EXPECT_TRUE(outcome.Matches(replay))
            << "game " << g << ": recorded " << OutcomeLine(replay.result) << ", played again "
            << OutcomeLine(outcome.result) << ", first different second " << outcome.firstDifferentSecond;
        EXPECT_EQ(outcome.hashes.size(), size_t(replay.result.steps / 60)) << "game " << g;
        gameOvers += replay.result.end == TReplayEnd::GameOver;
        std::printf("game %2d: %s\n", g, OutcomeLine(replay.result).c_str());
    }
    EXPECT_GE(gameOvers, 1);
}

TEST(Replays, AChangedControlOrPointsAreRefusedWhenPlayedAgain) {
    TReplay replay;
    {
        CombatArena game;
        CreateStageTable();
        PlayRandomGame(game, 77, 8, false);
        std::vector<TReplay> replays = ReadReplays(game);
        ASSERT_EQ(replays.size(), 1u);
        replay = replays.front();
    }
    CombatArena game;
    CreateStageTable();
    ASSERT_TRUE(PlayReplay(replay).Matches(replay));
    TReplay points = replay;
    points.result.points += 1000;
    EXPECT_FALSE(PlayReplay(points).Matches(points));
    // One step fires a rocket it did not fire: the world goes another way from there.
    TReplay control = replay;
    control.steps[control.steps.size() / 4].buttons ^= kControlFireRocket | kControlFire;
    control.steps[control.steps.size() / 4].thrust = 255;
    EXPECT_FALSE(PlayReplay(control).Matches(control));
}

TEST(Replays, WatchingPlaysTheGameAgainAtTheChosenSpeedPausedOrBackToTheTitleAndScoresNothing) {
    TReplay replay;
    {
        CombatArena game;
        CreateStageTable();
        PlayRandomGame(game, 5, 10, false);
        replay = ReadReplays(game).at(0);
    }
    CombatArena game;
    CreateStageTable();
    ASSERT_TRUE(StartWatching(replay));
    auto stepsOver = [&](int periods) {
        int before = gameSteps;
        for (int i = 0; i < periods; ++i) {
            AdvanceFakeClock(17);
            game.Pass();
        }
        return gameSteps - before;
    };
    stepsOver(1);
    EXPECT_NEAR(stepsOver(30), 30, 1);
    game.Press(kKeyRight);
    game.Press(kKeyRight);
    EXPECT_NEAR(stepsOver(30), 120, 4);
    game.Press(kKeySpace);
    EXPECT_EQ(stepsOver(30), 0);
    game.Press(kKeySpace);
    for (int i = 0; i < 6; ++i) game.Press(kKeyLeft);  // down to the slowest, a quarter
    EXPECT_NEAR(stepsOver(40), 10, 2);
    // Played to its end at full speed, the game ends as recorded and the title shows, with no
    // score of the replay's in the table.
    game.Press(kKeyRight);
    game.Press(kKeyRight);
    for (int i = 0; i < 6 && Watching(); ++i) game.Press(kKeyRight);
    for (int i = 0; i < 2000 && Watching(); ++i) stepsOver(1);
    ASSERT_FALSE(Watching());
    EXPECT_EQ(TruncatedInt(player->points), replay.result.points);
    EXPECT_EQ(player->kills, replay.result.kills);
    game.RunFor(100);
    EXPECT_TRUE(titlePanel);
    EXPECT_EQ(game.folder.Read("Highscore.txt").find("Tester"), std::string::npos);

    // Backspace leaves a replay halfway.
    ASSERT_TRUE(StartWatching(replay));
    stepsOver(20);
    game.Press(kKeyBackspace);
    game.Pass();
    EXPECT_FALSE(Watching());
    EXPECT_FALSE(PlayerAlive());
}
