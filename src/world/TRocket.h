#pragma once
// Guided rockets.
#include <cstdint>
#include <memory>

#include "platform/TList.h"
#include "world/TGObject.h"

class TImage;
class TParticleInfo;
class TShip;

// A guided rocket of type 0, 1 or 2: launched along its ship's heading, armed after a
// short delay, then homing on its one target with a limited turn rate. It can only hit
// that target, and lasers can shoot it down.
class TRocket : public TGObject {
public:
    // Guidance, acceleration, motion, trail, ageing and the end of one tick.
    void Update() override;
    // The rocket sprite along its heading.
    void Draw() override;
    // Lasers reduce the hit points (no armour).
    void Damage(float amount) override;
    // Appends the rocket to the world (and to the list of all rockets).
    void Register() override;
    void Remove() override;
    // A new rocket of a type at the launcher's position, already in the world.
    static std::shared_ptr<TRocket> Create(const std::shared_ptr<TShip>& launcher, float angle, float speed,
                                           const std::shared_ptr<TShip>& target, int type);
    // Tests and applies a hit on the target.
    virtual void HitTarget();
    // Every rocket in the world, in world order.
    static const TList<TRocket>& All();

    // The rocket sprite of its type (centred).
    std::shared_ptr<TImage> image;
    // Acceleration stops at this speed (px/s).
    float maxSpeed = 0.0f;
    // Remaining life in ms; -1 after a hit.
    int lifeLeft = 0;
    // Hit points; lasers reduce them.
    float hp = 0.0f;
    // Steering limit, degrees per second.
    float turnRate = 0.0f;
    // Time from launch (or from a failed search) to seeking, ms.
    int armDelay = 0;
    // Countdown to seeking, ms.
    int armLeft = 0;
    // Damage dealt to the target.
    float damage = 0.0f;
    // 0, 1 or 2.
    uint8_t rocketType = 0;
    // Exhaust trail spawned every tick.
    std::shared_ptr<TParticleInfo> trail;
    // Spawned at a hit.
    std::shared_ptr<TParticleInfo> explosion;
    // 1 direct, 2 lead, 3 predictive.
    uint8_t guidance = 1;
    // Ship credited with hits and kills (kept readable after its death).
    std::shared_ptr<TShip> launcher;
    // The only ship the rocket can hit (not owning).
    TObjectRef<TShip> target;

private:
    TRocket() = default;
    // The rocket's link in the list of all rockets.
    std::weak_ptr<TLink<TRocket>> rocketLink;
};
