#pragma once
#include <cstdint>

class TImage;

// One image frame placed on the screen for the overlap test: the quad as it would be
// drawn, its corners truncated to whole pixels, scan-converted row by row into image
// pixels, and the frame's opacity.
class TCollisionQuad {
public:
    // Places frame n of the image at x, y, rotated and scaled about its anchor.
    TCollisionQuad(TImage& image, float x, float y, int frame, float rotation, float scaleX, float scaleY);

    // 1 when the two placed frames share a screen pixel opaque in both.
    static int Overlap(const TCollisionQuad& a, const TCollisionQuad& b);

    // A quad corner: truncated screen position and texture coordinates (0..1 across the image).
    struct TCorner {
        int x, y;
        double u, v;
    };

    bool valid = false;                          // a frame placed at finite, sane coordinates
    float minX = 0, minY = 0, maxX = 0, maxY = 0;  // screen bounding box of the placed quad
    int left = 0, top = 0, right = 0, bottom = 0;  // box of the truncated corners (right, bottom excluded)
    TCorner corners[4] = {};                      // in drawing order: top-left, top-right, bottom-right, bottom-left
    int width = 0, height = 0;                   // image pixels
    const uint8_t* opacity = nullptr;            // one byte per pixel, null when all opaque

    // The columns [x0, x1) of a row whose pixel centres lie inside the quad, with the
    // texture coordinates at the centre of x0 and their steps per column.
    bool Span(int row, int& x0, int& x1, double& u, double& v, double& du, double& dv) const;
    // Whether the image pixel at texture coordinates u, v (clamped to 0..1) is opaque.
    bool Opaque(double u, double v) const;
};
