// Replay files and the replays folder as a stored file and the game meet them: what is written
// reads back exactly, a damaged or overlong file is refused with a reason and never read past
// its end, a long game stays small, and the folder keeps the best and latest games.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>
#include <random>
#include <set>

#include "harness/HeadlessGame.h"
#include "platform/Files.h"
#include "platform/StateResets.h"
#include "scores/ReplayFolder.h"
#include "scores/TReplay.h"
#include "support/ReplayParts.h"

namespace {

// A replay of random steps, aim points anywhere a 32-bit value reaches.
TReplay RandomReplay(std::mt19937& random, int steps) {
    TReplay replay = replayparts::Headed();
    replay.seed = random();
    auto byte = [&] { return uint8_t(random() & 0xFF); };
    const int32_t extremes[] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 0, -1};
    for (int i = 0; i < steps; ++i) {
        TControls step;
        if (random() % 2) step = replay.steps.empty() ? step : replay.steps.back();
        if (random() % 3 == 0) step.thrust = byte();
        if (random() % 3 == 0) step.strafeRight = byte();
        step.reverse = i % 7 == 0 ? byte() : step.reverse;
        step.strafeLeft = i % 11 == 0 ? byte() : step.strafeLeft;
        step.aimX = random() % 4 == 0 ? extremes[random() % 4] : int32_t(random());
        step.aimY += int32_t(random() % 9) - 4;
        step.buttons = uint8_t(i & kControlButtonMask);
        step.selectRocket = uint8_t(random() % 4);
        replay.steps.push_back(step);
    }
    for (int i = 0; i < ReplayCheckpoints(replay.steps.size()); ++i) replay.checkpoints.push_back(uint64_t(random()) << 32 | random());
    replay.result = {int64_t(random()) * 1000, int(random() % 500), int(random() % 10), steps,
                     random() % 2 ? TReplayEnd::Quit : TReplayEnd::GameOver};
    return replay;
}

std::string Refusal(const std::string& bytes) {
    TReplay replay;
    std::string error;
    return TReplay::Decode(bytes, replay, error) ? "" : error;
}

}  // namespace

TEST(ReplayFile, RandomGamesReadBackExactly) {
    std::mt19937 random(20261209);
    for (int steps : {0, 1, 59, 60, 61, 1000, 7321}) {
        TReplay replay = RandomReplay(random, steps);
        TReplay read;
        std::string error;
        ASSERT_TRUE(TReplay::Decode(replay.Encode(), read, error)) << steps << " steps: " << error;
        EXPECT_TRUE(read == replay);
    }
    // Texts are cut to their bound, so the file still reads.
    TReplay longName = replayparts::Headed();
    longName.playerName = std::string(200, 'n');
    TReplay read;
    std::string error;
    ASSERT_TRUE(TReplay::Decode(longName.Encode(), read, error)) << error;
    EXPECT_EQ(read.playerName, std::string(kMaxReplayTextBytes, 'n'));
}

TEST(ReplayFile, EveryTruncationAndEveryFlippedByteIsRefused) {
    std::mt19937 random(7);
    const std::string file = RandomReplay(random, 130).Encode();
    for (size_t length = 0; length < file.size(); ++length)
        EXPECT_NE(Refusal(file.substr(0, length)), "") << "cut to " << length;
    for (size_t at = 0; at < file.size(); ++at)
        for (uint8_t flip : {0x01, 0x80}) {
            std::string altered = file;
            altered[at] = char(altered[at] ^ flip);
            EXPECT_NE(Refusal(altered), "") << "byte " << at << " ^ " << int(flip);
        }
    EXPECT_EQ(Refusal(file + '\0'), "trailing bytes");
    EXPECT_EQ(Refusal("TAVRIKRQ" + file.substr(8)), "not a replay file");
}

// Files whose sizes and checksum are right but whose content breaks a rule.
TEST(ReplayFile, SealedFilesBreakingARuleAreRefused) {
    std::mt19937 random(11);
    const replayparts::Parts good = replayparts::Split(RandomReplay(random, 125).Encode());
    ASSERT_EQ(Refusal(replayparts::Seal(good)), "");
    auto word = [](uint32_t value) {
        std::string bytes;
        replayparts::Put32(bytes, value);
        return bytes;
    };
    // A file of this block whose result claims these steps.
    auto sealed = [&](const std::string& block, uint32_t steps) {
        replayparts::Parts parts = good;
        parts.block = block;
        parts.result.replace(16, 4, word(steps));
        return replayparts::Seal(parts);
    };
    replayparts::Parts badEnd = good;
    badEnd.result.back() = 2;
    const std::pair<const char*, std::string> cases[] = {
        {"more steps than allowed", sealed(word(kMaxReplaySteps + 1) + good.block.substr(4), kMaxReplaySteps + 1)},
        {"a block declared beyond the bound", replayparts::Seal(good, 0xFFFFFFFF)},
        {"a block declared smaller", replayparts::Seal(good, good.block.size() - 1)},
        {"a block declared larger", replayparts::Seal(good, good.block.size() + 1)},
        {"unknown flag bits", sealed(word(1) + "\x80" + word(0), 1)},
        {"unknown buttons", sealed(word(1) + "\x20\x80" + word(0), 1)},
        {"a fourth rocket", sealed(word(1) + "\x40\x04" + word(0), 1)},
        {"a checkpoint missing", sealed(word(60) + std::string(60, '\0') + word(0), 60)},
        {"a result of other steps", sealed(good.block, 124)},
        {"an unknown end", replayparts::Seal(badEnd)},
    };
    for (const auto& [what, file] : cases) EXPECT_NE(Refusal(file), "") << what;
}

TEST(ReplayFile, AFifteenMinuteGameStaysUnderHalfAMegabyte) {
    constexpr int kSteps = 15 * 60 * kReplayStepsPerSecond;
    constexpr size_t kBound = 512 * 1024;
    std::mt19937 random(15);
    TReplay replay = replayparts::Headed();
    TControls step;
    step.aimX = 400;
    step.aimY = 300;
    for (int i = 0; i < kSteps; ++i) {
        // The aim point drifts a few pixels a step as the ship and the mouse move.
        step.aimX += int32_t(random() % 7) - 3;
        step.aimY += int32_t(random() % 5) - 2;
        // Buttons and thrust change every second or so, a pad's analog thrust varies.
        if (random() % 60 == 0) step.buttons = uint8_t(random() & (kControlFire | kControlHoldHeading));
        step.buttons &= uint8_t(~(kControlFireRocket | kControlNextRocket));
        if (random() % 90 == 0) step.buttons |= kControlFireRocket;
        if (random() % 60 == 0) step.thrust = uint8_t(random() % 2 ? kControlAmountSteps : 0);
        if (random() % 4 == 0) step.strafeLeft = uint8_t(random() % 40);
        step.selectRocket = random() % 600 == 0 ? uint8_t(1 + random() % 3) : 0;
        replay.steps.push_back(step);
        if ((i + 1) % kReplayStepsPerSecond == 0) replay.checkpoints.push_back(uint64_t(random()) << 32 | random());
    }
    replay.result = {123456, 321, 7, kSteps, TReplayEnd::GameOver};
    const std::string file = replay.Encode();
    std::cout << "[ replay  ] 15 minutes encode to " << file.size() << " bytes\n";
    testing::Test::RecordProperty("replay_bytes_15_minutes", int(file.size()));
    EXPECT_LT(file.size(), kBound);
    TReplay read;
    std::string error;
    ASSERT_TRUE(TReplay::Decode(file, read, error)) << error;
    EXPECT_TRUE(read == replay);
}

namespace {

// A fresh program state in a fresh working folder: the portable layout, replays/ in it.
class ReplayFolderTest : public ::testing::Test {
protected:
    ReplayFolderTest() { RunStateResets(); }
    ~ReplayFolderTest() override { RunStateResets(); }
    TempWorkingFolder folder;
};

TReplay Game(int day, int64_t points) {
    TReplay replay = replayparts::Headed();
    char date[32];
    std::snprintf(date, sizeof date, "2026-%02d-%02d 12:%02d:07", 1 + day / 28, 1 + day % 28, day % 60);
    replay.date = date;
    replay.steps.assign(70, TControls());
    replay.checkpoints.assign(1, uint64_t(day));
    replay.result = {points, 0, 0, 70, TReplayEnd::GameOver};
    return replay;
}

}  // namespace

TEST_F(ReplayFolderTest, KeepsTheBestAndTheLatestAndNothingElseOfItsOwn) {
    ASSERT_EQ(MakeDirectory("replays", 0), 1);
    folder.Write("replays/notes.txt", "mine");
    folder.Write("replays/friend.tvr", "not deleted either");
    constexpr int kGames = 50;
    std::set<std::string> expected;
    for (int day = 0; day < kGames; ++day) {
        // Points in a shuffled order, so the best and the latest overlap only in part.
        const int64_t points = (day * 37) % kGames * 100;
        std::string path = ReplayFolder::Save(Game(day, points));
        if (day == 1) {
            EXPECT_EQ(path, "replays/20260102-120107-000003700.tvr");
        }
        if (points >= (kGames - kReplaysKeptBest) * 100 || day >= kGames - kReplaysKeptLatest)
            expected.insert(path.substr(8));
    }
    // A game whose header dates it before every kept one survives its own save.
    expected.insert(ReplayFolder::Save(Game(0, 7)).substr(8));
    expected.insert("notes.txt");
    expected.insert("friend.tvr");
    std::vector<std::string> names = ListDirectory("replays", 1);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    EXPECT_EQ(ReplayFolder::Best(), "replays/" + *std::find_if(expected.begin(), expected.end(), [](const std::string& n) {
                  return n.find("-000004900.tvr") != std::string::npos;
              }));
}

TEST_F(ReplayFolderTest, BestSkipsDamagedFilesAndIsEmptyWithoutAReadableOne) {
    EXPECT_EQ(ReplayFolder::Best(), "");
    std::string good = ReplayFolder::Save(Game(3, 500));
    ReplayFolder::Save(Game(4, 200));
    std::string damaged = Game(5, 900).Encode();
    damaged[damaged.size() / 2] ^= 0x10;
    folder.Write("replays/20260106-120005-000000900.tvr", damaged);
    EXPECT_EQ(ReplayFolder::Best(), good);
}

TEST_F(ReplayFolderTest, AFolderThatCannotBeMadeSaysSoOnceAndThePlayGoesOn) {
    // A file in the folder's place: no folder can be made there, even by root.
    folder.Write("replays", "in the way");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReplayFolder::Save(Game(1, 100)), "");
    EXPECT_EQ(ReplayFolder::Save(Game(2, 200)), "");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("replays not saved: replays/"), 0u) << err;
    EXPECT_EQ(err.find("not saved", 10), std::string::npos) << err;
    // A new run of the program tells again.
    RunStateResets();
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReplayFolder::Save(Game(1, 100)), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("replays not saved"), std::string::npos);
}
