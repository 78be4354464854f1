// Particle engine cost: update time per particle with 1,000, 10,000 and 50,000 live
// particles (headless), the same with an explosion storm that spawns and retires particles,
// and, when an X server is there, drawn frames per second with 2,000 and 10,000 visible
// particles in a 1024 x 768 window. Run the drawn part under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_particles
// Optional arguments: seconds per drawn workload (default 3), and a text that the names of
// the workloads to run must contain (default: all). Each drawn workload runs with the
// sprites' empty texels drawn (as TAVRIK_NO_TRIM=1 draws them) and trimmed, one after the
// other, and prints the pixels filled and changed per frame and the ratio of the two runs.
#include <GL/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "particles/TParticle.h"
#include "particles/TParticleInfo.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TPixmap.h"
#include "platform/Trimming.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Shell.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int kWidth = 1024, kHeight = 768;

// Only workloads whose name contains this run.
std::string onlyWorkloads;
bool Wanted(const std::string& name) { return name.find(onlyWorkloads) != std::string::npos; }

// Processor time of the whole process (every thread, the renderer's included).
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The game folder beside the bench's build folder (build/game), so the real sprites and
// gradients are drawn; empty when it is not there.
std::string GameFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    std::filesystem::path exe(std::string(buf, size_t(n)));
    std::filesystem::path game = exe.parent_path().parent_path() / "game";
    std::error_code ignored;
    return std::filesystem::exists(game / "gfx" / "sprite_smoke1.png", ignored) ? game.string() : "";
}

// A stand-in sprite: a soft round puff of size x size.
std::shared_ptr<TImage> PuffSprite(int size) {
    auto pixmap = std::make_shared<TPixmap>(size, size, 6);
    float c = (size - 1) / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float d = std::min(1.0f, std::hypot(x - c, y - c) / c);
            uint32_t a = uint32_t(255 * (1.0f - d));
            pixmap->SetPixelARGB(x, y, a << 24 | 0xC0C0C0u);
        }
    return LoadImageFile(pixmap, -1);
}

// A stand-in gradient: opaque yellow at birth fading to transparent red.
std::shared_ptr<TPixmap> FadeGradient() {
    auto pixmap = std::make_shared<TPixmap>(256, 1, 6);
    for (int x = 0; x < 256; ++x) pixmap->SetPixelARGB(x, 0, uint32_t(255 - x) << 24 | 0xFF0000u | uint32_t(255 - x) << 8);
    return pixmap;
}

// A long-lived visible type, like the catalogue's smoke: sprite, gradient, light blend,
// spin, slow drift. Uses the game's files when found, stand-ins otherwise.
std::shared_ptr<TParticleInfo> LongLivedType(const char* sprite, const char* gradient, int blend, float speed) {
    auto type = TParticleInfo::Create(3600000, 3600000, -50, 50, speed, speed, 0, 0);
    if (!GameFolder().empty()) {
        type->SetImage(sprite, gradient ? gradient : "", uint8_t(blend), 0);
    } else {
        type->image = PuffSprite(32);
        CentreImageAnchor(type->image);
        type->radius = 22.6f;
        if (gradient) type->gradient = FadeGradient();
        type->blend = uint8_t(blend);
    }
    type->SetEmission(4, 0, 0, 2);
    return type;
}

// Spawns count particles of the types in turn at random points of the view.
void Populate(const std::vector<std::shared_ptr<TParticleInfo>>& types, int count) {
    for (int i = 0; i < count; ++i) {
        float x = viewLeft + RandomFloat(16, kWidth - 16), y = viewTop + RandomFloat(16, kHeight - 16);
        types[size_t(i) % types.size()]->Spawn(x, y, float(RandomInt(0, 360)), nullptr);
    }
}

void FreshEngine() {
    ResetParticleEngine();
    ResetEffectCatalogue();
    SetParticleScreen(kWidth, kHeight);
    SetParticleCamera(0, 0);
    SeedRandom(1234);
}

// Headless: nanoseconds per particle per engine step with a fixed population.
void UpdateWorkload(int count, bool drawn) {
    std::string name = std::string("update_") + (drawn ? "drawn_headless_" : "undrawn_") + std::to_string(count);
    if (!Wanted(name)) return;
    FreshEngine();
    UseFakeClock(100000);
    UpdateParticles();
    auto smoke = LongLivedType("gfx\\sprite_smoke1.png", "gfx\\GradientYellow.png", 4, 20);
    Populate({smoke}, count);
    drawFrame = drawn ? 1 : 0;
    int steps = std::max(20, 10000000 / count);
    for (int i = 0; i < 5; ++i) {  // warm up
        AdvanceFakeClock(16);
        UpdateParticles();
    }
    auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        AdvanceFakeClock(16);
        UpdateParticles();
    }
    double seconds = SecondsSince(start);
    double perParticle = seconds * 1e9 / (double(steps) * ParticleCount());
    std::printf("workload %s steps=%d live=%d\n", name.c_str(), steps, ParticleCount());
    std::printf("  ns_per_particle_step   %.1f\n", perParticle);
    std::printf("  ms_per_engine_step     %.3f\n", seconds * 1e3 / steps);
    drawFrame = 0;
}

// Headless: an explosion storm in view (a ship explosion every 50 ms, a large one every
// 250 ms) for 20 s of game time, drawn every step: the cost of spawning, emitting and
// retiring included.
void StormWorkload() {
    if (!Wanted("explosion_storm_20s")) return;
    FreshEngine();
    UseFakeClock(100000);
    UpdateParticles();
    CreateEffectCatalogue();
    drawFrame = 1;
    long particleSteps = 0;
    int most = 0;
    auto start = Clock::now();
    const int steps = 20000 / 16;
    for (int i = 0; i < steps; ++i) {
        if (i % 3 == 0) shipExplosion->Spawn(RandomFloat(100, kWidth - 100), RandomFloat(100, kHeight - 100), 0, nullptr);
        if (i % 16 == 0)
            largeShipExplosion->Spawn(RandomFloat(100, kWidth - 100), RandomFloat(100, kHeight - 100), 0, nullptr);
        particleSteps += ParticleCount();
        AdvanceFakeClock(16);
        UpdateParticles();
        most = std::max(most, ParticleCount());
    }
    double seconds = SecondsSince(start);
    std::printf("workload explosion_storm_20s steps=%d mean_live=%ld most_live=%d\n", steps, particleSteps / steps, most);
    std::printf("  ns_per_particle_step   %.1f\n", seconds * 1e9 / double(particleSteps));
    std::printf("  ms_per_engine_step     %.3f\n", seconds * 1e3 / steps);
    drawFrame = 0;
}

// The visible types of the drawn workloads: smoke alone, or smoke, sparks and debris in
// turn (two light-blended sprites and one alpha-blended, so the texture and the blend mode
// change at every particle: a worst case next to real explosions, see the storm).
std::vector<std::shared_ptr<TParticleInfo>> DrawnTypes(bool mixed) {
    std::vector<std::shared_ptr<TParticleInfo>> types;
    types.push_back(LongLivedType("gfx\\sprite_smoke1.png", "gfx\\GradientYellow.png", 4, 0));
    if (mixed) {
        types.push_back(LongLivedType("gfx\\funken1.png", "gfx\\GradientYellow.png", 4, 0));
        types.push_back(LongLivedType("gfx\\truemmer.png", nullptr, 3, 0));
    }
    return types;
}

// In a window: drawn frames per second with count visible particles, each frame cleared,
// (optionally) the three background layers tiled, the particles updated and drawn, and
// the buffers swapped without waiting for the refresh.
double DrawnWorkloadOnce(const std::string& name, int count, bool mixed, bool background, double seconds,
                         bool trim);

// Pixels filled and changed per frame of the run just measured.
void PrintFill(long frames) {
    const TFillCounters& fill = FillCounters();
    if (frames <= 0 || fill.changed <= 0) return;
    std::printf("  pixels_filled_per_frame  %.0f\n", fill.filled / double(frames));
    std::printf("  pixels_changed_per_frame %.0f\n", fill.changed / double(frames));
    std::printf("  filled_to_changed        %.2f\n", fill.filled / fill.changed);
}

void DrawnWorkload(const char* kind, int count, bool mixed, bool background, double seconds) {
    std::string name = std::string("drawn_") + kind + "_" + std::to_string(count) + "_" + std::to_string(kWidth) + "x" +
                       std::to_string(kHeight);
    if (!Wanted(name)) return;
    double whole = DrawnWorkloadOnce(name, count, mixed, background, seconds, false);
    double trimmed = DrawnWorkloadOnce(name, count, mixed, background, seconds, true);
    std::printf("  ratio frames_per_second trimmed_to_untrimmed %.2f\n", trimmed / whole);
}

// One run of a drawn workload; gives the frames per second.
double DrawnWorkloadOnce(const std::string& name, int count, bool mixed, bool background, double seconds,
                         bool trim) {
    SetTrimming(trim);
    FreshEngine();
    UseRealClock();
    UpdateParticles();
    Populate(DrawnTypes(mixed), count);
    drawFrame = 1;
    auto frame = [&] {
        ClearScreen();
        if (background) {
            SetBlendMode(4);
            SetDrawColor(255, 255, 255);
            SetDrawAlpha(1.0f);
            TileImageAt(bgImage, 0, 0, 0);
            TileImageAt(bgAlterImage, 0, 0, 0);
            TileImageAt(bgAlter2Image, 0, 0, 0);
            SetBlendMode(3);
        }
        auto t0 = Clock::now();
        UpdateParticles();
        double update = SecondsSince(t0);
        auto t1 = Clock::now();
        FlipScreen(0);
        return std::pair<double, double>(update, SecondsSince(t1));
    };
    for (int i = 0; i < 10; ++i) frame();  // textures uploaded, window settled
    std::vector<double> frameMsList;
    double updateTotal = 0, flipTotal = 0;
    FillCounters() = TFillCounters{};
    double cpuBefore = CpuSeconds();
    auto start = Clock::now();
    while (SecondsSince(start) < seconds) {
        auto t = Clock::now();
        auto [update, flip] = frame();
        frameMsList.push_back(SecondsSince(t) * 1e3);
        updateTotal += update;
        flipTotal += flip;
    }
    double wall = SecondsSince(start);
    double cpu = CpuSeconds() - cpuBefore;
    size_t frames = frameMsList.size();
    std::sort(frameMsList.begin(), frameMsList.end());
    long slow = std::count_if(frameMsList.begin(), frameMsList.end(), [](double ms) { return ms > 1000.0 / 60.0; });
    std::printf("workload %s trimmed=%s frames=%zu drawn_per_frame=%d\n", name.c_str(), trim ? "yes" : "no", frames,
                drawnCount);
    std::printf("  frames_per_second      %.1f\n", double(frames) / wall);
    std::printf("  frame_ms_median        %.2f\n", frameMsList[frames / 2]);
    std::printf("  frame_ms_p95           %.2f\n", frameMsList[frames * 95 / 100]);
    std::printf("  frames_over_16.7ms     %.1f%%\n", 100.0 * double(slow) / double(frames));
    std::printf("  update_and_draw_calls_ms_per_frame %.2f\n", updateTotal * 1e3 / double(frames));
    std::printf("  flip_ms_per_frame      %.2f   (finishing the drawing and showing it)\n",
                flipTotal * 1e3 / double(frames));
    std::printf("  cpu_ms_per_frame       %.2f   (all threads of the bench; 2 cores give 33.3 per 60 Hz frame)\n",
                cpu * 1e3 / double(frames));
    PrintFill(long(frames));
    drawFrame = 0;
    return double(frames) / wall;
}

// In a window: the explosion storm of the headless part (a ship explosion every third step,
// a large one every sixteenth) drawn every step on the test clock at 16 ms a step, so every
// run sees the very same particles. Also counts the texture and blend changes that reach
// OpenGL, each of which ends a batch of quads.
double StormDrawnWorkloadOnce(int frames, bool trim);

void StormDrawnWorkload(int frames) {
    if (!Wanted("drawn_explosion_storm_1024x768")) return;
    double whole = StormDrawnWorkloadOnce(frames, false);
    double trimmed = StormDrawnWorkloadOnce(frames, true);
    std::printf("  ratio frames_per_second trimmed_to_untrimmed %.2f\n", trimmed / whole);
}

// One run of the drawn storm; gives the frames per second.
double StormDrawnWorkloadOnce(int frames, bool trim) {
    std::string name = "drawn_explosion_storm_1024x768";
    SetTrimming(trim);
    FreshEngine();
    UseFakeClock(100000);
    UpdateParticles();
    CreateEffectCatalogue();
    drawFrame = 1;
    long drawn = 0, binds = 0, blends = 0;
    double cpu = 0, wall = 0, calls = 0;
    const int warmUp = 120;
    for (int i = 0; i < warmUp + frames; ++i) {
        if (i == warmUp) FillCounters() = TFillCounters{};
        if (i % 3 == 0) shipExplosion->Spawn(RandomFloat(100, kWidth - 100), RandomFloat(100, kHeight - 100), 0, nullptr);
        if (i % 16 == 0)
            largeShipExplosion->Spawn(RandomFloat(100, kWidth - 100), RandomFloat(100, kHeight - 100), 0, nullptr);
        AdvanceFakeClock(16);
        double cpu0 = CpuSeconds();
        int binds0 = GraphicsCounters().textureBinds, blends0 = GraphicsCounters().blendChanges;
        auto t0 = Clock::now();
        ClearScreen();
        UpdateParticles();
        double callTime = SecondsSince(t0);
        FlipScreen(0);
        if (i >= warmUp) {
            wall += SecondsSince(t0);
            calls += callTime;
            cpu += CpuSeconds() - cpu0;
            drawn += drawnCount;
            binds += GraphicsCounters().textureBinds - binds0;
            blends += GraphicsCounters().blendChanges - blends0;
        }
    }
    std::printf("workload %s trimmed=%s frames=%d mean_drawn_per_frame=%ld\n", name.c_str(), trim ? "yes" : "no",
                frames, drawn / frames);
    std::printf("  frames_per_second      %.1f\n", frames / wall);
    std::printf("  texture_binds_per_frame %ld\n", binds / frames);
    std::printf("  blend_changes_per_frame %ld\n", blends / frames);
    std::printf("  update_and_draw_calls_ms_per_frame %.2f\n", calls * 1e3 / frames);
    std::printf("  cpu_ms_per_frame       %.2f\n", cpu * 1e3 / frames);
    PrintFill(frames);
    drawFrame = 0;
    UseRealClock();
    return frames / wall;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (argc > 2) onlyWorkloads = argv[2];
    std::string game = GameFolder();
    if (!game.empty()) std::filesystem::current_path(game);
    std::printf("sprites: %s\n", game.empty() ? "stand-ins (no build/game/gfx)" : (game + "/gfx").c_str());

    // Headless part.
    SetHeadlessGraphics(1);
    OpenGraphicsMode(kWidth, kHeight, 0, 60, 0);
    for (int count : {1000, 10000, 50000}) UpdateWorkload(count, false);
    for (int count : {1000, 10000, 50000}) UpdateWorkload(count, true);
    StormWorkload();
    CloseGraphicsMode();
    SetHeadlessGraphics(0);

    // Drawn part, in a window of its own.
    if (!getenv("DISPLAY")) {
        std::printf("drawn workloads skipped: no DISPLAY\n");
        return 0;
    }
    UseRealClock();
    SetAppTitle("bench_particles");
    if (!OpenGraphicsMode(kWidth, kHeight, 0, 60, 0)) {
        std::printf("drawn workloads skipped: no window\n");
        return 0;
    }
    std::printf("renderer: %s, OpenGL %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    LoadShellAssets();
    for (int count : {2000, 10000}) DrawnWorkload("smoke", count, false, false, seconds);
    DrawnWorkload("empty", 0, false, false, seconds);
    for (int count : {2000, 10000}) DrawnWorkload("mixed", count, true, false, seconds);
    for (int count : {2000, 10000}) DrawnWorkload("mixed_over_background", count, true, true, seconds);
    StormDrawnWorkload(int(seconds * 60));
    CloseGraphicsMode();
    return 0;
}
