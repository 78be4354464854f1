#pragma once
// The player's intent for one world step: the only input the world reads. The shell fills it
// each step from keyboard, mouse and pad; a replay supplies it instead. Plain values only, so
// a step's controls can be stored and compared byte for byte.
#include <cstdint>

// Amounts are whole steps of 1/255, so a stick's push is recorded exactly.
constexpr int kControlAmountSteps = 255;

// Buttons of one step, as bits of TControls::buttons.
enum TControlButton : uint8_t {
    kControlHoldHeading = 1 << 0,   // keep the heading instead of turning to the aim point
    kControlFire = 1 << 1,          // the guns fire (held)
    kControlFireRocket = 1 << 2,    // a rocket is launched (pressed in this step)
    kControlDropTarget = 1 << 3,    // the target is dropped (pressed in this step)
    kControlAutoSelect = 1 << 4,    // rocket auto-selection toggles (pressed in this step)
    kControlNextRocket = 1 << 5,    // the next rocket type (pressed in this step)
    kControlPreviousRocket = 1 << 6,// the previous rocket type (pressed in this step)
};
constexpr uint8_t kControlButtonMask = 0x7F;

// One step's controls.
struct TControls {
    uint8_t thrust = 0;        // forward thrust, 0..kControlAmountSteps
    uint8_t reverse = 0;       // reverse thrust
    uint8_t strafeLeft = 0;    // sideways thrust to the left
    uint8_t strafeRight = 0;   // ... and to the right
    int32_t aimX = 0;          // the aim point, in whole world pixels
    int32_t aimY = 0;
    uint8_t buttons = 0;       // TControlButton bits
    uint8_t selectRocket = 0;  // 0 none, 1..3 selects rocket type 0..2 (pressed in this step)

    bool Has(TControlButton button) const { return (buttons & button) != 0; }
    // An amount as a factor 0..1.
    static float Amount(uint8_t steps) { return float(steps) / float(kControlAmountSteps); }
    bool operator==(const TControls& other) const = default;
};
