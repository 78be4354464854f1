#pragma once
// The enemy roster and the buddy: a kind number made into a fully equipped ship.
#include <cstdint>
#include <memory>

class TShip;
struct TShipKind;

// A new enemy of a kind (team 1), placed 6000 px from the view's top-left corner in a random
// direction. A kind without an entry gives a ship with the construction defaults.
std::shared_ptr<TShip> CreateEnemy(uint8_t kind);
// A new enemy of a kind, allied to the leader.
void CreateEscort(const std::shared_ptr<TShip>& leader, uint8_t kind);
// The player's buddy "Tiger X"; nothing while a buddy is alive or no live player ship exists.
void AddBuddy();
// Gives a ship an entry's name, mass, hit points, armour, picture, explosion, engine, guns,
// point value and rockets (escorts are the roster's business).
void EquipShip(const std::shared_ptr<TShip>& ship, const TShipKind& entry);
