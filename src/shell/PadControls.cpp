#include "shell/PadControls.h"

#include <algorithm>
#include <cmath>

#include "platform/Gamepad.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "shell/Accessibility.h"
#include "shell/Camera.h"
#include "shell/GamePaths.h"
#include "shell/Shell.h"
#include "world/TShip.h"

const char* const padMappingsFileName = "gamecontrollerdb.txt";

namespace {

// Rumble of a hit: the weakest pulse, the hit points lost that give the strongest, its length.
constexpr float kHitRumbleBase = 0.35f;
constexpr float kHitRumbleFullHp = 20.0f;
constexpr int kHitRumbleMs = 150;
constexpr int kDestructionRumbleMs = 900;

bool padAims = false;
// The right stick's last direction, a unit vector (up until it moves).
float aimDirectionX = 0.0f, aimDirectionY = -1.0f;
// The pointer at the last pass, to see the mouse move.
bool pointerKnown = false;
int lastPointerX = 0, lastPointerY = 0;
// Back held since backSince (MilliClock).
bool backHeld = false;
int backSince = 0;
bool quitRequested = false;
int backTaps = 0;

}  // namespace

void OpenPads() { OpenGamepads(GamePaths::SettingsFolder() + padMappingsFileName); }

void UpdatePadControls() {
    int px = PointerX(), py = PointerY();
    if (pointerKnown && (px != lastPointerX || py != lastPointerY)) padAims = false;
    pointerKnown = true;
    lastPointerX = px;
    lastPointerY = py;
    float x, y;
    if (PadRightStick(x, y)) {
        float length = std::sqrt(x * x + y * y);
        aimDirectionX = x / length;
        aimDirectionY = y / length;
        padAims = true;
    }
    if (!PadInputDown(kPadBack)) {
        if (backHeld && !quitRequested) ++backTaps;
        backHeld = false;
    } else if (!backHeld) {
        backHeld = true;
        backSince = MilliClock();
    } else if (int(uint32_t(MilliClock()) - uint32_t(backSince)) >= kPadQuitHoldMs) {
        quitRequested = true;
    }
}

int PadAims() { return padAims && PlayerAlive() ? 1 : 0; }

float AimX() {
    if (!PadAims()) return float(PointerX());
    return player->x - cameraX + aimDirectionX * kPadAimDistance;
}

float AimY() {
    if (!PadAims()) return float(PointerY());
    return player->y - cameraY + aimDirectionY * kPadAimDistance;
}

void CursorFollowsAim() {
    if (!PadAims()) return;
    mouseX = AimX();
    mouseY = AimY();
}

int PadQuitRequested() { return quitRequested ? 1 : 0; }

int PadBackTapped() {
    int taps = backTaps;
    backTaps = 0;
    return taps;
}

namespace {
// A pulse at the player's rumble strength; none at all when it is off.
void Rumble(float strength, int ms) {
    const float factor = RumbleFactor();
    if (factor > 0.0f) RumbleGamepads(strength * factor, ms);
}
}  // namespace

void RumbleForHit(float hpLost) {
    Rumble(std::min(1.0f, kHitRumbleBase + (1.0f - kHitRumbleBase) * hpLost / kHitRumbleFullHp), kHitRumbleMs);
}

void RumbleForDestruction() { Rumble(1.0f, kDestructionRumbleMs); }

void ResetPadControls() {
    padAims = false;
    aimDirectionX = 0.0f;
    aimDirectionY = -1.0f;
    pointerKnown = false;
    lastPointerX = lastPointerY = 0;
    backHeld = false;
    backSince = 0;
    quitRequested = false;
    backTaps = 0;
}

namespace {
const int stateResetRegistered = RegisterStateReset("pad controls", kResetRankShell + 8, &ResetPadControls);
}  // namespace
