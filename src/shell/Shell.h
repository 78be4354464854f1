#pragma once
// The shell's program-wide state, read directly by the other subsystems.
#include <cstdint>
#include <memory>
#include <string>

class TTimer;

// ---- Settings (from Options.ini) ----
extern int gfxWidth;            // display width in pixels
extern int gfxHeight;           // display height in pixels
extern int gfxDepth;            // 0 = window, otherwise full screen at that depth
extern int gfxDesktopFull;      // 1 = borderless full screen at the desktop size (gfxDepth 0)
// The window size Options.ini asks for; gfxWidth x gfxHeight is the size in use, smaller when
// the window was fitted to the desktop, the desktop's in full screen. 0 until the display opens.
extern int configuredWidth;
extern int configuredHeight;
extern uint8_t cameraMode;      // camera behaviour 0, 1 or 2
extern float sfxVolume;         // effect volume 0..1
extern float musicVolume;       // music volume 0..1
extern uint8_t onlineHighscore; // 0 = online features off
extern std::string playerName;  // name for highscore entries
// The name the latest game was started under: its score and its replay carry it, even when the
// player renames in the settings while it runs.
extern std::string gamePlayerName;

// ---- Loop state ----
extern float mouseX, mouseY;                 // pointer clamped to the screen, every pass
extern std::shared_ptr<TTimer> frameTimer;   // 60 Hz world tick timer
extern int lastTick;                         // timer periods at the last world steps
extern uint8_t drawFrame;                    // whether the current pass draws
extern int drawInterval;                     // minimum ms between drawn frames
extern int lastDrawTime;                     // clock value of the last drawn frame
extern int tickMs;                           // ms of game clock the last world step played
extern float ticksPerSecond;                 // world steps per second, 60
extern float difficulty;                     // difficulty multiplier
extern uint8_t screenshotRequested;          // screenshot wanted in the next drawn frame
extern int worldUpdates;                     // world steps since start-up (statistics)
extern uint32_t gameSeed;                    // the game random stream's seed of the latest game
extern int64_t worldUpdateNanos;              // time spent in world updates (statistics)

// The product's name and version, as the window title shows it.
extern const char* const gameTitle;

// Begins a new game with a new seed: the world cleared, the title panel dropped, the game's
// random stream and clock restarted, the player's "Modern X" made and followed by the camera,
// difficulty 1, pending input dropped.
void StartGame();
// The same with a given seed (a replay's).
void StartSeededGame(uint32_t seed);

// Every shell variable back to its start-up value.
void ResetShellState();
