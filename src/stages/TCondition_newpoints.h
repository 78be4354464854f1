#pragma once
// A stage condition met by a number of points earned since it was armed.
#include <memory>

#include "stages/TCondition.h"

// Met once the player's ship has earned requiredPoints points since the condition was armed.
class TCondition_newpoints : public TCondition {
public:
    // Takes the player's points, truncated, as the baseline (0 without a player ship).
    void Arm() override;
    // Enough new points, and the AND part; never without a player ship.
    uint8_t IsMet() override;
    // A condition of required new points leading to next (null: rewards only).
    static std::shared_ptr<TCondition_newpoints> Create(int required, const std::shared_ptr<TLevel>& next);

    // The player's whole points when the condition was armed.
    int basePoints = 0;
    // New points needed.
    int requiredPoints = 0;
};
