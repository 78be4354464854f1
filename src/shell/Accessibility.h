#pragma once
// The player's accessibility choices: firing and holding the heading by a press that toggles
// instead of a held button, how strongly the pad rumbles, and whether the rocket-lock alarm
// sounds (its text always shows). Kept in Options.ini; a missing line keeps the default.
#include <string>

// How an action that is normally held works.
constexpr int kPressHold = 0;    // active while the button is held
constexpr int kPressToggle = 1;  // each press switches it on or off

// Rumble strength.
constexpr int kRumbleOff = 0;
constexpr int kRumbleLow = 1;
constexpr int kRumbleFull = 2;
// A pulse's strength at kRumbleLow, as a share of the full one.
constexpr float kRumbleLowShare = 0.35f;

// Options.ini keys of the choices.
extern const char* const kFireModeKey;         // "Fire Mode": 0 hold, 1 toggle
extern const char* const kHeadingModeKey;      // "Hold Heading Mode": 0 hold, 1 toggle
extern const char* const kRumbleKey;           // "Rumble": 0 off, 1 low, 2 full
extern const char* const kAlarmSoundKey;       // "Rocket Alarm Sound": 0 off, 1 on

extern int fireMode;        // kPressHold or kPressToggle; default hold
extern int headingMode;     // kPressHold or kPressToggle; default hold
extern int rumbleStrength;  // kRumbleOff..kRumbleFull; default full
extern int alarmSoundOn;    // 1 (default) or 0

// The factor rumble pulses are multiplied by for the current rumbleStrength (0, low share, 1).
float RumbleFactor();
// Back to the defaults above; toggled fire and heading off.
void ResetAccessibility();
