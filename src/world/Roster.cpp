#include "world/Roster.h"

#include "world/TShip.h"

// Placeholder until the roster lands.
std::shared_ptr<TShip> CreateEnemy(uint8_t) {
    std::shared_ptr<TShip> ship = TShip::Create();
    ship->team = 1;
    return ship;
}

void CreateEscort(const std::shared_ptr<TShip>& leader, uint8_t kind) { CreateEnemy(kind)->Link(leader); }

void AddBuddy() {}
