// The interface drawn larger on large screens: on the title, in play and paused, every text
// the player reads stays inside the window.
#include <gtest/gtest.h>

#include "harness/CombatArena.h"
#include "platform/DrawRecording.h"
#include "platform/Images.h"
#include "scores/TScore.h"
#include "shell/UiScale.h"

namespace {

// Window width and height, and the largest scale that fits them.
class InterfaceScaleTest : public testing::TestWithParam<std::array<int, 3>> {
protected:
    // Passes over ms; every text drawn lies inside the window, and the one starting with
    // prefix is drawn at the scale.
    void Record(int ms, const std::string& prefix) {
        StartDrawRecording();
        arena.RunFor(ms);
        StopDrawRecording();
        float scaleOfPrefix = 0.0f;
        for (const TDrawCall& c : RecordedDrawCalls()) {
            if (c.kind != TDrawKind::Text) continue;
            if (c.text.rfind(prefix, 0) == 0) scaleOfPrefix = c.interfaceScale;
            // The font cell's bottom row is spacing; the HUD's bottom readouts let it hang out.
            const float s = c.interfaceScale, right = c.x + float(TextWidthOf(c.text)) * c.scaleX;
            const float bottom = c.y + float(TextHeightOf(c.text) - 1) * c.scaleY;
            EXPECT_TRUE(c.x >= 0.0f && c.y >= 0.0f && right * s <= float(gfxWidth) && bottom * s <= float(gfxHeight))
                << "cut off: \"" << c.text << "\" at " << c.x << ", " << c.y << " times " << s;
        }
        EXPECT_EQ(scaleOfPrefix, float(GetParam()[2])) << prefix;
    }
    CombatArena arena;
};

TEST_P(InterfaceScaleTest, TitleHudPausePanelAndSettingsFitAtTheLargestScaleOffered) {
    uiScaleSetting = kMaxUiScale;
    arena.RunFor(20);  // the title's table is read
    // A full table of long names: the tallest and widest title.
    for (int i = 0; i < 10; ++i)
        TScore::Add("Commander Longname " + std::to_string(i) + "xyzw", 1234567 - i, "08 Dec 2026/10:00:00", 0);
    SetHeadlessDesktop(GetParam()[0], GetParam()[1]);
    arena.Press(122);  // F11: borderless at the desktop's size
    arena.RunFor(50);
    Record(50, "10. Commander");

    arena.Press(kKeyReturn);
    arena.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    player->target = CombatArena::Dummy("X1", 600.0f, 0.0f);
    player->Link(CombatArena::Dummy("X1", -600.0f, 0.0f, 0));
    Record(100, "Buddy <+");

    arena.Press(80);   // P
    arena.Press(114);  // F3
    Record(50, "PAUSED");

    // The settings over the paused game: the longest page, then a name typed on the picker.
    arena.Press(kKeyF2);
    arena.RunFor(20);
    for (int key : {kKeyDown, kKeyDown, kKeyDown, kKeyReturn}) arena.Press(key);
    Record(50, "Defaults");
    for (int key : {kKeyBackspace, kKeyUp, kKeyReturn, kKeyReturn}) {
        arena.Press(key);
        arena.RunFor(20);
    }
    Record(50, "Z");  // the picker's grid
}

INSTANTIATE_TEST_SUITE_P(Screens, InterfaceScaleTest,
                         testing::Values(std::array{1280, 800, 1}, std::array{1920, 1080, 1}, std::array{3840, 2160, 3}));

}  // namespace
