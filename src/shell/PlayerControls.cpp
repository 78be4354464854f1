#include "shell/PlayerControls.h"

#include <cmath>

#include "platform/StateResets.h"
#include "shell/Accessibility.h"
#include "shell/Camera.h"
#include "shell/KeyBindings.h"
#include "shell/PadControls.h"
#include "world/WorldEvents.h"

namespace {
// 0..1 as whole steps of the record.
uint8_t AmountSteps(float amount) {
    if (!(amount > 0.0f)) return 0;
    if (amount >= 1.0f) return uint8_t(kControlAmountSteps);
    return uint8_t(amount * float(kControlAmountSteps) + 0.5f);
}

// A world coordinate as the record's whole pixels, held inside the int range.
int32_t WholePixels(float v) {
    constexpr float kLimit = 2.0e9f;
    if (!(v > -kLimit)) return int32_t(-kLimit);
    if (!(v < kLimit)) return int32_t(kLimit);
    return int32_t(std::floor(v + 0.5f));
}

// Fire and hold heading switched on by a press, where they are set to toggle.
bool fireToggledOn = false;
bool headingToggledOn = false;

// Whether a held action is on: held, or switched by its presses in toggle mode. Its presses
// are always taken, so none counted in one mode acts after a switch to the other.
bool HeldOrToggled(TAction action, int mode, bool& toggledOn) {
    const int presses = ActionWasHit(action);
    if (mode != kPressToggle) return ActionIsDown(action) != 0;
    if (presses % 2) toggledOn = !toggledOn;
    return toggledOn;
}

const int stateResetRegistered = RegisterStateReset("control toggles", kResetRankShell, &ResetControlToggles);

// The buttons that act once per press.
constexpr uint8_t kPressButtons = kControlFireRocket | kControlDropTarget | kControlAutoSelect |
                                  kControlNextRocket | kControlPreviousRocket;
}  // namespace

TControls ReadPlayerControls() {
    TControls c;
    c.thrust = AmountSteps(ActionAmount(TAction::Thrust));
    c.reverse = AmountSteps(ActionAmount(TAction::Reverse));
    c.strafeLeft = AmountSteps(ActionAmount(TAction::StrafeLeft));
    c.strafeRight = AmountSteps(ActionAmount(TAction::StrafeRight));
    c.aimX = WholePixels(AimX() + cameraX);
    c.aimY = WholePixels(AimY() + cameraY);
    // Every input of an action is read, so no press stays counted for later.
    // Toggles are resolved here, so the world and its replay see plain held buttons.
    if (HeldOrToggled(TAction::HoldHeading, headingMode, headingToggledOn)) c.buttons |= kControlHoldHeading;
    if (HeldOrToggled(TAction::FireGuns, fireMode, fireToggledOn)) c.buttons |= kControlFire;
    if (ActionWasHit(TAction::FireRocket)) c.buttons |= kControlFireRocket;
    if (ActionWasHit(TAction::DropTarget)) c.buttons |= kControlDropTarget;
    if (ActionWasHit(TAction::AutoSelect)) c.buttons |= kControlAutoSelect;
    if (ActionWasHit(TAction::NextRocket)) c.buttons |= kControlNextRocket;
    if (ActionWasHit(TAction::PreviousRocket)) c.buttons |= kControlPreviousRocket;
    // The last of the direct choices wins, as when they were read one after the other.
    if (ActionWasHit(TAction::Rocket1)) c.selectRocket = 1;
    if (ActionWasHit(TAction::Rocket2)) c.selectRocket = 2;
    if (ActionWasHit(TAction::Rocket3)) c.selectRocket = 3;
    return c;
}

void ResetControlToggles() {
    fireToggledOn = false;
    headingToggledOn = false;
}

TControls HeldControls(const TControls& controls) {
    TControls c = controls;
    c.buttons &= uint8_t(~kPressButtons);
    c.selectRocket = 0;
    return c;
}

void DeliverWorldEvents() {
    for (const TWorldEvent& event : TakeWorldEvents()) {
        if (event.kind == TWorldEventKind::PlayerHit) RumbleForHit(event.amount);
        if (event.kind == TWorldEventKind::PlayerDestroyed) RumbleForDestruction();
    }
}
