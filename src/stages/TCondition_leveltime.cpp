#include "stages/TCondition_leveltime.h"

#include <cstdint>

#include "world/GameClock.h"
#include "stages/TLevel.h"

uint8_t TCondition_leveltime::IsMet() {
    // The game clock is an uptime that may wrap: compare the wrapped difference.
    int inStage = int(uint32_t(gameClock) - uint32_t(TLevel::GetStartTime()));
    if (inStage <= duration) return 0;
    return TCondition::IsMet();
}

std::shared_ptr<TCondition_leveltime> TCondition_leveltime::Create(int duration, const std::shared_ptr<TLevel>& next) {
    auto condition = std::make_shared<TCondition_leveltime>();
    condition->duration = duration;
    condition->SetNext(next);
    return condition;
}
