// The game's two random streams: the cosmetic one behind RandomInt and RandomFloat, and the
// game's own, which alone decides what happens in a game.
#include "platform/Input.h"
#include "platform/TRandomStream.h"

namespace {
TRandomStream cosmeticStream;
TRandomStream gameStream;
}  // namespace

void SeedRandom(int seed) { cosmeticStream.Seed(seed); }
int RandomInt(int a, int b) { return cosmeticStream.Int(a, b); }
float RandomFloat(float a, float b) { return cosmeticStream.Float(a, b); }
int RandomState() { return cosmeticStream.State(); }

void SeedGameRandom(int seed) { gameStream.Seed(seed); }
int GameRandomInt(int a, int b) { return gameStream.Int(a, b); }
float GameRandomFloat(float a, float b) { return gameStream.Float(a, b); }
int GameRandomState() { return gameStream.State(); }
