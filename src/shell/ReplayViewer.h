#pragma once
// Watching a replay in the window: its game played again step by step with the HUD, messages,
// sounds and effects as they were, paused, faster or slower at the player's word.
#include <string>

class TReplay;

// Slowest and fastest watching speeds, as powers of two of real time.
constexpr int kSlowestViewerSpeed = -2;  // 1/4x
constexpr int kFastestViewerSpeed = 4;   // 16x

// Starts watching: the replay's game begins at once in place of whatever was on screen. False,
// with a notice, when the replay comes from another build.
bool StartWatching(const TReplay& replay);
// Reads a replay file and starts watching it; false, with a notice, when it cannot be read.
bool StartWatchingFile(const std::string& path);
// A replay is being watched.
bool Watching();
// The game on screen (or the one just ended) is a watched replay, whose score is not the
// player's own.
bool WatchedGameOnScreen();
// Plays the steps due for this many periods of the frame timer at the chosen speed; none while
// paused. At the replay's end its game ends: a game over as it happened, otherwise back to the
// title.
void PlayWatchedSteps(int periods);
// Once a pass while watching: pause, speed and back to the title.
void UpdateViewerKeys();
// Puts the drawn cursor where the replay's player aimed.
void ViewerCursor();
// The viewer's line (speed or pause) over the HUD.
void DrawViewerOverlay();
// Ends watching: the replay's game leaves the screen and the title shows.
void StopWatching();
// Back to start-up: nothing watched.
void ResetReplayViewer();
