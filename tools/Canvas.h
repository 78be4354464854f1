#pragma once
// A float RGBA picture (premultiplied alpha) that the generator paints into and writes as PNG.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Trig.h"

// The game's own maths functions in float. The C library's differ in the last bits from one
// CPU to another, and the pictures (and the collision masks made from them) must not.
inline float SinF(float radians) { return static_cast<float>(TrigSin(radians)); }
inline float CosF(float radians) { return static_cast<float>(TrigCos(radians)); }
inline float Atan2F(float y, float x) { return static_cast<float>(TrigAtan2(y, x)); }
inline float ExpF(float x) { return static_cast<float>(TrigExp(x)); }
inline float PowF(float x, float y) { return static_cast<float>(TrigPow(x, y)); }

// A 2D point or vector in picture pixels.
struct V2 {
    float x = 0; // to the right
    float y = 0; // downwards
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, float k) { return {a.x * k, a.y * k}; }
inline float Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline float Len(V2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }

// A colour with straight (not premultiplied) channels 0..1.
struct Col {
    float r = 0; // red
    float g = 0; // green
    float b = 0; // blue
};
inline Col operator*(Col c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Col operator+(Col a, Col b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Col Mix(Col a, Col b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
// 0xRRGGBB as a colour.
inline Col Hex(uint32_t v) { return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f}; }

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Smooth(float e0, float e1, float v) {
    float t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Premultiplied RGBA float picture.
class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height);

    int w = 0;              // width in pixels
    int h = 0;              // height in pixels
    std::vector<float> px;  // 4 floats per pixel: r*a, g*a, b*a, a

    float* At(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    const float* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    // Straight alpha of a pixel.
    float Alpha(int x, int y) const { return At(x, y)[3]; }

    // Paints colour c with coverage a over the pixel.
    void Over(int x, int y, Col c, float a);
    // Adds light c * a to the colour and a to the opacity (clamped), as a glow on black.
    void Add(int x, int y, Col c, float a);
    // Replaces the pixel with straight colour c and alpha a.
    void Set(int x, int y, Col c, float a);
    // Draws another canvas over this one with its top-left corner at (x, y).
    void Blit(const Canvas& src, int x, int y);
    // Fills with an opaque colour.
    void Fill(Col c);

    // Writes an 8-bit PNG, RGBA or RGB (RGB is the colour over black). True on success.
    bool SavePNG(const std::string& path, bool withAlpha, int compression = 6) const;
};

// Signed distances (negative inside) of basic shapes, in pixels.
float SdCircle(V2 p, V2 c, float r);
float SdEllipse(V2 p, V2 c, V2 radii);
float SdSegment(V2 p, V2 a, V2 b, float r);
float SdBox(V2 p, V2 c, V2 half, float round);
float SdPolygon(V2 p, const std::vector<V2>& poly);

// Coverage of a pixel by a shape with signed distance d: one pixel of anti-aliasing.
inline float Cover(float d) { return Clamp01(0.5f - d); }

// Small deterministic hash and noise, so every run draws the same picture.
uint32_t Hash32(uint32_t v);
float Hash01(int x, int y, uint32_t seed);
// Value noise that tiles with the given period (in lattice cells).
float TileNoise(float x, float y, int period, uint32_t seed);
// Fractal sum of TileNoise octaves, about 0..1.
float TileFbm(float x, float y, int period, int octaves, uint32_t seed);

// A small seeded random generator (xorshift) for layouts and compositions.
class Rng {
public:
    explicit Rng(uint32_t seed) : s(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next() { s ^= s << 13; s ^= s >> 17; s ^= s << 5; return s; }
    float Float() { return (Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float a, float b) { return a + (b - a) * Float(); }
    int Int(int a, int b) { return a + static_cast<int>(Next() % static_cast<uint32_t>(b - a + 1)); }

private:
    uint32_t s; // state
};

// 5 x 7 pixel lettering for labels and hints, all printable ASCII.
// Draws text with its top-left at (x, y), each dot scale x scale pixels, one pixel spacing.
void DrawLabel(Canvas& c, const std::string& text, int x, int y, Col col, int scale = 1, float alpha = 1);
// Width of a label in pixels.
int LabelWidth(const std::string& text, int scale = 1);
