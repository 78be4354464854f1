// The title battle as a player sees it: the real loop, windowed 1024 x 768, with the game's
// pictures and sounds, no game started, so the unnamed stage 0 fills the world with up to
// 31 enemies fighting each other. After the battle has filled up, each second is measured on
// its own: drawn frames, world updates, CPU per pass, and the share of the world update.
// Prints the median and the worst second, once with the camera where the title screen leaves
// it and once kept on the fighting. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_title_battle [seconds]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "BenchSupport.h"
#include "particles/ParticleEngine.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "shell/Camera.h"
#include "shell/Game.h"
#include "shell/Shell.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

namespace {

// Ships in the world.
int ShipCount() {
    int n = 0;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) { n += ship && !ship->dead; });
    return n;
}

// One measured second.
struct TSecond {
    double drawn = 0, updates = 0, passes = 0, cpuMs = 0, worldMs = 0;
    int ships = 0;
    int particles = 0;
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Keeps the camera on a living ship of the battle, as after a game when the camera stays
// where the player's wreck is and the fighting comes by.
void FollowTheBattle() {
    auto followed = std::dynamic_pointer_cast<TShip>(cameraTarget);
    if (followed && !followed->dead) return;
    cameraTarget = TShip::All().First();
}

int RunWorkload(const char* name, int seconds, bool follow) {
    TBenchGameFolder folder(true, 0, 0);
    ResetProgramState();
    if (!StartUpGame()) {
        std::printf("no display\n");
        return 1;
    }
    // Fill up: the battle has its 31 ships and has been fighting for a while.
    int fillStart = MilliClock();
    while (ShipCount() < 31 && MilliClock() - fillStart < 30000) RunMainLoopPass();
    int filledAfter = MilliClock() - fillStart;
    for (int start = MilliClock(); MilliClock() - start < 10000;) {
        if (follow) FollowTheBattle();
        RunMainLoopPass();
    }

    std::vector<TSecond> perSecond;
    for (int s = 0; s < seconds; ++s) {
        TSecond second;
        int swapsBefore = GraphicsCounters().swaps, updatesBefore = worldUpdates;
        int64_t worldBefore = worldUpdateNanos;
        double cpuBefore = CpuSeconds();
        int start = MilliClock();
        while (MilliClock() - start < 1000) {
            if (follow) FollowTheBattle();
            RunMainLoopPass();
            ++second.passes;
        }
        double wall = (MilliClock() - start) / 1000.0;
        second.drawn = (GraphicsCounters().swaps - swapsBefore) / wall;
        second.updates = (worldUpdates - updatesBefore) / wall;
        second.cpuMs = (CpuSeconds() - cpuBefore) * 1e3 / wall;
        second.worldMs = double(worldUpdateNanos - worldBefore) / 1e6 / wall;
        second.passes /= wall;
        second.ships = ShipCount();
        second.particles = ParticleCount();
        perSecond.push_back(second);
    }

    std::vector<double> drawn, updates, cpuPerPass, worldShare, cpuShare, ships, particles;
    for (const TSecond& s : perSecond) {
        drawn.push_back(s.drawn);
        updates.push_back(s.updates);
        cpuPerPass.push_back(s.passes > 0 ? s.cpuMs * 1e3 / s.passes : 0);
        worldShare.push_back(s.cpuMs > 0 ? 100.0 * s.worldMs / s.cpuMs : 0);
        cpuShare.push_back(s.cpuMs / 10.0);
        ships.push_back(s.ships);
        particles.push_back(s.particles);
    }
    auto worst = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); };
    double worldMsPerUpdate = 0, totalUpdates = 0;
    for (const TSecond& s : perSecond) {
        worldMsPerUpdate += s.worldMs;
        totalUpdates += s.updates;
    }
    std::printf("workload %s seconds=%d filled_to_31_ships_after_ms=%d\n", name, seconds, filledAfter);
    std::printf("  drawn_frames_per_second   median %.1f  worst %.1f\n", Median(drawn), worst(drawn));
    std::printf("  world_updates_per_second  median %.1f  worst %.1f\n", Median(updates), worst(updates));
    std::printf("  cpu_us_per_pass           median %.1f\n", Median(cpuPerPass));
    std::printf("  cpu_share_of_one_core     median %.1f%%\n", Median(cpuShare));
    std::printf("  world_update_ms           mean %.3f per update\n",
                totalUpdates > 0 ? worldMsPerUpdate / totalUpdates : 0.0);
    std::printf("  world_update_share_of_cpu median %.1f%%\n", Median(worldShare));
    std::printf("  ships median %.0f  particles median %.0f\n", Median(ships), Median(particles));
    ShutDownGame();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    StartAlarmTimer();
    // The title screen as it starts: the camera on the world's origin, where the battle
    // passes now and then.
    if (RunWorkload("title_battle_windowed_1024x768_camera_at_origin", seconds, false)) return 1;
    // The camera kept on the fighting: every explosion and bolt on screen.
    return RunWorkload("title_battle_windowed_1024x768_camera_on_the_fighting", seconds, true);
}
