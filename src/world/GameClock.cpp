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
    // Across the clock's wrap too.
    return int(uint32_t(gameClock) - uint32_t(before));
}

int RestartGameClock() {
    int moved = int(0u - uint32_t(gameClock));
    gameClock = 0;
    gameSteps = 0;
    return moved;
}

void ResetGameClock() { RestartGameClock(); }

namespace {
const int stateResetRegistered = RegisterStateReset("game clock", kResetRankWorld + 2, &ResetGameClock);
}  // namespace
