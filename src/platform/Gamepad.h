#pragma once
// Game controllers through SDL's game-controller layer (its controller subsystem only: the
// game keeps its own window, drawing and sound). Every pad is read in one standard layout,
// whatever its make. SDL's library is looked for at start-up; without it, or where SDL cannot
// start (no devices, a container), nothing here is connected and the game plays with keyboard
// and mouse.
#include <string>

// The pad's controls the game reads: its buttons, then its triggers and the four directions
// of each stick, each read as an amount 0..1.
enum TPadInput {
    kPadA,
    kPadB,
    kPadX,
    kPadY,
    kPadBack,
    kPadGuide,
    kPadStart,
    kPadLeftStickClick,
    kPadRightStickClick,
    kPadLB,
    kPadRB,
    kPadDpadUp,
    kPadDpadDown,
    kPadDpadLeft,
    kPadDpadRight,
    kPadLT,
    kPadRT,
    kPadLeftStickUp,
    kPadLeftStickDown,
    kPadLeftStickLeft,
    kPadLeftStickRight,
    kPadRightStickUp,
    kPadRightStickDown,
    kPadRightStickLeft,
    kPadRightStickRight,
};
constexpr int kPadInputCount = kPadRightStickRight + 1;

// Sticks are read with a radial dead zone, triggers with the same one: a deflection below it
// is none, above it the deflection is scaled so that the full range still reaches 1.
constexpr float kPadDeadZone = 0.15f;
// An analog control counts a press (for actions read as presses) from this amount, and released again below the lower one.
constexpr float kPadPressAmount = 0.3f;
constexpr float kPadReleaseAmount = 0.2f;
// Longest mappings file read; a longer one is left alone with a notice.
constexpr long kMaxPadMappingsBytes = 4 * 1024 * 1024;

// Starts SDL's controller subsystem, adds the mappings of the file at mappingsPath when there
// is one (a bad one gives a notice), and opens the pads already plugged in. A joystick SDL
// has no mapping for gives a notice with its name and GUID, naming mappingsPath. 0 when SDL
// cannot start: then the game goes on without pads.
int OpenGamepads(const std::string& mappingsPath);
// Closes the pads and SDL's controller subsystem.
void CloseGamepads();
// Takes SDL's pending controller events: pads plugged in or out, buttons, sticks, triggers.
// Input polls call it. While the window has no focus, buttons and sticks are not read.
void PumpGamepads();
// Pads connected now.
int GamepadCount();
// Pads unplugged since the last call; resets the count.
int GamepadDisconnects();

// The amount of a control, 0..1 (buttons 0 or 1; sticks after the dead zone).
float PadInputAmount(int input);
// 1 while the control is pressed.
int PadInputDown(int input);
// Presses of the control since the last call for it; resets the count.
int PadInputHit(int input);
// Clears the counted presses; controls held stay held.
void ClearGamepadHits();
// Counts every press of any control (wrapping), as KeyAndButtonPresses does for keys.
unsigned PadPresses();
// The control of the latest press counted there; -1 before any.
int LastPadInputPressed();
// Every control released, as if the player let go of all of them (the window lost the focus).
void ReleaseGamepadControls();
// The right stick after the dead zone, each axis -1..1 (y down); 0 while it rests in the zone.
int PadRightStick(float& x, float& y);

// The control's name in the bindings file ("PadA", "PadLT", "PadLeftStickUp"); "" out of range.
std::string PadInputName(int input);
// The name a player reads on screen ("Pad A").
std::string PadInputLabel(int input);

// Rumbles every connected pad that can: strength 0..1 for ms milliseconds.
void RumbleGamepads(float strength, int ms);

// Back to start-up: pads closed, no presses counted.
void ResetGamepads();
