#pragma once
// Stages: which enemies appear, how many at once, and when the game moves on.
#include <array>
#include <memory>
#include <string>
#include <vector>

class TCondition;

// One stage of the game: its enemy mix, its enemy limit and its ordered end conditions.
class TLevel {
public:
    // A new stage with an empty enemy mix and no conditions.
    static std::shared_ptr<TLevel> Create(const std::string& name, int enemyLimit);
    // Makes a stage current (null: none) and starts it.
    static void SetCurrent(const std::shared_ptr<TLevel>& level);
    // startTime of the current stage; 0 when there is none.
    static int GetStartTime();
    // Once per pass: stage 0 when none is current, then the current stage's check.
    static void UpdateStage();
    // Restarts the stage clock, announces the name and arms the stage's own conditions.
    virtual void Start();
    // Appends an enemy kind of the roster with its weight.
    virtual void AddEnemy(int kind, int weight);
    // Appends an end condition.
    virtual void AddCondition(const std::shared_ptr<TCondition>& condition);
    // Spawns at most one enemy, then checks the conditions until the first one fires.
    virtual void Check();
    // Creates one enemy of a kind picked at random by weight.
    virtual void SpawnEnemy();
    virtual ~TLevel() = default;

    // Shown as a message when the stage starts; "" for stage 0.
    std::string name;
    // Enemies are added while at most this many are alive.
    int enemyLimit = 0;
    // Enemy kind numbers of the roster.
    std::vector<int> enemyKinds;
    // Weight of each kind, same length as enemyKinds.
    std::vector<int> enemyWeights;
    // Sum of enemyWeights.
    int totalWeight = 0;
    // The end conditions, in order of addition.
    std::vector<std::shared_ptr<TCondition>> conditions;
    // gameClock when the stage last started.
    int startTime = 0;
};

// The stage table; entries 0..10 are filled at start-up.
extern std::array<std::shared_ptr<TLevel>, 20> levels;
// The stage being played, or null.
extern std::shared_ptr<TLevel> currentLevel;
