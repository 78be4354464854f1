#include "shell/Shell.h"

#include "Version.h"

#include "platform/Input.h"
#include "platform/TTimer.h"
#include "platform/StateResets.h"
#include "shell/Camera.h"
#include "shell/PlayerControls.h"
#include "shell/ReplayRecorder.h"
#include "shell/ReplayViewer.h"
#include "shell/TitleScreen.h"
#include "stages/TLevel.h"
#include "stages/TMessage.h"
#include "world/GameClock.h"
#include "world/Roster.h"
#include "world/ShipTable.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

int gfxWidth = 0;
int gfxHeight = 0;
int gfxDepth = 0;
int gfxDesktopFull = 0;
int configuredWidth = 0, configuredHeight = 0;
uint8_t cameraMode = 0;
float sfxVolume = 0.0f;
float musicVolume = 0.0f;
uint8_t onlineHighscore = 0;
std::string playerName;
std::string gamePlayerName;

float mouseX = 0.0f, mouseY = 0.0f;
std::shared_ptr<TTimer> frameTimer;
int lastTick = 0;
uint8_t drawFrame = 0;
int drawInterval = 15;
int lastDrawTime = 0;
int tickMs = 0;
float ticksPerSecond = 0.0f;
float difficulty = 0.0f;
uint8_t screenshotRequested = 0;
int worldUpdates = 0;
int64_t worldUpdateNanos = 0;
uint32_t gameSeed = 0;

const char* const gameTitle = kVersionText;

namespace {
// Amber of the "Start Game" greeting.
constexpr int kStartGameColour = 0xF09300;
}  // namespace

void StartGame() {
    // The seed comes from the cosmetic stream, itself seeded from the clock at start-up.
    uint32_t seed = uint32_t(RandomInt(1, 0x7FFFFFFE));
    ResetReplayViewer();
    ResetControlToggles();
    StartSeededGame(seed);
    BeginRecording(seed);
}

void StartSeededGame(uint32_t seed) {
    gameSeed = seed;
    gamePlayerName = playerName;
    SeedGameRandom(int(seed));
    // Timers of the game count from its start; messages still showing keep their time.
    TMessage::ShiftClock(RestartGameClock());
    playerControls = TControls{};
    TUniverse::ClearAll();
    player = nullptr;
    titlePanel = nullptr;
    std::shared_ptr<TShip> ship = TShip::Create();
    player = ship;
    // The "Modern X" of the ship table: its picture, armour, explosion and three guns.
    EquipShip(ship, ShipOfRole(TShipRole::Player));
    ship->points = 0.0f;
    cameraTarget = player;
    TMessage::Create("Start Game", kMessageDuration, kMessageScale, kStartGameColour);
    TLevel::SetCurrent(levels[1]);
    difficulty = 1.0f;
    // Keys, buttons and pad controls pressed on the title were meant for it, not the new game.
    FlushInput();
    ClearInputHits();
}

void ResetShellState() {
    gfxWidth = gfxHeight = gfxDepth = gfxDesktopFull = 0;
    configuredWidth = configuredHeight = 0;
    cameraMode = 0;
    sfxVolume = musicVolume = 0.0f;
    onlineHighscore = 0;
    playerName.clear();
    gamePlayerName.clear();
    mouseX = mouseY = 0.0f;
    frameTimer.reset();
    lastTick = 0;
    drawFrame = 0;
    drawInterval = 15;
    lastDrawTime = 0;
    tickMs = 0;
    ticksPerSecond = 0.0f;
    gameSeed = 0;
    difficulty = 0.0f;
    screenshotRequested = 0;
    worldUpdates = 0;
    worldUpdateNanos = 0;
}

namespace {
const int stateResetRegistered = RegisterStateReset("shell state", kResetRankShell + 3, &ResetShellState);
}  // namespace
