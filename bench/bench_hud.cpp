// Heads-up display in a busy game, windowed 1024 x 768: the CPU time of the player ship's
// DrawHUD per drawn frame, with 30 enemies, the buddy and rockets homing on the player all
// near it (so every readout, the alarm with its signs and a crowded radar are drawn). The
// real loop runs the game; after each drawn frame DrawHUD is called once more on its own
// and timed on the main thread's CPU clock, every other frame with the alarm. Run under an X server, e.g.
//   tests/e2e/with-xvfb.sh build/bench/bench_hud [seconds]
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "BenchSupport.h"
#include "platform/DrawRecording.h"
#include "platform/Input.h"
#include "shell/Game.h"
#include "shell/Shell.h"
#include "world/Roster.h"
#include "world/TRocket.h"
#include "world/TShip.h"
#include "world/TUniverse.h"
#include "world/WorldMath.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEnemies = 30;
constexpr int kHomingRockets = 12;
constexpr double kGoalMs = 0.8;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A point at a random distance between near and far from the player's ship.
void NearPlayer(float near, float far, float& x, float& y) {
    float a = RandomFloat(0.0f, 360.0f), d = RandomFloat(near, far);
    x = player->x + d * SinDeg(a);
    y = player->y - d * CosDeg(a);
}

// Keeps the scene busy: the player's ship and the enemies cannot die, and rockets keep
// homing on the player.
void KeepSceneBusy() {
    player->hp = 1e6f;
    int homing = 0;
    TRocket::All().ForEach([&](const std::shared_ptr<TRocket>& r) { homing += r->target.Is(player.get()); });
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& s) {
        if (s->team == 1) {
            s->hp = 1e6f;
            if (homing < kHomingRockets) {
                std::shared_ptr<TRocket> r = TRocket::Create(s, s->heading, 300.0f, player, homing % 3);
                NearPlayer(600.0f, 1500.0f, r->x, r->y);
                ++homing;
            }
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    StartAlarmTimer();
    TBenchGameFolder folder;
    ResetProgramState();
    if (!StartUpGame()) {
        std::printf("hud: no display\n");
        return 1;
    }
    StartGame();
    AddBuddy();
    for (int i = 0; i < kEnemies; ++i) {
        std::shared_ptr<TShip> enemy = CreateEnemy(uint8_t(1 + i % 6));
        NearPlayer(300.0f, 2500.0f, enemy->x, enemy->y);
    }
    KeepSceneBusy();
    // Let the window and the fight settle before measuring.
    for (int start = MilliClock(); MilliClock() - start < 500;) {
        RunMainLoopPass();
        KeepSceneBusy();
    }

    std::vector<double> samples, quiet, radar;
    int objects = 0, alarms = 0;
    int start = MilliClock();
    while (MilliClock() - start < seconds * 1000 && PlayerAlive()) {
        RunMainLoopPass();
        KeepSceneBusy();
        if (!drawFrame) continue;
        objects += TUniverse::Objects().Count();
        // The lock count the loop's own HUD has just reset, as the next tick would count it.
        int locks = 0;
        TRocket::All().ForEach([&](const std::shared_ptr<TRocket>& r) { locks += r->target.Is(player.get()); });
        // Every other frame without the alarm, for its share of the cost.
        const bool alarmFrame = (samples.size() + quiet.size()) % 2 == 0;
        player->lockCount = alarmFrame ? locks : 0;
        alarms += alarmFrame && locks > 0;
        double before = ThreadCpuMs();
        player->DrawHUD();
        (alarmFrame ? samples : quiet).push_back(ThreadCpuMs() - before);
        before = ThreadCpuMs();
        player->DrawRadar(512.0f, 668.0f);
        radar.push_back(ThreadCpuMs() - before);
    }
    // What one display draws: glyphs of its texts, pictures and untextured shapes.
    size_t glyphs = 0, pictures = 0, shapes = 0;
    if (PlayerAlive()) {
        StartDrawRecording();
        player->DrawHUD();
        StopDrawRecording();
        for (const TDrawCall& call : RecordedDrawCalls()) {
            if (call.kind == TDrawKind::Text) glyphs += call.text.size();
            else if (call.kind == TDrawKind::Image) ++pictures;
            else ++shapes;
        }
    }
    ShutDownGame();
    if (samples.empty()) {
        std::printf("hud: no drawn frame\n");
        return 1;
    }
    std::sort(samples.begin(), samples.end());
    std::sort(radar.begin(), radar.end());
    std::sort(quiet.begin(), quiet.end());
    const size_t n = samples.size();
    const double median = samples[n / 2], p99 = samples[std::min(n - 1, n * 99 / 100)];
    std::printf("workload hud_windowed_1024x768 enemies=%d homing_rockets=%d frames=%zu\n", kEnemies, kHomingRockets, n);
    std::printf("  world_objects_per_frame  %.0f\n", double(objects) / double(n));
    std::printf("  alarm_frames_measured    %d\n", alarms);
    std::printf("  glyphs/pictures/shapes   %zu/%zu/%zu\n", glyphs, pictures, shapes);
    std::printf("  drawhud_cpu_ms_median    %.3f\n", median);
    std::printf("  drawhud_cpu_ms_p99       %.3f\n", p99);
    if (!quiet.empty()) {
        std::printf("  without_alarm_median     %.3f\n", quiet[quiet.size() / 2]);
        std::printf("  without_alarm_p99        %.3f\n", quiet[std::min(quiet.size() - 1, quiet.size() * 99 / 100)]);
    }
    std::printf("  radar_alone_cpu_ms_median %.3f (radar drawn once more on its own)\n", radar[n / 2]);
    std::printf("  goal_ms                  %.1f %s\n", kGoalMs, p99 < kGoalMs ? "met" : "missed");
    return 0;
}
