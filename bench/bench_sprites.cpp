// Sprite throughput: rotated, tinted 64 x 64 sprites, half alpha-blended and half additive,
// in a 1024 x 768 window; once more drawn at an eighth of their size, where the cost of
// handing sprites to OpenGL shows rather than the cost of filling pixels. Our DrawImageAt against SDL2's renderer (SDL_RenderCopyEx on its
// OpenGL driver) drawing the same sprites with the same pictures, in the same run, taking
// turns so that both see the same machine. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_sprites [sprites_per_frame] [seconds_per_turn] [ours|sdl2]
// The last argument runs one side alone, for a profiler. Our side runs twice, with the
// pictures' empty texels drawn (as TAVRIK_NO_TRIM=1 draws them) and trimmed, and prints the
// pixels each filled against the pixels that change.
// (with-xvfb.sh makes a 1024 x 768 screen, just big enough for the window).
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
#include "platform/Trimming.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768, kSide = 64;
constexpr double kFrameMs = 1000.0 / 60.0;

// One sprite of the workload; the angle turns a little every frame.
struct Sprite {
    float x, y, angle, spin;
    uint8_t r, g, b, a;
    bool additive;
    float scale;  // 1 for 64 x 64 on screen, 0.125 for 8 x 8
};

// Pictures: a ship-like disc with a soft rim for the alpha group, a glow for the additive one.
std::shared_ptr<TPixmap> MakePicture(bool glow) {
    auto p = std::make_shared<TPixmap>(kSide, kSide, 6);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            float dx = (x + 0.5f - 32) / 32, dy = (y + 0.5f - 32) / 32, d = std::sqrt(dx * dx + dy * dy);
            float a = glow ? std::max(0.0f, 1.0f - d) : std::clamp((1.0f - d) * 6.0f, 0.0f, 1.0f);
            uint32_t shade = glow ? 255 : uint32_t(160 + 90 * (x % 16 < 8));
            p->SetPixelARGB(x, y, uint32_t(a * 255) << 24 | shade << 16 | uint32_t(glow ? 220 : 200) << 8 | 255);
        }
    return p;
}

// The same sprites every run: grouped (all alpha, then all additive) or with the blend
// mode changing from one sprite to the next.
std::vector<Sprite> MakeSprites(int count, bool interleaved, float scale) {
    std::vector<Sprite> sprites;
    uint32_t seed = 2024;
    auto next = [&](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(n));
    };
    for (int i = 0; i < count; ++i) {
        Sprite s;
        s.x = float(next(kWidth));
        s.y = float(next(kHeight));
        s.angle = float(next(360));
        s.spin = float(next(7) - 3);
        s.r = uint8_t(128 + next(128));
        s.g = uint8_t(128 + next(128));
        s.b = uint8_t(128 + next(128));
        s.a = uint8_t(96 + next(160));
        s.additive = interleaved ? (i % 2 == 1) : (i >= count / 2);
        s.scale = scale;
        sprites.push_back(s);
    }
    return sprites;
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU milliseconds of the whole process (every rasterizer thread) and of this thread alone.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Per frame: wall time, CPU time of the process and CPU time of the drawing thread, and
// the pixels our side filled and changed.
struct FrameCost {
    double wallMs = 1e30, cpuMs = 1e30, threadMs = 1e30;
    double filled = 0, changed = 0;
    void KeepBest(const FrameCost& o) {
        wallMs = std::min(wallMs, o.wallMs);
        cpuMs = std::min(cpuMs, o.cpuMs);
        threadMs = std::min(threadMs, o.threadMs);
        filled = o.filled;
        changed = o.changed;
    }
};

// Frames drawn for the given time, every one finished before the clock stops.
FrameCost TimeFrames(double seconds, const std::function<void(int)>& frame) {
    for (int i = 0; i < 5; ++i) frame(i);  // warm up: textures, caches, shaders
    glFinish();
    int frames = 0;
    FillCounters() = TFillCounters{};
    double start = NowMs(), cpu = ProcessCpuMs(), thread = ThreadCpuMs();
    while (NowMs() - start < seconds * 1000.0) frame(5 + frames++);
    glFinish();
    FrameCost cost;
    cost.filled = FillCounters().filled / frames;
    cost.changed = FillCounters().changed / frames;
    cost.wallMs = (NowMs() - start) / frames;
    cost.cpuMs = (ProcessCpuMs() - cpu) / frames;
    cost.threadMs = (ThreadCpuMs() - thread) / frames;
    return cost;
}

// Our side: immediate-mode quads through the drawing state.
FrameCost RunOurs(const std::vector<Sprite>& sprites, double seconds, std::string& renderer, bool trim) {
    if (!OpenGraphicsMode(kWidth, kHeight, 0, 0, 0)) return FrameCost{-1, -1, -1};
    SetTrimming(trim);
    renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    auto solid = LoadImageFile(MakePicture(false));
    auto glow = LoadImageFile(MakePicture(true));
    CentreImageAnchor(solid);
    CentreImageAnchor(glow);
    FrameCost cost = TimeFrames(seconds, [&](int frame) {
        ClearScreen();
        for (const Sprite& s : sprites) {
            SetBlendMode(s.additive ? 4 : 3);
            SetDrawRotation(s.angle + s.spin * frame);
            SetDrawScale(s.scale, s.scale);
            SetDrawColor(s.r, s.g, s.b);
            SetDrawAlpha(s.a / 255.0f);
            DrawImageAt(s.additive ? glow : solid, s.x, s.y);
        }
        FlipScreen(0);
    });
    CloseGraphicsMode();
    return cost;
}

// SDL2's side: its OpenGL renderer, batching on, no vertical sync, linear filtering.
FrameCost RunSdl(const std::vector<Sprite>& sprites, double seconds, std::string& renderer) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return FrameCost{-1, -1, -1};
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    SDL_Renderer* sdl = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    if (!sdl) {
        std::printf("sdl2: %s\n", SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return FrameCost{-1, -1, -1};
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(sdl, &info);
    renderer = info.name;
    auto upload = [&](bool glowing) {
        auto p = MakePicture(glowing);
        SDL_Texture* t = SDL_CreateTexture(sdl, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, kSide, kSide);
        SDL_UpdateTexture(t, nullptr, p->pixels.data(), p->pitch);
        SDL_SetTextureBlendMode(t, glowing ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
        return t;
    };
    SDL_Texture* solid = upload(false);
    SDL_Texture* glow = upload(true);

    FrameCost cost = TimeFrames(seconds, [&](int frame) {
        SDL_SetRenderDrawColor(sdl, 0, 0, 0, 255);
        SDL_RenderClear(sdl);
        for (const Sprite& s : sprites) {
            SDL_Texture* t = s.additive ? glow : solid;
            SDL_SetTextureColorMod(t, s.r, s.g, s.b);
            SDL_SetTextureAlphaMod(t, s.a);
            int side = int(kSide * s.scale);
            SDL_Rect dst{int(s.x) - side / 2, int(s.y) - side / 2, side, side};
            const SDL_Point centre{side / 2, side / 2};
            SDL_RenderCopyEx(sdl, t, nullptr, &dst, s.angle + s.spin * frame, &centre, SDL_FLIP_NONE);
        }
        SDL_RenderPresent(sdl);
    });
    SDL_DestroyTexture(solid);
    SDL_DestroyTexture(glow);
    SDL_DestroyRenderer(sdl);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return cost;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    double seconds = argc > 2 ? std::atof(argv[2]) : 1.0;
    std::string only = argc > 3 ? argv[3] : "";
    struct Workload {
        const char* name;
        bool interleaved;
        float scale;
        int count;
    };
    const Workload workloads[] = {
        {"sprites_alpha_then_additive_rotated_tinted_64x64", false, 1.0f, count},
        {"sprites_blend_alternating_rotated_tinted_64x64", true, 1.0f, count},
        {"sprites_alpha_then_additive_rotated_tinted_8x8", false, 0.125f, count * 10},
    };
    for (const Workload& w : workloads) {
        std::vector<Sprite> sprites = MakeSprites(w.count, w.interleaved, w.scale);
        // Turns alternate and the best of each side counts: the machine is shared.
        FrameCost ours, whole, sdl;
        std::string ourRenderer, sdlRenderer;
        for (int turn = 0; turn < 4; ++turn) {
            if (only != "sdl2") ours.KeepBest(RunOurs(sprites, seconds, ourRenderer, true));
            if (only != "sdl2") whole.KeepBest(RunOurs(sprites, seconds, ourRenderer, false));
            if (only != "ours") sdl.KeepBest(RunSdl(sprites, seconds, sdlRenderer));
            if (ours.wallMs < 0 || whole.wallMs < 0 || sdl.wallMs < 0) {
                std::printf("sprites: no display or no renderer\n");
                return 1;
            }
        }
        auto perFrame = [&](double ms) { return w.count * kFrameMs / ms; };
        std::printf("workload %s window=%dx%d sprites_per_frame=%d\n", w.name, kWidth, kHeight, w.count);
        std::printf("  gl_renderer             %s (sdl2 driver: %s)\n", ourRenderer.c_str(), sdlRenderer.c_str());
        auto side = [&](const char* name, const FrameCost& c) {
            std::printf("  %-14s ms_per_frame %7.2f  sprites_per_16.7ms %7.0f  cpu_ms_per_frame %7.2f  "
                        "drawing_thread_us_per_sprite %6.3f\n",
                        name, c.wallMs, perFrame(c.wallMs), c.cpuMs, c.threadMs * 1000 / w.count);
        };
        if (only != "sdl2") side("ours_untrimmed", whole);
        if (only != "sdl2") side("ours", ours);
        if (only != "ours") side("sdl2", sdl);
        if (only != "sdl2") {
            std::printf("  pixels_filled_per_frame untrimmed %.0f trimmed %.0f  pixels_changed %.0f  "
                        "filled_to_changed untrimmed %.2f trimmed %.2f\n",
                        whole.filled, ours.filled, ours.changed, whole.filled / ours.changed, ours.filled / ours.changed);
        }
        // Wall time swings with the load of a shared machine; CPU time (every thread of the
        // process, so the rasterizer's too) much less so.
        if (only.empty()) {
            std::printf("  ratio_ours_untrimmed_to_sdl2 sprites_per_frame %.2f  by_cpu_time %.2f  drawing_thread %.2f\n",
                        sdl.wallMs / whole.wallMs, sdl.cpuMs / whole.cpuMs, sdl.threadMs / whole.threadMs);
            std::printf("  ratio_ours_to_sdl2 sprites_per_frame %.2f  by_cpu_time %.2f  drawing_thread %.2f\n",
                        sdl.wallMs / ours.wallMs, sdl.cpuMs / ours.cpuMs, sdl.threadMs / ours.threadMs);
        }
    }
    return 0;
}
