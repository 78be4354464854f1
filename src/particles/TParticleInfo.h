#pragma once
// A particle type: image, colour course, life span, speeds and spin, launch rules and the
// emitters its particles carry.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TEmitterInfo;
class TImage;
class TParticle;
class TPixmap;
class TSound;

// One entry of the particle catalogue.
class TParticleInfo : public std::enable_shared_from_this<TParticleInfo> {
public:
    virtual ~TParticleInfo() = default;
    // A particle spawned by an emitter at its carrier, launched by angleMode.
    virtual std::shared_ptr<TParticle> SpawnFrom(TParticle& parent, TEmitterInfo& emitter);
    // A new particle at (x, y) launched at angle; null when the point lies more than one
    // screen size outside the view.
    virtual std::shared_ptr<TParticle> Spawn(float x, float y, float angle,
                                             const std::shared_ptr<TParticle>& parent);
    // A new registered type with these values (id = its index in the catalogue).
    static std::shared_ptr<TParticleInfo> Create(int lifeMin, int lifeMax, float spinMin, float spinMax,
                                                 float speedMin, float speedMax, float thrust,
                                                 uint8_t relative);
    // The type at an index of the catalogue (null when out of range).
    static std::shared_ptr<TParticleInfo> Get(int index);
    virtual int GetId() const { return id; }
    // Loads the sprite (centred) and the gradient; a missing file is reported.
    virtual void SetImage(const std::string& path, const std::string& gradientPath, uint8_t blend,
                          uint8_t alignToMotion);
    virtual void SetEmission(uint8_t angleMode, float fixedAngle, float spread, float spawnRadius);
    // Adds an emitter in front of the others.
    virtual void AddEmitter(float from, float to, float rate, const std::shared_ptr<TParticleInfo>& particleType);
    virtual void SetSound(const std::string& path);

    // Index in the catalogue.
    int id = 0;
    // Min and max life span in ms.
    int lifeRange[2] = {0, 0};
    // Min and max spin in degrees/s.
    float spinRange[2] = {0.0f, 0.0f};
    // Min and max launch speed in px/s.
    float speedRange[2] = {0.0f, 0.0f};
    // Acceleration along the particle's facing, px/s².
    float thrust = 0.0f;
    // Particles keep their spawning particle as parent.
    uint8_t relative = 0;
    // The sprite; null for an invisible carrier.
    std::shared_ptr<TImage> image;
    // Colour course over the life span; null = plain white.
    std::shared_ptr<TPixmap> gradient;
    // Blend mode for drawing.
    uint8_t blend = 0;
    // Facing follows the velocity instead of spinning.
    uint8_t alignToMotion = 0;
    // Half the image diagonal, for culling.
    float radius = 0.0f;
    // How SpawnFrom picks the launch angle, 0..5.
    uint8_t angleMode = 0;
    // Emitters carried by particles of this type (replaced whole when one is added).
    std::shared_ptr<const std::vector<std::shared_ptr<TEmitterInfo>>> emitters;
    // Launch angle for angleMode 5.
    float fixedAngle = 0.0f;
    // Width of the random fan around the launch angle, degrees.
    float spread = 0.0f;
    // Particles start this far from the spawn point, in a random direction.
    float spawnRadius = 0.0f;
    // Played at the particle's position when one is spawned.
    std::shared_ptr<TSound> sound;
};
