#include "stages/TLevel.h"

#include <cmath>
#include <cstdint>

#include "particles/ParticleEngine.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "stages/TCondition.h"
#include "stages/TMessage.h"
#include "world/GameClock.h"
#include "world/Roster.h"
#include "world/TShip.h"

std::array<std::shared_ptr<TLevel>, 20> levels;
std::shared_ptr<TLevel> currentLevel;

namespace {
// Amber of the stage name's announcement.
constexpr int kStageNameColour = 0xF4B800;
}  // namespace

std::shared_ptr<TLevel> TLevel::Create(const std::string& name, int enemyLimit) {
    auto level = std::make_shared<TLevel>();
    level->name = name;
    level->enemyLimit = enemyLimit;
    return level;
}

void TLevel::SetCurrent(const std::shared_ptr<TLevel>& level) {
    currentLevel = level;
    if (level) level->Start();
}

int TLevel::GetStartTime() { return currentLevel ? currentLevel->startTime : 0; }

void TLevel::UpdateStage() {
    if (!currentLevel) SetCurrent(levels[0]);
    // Held here: a condition that fires makes another stage current during the check.
    std::shared_ptr<TLevel> level = currentLevel;
    if (level) level->Check();
}

void TLevel::Start() {
    startTime = gameClock;
    DebugNote("stage started: " + name);
    if (!name.empty()) TMessage::Create(name, kMessageDuration, kMessageScale, kStageNameColour);
    // Only the stage's own conditions: an AND part is never armed.
    for (const auto& condition : conditions) condition->Arm();
}

void TLevel::AddEnemy(int kind, int weight) {
    enemyKinds.push_back(kind);
    enemyWeights.push_back(weight);
    totalWeight += weight;
}

void TLevel::AddCondition(const std::shared_ptr<TCondition>& condition) { conditions.push_back(condition); }

void TLevel::Check() {
    int count = 0;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) { count += ship->team == kTeamEnemy; });
    // During a game the enemies alive at once grow with the square root of the player's kills.
    if (count <= enemyLimit &&
        (!player || player->dead || float(count) < std::sqrt(float(player->kills)) + 1.0f)) {
        SpawnEnemy();
    }
    for (const auto& condition : conditions) {
        if (condition->Check()) break;
    }
}

void TLevel::SpawnEnemy() {
    if (totalWeight <= 0) return;
    int r = GameRandomInt(1, totalWeight);
    for (size_t i = 0; i < enemyKinds.size(); ++i) {
        r -= enemyWeights[i];
        if (r <= 0) {
            CreateEnemy(uint8_t(enemyKinds[i]));
            DebugNote("enemy arrives: kind " + std::to_string(enemyKinds[i]));
            return;
        }
    }
}

namespace {
void ResetStages() {
    currentLevel.reset();
    levels.fill(nullptr);
}

const int stateResetRegistered = RegisterStateReset("stages", kResetRankStages, &ResetStages);
}  // namespace
