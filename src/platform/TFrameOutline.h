#pragma once
#include <cstdint>
#include <vector>

// Which parts of a texture frame can change the screen, for the blend modes where an
// empty texel leaves the screen as it was: light adds nothing for a black or transparent
// texel, alpha changes nothing for a transparent one, and mask draws nothing where alpha
// is at or below one half. Worked out once when the frame is made, so that tiling can
// skip empty cells and a sprite can be drawn as its bounding box or a tight polygon
// instead of its full quad.
class TFrameOutline {
public:
    // What the software rasteriser pays for one more primitive, in pixels filled; trimming
    // is worth it only where it saves more pixels than its extra primitives cost. Measured
    // on llvmpipe against about 11 ns for a filtered, blended pixel: a screen-aligned
    // rectangle of a tiled layer about 1.2 us, a triangle of a rotated sprite's outline
    // about 1.6 us (so a 32 x 32 puff is cheaper drawn whole).
    static constexpr float kRectPixels = 110.0f;
    static constexpr float kTrianglePixels = 150.0f;

    // A rectangle of texels [x0, x1) x [y0, y1).
    struct TRect {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // texel bounds
        long nonEmpty = 0;                   // non-empty texels inside
    };
    // A corner of an outline, in texels from the frame's top-left corner.
    struct TPoint {
        float x = 0.0f, y = 0.0f;  // texel position
    };
    // What one kind of emptiness leaves of the frame.
    struct TShape {
        std::vector<TRect> cells;     // non-empty grid cells (margin included), merged into rectangles;
                                      // of the cell size (4 to 32 texels) costing least
        std::vector<TPoint> outline;  // convex polygon around the non-empty texels and their margin,
                                      // its corners kept off the frame's edges
        std::vector<TPoint> strips;   // quads of four corners, each between one frame edge that the
                                      // content reaches (its first two corners) and the polygon
        TPoint boxMin, boxMax;        // bounding box of the non-empty texels and their margin, cut to the frame
        float outlineArea = 0.0f;     // area of the outline and strips in texels
        int triangles = 2;            // triangles of the outline and strips
        long nonEmpty = 0;            // non-empty texels, margin not counted
        bool whole = true;            // the outline is the whole frame: nothing to trim
    };

    // An outline that trims nothing (every blend mode draws the full frame).
    TFrameOutline() = default;
    // Works out the shapes of width x height RGBA texels, rows pitch bytes apart, keeping
    // a margin around every non-empty texel, since the linear filter reads neighbours.
    // Frames sampled without filtering get no shapes and are drawn whole: where a pixel
    // centre falls exactly on a texel edge, the rasteriser picks one texel or its neighbour
    // depending on where the primitive starts, so a trimmed piece would not always give the
    // pixel the full quad gives it.
    static TFrameOutline Of(const uint8_t* rgba, int pitch, int width, int height, bool filtered);
    // The shape for a blend mode, or null where every texel can change the screen (solid,
    // shade, unknown modes, or an outline made without pixels).
    const TShape* ForBlend(int blendMode) const;

    int width = 0;       // texels across the frame
    int height = 0;      // texels down the frame
    bool made = false;   // the shapes below were worked out
    bool opaque = false; // every texel has alpha 255, so filtering never mixes in transparency

private:
    // The shapes by kind: mask, alpha, light.
    TShape shapes_[3];
};
