// The drawing shortcuts on a real X server: a frame as the game draws it (cleared, an opaque
// nebula and two star layers at fractional offsets, sprites in white and tinted, rotated and
// scaled, text) is drawn with the shortcuts on and off, and the two captures must match,
// allowing a few pixels one step off in one channel.
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TPixmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kWidth = 320, kHeight = 240;

// Pixels of every kind: soft alpha, black and transparent texels, bright and dark colours.
std::shared_ptr<TPixmap> Pattern(int w, int h, uint32_t seed, bool opaque) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint32_t c = seed >> 8;
            uint32_t a = opaque ? 255u : ((c >> 3) % 5 == 0 ? 0u : (c >> 16) & 255u);
            if (!opaque && (x + y) % 7 == 0) c = 0;  // black texels
            p->SetPixelARGB(x, y, a << 24 | (c & 0xFFFFFFu));
        }
    return p;
}

// Mostly empty, as star layers are: small clumps of random texels, some on the picture's edges
// and corners, with empty rows and gaps of every width between them.
std::shared_ptr<TPixmap> Sparse(int w, int h, uint32_t seed) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    const int clumps[][2] = {{0, 0}, {w - 2, h - 2}, {0, h / 2}, {w - 1, 5}, {w / 2, 0}, {w / 3, h - 1}};
    auto clump = [&](int cx, int cy) {
        for (int k = 0; k < 6; ++k) {
            const int x = std::clamp(cx + int(next() % 3), 0, w - 1), y = std::clamp(cy + int(next() % 3), 0, h - 1);
            const uint32_t a = k % 3 == 0 ? 255u : next() & 255u;
            p->SetPixelARGB(x, y, a << 24 | (next() & 0xFFFFFFu));
        }
    };
    for (const auto& c : clumps) clump(c[0], c[1]);
    for (int i = 0; i < 12; ++i) clump(int(next() % unsigned(w)), int(next() % unsigned(h)));
    return p;
}

// The game's background layers tiled under light over a cleared screen, with the shortcuts on
// or off, captured before the flip.
std::shared_ptr<TPixmap> LayersFrame(const TTileLayer* layers, int count, int shortcuts, int width, int height) {
    SetShortcuts(shortcuts);
    ClearScreen();
    SetBlendMode(kBlendLight);
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(1.0f);
    TileImagesAt(layers, count);
    auto shot = CaptureScreenPixels(0, 0, width, height);
    FlipScreen(0);
    return shot;
}

class ShortcutsX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetAppTitle("Shortcuts x11 test");
        ASSERT_TRUE(OpenGraphicsMode(kWidth, kHeight, 0, 0, 0)) << "these tests need DISPLAY";
    }
    void TearDown() override {
        SetShortcuts(1);
        ResetGraphics();
        ResetInputAndTiming();
    }
};

TEST_F(ShortcutsX11Test, GameFrameMatchesWithoutShortcuts) {
    auto nebula = LoadImageFile(Pattern(128, 96, 1, true));
    auto stars = LoadImageFile(Pattern(64, 64, 2, false));
    auto far = LoadImageFile(Pattern(50, 40, 3, false));
    auto sprite = LoadImageFile(Pattern(40, 30, 4, false));
    CentreImageAnchor(sprite);
    for (float camera : {0.0f, 37.25f, -1234.6f}) {
        SCOPED_TRACE("camera " + std::to_string(camera));
        auto frame = [&](int shortcuts) {
            SetShortcuts(shortcuts);
            SetClearColor(0, 0, 0);
            ClearScreen();
            SetBlendMode(kBlendLight);
            SetDrawColor(255, 255, 255);
            SetDrawAlpha(1.0f);
            SetDrawRotation(0.0f);
            SetDrawScale(1.0f, 1.0f);
            TileImageAt(nebula, -camera / 1000.0f, -camera / 700.0f);
            TileImageAt(stars, -camera, -camera * 0.7f);
            TileImageAt(far, -camera / 2.0f, camera / 3.0f);
            const int blends[] = {kBlendAlpha, kBlendLight, kBlendMask, kBlendSolid, kBlendShade};
            for (int i = 0; i < 20; ++i) {
                SetBlendMode(blends[i % 5]);
                if (i % 3 == 0) SetDrawColor(255, 255, 255); else SetDrawColor(200, 90 + i, 255);
                SetDrawAlpha(i % 4 == 0 ? 0.6f : 1.0f);
                SetDrawRotation(i * 17.0f + camera);
                SetDrawScale(1.0f + (i % 3) * 0.4f, 1.0f);
                DrawImageAt(sprite, 15.0f + i * 14.3f + camera * 0.01f, 30.0f + (i % 6) * 33.0f);
            }
            SetDrawRotation(0.0f);
            SetDrawScale(1.0f, 1.0f);
            SetBlendMode(kBlendAlpha);
            SetDrawColor(255, 255, 255);
            SetDrawAlpha(1.0f);
            DrawTextAt("Points 12345", 10.0f, 200.0f);
            SetDrawColor(255, 80, 80);
            DrawTextAt("Shield 9", 10.3f, 215.0f);
            auto shot = CaptureScreenPixels(0, 0, kWidth, kHeight);
            FlipScreen(0);
            return shot;
        };
        auto before = frame(0);
        auto after = frame(1);
        long differing = 0;
        int worst = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* a = before->Row(y) + x * 4;
                const uint8_t* b = after->Row(y) + x * 4;
                int channels = 0, d = 0;
                for (int c = 0; c < 3; ++c) {
                    int e = std::abs(int(a[c]) - int(b[c]));
                    channels += e != 0;
                    d = std::max(d, e);
                }
                if (d) ++differing;
                worst = std::max(worst, d);
                if (channels > 1 && differing < 5) ADD_FAILURE() << "pixel " << x << "," << y << " differs in several channels";
            }
        EXPECT_LE(worst, 1);
        EXPECT_LE(differing, kWidth * kHeight / 1000) << "pixels one step off";
    }
}

// An opaque filtered layer at a fractional offset is drawn from a copy filtered on the CPU,
// and the game's three layers (that one under two star layers) are composed on the CPU into
// one picture: at every kind of offset (whole, tiny, half a pixel, just either side of it,
// wrapping negative) the pixels, seams between copies included, are the ones the filter and
// the light blending give, and the copies follow the offsets as they move. Where a layer's
// filter weight lies a hair from a rounding step (the star layer at 0.0371), the rasteriser
// itself rounds it either way depending on the screen tile, so there a step off per star layer
// is allowed.
TEST_F(ShortcutsX11Test, ShiftedLayerMatchesFilteredLayer) {
    auto nebula = LoadImageFile(Pattern(96, 64, 5, true));
    auto stars = LoadImageFile(Pattern(64, 64, 6, false));
    auto far = LoadImageFile(Pattern(50, 40, 7, false));
    auto sparse = LoadImageFile(Sparse(90, 70, 8));
    const float nearHalf = 1.0f / 1024;  // closer to the half than the rasteriser's edge steps
    const float offsets[][2] = {{0.0f, 0.0f},       {0.25f, 0.75f},      {0.5f, 0.5f},
                                {-0.5f, -0.5f},     {0.5f - nearHalf, 0.5f + nearHalf},
                                {0.5f + nearHalf, 0.5f - nearHalf},  {0.51f, 0.49f},
                                {0.001f, 0.999f},   {0.2f, 0.0f},        {5.0f, 0.5f},
                                {-3.3f, 17.6f},     {10.125f, -7.875f},  {-1000.37f, 999.63f}};
    for (const auto& at : offsets) {
        SCOPED_TRACE("offset " + std::to_string(at[0]) + ", " + std::to_string(at[1]));
        TTileLayer layers[] = {{nebula, at[0], at[1]},
                               {stars, at[0] * 37.1f, -at[1] * 11.7f},
                               {far, -at[0] * 2.5f, at[1] * 0.5f}};
        auto frame = [&](int shortcuts, int count) {
            SetShortcuts(shortcuts);
            ClearScreen();
            SetBlendMode(kBlendLight);
            SetDrawColor(255, 255, 255);
            SetDrawAlpha(1.0f);
            if (count == 1) TileImageAt(nebula, at[0], at[1]);
            else TileImagesAt(layers, count);
            auto shot = CaptureScreenPixels(0, 0, kWidth, kHeight);
            FlipScreen(0);
            return shot;
        };
        // Run 2 has a mostly empty star layer on top, which is worked on only where it has texels.
        for (int run : {0, 1, 2}) {
            const int count = run == 0 ? 1 : 3;
            layers[2].image = run == 2 ? sparse : far;
            SCOPED_TRACE(run == 0 ? "nebula alone" : run == 1 ? "three layers composed" : "with a sparse layer");
            auto before = frame(0, count);
            auto after = frame(1, count);
            // The opaque layer covers the view's first column and row too.
            long column = 0, row = 0;
            for (int y = 0; y < kHeight; ++y) column += before->Row(y)[0] | before->Row(y)[1] | before->Row(y)[2];
            for (int x = 0; x < kWidth; ++x) row += before->Row(0)[x * 4] | before->Row(0)[x * 4 + 1] | before->Row(0)[x * 4 + 2];
            EXPECT_GT(column, 0);
            EXPECT_GT(row, 0);
            const int allowed = count == 3 && at[0] == 0.001f ? 2 : 0;
            long differing = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const uint8_t* a = before->Row(y) + x * 4;
                    const uint8_t* b = after->Row(y) + x * 4;
                    int d = 0;
                    for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[c]) - int(b[c])));
                    if (d > allowed && ++differing <= 3)
                        ADD_FAILURE() << "pixel " << x << "," << y << " differs by " << d;
                }
            EXPECT_EQ(differing, 0);
        }
    }
}

// Layers whose pictures are already in texture layout (RGBA, power-of-two sides) get their own
// texture only when first drawn alone: composed first, then drawn alone, they still give the
// composed pixels.
TEST_F(ShortcutsX11Test, LayersComposedBeforeTheyAreEverDrawnAloneGiveTheSamePixelsAlone) {
    auto nebula = LoadImageFile(Pattern(128, 64, 9, true));
    auto stars = LoadImageFile(Pattern(64, 64, 10, false));
    auto far = LoadImageFile(Pattern(32, 32, 11, false));
    const TTileLayer layers[] = {{nebula, 0.25f, 0.75f}, {stars, 9.3f, -8.8f}, {far, -0.6f, 0.4f}};
    auto composed = LayersFrame(layers, 3, 1, kWidth, kHeight);
    auto alone = LayersFrame(layers, 3, 0, kWidth, kHeight);
    long differing = 0, lit = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                lit += alone->Row(y)[x * 4 + c] != 0;
                differing += composed->Row(y)[x * 4 + c] != alone->Row(y)[x * 4 + c];
            }
    EXPECT_GT(lit, kWidth * kHeight);
    EXPECT_EQ(differing, 0);
}

// Above Full HD the layers' copies and the composed picture are worked out on two cores: the
// pixels are still the plain ones, the seam between the halves included.
TEST_F(ShortcutsX11Test, LargeScreenComposedOnTwoCoresMatchesFilteredLayers) {
    constexpr int kLargeWidth = 2048, kLargeHeight = 1088;  // just over Full HD's pixels
    CloseGraphicsMode();
    if (!OpenGraphicsMode(kLargeWidth, kLargeHeight, 0, 0, 0) || GraphicsWidth() != kLargeWidth ||
        GraphicsHeight() != kLargeHeight)
        GTEST_SKIP() << "the X server gives no window of " << kLargeWidth << " x " << kLargeHeight;
    auto nebula = LoadImageFile(Pattern(96, 64, 9, true));
    auto stars = LoadImageFile(Pattern(64, 64, 10, false));
    auto sparse = LoadImageFile(Sparse(90, 70, 11));
    for (float at : {0.0f, 0.37f, -41.6f}) {
        SCOPED_TRACE("offset " + std::to_string(at));
        const TTileLayer layers[] = {{nebula, at, at * 0.5f}, {stars, at * 9.3f, -at}, {sparse, -at * 2.1f, at * 3.7f}};
        auto before = LayersFrame(layers, 3, 0, kLargeWidth, kLargeHeight);
        auto after = LayersFrame(layers, 3, 1, kLargeWidth, kLargeHeight);
        // Far from the origin the rasteriser's own interpolation rounds a filter weight near a
        // step either way along a row: there a step off is allowed, nothing more.
        long differing = 0;
        for (int y = 0; y < kLargeHeight; ++y)
            for (int x = 0; x < kLargeWidth; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(before->Row(y)[x * 4 + c]) - int(after->Row(y)[x * 4 + c]));
                    differing += d != 0;
                    if (d > 1) {
                        ADD_FAILURE() << "pixel " << x << "," << y << " differs by " << d;
                        return;
                    }
                }
        EXPECT_LE(differing, kLargeWidth) << "pixels a step off";
    }
}

}  // namespace
