#include "shell/Camera.h"

#include <cmath>
#include <cstdint>

#include "platform/Audio.h"
#include "platform/Trig.h"
#include "shell/Shell.h"
#include "world/TGObject.h"
#include "world/TShip.h"
#include "world/WorldMath.h"
#include "platform/StateResets.h"

std::shared_ptr<TGObject> cameraTarget;
float focusX = 0.0f, focusY = 0.0f;
float trailX = 0.0f, trailY = 0.0f;
float cameraX = 0.0f, cameraY = 0.0f;

void UpdateCameraFocus() {
    if (!cameraTarget) return;
    float tx = cameraTarget->x, ty = cameraTarget->y;
    switch (cameraMode) {
        case 0:
            focusX = tx;
            focusY = ty;
            break;
        case 1: {
            float dx = tx - trailX, dy = ty - trailY;
            trailX = tx;
            trailY = ty;
            float a = ATan2Deg(dx, dy);
            float s = cameraTarget->speed;
            focusX = tx + SinDeg(a) * s * 10.0f;
            focusY = ty + CosDeg(a) * s * 10.0f;
            break;
        }
        case 2: {
            float ex = (tx - trailX) / 1.1f, ey = (ty - trailY) / 1.1f;
            trailX = tx - ex;
            trailY = ty - ey;
            focusX = tx + ex;
            focusY = ty + ey;
            break;
        }
        default:
            break;
    }
}

void FollowTitleBattle() {
    // After a game the camera stays on the wreck; during one it follows the player's ship.
    if (player) return;
    if (cameraTarget && !cameraTarget->dead) return;
    std::shared_ptr<TShip> living;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) {
        if (!living && !ship->dead) living = ship;
    });
    if (living) cameraTarget = living;
}

void UpdateCameraOrigin() {
    cameraX = focusX - float(gfxWidth / 2);
    cameraY = focusY - float(gfxHeight / 2);
}

bool IsOnScreen(float x, float y, int margin) {
    float sx = x - cameraX, sy = y - cameraY;
    return sx + float(margin) >= 0.0f && sx - float(margin) <= float(gfxWidth) &&
           sy + float(margin) >= 0.0f && sy - float(margin) <= float(gfxHeight);
}

float SoundFalloffAt(int x, int y) {
    // Squared distances in 64-bit and double: far objects must stay silent, not wrap into earshot.
    double dx = std::trunc(double(x) - double(cameraX) - double(gfxWidth / 2));
    double dy = std::trunc(double(y) - double(cameraY) - double(gfxHeight / 2));
    double radius = 2.0 * double(gfxWidth);
    if (radius <= 0.0) return 0.0f;
    double f = (dx * dx + dy * dy) / (radius * radius);
    if (!(f < 1.0)) return 0.0f;
    return float(1.0 - f);
}

void PlaySoundAt(const std::shared_ptr<TSound>& sound, int x, int y) {
    if (!sound) return;
    float falloff = SoundFalloffAt(x, y);
    if (falloff <= 0.0f) return;
    std::shared_ptr<TChannel> channel = PlaySoundOn(sound);
    if (channel) ChangeChannelVolume(channel, falloff * sfxVolume);
}

float AngleTo(float x1, float y1, float x2, float y2) {
    float a = FloatMod(ATan2Deg(y2 - y1, x2 - x1) + 450.0f, 360.0f);
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

float DistanceBetween(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

void ResetCamera() {
    cameraTarget.reset();
    focusX = focusY = trailX = trailY = cameraX = cameraY = 0.0f;
}

namespace {
const int stateResetRegistered = RegisterStateReset("camera", kResetRankShell + 2, &ResetCamera);
}  // namespace
