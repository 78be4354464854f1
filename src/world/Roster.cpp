#include "world/Roster.h"

#include <string>

#include "particles/EffectCatalogue.h"
#include "platform/Input.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "stages/TMessage.h"
#include "world/ShipTable.h"
#include "world/TGun.h"
#include "world/TShip.h"
#include "world/WorldMath.h"

namespace {
// New ships arrive from this far away, far outside the screen.
constexpr float kArrivalDistance = 6000.0f;

// The buddy's greeting.
const char* const kBuddyText = "Here comes Buddy!";
constexpr int kBuddyMessageColour = 0x0060F0;

// New enemies arrive around the top-left corner of a view of this size centred on the player,
// whatever the window's size or the camera's lag, so the game is the same in every window.
constexpr float kReferenceViewWidth = 1024.0f;
constexpr float kReferenceViewHeight = 768.0f;

// Puts the ship kArrivalDistance from a point in a random direction.
void PlaceAround(TShip& ship, float x, float y) {
    float a = GameRandomFloat(0.0f, 360.0f);
    ship.x = x + kArrivalDistance * SinDeg(a);
    ship.y = y - kArrivalDistance * CosDeg(a);
}
}  // namespace

void MountGuns(const std::shared_ptr<TShip>& ship, const TShipKind& entry) {
    for (int i = 0; i < entry.MountCount(); ++i) {
        const TShipMount& m = entry.mounts[size_t(i)];
        TGun::Create(ship, m.offsetX, m.offsetY, std::string(m.gun), m.aimMode);
    }
}

void EquipShip(const std::shared_ptr<TShip>& ship, const TShipKind& entry) {
    ship->name = std::string(entry.name);
    // Mass before the engine, so the drag follows the kind's mass.
    ship->mass = entry.mass;
    ship->hp = entry.hp;
    ship->armor = entry.armor;
    ship->SetImage(std::string(entry.image));
    ship->SetExplosion(entry.largeExplosion ? largeShipExplosion : shipExplosion);
    ship->SetEngine(entry.enginePower, entry.topSpeed);
    MountGuns(ship, entry);
    ship->SetPointValue(entry.pointValue);
    ship->rockets = entry.rockets;
}

std::shared_ptr<TShip> CreateEnemy(uint8_t kind) {
    std::shared_ptr<TShip> ship = TShip::Create();
    ship->team = kTeamEnemy;
    // The player's ship (or its wreck); before the first game, the ship the title battle follows.
    const TGObject* centre = player ? static_cast<const TGObject*>(player.get()) : cameraTarget.get();
    float cx = centre ? centre->x : 0.0f, cy = centre ? centre->y : 0.0f;
    PlaceAround(*ship, cx - kReferenceViewWidth / 2.0f, cy - kReferenceViewHeight / 2.0f);
    // A number without an entry leaves the construction defaults: no name, picture or guns.
    const TShipKind* entry = FindShipKind(kind);
    if (!entry) return ship;
    EquipShip(ship, *entry);
    for (int i = 0; i < entry->escortCount; ++i) CreateEscort(ship, entry->escortKind);
    return ship;
}

void CreateEscort(const std::shared_ptr<TShip>& leader, uint8_t kind) { CreateEnemy(kind)->Link(leader); }

void AddBuddy() {
    // No buddy without a live player ship (a reward in the tick the player dies gives none),
    // and one at a time: the player's allies are only ever the buddy.
    if (!PlayerAlive() || !player->linked.empty()) return;
    std::shared_ptr<TShip> ship = TShip::Create();
    ship->team = kTeamBuddy;
    PlaceAround(*ship, player->x, player->y);
    EquipShip(ship, ShipOfRole(TShipRole::Buddy));
    ship->Link(player);
    TMessage::Create(kBuddyText, kMessageDuration, kMessageScale, kBuddyMessageColour);
}
