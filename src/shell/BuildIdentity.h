#pragma once
// The build identity: a hash of everything that decides how a game plays out from its seed and
// controls, so a replay is only played by a build that plays it the same way.
#include <string>

// Raised whenever the simulation's code changes in a way that changes a game: world objects,
// stages, rewards, the random streams, the trigonometry, the step.
constexpr int kSimulationVersion = 1;

// 16 hex digits over the simulation version, the ship table, the gun table and the collision
// masks of the ships', shots' and rockets' pictures. The gun catalogue and the shell's
// pictures must be loaded (ship pictures are loaded here).
std::string BuildIdentity();
