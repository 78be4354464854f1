#include "shell/Options.h"

#include <cmath>

#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "shell/Shell.h"

const char* const optionsFileName = "Options.ini";

std::string ReadIniValue(const std::shared_ptr<TStream>& stream, const std::string& key) {
    if (!stream) return "0";
    StreamSeek(stream, 0);
    for (;;) {
        std::string line = StreamReadLine(stream);
        int p = FindText(line, "=");
        std::string value = MidText(line, p + 1);
        std::string name = LeftText(line, p - 1);
        if (name == key) return value;
        if (StreamAtEnd(stream)) return "0";
    }
}

namespace {

// Defaults of a first start.
void SetDefaultOptions() {
    gfxWidth = DesktopModeWidth();
    gfxHeight = DesktopModeHeight();
    gfxDepth = DesktopModeDepth();
    cameraMode = 0;
    sfxVolume = 0.7f;
    musicVolume = 1.0f;
    onlineHighscore = 0;
    playerName = "New Player";
}

int Percent(float volume) { return int(std::ceil(volume * 100.0f)); }

}  // namespace

void LoadOptions() {
    std::shared_ptr<TStream> file = OpenReadStream(optionsFileName);
    if (!file) {
        SetDefaultOptions();
        SaveOptions();
    } else {
        gfxWidth = ParseInt(ReadIniValue(file, "GFX X"));
        gfxHeight = ParseInt(ReadIniValue(file, "GFX Y"));
        gfxDepth = ReadIniValue(file, "GFX Full") > std::string("0") ? 32 : 0;
        cameraMode = uint8_t(ParseInt(ReadIniValue(file, "GFX Camera Delay")));
        if (cameraMode > 2) cameraMode = 0;
        sfxVolume = ParseFloat(ReadIniValue(file, "SoundEffectVolume")) / 100.0f;
        musicVolume = ParseFloat(ReadIniValue(file, "MusicVolume")) / 100.0f;
        onlineHighscore = uint8_t(ParseInt(ReadIniValue(file, "OnlineHighscore")));
        playerName = ReadIniValue(file, "Player");
    }
    if (playerName.empty()) playerName = "Pilot";
    StreamClose(file);
}

std::string OptionsText() {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    line("GFX X=" + std::to_string(gfxWidth));
    line("GFX Y=" + std::to_string(gfxHeight));
    line(std::string("GFX Full=") + (gfxDepth > 0 ? "1" : "0"));
    line("GFX Camera Delay=" + std::to_string(cameraMode));
    line("SoundEffectVolume=" + std::to_string(Percent(sfxVolume)));
    line("MusicVolume=" + std::to_string(Percent(musicVolume)));
    line("OnlineHighscore=" + std::to_string(onlineHighscore));
    line("Player=" + playerName);
    return text;
}

int SaveOptions() { return WriteFileAtomically(optionsFileName, OptionsText()); }

std::string GraphicsModeNotice(int width, int height) {
    return "graphicsmode not possible: " + std::to_string(width) + " x " + std::to_string(height) +
           ", please change graphicsmode in Options.ini file";
}

int CheckGraphicsMode() {
    if (OpenGraphicsMode(gfxWidth, gfxHeight, gfxDepth, 60, 0)) return 1;
    ShowNotice(GraphicsModeNotice(gfxWidth, gfxHeight), 0);
    return 0;
}
