#include "platform/TCollisionQuad.h"

#include <algorithm>
#include <cmath>

#include "platform/TImage.h"
#include "platform/TPixmap.h"

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// Narrows [lo, hi) to the screen x where lower <= c + d * x < upper holds.
void Clip(double c, double d, double lower, double upper, double& lo, double& hi) {
    if (std::fabs(d) < 1e-12) {
        if (c < lower || c >= upper) hi = lo;  // never inside on this row
        return;
    }
    double a = (lower - c) / d, b = (upper - c) / d;
    if (a > b) std::swap(a, b);
    lo = std::max(lo, a);
    hi = std::min(hi, b);
}

}  // namespace

TCollisionQuad::TCollisionQuad(TImage& image, float x, float y, int frame, float rotation, float scaleX,
                               float scaleY) {
    const TPixmap* pixmap = image.FramePixmap(frame);
    if (!pixmap || image.width <= 0 || image.height <= 0) return;
    width = image.width;
    height = image.height;
    // The same transform as drawing: a local point p lands at (x, y) + M (p - anchor).
    double r = rotation * kDegToRad;
    double ix = std::cos(r) * scaleX, iy = -std::sin(r) * scaleY;
    double jx = std::sin(r) * scaleX, jy = std::cos(r) * scaleY;
    double det = ix * jy - iy * jx;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12 || !std::isfinite(x) || !std::isfinite(y)) return;
    double ax = image.anchorX, ay = image.anchorY;
    double px[4] = {0, double(width), double(width), 0};
    double py[4] = {0, 0, double(height), double(height)};
    minX = minY = INFINITY;
    maxX = maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        double sx = x + (px[i] - ax) * ix + (py[i] - ay) * iy;
        double sy = y + (px[i] - ax) * jx + (py[i] - ay) * jy;
        minX = std::min(minX, sx); maxX = std::max(maxX, sx);
        minY = std::min(minY, sy); maxY = std::max(maxY, sy);
    }
    // Inverse: p = anchor + M^-1 (s - (x, y)).
    dxx = jy / det;  dxy = -iy / det;
    dyx = -jx / det; dyy = ix / det;
    cx = ax - dxx * x - dxy * y;
    cy = ay - dyx * x - dyy * y;
    opacity = image.Opacity(frame);
    valid = true;
}

bool TCollisionQuad::Span(double sy, int& x0, int& x1) const {
    double lo = -INFINITY, hi = INFINITY;
    Clip(cx + dxy * sy, dxx, 0.0, width, lo, hi);
    Clip(cy + dyy * sy, dyx, 0.0, height, lo, hi);
    if (!(lo < hi)) return false;
    // Pixel x is inside when its centre x + 0.5 lies in [lo, hi).
    x0 = static_cast<int>(std::ceil(lo - 0.5));
    x1 = static_cast<int>(std::ceil(hi - 0.5));
    return x0 < x1;
}

int TCollisionQuad::Overlap(const TCollisionQuad& a, const TCollisionQuad& b) {
    if (!a.valid || !b.valid) return 0;
    if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY) return 0;
    int rowFrom = static_cast<int>(std::floor(std::max(a.minY, b.minY)));
    int rowTo = static_cast<int>(std::ceil(std::min(a.maxY, b.maxY)));
    int colFrom = static_cast<int>(std::floor(std::max(a.minX, b.minX)));
    int colTo = static_cast<int>(std::ceil(std::min(a.maxX, b.maxX)));
    for (int row = rowFrom; row < rowTo; ++row) {
        double sy = row + 0.5;
        int a0, a1, b0, b1;
        if (!a.Span(sy, a0, a1) || !b.Span(sy, b0, b1)) continue;
        int x0 = std::max({a0, b0, colFrom}), x1 = std::min({a1, b1, colTo});
        if (x0 >= x1) continue;
        if (!a.opacity && !b.opacity) return 1;
        // Image coordinates of both at the first pixel centre, stepped per pixel.
        double sx = x0 + 0.5;
        double aU = a.cx + a.dxy * sy + a.dxx * sx, aV = a.cy + a.dyy * sy + a.dyx * sx;
        double bU = b.cx + b.dxy * sy + b.dxx * sx, bV = b.cy + b.dyy * sy + b.dyx * sx;
        for (int x = x0; x < x1; ++x, aU += a.dxx, aV += a.dyx, bU += b.dxx, bV += b.dyx) {
            if (a.opacity) {
                int col = std::clamp(static_cast<int>(aU), 0, a.width - 1);
                int line = std::clamp(static_cast<int>(aV), 0, a.height - 1);
                if (!a.opacity[line * a.width + col]) continue;
            }
            if (b.opacity) {
                int col = std::clamp(static_cast<int>(bU), 0, b.width - 1);
                int line = std::clamp(static_cast<int>(bV), 0, b.height - 1);
                if (!b.opacity[line * b.width + col]) continue;
            }
            return 1;
        }
    }
    return 0;
}
