// The settings screen driven through the headless loop: opened from the title and the pause
// panel, changes applied at once and written into Options.ini and Keys.ini line by line,
// presses kept from the title and the game, an unwritable file told.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness/HeadlessGame.h"
#include "harness/VirtualPad.h"
#include "platform/DrawRecording.h"
#include "shell/Accessibility.h"
#include "shell/KeyBindings.h"
#include "shell/SettingsScreen.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "world/TShip.h"

namespace {

constexpr int kKeyK = 'K';
constexpr int kKeyP = 'P';

// A pass long enough for a drawn frame.
void Step(HeadlessGame& game) { game.RunFor(40); }

void Press(HeadlessGame& game, int code) {
    game.Press(code);
    Step(game);
}

bool Drew(const std::string& text) {
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text && call.text == text) return true;
    return false;
}

}  // namespace

TEST(Settings, ChangesApplyAtOnceAndRewriteOnlyTheirLines) {
    const std::string options = WindowedOptions(640, 480) + "; kept as it is\r\nSome Other Game=1\r\n";
    const std::string keys = "# my keys\nThrust=w,PadLeftStickUp\nNotAnAction=q\nPause=p";
    HeadlessGame game(options, [&](const TempWorkingFolder& folder) { folder.Write("Keys.ini", keys); });
    ASSERT_TRUE(game.started);
    Step(game);
    Press(game, kKeyS);
    ASSERT_TRUE(SettingsOpen());

    // Display: a larger window at once, its size written.
    Press(game, kKeyReturn);
    Press(game, kKeyRight);
    EXPECT_EQ(gfxWidth, 1024);
    EXPECT_EQ(GraphicsWidth(), 1024);
    std::string expected = options;
    expected.replace(expected.find("GFX X=640"), 9, "GFX X=1024");
    expected.replace(expected.find("GFX Y=480"), 9, "GFX Y=768");
    EXPECT_EQ(game.folder.Read("Options.ini"), expected);

    // Full screen: borderless, then a video mode (the size is a mode of the display), then a
    // window again, each at once.
    Press(game, kKeyDown);
    Press(game, kKeyRight);
    EXPECT_TRUE(GraphicsFullScreen());
    EXPECT_EQ(gfxDesktopFull, 1);
    Press(game, kKeyRight);
    EXPECT_TRUE(GraphicsFullScreen());
    EXPECT_EQ(gfxDesktopFull, 0);
    EXPECT_GT(gfxDepth, 0);
    EXPECT_NE(game.folder.Read("Options.ini").find("\r\nGFX Full=1\r\n"), std::string::npos);
    Press(game, kKeyRight);
    EXPECT_FALSE(GraphicsFullScreen());
    EXPECT_EQ(game.folder.Read("Options.ini"), expected);

    // Sound: the music a step quieter.
    Press(game, kKeyBackspace);
    Press(game, kKeyDown);
    Press(game, kKeyReturn);
    Press(game, kKeyDown);
    Press(game, kKeyLeft);
    EXPECT_FLOAT_EQ(musicVolume, 0.9f);
    expected.replace(expected.find("MusicVolume=100"), 15, "MusicVolume=90");
    EXPECT_EQ(game.folder.Read("Options.ini"), expected);

    // Accessibility, a line the file did not have: added at its end.
    Press(game, kKeyBackspace);
    Press(game, kKeyUp);
    Press(game, kKeyUp);
    Press(game, kKeyReturn);
    Press(game, kKeyReturn);
    expected += "Fire Mode=1\r\n";
    EXPECT_EQ(game.folder.Read("Options.ini"), expected);

    // Controls: Thrust bound to K in place of its keys; its pad control stays. The Enter that
    // began the binding started no game.
    Press(game, kKeyBackspace);
    Press(game, kKeyUp);
    Press(game, kKeyReturn);
    Press(game, kKeyReturn);
    Press(game, kKeyK);
    EXPECT_EQ(game.folder.Read("Keys.ini"), "# my keys\nThrust=k,PadLeftStickUp\nNotAnAction=q\nPause=p");
    EXPECT_FALSE(PlayerAlive());

    // Five seconds without input leave a binding as it was.
    Press(game, kKeyDown);
    Press(game, kKeyReturn);
    game.RunFor(5100);
    Press(game, kKeyLeft);  // a move again, not a binding
    EXPECT_EQ(keyBindings.FileLine(TAction::Reverse), "Reverse=Down,s,PadLeftStickDown");

    // Back twice leaves; the title's keys answer again.
    Press(game, kKeyBackspace);
    Press(game, kKeyBackspace);
    EXPECT_FALSE(SettingsOpen());
    EXPECT_FALSE(PlayerAlive());
    Press(game, kKeyReturn);
    EXPECT_TRUE(PlayerAlive());
    ApplyKeyDown(kKeyK);
    EXPECT_TRUE(ActionIsDown(TAction::Thrust));
    ApplyKeyUp(kKeyK);
}

TEST(Settings, WhatWasWrittenIsReadAtTheNextStart) {
    std::string options, keys;
    {
        HeadlessGame game;
        Step(game);
        Press(game, kKeyF2);
        Press(game, kKeyDown);   // Sound
        Press(game, kKeyReturn);
        Press(game, kKeyDown);   // music volume
        Press(game, kKeyLeft);
        Press(game, kKeyBackspace);
        Press(game, kKeyDown);   // Player
        Press(game, kKeyDown);   // Controls
        Press(game, kKeyReturn);
        Press(game, kKeyReturn);  // Thrust
        Press(game, kKeyK);
        Press(game, kKeyBackspace);
        Press(game, kKeyDown);   // Accessibility
        Press(game, kKeyReturn);
        Press(game, kKeyReturn);  // fire by toggling
        options = game.folder.Read("Options.ini");
        keys = game.folder.Read("Keys.ini");
    }
    HeadlessGame again(options, [&](const TempWorkingFolder& folder) { folder.Write("Keys.ini", keys); });
    EXPECT_FLOAT_EQ(musicVolume, 0.9f);
    EXPECT_EQ(keyBindings.FileLine(TAction::Thrust), "Thrust=k,PadLeftStickUp");
    EXPECT_EQ(keys, "Thrust=k,PadLeftStickUp\r\n");
    EXPECT_EQ(fireMode, kPressToggle);
}

TEST(Settings, OverThePausedGameTheGameKeysWaitAndAFailedSaveIsTold) {
    HeadlessGame game;
    Step(game);
    Press(game, kKeyReturn);
    ASSERT_TRUE(PlayerAlive());
    Press(game, kKeyP);
    ASSERT_TRUE(gamePaused);
    Press(game, kKeyF2);
    ASSERT_TRUE(SettingsOpen());
    // P in the settings does not resume the game.
    Press(game, kKeyP);
    EXPECT_TRUE(gamePaused);

    // Options.ini cannot be replaced: the settings say so and the game goes on.
    std::filesystem::remove(game.folder.path / "Options.ini");
    std::filesystem::create_directory(game.folder.path / "Options.ini");
    Press(game, kKeyDown);
    Press(game, kKeyReturn);
    StartDrawRecording();
    Press(game, kKeyRight);
    StopDrawRecording();
    EXPECT_TRUE(Drew("settings not saved"));
    EXPECT_FLOAT_EQ(sfxVolume, 0.8f);

    Press(game, kKeyBackspace);
    Press(game, kKeyBackspace);
    EXPECT_FALSE(SettingsOpen());
    EXPECT_TRUE(gamePaused);
    game.Press(kKeyEscape);
    EXPECT_FALSE(game.Pass());
}

TEST(Settings, APadAloneOpensWorksAndLeavesThem) {
    HeadlessGame game;
    VirtualPad pad;
    ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
    auto tap = [&](SDL_GameControllerButton button, int times = 1) {
        for (int i = 0; i < times; ++i) {
            pad.Button(button, true);
            game.RunFor(50);
            pad.Button(button, false);
            game.RunFor(50);
        }
    };
    game.RunFor(100);
    tap(SDL_CONTROLLER_BUTTON_BACK);  // a short press opens them; quitting needs a hold
    ASSERT_TRUE(SettingsOpen());
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN, 2);  // Player
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);     // online highscore on
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_DPAD_UP);       // the name, by the letter picker
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_B);             // "Teste"
    tap(SDL_CONTROLLER_BUTTON_A);             // the first letter: "TesteA"
    tap(SDL_CONTROLLER_BUTTON_START);
    EXPECT_EQ(playerName, "TesteA");
    const std::string written = game.folder.Read("Options.ini");
    EXPECT_NE(written.find("\r\nOnlineHighscore=1\r\nPlayer=TesteA\r\n"), std::string::npos) << written;
    tap(SDL_CONTROLLER_BUTTON_B, 2);
    EXPECT_FALSE(SettingsOpen());
    EXPECT_FALSE(PlayerAlive());

    pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    game.RunFor(1200);
    EXPECT_FALSE(game.Pass());
}

TEST(Settings, KeysLinesAreReplacedOrAddedByteForByte) {
    keyBindings = KeyBindings();
    keyBindings.Bind(TAction::Mute, {TInputKind::Key, kKeyF2, "F2"});
    // The last line of an action is the one that counts; a BOM and the file's line ends stay.
    EXPECT_EQ(WithActionLine("\xEF\xBB\xBFmute=x\r\n mute = y\r\n;end", TAction::Mute),
              "\xEF\xBB\xBFmute=x\r\nMute=F2\r\n;end");
    EXPECT_EQ(WithActionLine("Pause=p", TAction::Mute), "Pause=p\nMute=F2\n");
    EXPECT_EQ(WithActionLine("", TAction::Mute), "Mute=F2\r\n");
    // Escape is never bound; a pad control replaces only the pad's.
    EXPECT_FALSE(keyBindings.Bind(TAction::Mute, {TInputKind::Key, kKeyEscape, "Escape"}));
    keyBindings.Bind(TAction::Thrust, {TInputKind::Pad, 3, "Pad Y"});
    EXPECT_EQ(keyBindings.FileLine(TAction::Thrust), "Thrust=w,Up,PadY");
    ResetKeyBindings();
}
