#include "shell/SettingsScreen.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Audio.h"
#include "platform/Gamepad.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/TChannel.h"
#include "platform/TMixer.h"
#include "platform/Text.h"
#include "scores/InstallKey.h"
#include "scores/OnlineHighscore.h"
#include "shell/Accessibility.h"
#include "shell/Assets.h"
#include "shell/GamePaths.h"
#include "shell/KeyBindings.h"
#include "shell/MenuInput.h"
#include "shell/Music.h"
#include "shell/Options.h"
#include "shell/PadControls.h"
#include "shell/SaveNotices.h"
#include "shell/Screenshots.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "shell/TINPT_FIELD.h"
#include "shell/TLetterPicker.h"
#include "shell/TitleScreen.h"
#include "shell/UiScale.h"

namespace {

// The pages, in the order the list shows them.
enum TPage { kPageDisplay, kPageSound, kPagePlayer, kPageControls, kPageAccessibility, kPageCount };
const char* const kPageNames[kPageCount] = {"Display", "Sound", "Player", "Controls", "Accessibility"};

// Where the focus is: the page list, a page's entries, a text being typed, a binding awaited.
enum TLevel { kLevelPages, kLevelEntries, kLevelTyping, kLevelBinding };

// Layout on the interface's logical screen.
constexpr float kPanelMargin = 24.0f;
constexpr float kPanelMaxWidth = 720.0f;
constexpr float kTitleScale = 2.0f;
constexpr float kRowHeight = 20.0f;
constexpr float kRowPad = 2.0f;
constexpr float kPageColumnWidth = 140.0f;
constexpr float kLabelColumnWidth = 190.0f;
constexpr float kColumnGap = 12.0f;
// Lines kept under the entries: the status and the key help.
constexpr int kFooterLines = 3;
// The letter picker's room under the text being typed.
constexpr float kPickerRoom = 170.0f;

// Drawn in the first start's input fields' colours (TINPT_FIELD), with a warning colour for
// shared bindings.
constexpr int kWarningColour = 0xFF7040;
constexpr float kShadeAlpha = 0.6f;
constexpr float kPanelAlpha = 0.75f;

// How long a binding is awaited, and how long a status line shows, in ms.
constexpr int kBindingWaitMs = 5000;
constexpr int kStatusMs = 4000;

// The display's refresh and the depth of a video-mode switch, as at start-up.
constexpr int kRefreshHz = 60;
constexpr int kVideoModeDepth = 32;
// Volume steps in percent.
constexpr int kVolumeStep = 10;
constexpr int kFullPercent = 100;
// Longest name and server address typed here.
constexpr int kMaxNameLength = 32;
constexpr int kMaxAddressLength = 64;
// What a server address may hold beyond the picker's letters.
const char* const kAddressCharacters = ":";

// Window sizes offered beside the display's own modes, where they fit the desktop.
constexpr std::pair<int, int> kCommonSizes[] = {{1280, 720}, {1280, 800}, {1600, 900}, {1920, 1080}};

// One line of a page.
struct TEntry {
    std::string label;
    std::string value;
    bool warning = false;
};

struct TSettingsState {
    bool open = false;
    int level = kLevelPages;
    int page = kPageDisplay;
    int entry = 0;
    int scroll = 0;
    // Typing: the picker holds the text (the entry typed into is the selected one).
    TLetterPicker picker;
    // Binding: since when, and the input counters then.
    int bindingSince = 0;
    unsigned keyPressesThen = 0, padPressesThen = 0;
    std::string status;
    int statusSince = 0;
    // The screenshot key was pressed: the next drawn frame is saved with the settings on it.
    bool screenshotWanted = false;
};

TSettingsState state;

void ShowStatus(const std::string& text) {
    state.status = text;
    state.statusSince = MilliClock();
}

// ---- Saving ----

// Tells the player, on the screen and as a notice, when a change could not be written.
void TellIfUnsaved(int saved) {
    if (saved) return;
    ReportUnsaved("settings", GamePaths::SaveFailure());
    ShowStatus("settings not saved");
}

void SaveSettingLines(const std::vector<std::string>& keys) { TellIfUnsaved(SaveOptionLines(keys)); }
void SaveKeys(const std::vector<TAction>& actions) { TellIfUnsaved(SaveKeyBindings(actions)); }

// ---- Display ----

int ConfiguredWidth() { return configuredWidth ? configuredWidth : gfxWidth; }
int ConfiguredHeight() { return configuredHeight ? configuredHeight : gfxHeight; }

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// The display's modes and the common sizes that fit the desktop, smallest first, with the
// configured size among them.
std::vector<std::pair<int, int>> WindowSizes() {
    std::vector<std::pair<int, int>> sizes = DisplayModeSizes();
    for (const auto& size : kCommonSizes)
        if (size.first <= DesktopModeWidth() && size.second <= DesktopModeHeight()) sizes.push_back(size);
    sizes.emplace_back(ConfiguredWidth(), ConfiguredHeight());
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

bool IsModeSize(int width, int height) {
    const auto modes = DisplayModeSizes();
    return std::find(modes.begin(), modes.end(), std::make_pair(width, height)) != modes.end();
}

// Full-screen choices: window, borderless, and a mode switch only at a listed mode's size.
std::vector<int> FullScreenChoices() {
    std::vector<int> choices{kFullScreenOff, kFullScreenDesktop};
    if (IsModeSize(ConfiguredWidth(), ConfiguredHeight())) choices.push_back(kFullScreenModeSwitch);
    return choices;
}

std::string FullScreenText(int value) {
    if (value == kFullScreenDesktop) return "borderless";
    return value == kFullScreenOff ? "window" : "video mode";
}

// Full screen by switching the display to width x height: the display opens anew, and the
// pictures go into its new context as they are drawn. Where the display refuses, what was
// open opens again.
void OpenVideoMode(int width, int height) {
    const int oldWidth = GraphicsWidth(), oldHeight = GraphicsHeight();
    const int oldDepth = GraphicsFullScreen() ? gfxDepth : 0;
    const int oldDesktop = gfxDesktopFull;
    if (OpenGraphicsMode(width, height, kVideoModeDepth, kRefreshHz, 0)) {
        gfxDepth = kVideoModeDepth;
        gfxDesktopFull = 0;
    } else {
        if (oldDesktop)
            OpenDesktopFullScreen(kRefreshHz, 0);
        else
            OpenGraphicsMode(oldWidth, oldHeight, oldDepth, kRefreshHz, 0);
        ShowStatus("video mode " + SizeText(width, height) + " not possible");
    }
    gfxWidth = GraphicsWidth();
    gfxHeight = GraphicsHeight();
    LayOutForScreen();
    // A new window has the desktop's pointer: the game's own is drawn unless paused.
    if (gamePaused)
        ShowPointer();
    else
        HidePointer();
}

// Moves a setting through its choices by step, wrapping.
void Cycle(int& value, const std::vector<int>& choices, int step) {
    auto at = std::find(choices.begin(), choices.end(), value);
    const int count = int(choices.size());
    value = choices[size_t(((at == choices.end() ? 0 : int(at - choices.begin())) + step % count + count) % count)];
}

bool InVideoMode() { return GraphicsFullScreen() && !gfxDesktopFull && gfxDepth > 0; }

void ChangeWindowSize(int step) {
    const auto sizes = WindowSizes();
    auto at = std::find(sizes.begin(), sizes.end(), std::make_pair(ConfiguredWidth(), ConfiguredHeight()));
    const int index = std::clamp(int(at - sizes.begin()) + step, 0, int(sizes.size()) - 1);
    const auto [width, height] = sizes[size_t(index)];
    configuredWidth = width;
    configuredHeight = height;
    if (InVideoMode()) {
        // The display switches to the new size, or a window opens where it has no such mode.
        if (IsModeSize(width, height))
            OpenVideoMode(width, height);
        else
            SetFullScreen(0);
    } else if (!GraphicsFullScreen() && ResizeGraphicsMode(width, height, 0)) {
        gfxWidth = GraphicsWidth();
        gfxHeight = GraphicsHeight();
        LayOutForScreen();
    }
    SaveSettingLines({"GFX X", "GFX Y", "GFX Full"});
}

void ChangeFullScreen(int step) {
    int chosen = FullScreenValue();
    Cycle(chosen, FullScreenChoices(), step);
    if (chosen == kFullScreenModeSwitch) {
        OpenVideoMode(ConfiguredWidth(), ConfiguredHeight());
        SaveSettingLines({"GFX Full"});
    } else if (!SetFullScreen(chosen == kFullScreenDesktop ? 1 : 0)) {
        ShowStatus("that display mode is not possible");
    }
}

// Scales offered: auto, then every scale that fits the window.
std::vector<int> ScaleChoices() {
    std::vector<int> choices{kUiScaleAuto};
    for (int scale = 1; scale <= MaxUiScaleFor(gfxWidth, gfxHeight); ++scale) choices.push_back(scale);
    return choices;
}

std::string ScaleText() {
    if (uiScaleSetting == kUiScaleAuto) return "auto (" + std::to_string(UiScale()) + "x)";
    return std::to_string(uiScaleSetting) + "x";
}

// ---- Sound ----

int Percent(float volume) { return std::clamp(int(volume * kFullPercent + 0.5f), 0, kFullPercent); }

float SteppedVolume(float volume, int step) {
    return float(std::clamp(Percent(volume) + step * kVolumeStep, 0, kFullPercent)) / float(kFullPercent);
}

void ChangeMusicVolume(int step) {
    musicVolume = SteppedVolume(musicVolume, step);
    // Music off at start-up chose no track: one is chosen once it is turned up.
    if (musicVolume > 0.0f && !musicSound) ChooseMusicTrack();
    if (musicChannel) ChangeChannelVolume(musicChannel, musicVolume);
    if (titlePanel) BuildTitlePanel();
    SaveSettingLines({"MusicVolume"});
}

// ---- Player ----

std::string ServerText() { return HasHighscoreServerSetting() ? HighscoreServerSetting() : "built-in"; }

std::string KeyText() {
    const std::string key = InstallKeyText();
    return key.empty() ? "none yet" : key;
}

// ---- Controls ----

std::string InputsText(TAction action) {
    std::string text;
    for (const TInputBinding& input : keyBindings.Inputs(action)) text += (text.empty() ? "" : " / ") + input.name;
    return text;
}

void RestoreDefaultKeys() {
    keyBindings = KeyBindings();
    std::vector<TAction> all;
    for (int a = 0; a < kActionCount; ++a) all.push_back(TAction(a));
    SaveKeys(all);
    ShowStatus("default keys restored");
}

// ---- The pages' entries ----

const char* OnOff(int on) { return on ? "on" : "off"; }
const char* HoldToggle(int mode) { return mode == kPressToggle ? "toggle" : "hold"; }
const char* const kRumbleNames[] = {"off", "low", "full"};

std::vector<TEntry> Entries(int page) {
    switch (page) {
        case kPageDisplay:
            return {{"Window size", SizeText(ConfiguredWidth(), ConfiguredHeight())},
                    {"Full screen", FullScreenText(FullScreenValue())},
                    {"Text and HUD scale", ScaleText()}};
        case kPageSound:
            return {{"Effects volume", std::to_string(Percent(sfxVolume)) + " %"},
                    {"Music volume", std::to_string(Percent(musicVolume)) + " %"},
                    {"Mute", OnOff(AudioMixer().Muted())}};
        case kPagePlayer:
            return {{"Name", playerName},
                    {"Online highscore", OnOff(onlineHighscore)},
                    {"Highscore server", ServerText()},
                    {"Install key", KeyText()}};
        case kPageControls: {
            std::vector<TEntry> entries;
            for (int a = 0; a < kActionCount; ++a) {
                TEntry entry{KeyBindings::ActionName(TAction(a)), InputsText(TAction(a))};
                const auto shared = keyBindings.SharedWith(TAction(a));
                if (!shared.empty()) {
                    entry.warning = true;
                    entry.value += "  (also " + shared.front() + (shared.size() > 1 ? ", ..." : "") + ")";
                }
                entries.push_back(entry);
            }
            entries.push_back({"Defaults", "restore every action's keys"});
            return entries;
        }
        default:
            return {{"Fire", HoldToggle(fireMode)},
                    {"Hold heading", HoldToggle(headingMode)},
                    {"Rumble", kRumbleNames[std::clamp(rumbleStrength, kRumbleOff, kRumbleFull)]},
                    {"Rocket-lock alarm sound", OnOff(alarmSoundOn)}};
    }
}

// The entries of each page, in the order Entries lists them.
enum { kDisplaySize, kDisplayFullScreen, kDisplayScale };
enum { kSoundEffects, kSoundMusic, kSoundMute };
enum { kPlayerName, kPlayerOnline, kPlayerServer, kPlayerInstallKey };
enum { kAccessFire, kAccessHeading, kAccessRumble, kAccessAlarm };

void ChangeDisplay(int entry, int step) {
    if (entry == kDisplaySize) ChangeWindowSize(step);
    if (entry == kDisplayFullScreen) ChangeFullScreen(step);
    if (entry == kDisplayScale) {
        Cycle(uiScaleSetting, ScaleChoices(), step);
        SaveSettingLines({kUiScaleKey});
    }
}

void ChangeSound(int entry, int step) {
    if (entry == kSoundEffects) {
        sfxVolume = SteppedVolume(sfxVolume, step);
        SaveSettingLines({"SoundEffectVolume"});
    }
    if (entry == kSoundMusic) ChangeMusicVolume(step);
    if (entry == kSoundMute) AudioMixer().SetMuted(!AudioMixer().Muted());
}

void ChangeAccessibility(int entry, int step) {
    // The two-way choices flip whichever way they are stepped.
    auto flip = [](int& mode, int on, int off) { mode = mode == on ? off : on; };
    if (entry == kAccessFire) {
        flip(fireMode, kPressToggle, kPressHold);
        SaveSettingLines({kFireModeKey});
    }
    if (entry == kAccessHeading) {
        flip(headingMode, kPressToggle, kPressHold);
        SaveSettingLines({kHeadingModeKey});
    }
    if (entry == kAccessRumble) {
        Cycle(rumbleStrength, {kRumbleOff, kRumbleLow, kRumbleFull}, step);
        SaveSettingLines({kRumbleKey});
    }
    if (entry == kAccessAlarm) {
        flip(alarmSoundOn, 1, 0);
        SaveSettingLines({kAlarmSoundKey});
    }
}

// Changes a choice by step (-1 or +1); entries that are not choices stay.
void ChangeChoice(int page, int entry, int step) {
    if (page == kPageDisplay) ChangeDisplay(entry, step);
    if (page == kPageSound) ChangeSound(entry, step);
    if (page == kPageAccessibility) ChangeAccessibility(entry, step);
    if (page == kPagePlayer && entry == kPlayerOnline) {
        onlineHighscore = onlineHighscore ? 0 : 1;
        if (titlePanel) BuildTitlePanel();
        SaveSettingLines({"OnlineHighscore"});
    }
}

// ---- Typing ----

enum TTextEntry { kTextName, kTextServer, kTextInstallKey, kTextNone };

TTextEntry TextEntryAt(int page, int entry) {
    if (page != kPagePlayer) return kTextNone;
    if (entry == kPlayerName) return kTextName;
    if (entry == kPlayerServer) return kTextServer;
    if (entry == kPlayerInstallKey) return kTextInstallKey;
    return kTextNone;
}

// The picker for a text: its longest length and the characters it adds.
void StartPicker(TTextEntry which, const std::string& text) {
    // A key may be typed in groups of four digits with a dash between them.
    const int longest = which == kTextName ? kMaxNameLength
                        : which == kTextServer ? kMaxAddressLength
                                               : kInstallKeyHexDigits + kInstallKeyHexDigits / 4;
    state.picker.Start(text, longest, which == kTextServer ? kAddressCharacters : "");
}

void StartTyping(TTextEntry which) {
    StartPicker(which, which == kTextName ? playerName : which == kTextServer ? HighscoreServerSetting() : "");
    state.level = kLevelTyping;
    ClearMenuMoves();
}

void FinishTyping() {
    state.level = kLevelEntries;
    const std::string text = TrimText(state.picker.Text());
    switch (TextEntryAt(state.page, state.entry)) {
        case kTextName:
            if (text.empty()) return;
            playerName = text;
            SaveSettingLines({"Player"});
            return;
        case kTextServer: {
            const std::string notice = UseHighscoreServerSetting(text);
            if (!notice.empty()) {
                ShowStatus(notice);
                return;
            }
            SaveSettingLines({kHighscoreServerKey});
            return;
        }
        case kTextInstallKey:
            // Nothing typed makes a key where there is none; a typed key replaces the old one.
            if (text.empty())
                ShowStatus(EnsureInstallKey().empty() ? "install key not saved" : "install key made");
            else
                ShowStatus(ImportInstallKey(text) ? "install key taken" : "that is not an install key");
            return;
        default: return;
    }
}

// Keyboard typing beside the picker: typed characters of the picker's set go into the text,
// Enter finishes; Backspace erases through the picker, as the pad's B does.
void UpdateTyping() {
    // Enter is taken first: to the picker it would type the marked character.
    const int enter = KeyWasHit(kKeyReturn);
    const bool finished = state.picker.Update() == TLetterPicker::Finished;
    std::string typed = state.picker.Text();
    const std::string allowed = state.picker.Characters();
    bool changed = false;
    for (int c = NextTypedChar(); c; c = NextTypedChar()) {
        if (allowed.find(char(c)) == std::string::npos) continue;
        typed += char(c);
        changed = true;
    }
    if (changed) StartPicker(TextEntryAt(state.page, state.entry), typed);
    if (enter || finished) FinishTyping();
}

// ---- Binding ----

void StartBinding() {
    state.level = kLevelBinding;
    state.bindingSince = MilliClock();
    state.keyPressesThen = KeyAndButtonPresses();
    state.padPressesThen = PadPresses();
}

// The input pressed since binding began, if any.
bool PressedInput(TInputBinding& input) {
    if (KeyAndButtonPresses() != state.keyPressesThen) {
        state.keyPressesThen = KeyAndButtonPresses();
        const int pressed = LastKeyOrButtonPressed();
        if (pressed < 0) {
            input = {TInputKind::MouseButton, -pressed, "Mouse" + std::to_string(-pressed)};
            return true;
        }
        // Escape quits the game, as everywhere; it is never bound.
        if (pressed != kKeyEscape && KeyBindings::InputForKey(pressed, input)) return true;
    }
    if (PadPresses() != state.padPressesThen) {
        state.padPressesThen = PadPresses();
        const int control = LastPadInputPressed();
        if (control >= 0) {
            input = {TInputKind::Pad, control, PadInputLabel(control)};
            return true;
        }
    }
    return false;
}

void UpdateBinding() {
    TInputBinding input;
    if (PressedInput(input)) {
        const TAction action = TAction(state.entry);
        keyBindings.Bind(action, input);
        SaveKeys({action});
        state.level = kLevelEntries;
        // The press that bound is not also a move or an action.
        ClearInputHits();
        ClearMenuMoves();
        return;
    }
    if (int(uint32_t(MilliClock()) - uint32_t(state.bindingSince)) >= kBindingWaitMs) {
        state.level = kLevelEntries;
        ShowStatus("nothing pressed: binding left as it was");
        ClearInputHits();
        ClearMenuMoves();
    }
}

// ---- Moves ----

void CloseSettings() {
    DebugNote("settings screen closed");
    state.open = false;
    ClearMenuMoves();
}

void Activate() {
    const int count = int(Entries(state.page).size());
    if (state.page == kPageControls) {
        if (state.entry == count - 1)
            RestoreDefaultKeys();
        else
            StartBinding();
        return;
    }
    const TTextEntry text = TextEntryAt(state.page, state.entry);
    if (text != kTextNone) {
        StartTyping(text);
        return;
    }
    ChangeChoice(state.page, state.entry, 1);
}

void ApplyMove(TMenuMove move) {
    const int count = int(Entries(state.page).size());
    if (move == TMenuMove::Finish) {
        CloseSettings();
        return;
    }
    if (state.level == kLevelPages) {
        if (move == TMenuMove::Up) state.page = (state.page + kPageCount - 1) % kPageCount;
        if (move == TMenuMove::Down) state.page = (state.page + 1) % kPageCount;
        if (move == TMenuMove::Right || move == TMenuMove::Confirm) {
            state.level = kLevelEntries;
            state.entry = 0;
            state.scroll = 0;
        }
        if (move == TMenuMove::Back) CloseSettings();
        return;
    }
    switch (move) {
        case TMenuMove::Up: state.entry = (state.entry + count - 1) % count; break;
        case TMenuMove::Down: state.entry = (state.entry + 1) % count; break;
        case TMenuMove::Left: ChangeChoice(state.page, state.entry, -1); break;
        case TMenuMove::Right: ChangeChoice(state.page, state.entry, 1); break;
        case TMenuMove::Confirm: Activate(); break;
        case TMenuMove::Back: state.level = kLevelPages; break;
        default: break;
    }
}

// ---- Layout, shared by drawing and the mouse ----

struct TLayout {
    float left, top, width, height;
    float pagesX, entriesX, valuesX, rowsTop;
    int visibleRows;
};

TLayout Layout() {
    TLayout l{};
    const float screenW = float(UiWidth()), screenH = float(UiHeight());
    l.width = std::min(kPanelMaxWidth, screenW - 2.0f * kPanelMargin);
    l.height = screenH - 2.0f * kPanelMargin;
    l.left = (screenW - l.width) / 2.0f;
    l.top = kPanelMargin;
    l.pagesX = l.left + kColumnGap;
    l.entriesX = l.pagesX + kPageColumnWidth;
    l.valuesX = l.entriesX + kLabelColumnWidth;
    l.rowsTop = l.top + kColumnGap + float(TextHeightOf("S")) * kTitleScale + kColumnGap;
    float room = l.top + l.height - l.rowsTop - float(kFooterLines) * kRowHeight;
    if (state.level == kLevelTyping) room -= kPickerRoom;
    l.visibleRows = std::max(1, int(room / kRowHeight));
    return l;
}

// Keeps the selected entry among the rows shown.
void FollowSelection(const TLayout& l) {
    if (state.entry < state.scroll) state.scroll = state.entry;
    if (state.entry >= state.scroll + l.visibleRows) state.scroll = state.entry - l.visibleRows + 1;
}

void UpdateMouse() {
    const int clicked = MouseButtonHit(kMouseLeft);
    if (!clicked) return;
    const TLayout l = Layout();
    const float x = float(PointerX()) / float(UiScale()), y = float(PointerY()) / float(UiScale());
    const int row = int((y - l.rowsTop) / kRowHeight);
    if (y < l.rowsTop || row < 0) return;
    if (x >= l.pagesX && x < l.entriesX && row < kPageCount) {
        state.page = row;
        state.level = kLevelEntries;
        state.entry = state.scroll = 0;
    } else if (x >= l.entriesX && x < l.left + l.width && row < l.visibleRows &&
               state.scroll + row < int(Entries(state.page).size())) {
        state.level = kLevelEntries;
        state.entry = state.scroll + row;
        Activate();
    }
}

// Takes this pass's presses from the game's actions and the title's keys, so none of them
// acts on a press meant for the settings.
void DropActionHits() {
    for (int a = 0; a < kActionCount; ++a) ActionWasHit(TAction(a));
    for (int t = 0; t < kTitleKeyCount; ++t) TitleKeyWasHit(TTitleKey(t));
}

// ---- Drawing ----

void DrawBox(float x, float y, float w, float h, int fill, float alpha) {
    SetDrawAlpha(alpha);
    DrawFieldBox(x, y, w, h, fill);
    SetDrawAlpha(1.0f);
}

void DrawText(const std::string& text, float x, float y, int colour) {
    SetDrawColorRGB(colour);
    DrawTextAt(text, x, y);
}

std::string HelpLine() {
    if (state.level == kLevelTyping)
        return GamepadCount() > 0 ? "Type or pick: Pad A types  Pad B erases  Pad Start / Enter done"
                                  : "Type, Backspace erases, Enter done";
    if (state.level == kLevelBinding) return "Press a key, mouse button or pad control (Esc quits)";
    return GamepadCount() > 0 ? "D-pad move  Pad A choose  Pad B back   Esc quit"
                              : "Arrows move  Enter choose  Backspace back   Esc quit";
}

}  // namespace

void OpenSettings() {
    DebugNote("settings screen opened");
    state.open = true;
    state.level = kLevelPages;
    state.entry = state.scroll = 0;
    state.status.clear();
    ClearMenuMoves();
}

int SettingsOpen() { return state.open ? 1 : 0; }

void UpdateSettingsScreen() {
    if (!state.open) return;
    if (state.level == kLevelBinding) {
        UpdateBinding();
    } else if (state.level == kLevelTyping) {
        UpdateTyping();
    } else {
        UpdateMouse();
        for (TMenuMove move : ReadMenuMoves())
            if (state.open && state.level != kLevelTyping && state.level != kLevelBinding) ApplyMove(move);
        // Back on the pad, a short press, leaves as B does.
        if (PadBackTapped() && state.open) CloseSettings();
    }
    if (!state.status.empty() && int(uint32_t(MilliClock()) - uint32_t(state.statusSince)) >= kStatusMs)
        state.status.clear();
    FollowSelection(Layout());
    if (state.level != kLevelBinding && ActionWasHit(TAction::Screenshot)) state.screenshotWanted = true;
    DropActionHits();
}

void DrawSettingsScreen() {
    if (!state.open) return;
    const TLayout l = Layout();
    SetDrawRotation(0.0f);
    SetDrawScale(1.0f, 1.0f);
    SetBlendMode(kBlendAlpha);
    SetDrawColor(0, 0, 0);
    SetDrawAlpha(kShadeAlpha);
    DrawRectangle(0.0f, 0.0f, float(UiWidth()), float(UiHeight()));
    DrawBox(l.left, l.top, l.width, l.height, kFieldBackColour, kPanelAlpha);

    SetDrawScale(kTitleScale, kTitleScale);
    DrawText("SETTINGS", l.left + (l.width - float(TextWidthOf("SETTINGS")) * kTitleScale) / 2.0f,
             l.top + kColumnGap, kFieldTextColour);
    SetDrawScale(1.0f, 1.0f);

    for (int p = 0; p < kPageCount; ++p) {
        const float y = l.rowsTop + float(p) * kRowHeight;
        if (p == state.page)
            DrawBox(l.pagesX - kRowPad, y - kRowPad, kPageColumnWidth - kColumnGap, kRowHeight,
                    state.level == kLevelPages ? kFieldActiveBackColour : kFieldBackColour, 1.0f);
        DrawText(kPageNames[p], l.pagesX + kRowPad, y, kFieldTextColour);
    }

    const std::vector<TEntry> entries = Entries(state.page);
    const float rowWidth = l.left + l.width - kColumnGap - l.entriesX;
    for (int row = 0; row < l.visibleRows && state.scroll + row < int(entries.size()); ++row) {
        const int index = state.scroll + row;
        const TEntry& entry = entries[size_t(index)];
        const float y = l.rowsTop + float(row) * kRowHeight;
        const bool selected = index == state.entry && state.level != kLevelPages;
        if (selected) DrawBox(l.entriesX - kRowPad, y - kRowPad, rowWidth, kRowHeight, kFieldActiveBackColour, 1.0f);
        std::string value = entry.value;
        if (selected && state.level == kLevelTyping) value = state.picker.Text() + "_";
        if (selected && state.level == kLevelBinding) {
            const int left = (kBindingWaitMs - int(uint32_t(MilliClock()) - uint32_t(state.bindingSince)) + 999) / 1000;
            value = "press an input... " + std::to_string(std::max(left, 0));
        }
        DrawText(entry.label, l.entriesX + kRowPad, y, kFieldTextColour);
        DrawText(value, l.valuesX, y, entry.warning ? kWarningColour : kFieldTextColour);
    }
    if (state.scroll > 0) DrawText("^", l.left + l.width - 2.0f * kColumnGap, l.rowsTop, kFieldTextColour);
    if (state.scroll + l.visibleRows < int(entries.size()))
        DrawText("v", l.left + l.width - 2.0f * kColumnGap, l.rowsTop + float(l.visibleRows - 1) * kRowHeight,
                 kFieldTextColour);

    if (state.level == kLevelTyping)
        state.picker.Draw(l.left + l.width / 2.0f, l.rowsTop + float(l.visibleRows) * kRowHeight + kRowPad);

    const float footer = l.top + l.height - float(kFooterLines - 1) * kRowHeight - kColumnGap;
    if (!state.status.empty()) DrawText(state.status, l.pagesX, footer, kWarningColour);
    DrawText(HelpLine(), l.pagesX, footer + kRowHeight, kFieldTextColour);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    // Over the title the game draws no pointer of its own: the settings draw it.
    if (!gamePaused) DrawImageAt(cursorImage, float(PointerX()) / float(UiScale()), float(PointerY()) / float(UiScale()), 0);
    if (state.screenshotWanted) {
        TakeScreenshot();
        state.screenshotWanted = false;
    }
}

void ResetSettingsScreen() { state = TSettingsState{}; }

namespace {
const int stateResetRegistered = RegisterStateReset("settings screen", kResetRankShell + 9, &ResetSettingsScreen);
}  // namespace
