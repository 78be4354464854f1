// The title battle as a player sees it: the real loop with the game's pictures and sounds,
// no game started, so the unnamed stage 0 fills the world with up to 31 enemies fighting
// each other. After the battle has filled up, each second is measured on its own; prints the
// median and worst second of drawn frames, the CPU per frame and its share of one core, and
// where a frame's time goes. The title camera follows a ship of the battle. At each window
// size named (default 1024 x 768 and 1920 x 1080
// windowed; "1920x1080f" is full screen). Run under an X server as large, e.g.
//   tests/e2e/with-xvfb.sh -s 1920x1080x24 build/bench/bench_title_battle [seconds] [WxH[f]...]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchLoop.h"
#include "BenchSupport.h"
#include "shell/Game.h"
#include "shell/Shell.h"
#include "world/TShip.h"

namespace {

// Ships in the world.
int ShipCount() {
    int n = 0;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) { n += ship && !ship->dead; });
    return n;
}

int RunWorkload(const char* name, const TBenchSize& size, int seconds) {
    TBenchGameFolder folder(true, 0, 0, size.width, size.height, size.fullScreen);
    ResetProgramState();
    if (!StartUpGame()) {
        std::printf("no display for %s\n", size.Name().c_str());
        return 1;
    }
    // Fill up: the battle has its 31 ships and has been fighting for a while.
    int fillStart = MilliClock();
    while (ShipCount() < 31 && MilliClock() - fillStart < 30000) RunMainLoopPass();
    for (int start = MilliClock(); MilliClock() - start < 5000;) RunMainLoopPass();
    MeasureLoop(std::string(name) + "_" + size.Name(), seconds, 3, [] {});
    ShutDownGame();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    StartAlarmTimer();
    for (const TBenchSize& size : BenchSizes(argc, argv, 2)) {
        // The title screen as it plays: its camera follows a ship of the battle.
        if (RunWorkload("title_battle", size, seconds)) return 1;
    }
    return 0;
}
