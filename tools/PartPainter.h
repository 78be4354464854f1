#pragma once
// Paints hulls and turrets from simple shapes: every part has a colour and a raised, bevelled
// top; the height field is then lit from the upper left, so all craft share one light.
#include <vector>

#include "Canvas.h"

// One shape of a hull.
struct TPart {
    enum Kind { Polygon, Ellipse, Capsule, Box };
    enum Mode { Solid, Decal, Glow };
    Kind kind = Polygon;     // shape type
    Mode mode = Solid;       // Solid: raised part; Decal: paint only; Glow: emissive light
    std::vector<V2> poly;    // Polygon corners
    V2 a;                    // Ellipse/Box centre, Capsule start
    V2 b;                    // Ellipse radii, Box half size, Capsule end
    float r = 0;             // Capsule radius, Box corner rounding
    bool mirror = false;     // evaluated at |x|: the part appears on both sides
    Col col;                 // base colour
    float height = 1;        // height of the part's top
    float bevel = 2;         // width of its rounded edge in pixels
    float gloss = 0.25f;     // specular strength
    float plates = 0;        // plate size in pixels, 0 = one smooth piece
    float soft = 1;          // edge softness in pixels (glows use more)
    float alpha = 1;         // opacity of decals and glows
};

// Collects parts and renders them lit into a canvas.
class PartPainter {
public:
    PartPainter(int width, int height) : w(width), h(height) {}

    int w;                     // picture width
    int h;                     // picture height
    std::vector<TPart> parts;  // in painting order

    // A polygon mirrored about x = 0 from its right half (top to bottom, x >= 0).
    TPart& Sym(const std::vector<V2>& rightHalf, Col col, float height, float bevel);
    // A polygon as given; mirror = also at -x.
    TPart& Poly(const std::vector<V2>& pts, bool mirror, Col col, float height, float bevel);
    TPart& Ellipse(V2 c, V2 radii, bool mirror, Col col, float height, float bevel);
    TPart& Capsule(V2 a, V2 b, float r, bool mirror, Col col, float height, float bevel);
    TPart& Box(V2 c, V2 half, float round, bool mirror, Col col, float height, float bevel);
    // An emissive soft ellipse (engine flames, lights).
    TPart& Light(V2 c, V2 radii, bool mirror, Col col, float soft = 2.0f, float alpha = 1.0f);

    // Appends a part of the given kind with its colour and relief; the shape is set by the caller.
    TPart& Add(TPart::Kind kind, bool mirror, Col col, float height, float bevel);

    // Signed distance of a part at p (relative to the picture centre).
    static float Distance(const TPart& part, V2 p);
    // Coverage of the solid parts at p, before lighting (for checking mounts).
    float SolidCoverage(V2 p) const;
    // Scales the picture and every part by k (heights too, so the relief keeps its look); for
    // drawing a design larger or smaller than the game's picture, as the icons do.
    void Scale(float k);
    // Renders every part, lit; the origin of the parts is the picture centre.
    Canvas Render() const;
};
