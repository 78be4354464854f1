#pragma once
// Moves through menus read alike from the keyboard, the mouse and every pad: the arrows, the
// D-pad and the left stick move (the stick repeating while held), Enter / pad A confirm,
// Backspace / the right mouse button / pad B go back, pad Start finishes. Used by the settings
// screen and the letter picker; the game's own actions are not read here.
#include <vector>

enum class TMenuMove { Up, Down, Left, Right, Confirm, Back, Finish };

// The moves made since the last call, in order. Presses read here are taken from the pad's and
// the keyboard's counts, so a screen that reads menu moves owns those presses for the pass.
std::vector<TMenuMove> ReadMenuMoves();
// Drops pending moves and the stick's repeat, e.g. when a menu opens.
void ClearMenuMoves();
