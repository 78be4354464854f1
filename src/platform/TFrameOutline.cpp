#include "platform/TFrameOutline.h"

#include <algorithm>
#include <climits>

#include "platform/Graphics.h"

namespace {

// Kinds of emptiness, in the order of the shapes.
enum { kMaskKind = 0, kAlphaKind = 1, kLightKind = 2, kKinds = 3 };

// Whether a texel (bytes R, G, B, A) can change the screen under each kind.
inline bool NonEmpty(int kind, const uint8_t* t) {
    switch (kind) {
    case kMaskKind: return t[3] > 127;  // 127/255 is below the alpha test's one half
    case kAlphaKind: return t[3] != 0;
    default: return t[3] != 0 && (t[0] | t[1] | t[2]) != 0;  // black adds nothing
    }
}

using TPoint = TFrameOutline::TPoint;

// Points of the polygon on the inner side of a x + b y <= c (Sutherland-Hodgman).
std::vector<TPoint> ClipBy(const std::vector<TPoint>& poly, double a, double b, double c) {
    std::vector<TPoint> out;
    size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const TPoint& p = poly[i];
        const TPoint& q = poly[(i + 1) % n];
        double fp = a * p.x + b * p.y - c, fq = a * q.x + b * q.y - c;
        if (fp <= 0) out.push_back(p);
        if ((fp < 0 && fq > 0) || (fp > 0 && fq < 0)) {
            double t = fp / (fp - fq);
            out.push_back({static_cast<float>(p.x + t * (q.x - p.x)), static_cast<float>(p.y + t * (q.y - p.y))});
        }
    }
    return out;
}

double Cross(const TPoint& o, const TPoint& a, const TPoint& b) {
    return (double(a.x) - o.x) * (double(b.y) - o.y) - (double(a.y) - o.y) * (double(b.x) - o.x);
}

// Convex hull without collinear points (monotone chain); clockwise on a y-down screen.
std::vector<TPoint> Hull(std::vector<TPoint> pts) {
    std::sort(pts.begin(), pts.end(), [](const TPoint& a, const TPoint& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    pts.erase(std::unique(pts.begin(), pts.end(), [](const TPoint& a, const TPoint& b) {
                  return a.x == b.x && a.y == b.y;
              }),
              pts.end());
    if (pts.size() < 3) return pts;
    std::vector<TPoint> hull(pts.size() * 2);
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    hull.resize(k - 1);
    return hull;
}

double Area(const std::vector<TPoint>& poly) {
    double twice = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint& p = poly[i];
        const TPoint& q = poly[(i + 1) % poly.size()];
        twice += double(p.x) * q.y - double(q.x) * p.y;
    }
    return twice < 0 ? -twice / 2 : twice / 2;
}

// Bounds of the non-empty texels along the axes and both diagonals.
struct TBounds {
    int xMin = INT_MAX, xMax = INT_MIN, yMin = INT_MAX, yMax = INT_MIN;
    int sumMin = INT_MAX, sumMax = INT_MIN, diffMin = INT_MAX, diffMax = INT_MIN;
    void Add(int x, int y) {
        xMin = std::min(xMin, x); xMax = std::max(xMax, x);
        yMin = std::min(yMin, y); yMax = std::max(yMax, y);
        sumMin = std::min(sumMin, x + y); sumMax = std::max(sumMax, x + y);
        diffMin = std::min(diffMin, x - y); diffMax = std::max(diffMax, x - y);
    }
};

// How far corners of the inner polygon stay inside the edges of the frame, in texels: well
// inside the margin, and at the scales drawn (see kMinTrimScale) several of the
// rasteriser's 1/256 pixel steps.
constexpr float kEdgeInset = 0.25f;

// The octagon of the bounds grown by the margin and cut to the frame. A polygon corner
// lying on an edge of the frame (other than at its corners) would give an edge collinear
// with the frame's edge only up to the rasteriser's rounding of rotated corners, so pixels
// along it could come out differently from the full quad. Corners on a frame edge are
// therefore moved kEdgeInset inside, giving the inner polygon, and the band between it and
// that edge is drawn as a strip whose outer edge is the frame's whole edge, corner to corner.
void Outline(const TBounds& b, int w, int h, double margin, std::vector<TPoint>& inner,
             std::vector<TPoint>& strips) {
    double x0 = std::max(0.0, b.xMin - margin), x1 = std::min(double(w), b.xMax + 1 + margin);
    double y0 = std::max(0.0, b.yMin - margin), y1 = std::min(double(h), b.yMax + 1 + margin);
    std::vector<TPoint> poly = {{float(x0), float(y0)}, {float(x1), float(y0)}, {float(x1), float(y1)},
                                {float(x0), float(y1)}};
    // Texel (x, y) spans x..x+1: its corners reach sums x+y..x+y+2, differences x-y-1..x-y+1.
    poly = ClipBy(poly, -1, -1, -(b.sumMin - 2 * margin));
    poly = ClipBy(poly, 1, 1, b.sumMax + 2 + 2 * margin);
    poly = ClipBy(poly, -1, 1, -(b.diffMin - 1 - 2 * margin));
    poly = ClipBy(poly, 1, -1, b.diffMax + 1 + 2 * margin);
    const float fw = float(w), fh = float(h), e = kEdgeInset;
    bool left = false, right = false, top = false, bottom = false;
    for (TPoint& p : poly) {
        left |= p.x == 0.0f;
        right |= p.x == fw;
        top |= p.y == 0.0f;
        bottom |= p.y == fh;
        p.x = std::clamp(p.x, e, fw - e);
        p.y = std::clamp(p.y, e, fh - e);
    }
    inner = Hull(std::move(poly));
    // A strip per edge reached: the frame's edge and the inner polygon's corners moved off it.
    auto strip = [&](TPoint from, TPoint to, auto onLine, auto before) {
        const TPoint* first = nullptr;
        const TPoint* last = nullptr;
        for (const TPoint& p : inner) {
            if (!onLine(p)) continue;
            if (!first || before(p, *first)) first = &p;
            if (!last || before(*last, p)) last = &p;
        }
        if (!first) return;
        strips.insert(strips.end(), {from, to, *last, *first});
    };
    if (top)
        strip({0.0f, 0.0f}, {fw, 0.0f}, [&](const TPoint& p) { return p.y == e; },
              [](const TPoint& a, const TPoint& c) { return a.x < c.x; });
    if (right)
        strip({fw, 0.0f}, {fw, fh}, [&](const TPoint& p) { return p.x == fw - e; },
              [](const TPoint& a, const TPoint& c) { return a.y < c.y; });
    if (bottom)
        strip({fw, fh}, {0.0f, fh}, [&](const TPoint& p) { return p.y == fh - e; },
              [](const TPoint& a, const TPoint& c) { return a.x > c.x; });
    if (left)
        strip({0.0f, fh}, {0.0f, 0.0f}, [&](const TPoint& p) { return p.x == e; },
              [](const TPoint& a, const TPoint& c) { return a.y > c.y; });
}

// Merges the non-empty cells (row-major, gw x gh) into rectangles: runs along each row,
// a run continuing one of the row above with the same columns.
std::vector<TFrameOutline::TRect> MergeCells(const std::vector<uint8_t>& cell, const std::vector<long>& count,
                                             int gw, int gh, int w, int h, int c) {
    using TRect = TFrameOutline::TRect;
    std::vector<TRect> done;
    std::vector<TRect> open;  // rectangles reaching the row above, by their cell columns
    std::vector<std::pair<int, int>> openCols;
    for (int cy = 0; cy < gh; ++cy) {
        std::vector<TRect> nextOpen;
        std::vector<std::pair<int, int>> nextCols;
        for (int cx = 0; cx < gw;) {
            if (!cell[size_t(cy) * gw + cx]) { ++cx; continue; }
            int start = cx;
            long inside = 0;
            while (cx < gw && cell[size_t(cy) * gw + cx]) inside += count[size_t(cy) * gw + cx++];
            auto it = std::find(openCols.begin(), openCols.end(), std::make_pair(start, cx));
            TRect r;
            if (it != openCols.end()) {
                size_t i = size_t(it - openCols.begin());
                r = open[i];
                openCols.erase(it);
                open.erase(open.begin() + long(i));
            } else {
                r.x0 = start * c;
                r.x1 = std::min(cx * c, w);
                r.y0 = cy * c;
            }
            r.y1 = std::min((cy + 1) * c, h);
            r.nonEmpty += inside;
            nextOpen.push_back(r);
            nextCols.emplace_back(start, cx);
        }
        done.insert(done.end(), open.begin(), open.end());
        open = std::move(nextOpen);
        openCols = std::move(nextCols);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

// The non-empty cells of side c, with the margin around each non-empty texel, merged.
std::vector<TFrameOutline::TRect> CellRects(const std::vector<uint8_t>& nonEmpty, int w, int h, int c, int margin) {
    const int gw = (w + c - 1) / c, gh = (h + c - 1) / c;
    std::vector<uint8_t> cell(size_t(gw) * gh, 0);
    std::vector<long> count(size_t(gw) * gh, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!nonEmpty[size_t(y) * w + x]) continue;
            ++count[size_t(y / c) * gw + x / c];
            int cx0 = std::max(0, x - margin) / c, cx1 = std::min(w - 1, x + margin) / c;
            int cy0 = std::max(0, y - margin) / c, cy1 = std::min(h - 1, y + margin) / c;
            for (int cy = cy0; cy <= cy1; ++cy)
                for (int cx = cx0; cx <= cx1; ++cx) cell[size_t(cy) * gw + cx] = 1;
        }
    return MergeCells(cell, count, gw, gh, w, h, c);
}

}  // namespace

TFrameOutline TFrameOutline::Of(const uint8_t* rgba, int pitch, int w, int h, bool filtered) {
    TFrameOutline result;
    if (!rgba || w <= 0 || h <= 0 || !filtered) return result;
    result.width = w;
    result.height = h;
    result.made = true;
    // The linear filter reads texels whose centres lie within one texel of the point
    // sampled, so a point half a texel outside a texel's square still misses it. Cells keep
    // a whole texel around non-empty ones; the box and outline three quarters, a quarter of
    // which the outline's corners may give up where they are kept off the frame's edges.
    const int cellMargin = 1;
    const double outlineMargin = 0.75;
    result.opaque = true;
    for (int y = 0; y < h && result.opaque; ++y) {
        const uint8_t* t = rgba + size_t(y) * pitch;
        for (int x = 0; x < w; ++x)
            if (t[x * 4 + 3] != 255) {
                result.opaque = false;
                break;
            }
    }
    for (int kind = 0; kind < kKinds; ++kind) {
        TShape& shape = result.shapes_[kind];
        TBounds bounds;
        std::vector<uint8_t> nonEmpty(size_t(w) * h, 0);
        for (int y = 0; y < h; ++y) {
            const uint8_t* t = rgba + size_t(y) * pitch;
            for (int x = 0; x < w; ++x, t += 4) {
                if (!NonEmpty(kind, t)) continue;
                nonEmpty[size_t(y) * w + x] = 1;
                ++shape.nonEmpty;
                bounds.Add(x, y);
            }
        }
        shape.whole = false;
        if (shape.nonEmpty == 0) continue;  // nothing to draw at all
        // The cell size that costs least: fine cells fill fewer empty pixels, coarse ones
        // hand the rasteriser fewer rectangles.
        double best = 0;
        for (int c : {4, 8, 16, 32}) {
            std::vector<TRect> rects = CellRects(nonEmpty, w, h, c, cellMargin);
            double cost = double(rects.size()) * kRectPixels;
            for (const TRect& r : rects) cost += double(r.x1 - r.x0) * (r.y1 - r.y0);
            if (shape.cells.empty() || cost < best) {
                best = cost;
                shape.cells = std::move(rects);
            }
        }
        Outline(bounds, w, h, outlineMargin, shape.outline, shape.strips);
        double area = Area(shape.outline);
        for (size_t i = 0; i + 4 <= shape.strips.size(); i += 4)
            area += Area(std::vector<TPoint>(shape.strips.begin() + long(i), shape.strips.begin() + long(i) + 4));
        shape.outlineArea = float(area);
        shape.triangles = int(shape.outline.size()) - 2 + int(shape.strips.size()) / 2;
        shape.boxMin = {float(std::max(0.0, bounds.xMin - outlineMargin)),
                        float(std::max(0.0, bounds.yMin - outlineMargin))};
        shape.boxMax = {float(std::min(double(w), bounds.xMax + 1 + outlineMargin)),
                        float(std::min(double(h), bounds.yMax + 1 + outlineMargin))};
        // Frames under two texels across have no room for the inset.
        shape.whole = w < 2 || h < 2 || shape.outlineArea >= float(w) * float(h);
    }
    return result;
}

const TFrameOutline::TShape* TFrameOutline::ForBlend(int blendMode) const {
    if (!made) return nullptr;
    switch (blendMode) {
    case kBlendMask: return &shapes_[kMaskKind];
    case kBlendAlpha: return &shapes_[kAlphaKind];
    case kBlendLight: return &shapes_[kLightKind];
    default: return nullptr;
    }
}
