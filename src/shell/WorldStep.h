#pragma once
// One fixed step of the game, the same whether the player plays it, a replay is watched or a
// replay is verified: the game clock, every world object, the stage checks.
#include <cstdint>

#include "world/TControls.h"

// Plays one step of 1/60 s with these controls for the player's ship.
void PlayWorldStep(const TControls& controls);
// A hash of everything that decides how the game goes on: every world object's place and
// motion, the ships' values, the game's random stream, the clock and the current stage. Two
// runs that agree on it every second have played the same game.
uint64_t WorldStateHash();
// Index of the current stage in the stage table; 0 when none is current.
int CurrentStageIndex();
