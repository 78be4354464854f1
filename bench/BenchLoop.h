#pragma once
// What the benchmarks of the real loop share: window sizes from the command line, seconds
// measured one by one (drawn frames, CPU share of the whole process, llvmpipe's threads
// included), a split of the frame's CPU time into its parts, taken in a run of its own
// where the drawing is finished at every part's end, and the memory held at the end: the
// process's resident total and what the platform layer's counters say the game keeps.
#include <GL/gl.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/MemoryCounters.h"
#include "shell/Game.h"
#include "shell/Shell.h"

// One window size to measure, "WIDTHxHEIGHT", with "f" after it for full screen.
struct TBenchSize {
    int width = 0, height = 0;
    bool fullScreen = false;
    std::string Name() const {
        return std::to_string(width) + "x" + std::to_string(height) + (fullScreen ? "_full" : "_windowed");
    }
};

// The sizes named on the command line from argument first on; 1024 x 768 and 1920 x 1080
// windowed when none is.
inline std::vector<TBenchSize> BenchSizes(int argc, char** argv, int first) {
    std::vector<TBenchSize> sizes;
    for (int i = first; i < argc; ++i) {
        TBenchSize s;
        char full = 0;
        if (std::sscanf(argv[i], "%dx%d%c", &s.width, &s.height, &full) >= 2 && s.width > 0 && s.height > 0) {
            s.fullScreen = full == 'f';
            sizes.push_back(s);
        }
    }
    if (sizes.empty()) sizes = {{1024, 768, false}, {1920, 1080, false}};
    return sizes;
}

// The parts of a frame's CPU time, in ms per drawn frame.
struct TFrameSplit {
    double layers[3] = {0, 0, 0}, rest = 0, flip = 0, outside = 0, total = 0;
    int frames = 0;
};

namespace bench_loop {

inline double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The probe's running state: CPU at the last point, and the sums by part.
struct TProbe {
    double last = 0;
    int layer = 0;
    TFrameSplit sums;
};
inline TProbe probe;

// Finishes what was drawn since the last point and books its CPU to the part it ends. The
// clear is left queued: the first layer may replace it.
inline void OnPoint(TFramePoint point) {
    if (point != TFramePoint::Cleared) glFinish();
    double now = ProcessCpuMs(), spent = now - probe.last;
    probe.last = now;
    switch (point) {
    case TFramePoint::Cleared:
        probe.sums.outside += spent;  // since the last flip: world update, input, sound
        probe.layer = 0;
        break;
    case TFramePoint::LayerTiled:
        // The first layer's time includes the clear, which is only queued until then.
        probe.sums.layers[std::min(probe.layer, 2)] += spent;
        ++probe.layer;
        break;
    case TFramePoint::Drawn:
        probe.sums.rest += spent;
        break;
    case TFramePoint::Flipped:
        probe.sums.flip += spent;
        ++probe.sums.frames;
        break;
    }
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The process's resident memory in MB, all of it and its anonymous part (0 where unknown).
inline void ResidentMb(double& total, double& anonymous) {
    total = anonymous = 0;
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        long kb = 0;
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) total = kb / 1024.0;
        if (std::sscanf(line, "RssAnon: %ld", &kb) == 1) anonymous = kb / 1024.0;
    }
    std::fclose(f);
}

inline double Worst(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

}  // namespace bench_loop

// Runs the real loop for seconds, calling steer before each pass, and prints the figures of
// the workload: median and worst second of drawn frames, CPU ms per drawn frame and the CPU
// share of one core (medians of the seconds), then the split from splitSeconds more with
// the probe on.
inline void MeasureLoop(const std::string& name, int seconds, int splitSeconds, const std::function<void()>& steer) {
    using namespace bench_loop;
    std::vector<double> drawn, cpuShare, cpuPerFrame, worldShare;
    for (int s = 0; s < seconds; ++s) {
        int swapsBefore = GraphicsCounters().swaps;
        int64_t worldBefore = worldUpdateNanos;
        double cpuBefore = ProcessCpuMs();
        int start = MilliClock();
        while (MilliClock() - start < 1000) {
            steer();
            RunMainLoopPass();
        }
        double wall = (MilliClock() - start) / 1000.0;
        double cpu = ProcessCpuMs() - cpuBefore;
        int frames = GraphicsCounters().swaps - swapsBefore;
        drawn.push_back(frames / wall);
        cpuShare.push_back(cpu / 10.0 / wall);
        cpuPerFrame.push_back(frames > 0 ? cpu / frames : 0);
        worldShare.push_back(cpu > 0 ? 100.0 * double(worldUpdateNanos - worldBefore) / 1e6 / cpu : 0);
    }
    probe = TProbe{};
    probe.last = ProcessCpuMs();
    SetFrameProbe(&OnPoint);
    for (int start = MilliClock(); MilliClock() - start < splitSeconds * 1000;) {
        steer();
        RunMainLoopPass();
    }
    SetFrameProbe(nullptr);
    const TFrameSplit& p = probe.sums;
    double n = std::max(1, p.frames);
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    std::printf("workload %s seconds=%d depth_bits=%d stencil_bits=%d\n", name.c_str(), seconds, depthBits,
                stencilBits);
    std::printf("  drawn_frames_per_second  median %.1f  worst %.1f\n", Median(drawn), Worst(drawn));
    std::printf("  cpu_ms_per_frame         median %.2f\n", Median(cpuPerFrame));
    std::printf("  cpu_share_of_one_core    median %.1f%%  worst %.1f%%\n", Median(cpuShare),
                *std::max_element(cpuShare.begin(), cpuShare.end()));
    std::printf("  world_update_share_of_cpu median %.1f%%\n", Median(worldShare));
    std::printf("  split_cpu_ms_per_frame (drawing finished at each part, %d frames): clear+nebula %.2f  "
                "stars %.2f  stars2 %.2f  world+hud+text %.2f  flip %.2f  outside_drawing %.2f  sum %.2f\n",
                p.frames, p.layers[0] / n, p.layers[1] / n, p.layers[2] / n, p.rest / n, p.flip / n, p.outside / n,
                (p.layers[0] + p.layers[1] + p.layers[2] + p.rest + p.flip + p.outside) / n);
    double resident = 0, anonymous = 0;
    ResidentMb(resident, anonymous);
    std::printf("  resident_mb              total %.0f  anonymous %.0f\n", resident, anonymous);
    const TMemoryCounters& kept = MemoryCounters();
    auto mb = [](const std::atomic<int64_t>& bytes) { return double(bytes.load()) / (1 << 20); };
    std::printf("  kept_mb                  textures %.1f  texel_copies %.1f  pixmaps %.1f  sounds %.1f  "
                "backdrop %.1f\n",
                mb(kept.textures), mb(kept.texelCopies), mb(kept.pixmaps), mb(kept.sounds), mb(kept.backdrop));
    std::fflush(stdout);
}
