#include "world/TShot.h"

#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "world/TGun.h"
#include "world/TGunInfo.h"
#include "world/TRocket.h"
#include "world/TShip.h"
#include "world/WorldMath.h"

namespace {
// A shot tests rockets within this distance beyond its own length.
constexpr float kRocketPassMargin = 100.0f;
}  // namespace

std::shared_ptr<TShot> TShot::Create(const std::shared_ptr<TGun>& gun) {
    std::shared_ptr<TShip> ship = gun->owner.Get();
    std::shared_ptr<TShot> shot(new TShot());
    shot->gun = gun;
    shot->info = gun->info;
    shot->damage = gun->info->damage;
    shot->lifeLeft = gun->info->lifeMs;
    shot->direction = gun->angle;
    if (ship) {
        shot->carryX = ship->vx;
        shot->carryY = ship->vy;
    }
    shot->x = gun->WorldX();
    shot->y = gun->WorldY();
    shot->speed = gun->info->shotSpeed;
    shot->Register();
    return shot;
}

void TShot::Update() {
    const TGunInfo& type = *info;
    x += type.shotSpeed * SinDeg(direction) / ticksPerSecond + carryX;
    y += carryY - type.shotSpeed * CosDeg(direction) / ticksPerSecond;
    // A bolt that ages out still gets its hit passes in this step.
    lifeLeft -= tickMs;
    if (lifeLeft < 0) Remove();

    // The bolts of a ship that died (its guns detached) hit nothing any more.
    std::shared_ptr<TShip> own = gun->owner.Get();
    if (!own) return;

    // Both passes read the lists without taking references: a test that misses changes
    // nothing, and the first hit ends the pass.
    float length = float(type.shotLength);
    for (const TLink<TShip>* at = TShip::All().FirstLink().get(); at; at = at->NextLink().get()) {
        const std::shared_ptr<TShip>& ship = at->Value();
        if (!ship || ship == own) continue;
        if (!(Distance(x, y, ship->x, ship->y) < float(ship->radius + type.shotLength))) continue;
        if (own->IsLinked(ship.get())) continue;
        std::shared_ptr<TShip> hit = ship;
        if (HitShip(*hit)) break;
    }
    for (const TLink<TRocket>* at = TRocket::All().FirstLink().get(); at; at = at->NextLink().get()) {
        const std::shared_ptr<TRocket>& rocket = at->Value();
        if (!rocket) continue;
        const TShip* from = rocket->launcher.get();
        if (from == own.get()) continue;
        if (!(Distance(x, y, rocket->x, rocket->y) < length + kRocketPassMargin)) continue;
        if (own->IsLinked(from)) continue;
        std::shared_ptr<TRocket> hit = rocket;
        if (HitRocket(*hit)) break;
    }
}

bool TShot::HitShip(TShip& ship) {
    if (ship.hp < 0.0f) return false;
    if (!ImagesOverlap(info->shotImage, float(int(x)), float(int(y)), 0, direction, 1, 1, ship.image,
                       float(int(ship.x)), float(int(ship.y)), 0, ship.heading, 1, 1)) {
        return false;
    }
    float length = float(info->shotLength);
    if (info->hitEffect) {
        info->hitEffect->Spawn(x + length * SinDeg(direction), y - length * CosDeg(direction), direction, nullptr);
    }
    if (info->hitSound) PlaySoundAt(info->hitSound, int(x), int(y));
    std::shared_ptr<TShip> own = gun->owner.Get();
    if (own) own->Heal((damage / 10.0f) / ship.armor);
    lifeLeft = -1;
    ship.Damage(damage);
    // A ship finished at exactly 0 hp is still in the world until its own update and can be
    // finished, and credited, once more.
    if (ship.hp <= 0.0f && own) own->AddKill(ship);
    ship.vx += 10.0f * damage * SinDeg(direction) / ship.mass;
    ship.vy -= 10.0f * damage * CosDeg(direction) / ship.mass;
    return true;
}

bool TShot::HitRocket(TRocket& rocket) {
    if (rocket.hp < 0.0f) return false;
    if (!ImagesOverlap(info->shotImage, float(int(x)), float(int(y)), 0, direction, 1, 1, rocket.image,
                       float(int(rocket.x)), float(int(rocket.y)), 0, rocket.direction, 1, 1)) {
        return false;
    }
    if (info->hitEffect) info->hitEffect->Spawn(x, y, direction, nullptr);
    rocket.Damage(damage);
    return true;
}

void TShot::Draw() {
    const TGunInfo& type = *info;
    if (!IsOnScreen(x, y, type.shotReach)) return;
    SetDrawRotation(direction);
    SetBlendMode(kBlendLight);
    // Long-lived bolts fade during their last 200 ms, short-lived ones during their last twentieth.
    float alpha = type.lifeMs < 201 ? float(lifeLeft) / (float(type.lifeMs) / 20.0f) : float(lifeLeft) / 200.0f;
    SetDrawAlpha(alpha);
    DrawImageAt(type.shotImage, x - cameraX, y - cameraY, 0);
    SetDrawAlpha(1.0f);
}
