#pragma once
// Turrets mounted on ships.
#include <cstdint>
#include <memory>
#include <string>

#include "world/TGObject.h"

class TGunInfo;
class TRocket;
class TShip;

// One turret: a mount point on its ship, a turret angle, a reload counter and an aim mode
// (0 the player's mouse; 1 direct, 2 lead, 3 lead else nearest, 4 rocket defence,
// 5 predictive: these aim and fire by themselves at the ship's target).
class TGun : public std::enable_shared_from_this<TGun> {
public:
    // Mounts a gun of the type with this ID on the ship (appended to its guns). An unknown
    // type mounts nothing and gives null.
    static std::shared_ptr<TGun> Create(const std::shared_ptr<TShip>& owner, float offsetX, float offsetY,
                                        const std::string& id, int aimMode);
    // Reload, aim and fire for this tick (called by the ship before it moves).
    virtual void Update();
    // Aims at an object from the ship's centre; returns the distance.
    virtual float AimAt(const TGObject& object);
    // Aims ahead of a ship by its velocity relative to ours; returns the corrected distance.
    virtual float AimLead(const TShip& ship);
    // Aims at where an object will be, from the mount point; returns the plain distance.
    virtual float AimPredict(const TGObject& object);
    // Aims at an object from the mount point with half a degree of scatter.
    virtual float AimJitter(const TGObject& object);
    // The nearest ship that is neither the owner nor one of its allies; null if none.
    virtual std::shared_ptr<TShip> NearestShip();
    // The nearest rocket not launched by the owner or its allies; null if none.
    virtual std::shared_ptr<TRocket> NearestHostileRocket();
    // Draws the turret at its mount point.
    virtual void Draw();
    // Mount point in the world.
    virtual float WorldX();
    virtual float WorldY();
    // Fires if the gun is player-aimed.
    virtual void Trigger();
    // Fires a shot once reloaded, with its sound at the mount point.
    virtual void Fire();
    // Takes the gun off its ship; its owner becomes null.
    virtual void Detach();
    virtual ~TGun() = default;

    // The carrying ship; null once detached.
    TObjectRef<TShip> owner;
    // The gun type.
    std::shared_ptr<TGunInfo> info;
    // Who aims it and when it fires, 0..5.
    uint8_t aimMode = 0;
    // Mount point in the ship image's frame: +x to the ship's left, +y to its tail.
    float offsetX = 0.0f, offsetY = 0.0f;
    // Turret angle, 0 up, clockwise.
    float angle = 0.0f;
    // Reload progress; the gun can fire at 1.
    float reload = 0.0f;

private:
    TGun() = default;
    // The owner, or null when detached or gone.
    std::shared_ptr<TShip> Owner() const;
};
