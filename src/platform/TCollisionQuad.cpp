#include "platform/TCollisionQuad.h"

#include <algorithm>
#include <cmath>

#include "platform/Graphics.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"

namespace {

// Corners further out than this are no place to test for a hit (and would overflow ints).
constexpr float kFarthest = 1e9f;

}  // namespace

TCollisionQuad::TCollisionQuad(TImage& image, float x, float y, int frame, float rotation, float scaleX,
                               float scaleY) {
    const TPixmap* pixmap = image.FramePixmap(frame);
    if (!pixmap || image.width <= 0 || image.height <= 0) return;
    width = image.width;
    height = image.height;
    // Placed as drawing would place it: the same matrix, origin and float arithmetic.
    float ix, iy, jx, jy;
    TransformFor(rotation, scaleX, scaleY, ix, iy, jx, jy);
    const TDrawState& s = DrawState();
    x += s.originX;
    y += s.originY;
    float l = -image.anchorX, t = -image.anchorY;
    float r = l + static_cast<float>(width), b = t + static_cast<float>(height);
    const float local[4][2] = {{l, t}, {r, t}, {r, b}, {l, b}};
    const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    minX = minY = INFINITY;
    maxX = maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        float sx = x + local[i][0] * ix + local[i][1] * iy;
        float sy = y + local[i][0] * jx + local[i][1] * jy;
        if (!(std::fabs(sx) < kFarthest && std::fabs(sy) < kFarthest)) return;  // also NaN
        minX = std::min(minX, sx); maxX = std::max(maxX, sx);
        minY = std::min(minY, sy); maxY = std::max(maxY, sy);
        // Whole pixels, truncated toward zero.
        corners[i] = {static_cast<int>(sx), static_cast<int>(sy), uv[i][0], uv[i][1]};
    }
    left = top = INT32_MAX;
    right = bottom = INT32_MIN;
    for (const TCorner& c : corners) {
        left = std::min(left, c.x); right = std::max(right, c.x);
        top = std::min(top, c.y); bottom = std::max(bottom, c.y);
    }
    opacity = image.Opacity(frame);
    valid = true;
}

bool TCollisionQuad::Span(int row, int& x0, int& x1, double& u, double& v, double& du, double& dv) const {
    // Corners are whole, so the row's centre line never passes through one: every edge it
    // meets is crossed cleanly, and a quad is crossed twice (four times only when its
    // truncated corners fold it, then the outermost crossings bound the span).
    double yc = row + 0.5;
    double xl = INFINITY, xr = -INFINITY, ul = 0, vl = 0, ur = 0, vr = 0;
    for (int i = 0; i < 4; ++i) {
        const TCorner& a = corners[i];
        const TCorner& b = corners[(i + 1) % 4];
        if ((a.y < yc) == (b.y < yc)) continue;
        double f = (yc - a.y) / (b.y - a.y);
        double ex = a.x + f * (b.x - a.x);
        double eu = a.u + f * (b.u - a.u), ev = a.v + f * (b.v - a.v);
        if (ex < xl) { xl = ex; ul = eu; vl = ev; }
        if (ex > xr) { xr = ex; ur = eu; vr = ev; }
    }
    if (!(xl < xr)) return false;
    // Pixel x is inside when its centre x + 0.5 lies in [xl, xr).
    x0 = static_cast<int>(std::ceil(xl - 0.5));
    x1 = static_cast<int>(std::ceil(xr - 0.5));
    if (x0 >= x1) return false;
    du = (ur - ul) / (xr - xl);
    dv = (vr - vl) / (xr - xl);
    u = ul + (x0 + 0.5 - xl) * du;
    v = vl + (x0 + 0.5 - xl) * dv;
    return true;
}

bool TCollisionQuad::Opaque(double u, double v) const {
    if (!opacity) return true;
    int col = static_cast<int>(std::clamp(u, 0.0, 1.0) * width);
    int line = static_cast<int>(std::clamp(v, 0.0, 1.0) * height);
    col = std::min(col, width - 1);
    line = std::min(line, height - 1);
    return opacity[static_cast<size_t>(line) * width + col] != 0;
}

int TCollisionQuad::Overlap(const TCollisionQuad& a, const TCollisionQuad& b) {
    if (!a.valid || !b.valid) return 0;
    if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY) return 0;
    // Rows from the smallest to below the largest corner y, over the rows and columns both cover.
    int rowFrom = std::max(a.top, b.top), rowTo = std::min(a.bottom, b.bottom);
    int colFrom = std::max(a.left, b.left), colTo = std::min(a.right, b.right);
    for (int row = rowFrom; row < rowTo; ++row) {
        int a0, a1, b0, b1;
        double aU, aV, aDU, aDV, bU, bV, bDU, bDV;
        if (!a.Span(row, a0, a1, aU, aV, aDU, aDV) || !b.Span(row, b0, b1, bU, bV, bDU, bDV)) continue;
        int x0 = std::max({a0, b0, colFrom}), x1 = std::min({a1, b1, colTo});
        if (x0 >= x1) continue;
        if (!a.opacity && !b.opacity) return 1;
        aU += (x0 - a0) * aDU; aV += (x0 - a0) * aDV;
        bU += (x0 - b0) * bDU; bV += (x0 - b0) * bDV;
        for (int x = x0; x < x1; ++x, aU += aDU, aV += aDV, bU += bDU, bV += bDV)
            if (a.Opaque(aU, aV) && b.Opaque(bU, bV)) return 1;
    }
    return 0;
}
