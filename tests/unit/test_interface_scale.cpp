// The interface drawn larger on large screens: on the title, in play, paused and with the
// frame-rate readout, everything the player reads stays inside the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/DrawRecording.h"
#include "platform/Images.h"
#include "scores/TScore.h"
#include "shell/ShellControls.h"
#include "shell/UiScale.h"

namespace {

constexpr int kKeyF3 = 114;
constexpr int kKeyF11 = 122;
constexpr int kKeyP = 80;

struct TScreen {
    int width, height, scale;
};

// The font cell's bottom row is spacing below the letters and digits; the HUD's bottom
// readouts let it hang past the window's edge at any scale.
constexpr int kCellSpacingRows = 1;

// The window pixels a text or shape covers lie inside the window.
bool Inside(const TDrawCall& c) {
    float right = c.x, bottom = c.y;
    if (c.kind == TDrawKind::Text) {
        right += float(TextWidthOf(c.text)) * c.scaleX;
        bottom += float(TextHeightOf(c.text) - kCellSpacingRows) * c.scaleY;
    } else {
        right += c.x2;
        bottom += c.y2;
    }
    const float s = c.interfaceScale;
    return c.x >= 0.0f && c.y >= 0.0f && right * s <= float(gfxWidth) && bottom * s <= float(gfxHeight);
}

class InterfaceScaleTest : public testing::TestWithParam<TScreen> {
protected:
    // Draw calls of the passes over ms, with what was drawn outside the window listed.
    std::vector<TDrawCall> Record(int ms) {
        StartDrawRecording();
        arena.RunFor(ms);
        StopDrawRecording();
        std::vector<TDrawCall> calls = RecordedDrawCalls();
        for (const TDrawCall& c : calls) {
            const bool read = c.kind == TDrawKind::Text ||
                              (c.interfaceScale > 1.0f && (c.kind == TDrawKind::Rectangle || c.kind == TDrawKind::Ellipse));
            if (read && !c.text.empty() && !Inside(c)) ADD_FAILURE() << "cut off: \"" << c.text << "\" at " << c.x << ", " << c.y;
            if (read && c.text.empty() && c.kind != TDrawKind::Text && !Inside(c))
                ADD_FAILURE() << "shape cut off at " << c.x << ", " << c.y << " size " << c.x2 << " x " << c.y2;
        }
        return calls;
    }
    static const TDrawCall* Text(const std::vector<TDrawCall>& calls, const std::string& prefix) {
        for (const TDrawCall& c : calls)
            if (c.kind == TDrawKind::Text && c.text.rfind(prefix, 0) == 0) return &c;
        return nullptr;
    }

    CombatArena arena;
};

TEST_P(InterfaceScaleTest, EverythingReadFitsTheWindowAtTheLargestScaleOffered) {
    const TScreen screen = GetParam();
    uiScaleSetting = kMaxUiScale;
    arena.RunFor(20);  // the title's table is read
    // A full table of long names: the tallest and widest title.
    for (int i = 0; i < 10; ++i) TScore::Add("Commander Longname " + std::to_string(i) + "xyzw", 1234567 - i, "08 Dec 2026/10:00:00", 0);
    SetHeadlessDesktop(screen.width, screen.height);
    arena.Press(kKeyF11);  // borderless at the desktop's size
    arena.RunFor(50);
    ASSERT_EQ(gfxWidth, screen.width);
    ASSERT_EQ(UiScale(), screen.scale);

    std::vector<TDrawCall> calls = Record(50);
    const TDrawCall* start = Text(calls, "<([])> ENTER");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->interfaceScale, float(screen.scale));
    ASSERT_TRUE(Text(calls, "10. Commander"));

    arena.Press(kKeyReturn);
    arena.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    std::shared_ptr<TShip> target = CombatArena::Dummy("X1", 600.0f, 0.0f);
    std::shared_ptr<TShip> buddy = CombatArena::Dummy("X1", -600.0f, 0.0f, 0);
    player->target = target;
    player->Link(buddy);
    calls = Record(100);
    const TDrawCall* hp = Text(calls, "HP: ");
    ASSERT_TRUE(hp);
    EXPECT_EQ(hp->interfaceScale, float(screen.scale));
    EXPECT_TRUE(Text(calls, "Start Game"));
    EXPECT_TRUE(Text(calls, "Buddy <+"));

    arena.Press(kKeyP);
    arena.Press(kKeyF3);
    calls = Record(50);
    ASSERT_TRUE(gamePaused);
    EXPECT_TRUE(Text(calls, "PAUSED"));

    // The settings over the paused game: the longest page, then a name typed on the picker.
    arena.Press(kKeyF2);
    arena.RunFor(20);
    for (int key : {kKeyDown, kKeyDown, kKeyDown, kKeyReturn}) arena.Press(key);
    calls = Record(50);
    const TDrawCall* defaults = Text(calls, "Defaults");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->interfaceScale, float(screen.scale));
    for (int key : {kKeyBackspace, kKeyUp, kKeyReturn, kKeyReturn}) {
        arena.Press(key);
        arena.RunFor(20);
    }
    calls = Record(50);
    EXPECT_TRUE(Text(calls, "SETTINGS"));
    EXPECT_TRUE(Text(calls, "Z"));  // the picker's grid
}

INSTANTIATE_TEST_SUITE_P(Screens, InterfaceScaleTest,
                         testing::Values(TScreen{1280, 800, 1}, TScreen{1920, 1080, 1}, TScreen{3840, 2160, 3}),
                         [](const testing::TestParamInfo<TScreen>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

}  // namespace
