#pragma once
// Plays a recorded game again, headless and as fast as the machine can, and compares what it
// gives with what the replay states: the game's own check of a replay, and `tavrik --verify`.
#include <cstdint>
#include <string>
#include <vector>

#include "scores/TReplay.h"

// Exit statuses of `tavrik --verify`.
constexpr int kVerifyMatches = 0;
constexpr int kVerifyDiffers = 1;
constexpr int kVerifyMalformed = 2;
constexpr int kVerifyOtherBuild = 3;

// What playing a replay again gave.
struct TVerifyOutcome {
    TReplayResult result;            // as the replay's game ended here
    std::vector<uint64_t> hashes;    // the world-state hash after every 60th step
    int firstDifferentSecond = -1;   // first checkpoint that differs from the replay's, or -1
    bool endedEarly = false;         // the player's ship died before the last recorded step
    // The replay's steps, checkpoints and result all agree with this run.
    bool Matches(const TReplay& replay) const;
};

// Plays the replay's game from its seed and controls in the running program: the stage table,
// the gun catalogue and the shell's pictures must be loaded. It ends at the last step, or
// earlier when the player's ship dies.
TVerifyOutcome PlayReplay(const TReplay& replay);
// The outcome as `tavrik --verify` prints it:
// "points P kills K stage S time T end game-over|quit".
std::string OutcomeLine(const TReplayResult& result);
// What the headless tools need of the game: its folders, headless graphics, messages, the gun
// catalogue, the shell's pictures and the stage table; no display, sound or settings. False when
// the game's data is not found.
bool LoadHeadlessSimulation();
// `tavrik --verify FILE`: reads the file, loads what the simulation needs (no display, no
// sound, no settings), plays it and prints the line; returns one of the exit statuses above.
int VerifyReplayFile(const std::string& path);
