#pragma once
// One live particle: position, motion, age and the type that fixes its look.
#include <memory>
#include <vector>

#include "platform/TList.h"

class TEmitterInfo;
class TParticleInfo;

// A particle of the engine's list.
class TParticle {
public:
    virtual ~TParticle() = default;
    // Stored coordinate (0 x, 1 y), plus the parent's when there is one.
    virtual float GetPosition(int axis) const;
    // Ages, removes, moves, draws (on drawn passes) and emits.
    virtual void Update();
    // Explicit Euler step, position before velocity.
    virtual void Move();
    // Draws the sprite with its gradient colour, unless it is off screen.
    virtual void Draw();
    // Sets colour and alpha from the gradient at age fraction t.
    virtual void ApplyGradient(float t);
    // Runs the particle's emitters.
    virtual void Emit();
    // Takes the particle out of the engine's list.
    virtual void Remove();

    // World position in px (added to the parent's for a relative particle).
    float position[2] = {0.0f, 0.0f};
    // Facing in degrees, 0 up, clockwise.
    float rotation = 0.0f;
    // [0] age in ms, [1] life span in ms.
    int life[2] = {0, 0};
    // Degrees per second.
    float spin = 0.0f;
    // px per second.
    float velocity[2] = {0.0f, 0.0f};
    // The spawning particle, for relative types.
    std::shared_ptr<TParticle> parent;
    // The particle's type.
    std::shared_ptr<TParticleInfo> info;
    // The particle's copy of its type's emitter list (the emitters are shared).
    std::shared_ptr<const std::vector<std::shared_ptr<TEmitterInfo>>> emitters;
    // The particle's node in the engine's list.
    std::weak_ptr<TLink<TParticle>> link;
};

// The gradient column for an age fraction: trunc(ceil(t * 255)), low 8 bits.
int GradientColumn(float t);
