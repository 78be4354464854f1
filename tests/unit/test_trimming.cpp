// Frame outlines: which texels of a frame can change the screen under each blend mode,
// the grid rectangles that tiling draws and the polygon that a sprite is drawn as. Every
// texel that can change the screen, and the texel of margin the filter reads around it,
// must lie inside what is drawn; what is drawn must stay inside the frame.
#include "platform/Graphics.h"
#include "platform/StateResets.h"
#include "platform/TFrameOutline.h"
#include "platform/Trimming.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Whether the point lies in the polygon or one of the strips.
bool InsideDrawn(const TShape& shape, double x, double y) {
    if (InsideConvex(shape.outline, x, y)) return true;
    for (size_t i = 0; i + 4 <= shape.strips.size(); i += 4)
        if (InsideConvex({shape.strips.begin() + long(i), shape.strips.begin() + long(i) + 4}, x, y)) return true;
    return false;
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
            // Polygon and strips hold every point whose filter footprint (a texel each way
            // around the point) reaches the texel's centre: the texel grown by half a texel,
            // cut to the frame, sampled along a fine grid since their union need not be convex.
            for (double cy = std::max(0.0, y - 0.5); cy <= std::min(double(h), y + 1.5); cy += 0.125)
                for (double cx = std::max(0.0, x - 0.5); cx <= std::min(double(w), x + 1.5); cx += 0.125)
                    ASSERT_TRUE(InsideDrawn(shape, cx, cy)) << "texel " << x << "," << y << " at " << cx << "," << cy;
            ASSERT_TRUE(std::max(0.0, x - 0.5) >= shape.boxMin.x && std::min(double(w), x + 1.5) <= shape.boxMax.x &&
                        std::max(0.0, y - 0.5) >= shape.boxMin.y && std::min(double(h), y + 1.5) <= shape.boxMax.y);
        }
    EXPECT_EQ(shape.nonEmpty, expected);
    EXPECT_EQ(counted, expected);
    // No drawn edge may run along only part of a frame edge: polygon corners lie strictly
    // inside the frame, and each strip has two frame corners and two of the polygon's.
    EXPECT_LE(shape.outline.size(), 8u);
    auto inside = [&](const TFrameOutline::TPoint& p) { return p.x > 0 && p.x < w && p.y > 0 && p.y < h; };
    auto corner = [&](const TFrameOutline::TPoint& p) { return (p.x == 0 || p.x == w) && (p.y == 0 || p.y == h); };
    for (const auto& p : shape.outline) EXPECT_TRUE(inside(p)) << p.x << "," << p.y;
    ASSERT_EQ(shape.strips.size() % 4, 0u);
    EXPECT_LE(shape.strips.size(), 16u);
    for (size_t i = 0; i < shape.strips.size(); i += 4) {
        EXPECT_TRUE(corner(shape.strips[i]) && corner(shape.strips[i + 1]));
        for (size_t k = i + 2; k < i + 4; ++k)
            EXPECT_NE(std::find_if(shape.outline.begin(), shape.outline.end(),
                                   [&](const auto& p) { return p.x == shape.strips[k].x && p.y == shape.strips[k].y; }),
                      shape.outline.end());
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
    EXPECT_TRUE(disc.strips.empty());
    EXPECT_FALSE(disc.whole);
    EXPECT_LT(disc.outlineArea, 0.6f * 32 * 32);

    // Two stars in a 128 x 64 field of black: two small rectangles, one around each.
    TTexels stars(128, 64);
    stars.Set(42, 12, 255, 255, 255, 255);
    stars.Set(100, 50, 255, 255, 255, 255);
    TFrameOutline starsOutline = stars.Outline();
    const TShape& sky = *starsOutline.ForBlend(kBlendLight);
    ExpectShapeHolds(sky, 128, 64, [&](int x, int y) { return (x == 42 && y == 12) || (x == 100 && y == 50); });
    ASSERT_EQ(sky.cells.size(), 2u);
    for (const auto& r : sky.cells) EXPECT_LE((r.x1 - r.x0) * (r.y1 - r.y0), 8 * 8);
    // A full band merges into one rectangle across the frame.
    TTexels band(64, 64);
    for (int x = 0; x < 64; ++x) band.Set(x, 20, 1, 1, 1, 255);
    TFrameOutline bandOutline = band.Outline();
    const TShape& stripe = *bandOutline.ForBlend(kBlendLight);
    ASSERT_EQ(stripe.cells.size(), 1u);
    EXPECT_EQ(stripe.cells[0].x1 - stripe.cells[0].x0, 64);
    EXPECT_LE(stripe.cells[0].y1 - stripe.cells[0].y0, 8);
    EXPECT_EQ(stripe.cells[0].nonEmpty, 64);
}

TEST(FrameOutline, ContentReachingTheEdgesStillTrimsTheCorners) {
    // A disc touching all four edges, as round sprites do: a strip along each edge, and
    // the empty corners still left out.
    TTexels disc(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if ((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5) < 32 * 32) disc.Set(x, y, 90, 90, 90, 40);
    TFrameOutline o = disc.Outline();
    const TShape& s = *o.ForBlend(kBlendAlpha);
    ExpectShapeHolds(s, 64, 64, [&](int x, int y) { return disc.bytes[(size_t(y) * 64 + x) * 4 + 3] != 0; });
    EXPECT_EQ(s.strips.size(), 16u);
    EXPECT_LT(s.outlineArea, 0.9f * 64 * 64);
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
