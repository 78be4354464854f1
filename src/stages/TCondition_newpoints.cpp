#include "stages/TCondition_newpoints.h"

#include "world/TShip.h"

void TCondition_newpoints::Arm() {
    TCondition::Arm();
    basePoints = player ? int(player->points) : 0;
}

uint8_t TCondition_newpoints::IsMet() {
    if (!player || player->points - float(basePoints) < float(requiredPoints)) return 0;
    return TCondition::IsMet();
}

std::shared_ptr<TCondition_newpoints> TCondition_newpoints::Create(int required, const std::shared_ptr<TLevel>& next) {
    auto condition = std::make_shared<TCondition_newpoints>();
    condition->requiredPoints = required;
    condition->nextLevel = next;
    return condition;
}
