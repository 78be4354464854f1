// Idle main loop, windowed: passes per second, drawn frames per second and CPU time per
// pass of the real loop with nothing in the world. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_idle_loop [seconds]
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Graphics.h"
#include "platform/Input.h"
#include "shell/Game.h"
#include "shell/Shell.h"

namespace {
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    char pattern[] = "/tmp/tavrik-bench-XXXXXX";
    std::filesystem::path folder = mkdtemp(pattern);
    std::filesystem::current_path(folder);
    std::ofstream("Options.ini") << "GFX X=1024\r\nGFX Y=768\r\nGFX Full=0\r\nGFX Camera Delay=0\r\n"
                                    "SoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=Bench\r\n";
    StartAlarmTimer();
    if (!StartUpGame()) {
        std::printf("idle_loop: no display\n");
        return 1;
    }
    // Let the window settle before measuring.
    for (int start = MilliClock(); MilliClock() - start < 300;) RunMainLoopPass();

    long passes = 0;
    int swapsBefore = GraphicsCounters().swaps;
    int updatesBefore = worldUpdates;
    double cpuBefore = CpuSeconds();
    int start = MilliClock();
    while (MilliClock() - start < seconds * 1000) {
        RunMainLoopPass();
        ++passes;
    }
    double wall = (MilliClock() - start) / 1000.0;
    double cpu = CpuSeconds() - cpuBefore;
    std::printf("workload idle_loop_windowed_1024x768 seconds=%.1f\n", wall);
    std::printf("  passes_per_second      %.0f\n", passes / wall);
    std::printf("  drawn_frames_per_second %.1f\n", (GraphicsCounters().swaps - swapsBefore) / wall);
    std::printf("  world_updates_per_second %.1f\n", (worldUpdates - updatesBefore) / wall);
    std::printf("  cpu_us_per_pass        %.2f\n", cpu * 1e6 / double(passes));
    std::printf("  cpu_share_of_one_core  %.1f%%\n", 100.0 * cpu / wall);
    ShutDownGame();
    std::filesystem::remove_all(folder);
    return 0;
}
