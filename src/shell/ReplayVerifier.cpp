#include "shell/ReplayVerifier.h"

#include <cstdio>

#include "platform/Graphics.h"
#include "scores/ReplayFolder.h"
#include "shell/Assets.h"
#include "shell/GamePaths.h"
#include "shell/ReplayRecorder.h"
#include "shell/Shell.h"
#include "shell/WorldStep.h"
#include "stages/StageTable.h"
#include "stages/TMessage.h"
#include "world/TGunInfo.h"
#include "world/TShip.h"
#include "world/WorldEvents.h"

bool TVerifyOutcome::Matches(const TReplay& replay) const {
    return !endedEarly && hashes == replay.checkpoints && result == replay.result;
}

TVerifyOutcome PlayReplay(const TReplay& replay) {
    TVerifyOutcome outcome;
    StartSeededGame(replay.seed);
    const size_t count = replay.steps.size();
    size_t played = 0;
    while (played < count) {
        PlayWorldStep(replay.steps[played]);
        ++played;
        // Nobody takes the world's events here: no pad rumbles.
        TakeWorldEvents();
        if (played % kReplayStepsPerSecond == 0) {
            uint64_t hash = WorldStateHash();
            size_t second = outcome.hashes.size();
            if (outcome.firstDifferentSecond < 0 &&
                (second >= replay.checkpoints.size() || replay.checkpoints[second] != hash)) {
                outcome.firstDifferentSecond = int(second) + 1;
            }
            outcome.hashes.push_back(hash);
            // Messages time out as in play, so their list does not grow.
            TMessage::UpdateMessages();
        }
        if (!PlayerAlive() && played < count) {
            outcome.endedEarly = true;
            break;
        }
    }
    outcome.result = CurrentResult(PlayerAlive() ? TReplayEnd::Quit : TReplayEnd::GameOver);
    outcome.result.steps = int(played);
    return outcome;
}

std::string OutcomeLine(const TReplayResult& result) {
    char time[32];
    std::snprintf(time, sizeof time, "%d.%02d", result.steps / kReplayStepsPerSecond,
                  result.steps % kReplayStepsPerSecond * 100 / kReplayStepsPerSecond);
    return "points " + std::to_string(result.points) + " kills " + std::to_string(result.kills) + " stage " +
           std::to_string(result.stage) + " time " + time + " end " +
           (result.end == TReplayEnd::GameOver ? "game-over" : "quit");
}

bool LoadHeadlessSimulation() {
    if (!GamePaths::SetUp()) return false;
    SetHeadlessGraphics(1);
    TMessage::InitMessages();
    CreateGunCatalogue();
    LoadShellAssets();
    CreateStageTable();
    return true;
}

int VerifyReplayFile(const std::string& path) {
    // Read before the game's folders are set up: the path is the caller's.
    TReplay replay;
    std::string error;
    if (!ReplayFolder::ReadFile(path, replay, error)) {
        std::fprintf(stderr, "replay not readable: %s: %s\n", path.c_str(), error.c_str());
        return kVerifyMalformed;
    }
    if (!LoadHeadlessSimulation()) return kVerifyMalformed;
    const std::string& identity = CachedBuildIdentity();
    if (replay.identity != identity) {
        std::fprintf(stderr, "replay from build %s; this is build %s\n", replay.identity.c_str(), identity.c_str());
        return kVerifyOtherBuild;
    }
    TVerifyOutcome outcome = PlayReplay(replay);
    std::printf("%s\n", OutcomeLine(outcome.result).c_str());
    if (outcome.Matches(replay)) return kVerifyMatches;
    if (outcome.firstDifferentSecond > 0)
        std::fprintf(stderr, "the game differs from the replay from second %d on\n", outcome.firstDifferentSecond);
    if (outcome.endedEarly) std::fprintf(stderr, "the game ended before the replay's last step\n");
    if (!(outcome.result == replay.result))
        std::fprintf(stderr, "the replay states: %s\n", OutcomeLine(replay.result).c_str());
    return kVerifyDiffers;
}
