#pragma once
// The enemy roster and the buddy: a kind number made into a fully equipped ship.
#include <cstdint>
#include <memory>

class TShip;

// A new enemy of a kind (team 1), placed 6000 px from the view's top-left corner in a random
// direction. A kind without an entry gives a ship with the construction defaults.
std::shared_ptr<TShip> CreateEnemy(uint8_t kind);
// A new enemy of a kind, allied to the leader.
void CreateEscort(const std::shared_ptr<TShip>& leader, uint8_t kind);
// The player's buddy "Tiger X"; nothing while a buddy is alive or no live player ship exists.
void AddBuddy();
