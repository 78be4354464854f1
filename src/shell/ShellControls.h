#pragma once
// The keys the shell answers itself, beside the game's: pause (and pausing when the window
// loses the focus during play), full screen at run time, mute, and the frame-rate readout.
#include <cstdint>
#include <string>

extern uint8_t gamePaused;     // 1 while play stands still
extern uint8_t showFrameRate;  // 1 while the frame-rate readout is shown

// Text scale of "PAUSED".
constexpr float kPausedScale = 2.0f;
// How long "Sound on" / "Sound off" shows, in game-clock ms.
constexpr int kSoundMessageDuration = 2000;

// Marks the start of a loop pass, for the readout's work time per frame.
void BeginPassTiming();
// Once a pass: pause (during play only), focus loss, full screen, mute, readout.
void UpdateShellControls();
// On drawn passes, over the HUD or the title: the pause panel and the readout.
void DrawShellOverlays();
// Pauses (1) or resumes (0) play: the game clock held, the pointer shown and free, or
// the clock going on, the pointer hidden and the hits counted meanwhile dropped.
void SetPaused(int on);
// Between a window of the configured size (fitted to the desktop) and borderless full screen
// at the desktop size, with "GFX Full" of Options.ini following (0 or 2). 1 when the display
// changed.
int ToggleFullScreen();
// To borderless full screen at the desktop size (1) or a window of the configured size (0),
// "GFX Full" following; 1 when the display changed, 0 with a notice when it could not.
int SetFullScreen(int on);
// Everything laid out anew from the screen size, after it changed.
void LayOutForScreen();
// Effects and music silent or heard again, with the message "Sound off" / "Sound on".
void ToggleMute();
// The readout's text, e.g. "60 fps  4.1 ms".
std::string FrameRateText();
// The lines under "PAUSED", one per key.
std::string PauseKeyLine(int index);
int PauseKeyLineCount();
// Back to start-up: not paused, no readout, sound on, configured size unknown.
void ResetShellControls();
