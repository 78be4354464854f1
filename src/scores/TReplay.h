#pragma once
// A recorded game: who played it with which build and seed, the controls of every world step,
// a world-state hash every second, and how the game ended. Encode and Decode turn it into the
// bytes of a replay file and back; Decode trusts nothing it reads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "world/TControls.h"

// The replay file's format version, raised whenever its layout changes.
constexpr int kReplayFormatVersion = 1;
// World steps per second of play.
constexpr int kReplayStepsPerSecond = 60;
// The longest game a replay may hold: two hours of steps.
constexpr int kMaxReplaySteps = 2 * 60 * 60 * kReplayStepsPerSecond;
// Largest replay file that is read.
constexpr int kMaxReplayFileBytes = 8 * 1024 * 1024;
// Longest text field of the header (versions, identity, name, date).
constexpr int kMaxReplayTextBytes = 64;

// The checkpoints a game of this many steps has: one after every kReplayStepsPerSecond-th step.
int ReplayCheckpoints(size_t steps);

// How a recorded game ended.
enum class TReplayEnd : uint8_t { GameOver = 0, Quit = 1 };

// What the game gave at its end.
struct TReplayResult {
    int64_t points = 0;
    int kills = 0;
    int stage = 0;          // index of the stage being played at the end
    int steps = 0;          // world steps played, so the play time is steps / 60 s
    TReplayEnd end = TReplayEnd::GameOver;
    bool operator==(const TReplayResult& other) const = default;
};

class TReplay {
public:
    int formatVersion = kReplayFormatVersion;
    std::string gameVersion;   // e.g. "0.91"
    std::string identity;      // the build identity, as tavrik --identity prints it
    uint32_t seed = 0;         // the game random stream's seed
    std::string playerName;
    std::string date;          // "YYYY-MM-DD HH:MM:SS", local time at the start
    // One record per world step, in order.
    std::vector<TControls> steps;
    // The world-state hash after every kReplayStepsPerSecond-th step (ReplayCheckpoints of them).
    std::vector<uint64_t> checkpoints;
    TReplayResult result;
    bool operator==(const TReplay& other) const = default;

    // The file's bytes: the header in clear, the steps (each stored as its changes from the one
    // before) and checkpoints compressed with zlib, the result, and a CRC-32 of all before it.
    // Text fields are cut to kMaxReplayTextBytes.
    std::string Encode() const;
    // Reads a replay file's bytes. False, with a reason in error, for a file that is truncated,
    // altered, of another format version, or beyond any bound above; out is then unspecified.
    static bool Decode(const std::string& bytes, TReplay& out, std::string& error);
};
