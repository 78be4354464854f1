#pragma once
// A stage condition met by the time spent in the current stage.
#include <memory>

#include "stages/TCondition.h"

// Met once more than duration ms have passed since the current stage started.
class TCondition_leveltime : public TCondition {
public:
    // Strictly more than duration ms in the current stage, and the AND part.
    uint8_t IsMet() override;
    // A condition of duration ms leading to next (null: rewards only).
    static std::shared_ptr<TCondition_leveltime> Create(int duration, const std::shared_ptr<TLevel>& next);

    // Time in the stage needed, in ms.
    int duration = 0;
};
