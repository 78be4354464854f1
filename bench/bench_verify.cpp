// How fast replays are played again headless, as tavrik --verify does it, and how large their
// files are. Games are played back to back headless through the real loop by a scripted player
// (the pointer on the nearest enemy, fire held, rockets when advised, backing away from enemies
// that come close) until they add up to the minutes named; their replays are then played again
// in the same process, and each by the built tavrik --verify.
//   build/bench/bench_verify [minutes]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "scores/ReplayFolder.h"
#include "scores/TReplay.h"
#include "shell/Camera.h"
#include "shell/Game.h"
#include "shell/ReplayRecorder.h"
#include "shell/ReplayVerifier.h"
#include "shell/Shell.h"
#include "stages/StageTable.h"
#include "world/GameClock.h"
#include "world/TShip.h"

extern char** environ;

namespace {

// Fake milliseconds between passes: four steps a pass, so a long game records quickly.
constexpr int kPassMs = 67;

// The scripted player: the pointer on the nearest enemy, fire held, a rocket whenever the
// HUD's advice says so, backing away from an enemy that comes close.
void Play() {
    std::shared_ptr<TShip> nearest;
    float best = 0.0f;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& ship) {
        if (ship->team != kTeamEnemy) return;
        float d = std::abs(ship->x - player->x) + std::abs(ship->y - player->y);
        if (!nearest || d < best) {
            nearest = ship;
            best = d;
        }
    });
    if (nearest) ApplyPointerMoved(int(nearest->x - cameraX), int(nearest->y - cameraY));
    if (!MouseButtonDown(kMouseLeft)) ApplyMouseDown(kMouseLeft);
    if (player->rocketAdvice.find("Fire:OK") != std::string::npos) {
        ApplyMouseDown(kMouseRight);
        ApplyMouseUp(kMouseRight);
    }
    bool back = nearest && best < 900.0f;
    if (back && !KeyIsDown(kKeyS)) ApplyKeyDown(kKeyS);
    if (!back && KeyIsDown(kKeyS)) ApplyKeyUp(kKeyS);
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Wall seconds of the built game's --verify on the file, and its exit status.
double TimeVerifyCommand(const std::string& file, int& status) {
    std::string exe = (std::filesystem::canonical("/proc/self/exe").parent_path() / "../game/tavrik").string();
    const char* argv[] = {exe.c_str(), "--verify", file.c_str(), nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    // Its line goes nowhere: the exit status tells.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid, exe.c_str(), &quiet, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        status = -1;
        return 0.0;
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return Seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    namespace fs = std::filesystem;
    TBenchGameFolder folder(true, 0, 0);
    const fs::path kept = folder.folder / "played";
    fs::create_directory(kept);
    ResetProgramState();
    SetHeadlessGraphics(1);
    UseFakeClock(100000);
    if (!StartUpGame()) return 1;
    // Games back to back (Enter again after each game over) until their play adds up.
    int totalSteps = 0, games = 0;
    while (totalSteps < minutes * 60 * 60) {
        ApplyKeyDown(kKeyReturn);
        ApplyKeyUp(kKeyReturn);
        for (int i = 0; i < 3 && !PlayerAlive(); ++i) {
            AdvanceFakeClock(kPassMs);
            RunMainLoopPass();
        }
        while (PlayerAlive() && totalSteps + gameSteps < minutes * 60 * 60) {
            Play();
            AdvanceFakeClock(kPassMs);
            RunMainLoopPass();
        }
        totalSteps += gameSteps;
        if (PlayerAlive()) FinishRecording(TReplayEnd::Quit);
        for (const auto& entry : fs::directory_iterator(folder.folder / "replays"))
            fs::rename(entry.path(), kept / ("game" + std::to_string(++games) + ".tvr"));
        AdvanceFakeClock(kPassMs);
        RunMainLoopPass();
    }
    ShutDownGame();

    std::vector<TReplay> replays;
    std::vector<std::string> paths;
    uintmax_t bytes = 0;
    double played = 0.0, longest = 0.0;
    for (const auto& entry : fs::directory_iterator(kept)) {
        TReplay replay;
        std::string error;
        if (!ReplayFolder::ReadFile(entry.path().string(), replay, error)) {
            std::printf("unreadable replay: %s\n", error.c_str());
            return 1;
        }
        replays.push_back(replay);
        paths.push_back(entry.path().string());
        bytes += fs::file_size(entry.path());
        played += double(replay.result.steps) / 60.0;
        longest = std::max(longest, double(replay.result.steps) / 60.0);
    }
    std::printf("games: %zu, %.1f min of play, the longest %.1f min\n", replays.size(), played / 60.0, longest / 60.0);
    std::printf("replay_size: %.1f KB in all, %.1f KB per 15 min of play\n", double(bytes) / 1024.0,
                double(bytes) / 1024.0 * 900.0 / played);

    // In this process, after a fresh start-up (as the tests do it).
    ResetProgramState();
    SetHeadlessGraphics(1);
    UseFakeClock(100000);
    StartUpGame();
    CreateStageTable();
    int matching = 0;
    auto start = std::chrono::steady_clock::now();
    for (const TReplay& replay : replays) matching += PlayReplay(replay).Matches(replay);
    double wall = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("verify_in_process: %.2f s, %.0fx real time, %d of %zu match\n", wall, played / wall, matching,
                replays.size());
    ShutDownGame();

    // The built game, one process per replay, start-up included.
    double command = 0.0;
    int passed = 0;
    for (const std::string& path : paths) {
        int status = 0;
        command += TimeVerifyCommand(path, status);
        passed += status == kVerifyMatches;
    }
    std::printf("verify_command: %.2f s, %.0fx real time, %d of %zu exit 0; 10 minutes of play: %.2f s\n", command,
                played / command, passed, paths.size(), command * 600.0 / played);
    return 0;
}
