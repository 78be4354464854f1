#pragma once
// The registry of program-wide state resets. Each subsystem registers the reset of its own
// state in the source file that defines that state, so a test can start the game afresh
// and no new module can leak state between tests by being left off a hand-kept list:
//
//     const int registered = RegisterStateReset("audio", kResetRankPlatform, &ResetAudio);
//
// RunStateResets calls every registered reset, lower ranks first, then in name order.
#include <string>
#include <vector>

// Ranks: the layers below are reset before the layers that use them.
constexpr int kResetRankPlatform = 100;
constexpr int kResetRankParticles = 200;
constexpr int kResetRankWorld = 300;
constexpr int kResetRankStages = 400;
constexpr int kResetRankScores = 500;
constexpr int kResetRankShell = 600;

// Adds a reset; returns its number of registrations so far (a value for a static to hold).
int RegisterStateReset(const char* name, int rank, void (*reset)());
// Calls every registered reset.
void RunStateResets();
// The names of the registered resets, in the order they run.
std::vector<std::string> RegisteredStateResets();
