#pragma once
// Stages: which enemies appear, how many at once, and when the game moves on.
#include <array>
#include <memory>
#include <string>

// One stage of the game (placeholder until the stages land).
class TLevel {
public:
    // Makes a stage current (null: none) and starts it.
    static void SetCurrent(const std::shared_ptr<TLevel>& level);
    // Once per pass: stage 0 when none is current, then the current stage's check.
    static void UpdateStage();
    virtual ~TLevel() = default;

    // Shown as a message when the stage starts; "" for stage 0.
    std::string name;
};

// The stage table; entries 0..10 are filled at start-up.
extern std::array<std::shared_ptr<TLevel>, 20> levels;
// The stage being played, or null.
extern std::shared_ptr<TLevel> currentLevel;
