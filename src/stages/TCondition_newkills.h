#pragma once
// A stage condition met by a number of kills made since it was armed.
#include <memory>

#include "stages/TCondition.h"

// Met once the player's ship has made requiredKills kills since the condition was armed.
// As an AND part (never armed) it counts the ship's kills since it was created.
class TCondition_newkills : public TCondition {
public:
    // Takes the player's kills as the baseline (0 without a player ship).
    void Arm() override;
    // Enough new kills, and the AND part; never without a player ship.
    uint8_t IsMet() override;
    // A condition of required new kills leading to next (null: rewards only).
    static std::shared_ptr<TCondition_newkills> Create(int required, const std::shared_ptr<TLevel>& next);

    // The player's kills when the condition was armed.
    int baseKills = 0;
    // New kills needed.
    int requiredKills = 0;
};
