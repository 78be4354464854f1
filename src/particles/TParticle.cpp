#include "particles/TParticle.h"

#include <cmath>

#include "particles/ParticleEngine.h"
#include "particles/TEmitterInfo.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TPixmap.h"

extern uint8_t drawFrame;

namespace {
constexpr float degrees = float(180.0 / M_PI);
int liveParticles = 0;
}  // namespace

TParticle::TParticle() { ++liveParticles; }

TParticle::~TParticle() { --liveParticles; }

int TParticle::LiveCount() { return liveParticles; }

int GradientColumn(float t) { return int(std::ceil(t * 255.0f)) & 255; }

float TParticle::GetPosition(int axis) const {
    float p = position[axis & 1];
    return parent ? p + parent->GetPosition(axis) : p;
}

void TParticle::Update() {
    if (particleClockHeld) {
        if (drawFrame) Draw();
        return;
    }
    life[0] += frameMs;
    if (life[0] > life[1]) {
        Remove();
        return;
    }
    Move();
    if (drawFrame) Draw();
    Emit();
}

void TParticle::Move() {
    if (info->alignToMotion) {
        rotation = std::atan2(velocity[0], -velocity[1]) * degrees;
    } else {
        rotation += spin / frameDivisor;
    }
    position[0] += velocity[0] / frameDivisor;
    position[1] += velocity[1] / frameDivisor;
    velocity[0] += gravityX / frameDivisor;
    velocity[1] += gravityY / frameDivisor;
    if (info->thrust != 0.0f) {
        velocity[0] += std::sin(rotation / degrees) * info->thrust / frameDivisor;
        velocity[1] -= std::cos(rotation / degrees) * info->thrust / frameDivisor;
    }
}

void TParticle::Draw() {
    if (!info->image) return;
    float sx = GetPosition(0) - viewLeft, sy = GetPosition(1) - viewTop;
    float r = info->radius;
    if (sx + r < 0.0f || sx - r > float(viewWidth) || sy + r < 0.0f || sy - r > float(viewHeight)) return;
    ++drawnCount;
    SetDrawRotation(rotation);
    SetBlendMode(info->blend);
    if (info->gradient) {
        ApplyGradient(float(life[0]) / float(life[1]));
    } else {
        SetDrawColor(255, 255, 255);
        SetDrawAlpha(1.0f);
    }
    DrawImageAt(info->image, sx, sy, 0);
}

void TParticle::ApplyGradient(float t) {
    const std::shared_ptr<TPixmap>& gradient = info->gradient;
    // A gradient narrower than 256 px is read at its last column; one without pixels is white.
    if (gradient->width < 1 || gradient->height < 1) {
        SetDrawColor(255, 255, 255);
        SetDrawAlpha(1.0f);
        return;
    }
    int column = GradientColumn(t);
    if (column >= gradient->width) column = gradient->width - 1;
    unsigned argb = unsigned(ReadPixmapPixel(gradient, column, 0));
    SetDrawColor(int((argb >> 16) & 255), int((argb >> 8) & 255), int(argb & 255));
    SetDrawAlpha(float((argb >> 24) & 255) / 255.0f);
}

void TParticle::Emit() {
    if (!emitters) return;
    // The list is held for the loop: emitting never changes it.
    auto own = emitters;
    for (const auto& emitter : *own) emitter->Update(*this);
}

void TParticle::Remove() {
    if (auto own = link.lock()) own->Remove();
    link.reset();
}
