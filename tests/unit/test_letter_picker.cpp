// Typing with a pad through the on-screen letter picker, and the menu moves under it.
#include <gtest/gtest.h>

#include "harness/HeadlessGame.h"
#include "harness/VirtualPad.h"
#include "shell/MenuInput.h"
#include "shell/TLetterPicker.h"

namespace {

class LetterPickerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
        game.RunFor(50);
    }
    // Passes of the picker alone (not the main loop) for ms of the fake clock.
    TLetterPicker::TState Run(int ms) {
        TLetterPicker::TState state = TLetterPicker::Editing;
        for (int t = 0; t < ms && state == TLetterPicker::Editing; t += kStepMs) {
            AdvanceFakeClock(kStepMs);
            state = picker.Update();
        }
        return state;
    }
    TLetterPicker::TState Tap(SDL_GameControllerButton button) {
        pad.Button(button, true);
        TLetterPicker::TState state = Run(kStepMs);
        pad.Button(button, false);
        return state == TLetterPicker::Finished ? state : Run(kStepMs);
    }
    static constexpr int kStepMs = 10;
    HeadlessGame game;
    VirtualPad pad;
    TLetterPicker picker;
};

TEST_F(LetterPickerTest, StartKeepsOnlyWhatANameMayHold) {
    picker.Start("Ab=c d", 4);
    EXPECT_EQ(picker.Text(), "Abc ");
    EXPECT_EQ(picker.Characters().find('='), std::string::npos);
    picker.Start("host:80", 20, ":=");
    EXPECT_EQ(picker.Text(), "host:80");
    EXPECT_EQ(picker.Characters().find('='), std::string::npos);
}

TEST_F(LetterPickerTest, DpadMovesATypesBErasesStartFinishes) {
    picker.Start("", 3);
    Tap(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    Tap(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    Tap(SDL_CONTROLLER_BUTTON_A);
    EXPECT_EQ(picker.Text(), "C");
    Tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    Tap(SDL_CONTROLLER_BUTTON_A);
    Tap(SDL_CONTROLLER_BUTTON_A);
    Tap(SDL_CONTROLLER_BUTTON_A);  // past the length: not typed
    EXPECT_EQ(picker.Text(), "CPP");
    Tap(SDL_CONTROLLER_BUTTON_B);
    EXPECT_EQ(picker.Text(), "CP");
    // Up from the top row wraps to the bottom one.
    Tap(SDL_CONTROLLER_BUTTON_DPAD_UP);
    Tap(SDL_CONTROLLER_BUTTON_DPAD_UP);
    Tap(SDL_CONTROLLER_BUTTON_A);
    EXPECT_EQ(picker.Text(), "CP?");
    Tap(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    EXPECT_EQ(picker.Characters()[size_t(picker.Marked())], '!');
    EXPECT_EQ(Tap(SDL_CONTROLLER_BUTTON_START), TLetterPicker::Finished);
}

TEST_F(LetterPickerTest, AHeldStickRepeatsAfterADelay) {
    picker.Start("", 8);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);
    Run(300);
    EXPECT_EQ(picker.Marked(), 1);  // one step, the repeat not yet begun
    Run(700);
    EXPECT_GE(picker.Marked(), 4);
    EXPECT_LE(picker.Marked(), 7);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 0.0f);
    const int marked = picker.Marked();
    Run(500);
    EXPECT_EQ(picker.Marked(), marked);
}

}  // namespace
