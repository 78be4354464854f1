#include "shell/ReplayViewer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "scores/ReplayFolder.h"
#include "scores/TReplay.h"
#include "shell/Camera.h"
#include "shell/KeyBindings.h"
#include "shell/ReplayRecorder.h"
#include "shell/Shell.h"
#include "shell/UiScale.h"
#include "shell/WorldStep.h"
#include "world/TShip.h"

namespace {
std::unique_ptr<TReplay> watched;
size_t nextStep = 0;
// Speed as a power of two; periods counted towards the next step below 1x.
int speed = 0;
int slowPeriods = 0;
bool viewerPaused = false;
bool watchedOnScreen = false;

// Distance of the viewer's line from the bottom of the screen.
constexpr float kOverlayBottom = 30.0f;

void Notice(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    ShowNotice(text, 0);
}
}  // namespace

bool StartWatching(const TReplay& replay) {
    if (replay.identity != CachedBuildIdentity()) {
        Notice("replay from another build (" + replay.identity + "); this is build " + CachedBuildIdentity());
        return false;
    }
    // A game being played ends here as if quit.
    FinishRecording(TReplayEnd::Quit);
    watched = std::make_unique<TReplay>(replay);
    nextStep = 0;
    speed = 0;
    slowPeriods = 0;
    viewerPaused = false;
    watchedOnScreen = true;
    StartSeededGame(replay.seed);
    return true;
}

bool StartWatchingFile(const std::string& path) {
    TReplay replay;
    std::string error;
    if (!ReplayFolder::ReadFile(path, replay, error)) {
        Notice("replay not readable: " + path + ": " + error);
        return false;
    }
    return StartWatching(replay);
}

bool Watching() { return watched != nullptr; }

bool WatchedGameOnScreen() { return watchedOnScreen; }

void PlayWatchedSteps(int periods) {
    if (!watched || viewerPaused) return;
    int steps;
    if (speed >= 0) {
        steps = periods << speed;
    } else {
        slowPeriods += periods;
        steps = slowPeriods >> -speed;
        slowPeriods -= steps << -speed;
    }
    for (int i = 0; i < steps && watched; ++i) {
        if (nextStep >= watched->steps.size()) {
            StopWatching();
            break;
        }
        PlayWorldStep(watched->steps[nextStep++]);
        // The recorded game ended in the step its player's ship died.
        if (!PlayerAlive()) watched.reset();
    }
}

void UpdateViewerKeys() {
    if (!watched) return;
    // Every press counts, also two made between passes.
    if (TitleKeyWasHit(TTitleKey::ViewerPause) % 2) viewerPaused = !viewerPaused;
    speed = std::min(speed + TitleKeyWasHit(TTitleKey::ViewerFaster), kFastestViewerSpeed);
    speed = std::max(speed - TitleKeyWasHit(TTitleKey::ViewerSlower), kSlowestViewerSpeed);
    if (TitleKeyWasHit(TTitleKey::ViewerBack)) StopWatching();
}

void ViewerCursor() {
    if (!watched || nextStep == 0) return;
    const TControls& last = watched->steps[nextStep - 1];
    mouseX = float(last.aimX) - cameraX;
    mouseY = float(last.aimY) - cameraY;
}

void DrawViewerOverlay() {
    if (!watched) return;
    std::string line = "Replay " + watched->playerName + "  ";
    if (viewerPaused)
        line += "paused";
    else if (speed >= 0)
        line += std::to_string(1 << speed) + "x";
    else
        line += "1/" + std::to_string(1 << -speed) + "x";
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    DrawTextAt(line, 10.0f, float(UiHeight()) - kOverlayBottom);
}

void StopWatching() {
    watched.reset();
    // The replay's game leaves the screen like a finished one; the title follows.
    if (PlayerAlive()) player->Remove();
}

void ResetReplayViewer() {
    watched.reset();
    nextStep = 0;
    speed = 0;
    slowPeriods = 0;
    viewerPaused = false;
    watchedOnScreen = false;
}

namespace {
const int stateResetRegistered = RegisterStateReset("replay viewer", kResetRankShell + 9, &ResetReplayViewer);
}  // namespace
