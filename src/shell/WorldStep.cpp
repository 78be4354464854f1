#include "shell/WorldStep.h"

#include <chrono>

#include "platform/Input.h"
#include "platform/THashFeed.h"
#include "shell/Shell.h"
#include "stages/TLevel.h"
#include "world/GameClock.h"
#include "world/TRocket.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

void PlayWorldStep(const TControls& controls) {
    tickMs = AdvanceGameClock();
    ticksPerSecond = float(kStepsPerSecond);
    playerControls = controls;
    ++worldUpdates;
    auto updateStart = std::chrono::steady_clock::now();
    TUniverse::UpdateAll();
    // Stage checks and their spawns belong to the step, so they happen once per step.
    TLevel::UpdateStage();
    worldUpdateNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now() - updateStart).count();
}


int CurrentStageIndex() {
    for (size_t i = 0; i < levels.size(); ++i) {
        if (currentLevel && levels[i] == currentLevel) return int(i);
    }
    return 0;
}

uint64_t WorldStateHash() {
    THashFeed feed;
    feed.Add(gameClock);
    feed.Add(GameRandomState());
    feed.Add(CurrentStageIndex());
    feed.Add(difficulty);
    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& object) {
        feed.Add(object->x);
        feed.Add(object->y);
        feed.Add(object->speed);
        feed.Add(object->direction);
        feed.Add(object->dead);
        if (auto ship = std::dynamic_pointer_cast<TShip>(object)) {
            feed.Add(ship->team);
            feed.Add(ship->heading);
            feed.Add(ship->vx);
            feed.Add(ship->vy);
            feed.Add(ship->hp);
            feed.Add(ship->armor);
            feed.Add(ship->points);
            feed.Add(ship->kills);
            feed.Add(ship->rockets);
            feed.Add(ship->selectedRocket);
            feed.Add(ship->nextRocketTime);
        } else if (auto rocket = std::dynamic_pointer_cast<TRocket>(object)) {
            feed.Add(rocket->hp);
            feed.Add(rocket->lifeLeft);
        }
    });
    return feed.Hash();
}
