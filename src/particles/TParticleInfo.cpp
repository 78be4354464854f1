#include "particles/TParticleInfo.h"

#include <cmath>

#include "particles/ParticleEngine.h"
#include "particles/TEmitterInfo.h"
#include "particles/TParticle.h"
#include "platform/Audio.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "shell/Camera.h"

namespace {
constexpr float degrees = float(180.0 / M_PI);
float SinDeg(float a) { return std::sin(a / degrees); }
float CosDeg(float a) { return std::cos(a / degrees); }
}  // namespace

std::shared_ptr<TParticleInfo> TParticleInfo::Create(int lifeMin, int lifeMax, float spinMin, float spinMax,
                                                     float speedMin, float speedMax, float thrust,
                                                     uint8_t relative) {
    auto type = std::make_shared<TParticleInfo>();
    type->lifeRange[0] = lifeMin;
    type->lifeRange[1] = lifeMax;
    type->spinRange[0] = spinMin;
    type->spinRange[1] = spinMax;
    type->speedRange[0] = speedMin;
    type->speedRange[1] = speedMax;
    type->thrust = thrust;
    type->relative = relative;
    type->id = int(particleTypes.size());
    particleTypes.push_back(type);
    return type;
}

std::shared_ptr<TParticleInfo> TParticleInfo::Get(int index) {
    if (index < 0 || size_t(index) >= particleTypes.size()) return nullptr;
    return particleTypes[size_t(index)];
}

void TParticleInfo::SetImage(const std::string& path, const std::string& gradientPath, uint8_t blendMode,
                             uint8_t align) {
    image = LoadImageFile(path, -1);
    if (!image) {
        // The type stays invisible; its gradient, blend and alignment are left as they were.
        ShowNotice("Image not found: " + path, 0);
        return;
    }
    CentreImageAnchor(image);
    int halfHeight = ImageHeightOf(image) / 2, halfWidth = ImageWidthOf(image) / 2;
    radius = std::sqrt(float(halfHeight * halfHeight + halfWidth * halfWidth));
    if (!gradientPath.empty()) {
        gradient = LoadPixmapFile(gradientPath);
        if (!gradient) ShowNotice("Gradient Image not found: " + gradientPath, 0);
    }
    blend = blendMode;
    alignToMotion = align;
}

void TParticleInfo::SetEmission(uint8_t mode, float angle, float spreadDegrees, float radiusPx) {
    angleMode = mode;
    fixedAngle = angle;
    spread = spreadDegrees;
    spawnRadius = radiusPx;
}

void TParticleInfo::AddEmitter(float from, float to, float rate, const std::shared_ptr<TParticleInfo>& type) {
    auto list = std::make_shared<std::vector<std::shared_ptr<TEmitterInfo>>>();
    list->push_back(TEmitterInfo::Create(from, to, rate, type));
    if (emitters) list->insert(list->end(), emitters->begin(), emitters->end());
    emitters = std::move(list);
}

void TParticleInfo::SetSound(const std::string& path) { sound = LoadSoundFile(path, 0); }

std::shared_ptr<TParticle> TParticleInfo::SpawnFrom(TParticle& parent, TEmitterInfo&) {
    float angle = 0.0f;
    switch (angleMode) {
        case 0: angle = parent.rotation; break;
        case 1: angle = parent.rotation + 180.0f; break;
        case 2: angle = std::atan2(parent.velocity[0], -parent.velocity[1]) * degrees; break;
        case 3: angle = std::atan2(parent.velocity[0], parent.velocity[1]) * degrees; break;
        case 4: angle = float(RandomInt(0, 360)); break;
        case 5: angle = fixedAngle; break;
        default: break;
    }
    std::shared_ptr<TParticle> self;
    if (auto link = parent.link.lock()) self = link->Value();
    return Spawn(parent.position[0], parent.position[1], angle, self);
}

std::shared_ptr<TParticle> TParticleInfo::Spawn(float x, float y, float angle,
                                                const std::shared_ptr<TParticle>& parent) {
    float dx = x - viewLeft, dy = y - viewTop;
    if (dx < -float(viewWidth) || dx > 2.0f * float(viewWidth) || dy < -float(viewHeight) ||
        dy > 2.0f * float(viewHeight)) {
        return nullptr;
    }
    auto particle = std::make_shared<TParticle>();
    float a = RandomFloat(0.0f, 360.0f);
    particle->position[0] = x + SinDeg(a) * spawnRadius;
    particle->position[1] = y - CosDeg(a) * spawnRadius;
    particle->rotation = angle;
    particle->life[1] = RandomInt(lifeRange[0], lifeRange[1]);
    particle->life[0] = 0;
    particle->spin = RandomFloat(spinRange[0], spinRange[1]);
    float direction = angle + (float(RandomInt(0, int(spread))) - spread / 2.0f);
    float launch = RandomFloat(speedRange[0], speedRange[1]);
    particle->velocity[0] = SinDeg(direction) * launch;
    particle->velocity[1] = -CosDeg(direction) * launch;
    particle->emitters = emitters;
    if (relative && parent) particle->parent = parent;
    particle->info = shared_from_this();
    particle->link = particles->Append(particle);
    if (sound) PlaySoundAt(sound, int(particle->position[0]), int(particle->position[1]));
    return particle;
}
