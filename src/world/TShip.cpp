#include "world/TShip.h"

#include <algorithm>
#include <cmath>

#include "particles/ParticleEngine.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "world/GameClock.h"
#include "world/TGun.h"
#include "world/TGunInfo.h"
#include "world/THud.h"
#include "world/TRocket.h"
#include "world/TUniverse.h"
#include "world/WorldEvents.h"
#include "world/WorldMath.h"

std::shared_ptr<TShip> player;
TControls playerControls;

namespace {
// Every ship in the world, in world order: ships are always inserted at the front of both.
TList<TShip>& ShipList() {
    static TList<TShip> ships;
    return ships;
}

// A computer pilot gives up a target it has held this long.
constexpr int kTargetHoldMs = 5000;
}  // namespace

bool PlayerAlive() { return player && !player->dead; }

TShip::TShip() {
    SetPointValue(1);
    rockets = {2, 2, 1};
    mass = 50.0f;
    SetEngine(15.0f, 16.0f);
    createdAt = gameClock;
}

std::shared_ptr<TShip> TShip::Create() {
    std::shared_ptr<TShip> ship(new TShip());
    ship->Register();
    return ship;
}

const TList<TShip>& TShip::All() { return ShipList(); }

void TShip::Register() {
    auto self = std::static_pointer_cast<TShip>(shared_from_this());
    link = TUniverse::AddFront(self);
    shipLink = ShipList().Prepend(self);
}

void TShip::Remove() {
    if (team == 0) {
        // The player's ship takes its allies (the buddy) out of the world with it.
        std::vector<TObjectRef<TShip>> allies;
        allies.swap(linked);
        for (const auto& ally : allies) {
            if (auto ship = ally.Get()) ship->Remove();
        }
    }
    DetachGuns("");
    dead = 1;
    TGObject::Remove();
    if (auto own = shipLink.lock()) own->Remove();
    shipLink.reset();
}

bool TShip::IsLinked(const TShip* ship) const {
    for (const auto& ally : linked) {
        if (ally.Is(ship)) return true;
    }
    return false;
}

void TShip::Update() {
    UpkeepTarget();
    switch (team) {
        case 0: SteerByPlayer(); break;
        case 1: SteerToTarget(true); break;
        case 2: SteerToTarget(false); break;
        default: break;
    }
    // A gun may detach itself while the list is walked: walk a copy.
    if (!guns.empty()) {
        std::vector<std::shared_ptr<TGun>> mounted = guns;
        for (const auto& gun : mounted) gun->Update();
    }
    Move();
    if (!linked.empty()) {
        linked.erase(std::remove_if(linked.begin(), linked.end(),
                                    [](const TObjectRef<TShip>& ally) { return ally.IsDead(); }),
                     linked.end());
    }
    if (hp <= 0.0f) {
        if (explosion) {
            explosion->Spawn(x, y, ATan2Deg(vx, vy), nullptr);
        } else {
            DebugNote("Couldn't find explosion for ship");
        }
        if (this == player.get()) PostWorldEvent(TWorldEventKind::PlayerDestroyed);
        if (DebugNotesOn()) DebugNote("ship destroyed: " + name + (this == player.get() ? " (the player's)" : ""));
        Remove();
    }
}

void TShip::UpkeepTarget() {
    if (!target.IsEmpty()) {
        // A target that is dead (or already gone) is dropped; computer pilots also drop one
        // they have held too long. Either way the new choice waits for the next tick.
        if (target.IsDead() || (team != 0 && ClockSince(gameClock, targetTime) > kTargetHoldMs)) {
            target.Reset();
        }
        return;
    }
    std::shared_ptr<TShip> chosen;
    if (team == kTeamEnemy) {
        // The nearest candidate of any team; but if nobody at all chases the player's ship,
        // this enemy does.
        int chasers = 0;
        float best = 0.0f;
        ShipList().ForEach([&](const std::shared_ptr<TShip>& ship) {
            if (player && ship->target.Is(player.get())) ++chasers;
            if (ship.get() == this || IsLinked(ship.get())) return;
            float d = Distance(x, y, ship->x, ship->y);
            if (!chosen || d < best) {
                chosen = ship;
                best = d;
            }
        });
        if (PlayerAlive() && chasers == 0) chosen = player;
    } else if (team == kTeamBuddy) {
        // The buddy defends the player: the chaser of the player nearest to the player's ship,
        // else any ship of another team nearest to it.
        float fromX = player ? player->x : x, fromY = player ? player->y : y;
        chosen = NearestCandidate(fromX, fromY, true, true);
        if (!chosen) chosen = NearestCandidate(fromX, fromY, true, false);
    } else {
        chosen = NearestCandidate(x, y, false, false);
    }
    if (chosen) {
        target = chosen;
        targetTime = gameClock;
    }
}

std::shared_ptr<TShip> TShip::NearestCandidate(float fromX, float fromY, bool buddyRules, bool onlyPlayerChasers) {
    std::shared_ptr<TShip> chosen;
    float best = 0.0f;
    ShipList().ForEach([&](const std::shared_ptr<TShip>& ship) {
        if (ship.get() == this || IsLinked(ship.get())) return;
        if (buddyRules && ship->team == 0) return;
        if (onlyPlayerChasers && !(player && ship->target.Is(player.get()))) return;
        float d = Distance(fromX, fromY, ship->x, ship->y);
        if (!chosen || d < best) {
            chosen = ship;
            best = d;
        }
    });
    return chosen;
}

void TShip::TurnTowards(float wanted) {
    float k = 5.0f / mass;
    heading = ATan2Deg((1.0f - k) * SinDeg(heading) + k * SinDeg(wanted),
                       (1.0f - k) * CosDeg(heading) + k * CosDeg(wanted));
}

void TShip::SteerByPlayer() {
    const TControls& c = playerControls;
    float wanted = c.Has(kControlHoldHeading) ? heading : ATan2Deg(float(c.aimX) - x, y - float(c.aimY));
    TurnTowards(wanted);
    if (autoSelectRockets) AutoSelectRocket();
    if (c.Has(kControlDropTarget)) target.Reset();
    // A key gives the full amount; a stick as much as it is pushed.
    if (c.thrust > 0) Thrust(TControls::Amount(c.thrust));
    if (c.reverse > 0) Thrust(-0.5f * TControls::Amount(c.reverse));
    if (c.strafeLeft > 0) Strafe(-90.0f * TControls::Amount(c.strafeLeft));
    if (c.strafeRight > 0) Strafe(90.0f * TControls::Amount(c.strafeRight));
    if (c.Has(kControlAutoSelect)) autoSelectRockets = autoSelectRockets ? 0 : 1;
    if (c.selectRocket >= 1 && c.selectRocket <= 3) selectedRocket = uint8_t(c.selectRocket - 1);
    // Previous and next step round the three types; one step back is two forward.
    int steps = (c.Has(kControlNextRocket) ? 1 : 0) + (c.Has(kControlPreviousRocket) ? 2 : 0);
    selectedRocket = uint8_t((selectedRocket + steps) % 3);
    if (c.Has(kControlFire)) FireGuns();
    if (c.Has(kControlFireRocket)) FireRocket();
}

void TShip::SteerToTarget(bool instantTurn) {
    std::shared_ptr<TShip> t = target.Get();
    if (!t) return;
    float dx = x - t->x, dy = y - t->y;
    float d = std::sqrt(dx * dx + dy * dy);
    float wanted = ATan2Deg(-dx, dy);
    if (instantTurn && d > 5000.0f) {
        heading = wanted;
    } else if (d > 10.0f) {
        TurnTowards(wanted);
    }
    if (d > topSpeed) Thrust(1.0f);
    ConsiderRocket();
}

void TShip::Draw() {
    SetBlendMode(kBlendAlpha);
    SetDrawRotation(heading);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    DrawImageAt(image, x - cameraX, y - cameraY, 0);
    for (const auto& gun : guns) gun->Draw();
}

void TShip::Damage(float amount) {
    float d = amount / armor;
    if (team == 0) d *= difficulty;
    hp -= d;
    if (this == player.get() && d > 0.0f) PostWorldEvent(TWorldEventKind::PlayerHit, d);
}

void TShip::SetImage(const std::string& path) {
    image = LoadImageFile(path, -1);
    CentreImageAnchor(image);
    int w = ImageWidthOf(image), h = ImageHeightOf(image);
    radius = std::max(int(std::ceil(float(w) / 2.0f)), int(std::ceil(float(h) / 2.0f)));
}

void TShip::SetExplosion(const std::shared_ptr<TParticleInfo>& effect) { explosion = effect; }

void TShip::AddPoints(int n) {
    // A finished game's score is what it was when the player's ship died: rockets still in
    // flight (the buddy's fly for the player) add nothing to it.
    if (dead && team == kTeamPlayer) return;
    points += float(n) * difficulty;
}

void TShip::AddKill(TShip& victim) {
    if (dead && team == kTeamPlayer) return;
    ++kills;
    AddPoints(victim.pointValue);
    if (team == 0) {
        PlaySoundAt(pointSound, int(x), int(y));
    } else {
        // Computer pilots grow stronger with every kill.
        AddRockets(1, 0);
        AddRockets(1, 1);
        AddRockets(1, 2);
        armor *= 1.2f;
        hp += 50.0f;
    }
}

void TShip::AddRockets(int n, int type) {
    if (type < 0 || type > 2) return;
    rockets[size_t(type)] = std::min(rockets[size_t(type)] + n, (3 - type) * 10);
}

void TShip::Heal(float amount) {
    hp += amount;
    for (const auto& ally : linked) {
        if (auto ship = ally.Get()) ship->hp += amount / 4.0f;
    }
}

void TShip::Link(const std::shared_ptr<TShip>& other) {
    if (!other) return;
    linked.emplace_back(other);
    other->linked.emplace_back(std::static_pointer_cast<TShip>(shared_from_this()));
}

void TShip::SetPointValue(int n) { pointValue = n; }

void TShip::SetEngine(float power, float top) {
    enginePower = power;
    topSpeed = top;
    drag = power / (mass * top);
}

void TShip::DetachGuns(const std::string& pattern) {
    std::vector<std::shared_ptr<TGun>> mounted = guns;
    for (const auto& gun : mounted) {
        if (pattern.empty() || (gun->info && gun->info->id.find(pattern) != std::string::npos)) gun->Detach();
    }
}

void TShip::FireGuns() {
    std::vector<std::shared_ptr<TGun>> mounted = guns;
    for (const auto& gun : mounted) gun->Trigger();
}

void TShip::Thrust(float amount) { thrustAccum += (enginePower / mass) * amount; }

void TShip::Strafe(float angle) { thrustAngle = (angle + thrustAngle) / 2.0f; }

void TShip::Move() {
    float a = heading + thrustAngle;
    vx += thrustAccum * SinDeg(a);
    vy -= thrustAccum * CosDeg(a);
    vx = vx / (1.0f + drag);
    vy = vy / (1.0f + drag);
    x += vx / ticksPerSecond * 70.0f;
    y += vy / ticksPerSecond * 70.0f;
    speed = std::sqrt(vx * vx + vy * vy);
    direction = ATan2Deg(vx, vy);
    thrustAccum = 0.0f;
    thrustAngle = 0.0f;
}

float TShip::GetSpeed() { return speed; }

namespace {
// One auto-selection rule: a rocket type for targets tougher (or weaker) than a limit, fit
// to fire between two distances.
struct TRocketRule {
    int type;          // rocket type chosen
    bool above;        // toughness must be above (true) or below (false) the limit
    float toughness;   // the limit
    float nearest;     // fire-OK distance range, exclusive; nearest < 0 means no lower bound
    float farthest;
};
constexpr TRocketRule kHeavy{2, true, 125.0f, 3000.0f, 30000.0f};
constexpr TRocketRule kMediumVsBig{1, true, 30.0f, 300.0f, 5000.0f};
constexpr TRocketRule kMediumVsSmall{1, true, 60.0f, 300.0f, 5000.0f};
constexpr TRocketRule kLight{0, false, 120.0f, -1.0f, 3000.0f};

// The rules of one size class in the order they are tried, and its fallback order.
struct TSizeClass {
    const char* name;
    TRocketRule rules[3];
    int fallback[3];
};
constexpr TSizeClass kBigShip{"Big Ship", {kHeavy, kMediumVsBig, kLight}, {2, 1, 0}};
constexpr TSizeClass kMediumShip{"Medium Ship", {kMediumVsBig, kHeavy, kLight}, {1, 2, 0}};
constexpr TSizeClass kSmallShip{"Small Ship", {kLight, kMediumVsSmall, kHeavy}, {0, 1, 2}};
}  // namespace

bool TShip::AutoSelectRocket() {
    rocketAdvice.clear();
    std::shared_ptr<TShip> t = target.Get();
    if (!t) return false;
    float toughness = t->hp * t->armor;
    float d = Distance(x, y, t->x, t->y);
    const TSizeClass& size = t->mass > 200.0f ? kBigShip : t->mass > 50.0f ? kMediumShip : kSmallShip;
    rocketAdvice = size.name;
    bool fireOk = false;
    bool applied = false;
    for (const TRocketRule& rule : size.rules) {
        if (rockets[size_t(rule.type)] < 1) continue;
        if (rule.above ? !(toughness > rule.toughness) : !(toughness < rule.toughness)) continue;
        selectedRocket = uint8_t(rule.type);
        fireOk = (rule.nearest < 0.0f || d > rule.nearest) && d < rule.farthest;
        applied = true;
        break;
    }
    if (!applied) {
        for (int type : size.fallback) {
            if (rockets[size_t(type)] >= 1) {
                selectedRocket = uint8_t(type);
                break;
            }
        }
    }
    if (fireOk) rocketAdvice += " Fire:OK";
    return fireOk;
}

void TShip::ConsiderRocket() {
    // A decision time never set (0) is due at once; otherwise the clock must have passed it,
    // compared across the wrap of the clock.
    if (nextRocketTime != 0 && ClockSince(gameClock, nextRocketTime) <= 0) return;
    if (AutoSelectRocket()) {
        int stock = rockets[selectedRocket];
        if (GameRandomInt(0, 5) < stock || GameRandomInt(0, 5) == 1) FireRocket();
    }
    nextRocketTime = ClockPlus(gameClock, GameRandomInt(2000, 15000));
}

void TShip::FireRocket() {
    if (selectedRocket > 2 || rockets[selectedRocket] <= 0) return;
    --rockets[selectedRocket];
    auto self = std::static_pointer_cast<TShip>(shared_from_this());
    std::shared_ptr<TRocket> rocket = TRocket::Create(self, heading, speed + 100.0f, target.Get(), selectedRocket);
    // The buddy's rockets fly for the player: hits and kills are the player's.
    if (team == kTeamBuddy && player) rocket->launcher = player;
    PlaySoundAt(rocketFireSound, int(x), int(y));
}

void TShip::DrawHUD() { THud::Draw(*this); }

void TShip::DrawRadar(float cx, float cy) { THud::DrawRadar(*this, cx, cy); }

namespace {
void ResetPlayer() { player.reset(); }
const int stateResetRegistered = RegisterStateReset("player ship", kResetRankWorld + 1, &ResetPlayer);
}  // namespace
