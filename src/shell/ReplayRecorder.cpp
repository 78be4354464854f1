#include "shell/ReplayRecorder.h"

#include <ctime>

#include "Version.h"
#include "platform/StateResets.h"
#include "platform/Text.h"
#include "scores/ReplayFolder.h"
#include "shell/BuildIdentity.h"
#include "shell/Shell.h"
#include "shell/WorldStep.h"
#include "world/GameClock.h"
#include "world/TShip.h"

namespace {
std::unique_ptr<TReplay> recording;
std::string identity;
// The replay the last finished recording wrote, and how that game ended.
std::string finishedPath;
TReplayResult finishedResult;

// The local time as "YYYY-MM-DD HH:MM:SS".
std::string LocalDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
}  // namespace

const std::string& CachedBuildIdentity() {
    if (identity.empty()) identity = BuildIdentity();
    return identity;
}

void BeginRecording(uint32_t seed) {
    recording = std::make_unique<TReplay>();
    recording->gameVersion = kVersionText;
    recording->identity = CachedBuildIdentity();
    recording->seed = seed;
    recording->playerName = gamePlayerName;
    recording->date = LocalDateTime();
}

void RecordStep(const TControls& controls) {
    if (!recording) return;
    if (recording->steps.size() >= size_t(kMaxReplaySteps)) {
        // Longer than any replay may be: this game is not recorded.
        recording.reset();
        return;
    }
    recording->steps.push_back(controls);
    if (recording->steps.size() % kReplayStepsPerSecond == 0) recording->checkpoints.push_back(WorldStateHash());
}

bool Recording() { return recording != nullptr; }

TReplayResult CurrentResult(TReplayEnd end) {
    TReplayResult result;
    if (player) {
        result.points = TruncatedInt(player->points);
        result.kills = player->kills;
    }
    result.stage = CurrentStageIndex();
    result.steps = gameSteps;
    result.end = end;
    return result;
}

void FinishRecording(TReplayEnd end) {
    if (!recording) return;
    std::unique_ptr<TReplay> finished = std::move(recording);
    finished->result = CurrentResult(end);
    finished->result.steps = int(finished->steps.size());
    finishedResult = finished->result;
    finishedPath = ReplayFolder::Save(*finished);
}

std::string TakeGameOverReplay(int64_t points) {
    std::string path;
    if (finishedResult.end == TReplayEnd::GameOver && finishedResult.points == points) path = finishedPath;
    finishedPath.clear();
    return path;
}

void ResetReplayRecorder() {
    recording.reset();
    identity.clear();
    finishedPath.clear();
    finishedResult = {};
}

namespace {
const int stateResetRegistered = RegisterStateReset("replay recorder", kResetRankShell + 6, &ResetReplayRecorder);
}  // namespace
