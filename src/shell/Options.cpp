#include "shell/Options.h"

#include <algorithm>
#include <cmath>

#include "platform/Files.h"
#include "platform/Gamepad.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/TImage.h"
#include "platform/Text.h"
#include "scores/OnlineHighscore.h"
#include "shell/Accessibility.h"
#include "shell/GamePaths.h"
#include "shell/SaveNotices.h"
#include "shell/Shell.h"
#include "shell/TINPT_FIELD.h"
#include "shell/TLetterPicker.h"
#include "shell/UiScale.h"

const char* const optionsFileName = "Options.ini";

std::string OptionsFilePath() { return GamePaths::SettingsFolder() + optionsFileName; }

int FullScreenValue() {
    if (gfxDesktopFull) return kFullScreenDesktop;
    return gfxDepth > 0 ? kFullScreenModeSwitch : kFullScreenOff;
}

namespace {
// Largest Options.ini whose "GFX Full" line is rewritten in place.
constexpr int64_t kMaxOptionsFileBytes = 1 << 20;
}  // namespace

bool FindIniValue(const std::shared_ptr<TStream>& stream, const std::string& key, std::string& value) {
    if (!stream) return false;
    StreamSeek(stream, 0);
    for (;;) {
        std::string line = StreamReadLine(stream);
        int p = FindText(line, "=");
        std::string name = LeftText(line, p - 1);
        if (name == key) {
            value = MidText(line, p + 1);
            return true;
        }
        if (StreamAtEnd(stream)) return false;
    }
}

std::string ReadIniValue(const std::shared_ptr<TStream>& stream, const std::string& key) {
    std::string value;
    return FindIniValue(stream, key, value) ? value : "0";
}

void SetDefaultOptions() {
    gfxWidth = DesktopModeWidth();
    gfxHeight = DesktopModeHeight();
    gfxDepth = DesktopModeDepth();
    gfxDesktopFull = 0;
    cameraMode = 0;
    sfxVolume = 0.7f;
    musicVolume = 1.0f;
    onlineHighscore = 0;
    playerName = "New Player";
}

namespace {

// A volume as the whole percent the file and the screen show, rounded up.
int Percent(float volume) { return TruncatedInt(std::ceil(volume * 100.0f)); }

// A choice 0..highest from its line; a missing line or a value out of range keeps what it was.
void ReadChoice(const std::shared_ptr<TStream>& file, const char* key, int highest, int& choice) {
    std::string text;
    if (!FindIniValue(file, key, text)) return;
    const std::string trimmed = TrimText(text);
    if (trimmed.size() == 1 && trimmed[0] >= '0' && trimmed[0] <= '0' + highest) choice = trimmed[0] - '0';
}

// The number a digit-only field's text stands for, held within the field's range.
int FieldNumber(const std::string& text) { return ParseIntClamped(text, kMaxFieldNumber); }

// One field of the options screen: place, size, caption and filter.
struct TFieldPlace {
    int x, y, width, height;
    const char* label;
    int filter;
};

// The seven fields, in screen and list order.
constexpr TFieldPlace kFieldPlaces[kOptionsFieldCount] = {
    {10, 50, 380, 40, "Player", 0},
    {10, 100, 180, 40, "Resolution X", kFilterDigitsOnly},
    {210, 100, 180, 40, "Resolution Y", kFilterDigitsOnly},
    {10, 150, 180, 40, "Fullscreen 0/1", kFilterDigitsOnly},
    {210, 150, 180, 40, "Online Highscore 0/1", kFilterDigitsOnly},
    {10, 200, 180, 40, "Music Volume %", kFilterDigitsOnly},
    {210, 200, 180, 40, "SFX Volume %", kFilterDigitsOnly},
};
// Indexes of the fields above.
enum { kFieldPlayer, kFieldWidth, kFieldHeight, kFieldFull, kFieldOnline, kFieldMusic, kFieldSfx };

// The letter picker's top on the options screen, and the pad's key line at the bottom, under
// the background's own two lines.
constexpr float kPickerTop = 60.0f;
constexpr float kPadLineY = 284.0f;
const char* const kPadLine = "Pad Y = type name   Pad A = OK";

// The options screen's state while it runs.
std::array<std::shared_ptr<TINPT_FIELD>, kOptionsFieldCount> optionsFields;
std::shared_ptr<TImage> optionsBackground;
// The name is typed with a pad while the picker is open.
TLetterPicker namePicker;
bool namePickerOpen = false;

// The player's name with every "=" taken out: it separates the highscore file's fields.
std::string WithoutSeparators(std::string name) {
    std::erase(name, '=');
    return name;
}

// Pad Y opens the letter picker on the name; its Start puts the picked name into the field.
// While it is open the fields only show.
void UpdateNamePicker(TINPT_FIELD& nameField) {
    if (!namePickerOpen) {
        if (!PadInputHit(kPadY)) return;
        TINPT_FIELD::inputFields.ForEach([](const std::shared_ptr<TINPT_FIELD>& field) { field->active = 0; });
        namePicker.Start(nameField.GetValue(), kMaxPlayerNameLength);
        namePickerOpen = true;
        return;
    }
    if (namePicker.Update() == TLetterPicker::Finished) {
        nameField.SetValue(namePicker.Text(), 0, nameField.displayFlags);
        namePickerOpen = false;
        // What the picker's keys typed meanwhile is not meant for the fields or the screen.
        FlushInput();
        ClearGamepadHits();
    }
}

void ResetOptionsScreen() {
    optionsFields = {};
    optionsBackground.reset();
    namePicker = TLetterPicker();
    namePickerOpen = false;
    optionsScreenPass = &RunOptionsScreenPass;
}

const int stateResetRegistered =
    RegisterStateReset("options screen", kResetRankShell + 1, &ResetOptionsScreen);

}  // namespace

std::function<int()> optionsScreenPass = &RunOptionsScreenPass;

const std::array<std::shared_ptr<TINPT_FIELD>, kOptionsFieldCount>& OptionsFields() { return optionsFields; }

int StartOptionsScreen() {
    if (!OpenGraphicsMode(kOptionsScreenWidth, kOptionsScreenHeight, 0, 60, 0)) {
        // No display, or one that refuses even this small window. There is no Options.ini to
        // change yet, and none is written, so the next start tries again.
        ShowNotice("options screen not possible: no display could be opened for its " +
                       std::to_string(kOptionsScreenWidth) + " x " + std::to_string(kOptionsScreenHeight) +
                       " window",
                   0);
        return 0;
    }
    optionsBackground = LoadImageFile("gfx\\OptionBG.png");
    const std::string initial[kOptionsFieldCount] = {
        playerName,
        std::to_string(gfxWidth),
        std::to_string(gfxHeight),
        std::to_string(FullScreenValue()),
        std::to_string(onlineHighscore),
        std::to_string(Percent(musicVolume)),
        std::to_string(Percent(sfxVolume)),
    };
    for (int i = 0; i < kOptionsFieldCount; ++i) {
        const TFieldPlace& p = kFieldPlaces[i];
        optionsFields[i] = TINPT_FIELD::Create(p.x, p.y, p.width, p.height, p.label, p.filter);
        optionsFields[i]->SetValue(initial[i], 0, kFieldCentreText | kFieldShowCaption);
    }
    return 1;
}

int RunOptionsScreenPass() {
    ClearScreen();
    SetDrawAlpha(1.0f);
    SetDrawColor(255, 255, 255);
    DrawImageAt(optionsBackground, 0.0f, 0.0f, 0);
    const bool picking = namePickerOpen;
    if (optionsFields[kFieldPlayer]) UpdateNamePicker(*optionsFields[kFieldPlayer]);
    // The picker's pass took its own moves; the fields are drawn without input under it.
    int editing = TINPT_FIELD::UpdateFields(PointerX(), PointerY(), picking ? 0 : MouseButtonHit(kMouseLeft));
    // Enter while a field was edited only ended that editing, and its hit is gone. A pad's A
    // takes the settings shown, so a player with nothing but a pad gets past this screen.
    int confirmed = 0;
    if (!picking && !namePickerOpen) {
        int padConfirmed = PadInputHit(kPadA);
        confirmed = editing == 0 && (KeyWasHit(kKeyReturn) || padConfirmed);
    }
    if (namePickerOpen) {
        namePicker.Draw(kOptionsScreenWidth / 2.0f, kPickerTop);
    } else if (GamepadCount() > 0) {
        SetDrawColor(255, 255, 255);
        DrawTextAt(kPadLine, (kOptionsScreenWidth - float(TextWidthOf(kPadLine))) / 2.0f, kPadLineY);
    }
    if (KeyWasHit(kKeyEscape)) return kOptionsScreenQuit;
    FlipScreen(-1);
    return confirmed ? kOptionsScreenConfirmed : kOptionsScreenOpen;
}

void FinishOptionsScreen() {
    auto text = [](int i) { return optionsFields[i] ? optionsFields[i]->GetValue() : std::string(); };
    playerName = WithoutSeparators(TrimText(text(kFieldPlayer)));
    gfxWidth = FieldNumber(text(kFieldWidth));
    gfxHeight = FieldNumber(text(kFieldHeight));
    // The switches take the low 8 bits, so 256 counts as 0.
    const uint8_t full = uint8_t(FieldNumber(text(kFieldFull)));
    gfxDesktopFull = full == kFullScreenDesktop;
    gfxDepth = full > 0 && !gfxDesktopFull ? 32 : 0;
    onlineHighscore = uint8_t(FieldNumber(text(kFieldOnline))) > 0 ? 1 : 0;
    musicVolume = float(FieldNumber(text(kFieldMusic))) / 100.0f;
    sfxVolume = float(FieldNumber(text(kFieldSfx))) / 100.0f;
    // The screen has no field for the camera mode: it keeps its default.
    optionsBackground.reset();
}

int RunOptionsScreen() {
    if (!StartOptionsScreen()) return 0;
    for (;;) {
        int state = optionsScreenPass();
        if (state == kOptionsScreenQuit) return 0;
        if (state == kOptionsScreenConfirmed) break;
    }
    FinishOptionsScreen();
    return 1;
}

int LoadOptions() {
    std::shared_ptr<TStream> file = OpenReadStream(OptionsFilePath());
    if (!file) {
        SetDefaultOptions();
        if (!RunOptionsScreen()) return 0;
        if (!SaveOptions()) ReportUnsaved("settings", GamePaths::SaveFailure());
    } else {
        gfxWidth = ParseInt(ReadIniValue(file, "GFX X"));
        gfxHeight = ParseInt(ReadIniValue(file, "GFX Y"));
        // 2 is borderless full screen; any other value above "0" a video-mode switch.
        const std::string full = ReadIniValue(file, "GFX Full");
        gfxDesktopFull = full > std::string("0") && ParseInt(full) == kFullScreenDesktop;
        gfxDepth = full > std::string("0") && !gfxDesktopFull ? 32 : 0;
        cameraMode = uint8_t(ParseInt(ReadIniValue(file, "GFX Camera Delay")));
        if (cameraMode > 2) cameraMode = 0;
        sfxVolume = ParseFloat(ReadIniValue(file, "SoundEffectVolume")) / 100.0f;
        musicVolume = ParseFloat(ReadIniValue(file, "MusicVolume")) / 100.0f;
        onlineHighscore = uint8_t(ParseInt(ReadIniValue(file, "OnlineHighscore")));
        playerName = WithoutSeparators(ReadIniValue(file, "Player"));
        ReadChoice(file, kFireModeKey, kPressToggle, fireMode);
        ReadChoice(file, kHeadingModeKey, kPressToggle, headingMode);
        ReadChoice(file, kRumbleKey, kRumbleFull, rumbleStrength);
        ReadChoice(file, kAlarmSoundKey, 1, alarmSoundOn);
        ReadChoice(file, kUiScaleKey, kMaxUiScale, uiScaleSetting);
        std::string server;
        if (FindIniValue(file, kHighscoreServerKey, server)) {
            std::string notice = UseHighscoreServerSetting(server);
            if (!notice.empty()) ShowNotice(notice, 0);
        }
        StreamClose(file);
    }
    if (playerName.empty()) playerName = "Pilot";
    return 1;
}

std::string OptionsText() {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    line("GFX X=" + std::to_string(gfxWidth));
    line("GFX Y=" + std::to_string(gfxHeight));
    line("GFX Full=" + std::to_string(FullScreenValue()));
    line("GFX Camera Delay=" + std::to_string(cameraMode));
    line("SoundEffectVolume=" + std::to_string(Percent(sfxVolume)));
    line("MusicVolume=" + std::to_string(Percent(musicVolume)));
    line("OnlineHighscore=" + std::to_string(onlineHighscore));
    line("Player=" + playerName);
    line(std::string(kFireModeKey) + "=" + std::to_string(fireMode));
    line(std::string(kHeadingModeKey) + "=" + std::to_string(headingMode));
    line(std::string(kRumbleKey) + "=" + std::to_string(rumbleStrength));
    line(std::string(kAlarmSoundKey) + "=" + std::to_string(alarmSoundOn));
    line(std::string(kUiScaleKey) + "=" + std::to_string(uiScaleSetting));
    // Written only by the player; a rewrite keeps it as it was read.
    if (HasHighscoreServerSetting()) line(std::string(kHighscoreServerKey) + "=" + HighscoreServerSetting());
    return text;
}

int SaveOptions() {
    return GamePaths::MakeFolder(GamePaths::SettingsFolder()) && WriteFileAtomically(OptionsFilePath(), OptionsText());
}

std::string WithIniLine(const std::string& text, const std::string& key, const std::string& value) {
    // The line the reader takes: the first whose name before "=" is exactly the key.
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        size_t lineEnd = end == std::string::npos ? text.size() : end;
        size_t contentEnd = lineEnd > start && text[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        size_t equals = size_t(std::find(text.begin() + long(start), text.begin() + long(contentEnd), '=') - text.begin());
        if (equals < contentEnd && equals - start == key.size() && text.compare(start, key.size(), key) == 0)
            return text.substr(0, equals + 1) + value + text.substr(contentEnd);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::string out = text;
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out + key + "=" + value + "\r\n";
}

std::string WithFullScreenLine(const std::string& text, int fullScreen) {
    return WithIniLine(text, "GFX Full", std::to_string(fullScreen));
}

int SaveOptionLines(const std::vector<std::string>& keys) {
    // The size written is the one asked for, not the fitted or full-screen size in use.
    const int width = gfxWidth, height = gfxHeight;
    if (configuredWidth > 0) {
        gfxWidth = configuredWidth;
        gfxHeight = configuredHeight;
    }
    const std::string current = "\n" + OptionsText();
    std::shared_ptr<TStream> file = OpenReadStream(OptionsFilePath());
    int saved = 0;
    if (!file) {
        saved = SaveOptions();
    } else {
        std::string text;
        bool whole = StreamReadAll(file, text, kMaxOptionsFileBytes);
        StreamClose(file);
        // Never cut a file down to what was read of it.
        if (whole) {
            for (const std::string& key : keys) {
                size_t at = current.find("\n" + key + "=");
                if (at == std::string::npos) continue;
                size_t from = at + key.size() + 2;
                text = WithIniLine(text, key, current.substr(from, current.find("\r\n", from) - from));
            }
            saved = WriteFileAtomically(OptionsFilePath(), text);
        }
    }
    gfxWidth = width;
    gfxHeight = height;
    return saved;
}

std::string GraphicsModeNotice(int width, int height) {
    return "graphicsmode not possible: " + std::to_string(width) + " x " + std::to_string(height) +
           ", please change graphicsmode in Options.ini file";
}

int CheckGraphicsMode() {
    configuredWidth = gfxWidth;
    configuredHeight = gfxHeight;
    if (gfxDesktopFull ? OpenDesktopFullScreen(60, 0) : OpenGraphicsMode(gfxWidth, gfxHeight, gfxDepth, 60, 0)) {
        gfxWidth = GraphicsWidth();
        gfxHeight = GraphicsHeight();
        return 1;
    }
    ShowNotice(GraphicsModeNotice(gfxWidth, gfxHeight), 0);
    return 0;
}
