// Playing with a game controller, through SDL's virtual pads and the main loop.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "harness/HeadlessGame.h"
#include "harness/OptionsScreenScript.h"
#include "harness/VirtualPad.h"
#include "platform/Gamepad.h"
#include "shell/Accessibility.h"
#include "shell/Camera.h"
#include "shell/KeyBindings.h"
#include "shell/PadControls.h"
#include "shell/Shell.h"
#include "shell/ShellControls.h"
#include "shell/TitleScreen.h"
#include "scores/TTextfield.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

namespace {

class GamepadTest : public testing::Test {
protected:
    void SetUp() override {
        HeadlessGame::WithoutStages();
        ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
        game.RunFor(50);
        ASSERT_EQ(GamepadCount(), 1);
    }
    void Tap(SDL_GameControllerButton button) {
        pad.Button(button, true);
        game.RunFor(50);
        pad.Button(button, false);
        game.RunFor(50);
    }
    // A game started with A, the ship still at the centre.
    void StartWithA() {
        Tap(SDL_CONTROLLER_BUTTON_A);
        ASSERT_TRUE(PlayerAlive());
        Still();
    }
    void Still() {
        player->x = player->y = 0.0f;
        player->vx = player->vy = 0.0f;
        player->heading = 0.0f;
    }
    float Speed() const { return std::hypot(player->vx, player->vy); }
    static bool TitleShows(const std::string& text) {
        bool found = false;
        titlePanel->lines.ForEach([&](const std::shared_ptr<std::string>& line) { found |= *line == text; });
        return found;
    }

    HeadlessGame game;
    VirtualPad pad;
};

TEST_F(GamepadTest, AStartsTheGameAndThePanelsNameThePadWhileItIsThere) {
    EXPECT_TRUE(TitleShows("<([])> ENTER / Pad A = Start Game <([])>"));
    EXPECT_EQ(PauseKeyLine(PauseKeyLineCount() - 1), "Esc / hold Pad Back  quit");
    StartWithA();
    Tap(SDL_CONTROLLER_BUTTON_START);
    EXPECT_TRUE(gamePaused);
    EXPECT_EQ(PauseKeyLine(0), "P / Pause / Pad Start  resume");
    Tap(SDL_CONTROLLER_BUTTON_START);
    EXPECT_FALSE(gamePaused);

    // Back held for a second quits; a shorter hold does not.
    Tap(SDL_CONTROLLER_BUTTON_BACK);
    pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    game.RunFor(900);
    EXPECT_TRUE(game.Pass());
    game.RunFor(200);
    EXPECT_FALSE(game.Pass());
}

TEST_F(GamepadTest, TheTitlesStartLineFollowsThePadInAndOut) {
    pad.Unplug();
    game.RunFor(50);
    EXPECT_TRUE(TitleShows("<([])> ENTER = Start Game <([])>"));
    VirtualPad again;
    game.RunFor(50);
    EXPECT_TRUE(TitleShows("<([])> ENTER / Pad A = Start Game <([])>"));
}

TEST_F(GamepadTest, LeftStickThrustsByDeflectionPastTheDeadZone) {
    StartWithA();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -0.14f);  // inside the dead zone
    game.RunFor(300);
    EXPECT_FLOAT_EQ(Speed(), 0.0f);

    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -0.5f);
    game.RunFor(300);
    float half = Speed();
    EXPECT_GT(half, 0.0f);
    EXPECT_LT(player->vy, 0.0f);  // forward is up the screen

    Still();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    game.RunFor(300);
    EXPECT_GT(Speed(), half * 1.5f);

    Still();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 1.0f);  // pulled back: reverse
    game.RunFor(300);
    EXPECT_GT(player->vy, 0.0f);
}

TEST_F(GamepadTest, RightStickAimsUntilTheMouseMoves) {
    StartWithA();
    ApplyPointerMoved(0, 0);  // the mouse is up and to the left of the ship
    game.RunFor(50);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    game.RunFor(50);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTX, 0.0f);  // centred: the aim stays
    game.RunFor(1000);
    EXPECT_NEAR(player->heading, 90.0f, 2.0f);
    EXPECT_NEAR(mouseX, player->x - cameraX + kPadAimDistance, 1.0f);
    EXPECT_NEAR(mouseY, player->y - cameraY, 1.0f);

    ApplyPointerMoved(1, 0);
    game.RunFor(1000);
    const float toMouse = float(std::atan2(1.0f - (player->x - cameraX), player->y - cameraY) * 180.0 / M_PI);
    EXPECT_LT(toMouse, -20.0f);  // the mouse is on the left
    EXPECT_NEAR(player->heading, toMouse, 2.0f);
    EXPECT_EQ(mouseX, 1.0f);
}

TEST_F(GamepadTest, TriggersFireGunsAndRocketsAndTheShouldersChooseTheRocket) {
    StartWithA();
    Tap(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    EXPECT_EQ(player->selectedRocket, 2);
    Tap(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
    EXPECT_EQ(player->selectedRocket, 0);
    int rockets = player->rockets[0];
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1.0f);
    game.RunFor(500);
    EXPECT_EQ(player->rockets[0], rockets - 1);  // one pull, one rocket
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -1.0f);

    int objects = TUniverse::Objects().Count();
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1.0f);
    game.RunFor(1000);
    EXPECT_GT(TUniverse::Objects().Count(), objects + 2);  // laser bolts
}

TEST_F(GamepadTest, UnpluggingDuringPlayPauses) {
    StartWithA();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    game.RunFor(100);
    pad.Unplug();
    game.RunFor(50);
    EXPECT_TRUE(gamePaused);
    EXPECT_EQ(GamepadCount(), 0);
    game.Press(80);  // P resumes, and the stick held when unplugged no longer thrusts
    game.RunFor(50);
    EXPECT_FALSE(gamePaused);
    EXPECT_EQ(PadInputAmount(kPadLeftStickUp), 0.0f);
}

TEST_F(GamepadTest, APressedDuringPlayDoesNotStartTheNextGame) {
    StartWithA();
    auto first = player;
    Tap(SDL_CONTROLLER_BUTTON_A);  // A has no action in play
    first->hp = 0.0f;
    game.RunFor(500);
    EXPECT_EQ(player, first);
    EXPECT_TRUE(player->dead);
    StartWithA();
    EXPECT_NE(player, first);
}

TEST_F(GamepadTest, LosingTheFocusLetsGoOfEverythingHeldAndThePadIsUnreadMeanwhile) {
    StartWithA();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    ApplyKeyDown(kKeyW);
    ApplyMouseDown(kMouseLeft);
    game.RunFor(100);
    ASSERT_GT(Speed(), 0.0f);
    // Alt-Tab: the releases go to the other window, and so does Start.
    ApplyFocusLost();
    game.Pass();
    ASSERT_TRUE(gamePaused);
    Tap(SDL_CONTROLLER_BUTTON_START);
    ApplyFocusGained();
    game.RunFor(50);
    EXPECT_TRUE(gamePaused);
    Tap(SDL_CONTROLLER_BUTTON_START);
    ASSERT_FALSE(gamePaused);
    Still();
    game.RunFor(300);
    EXPECT_FLOAT_EQ(Speed(), 0.0f);
    EXPECT_EQ(ActionIsDown(TAction::FireGuns), 0);
}

TEST_F(GamepadTest, AJoystickWithoutAMappingIsNamedOnceForTheMappingsFile) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;  // SDL makes no mapping for it
    desc.naxes = 2;
    desc.nbuttons = 4;
    desc.name = "Odd Stick";
    testing::internal::CaptureStdout();
    int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    game.RunFor(100);
    std::string out = testing::internal::GetCapturedStdout();
    SDL_JoystickDetachVirtual(index);
    EXPECT_TRUE(std::regex_match(out, std::regex("game controller \"Odd Stick\" \\(GUID [0-9a-f]{32}\\) has no "
                                                 "mapping and is not read; add its line to .*gamecontrollerdb.txt\r\n")))
        << out;
}

TEST_F(GamepadTest, HitsRumbleHarderForMoreDamage) {
    StartWithA();
    player->Damage(1.0f);
    player->Damage(15.0f);
    game.RunFor(50);
    ASSERT_EQ(pad.rumbles.size(), 2u);
    EXPECT_GT(pad.rumbles[0].low, 0);
    EXPECT_GT(pad.rumbles[1].low, pad.rumbles[0].low);
}

TEST(GamepadBindings, PadControlsTakeActionsFromKeysIni) {
    HeadlessGame game(WindowedOptions(640, 480), [](const TempWorkingFolder& folder) {
        folder.Write("Keys.ini", "FireRocket=Mouse2, PadA\r\nFireGuns=padrb\r\n");
    });
    HeadlessGame::WithoutStages();
    VirtualPad pad;
    game.Press(kKeyReturn);
    game.RunFor(100);
    ASSERT_TRUE(PlayerAlive());
    int rockets = player->rockets[0];
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1.0f);  // no longer the rocket
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    game.RunFor(500);
    EXPECT_EQ(player->rockets[0], rockets - 1);
    EXPECT_EQ(keyBindings.Describe(TAction::FireGuns), "Pad RB");
}

TEST(GamepadFirstStart, ATakesTheOptionsScreensSettings) {
    ResetProgramState();
    SetHeadlessGraphics(1);
    TempWorkingFolder folder;
    ASSERT_TRUE(OpenGamepads(""));
    VirtualPad pad;
    OptionsScreenScript script;
    script.Then([] { EXPECT_EQ(GamepadCount(), 1); }).Then([&] { pad.Button(SDL_CONTROLLER_BUTTON_A, true); });
    EXPECT_EQ(LoadOptions(), 1);
    EXPECT_NE(folder.Read("Options.ini"), "");
    pad.Unplug();
    ResetProgramState();
}

}  // namespace

namespace {

TEST_F(GamepadTest, ToggledFireFiresWithoutAHeldButtonAndEndsWithTheGame) {
    fireMode = kPressToggle;
    StartWithA();
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1.0f);
    game.RunFor(50);
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -1.0f);
    const int objects = TUniverse::Objects().Count();
    game.RunFor(1000);
    EXPECT_GT(TUniverse::Objects().Count(), objects + 2);  // laser bolts, the trigger let go
    player->hp = 0.0f;
    game.RunFor(500);
    StartWithA();
    const int fresh = TUniverse::Objects().Count();
    game.RunFor(500);
    EXPECT_LE(TUniverse::Objects().Count(), fresh);
}

TEST_F(GamepadTest, RumbleOffSendsNoneAndLowIsWeaker) {
    StartWithA();
    for (int strength : {kRumbleOff, kRumbleLow, kRumbleFull}) {
        rumbleStrength = strength;
        player->Damage(15.0f);
        game.RunFor(50);
    }
    ASSERT_EQ(pad.rumbles.size(), 2u);
    EXPECT_LT(pad.rumbles[0].low, pad.rumbles[1].low / 2);
}

}  // namespace
