// Pause, focus loss, full screen at run time, mute and key bindings, through the main loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "harness/HeadlessGame.h"
#include "particles/ParticleEngine.h"
#include "platform/Audio.h"
#include "platform/TMixer.h"
#include "shell/KeyBindings.h"
#include "shell/Options.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "shell/TitleScreen.h"
#include "stages/TLevel.h"
#include "stages/TMessage.h"
#include "world/TShip.h"

namespace {

constexpr int kKeyP = 80;
constexpr int kKeyPause = 19;
constexpr int kKeyF11 = 122;

// The lines of captured standard output that speak of Keys.ini.
std::string KeysNotices(const std::string& out) {
    std::string notices;
    for (size_t at = out.find("Keys.ini"); at != std::string::npos; at = out.find("Keys.ini", at + 1))
        notices += out.substr(at, out.find('\n', at) + 1 - at);
    return notices;
}

int StageTime() { return int(uint32_t(engineClock) - uint32_t(TLevel::GetStartTime())); }

// A game started and flown for a moment.
void StartPlaying(HeadlessGame& game) {
    game.Press(kKeyReturn);
    game.RunFor(500);
    ASSERT_TRUE(PlayerAlive());
}

float Speed() { return std::hypot(player->vx, player->vy); }

}  // namespace

TEST(Controls, PauseHoldsTheClockAndTheStageThenBothGoOn) {
    HeadlessGame game;
    StartPlaying(game);
    ApplyKeyDown(kKeyW);  // held through the pause: the ship must not move meanwhile
    game.Press(kKeyP);
    game.Pass();
    ASSERT_TRUE(gamePaused);
    int clock = engineClock, stage = StageTime(), updates = worldUpdates;
    float x = player->x, y = player->y;
    game.RunFor(3000);
    EXPECT_EQ(engineClock, clock);
    EXPECT_EQ(StageTime(), stage);
    EXPECT_EQ(worldUpdates, updates);
    EXPECT_EQ(player->x, x);
    EXPECT_EQ(player->y, y);

    game.Press(kKeyPause);  // the second default key resumes as well
    game.RunFor(1000);
    EXPECT_FALSE(gamePaused);
    EXPECT_NEAR(engineClock - clock, 1000, 60);
    EXPECT_NEAR(StageTime() - stage, 1000, 60);
    EXPECT_GT(worldUpdates, updates + 30);
    EXPECT_GT(Speed(), 0.0f);
}

TEST(Controls, PauseKeysDoNothingOnTheTitleScreen) {
    HeadlessGame game;
    game.Pass();
    game.Press(kKeyP);
    ApplyFocusLost();
    int clock = engineClock;
    game.RunFor(100);
    EXPECT_FALSE(gamePaused);
    EXPECT_GT(engineClock, clock);
    // Nothing was kept for the first pass of play either.
    game.Press(kKeyReturn);
    game.RunFor(100);
    EXPECT_FALSE(gamePaused);
}

TEST(Controls, LosingTheFocusPausesAndOnlyTheKeyResumes) {
    HeadlessGame game;
    StartPlaying(game);
    ApplyFocusLost();
    game.Pass();
    EXPECT_TRUE(gamePaused);
    game.RunFor(500);
    EXPECT_TRUE(gamePaused);
    ApplyFocusLost();  // lost again while paused: still paused, not toggled
    game.RunFor(50);
    EXPECT_TRUE(gamePaused);
    game.Press(kKeyP);
    game.Pass();
    EXPECT_FALSE(gamePaused);
}

TEST(Controls, AReboundActionTakesItsNewKeysAndOthersKeepTheirs) {
    HeadlessGame game(WindowedOptions(640, 480), [](const TempWorkingFolder& folder) {
        folder.Write("Keys.ini", "; my keys\r\nThrust = k, KP_8\r\npause=F5\r\n");
    });
    StartPlaying(game);
    ApplyKeyDown(kKeyW);
    game.RunFor(300);
    EXPECT_FLOAT_EQ(Speed(), 0.0f);  // W no longer thrusts
    ApplyKeyUp(kKeyW);
    ApplyKeyDown(KeyCodeForKeysym(0xff97));  // the keypad's 8 as X reports it (KP_Up)
    game.RunFor(300);
    EXPECT_GT(Speed(), 0.0f);
    game.Press(kKeyP);
    game.Pass();
    EXPECT_FALSE(gamePaused);
    game.Press(116);  // F5
    game.Pass();
    EXPECT_TRUE(gamePaused);
    EXPECT_EQ(PauseKeyLine(0), "F5  resume");
    EXPECT_EQ(keyBindings.Describe(TAction::Reverse), "Down / S");  // not listed: today's keys
}

TEST(Controls, UnreadableKeysLinesGiveOneNoticeEachAndChangeNothing) {
    testing::internal::CaptureStdout();
    HeadlessGame game(WindowedOptions(640, 480), [](const TempWorkingFolder& folder) {
        folder.Write("Keys.ini",
                     "Thrust=w,NoSuchKey\r\nJump=space\r\nnothing here\r\nMute=\r\nMute=F9\r\n"
                     "FireGuns=Mouse4\r\n\r\n");
    });
    std::string out = testing::internal::GetCapturedStdout();
    for (const char* line : {"line 1 cannot be read and is ignored: \"Thrust=w,NoSuchKey\"",
                             "line 2 cannot be read and is ignored: \"Jump=space\"",
                             "line 3 cannot be read and is ignored: \"nothing here\"",
                             "line 4 cannot be read and is ignored: \"Mute=\"",
                             "line 6 cannot be read and is ignored: \"FireGuns=Mouse4\""})
        EXPECT_NE(out.find(std::string("Keys.ini ") + line + "\r\n"), std::string::npos) << line;
    const std::string notices = KeysNotices(out);
    EXPECT_EQ(std::count(notices.begin(), notices.end(), '\n'), 5);
    EXPECT_EQ(keyBindings.Describe(TAction::Thrust), "W / Up");
    EXPECT_EQ(keyBindings.Describe(TAction::Mute), "F9");
    EXPECT_EQ(keyBindings.Describe(TAction::FireGuns), "Mouse1");
}

TEST(Controls, AKeyOfTwoActionsWorksForBothWithOneNoticeAndEscapeIsNotBound) {
    testing::internal::CaptureStdout();
    // Enter is a title key, not a game action: sharing it with Thrust is no double binding.
    HeadlessGame game(WindowedOptions(640, 480), [](const TempWorkingFolder& folder) {
        folder.Write("Keys.ini", "Mute=p\r\nThrust=w,Return\r\nReverse=p\r\nPause=Escape,p,F5\r\n");
    });
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(KeysNotices(out), "Keys.ini line 4: Escape cannot be bound; it always quits\r\n"
                                "Keys.ini: P is bound to Reverse, Pause and Mute; each of them acts on it\r\n");
    StartPlaying(game);  // with Enter
    game.Press(kKeyP);
    game.Pass();
    EXPECT_TRUE(gamePaused);
    EXPECT_TRUE(AudioMixer().Muted());
    game.Press(kKeyEscape);
    EXPECT_FALSE(game.Pass());
    EXPECT_TRUE(gamePaused);
}

TEST(Controls, F11SwitchesSizeInPlaceAndRewritesOnlyTheFullScreenLine) {
    const std::string options =
        "GFX X=640\r\nGFX Y=480\r\nGFX Full=0\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\n"
        "MusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=Tester\r\nHighscore Server=example.org:80\r\n";
    std::string full = options;
    full.replace(full.find("GFX Full=0"), 10, "GFX Full=2");
    {
        HeadlessGame game(options, [](const TempWorkingFolder&) {});
        game.Pass();
        ASSERT_TRUE(titlePanel);
        game.Press(kKeyF11);
        game.Pass();
        EXPECT_EQ(GraphicsWidth(), 1024);
        EXPECT_EQ(gfxWidth, 1024);
        EXPECT_EQ(gfxHeight, 768);
        EXPECT_EQ(viewWidth, 1024);
        EXPECT_FLOAT_EQ(messageCentreX, 512.0f);
        EXPECT_EQ(game.folder.Read("Options.ini"), full);

        StartPlaying(game);  // a game goes on across the switch
        game.Press(kKeyF11);
        game.RunFor(100);
        EXPECT_TRUE(PlayerAlive());
        EXPECT_EQ(GraphicsWidth(), 640);
        EXPECT_EQ(gfxHeight, 480);
        EXPECT_EQ(game.folder.Read("Options.ini"), options);
    }

    // What F11 wrote opens borderless full screen at the next start, the file untouched, and
    // F11 goes back to the configured window.
    HeadlessGame again(full, [](const TempWorkingFolder&) {});
    again.Pass();
    EXPECT_TRUE(GraphicsFullScreen());
    EXPECT_EQ(gfxWidth, 1024);
    EXPECT_EQ(gfxHeight, 768);
    EXPECT_EQ(again.folder.Read("Options.ini"), full);
    again.Press(kKeyF11);
    again.Pass();
    EXPECT_FALSE(GraphicsFullScreen());
    EXPECT_EQ(gfxWidth, 640);
    EXPECT_EQ(again.folder.Read("Options.ini"), options);
}

TEST(Controls, AWindowLargerThanTheDesktopOpensFittedAndTheFileKeepsTheSizeAskedFor) {
    const std::string options = WindowedOptions(1600, 1200);
    HeadlessGame game(options, [](const TempWorkingFolder&) {});
    EXPECT_EQ(gfxWidth, 1024);  // the headless desktop is 1024 x 768
    EXPECT_EQ(gfxHeight, 768);
    SetHeadlessDesktop(1280, 720);  // the window's next opening sees a wide desktop
    game.Press(kKeyF11);
    game.Pass();
    game.Press(kKeyF11);
    game.Pass();
    EXPECT_EQ(GraphicsWidth(), 960);  // 4:3 kept, the height fills the desktop
    EXPECT_EQ(gfxHeight, 720);
    EXPECT_EQ(viewWidth, 960);
    EXPECT_EQ(game.folder.Read("Options.ini"), options);
}

TEST(Controls, TheFullScreenLineIsAddedWhenMissingAndOnlyTheFirstIsChanged) {
    EXPECT_EQ(WithFullScreenLine("Player=A", 2), "Player=A\r\nGFX Full=2\r\n");
    EXPECT_EQ(WithFullScreenLine("", 0), "GFX Full=0\r\n");
    EXPECT_EQ(WithFullScreenLine("GFX Fullx=0\nGFX Full=0\nGFX Full=0", 1), "GFX Fullx=0\nGFX Full=1\nGFX Full=0");
    EXPECT_EQ(WithFullScreenLine("GFX Full=32\r\n", 0), "GFX Full=0\r\n");
}

TEST(Controls, MuteSilencesEverythingWithAMessageAndF3ShowsTheReadout) {
    HeadlessGame game;
    game.Pass();
    game.Press(77);  // M
    game.Pass();
    EXPECT_TRUE(AudioMixer().Muted());
    ASSERT_FALSE(messages->IsEmpty());
    EXPECT_EQ(messages->Last()->text, "Sound off");
    game.Press(77);
    game.Pass();
    EXPECT_FALSE(AudioMixer().Muted());
    EXPECT_EQ(messages->Last()->text, "Sound on");

    game.Press(114);  // F3
    game.Pass();
    EXPECT_TRUE(showFrameRate);
    EXPECT_NE(FrameRateText().find(" fps  "), std::string::npos);
}
