#pragma once
// Start-up, the one main loop and shutdown of the game.
//
// main() runs RunGame. Tests drive the same code pass by pass: ResetProgramState, then
// StartUpGame, then RunMainLoopPass until it returns 0, then ShutDownGame.

// The whole program: the game's folders (GamePaths), start-up, the main loop until Escape, shutdown.
// Returns the exit code: 0, or 1 when the game's data folder is not found.
// "--replay FILE" watches a replay in the window (exit 2 when it cannot be read).
int RunGame(int argc, char** argv);
// The command-line tools, which need no display or sound: "--identity" prints the build
// identity, "--verify FILE" plays a replay headless and checks it. kNotATool for any other
// command line; otherwise the tool's exit status.
constexpr int kNotATool = -1;
int RunTool(int argc, char** argv);

// Start-up up to the main loop; 1 to run the loop, 0 to exit at once (display-mode notice).
int StartUpGame();
// One pass of the main loop; 0 once Escape has been hit.
int RunMainLoopPass();
// Closes the display (what exit leaves behind is released by the process itself).
void ShutDownGame();
// Every subsystem's program-wide state back to its start-up value, so a test can start
// the game afresh in the same process.
void ResetProgramState();
