#pragma once
// Laser bolts.
#include <memory>

#include "world/TGObject.h"

class TGun;
class TGunInfo;
class TRocket;
class TShip;

// One laser bolt fired by a gun: flies straight with its ship's velocity carried along,
// hits the first ship or rocket its picture overlaps pixel by pixel, fades out at the end.
class TShot : public TGObject {
public:
    // Movement, ageing and the two hit passes of one tick.
    void Update() override;
    // The bolt with light blending, fading at the end of its life.
    void Draw() override;
    // A new shot from the gun's mount point along its angle, appended to the world.
    static std::shared_ptr<TShot> Create(const std::shared_ptr<TGun>& gun);
    // Tests and applies a hit on a ship; true when it hit.
    virtual bool HitShip(TShip& ship);
    // Tests and applies a hit on a rocket (the shot flies on); true when it hit.
    virtual bool HitRocket(TRocket& rocket);

    // The gun that fired it (kept readable; its owner becomes null when detached).
    std::shared_ptr<TGun> gun;
    // The gun type.
    std::shared_ptr<TGunInfo> info;
    // Remaining life in ms; -1 after a hit on a ship.
    int lifeLeft = 0;
    // Damage of the hit.
    float damage = 0.0f;
    // The firing ship's velocity at the moment of firing, added every tick.
    float carryX = 0.0f, carryY = 0.0f;

private:
    TShot() = default;
};
