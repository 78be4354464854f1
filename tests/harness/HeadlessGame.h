#pragma once
// Runs the real game headless inside a test: a fresh temporary working folder with an
// Options.ini, headless graphics, the fake clock, and the real start-up and main loop
// driven pass by pass with scripted input.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/Graphics.h"
#include "platform/Input.h"
#include "shell/Game.h"
#include "stages/TLevel.h"

// The settings text of a windowed width x height game.
inline std::string WindowedOptions(int width, int height) {
    return "GFX X=" + std::to_string(width) + "\r\nGFX Y=" + std::to_string(height) +
           "\r\nGFX Full=0\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\n"
           "OnlineHighscore=0\r\nPlayer=Tester\r\n";
}

// A temporary folder that is the working directory while the object lives.
class TempWorkingFolder {
public:
    TempWorkingFolder() {
        char pattern[] = "/tmp/tavrik-test-XXXXXX";
        path = mkdtemp(pattern);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~TempWorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    // Writes a file in the folder.
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path / name, std::ios::binary) << bytes;
    }
    // Reads a file of the folder ("" when missing).
    std::string Read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path path;

private:
    std::filesystem::path previous;
};

// The game, started headless; options "" means no Options.ini.
class HeadlessGame {
public:
    explicit HeadlessGame(const std::string& options = WindowedOptions(640, 480), int startMs = 100000) {
        ResetProgramState();
        SetHeadlessGraphics(1);
        UseFakeClock(startMs);
        if (!options.empty()) folder.Write("Options.ini", options);
        started = StartUpGame();
    }
    // The same, with prepare putting more files into the folder before start-up.
    HeadlessGame(const std::string& options, const std::function<void(const TempWorkingFolder&)>& prepare,
                 int startMs = 100000) {
        ResetProgramState();
        SetHeadlessGraphics(1);
        UseFakeClock(startMs);
        folder.Write("Options.ini", options);
        prepare(folder);
        started = StartUpGame();
    }
    ~HeadlessGame() {
        ShutDownGame();
        ResetProgramState();
    }
    // One pass of the main loop; false once it asked to end.
    bool Pass() { return RunMainLoopPass() != 0; }
    // Passes until the fake clock has advanced by ms (at least one pass).
    int RunFor(int ms) {
        // Wrap-around arithmetic: the clock may pass 2^31 ms during the run.
        int end = int(uint32_t(MilliClock()) + uint32_t(ms)), passes = 0;
        do {
            ++passes;
            if (!Pass()) break;
            AdvanceFakeClock(1);
        } while (int(uint32_t(MilliClock()) - uint32_t(end)) < 0);
        return passes;
    }
    void Press(int code) { ApplyKeyDown(code); ApplyKeyUp(code); }
    // Empties the stage table, so no stage sends enemies: the world holds only what the
    // test places.
    static void WithoutStages() {
        levels.fill(nullptr);
        currentLevel = nullptr;
    }

    TempWorkingFolder folder;
    int started = 0;
};
