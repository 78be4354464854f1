// The title screen's three background layers, drawn as fast as they go in a window of the
// size given (1024 x 768 unless named) (cleared, tiled with additive light, flipped without waiting for the refresh),
// layer by layer and all together, with the images' empty texels drawn (as TAVRIK_NO_TRIM=1
// draws them) and trimmed, in the same run. Prints CPU and wall time per frame, the pixels
// filled and changed, and the ratios; the empty frame shows what clearing and presenting
// cost without any layer. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh -s 1920x1080x24 build/bench/bench_backgrounds [seconds_per_workload] [width height]
#include <GL/gl.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Trimming.h"

namespace fs = std::filesystem;

namespace {

int kWidth = 1024, kHeight = 768;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Per frame of one workload.
struct TCost {
    double cpuMs = 0, wallMs = 0, filled = 0, changed = 0;
};

// Frames of the given layers for the given time; the camera drifts as in flight.
TCost Run(const std::vector<std::shared_ptr<TImage>>& layers, bool trim, double seconds) {
    SetTrimming(trim);
    float camera = 0;
    auto frame = [&] {
        ClearScreen();
        SetBlendMode(kBlendLight);
        SetDrawColor(255, 255, 255);
        SetDrawAlpha(1.0f);
        // Depths as the game's: the far layer barely moves, the others by the camera and half.
        const float depth[] = {1000.0f, 1.0f, 2.0f};
        for (size_t i = 0; i < layers.size(); ++i)
            if (layers[i]) TileImageAt(layers[i], -camera / depth[i], -camera * 0.7f / depth[i]);
        FlipScreen(0);
        camera += 3.3f;
    };
    for (int i = 0; i < 10; ++i) frame();
    glFinish();
    FillCounters() = TFillCounters{};
    int frames = 0;
    double cpu0 = CpuSeconds(), wall0 = Now();
    while (Now() - wall0 < seconds) {
        frame();
        ++frames;
    }
    glFinish();
    TCost cost;
    cost.cpuMs = (CpuSeconds() - cpu0) * 1e3 / frames;
    cost.wallMs = (Now() - wall0) * 1e3 / frames;
    cost.filled = FillCounters().filled / frames;
    cost.changed = FillCounters().changed / frames;
    return cost;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (argc > 3) {
        kWidth = std::max(1, std::atoi(argv[2]));
        kHeight = std::max(1, std::atoi(argv[3]));
    }
    fs::path game = fs::canonical("/proc/self/exe").parent_path() / "../game";
    if (!fs::exists(game / "gfx" / "BG.png")) {
        std::printf("backgrounds: no build/game/gfx\n");
        return 1;
    }
    fs::current_path(game);
    SetAppTitle("bench_backgrounds");
    if (!OpenGraphicsMode(kWidth, kHeight, 0, 0, 0)) {
        std::printf("backgrounds: no display\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    auto bg = LoadImageFile("gfx\\BG.png");
    auto alter = LoadImageFile("gfx\\bg1alter.png");
    auto alter2 = LoadImageFile("gfx\\bg1alter2.png");
    struct TWorkload {
        const char* name;
        std::vector<std::shared_ptr<TImage>> layers;
    };
    const TWorkload workloads[] = {
        {"backgrounds_none_clear_and_flip", {}},
        {"backgrounds_BG_only", {bg, nullptr, nullptr}},
        {"backgrounds_bg1alter_only", {nullptr, alter, nullptr}},
        {"backgrounds_bg1alter2_only", {nullptr, nullptr, alter2}},
        {"backgrounds_all_three", {bg, alter, alter2}},
    };
    for (const TWorkload& w : workloads) {
        // Taking turns, best of three each: the machine is shared.
        TCost whole, trimmed;
        whole.cpuMs = whole.wallMs = trimmed.cpuMs = trimmed.wallMs = 1e30;
        for (int turn = 0; turn < 3; ++turn)
            for (bool trim : {false, true}) {
                TCost c = Run(w.layers, trim, seconds / 3);
                TCost& best = trim ? trimmed : whole;
                if (c.cpuMs < best.cpuMs) best = c;
            }
        std::printf("workload %s window=%dx%d\n", w.name, kWidth, kHeight);
        auto side = [](const char* name, const TCost& c) {
            std::printf("  %-9s cpu_ms_per_frame %6.2f  wall_ms_per_frame %6.2f  pixels_filled %8.0f  "
                        "pixels_changed %8.0f  filled_to_changed %5.2f\n",
                        name, c.cpuMs, c.wallMs, c.filled, c.changed, c.changed > 0 ? c.filled / c.changed : 0.0);
        };
        side("untrimmed", whole);
        side("trimmed", trimmed);
        std::printf("  ratio_trimmed_to_untrimmed cpu %.2f  wall %.2f\n", trimmed.cpuMs / whole.cpuMs,
                    trimmed.wallMs / whole.wallMs);
    }
    CloseGraphicsMode();
    return 0;
}
