#pragma once
#include <cstdint>

class TImage;

// One image frame placed on the screen for the overlap test: its bounding box, the
// mapping from screen pixel centres back into the image, and its opacity.
class TCollisionQuad {
public:
    // Places frame n of the image at x, y, rotated and scaled about its anchor.
    TCollisionQuad(TImage& image, float x, float y, int frame, float rotation, float scaleX, float scaleY);

    // 1 when the two placed frames share a screen pixel opaque in both.
    static int Overlap(const TCollisionQuad& a, const TCollisionQuad& b);

    bool valid = false;                          // a frame with a non-empty area
    double minX = 0, minY = 0, maxX = 0, maxY = 0;  // screen bounding box of the quad
    int width = 0, height = 0;                   // image pixels
    const uint8_t* opacity = nullptr;            // one byte per pixel, null when all opaque
    // Image x and y at screen point (sx, sy): lx = cx + dxx*sx + dxy*sy, ly likewise.
    double cx = 0, dxx = 0, dxy = 0;
    double cy = 0, dyx = 0, dyy = 0;

private:
    // Columns [x0, x1) whose centres lie inside the quad on the row with centre sy.
    bool Span(double sy, int& x0, int& x1) const;
};
