#include "world/TRocket.h"

#include <cmath>

#include "particles/EffectCatalogue.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/Trig.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "world/TShip.h"
#include "world/TUniverse.h"
#include "world/WorldMath.h"

namespace {
TList<TRocket>& RocketList() {
    static TList<TRocket> rockets;
    return rockets;
}

// The values of one rocket type.
struct TRocketType {
    float maxSpeed;      // px/s
    int lifeMs;          // life
    float hp;            // hit points
    float turnRate;      // degrees per second
    int armDelay;        // ms
    float damage;        // damage to the target
    bool plasmaTrail;    // plasma trail (else flame)
    uint8_t guidance;    // 1 direct, 2 lead, 3 predictive
};
constexpr TRocketType kRocketTypes[3] = {
    {800.0f, 30000, 5.0f, 198.0f, 150, 30.0f, true, 1},
    {900.0f, 50000, 10.0f, 90.0f, 300, 60.0f, false, 2},
    {1200.0f, 30000, 30.0f, 36.0f, 300, 350.0f, false, 3},
};

// Knock-back of a rocket hit, divided by the target's mass.
constexpr float kRocketPush = 500.0f;
}  // namespace

const TList<TRocket>& TRocket::All() { return RocketList(); }

std::shared_ptr<TRocket> TRocket::Create(const std::shared_ptr<TShip>& launcher, float angle, float speed,
                                         const std::shared_ptr<TShip>& target, int type) {
    if (type < 0 || type > 2) type = 0;
    std::shared_ptr<TRocket> rocket(new TRocket());
    rocket->image = rocketImages[size_t(type)];
    rocket->launcher = launcher;
    if (launcher) {
        rocket->x = launcher->x;
        rocket->y = launcher->y;
    }
    rocket->direction = angle;
    rocket->speed = speed;
    rocket->target = target;
    rocket->Register();
    const TRocketType& values = kRocketTypes[type];
    rocket->rocketType = uint8_t(type);
    rocket->maxSpeed = values.maxSpeed;
    rocket->lifeLeft = values.lifeMs;
    rocket->hp = values.hp;
    rocket->turnRate = values.turnRate;
    rocket->armDelay = values.armDelay;
    rocket->damage = values.damage;
    rocket->trail = values.plasmaTrail ? plasmaTrail : flameTrail;
    rocket->explosion = type == 0 ? rocketExplosion0 : type == 1 ? rocketExplosion1 : rocketExplosion2;
    rocket->guidance = values.guidance;
    rocket->armLeft = rocket->armDelay;
    return rocket;
}

void TRocket::Register() {
    auto self = std::static_pointer_cast<TRocket>(shared_from_this());
    link = TUniverse::Add(self);
    rocketLink = RocketList().Append(self);
}

void TRocket::Remove() {
    TGObject::Remove();
    if (auto own = rocketLink.lock()) own->Remove();
    rocketLink.reset();
}

void TRocket::Damage(float amount) { hp -= amount; }

void TRocket::Update() {
    if (!target.IsEmpty() && target.IsDead()) target.Reset();
    std::shared_ptr<TShip> aim = target.Get();

    if (armLeft < 1) {
        if (aim) {
            float px = aim->x, py = aim->y;
            if (guidance == 2) {
                float t = Distance(x, y, aim->x, aim->y) / speed;
                px += aim->vx * t;
                py += aim->vy * t;
            } else if (guidance == 3) {
                float rx = x, ry = y, acc = 0.0f;
                for (int step = 0; step < 2; ++step) {
                    float d = Distance(rx, ry, px, py);
                    acc = d - acc;
                    float f = acc / speed;
                    px += f * aim->speed * SinDeg(aim->direction);
                    py += f * aim->speed * CosDeg(aim->direction);
                    rx += f * speed * SinDeg(direction);
                    ry += f * speed * CosDeg(direction);
                }
            }
            float wanted = FloatMod(AngleTo(x, y, px, py) + 360.0f, 360.0f);
            float step = turnRate / ticksPerSecond;
            float cw = 0.0f, ccw = 0.0f;
            if (direction > wanted) {
                cw = FloatMod(std::fabs(360.0f - direction + wanted), 360.0f);
                ccw = FloatMod(std::fabs(direction - wanted), 360.0f);
            } else if (direction < wanted) {
                cw = FloatMod(std::fabs(wanted - direction), 360.0f);
                ccw = FloatMod(std::fabs(360.0f - wanted + direction), 360.0f);
            }
            if (!(cw < step || ccw < step)) {
                direction = FloatMod(cw <= ccw ? direction + step : direction - step, 360.0f);
            }
            HitTarget();
            aim->lockCount += 1;
        } else {
            // Nothing to seek: fly on straight and search again later.
            armLeft = GameRandomInt(2 * armDelay, 3 * armDelay);
        }
    } else {
        armLeft -= tickMs;
        if (armLeft < 1 && !aim) {
            std::shared_ptr<TShip> nearest;
            float best = 0.0f;
            const TShip* from = launcher.get();
            TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) {
                if (ship.get() == from || (from && from->IsLinked(ship.get()))) return;
                float d = Distance(x, y, ship->x, ship->y);
                if (!nearest || d < best) {
                    nearest = ship;
                    best = d;
                }
            });
            if (nearest) target = nearest;
        }
    }

    if (speed < maxSpeed) speed += 1000.0f / ticksPerSecond;
    x += speed * SinDeg(direction) / ticksPerSecond;
    y -= speed * CosDeg(direction) / ticksPerSecond;
    if (trail) trail->Spawn(x - 10.0f * SinDeg(direction), y + 10.0f * CosDeg(direction), direction, nullptr);
    lifeLeft -= tickMs;
    if (lifeLeft < 1) hp = 0.0f;
    if (hp <= 0.0f) {
        if (smokePuff) smokePuff->Spawn(x, y, 0.0f, nullptr);
        Remove();
    }
}

void TRocket::HitTarget() {
    std::shared_ptr<TShip> aim = target.Get();
    if (!aim) return;
    // A rocket has one hit; a ship already finished below 0 hp (it leaves the world in its
    // next update) takes no second rocket and books no second kill.
    if (aim->hp < 0.0f) return;
    if (!(Distance(x, y, aim->x, aim->y) < float(aim->radius))) return;
    if (!ImagesOverlap(image, float(int(x)), float(int(y)), 0, direction, 1, 1, aim->image, float(int(aim->x)),
                       float(int(aim->y)), 0, aim->heading, 1, 1)) {
        return;
    }
    if (explosion) explosion->Spawn(x, y, 0.0f, nullptr);
    lifeLeft = -1;
    if (launcher) launcher->Heal((damage / 10.0f) / aim->armor);
    aim->Damage(damage);
    if (aim->hp < 0.0f && launcher) launcher->AddKill(*aim);
    aim->vx += kRocketPush * SinDeg(direction) / aim->mass;
    aim->vy -= kRocketPush * CosDeg(direction) / aim->mass;
}

void TRocket::Draw() {
    SetDrawRotation(direction);
    DrawImageAt(image, x - cameraX, y - cameraY, 0);
}
