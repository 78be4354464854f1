#pragma once
// Fills the world's controls record from the player's keys, mouse and pad, and hands what the
// world reported (hits, destruction) back to the pad as rumble.
#include "world/TControls.h"

// The controls of the next step, read from the actions: held amounts and buttons, the presses
// made since the last read, and the aim point (pointer or right stick) in world pixels.
TControls ReadPlayerControls();
// The same controls for a further step of the same pass: held inputs stay, presses are
// dropped, since each press acts once.
TControls HeldControls(const TControls& controls);
// Fire and hold heading switched off, as at the start of each game.
void ResetControlToggles();
// Turns the world's events since the last call into pad rumble.
void DeliverWorldEvents();
