// Idle main loop, windowed 1024 x 768: passes per second, drawn frames per second and CPU
// time per pass of the real loop with nothing in the world; once with an empty folder (no
// pictures: the loop alone) and once with the game's pictures (the three background layers
// tiled as on the title screen). The background workload runs twice in the same run, with
// the images' empty texels drawn (TAVRIK_NO_TRIM's way) and trimmed, and prints the ratio
// of the two and the pixels filled against the pixels that change. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_idle_loop [seconds]
#include <GL/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BenchSupport.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/Trimming.h"
#include "shell/Assets.h"
#include "shell/Game.h"
#include "shell/Shell.h"

namespace fs = std::filesystem;

namespace {

// Runs the game in a fresh folder for the given time and prints the figures; with
// withPictures the folder links to the game's gfx and sfx. Gives the CPU milliseconds per
// drawn frame (passes that do not draw cost little, so more of them say nothing), or a
// negative number without a display.
double RunWorkload(const char* name, bool withPictures, int seconds, bool trim) {
    TBenchGameFolder folder(withPictures);
    ResetProgramState();
    SetTrimming(trim);
    if (!StartUpGame()) {
        std::printf("%s: no display\n", name);
        return -1;
    }
    // Let the window settle before measuring.
    for (int start = MilliClock(); MilliClock() - start < 300;) RunMainLoopPass();

    long passes = 0;
    int swapsBefore = GraphicsCounters().swaps;
    int updatesBefore = worldUpdates;
    FillCounters() = TFillCounters{};
    double cpuBefore = CpuSeconds();
    int start = MilliClock();
    while (MilliClock() - start < seconds * 1000) {
        RunMainLoopPass();
        ++passes;
    }
    double wall = (MilliClock() - start) / 1000.0;
    GLint depthBits = 0, stencilBits = 0, alphaBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    double cpu = CpuSeconds() - cpuBefore;
    int drawn = GraphicsCounters().swaps - swapsBefore;
    std::printf("workload %s backgrounds=%s trimmed=%s seconds=%.1f\n", name, bgImage ? "yes" : "no",
                trim ? "yes" : "no", wall);
    std::printf("  visual depth/stencil/alpha bits %d/%d/%d\n", depthBits, stencilBits, alphaBits);
    std::printf("  passes_per_second        %.0f\n", passes / wall);
    std::printf("  drawn_frames_per_second  %.1f\n", (GraphicsCounters().swaps - swapsBefore) / wall);
    std::printf("  world_updates_per_second %.1f\n", (worldUpdates - updatesBefore) / wall);
    std::printf("  cpu_us_per_pass          %.2f\n", cpu * 1e6 / double(passes));
    std::printf("  cpu_share_of_one_core    %.1f%%\n", 100.0 * cpu / wall);
    if (drawn > 0) std::printf("  cpu_ms_per_drawn_frame   %.2f\n", cpu * 1e3 / drawn);
    if (drawn > 0 && FillCounters().filled > 0) {
        const TFillCounters& fill = FillCounters();
        std::printf("  pixels_filled_per_frame  %.0f\n", fill.filled / drawn);
        std::printf("  pixels_changed_per_frame %.0f\n", fill.changed / drawn);
        std::printf("  filled_to_changed        %.2f\n", fill.filled / fill.changed);
    }
    ShutDownGame();
    return drawn > 0 ? cpu * 1e3 / drawn : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    StartAlarmTimer();
    if (RunWorkload("idle_loop_windowed_1024x768_empty", false, seconds, true) < 0) return 1;
    double whole = RunWorkload("idle_loop_windowed_1024x768_backgrounds", true, seconds, false);
    double trimmed = RunWorkload("idle_loop_windowed_1024x768_backgrounds", true, seconds, true);
    if (whole <= 0 || trimmed <= 0) return 1;
    std::printf("ratio cpu_per_drawn_frame trimmed_to_untrimmed %.2f\n", trimmed / whole);
    return 0;
}
