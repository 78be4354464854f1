// A fight as a player plays it: the real loop with the game's pictures and sounds, a game
// started with Enter, the ship thrusting while the pointer circles it and the fire button
// is held (a new game at once after being shot down). Each second is measured on its own;
// prints the median and worst second of drawn frames, the CPU per frame and its share of
// one core, and where a frame's time goes, at each window size named (default 1024 x 768
// and 1920 x 1080 windowed; "1920x1080f" is full screen). Run under an X server as large, e.g.
//   tests/e2e/with-xvfb.sh -s 1920x1080x24 build/bench/bench_fight [seconds] [WxH[f]...]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "BenchLoop.h"
#include "BenchSupport.h"
#include "platform/Input.h"
#include "shell/Game.h"
#include "shell/Shell.h"
#include "world/TShip.h"

namespace {

// One turn of the pointer around the screen's centre, and its radius as a share of the height.
constexpr double kCircleMs = 4000.0;
constexpr double kCircleRadius = 0.3;

// The player's hands: Enter pressed once per pass while no game runs (the title takes it
// at its next drawn frame), thrust and fire held, the pointer on its circle.
void Play(int width, int height) {
    if (!PlayerAlive()) {
        ApplyKeyDown(kKeyReturn);
        ApplyKeyUp(kKeyReturn);
    }
    if (!KeyIsDown(kKeyW)) ApplyKeyDown(kKeyW);
    if (!MouseButtonDown(kMouseLeft)) ApplyMouseDown(kMouseLeft);
    double a = 2.0 * 3.14159265358979 * (MilliClock() % int(kCircleMs)) / kCircleMs;
    double r = kCircleRadius * height;
    ApplyPointerMoved(int(width / 2 + r * std::cos(a)), int(height / 2 + r * std::sin(a)));
}

int RunWorkload(const TBenchSize& size, int seconds) {
    TBenchGameFolder folder(true, 0, 0, size.width, size.height, size.fullScreen);
    ResetProgramState();
    if (!StartUpGame()) {
        std::printf("no display for %s\n", size.Name().c_str());
        return 1;
    }
    auto play = [&] { Play(size.width, size.height); };
    // The fight gets going: enemies arrive and the first shots fly.
    for (int start = MilliClock(); MilliClock() - start < 8000;) {
        play();
        RunMainLoopPass();
    }
    MeasureLoop("fight_" + size.Name(), seconds, 3, play);
    ShutDownGame();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    StartAlarmTimer();
    for (const TBenchSize& size : BenchSizes(argc, argv, 2))
        if (RunWorkload(size, seconds)) return 1;
    return 0;
}
