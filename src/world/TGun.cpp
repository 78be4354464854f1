#include "world/TGun.h"

#include <algorithm>
#include <cmath>

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "world/TGunInfo.h"
#include "world/TRocket.h"
#include "world/TShip.h"
#include "world/TShot.h"
#include "world/WorldMath.h"

namespace {
// A mode-4 turret fires at its ship's target from this far, whatever the reach of its shots.
constexpr float kDefenceReach = 1000.0f;
// ... and at the nearest ship only beyond this distance.
constexpr float kDefenceMinimum = 50.0f;
}  // namespace

std::shared_ptr<TGun> TGun::Create(const std::shared_ptr<TShip>& owner, float offsetX, float offsetY,
                                   const std::string& id, int aimMode) {
    std::shared_ptr<TGunInfo> info = TGunInfo::Get(id);
    // A gun of an unknown type could neither fire nor be drawn: it is not mounted.
    if (!owner || !info) return nullptr;
    std::shared_ptr<TGun> gun(new TGun());
    gun->owner = owner;
    gun->info = std::move(info);
    gun->aimMode = uint8_t(aimMode);
    gun->offsetX = offsetX;
    gun->offsetY = offsetY;
    owner->guns.push_back(gun);
    return gun;
}

std::shared_ptr<TShip> TGun::Owner() const { return owner.Get(); }

void TGun::Update() {
    std::shared_ptr<TShip> own = Owner();
    if (!own || own->dead) {
        Detach();
        return;
    }
    if (reload < 1.0f) reload += (1000.0f / float(info->reloadMs)) / ticksPerSecond;

    if (aimMode == 0) {
        angle = ATan2Deg(float(playerControls.aimX) - own->x, own->y - float(playerControls.aimY));
        return;
    }
    std::shared_ptr<TShip> target = own->target.Get();
    if (!target) return;
    float range = info->range;
    switch (aimMode) {
        case 1:
            if (AimAt(*target) < range) Fire();
            break;
        case 2:
            if (AimLead(*target) < range) Fire();
            break;
        case 3:
            if (AimLead(*target) < range) {
                Fire();
            } else if (std::shared_ptr<TShip> nearest = NearestShip()) {
                if (AimAt(*nearest) < range) Fire();
            }
            break;
        case 4:
            if (std::shared_ptr<TRocket> rocket = NearestHostileRocket()) {
                if (AimJitter(*rocket) < range) Fire();
            } else if (AimLead(*target) < kDefenceReach) {
                Fire();
            } else if (std::shared_ptr<TShip> nearest = NearestShip()) {
                float d = AimAt(*nearest);
                if (d > kDefenceMinimum && d < range) Fire();
            }
            break;
        case 5:
            if (AimPredict(*target) < range) Fire();
            break;
        default:
            break;
    }
}

float TGun::AimAt(const TGObject& object) {
    std::shared_ptr<TShip> own = Owner();
    if (!own) return 0.0f;
    float dx = object.x - own->x, dy = object.y - own->y;
    angle = ATan2Deg(dx, -dy);
    return std::sqrt(dx * dx + dy * dy);
}

float TGun::AimLead(const TShip& ship) {
    std::shared_ptr<TShip> own = Owner();
    if (!own) return 0.0f;
    float dx = ship.x - own->x, dy = ship.y - own->y;
    float relX = ship.vx - own->vx, relY = ship.vy - own->vy;
    float d = std::sqrt(dx * dx + dy * dy);
    float t = d / info->shotSpeed;
    float dx1 = dx + relX * t, dy1 = dy + relY * t;
    float d1 = std::sqrt(dx1 * dx1 + dy1 * dy1);
    float t1 = d1 / info->shotSpeed;
    angle = ATan2Deg(dx1 + relX * t1, -(dy1 + relY * t1));
    return d1;
}

float TGun::AimPredict(const TGObject& object) {
    std::shared_ptr<TShip> own = Owner();
    if (!own) return 0.0f;
    float tx = object.x, ty = object.y;
    float gx = WorldX(), gy = WorldY();
    float d0 = Distance(gx, gy, tx, ty);
    float acc = 0.0f;
    for (int step = 0; step < 2; ++step) {
        float d = Distance(gx, gy, tx, ty);
        acc = d - acc;
        float f = acc / info->shotSpeed * 70.0f;
        tx += f * object.speed * SinDeg(object.direction);
        ty += f * object.speed * CosDeg(object.direction);
        gx += f * own->speed * SinDeg(own->direction);
        gy += f * own->speed * CosDeg(own->direction);
    }
    angle = ATan2Deg(tx - gx, gy - ty);
    return d0;
}

float TGun::AimJitter(const TGObject& object) {
    float dx = object.x - WorldX(), dy = object.y - WorldY();
    angle = ATan2Deg(dx, -dy) + GameRandomFloat(-0.5f, 0.5f);
    return std::sqrt(dx * dx + dy * dy);
}

std::shared_ptr<TShip> TGun::NearestShip() {
    std::shared_ptr<TShip> own = Owner();
    std::shared_ptr<TShip> nearest;
    if (!own) return nearest;
    float best = 0.0f;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) {
        if (ship == own || own->IsLinked(ship.get())) return;
        float d = Distance(own->x, own->y, ship->x, ship->y);
        if (!nearest || d < best) {
            nearest = ship;
            best = d;
        }
    });
    return nearest;
}

std::shared_ptr<TRocket> TGun::NearestHostileRocket() {
    std::shared_ptr<TShip> own = Owner();
    std::shared_ptr<TRocket> nearest;
    if (!own) return nearest;
    float best = 0.0f;
    TRocket::All().ForEach([&](const std::shared_ptr<TRocket>& rocket) {
        const TShip* from = rocket->launcher.get();
        if (from == own.get() || own->IsLinked(from)) return;
        float d = Distance(own->x, own->y, rocket->x, rocket->y);
        if (!nearest || d < best) {
            nearest = rocket;
            best = d;
        }
    });
    return nearest;
}

void TGun::Draw() {
    if (!Owner()) return;
    SetDrawAlpha(1.0f);
    SetDrawRotation(angle);
    DrawImageAt(info->turretImage, WorldX() - cameraX, WorldY() - cameraY, 0);
}

float TGun::WorldX() {
    std::shared_ptr<TShip> own = Owner();
    if (!own) return 0.0f;
    float h = own->heading;
    return own->x + offsetY * SinDeg(-h) - offsetX * CosDeg(-h);
}

float TGun::WorldY() {
    std::shared_ptr<TShip> own = Owner();
    if (!own) return 0.0f;
    float h = own->heading;
    return own->y + offsetY * CosDeg(-h) + offsetX * SinDeg(-h);
}

void TGun::Trigger() {
    if (aimMode == 0) Fire();
}

void TGun::Fire() {
    if (reload < 1.0f || !Owner()) return;
    TShot::Create(shared_from_this());
    if (info->fireSound) PlaySoundAt(info->fireSound, int(WorldX()), int(WorldY()));
    reload = 0.0f;
}

void TGun::Detach() {
    if (std::shared_ptr<TShip> own = Owner()) {
        auto& list = own->guns;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [this](const std::shared_ptr<TGun>& gun) { return gun.get() == this; }),
                   list.end());
    }
    owner.Reset();
}
