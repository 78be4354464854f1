// Drawing state, caches, pacing and key codes of the display layer, in headless graphics.
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/TGraphics.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetHeadlessGraphics(1);
    }
    void TearDown() override {
        ResetGraphics();
        ResetInputAndTiming();
    }
};

// Milliseconds each of `frames` paced flips took on the fake clock.
std::vector<int> FrameTimes(int frames) {
    std::vector<int> times;
    int last = MilliClock();
    for (int i = 0; i < frames; ++i) {
        FlipScreen(-1);
        int now = MilliClock();
        times.push_back(now - last);
        last = now;
    }
    return times;
}

}  // namespace

TEST_F(GraphicsTest, ColourAndAlphaAreClamped) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    SetDrawColor(300, -5, 128);
    EXPECT_EQ(DrawState().colorRed, 255);
    EXPECT_EQ(DrawState().colorGreen, 0);
    EXPECT_EQ(DrawState().colorBlue, 128);
    SetDrawAlpha(1.5f);
    EXPECT_EQ(DrawState().alpha, 1.0f);
    EXPECT_EQ(AlphaByte(DrawState().alpha), 255);
    SetDrawAlpha(-1.0f);
    EXPECT_EQ(DrawState().alpha, 0.0f);
    EXPECT_EQ(AlphaByte(0.999f), 254);
    EXPECT_EQ(AlphaByte(0.5f), 127);
    EXPECT_EQ(AlphaByte(7.0f), 255);
    SetClearColor(-1, 256, 7);
    EXPECT_EQ(DrawState().clearRed, 0);
    EXPECT_EQ(DrawState().clearGreen, 255);
    EXPECT_EQ(DrawState().clearBlue, 7);
}

TEST_F(GraphicsTest, ColourIsSentOncePerChange) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    TGraphicsCounters& c = GraphicsCounters();
    int sends = c.colorSends;
    SetDrawColor(10, 20, 30);
    EXPECT_EQ(c.colorSends, sends + 1);
    SetDrawColor(10, 20, 30);
    DrawRectangle(0, 0, 5, 5);
    DrawEllipse(0, 0, 5, 5);
    EXPECT_EQ(c.colorSends, sends + 1);
    SetDrawAlpha(0.5f);
    EXPECT_EQ(c.colorSends, sends + 2);
    // 0.5 and 0.501 give the same byte: nothing new to send.
    SetDrawAlpha(0.501f);
    EXPECT_EQ(c.colorSends, sends + 2);
    SetDrawColor(300, 20, 30);
    SetDrawColor(255, 20, 30);
    EXPECT_EQ(c.colorSends, sends + 3);
}

TEST_F(GraphicsTest, BlendModeCache) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    TGraphicsCounters& c = GraphicsCounters();
    EXPECT_EQ(GetBlendMode(), 1);
    int changes = c.blendChanges;
    SetBlendMode(1);  // already in effect since opening
    EXPECT_EQ(c.blendChanges, changes);
    SetBlendMode(3);
    SetBlendMode(3);
    EXPECT_EQ(c.blendChanges, changes + 1);
    // Unknown modes draw solid, so solid after one of them changes nothing.
    SetBlendMode(9);
    EXPECT_EQ(GetBlendMode(), 9);
    SetBlendMode(2);
    SetBlendMode(0);
    EXPECT_EQ(c.blendChanges, changes + 2);
    // A new graphics forgets the cache and puts its own default mode into effect.
    ASSERT_TRUE(OpenGraphicsMode(320, 200, 0, 60, 0));
    EXPECT_EQ(GetBlendMode(), 1);
    changes = c.blendChanges;
    SetBlendMode(2);
    EXPECT_EQ(c.blendChanges, changes + 1);
}

TEST_F(GraphicsTest, TextureCaches) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    TGraphicsCounters& c = GraphicsCounters();
    int binds = c.textureBinds, enables = c.textureEnableChanges;
    DisableTexturing();  // off since opening
    EXPECT_EQ(c.textureEnableChanges, enables);
    UseTexture(5);
    UseTexture(5);
    EXPECT_EQ(c.textureBinds, binds + 1);
    EXPECT_EQ(c.textureEnableChanges, enables + 1);
    UseTexture(6);
    EXPECT_EQ(c.textureBinds, binds + 2);
    // Primitives turn texturing off, once.
    DrawRectangle(1, 1, 2, 2);
    PlotPoint(3, 3);
    DrawLineSegment(0, 0, 4, 4);
    EXPECT_EQ(c.textureEnableChanges, enables + 2);
    UseTexture(6);  // still bound, only enabled again
    EXPECT_EQ(c.textureBinds, binds + 2);
    EXPECT_EQ(c.textureEnableChanges, enables + 3);
    ForgetTexture(5);  // not the bound one: no effect
    UseTexture(6);
    EXPECT_EQ(c.textureBinds, binds + 2);
    ForgetTexture(6);
    UseTexture(6);
    EXPECT_EQ(c.textureBinds, binds + 3);
    // Texture name 0 is a name like any other for the cache.
    UseTexture(0);
    UseTexture(0);
    EXPECT_EQ(c.textureBinds, binds + 4);
}

TEST_F(GraphicsTest, TransformFollowsRotationAndScale) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    SetDrawRotation(90);
    TDrawState& s = DrawState();
    EXPECT_NEAR(s.ix, 0, 1e-6);
    EXPECT_NEAR(s.iy, -1, 1e-6);
    EXPECT_NEAR(s.jx, 1, 1e-6);
    EXPECT_NEAR(s.jy, 0, 1e-6);
    SetDrawScale(2, 3);
    EXPECT_NEAR(s.iy, -3, 1e-6);
    EXPECT_NEAR(s.jx, 2, 1e-6);
    SetDrawRotation(30);
    EXPECT_NEAR(s.ix, 0.8660254 * 2, 1e-5);
    EXPECT_NEAR(s.iy, -0.5 * 3, 1e-5);
    EXPECT_NEAR(s.jx, 0.5 * 2, 1e-5);
    EXPECT_NEAR(s.jy, 0.8660254 * 3, 1e-5);
    float sx = 0, sy = 0;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 2);
    EXPECT_EQ(sy, 3);
    EXPECT_EQ(GetDrawRotation(), 30);
    // A new graphics starts from the defaults again.
    ASSERT_TRUE(OpenGraphicsMode(320, 200, 0, 60, 0));
    EXPECT_EQ(DrawState().ix, 1);
    EXPECT_EQ(DrawState().jx, 0);
    EXPECT_EQ(DrawState().viewportW, 320);
    EXPECT_EQ(DrawState().viewportH, 200);
}

TEST_F(GraphicsTest, EllipseSegmentCounts) {
    EXPECT_EQ(EllipseSegmentCount(4, 4), 12);
    EXPECT_EQ(EllipseSegmentCount(100, 50), 72);
    EXPECT_EQ(EllipseSegmentCount(-100, -50), 72);
    EXPECT_EQ(EllipseSegmentCount(0, 0), 12);
    EXPECT_EQ(EllipseSegmentCount(30, 0), 12);  // 15 rounds down to 12
    EXPECT_EQ(EllipseSegmentCount(34, 0), 16);
    EXPECT_EQ(EllipseSegmentCount(1e30f, 1e30f) % 4, 0);
}

TEST_F(GraphicsTest, OwnPacingAt60HzGivesWholeSeconds) {
    UseFakeClock(5000);
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    for (int second = 0; second < 2; ++second) {
        int start = MilliClock();
        std::vector<int> times = FrameTimes(60);
        std::map<int, int> histogram;
        for (int t : times) ++histogram[t];
        EXPECT_EQ(histogram[17], 40);
        EXPECT_EQ(histogram[16], 20);
        EXPECT_EQ(MilliClock() - start, 1000);
    }
}

TEST_F(GraphicsTest, LateFrameIsNotMadeUp) {
    UseFakeClock(0);
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    FrameTimes(10);
    AdvanceFakeClock(100);  // a long frame
    int before = MilliClock();
    FlipScreen(-1);
    EXPECT_EQ(MilliClock(), before);  // already late: no wait
    for (int t : FrameTimes(30)) {
        EXPECT_GE(t, 16);
        EXPECT_LE(t, 17);
    }
}

TEST_F(GraphicsTest, PacingOffAtZeroHzAndForExplicitSync) {
    UseFakeClock(0);
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 0, 0));
    int swaps = GraphicsCounters().swaps;
    FrameTimes(5);
    EXPECT_EQ(MilliClock(), 0);
    EXPECT_EQ(GraphicsCounters().swaps, swaps + 5);
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    FlipScreen(0);
    FlipScreen(1);
    EXPECT_EQ(MilliClock(), 0);
    EXPECT_EQ(CurrentGraphics()->period, 16);
    EXPECT_EQ(CurrentGraphics()->remainder, 40);
}

TEST_F(GraphicsTest, SequenceChangesAtOpenAndClose) {
    int seq = GraphicsSequence();
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    EXPECT_EQ(GraphicsSequence(), seq + 1);
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));  // closes, then opens
    EXPECT_EQ(GraphicsSequence(), seq + 3);
    CloseGraphicsMode();
    EXPECT_EQ(GraphicsSequence(), seq + 4);
    CloseGraphicsMode();  // nothing open
    EXPECT_EQ(GraphicsSequence(), seq + 4);
    EXPECT_FALSE(OpenGraphicsMode(0, 600, 0, 60, 0));
    EXPECT_EQ(GraphicsSequence(), seq + 4);
}

TEST_F(GraphicsTest, HeadlessModesAndFailures) {
    EXPECT_EQ(DesktopModeWidth(), 1024);
    EXPECT_EQ(DesktopModeHeight(), 768);
    EXPECT_EQ(DesktopModeDepth(), 24);
    auto full = OpenGraphicsMode(1024, 768, 32, 60, 0);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->fullScreen, 1);
    EXPECT_EQ(GLActive(), 0);
    EXPECT_EQ(CurrentGraphics(), full.get());
    // A failed open leaves nothing open, not even the graphics that were open.
    EXPECT_FALSE(OpenGraphicsMode(800, 600, 32, 60, 0));
    EXPECT_EQ(CurrentGraphics(), nullptr);
    EXPECT_EQ(GraphicsWidth(), 0);
    EXPECT_FALSE(OpenGraphicsMode(640, -1, 0, 60, 0));
    SetHeadlessDesktop(800, 600);
    EXPECT_EQ(DesktopModeWidth(), 800);
    EXPECT_TRUE(OpenGraphicsMode(800, 600, 32, 60, 0));
    EXPECT_EQ(GraphicsWidth(), 800);
    EXPECT_EQ(GraphicsHeight(), 600);
    // Drawing with nothing open keeps the idle state and issues nothing.
    CloseGraphicsMode();
    TGraphicsCounters before = GraphicsCounters();
    SetDrawColor(1, 2, 3);
    SetBlendMode(3);
    UseTexture(4);
    FlipScreen(-1);
    EXPECT_EQ(DrawState().colorRed, 1);
    EXPECT_EQ(GraphicsCounters().colorSends, before.colorSends);
    EXPECT_EQ(GraphicsCounters().blendChanges, before.blendChanges);
    EXPECT_EQ(GraphicsCounters().textureBinds, before.textureBinds);
    EXPECT_EQ(GraphicsCounters().swaps, before.swaps);
}

TEST_F(GraphicsTest, OpeningFlushesInputAndFullScreenCentresPointer) {
    ASSERT_TRUE(OpenGraphicsMode(640, 480, 0, 60, 0));
    ApplyKeyDown(65);
    WarpWindowPointer(12, 34);  // headless: the pointer moves at once
    EXPECT_EQ(PointerX(), 12);
    EXPECT_EQ(PointerY(), 34);
    ASSERT_TRUE(OpenGraphicsMode(1024, 768, 32, 60, 0));
    EXPECT_EQ(KeyIsDown(65), 0);
    EXPECT_EQ(PointerX(), 512);
    EXPECT_EQ(PointerY(), 384);
}

TEST(KeyCodes, KeysTheGameReads) {
    const std::pair<unsigned long, int> expected[] = {
        {0xff0d, 13},  {0xff8d, 13},  {0xff1b, 27},  {' ', 32},     {0xff57, 35},
        {0xff50, 36},  {0xff51, 37},  {0xff52, 38},  {0xff53, 39},  {0xff54, 40},
        {0xffff, 46},  {'1', 49},     {'2', 50},     {'3', 51},     {'a', 65},
        {'A', 65},     {'d', 68},     {'n', 78},     {'o', 79},     {'r', 82},
        {'s', 83},     {'w', 87},     {'W', 87},     {0xffe9, 164}, {0xffbe, 112},
        {0xffc9, 123}, {0xffe1, 160}, {0xffe2, 161}, {0xffe3, 162}, {0xffe4, 163},
        {0xffea, 165}, {'0', 48},     {'9', 57},     {'z', 90},
    };
    for (const auto& [keysym, code] : expected)
        EXPECT_EQ(KeyCodeForKeysym(keysym), code) << std::hex << keysym;
}

TEST(KeyCodes, OtherKeysGetCodesOfTheirOwn) {
    // Codes of keys with a fixed meaning; no other key may take one of them.
    std::set<int> fixed = {13, 27, 32, 35, 36, 37, 38, 39, 40, 46, 164, 160, 161, 162, 163, 165};
    for (int c = 48; c <= 57; ++c) fixed.insert(c);
    for (int c = 65; c <= 90; ++c) fixed.insert(c);
    for (int c = 112; c <= 123; ++c) fixed.insert(c);
    std::map<int, int> owner;  // code -> Latin-1 symbol (lower case) that has it
    for (int k = 0x21; k < 0x100; ++k) {
        if (k >= 0x7f && k < 0xa0) continue;
        if ((k >= '0' && k <= '9') || (k >= 'a' && k <= 'z') || (k >= 'A' && k <= 'Z')) continue;
        int code = KeyCodeForKeysym(k);
        ASSERT_GE(code, 1) << k;
        ASSERT_LE(code, 255) << k;
        EXPECT_EQ(fixed.count(code), 0u) << "symbol " << k << " took code " << code;
        int lower = (k >= 0xc0 && k <= 0xde && k != 0xd7) ? k + 32 : k;
        auto [it, fresh] = owner.emplace(code, lower);
        EXPECT_TRUE(fresh || it->second == lower) << k << " shares " << code << " with " << it->second;
    }
    // The keypad (read by its unshifted keysym, NumLock or not) and the Meta keys have codes
    // of their own, so a keypad digit never moves a text cursor and Meta is not left Alt.
    for (unsigned long k : {0xff80ul, 0xff95ul, 0xff96ul, 0xff97ul, 0xff98ul, 0xff99ul, 0xff9aul,
                            0xff9bul, 0xff9cul, 0xff9dul, 0xff9eul, 0xff9ful, 0xffe7ul, 0xffe8ul}) {
        int code = KeyCodeForKeysym(k);
        EXPECT_NE(code, 0) << std::hex << k;
        EXPECT_EQ(fixed.count(code), 0u) << std::hex << k << " took " << code;
        EXPECT_EQ(owner.count(code), 0u) << std::hex << k << " shares " << code;
        owner.emplace(code, int(k));
    }
    EXPECT_EQ(KeyCodeForKeysym(0xff08), 8);
    EXPECT_EQ(KeyCodeForKeysym(0x1008ff11), 0);
    EXPECT_NE(KeyCodeForKeysym(0xff15), 0);
}
