#include "world/GameClock.h"

#include <cstdint>

#include "platform/StateResets.h"

int gameClock = 0;
int gameSteps = 0;

namespace {
// The clock after n steps, in whole ms.
int ClockAfter(int steps) { return int(int64_t(steps) * 1000 / kStepsPerSecond); }
}  // namespace

int AdvanceGameClock() {
    int before = gameClock;
    ++gameSteps;
    gameClock = ClockAfter(gameSteps);
    return gameClock - before;
}

int RestartGameClock() {
    int moved = -gameClock;
    gameClock = 0;
    gameSteps = 0;
    return moved;
}

void ResetGameClock() { RestartGameClock(); }

namespace {
const int stateResetRegistered = RegisterStateReset("game clock", kResetRankWorld + 2, &ResetGameClock);
}  // namespace
