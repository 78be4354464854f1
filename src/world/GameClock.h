#pragma once
// The game clock: the milliseconds of world steps played, each 1/60 s. Stages, messages and the
// computer pilots' timers read it, so they move with the world: a slowed-down game slows them
// too, and while the game is paused no step is played and nothing advances.

// World steps per second of play.
constexpr int kStepsPerSecond = 60;

// Milliseconds of steps played since the clock last restarted; wraps like any 32-bit clock.
extern int gameClock;
// Steps played since the clock last restarted.
extern int gameSteps;

// Plays one step on the clock; returns the step's length in whole ms (16 or 17, so that every
// 60 steps make exactly one second).
int AdvanceGameClock();
// Restarts the clock at 0 (at the start of a game); returns how far it moved, so timers set on
// the old clock can be moved along.
int RestartGameClock();
// Back to start-up values.
void ResetGameClock();
