// Trimmed drawing on a real X server: every scene is drawn once with trimming and once
// without, and the two captures must be the same byte for byte (sprites: up to a few
// pixels one step off, from interpolation rounding), while the trimmed one
// fills fewer pixels (frames drawn without filtering are not trimmed). Covers tiled layers at whole and fractional offsets, rotated,
// scaled and mirrored sprites with and without filtering, and a storm of particles.
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
#include "platform/Trimming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

constexpr int kWidth = 320, kHeight = 240;

// A small random generator of the test's own, so scenes repeat exactly.
struct TDice {
    uint32_t seed;
    int Int(int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(n));
    }
    float Float(float lo, float hi) { return lo + (hi - lo) * float(Int(1 << 16)) / float(1 << 16); }
};

// Stars: mostly black, a few bright dots of one to three pixels, some at the very edge.
std::shared_ptr<TPixmap> StarField(int w, int h, uint32_t seed) {
    auto p = std::make_shared<TPixmap>(w, h, 4);
    TDice dice{seed};
    for (int i = 0; i < w * h / 400; ++i) {
        int x = dice.Int(w), y = dice.Int(h), size = 1 + dice.Int(2);
        uint32_t c = 0xFF000000u | uint32_t(80 + dice.Int(176)) << 16 | uint32_t(80 + dice.Int(176)) << 8 |
                     uint32_t(80 + dice.Int(176));
        for (int dy = 0; dy < size; ++dy)
            for (int dx = 0; dx < size; ++dx) p->SetPixelARGB((x + dx) % w, (y + dy) % h, c);
    }
    p->SetPixelARGB(0, 0, 0xFFFFFFFFu);
    p->SetPixelARGB(w - 1, h / 2, 0xFFFFC080u);
    return p;
}

// A soft puff whose alpha falls from the centre to 0 at its radius, coloured across.
std::shared_ptr<TPixmap> Puff(int w, int h, float radius) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float d = std::hypot(x + 0.5f - w / 2.0f, y + 0.5f - h / 2.0f) / radius;
            uint32_t a = d >= 1.0f ? 0 : uint32_t(255 * (1.0f - d));
            p->SetPixelARGB(x, y, a << 24 | uint32_t(x * 255 / w) << 16 | uint32_t(y * 255 / h) << 8 | 0x60u);
        }
    return p;
}

// A thin diagonal bolt in a mostly transparent frame, touching two of its edges.
std::shared_ptr<TPixmap> Bolt(int w, int h) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float off = std::fabs(float(x) * h / w - float(y));
            if (off < 2.5f) p->SetPixelARGB(x, y, uint32_t(255 - off * 90) << 24 | 0xFFE080u);
        }
    return p;
}

class TrimmingX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetAppTitle("Trimming x11 test");
        ASSERT_TRUE(OpenGraphicsMode(kWidth, kHeight, 0, 0, 0)) << "these tests need DISPLAY";
    }
    void TearDown() override {
        SetTrimming(1);
        SetDefaultImageFlags(-1);
        ResetGraphics();
        ResetInputAndTiming();
    }

    // An uneven backdrop, so that blending over it shows every difference.
    static void Backdrop() {
        SetClearColor(40, 70, 110);
        ClearScreen();
        SetBlendMode(kBlendSolid);
        SetDrawRotation(0);
        SetDrawScale(1, 1);
        SetDrawAlpha(1);
        for (int i = 0; i < 8; ++i) {
            SetDrawColor(30 * i, 255 - 30 * i, (90 * i) & 255);
            DrawRectangle(float(i * 40), 0, 20, float(kHeight));
        }
        SetDrawColor(255, 255, 255);
    }

    // The scene drawn with trimming on or off: its capture and the pixels it filled.
    std::shared_ptr<TPixmap> Draw(const std::function<void()>& scene, bool trim, double& filled) {
        SetTrimming(trim);
        Backdrop();
        FillCounters() = TFillCounters{};
        scene();
        filled = FillCounters().filled;
        auto shot = CaptureScreenPixels(0, 0, kWidth, kHeight);
        FlipScreen(0);
        return shot;
    }

    // Draws the scene both ways: same bytes, and trimming filled less (when it could).
    // With expectSaving, trimming must fill less than savedShare of the untrimmed fill.
    // Tiles are copied 1:1 and must match exactly; a rotated or scaled sprite drawn as
    // several triangles gets its texture coordinates from other planes than the full quad's,
    // and the rasteriser's rounding of them may move a few pixels by one step: roundingPixels
    // allows that many, each channel at most 1 off, and the count is printed.
    void ExpectSameWithLessFill(const std::function<void()>& scene, bool expectSaving = true,
                                double savedShare = 0.95, long roundingPixels = 0) {
        double trimmedFill = 0, fullFill = 0;
        auto full = Draw(scene, false, fullFill);
        auto trimmed = Draw(scene, true, trimmedFill);
        ASSERT_EQ(full->pixels.size(), trimmed->pixels.size());
        long differing = 0;
        int worst = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* a = full->Row(y) + x * 4;
                const uint8_t* b = trimmed->Row(y) + x * 4;
                int d = 0;
                for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[c]) - int(b[c])));
                if (d) {
                    if (differing < 5 && (roundingPixels == 0 || d > 1))
                        ADD_FAILURE() << "pixel " << x << "," << y << " differs by " << d;
                    ++differing;
                    worst = std::max(worst, d);
                }
            }
        if (roundingPixels == 0 || worst > 1) {
            EXPECT_EQ(differing, 0) << "worst channel difference " << worst;
        } else {
            EXPECT_LE(differing, roundingPixels);
            if (differing) std::printf("    %ld pixels differ by one step (rounding)\n", differing);
        }
        if (expectSaving)
            EXPECT_LT(trimmedFill, fullFill * savedShare);
        else
            EXPECT_LE(trimmedFill, fullFill);
    }
};

TEST_F(TrimmingX11Test, TiledLayersMatchUntrimmedAtWholeAndFractionalOffsets) {
    for (int flags : {kImageMasked | kImageFiltered, kImageMasked}) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        // 100 x 60 is padded to 128 x 64; 64 x 64 fills its texture.
        auto stars = LoadImageFile(StarField(100, 60, 7), flags);
        auto square = LoadImageFile(StarField(64, 64, 11), flags);
        auto puffs = LoadImageFile(Puff(60, 64, 12), flags);
        for (int mode : {kBlendLight, kBlendAlpha, kBlendMask}) {
            SCOPED_TRACE("blend " + std::to_string(mode));
            for (float offset : {0.0f, -10.0f, -127.0f, 0.5f, 13.25f, -33.7f}) {
                SCOPED_TRACE("offset " + std::to_string(offset));
                ExpectSameWithLessFill(
                    [&] {
                        SetBlendMode(mode);
                        SetDrawColor(255, 220, 200);
                        SetDrawAlpha(0.8f);
                        TileImageAt(stars, offset, offset * 0.7f);
                        TileImageAt(square, -offset * 2.0f, offset);
                        TileImageAt(puffs, offset * 3.0f, 5.0f);
                    },
                    flags & kImageFiltered);
            }
        }
    }
}

// An opaque nebula: every texel lit, none transparent.
std::shared_ptr<TPixmap> Nebula(int w, int h) {
    auto p = std::make_shared<TPixmap>(w, h, 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->SetPixelARGB(x, y, 0xFF000000u | uint32_t(1 + (x * 7 + y) % 200) << 16 | uint32_t((x ^ y) & 127) << 8 | 9u);
    return p;
}

TEST_F(TrimmingX11Test, GameBackgroundLayersOverAClearedScreenMatchUntrimmed) {
    // As the game draws them: cleared to black, an opaque layer and two star layers added.
    auto nebula = LoadImageFile(Nebula(200, 150));
    auto stars = LoadImageFile(StarField(128, 128, 3));
    auto far = LoadImageFile(StarField(64, 64, 4));
    for (float camera : {0.0f, 117.0f, -45.5f, 3001.37f}) {
        SCOPED_TRACE("camera " + std::to_string(camera));
        ExpectSameWithLessFill([&] {
            SetClearColor(0, 0, 0);
            ClearScreen();
            SetBlendMode(kBlendLight);
            SetDrawColor(255, 255, 255);
            SetDrawAlpha(1.0f);
            TileImageAt(nebula, -camera / 1000.0f, -camera / 1000.0f);
            TileImageAt(stars, -camera, -camera * 0.5f);
            TileImageAt(far, -camera / 2.0f, -camera / 2.0f);
        });
    }
}

TEST_F(TrimmingX11Test, RotatedScaledAndMirroredSpritesMatchUntrimmed) {
    for (int flags : {kImageMasked | kImageFiltered, kImageMasked}) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        auto puff = LoadImageFile(Puff(32, 32, 16), flags);  // reaches all four edges
        auto wide = LoadImageFile(Puff(50, 30, 24), flags);  // reaches the edges of its frame
        auto bolt = LoadImageFile(Bolt(40, 12), flags);
        auto ball = LoadImageFile(Puff(64, 64, 22), flags);  // well inside its frame
        CentreImageAnchor(puff);
        CentreImageAnchor(ball);
        CentreImageAnchor(wide);
        SetImageAnchor(bolt, 3.0f, 6.0f);
        for (int mode : {kBlendLight, kBlendAlpha, kBlendMask, kBlendSolid, kBlendShade}) {
            SCOPED_TRACE("blend " + std::to_string(mode));
            bool trims = (flags & kImageFiltered) && mode != kBlendSolid && mode != kBlendShade;
            ExpectSameWithLessFill(
                [&] {
                    SetBlendMode(mode);
                    SetDrawColor(250, 200, 160);
                    SetDrawAlpha(0.9f);
                    const float angles[] = {0, 90, 180, 17, 45, 233.5f, -12};
                    // Small sprites are drawn whole (cheaper); the large ones trimmed.
                    const float scales[][2] = {{1, 1}, {0.5f, 0.5f}, {2.3f, 1.7f}, {-1, 1},
                                               {1.5f, -2}, {3.5f, 3}, {-4, 2.5f}};
                    int i = 0;
                    for (float angle : angles)
                        for (const auto& scale : scales) {
                            SetDrawRotation(angle);
                            SetDrawScale(scale[0], scale[1]);
                            float x = 20.0f + (i % 9) * 35.0f + (i % 4) * 0.25f, y = 20.0f + (i / 9) * 55.0f + 0.5f;
                            DrawImageAt(i % 4 == 0 ? puff : i % 4 == 1 ? wide : i % 4 == 2 ? bolt : ball, x, y);
                            ++i;
                        }
                },
                trims, 0.9, 16);
        }
    }
}

TEST_F(TrimmingX11Test, ParticleStormMatchesUntrimmed) {
    auto smoke = LoadImageFile(Puff(32, 32, 16.5f));  // like the game's smoke, reaching the edges
    auto spark = LoadImageFile(Bolt(16, 4));
    auto debris = LoadImageFile(Puff(12, 9, 5));
    for (auto* image : {&smoke, &spark, &debris}) CentreImageAnchor(*image);
    ExpectSameWithLessFill([&] {
        TDice dice{99};
        const int modes[] = {kBlendLight, kBlendLight, kBlendAlpha, kBlendMask};
        for (int i = 0; i < 1500; ++i) {
            SetBlendMode(modes[dice.Int(4)]);
            SetDrawRotation(dice.Float(0, 360));
            float s = dice.Float(0.3f, 3.0f);
            SetDrawScale(s, s);
            SetDrawColor(128 + dice.Int(128), 128 + dice.Int(128), dice.Int(256));
            SetDrawAlpha(dice.Float(0.1f, 1.0f));
            const std::shared_ptr<TImage>& image = i % 3 == 0 ? smoke : i % 3 == 1 ? spark : debris;
            DrawImageAt(image, dice.Float(-10, kWidth + 10), dice.Float(-10, kHeight + 10));
        }
    }, true, 0.95, 16);
}

TEST_F(TrimmingX11Test, ImageWithNothingToChangeFillsNothing) {
    auto black = LoadImageFile(std::make_shared<TPixmap>(32, 32, 4), kImageFiltered);  // opaque black
    SetBlendMode(kBlendLight);
    FillCounters() = TFillCounters{};
    TileImageAt(black, 0, 0);
    SetDrawRotation(30);
    DrawImageAt(black, 100, 100);
    EXPECT_EQ(FillCounters().filled, 0.0);
    // Under alpha the same black image covers everything it is drawn over.
    SetBlendMode(kBlendAlpha);
    DrawImageAt(black, 100, 100);
    EXPECT_NEAR(FillCounters().filled, 32.0 * 32.0, 1e-3);
    EXPECT_NEAR(FillCounters().changed, 32.0 * 32.0, 1e-3);
}

}  // namespace
