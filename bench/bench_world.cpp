// World tick cost of a battle: 8, 31 and 100 computer ships of mixed kinds, every gun and
// aim mode, with all their shots and rockets, headless. Each tick is timed around the world
// update alone (the particles the battle spawns are stepped between ticks, untimed); dead
// ships are replaced every second so the battle keeps its size. Prints the median and the
// 99th percentile per tick, and how many shots and rockets were in flight.
// Optional argument: seconds of game time measured per size (default 60).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/harness/CombatArena.h"
#include "particles/ParticleEngine.h"
#include "world/GameClock.h"
#include "world/TRocket.h"

namespace {

using Clock = std::chrono::steady_clock;

// The game folder beside the bench's build folder (build/game).
std::string GameFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    std::string exe(buf, size_t(n));
    return exe.substr(0, exe.rfind('/')) + "/../game";
}

// One tick as the main loop makes it: the clock advances, the particles step, the tick
// statistics follow the game clock.
void NextTick(int stepMs) {
    AdvanceFakeClock(stepMs);
    UpdateParticles();
    tickMs = AdvanceGameClock();
    ticksPerSecond = float(kStepsPerSecond);
}

// Ships of every kind but the player's, in table order, spread over a square that grows with
// the number of ships so the fighting stays about as dense.
void Reinforce(int count, int& made) {
    float side = 500.0f * std::sqrt(float(count));
    while (TShip::All().Count() < count) {
        const TShipKind& kind = kShipKinds[size_t(1 + made % int(kShipKinds.size() - 1))];
        CombatArena::Ship(std::string(kind.name), 1, RandomFloat(-side / 2, side / 2), RandomFloat(-side / 2, side / 2),
                          1 + made % 5);
        ++made;
    }
}

void Battle(int count, int seconds) {
    CombatArena arena(100000, GameFolder());
    drawFrame = 0;
    int made = 0;
    Reinforce(count, made);
    for (int tick = 0; tick < 600; ++tick) {  // ten seconds to get going
        NextTick(tick % 3 == 0 ? 16 : 17);
        TUniverse::UpdateAll();
        if (tick % 60 == 59) Reinforce(count, made);
    }
    std::vector<double> micros;
    long shots = 0, rockets = 0;
    int ticks = seconds * 60, deaths = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        NextTick(tick % 3 == 0 ? 16 : 17);
        auto start = Clock::now();
        TUniverse::UpdateAll();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        int inWorld = TUniverse::Objects().Count();
        rockets += TRocket::All().Count();
        shots += inWorld - TShip::All().Count() - TRocket::All().Count();
        if (tick % 60 == 59) {
            deaths += count - TShip::All().Count();
            Reinforce(count, made);
        }
    }
    std::sort(micros.begin(), micros.end());
    double median = micros[micros.size() / 2];
    double p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    double mean = 0;
    for (double m : micros) mean += m;
    mean /= double(micros.size());
    std::printf("%3d ships: median %.3f ms, p99 %.3f ms, mean %.3f ms per tick; %.0f shots and %.1f rockets in flight, "
                "%d ships destroyed in %d s\n",
                count, median / 1000.0, p99 / 1000.0, mean / 1000.0, double(shots) / ticks, double(rockets) / ticks,
                deaths, seconds);
    TUniverse::ClearAll();
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    for (int count : {8, 31, 100}) Battle(count, seconds);
    return 0;
}
