#pragma once
// Start-up, the one main loop and shutdown of the game.

// The whole program: start-up, the main loop until Escape, shutdown. Returns the exit code.
int RunGame(int argc, char** argv);
