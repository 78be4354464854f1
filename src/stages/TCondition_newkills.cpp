#include "stages/TCondition_newkills.h"

#include "world/TShip.h"

void TCondition_newkills::Arm() {
    TCondition::Arm();
    baseKills = player ? player->kills : 0;
}

uint8_t TCondition_newkills::IsMet() {
    if (!player || player->kills - baseKills < requiredKills) return 0;
    return TCondition::IsMet();
}

std::shared_ptr<TCondition_newkills> TCondition_newkills::Create(int required, const std::shared_ptr<TLevel>& next) {
    auto condition = std::make_shared<TCondition_newkills>();
    condition->requiredKills = required;
    condition->nextLevel = next;
    return condition;
}
