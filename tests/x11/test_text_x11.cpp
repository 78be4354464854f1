// Text on a real X server: strings drawn in one batch from the font atlas must give the
// same pixels as the same strings drawn glyph by glyph from the glyph images, under every
// transform, colour, alpha and blend mode the game draws text with (save where glyph rows
// fall exactly on pixel centres, where the rasteriser's rounding decides), and a string
// costs one texture bind.
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TFont.h"
#include "platform/TPixmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

class TextX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetAppTitle("Text x11 test");
        ASSERT_TRUE(OpenGraphicsMode(kWidth, kHeight, 0, 0, 0)) << "these tests need DISPLAY";
    }
    void TearDown() override {
        ResetGraphics();
        ResetInputAndTiming();
    }

    // Stripes of colour under the text, so that blending shows every difference.
    static void Backdrop() {
        SetClearColor(20, 40, 90);
        ClearScreen();
        SetBlendMode(kBlendSolid);
        SetDrawRotation(0);
        SetDrawScale(1, 1);
        SetDrawAlpha(1);
        DrawState().handleX = DrawState().handleY = 0.0f;
        DrawState().originX = DrawState().originY = 0;
        for (int i = 0; i < 16; ++i) {
            SetDrawColor((37 * i) & 255, 255 - 15 * i, (90 * i) & 255);
            DrawRectangle(float(i * 40), 0, 21, float(kHeight));
        }
    }

    using TTextCall = std::function<void(const std::string&, float, float)>;
    using TScene = std::function<void(const TTextCall&)>;

    // The scene's capture, its strings drawn by the given text call.
    std::shared_ptr<TPixmap> Capture(const TTextCall& draw, const TScene& scene) {
        Backdrop();
        scene(draw);
        auto shot = CaptureScreenPixels(0, 0, kWidth, kHeight);
        FlipScreen(0);
        return shot;
    }

    // Draws the scene both ways and returns how many pixels differ; they must not, unless
    // ties are allowed: where glyph rows fall exactly on pixel centres the rasteriser's
    // rounding picks one of the two rows, and it picks differently for the two textures
    // (glyph by glyph mostly the row below, and not even that consistently), so many
    // drawn pixels may differ; only gross faults, such as wrong glyphs, are caught then.
    long CompareWithGlyphByGlyph(const TScene& scene, bool tiesAllowed) {
        auto batched = Capture(DrawTextAt, scene);
        auto single = Capture(DrawTextGlyphByGlyph, scene);
        Backdrop();
        auto bare = CaptureScreenPixels(0, 0, kWidth, kHeight);
        FlipScreen(0);
        EXPECT_EQ(batched->pixels.size(), single->pixels.size());
        long differing = 0, drawn = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* a = batched->Row(y) + x * 4;
                const uint8_t* b = single->Row(y) + x * 4;
                drawn += !std::equal(b, b + 3, bare->Row(y) + x * 4);
                if (std::equal(a, a + 3, b)) continue;
                if (++differing <= 5 && !tiesAllowed)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(a[0]) << "," << int(a[1]) << ","
                                  << int(a[2]) << " batched, " << int(b[0]) << "," << int(b[1]) << "," << int(b[2])
                                  << " glyph by glyph";
            }
        EXPECT_GT(drawn, 2000) << "the scene drew almost nothing";
        if (tiesAllowed) {
            EXPECT_LT(differing, drawn / 2);
            std::printf("    %ld of %ld drawn pixels differ (rounding on ties)\n", differing, drawn);
        }
        else
            EXPECT_EQ(differing, 0);
        return differing;
    }
};

// Every printable code, in lines of 32, with a few codes outside the font mixed in.
std::vector<std::string> AllCodes() {
    std::vector<std::string> lines(3);
    for (int c = TFont::kFirstCode; c < TFont::kFirstCode + TFont::kGlyphCount; ++c) {
        lines[(c - TFont::kFirstCode) / 32] += char(c);
        if (c % 29 == 0) lines[(c - TFont::kFirstCode) / 32] += "\x01\xE9";
    }
    return lines;
}

TEST_F(TextX11Test, BatchedTextMatchesGlyphByGlyphUnderEveryTransformAndBlend) {
    const auto lines = AllCodes();
    for (int mode : {kBlendAlpha, kBlendLight, kBlendMask}) {
        // At 0.5 the rows of the upright text and of the turned text fall on pixel centres;
        // the handle puts the last string half a pixel across at every offset, which must
        // still match exactly.
        for (float frac : {0.0f, 0.25f, 0.7f, 0.5f}) {
            SCOPED_TRACE("blend " + std::to_string(mode) + ", offset " + std::to_string(frac));
            CompareWithGlyphByGlyph(
                [&](const TTextCall& draw) {
                    SetBlendMode(mode);
                    SetDrawColor(255, 200, 60);
                    // Mask mode draws nothing at half alpha.
                    SetDrawAlpha(mode == kBlendMask ? 0.75f : 0.5f);
                    // Scale 1 and 2, upright.
                    for (size_t i = 0; i < lines.size(); ++i) draw(lines[i], 3.0f + frac, 2.0f + frac + 17.0f * i);
                    SetDrawScale(2, 2);
                    for (size_t i = 0; i < lines.size(); ++i) draw(lines[i], 5.0f - frac, 60.0f + frac + 33.0f * i);
                    // Turned by 90 degrees, and by an odd angle with an uneven scale.
                    SetDrawScale(1, 1);
                    SetDrawRotation(90);
                    for (size_t i = 0; i < lines.size(); ++i) draw(lines[i], 630.0f - 20.0f * i - frac, 170.0f + frac);
                    SetDrawRotation(-30);
                    SetDrawScale(1.5f, 0.75f);
                    SetDrawColor(90, 255, 255);
                    SetDrawAlpha(1.0f);
                    draw(lines[1], 20.0f + frac, 400.0f + frac);
                    // A handle and an origin shift the pen as they shift every other primitive.
                    SetDrawRotation(0);
                    SetDrawScale(1, 1);
                    DrawState().handleX = -4.5f;
                    DrawState().handleY = -1.75f;
                    DrawState().originX = 7;
                    DrawState().originY = -3;
                    draw(lines[2], 300.0f + frac, 440.0f - frac);
                },
                frac == 0.5f);
        }
    }
}

TEST_F(TextX11Test, AStringIsOneTextureBindWhateverItsLength) {
    const std::string hud = "Speed: 1234  HP: 99  Kills: 7  Points: 12345  RakAutoSelect: On  [R] ";
    SetBlendMode(kBlendAlpha);
    DrawTextAt(hud, 0, 0);                 // makes the atlas texture
    DrawTextGlyphByGlyph("x", 0, 20);      // leaves a glyph's own texture bound
    int before = GraphicsCounters().textureBinds;
    DrawTextAt(hud, 0, 40);
    EXPECT_EQ(GraphicsCounters().textureBinds - before, 1);
    // Nothing printable: no texture is touched.
    DisableTexturing();
    int enables = GraphicsCounters().textureEnableChanges;
    DrawTextAt("\x01\x02\xFF", 0, 60);
    EXPECT_EQ(GraphicsCounters().textureEnableChanges, enables);
}

}  // namespace
