#pragma once
// The background music's program-wide state.
#include <string>

// Title of the track playing, shown on the title screen; "" while no track plays.
extern std::string musicTitle;

// The music state back to its start-up value.
void ResetMusic();
