#pragma once
// The game controller as the shell uses it: the pads opened with the player's own mappings,
// the aim point shared by the mouse and the right stick (whichever moved last aims), quitting
// by holding Back, and rumble when the player's ship is hit or destroyed.
#include <string>

// The player's own mappings, beside Options.ini.
extern const char* const padMappingsFileName;
// Distance from the ship of the point the right stick aims at, in screen pixels.
constexpr float kPadAimDistance = 300.0f;
// How long Back is held to quit, in ms.
constexpr int kPadQuitHoldMs = 1000;

// Opens the pads with the mappings file of the settings folder, when there is one.
void OpenPads();
// Once a pass: which device aims, and the hold of Back.
void UpdatePadControls();
// 1 while the right stick aims rather than the mouse.
int PadAims();
// The point the player's ship turns toward and its turrets aim at, in screen pixels: the
// pointer, or the ship's screen position plus the right stick's last direction times
// kPadAimDistance.
float AimX();
float AimY();
// Puts the drawn cursor (mouseX, mouseY) on the aim point while the pad aims.
void CursorFollowsAim();
// 1 once Back has been held for kPadQuitHoldMs.
int PadQuitRequested();
// Short presses of Back (let go before the quit hold) since the last call; resets the count.
int PadBackTapped();
// A short pulse for a hit on the player's ship, stronger for more hit points lost.
void RumbleForHit(float hpLost);
// A long, full pulse when the player's ship is destroyed.
void RumbleForDestruction();
// Back to start-up: the mouse aims, Back not held.
void ResetPadControls();
