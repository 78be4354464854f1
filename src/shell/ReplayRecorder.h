#pragma once
// Records every game the player plays, from its start to game over or Escape, and writes it to
// the replays folder when it ends.
#include <memory>

#include "scores/TReplay.h"

// Starts recording the game just started with this seed.
void BeginRecording(uint32_t seed);
// Adds the controls of a step just played (and the world-state hash after every 60th).
void RecordStep(const TControls& controls);
// Ends the recording with the game's result and writes it; nothing while none runs. A game
// longer than a replay may hold stops being recorded at that length and is not written.
void FinishRecording(TReplayEnd end);
// The path of the replay FinishRecording last wrote when it was of a game over with these
// points; "" otherwise (none written, another end, other points). Forgotten once taken.
std::string TakeGameOverReplay(int64_t points);
// A recording is running.
bool Recording();
// The game's result as a replay states it: points, kills, stage and steps so far.
TReplayResult CurrentResult(TReplayEnd end);
// The identity of this build, worked out once (the shell's assets must be loaded).
const std::string& CachedBuildIdentity();
// Drops a running recording (program state reset).
void ResetReplayRecorder();
