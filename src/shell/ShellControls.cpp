#include "shell/ShellControls.h"

#include <chrono>
#include <cstdio>

#include "particles/ParticleEngine.h"
#include "platform/Audio.h"
#include "platform/Gamepad.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/TMixer.h"
#include "shell/KeyBindings.h"
#include "shell/Options.h"
#include "shell/GamePaths.h"
#include "shell/PadControls.h"
#include "shell/SaveNotices.h"
#include "shell/SettingsScreen.h"
#include "shell/Shell.h"
#include "shell/TitleScreen.h"
#include "shell/UiScale.h"
#include "stages/TMessage.h"
#include "world/TShip.h"

uint8_t gamePaused = 0;
uint8_t showFrameRate = 0;

namespace {

using SteadyClock = std::chrono::steady_clock;

// Colour of the sound messages.
constexpr int kSoundMessageColour = 0xF09300;
// Shade laid over the paused game.
constexpr float kPauseShadeAlpha = 0.5f;
// Gap between "PAUSED" and the key lines, and distance of the readout from the corner.
constexpr float kPauseLineGap = 8.0f;
constexpr float kReadoutMargin = 8.0f;
// The readout is worked out anew after this many ms.
constexpr int64_t kReadoutPeriodMs = 1000;

// Frame-rate readout.
SteadyClock::time_point passStart;
SteadyClock::time_point periodStart;
int periodFrames = 0;
double periodWorkMs = 0.0;
int shownFps = 0;
double shownWorkMs = 0.0;

struct TPauseKey {
    TAction action;
    const char* what;
};
constexpr TPauseKey kPauseKeys[] = {
    {TAction::Pause, "resume"},
    {TAction::FullScreen, "full screen"},
    {TAction::Mute, "sound "},
    {TAction::FrameRate, "frame rate"},
};
// The settings line and the quit line under the bound keys, without and with a pad.
const char* const kSettingsLine = "F2  settings";
const char* const kPadSettingsLine = "F2 / Pad Back  settings";
const char* const kQuitLine = "Esc  quit";
const char* const kPadQuitLine = "Esc / hold Pad Back  quit";

void DrawCentred(const std::string& text, float y, float scale) {
    SetDrawScale(scale, scale);
    DrawTextAt(text, (float(UiWidth()) - float(TextWidthOf(text)) * scale) / 2.0f, y);
    SetDrawScale(1.0f, 1.0f);
}

void DrawPausePanel() {
    SetDrawRotation(0.0f);
    SetBlendMode(kBlendAlpha);
    SetDrawColor(0, 0, 0);
    SetDrawAlpha(kPauseShadeAlpha);
    // The shade covers every window pixel, also those the logical screen's rounding leaves.
    const float scale = InterfaceScale();
    SetInterfaceScale(1.0f);
    DrawRectangle(0.0f, 0.0f, float(gfxWidth), float(gfxHeight));
    SetInterfaceScale(scale);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    const float titleHeight = float(TextHeightOf("PAUSED")) * kPausedScale;
    float y = float(UiHeight()) / 2.0f - titleHeight;
    DrawCentred("PAUSED", y, kPausedScale);
    y += titleHeight + kPauseLineGap;
    for (int i = 0; i < PauseKeyLineCount(); ++i) {
        std::string line = PauseKeyLine(i);
        DrawCentred(line, y, 1.0f);
        y += float(TextHeightOf(line));
    }
}

void DrawFrameRate() {
    std::string text = FrameRateText();
    SetDrawRotation(0.0f);
    SetDrawScale(1.0f, 1.0f);
    SetBlendMode(kBlendAlpha);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    DrawTextAt(text, float(UiWidth()) - float(TextWidthOf(text)) - kReadoutMargin, kReadoutMargin);
}

// Counts a drawn frame and its work since the pass began.
void CountFrame() {
    SteadyClock::time_point now = SteadyClock::now();
    if (periodStart == SteadyClock::time_point{}) periodStart = now;
    ++periodFrames;
    periodWorkMs += std::chrono::duration<double, std::milli>(now - passStart).count();
    int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - periodStart).count();
    if (elapsed >= kReadoutPeriodMs) {
        shownFps = int(int64_t(periodFrames) * 1000 / elapsed);
        shownWorkMs = periodWorkMs / periodFrames;
        periodFrames = 0;
        periodWorkMs = 0.0;
        periodStart = now;
    }
}

}  // namespace

void BeginPassTiming() { passStart = SteadyClock::now(); }

void LayOutForScreen() {
    SetParticleScreen(gfxWidth, gfxHeight);
    messageCentreX = float(UiWidth()) / 2.0f;
    messageCentreY = float(UiHeight()) / 2.0f;
    if (titlePanel) BuildTitlePanel();
}

void SetPaused(int on) {
    on = on ? 1 : 0;
    if (on == gamePaused) return;
    gamePaused = uint8_t(on);
    HoldParticleClock(on);
    if (on) {
        ShowPointer();
    } else {
        HidePointer();
        // Presses made while paused were meant for the pause, not for the ship.
        ClearInputHits();
    }
}

void UpdateShellControls() {
    UpdatePadControls();
    // The settings screen owns the presses while it is open; Back held still quits.
    if (SettingsOpen()) return;
    // All are read every pass, so nothing counted on the title waits for the next game.
    int pauseHit = ActionWasHit(TAction::Pause);
    int focusLost = FocusWasLost();
    int padsLost = GamepadDisconnects();
    int settingsHit = TitleKeyWasHit(TTitleKey::Settings);
    int pausedSettingsHit = TitleKeyWasHit(TTitleKey::PausedSettings);
    int backTapped = PadBackTapped();
    if (PlayerAlive()) {
        if (pauseHit % 2) SetPaused(!gamePaused);
        // A pad unplugged mid-fight leaves its player without controls: the game waits.
        if (focusLost || padsLost) SetPaused(1);
        if (gamePaused && (pausedSettingsHit || backTapped)) OpenSettings();
    } else {
        SetPaused(0);
        if (settingsHit || backTapped) OpenSettings();
    }
    if (ActionWasHit(TAction::FullScreen) % 2) ToggleFullScreen();
    if (ActionWasHit(TAction::Mute) % 2) ToggleMute();
    if (ActionWasHit(TAction::FrameRate) % 2) showFrameRate = showFrameRate ? 0 : 1;
}

void DrawShellOverlays() {
    if (SettingsOpen())
        DrawSettingsScreen();
    else if (gamePaused)
        DrawPausePanel();
    CountFrame();
    if (showFrameRate) DrawFrameRate();
}

int ToggleFullScreen() { return SetFullScreen(GraphicsFullScreen() ? 0 : 1); }

int SetFullScreen(int on) {
    if (!configuredWidth) {
        // Until the first switch the screen has the configured size.
        configuredWidth = gfxWidth;
        configuredHeight = gfxHeight;
    }
    const int toFull = on ? 1 : 0;
    const int width = toFull ? DesktopModeWidth() : configuredWidth;
    const int height = toFull ? DesktopModeHeight() : configuredHeight;
    if (!ResizeGraphicsMode(width, height, toFull)) {
        ShowNotice("full screen not possible: " + std::to_string(width) + " x " + std::to_string(height), 0);
        return 0;
    }
    // The window may have been fitted to the desktop.
    gfxWidth = GraphicsWidth();
    gfxHeight = GraphicsHeight();
    gfxDepth = 0;
    gfxDesktopFull = toFull;
    LayOutForScreen();
    if (!SaveOptionLines({"GFX Full"}))
        ReportUnsaved("settings", GamePaths::SaveFailure());
    return 1;
}

void ToggleMute() {
    TMixer& mixer = AudioMixer();
    mixer.SetMuted(!mixer.Muted());
    TMessage::Create(mixer.Muted() ? "Sound off" : "Sound on", kSoundMessageDuration, kMessageScale,
                     kSoundMessageColour);
}

std::string FrameRateText() {
    char text[64];
    std::snprintf(text, sizeof text, "%d fps  %.1f ms", shownFps, shownWorkMs);
    return text;
}

int PauseKeyLineCount() { return int(std::size(kPauseKeys)) + 2; }

std::string PauseKeyLine(int index) {
    if (index >= 0 && index < int(std::size(kPauseKeys))) {
        const TPauseKey& key = kPauseKeys[index];
        std::string line = keyBindings.Describe(key.action) + "  " + key.what;
        // The sound line says what the key gives, since no message shows while paused.
        if (key.action == TAction::Mute) line += AudioMixer().Muted() ? "on" : "off";
        return line;
    }
    if (index == int(std::size(kPauseKeys))) return GamepadCount() > 0 ? kPadSettingsLine : kSettingsLine;
    return GamepadCount() > 0 ? kPadQuitLine : kQuitLine;
}

void ResetShellControls() {
    gamePaused = 0;
    showFrameRate = 0;
    passStart = periodStart = SteadyClock::time_point{};
    periodFrames = 0;
    periodWorkMs = 0.0;
    shownFps = 0;
    shownWorkMs = 0.0;
}

namespace {
const int stateResetRegistered = RegisterStateReset("shell controls", kResetRankShell + 7, &ResetShellControls);
}  // namespace
