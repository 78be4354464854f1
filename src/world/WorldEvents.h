#pragma once
// What the world tells the shell without calling it: the player's ship was hit or destroyed.
// The shell turns these into pad rumble after the steps it played; a replay that is only
// verified drops them.
#include <vector>

enum class TWorldEventKind { PlayerHit, PlayerDestroyed };

struct TWorldEvent {
    TWorldEventKind kind;
    float amount = 0.0f;  // hit points lost, for a hit
};

void PostWorldEvent(TWorldEventKind kind, float amount = 0.0f);
// The events posted since the last call, oldest first; the queue is left empty.
std::vector<TWorldEvent> TakeWorldEvents();
