#pragma once
// Every ship the game builds, as plain data: the player's "Modern X", the buddy "Tiger X" and
// the enemy kinds. The roster equips ships from it, and the asset generator draws the
// pictures from it with a socket at every gun mount, so the two never disagree.
// Paths keep the game's own spelling: backslash as folder separator, case as written.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class TShip;

// Who flies a ship of the table.
enum class TShipRole : uint8_t {
    Enemy,  // an enemy kind, made by its kind number
    Player, // the player's ship
    Buddy,  // the player's wingman
};

// A gun mount: a gun type at (offsetX, offsetY) in the ship image's frame, with its aim mode.
// The image point is (centre x - offsetX, centre y + offsetY), centre = (width / 2, height / 2).
struct TShipMount {
    float offsetX = 0.0f;   // positive: towards the ship's left
    float offsetY = 0.0f;   // positive: towards the tail
    std::string_view gun;   // gun type ID; empty for an unused slot
    uint8_t aimMode = 0;    // 0 the player's mouse; 1..5 the turret aims by itself
};

// Most guns a ship carries.
inline constexpr int kMaxShipMounts = 7;

// One ship of the table: what it changes from a new ship's defaults, and its picture.
struct TShipKind {
    uint8_t kind = 0;                  // enemy kind number; 0 for the player's and the buddy's
    TShipRole role = TShipRole::Enemy; // who flies it
    std::string_view name;             // the ship's name in the game
    std::string_view image;            // picture path, e.g. "gfx\\Shark.png"
    int width = 0;                     // picture width the generator draws
    int height = 0;                    // picture height the generator draws
    uint8_t drawnBy = 0;               // another kind whose picture this is; 0: drawn for this entry
    float mass = 50.0f;                // mass (set before the engine, so the drag uses it)
    float hp = 100.0f;                 // hit points
    float armor = 1.0f;                // every damage amount is divided by it
    float enginePower = 15.0f;         // engine force
    float topSpeed = 16.0f;            // terminal speed, px per 1/70 s
    int pointValue = 1;                // points for its killer, before the difficulty factor
    bool largeExplosion = false;       // the large ship explosion instead of the ordinary one
    std::array<int, 3> rockets{{2, 2, 1}}; // rocket stock per type
    uint8_t escortKind = 0;            // kind of the escorts it arrives with
    int escortCount = 0;               // how many escorts
    std::array<TShipMount, kMaxShipMounts> mounts{}; // gun mounts in mounting order

    // Used entries of mounts.
    constexpr int MountCount() const {
        int n = 0;
        while (n < kMaxShipMounts && !mounts[size_t(n)].gun.empty()) ++n;
        return n;
    }
};

namespace ship_table_detail {
// The Kail: one picture shared by the lone ship and the one with escorts.
inline constexpr TShipKind kKail{
    .kind = 23, .name = "Kail", .image = "gfx\\Kail.PNG", .width = 130, .height = 346, .mass = 1500, .hp = 650,
    .armor = 3, .enginePower = 25, .topSpeed = 18, .pointValue = 10, .largeExplosion = true,
    .mounts = {{{0, -150, "Destructor", 2}, {-18, -116, "LGR-3000", 3}, {18, -116, "LGR-3000", 3},
                {-22, 0, "LGR-3000", 3}, {22, 0, "LGR-3000", 3}, {0, -150, "LGO-800", 5}}}};

// The Kail with two Kail escorts: its own values, a richer point value, drawn as the Kail.
constexpr TShipKind KailWithEscorts() {
    TShipKind k = kKail;
    k.kind = 30;
    k.name = "Kail & Escorts";
    k.drawnBy = kKail.kind;
    k.pointValue = 12;
    k.escortKind = kKail.kind;
    k.escortCount = 2;
    return k;
}
} // namespace ship_table_detail

// The table, in the order the generator draws the pictures.
inline constexpr std::array<TShipKind, 20> kShipKinds{{
    {.role = TShipRole::Player, .name = "Modern X", .image = "gfx\\modernx.png", .width = 64, .height = 76,
     .armor = 2, .largeExplosion = true,
     .mounts = {{{10, 25, "MG-500", 4}, {0, 15, "DLG-2500", 0}, {-10, 25, "MG-500", 4}}}},
    {.role = TShipRole::Buddy, .name = "Tiger X", .image = "gfx\\TigerX.png", .width = 66, .height = 74,
     .largeExplosion = true,
     .mounts = {{{10, 25, "MG-500", 3}, {0, 15, "DLG-2500", 5}, {-10, 25, "MG-500", 4}}}},
    {.kind = 1, .name = "X-Fighter", .image = "gfx\\xfighter.png", .width = 60, .height = 66, .mass = 65, .hp = 100,
     .enginePower = 15, .topSpeed = 22, .mounts = {{{0, 0, "LGB-1000", 2}, {0, 20, "MG-500", 4}}}},
    {.kind = 2, .name = "Silverhawk", .image = "gfx\\Silverhawk.png", .width = 46, .height = 54, .mass = 40, .hp = 50,
     .enginePower = 12, .topSpeed = 18, .mounts = {{{-9, 0, "LGB-800", 5}, {9, 0, "LGB-800", 5}}}},
    {.kind = 3, .name = "X1", .image = "gfx\\X1.png", .width = 74, .height = 82, .mass = 120, .hp = 180,
     .enginePower = 15, .topSpeed = 18, .mounts = {{{0, 15, "LGR-3000", 3}}}},
    {.kind = 4, .name = "Ironfighter", .image = "gfx\\Ironfighter.png", .width = 52, .height = 58, .mass = 50,
     .hp = 50, .enginePower = 15, .topSpeed = 20, .mounts = {{{0, 15, "LGB-1000", 5}}}},
    {.kind = 5, .name = "Turtle", .image = "gfx\\Turtle.png", .width = 104, .height = 110, .mass = 200, .hp = 250,
     .enginePower = 15, .topSpeed = 20, .mounts = {{{0, 16, "LGB-1000", 3}, {0, 38, "MG-500", 4}}}},
    {.kind = 6, .name = "Guan Tarque", .image = "gfx\\GuanTarque.PNG", .width = 70, .height = 70, .mass = 100,
     .hp = 100, .enginePower = 16, .topSpeed = 20, .mounts = {{{2, 6, "LGR-3000", 5}}}},
    {.kind = 10, .name = "Shark", .image = "gfx\\Shark.png", .width = 94, .height = 110, .mass = 200, .hp = 240,
     .enginePower = 15, .topSpeed = 16, .pointValue = 2, .rockets = {{6, 2, 1}},
     .mounts = {{{0, -5, "BlueBall", 3}, {-15, 10, "MG-500", 4}, {15, 10, "MG-500", 4}}}},
    {.kind = 11, .name = "Ferrari Deluxe", .image = "gfx\\FerrariDeluxe.png", .width = 66, .height = 68, .mass = 70,
     .hp = 80, .enginePower = 18, .topSpeed = 18, .pointValue = 2,
     .mounts = {{{15, -6, "TLY-800", 5}, {-15, -6, "TLY-800", 5}}}},
    {.kind = 12, .name = "Ant", .image = "gfx\\Ant.png", .width = 52, .height = 62, .mass = 50, .hp = 80,
     .enginePower = 15, .topSpeed = 18, .pointValue = 2, .mounts = {{{0, 15, "LGO-800", 3}}}},
    {.kind = 13, .name = "Piranha", .image = "gfx\\Piranha.png", .width = 74, .height = 74, .mass = 100, .hp = 140,
     .enginePower = 18, .topSpeed = 18, .pointValue = 2,
     .mounts = {{{10, 2, "LGR-3000", 5}, {-10, 2, "LGR-3000", 5}}}},
    {.kind = 14, .name = "Moskito", .image = "gfx\\Moskito.PNG", .width = 60, .height = 50, .mass = 40, .hp = 40,
     .enginePower = 18, .topSpeed = 14, .pointValue = 2,
     .mounts = {{{20, 4, "LGR-3000", 4}, {-20, 4, "LGR-3000", 4}}}},
    {.kind = 15, .name = "Sunshine", .image = "gfx\\Sunshine.PNG", .width = 92, .height = 78, .mass = 100, .hp = 120,
     .armor = 1.2f, .enginePower = 18, .topSpeed = 22, .pointValue = 2,
     .mounts = {{{35, -2, "LGO-800", 3}, {-35, -2, "LGO-800", 5}, {0, 28, "MG-500", 4}}}},
    {.kind = 20, .name = "Mothership", .image = "gfx\\Mothership.PNG", .width = 492, .height = 300, .mass = 2000,
     .hp = 750, .armor = 3, .enginePower = 30, .topSpeed = 14, .pointValue = 10, .largeExplosion = true,
     .mounts = {{{110, 80, "BlueBall", 3}, {-110, 80, "BlueBall", 3}, {220, -20, "MG-500", 4},
                 {-220, -20, "MG-500", 4}, {220, 20, "MG-500", 4}, {-220, 20, "MG-500", 4}, {0, 80, "LB-4500", 5}}}},
    {.kind = 21, .name = "Darkstar", .image = "gfx\\Darkstar.png", .width = 82, .height = 78, .mass = 100, .hp = 160,
     .armor = 2, .enginePower = 16, .topSpeed = 18, .pointValue = 4,
     .mounts = {{{29, 21, "MG-500", 4}, {-29, 21, "MG-500", 4}, {0, -23, "LGO-800", 5}}}},
    {.kind = 22, .name = "Avocada", .image = "gfx\\Avocada.PNG", .width = 184, .height = 150, .mass = 350, .hp = 350,
     .armor = 2, .enginePower = 18, .topSpeed = 18, .pointValue = 5, .largeExplosion = true,
     .mounts = {{{0, 30, "Destructor", 3}, {-70, 30, "LGB-1000", 3}, {70, 30, "LGB-1000", 3}}}},
    ship_table_detail::kKail,
    {.kind = 24, .name = "Courgon", .image = "gfx\\Courgon.PNG", .width = 100, .height = 206, .mass = 300, .hp = 260,
     .armor = 2, .enginePower = 14, .topSpeed = 20, .pointValue = 5,
     .mounts = {{{-12, 51, "LGR-3000", 5}, {25, -51, "LGB-800", 3}, {-25, -51, "LGB-800", 3},
                 {-12, 84, "MG-500", 4}}}},
    ship_table_detail::KailWithEscorts(),
}};

// Index in kShipKinds of the enemy kind with this number; -1 for a number without one.
constexpr int ShipKindIndex(int kind) {
    for (size_t i = 0; i < kShipKinds.size(); ++i)
        if (kShipKinds[i].role == TShipRole::Enemy && kShipKinds[i].kind == kind) return int(i);
    return -1;
}

// The enemy kind with this number; null for a number without one (0 among them).
inline const TShipKind* FindShipKind(int kind) {
    int i = ShipKindIndex(kind);
    return i < 0 ? nullptr : &kShipKinds[size_t(i)];
}

// The entry of the player's ship or of the buddy (the first entry of a role).
constexpr const TShipKind& ShipOfRole(TShipRole role) {
    for (const TShipKind& entry : kShipKinds)
        if (entry.role == role) return entry;
    return kShipKinds[0];
}

// Mounts every gun of the entry on the ship with TGun::Create, in the table's order and with
// the table's aim modes (defined with the roster).
void MountGuns(const std::shared_ptr<TShip>& ship, const TShipKind& entry);

namespace ship_table_detail {
constexpr bool KindsAreUnique() {
    for (size_t i = 0; i < kShipKinds.size(); ++i)
        for (size_t j = i + 1; j < kShipKinds.size(); ++j)
            if (kShipKinds[i].role == TShipRole::Enemy && kShipKinds[j].role == TShipRole::Enemy &&
                kShipKinds[i].kind == kShipKinds[j].kind)
                return false;
    return true;
}
constexpr bool SharedPicturesMatch() {
    for (const TShipKind& entry : kShipKinds) {
        if (entry.drawnBy == 0) continue;
        int i = ShipKindIndex(entry.drawnBy);
        if (i < 0) return false;
        const TShipKind& hull = kShipKinds[size_t(i)];
        if (hull.drawnBy != 0 || hull.image != entry.image || hull.width != entry.width || hull.height != entry.height)
            return false;
    }
    return true;
}
static_assert(KindsAreUnique(), "two enemy entries share a kind number");
static_assert(SharedPicturesMatch(), "a shared picture must be drawn by an entry of the same picture");
static_assert(ShipKindIndex(0) < 0, "kind 0 is no enemy kind");
} // namespace ship_table_detail
