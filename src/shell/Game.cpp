#include "shell/Game.h"

#include "platform/StateResets.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstdint>
#include <string>

#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "platform/Audio.h"
#include "platform/Files.h"
#include "platform/Gamepad.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/MemoryCounters.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/GamePaths.h"
#include "shell/Music.h"
#include "shell/KeyBindings.h"
#include "shell/Options.h"
#include "shell/SaveNotices.h"
#include "shell/PadControls.h"
#include "shell/PlayerControls.h"
#include "shell/ReplayRecorder.h"
#include "shell/ReplayViewer.h"
#include "scores/ReplayFolder.h"
#include "scores/TReplay.h"
#include "scores/TScore.h"
#include "scores/TTextfield.h"
#include "shell/Screenshots.h"
#include "shell/SettingsScreen.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "shell/TitleScreen.h"
#include "shell/UiScale.h"
#include "shell/WindowIcon.h"
#include "shell/ReplayVerifier.h"
#include "shell/WorldStep.h"
#include "stages/StageTable.h"
#include "stages/TLevel.h"
#include "stages/TMessage.h"
#include "world/TGunInfo.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

namespace {

// The logo over a random earlier screenshot (or alone), shown while the rest loads.
void ShowSplash() {
    LoadLogo();
    std::shared_ptr<TImage> background = PickSplashImage();
    if (background) CentreImageAnchor(background);
    ClearScreen();
    HidePointer();
    SetBlendMode(kBlendAlpha);
    DrawImageAt(background, float(gfxWidth / 2), float(gfxHeight / 2), 0);
    DrawImageAt(logoImage, float(gfxWidth / 2), float(gfxHeight / 2), 0);
    FlipScreen(-1);
}

// The three background layers, tiled with additive light, each offset by the camera / depth.
void DrawBackground() {
    SetBlendMode(kBlendLight);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    const TTileLayer layers[] = {{bgImage, -cameraX / 1000.0f, -cameraY / 1000.0f},
                                 {bgAlterImage, -cameraX, -cameraY},
                                 {bgAlter2Image, -cameraX / 2.0f, -cameraY / 2.0f}};
    TileImagesAt(layers, 3);
}

}  // namespace

int StartUpGame() {
    SetAppTitle(gameTitle);
    // The class the menu entry's StartupWMClass names, so docks match the window to it.
    SetAppClass("tavrik", "Tavrik");
    SetAppIcons(LoadWindowIcons());
    // Escape on the first start's options screen ends the program here, through the usual
    // shutdown.
    // Pads first: the first start's options screen takes A as well.
    OpenPads();
    if (!LoadOptions()) return 0;
    LoadKeyBindings();
    if (onlineHighscore) onlineHighscore = TScore::CheckVersion();
    if (!CheckGraphicsMode()) return 0;
    TMessage::InitMessages();
    SeedRandom(MilliClock());
    GamePaths::MakeStartFolders();
    universe = std::make_shared<TUniverse>();
    ShowSplash();
    SetParticleStats(0);
    SetParticleGravity(0.0f, 0.0f);
    SetParticleScreen(gfxWidth, gfxHeight);
    CreateEffectCatalogue();
    CreateGunCatalogue();
    LoadShellAssets();
    ChooseMusicTrack();
    CreateStageTable();
    frameTimer = CreateTickTimer(60);
    ReleaseFreedMemory();
    // The particles' clock measures from the end of start-up.
    engineClock = MilliClock();
    ShowStartUpSaveNotices();
    // The first pass draws: the last drawn frame counts as one interval ago.
    lastDrawTime = MilliClock() - drawInterval;
    return 1;
}

namespace {

// Height of the logo's centre on the title screen.
constexpr float kLogoY = 100.0f;

// Holds the pointer inside [0, gfxWidth] x [0, gfxHeight], warping it back when it left.
void ClampPointer() {
    mouseX = float(PointerX());
    mouseY = float(PointerY());
    if (mouseX > float(gfxWidth)) {
        MovePointer(gfxWidth, int(mouseY));
        mouseX = float(gfxWidth);
    } else if (mouseX < 0.0f) {
        MovePointer(0, int(mouseY));
        mouseX = 0.0f;
    }
    if (mouseY > float(gfxHeight)) {
        MovePointer(int(mouseX), gfxHeight);
        mouseY = float(gfxHeight);
    } else if (mouseY < 0.0f) {
        MovePointer(int(mouseX), 0);
        mouseY = 0.0f;
    }
}

// Most steps a late pass catches up; beyond them the game slows down rather than jump.
constexpr int kMaxStepsPerPass = 4;

// The world steps due since the last pass, each with the player's controls; during a game the
// presses of the pass go to its first step.
void PlayDueSteps() {
    int ticks = TimerPeriodCount(frameTimer);
    // Paused, nothing of the game moves and no step is owed afterwards.
    if (gamePaused) {
        lastTick = ticks;
        return;
    }
    if (ticks <= lastTick) return;
    const int steps = std::min(ticks - lastTick, kMaxStepsPerPass);
    lastTick = ticks;
    if (Watching()) {
        PlayWatchedSteps(steps);
        DeliverWorldEvents();
        return;
    }
    TControls controls = PlayerAlive() ? ReadPlayerControls() : TControls{};
    if (PlayerAlive() && ActionWasHit(TAction::Screenshot)) RequestScreenshot();
    for (int i = 0; i < steps; ++i) {
        PlayWorldStep(controls);
        RecordStep(controls);
        // The game is over in the step the player's ship died: its replay ends there.
        if (Recording() && !PlayerAlive()) FinishRecording(TReplayEnd::GameOver);
        controls = HeldControls(controls);
    }
    DeliverWorldEvents();
}

// The title screen's keys: start a game, watch the best replay, a screenshot, the online update.
void AnswerTitleKeys() {
    if (TitleKeyWasHit(TTitleKey::StartGame)) {
        StartGame();
    } else if (TitleKeyWasHit(TTitleKey::WatchBest)) {
        std::string best = ReplayFolder::Best();
        if (!best.empty()) StartWatchingFile(best);
    }
    // The title's screenshot holds its text and logo.
    if (ActionWasHit(TAction::Screenshot)) TakeScreenshot();
    if (TitleKeyWasHit(TTitleKey::UpdateOnline) && onlineHighscore) {
        TScore::SubmitAll();
        TScore::SortAndTrim();
        BuildTitlePanel();
    }
}

}  // namespace

int RunMainLoopPass() {
    BeginPassTiming();
    // The settings screen reads its presses first; nothing after it acts on them.
    const bool settingsWereOpen = SettingsOpen();
    if (settingsWereOpen) UpdateSettingsScreen();
    // Paused, the pointer is free to leave the window; a replay being watched aims by itself.
    if (!gamePaused && !Watching()) ClampPointer();
    if (!settingsWereOpen) UpdateViewerKeys();
    KeepMusicPlaying();
    UpdateShellControls();

    PlayDueSteps();

    // Draw gate, in wrap-around arithmetic so an uptime past 2^31 ms does not stop drawing.
    int now = MilliClock();
    if (int(uint32_t(now) - uint32_t(lastDrawTime)) >= drawInterval) {
        drawFrame = 1;
        lastDrawTime = now;
        ClearScreen();
    } else {
        drawFrame = 0;
    }

    // The origin follows the focus, so a size switched while paused keeps the focus centred.
    if (!gamePaused) {
        FollowTitleBattle();
        UpdateCameraFocus();
    }
    UpdateCameraOrigin();
    SetParticleCamera(cameraX, cameraY);
    TMessage::UpdateMessages();

    if (drawFrame) {
        DrawBackground();
        SetBlendMode(kBlendAlpha);
        SetDrawAlpha(1.0f);
        TUniverse::DrawAll();
    }

    UpdateParticles();

    if (drawFrame) {
        // The screenshot holds background, world and particles, nothing drawn after them.
        if (screenshotRequested) {
            TakeScreenshot();
            screenshotRequested = 0;
        }
        SetDrawRotation(0.0f);
        SetDrawColor(255, 255, 255);
        if (PlayerAlive()) {
            if (Watching())
                ViewerCursor();
            else
                CursorFollowsAim();
            if (!gamePaused) DrawImageAt(cursorImage, mouseX, mouseY, 0);
            player->DrawHUD();
            BeginInterfaceDrawing();
            DrawViewerOverlay();
            EndInterfaceDrawing();
        } else {
            // The title screen, after a game the game-over screen. Entering it records the
            // finished game once and ends the game's stages: the unnamed stage 0 fills the
            // world behind it.
            if (!titlePanel) {
                // Presses made during the game were meant for it: none starts the next one.
                if (player) ClearInputHits();
                RecordFinishedGame();
                BuildTitlePanel();
                TLevel::SetCurrent(nullptr);
            }
            // The start line names the pad's button while one is connected.
            if (titleNamesPad != (GamepadCount() > 0)) BuildTitlePanel();
            // The settings screen stands alone over the title battle.
            if (!SettingsOpen()) {
                BeginInterfaceDrawing();
                titlePanel->x = float(UiWidth() / 2);
                titlePanel->Draw();
                DrawImageAt(logoImage, float(UiWidth() / 2), kLogoY, 0);
                EndInterfaceDrawing();
            }
            // The settings' presses are their own, also in the pass that closed them.
            if (!SettingsOpen() && !settingsWereOpen) AnswerTitleKeys();
        }
        BeginInterfaceDrawing();
        DrawShellOverlays();
        // Paused, the messages (centred like the pause panel) wait unseen.
        messageCentreX = float(UiWidth()) / 2.0f;
        messageCentreY = float(UiHeight()) / 2.0f;
        if (!gamePaused) TMessage::DrawMessages();
        EndInterfaceDrawing();
        FlipScreen(-1);
    }

    if (KeyWasHit(kKeyEscape) || PadQuitRequested()) {
        // Escape during a game ends its replay as quit.
        FinishRecording(TReplayEnd::Quit);
        return 0;
    }
    return 1;
}

void ShutDownGame() {
    CloseGamepads();
    CloseGraphicsMode();
}

void ResetProgramState() { RunStateResets(); }

int RunTool(int argc, char** argv) {
    if (argc < 2) return kNotATool;
    const std::string command = argv[1];
    if (command == "--identity") {
        constexpr int kExitNoData = 1;
        if (!LoadHeadlessSimulation()) return kExitNoData;
        std::printf("%s\n", CachedBuildIdentity().c_str());
        return 0;
    }
    if (command == "--verify") {
        if (argc != 3) {
            std::fprintf(stderr, "usage: tavrik --verify FILE\n");
            return kVerifyMalformed;
        }
        return VerifyReplayFile(argv[2]);
    }
    return kNotATool;
}

int RunGame(int argc, char** argv) {
    // Exit status of a game that cannot find its data.
    constexpr int kExitNoData = 1;
    // A replay to watch is read before the game's folders are set up: the path is the caller's.
    std::unique_ptr<TReplay> toWatch;
    if (argc >= 2 && std::string(argv[1]) == "--replay") {
        if (argc != 3) {
            std::fprintf(stderr, "usage: tavrik --replay FILE\n");
            return kVerifyMalformed;
        }
        toWatch = std::make_unique<TReplay>();
        std::string error;
        if (!ReplayFolder::ReadFile(argv[2], *toWatch, error)) {
            std::fprintf(stderr, "replay not readable: %s: %s\n", argv[2], error.c_str());
            return kVerifyMalformed;
        }
    }
    if (!GamePaths::SetUp()) return kExitNoData;
    DebugNote("folders: " + GamePaths::Describe());
    StartAlarmTimer();
    if (StartUpGame()) {
        if (toWatch) StartWatching(*toWatch);
        while (RunMainLoopPass()) {
        }
    }
    ShutDownGame();
    return 0;
}
