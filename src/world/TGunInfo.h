#pragma once
// The gun catalogue: one entry per gun type, built once at start-up.
#include <memory>
#include <string>
#include <vector>

class TImage;
class TParticleInfo;
class TSound;

// A gun type: its turret and shot pictures, damage, shot speed and life, reload time and
// sounds. Guns look their type up by its text ID when they are mounted.
class TGunInfo {
public:
    // Makes an entry and appends it to the catalogue. Images and sounds that cannot be
    // loaded stay null; an empty sound path gives no sound.
    static void Create(const std::string& id, const std::string& turretPath, int turretPivotY,
                       const std::string& shotPath, const std::shared_ptr<TParticleInfo>& hitEffect,
                       float damage, float shotSpeed, int lifeMs, int reloadMs,
                       const std::string& fireSoundPath, const std::string& hitSoundPath);
    // The first entry with exactly this ID; null and a notice when there is none.
    static std::shared_ptr<TGunInfo> Get(const std::string& id);
    // Every type, in creation order.
    static const std::vector<std::shared_ptr<TGunInfo>>& Catalogue();

    // Type ID, unique in the catalogue.
    std::string id;
    // Turret sprite, anchored at (width / 2, turretPivotY).
    std::shared_ptr<TImage> turretImage;
    // Row of the turret's pivot, pixels from the top.
    int turretPivotY = 0;
    // Shot sprite, anchored at (width / 2, height): a shot's position is its rear end.
    std::shared_ptr<TImage> shotImage;
    // Height of the shot sprite.
    int shotLength = 0;
    // The shot sprite's diagonal, rounded up (the margin of on-screen tests).
    int shotReach = 0;
    // Spawned where a shot hits; may be null.
    std::shared_ptr<TParticleInfo> hitEffect;
    // Damage of one shot.
    float damage = 0.0f;
    // Pixels per second.
    float shotSpeed = 0.0f;
    // Shot lifetime in ms.
    int lifeMs = 0;
    // Reach of a shot: lifeMs / 1000 * shotSpeed + 100.
    float range = 0.0f;
    // Milliseconds from one shot to the next.
    int reloadMs = 0;
    // Played at every shot; may be null.
    std::shared_ptr<TSound> fireSound;
    // Played at every hit on a ship; may be null.
    std::shared_ptr<TSound> hitSound;

private:
    TGunInfo() = default;
};

// The ten gun types of the game, in their fixed order (after the effect catalogue, whose
// hit effects they use). A second call does nothing.
void CreateGunCatalogue();
// Forgets the catalogue.
void ResetGunCatalogue();
