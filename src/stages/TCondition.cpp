#include "stages/TCondition.h"

#include "shell/Assets.h"
#include "shell/Camera.h"
#include "stages/Rewards.h"
#include "stages/TLevel.h"
#include "world/TShip.h"

void TCondition::AddCommand(const std::string& command) { commands.push_back(command); }

void TCondition::RunCommands() {
    for (const auto& command : commands) RunRewardCommand(command);
}

uint8_t TCondition::Check() {
    if (!armed || !IsMet()) return 0;
    // The next stage starts first, so its milestones take their baselines before the rewards.
    if (std::shared_ptr<TLevel> next = nextLevel.lock()) TLevel::SetCurrent(next);
    RunCommands();
    if (player) PlaySoundAt(nextStageSound, int(player->x), int(player->y));
    armed = 0;
    return 1;
}

void TCondition::Arm() { armed = 1; }

uint8_t TCondition::IsMet() { return andCondition ? andCondition->IsMet() : 1; }

void TCondition::SetAnd(const std::shared_ptr<TCondition>& condition) { andCondition = condition; }

void TCondition::SetNext(const std::shared_ptr<TLevel>& level) { nextLevel = level; }
