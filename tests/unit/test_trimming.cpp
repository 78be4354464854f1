// Frame outlines: which texels of a frame can change the screen under each blend mode,
// the grid rectangles that tiling draws and the polygon that a sprite is drawn as. Every
// texel that can change the screen, and the texel of margin the filter reads around it,
// must lie inside what is drawn; what is drawn must stay inside the frame.
#include "platform/Graphics.h"
#include "platform/StateResets.h"
#include "platform/TFrameOutline.h"
#include "platform/Trimming.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using TShape = TFrameOutline::TShape;

// RGBA texels of a w x h frame, transparent black unless set.
struct TTexels {
    int w, h;
    std::vector<uint8_t> bytes;
    TTexels(int w_, int h_) : w(w_), h(h_), bytes(size_t(w_) * h_ * 4, 0) {}
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t* t = &bytes[(size_t(y) * w + x) * 4];
        t[0] = r, t[1] = g, t[2] = b, t[3] = a;
    }
    TFrameOutline Outline(bool filtered = true) const { return TFrameOutline::Of(bytes.data(), w * 4, w, h, filtered); }
};

// Whether the point lies inside or on the convex polygon (either winding).
bool InsideConvex(const std::vector<TFrameOutline::TPoint>& poly, double x, double y) {
    int sign = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const auto& a = poly[i];
        const auto& b = poly[(i + 1) % poly.size()];
        double cross = (double(b.x) - a.x) * (y - a.y) - (double(b.y) - a.y) * (x - a.x);
        if (cross == 0) continue;
        int s = cross > 0 ? 1 : -1;
        if (sign && s != sign) return false;
        sign = s;
    }
    return true;
}

// Checks what a shape promises for the non-empty texels given by the predicate.
template <typename NonEmpty>
void ExpectShapeHolds(const TShape& shape, int w, int h, NonEmpty nonEmpty) {
    // The grid rectangles: inside the frame, not overlapping, holding every non-empty texel
    // with its margin, and counting the non-empty texels exactly.
    std::vector<int> cover(size_t(w) * h, 0);
    long counted = 0;
    for (const auto& r : shape.cells) {
        ASSERT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= w && r.y1 <= h && r.x0 < r.x1 && r.y0 < r.y1);
        counted += r.nonEmpty;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) ++cover[size_t(y) * w + x];
    }
    long expected = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_LE(cover[size_t(y) * w + x], 1) << "rectangles overlap at " << x << "," << y;
            if (!nonEmpty(x, y)) continue;
            ++expected;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int mx = x + dx, my = y + dy;
                    if (mx < 0 || my < 0 || mx >= w || my >= h) continue;
                    ASSERT_EQ(cover[size_t(my) * w + mx], 1) << "margin of " << x << "," << y << " not drawn";
                }
            // The polygon holds the texel grown by one texel on every side (cut to the frame).
            for (double cy : {double(std::max(0, y - 1)), double(std::min(h, y + 2))})
                for (double cx : {double(std::max(0, x - 1)), double(std::min(w, x + 2))})
                    ASSERT_TRUE(InsideConvex(shape.outline, cx, cy)) << "texel " << x << "," << y;
            ASSERT_TRUE(x >= shape.boxMin.x && x + 1 <= shape.boxMax.x && y >= shape.boxMin.y &&
                        y + 1 <= shape.boxMax.y);
        }
    EXPECT_EQ(shape.nonEmpty, expected);
    EXPECT_EQ(counted, expected);
    // The polygon: at most 8 corners, each a corner of the frame or strictly inside it, so
    // that no trimmed edge runs along only part of a frame edge.
    EXPECT_LE(shape.outline.size(), 8u);
    for (const auto& p : shape.outline) {
        bool corner = (p.x == 0 || p.x == w) && (p.y == 0 || p.y == h);
        bool inside = p.x > 0 && p.x < w && p.y > 0 && p.y < h;
        EXPECT_TRUE(corner || inside) << p.x << "," << p.y;
    }
}

TEST(FrameOutline, EmptinessFollowsTheBlendMode) {
    TTexels t(32, 32);
    t.Set(3, 3, 0, 0, 0, 255);        // black: changes alpha and mask drawing, not light
    t.Set(10, 10, 200, 0, 0, 127);    // at the mask threshold: fails the alpha test
    t.Set(20, 20, 0, 90, 0, 128);     // just above it
    t.Set(28, 5, 255, 255, 255, 0);   // transparent white: changes nothing
    TFrameOutline o = t.Outline();
    EXPECT_EQ(o.ForBlend(kBlendLight)->nonEmpty, 2);
    EXPECT_EQ(o.ForBlend(kBlendAlpha)->nonEmpty, 3);
    EXPECT_EQ(o.ForBlend(kBlendMask)->nonEmpty, 2);
    // Solid and shade change the screen under every texel; so do unknown modes.
    EXPECT_EQ(o.ForBlend(kBlendSolid), nullptr);
    EXPECT_EQ(o.ForBlend(kBlendShade), nullptr);
    EXPECT_EQ(o.ForBlend(0), nullptr);
    // Frames drawn without filtering, and outlines made of nothing, trim nothing.
    EXPECT_EQ(t.Outline(false).ForBlend(kBlendLight), nullptr);
    EXPECT_EQ(TFrameOutline().ForBlend(kBlendAlpha), nullptr);
}

TEST(FrameOutline, ShapesHoldEveryNonEmptyTexelOfRandomFrames) {
    std::srand(5);
    for (int round = 0; round < 60; ++round) {
        int w = 1 + std::rand() % 70, h = 1 + std::rand() % 50;
        TTexels t(w, h);
        int dots = std::rand() % 12;
        for (int i = 0; i < dots; ++i) t.Set(std::rand() % w, std::rand() % h, 50, 60, 70, 255);
        if (round % 5 == 0) t.Set(w - 1, std::rand() % h, 9, 9, 9, 255);  // at an edge
        TFrameOutline o = t.Outline();
        const TShape& s = *o.ForBlend(kBlendAlpha);
        SCOPED_TRACE("frame " + std::to_string(w) + "x" + std::to_string(h) + " dots " + std::to_string(dots));
        ExpectShapeHolds(s, w, h, [&](int x, int y) { return t.bytes[(size_t(y) * w + x) * 4 + 3] != 0; });
        if (s.nonEmpty == 0) {
            EXPECT_TRUE(s.cells.empty());
            EXPECT_TRUE(s.outline.empty());
        }
    }
}

TEST(FrameOutline, RoundPuffIsDrawnAsAnOctagonAndSparseStarsAsFewCells) {
    // A disc of radius 12 in the middle of 32 x 32: eight corners, about the disc's area.
    TTexels puff(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if ((x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5) < 144) puff.Set(x, y, 255, 255, 255, 200);
    TFrameOutline puffOutline = puff.Outline();
    const TShape& disc = *puffOutline.ForBlend(kBlendAlpha);
    ExpectShapeHolds(disc, 32, 32, [&](int x, int y) { return puff.bytes[(size_t(y) * 32 + x) * 4 + 3] != 0; });
    EXPECT_EQ(disc.outline.size(), 8u);
    EXPECT_FALSE(disc.whole);
    EXPECT_LT(disc.outlineArea, 0.6f * 32 * 32);

    // Two stars in a 128 x 64 field of black: two cells, each drawn alone.
    TTexels stars(128, 64);
    stars.Set(40, 8, 255, 255, 255, 255);
    stars.Set(100, 50, 255, 255, 255, 255);
    TFrameOutline starsOutline = stars.Outline();
    const TShape& sky = *starsOutline.ForBlend(kBlendLight);
    ASSERT_EQ(sky.cells.size(), 2u);
    for (const auto& r : sky.cells) EXPECT_EQ((r.x1 - r.x0) * (r.y1 - r.y0), 16 * 16);
    // A full band of cells merges into one rectangle.
    TTexels band(64, 64);
    for (int x = 0; x < 64; ++x) band.Set(x, 20, 1, 1, 1, 255);
    TFrameOutline bandOutline = band.Outline();
    const TShape& stripe = *bandOutline.ForBlend(kBlendLight);
    ASSERT_EQ(stripe.cells.size(), 1u);
    EXPECT_EQ(stripe.cells[0].y0, 16);
    EXPECT_EQ(stripe.cells[0].y1, 32);
    EXPECT_EQ(stripe.cells[0].nonEmpty, 64);
}

TEST(FrameOutline, ContentTouchingAnEdgeTakesThatWholeEdge) {
    // A bolt from the left edge to the bottom edge.
    TTexels bolt(40, 20);
    for (int i = 0; i < 20; ++i) bolt.Set(i, 19 - i / 2 - 5 < 0 ? 0 : 19 - i / 2 - 5, 255, 200, 0, 255);
    for (int i = 0; i < 20; ++i) bolt.Set(i, 19, 255, 200, 0, 255);
    TFrameOutline boltOutline = bolt.Outline();
    const TShape& s = *boltOutline.ForBlend(kBlendLight);
    ExpectShapeHolds(s, 40, 20, [&](int x, int y) {
        const uint8_t* p = &bolt.bytes[(size_t(y) * 40 + x) * 4];
        return p[3] != 0 && (p[0] | p[1] | p[2]) != 0;
    });
    EXPECT_FALSE(s.whole);
}

TEST(FrameOutline, EnvironmentSwitchTurnsTrimmingOffAtReset) {
    setenv("TAVRIK_NO_TRIM", "1", 1);
    RunStateResets();
    EXPECT_EQ(TrimmingOn(), 0);
    unsetenv("TAVRIK_NO_TRIM");
    RunStateResets();
    EXPECT_EQ(TrimmingOn(), 1);
}

}  // namespace
