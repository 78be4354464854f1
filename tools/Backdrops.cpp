// The three background layers, the logo and the options screen's background.
#include <string>

#include "AssetGen.h"

namespace {
// A soft star with wrap-around, so the layer tiles without seams.
void Star(Canvas& c, float sx, float sy, float radius, Col col, float bright, bool glints) {
    int r = static_cast<int>(std::ceil(radius * 3 + (glints ? radius * 5 : 0))) + 1;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            int x = static_cast<int>(std::floor(sx)) + dx, y = static_cast<int>(std::floor(sy)) + dy;
            float fx = x + 0.5f - sx, fy = y + 0.5f - sy;
            float d2 = fx * fx + fy * fy;
            float v = ExpF(-d2 / (2 * radius * radius)) * bright;
            if (glints) {
                float ax = std::fabs(fx), ay = std::fabs(fy);
                float g = ExpF(-std::min(ax, ay) * 2.2f) * ExpF(-std::max(ax, ay) / (radius * 2.2f)) * bright * 0.45f;
                v += g;
            }
            if (v < 0.002f) continue;
            int wx = ((x % c.w) + c.w) % c.w, wy = ((y % c.h) + c.h) % c.h;
            float* p = c.At(wx, wy);
            p[0] += col.r * v;
            p[1] += col.g * v;
            p[2] += col.b * v;
            p[3] = 1;
        }
}

// Star colours from warm to cool.
Col StarColour(Rng& rng) {
    float t = rng.Float();
    if (t < 0.15f) return Hex(0xFFD2A0);
    if (t < 0.35f) return Hex(0xB8D0FF);
    if (t < 0.45f) return Hex(0xFFB0B0);
    return Hex(0xF4F6FF);
}

// Far layer: a dim tiling nebula of blue, violet and teal clouds with faint dust stars.
Canvas Nebula(int size) {
    Canvas c(size, size);
    const int period = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = x * period / static_cast<float>(size), v = y * period / static_cast<float>(size);
            float n1 = TileFbm(u, v, period, 6, 1001);
            float n2 = TileFbm(u + 1.7f, v + 0.3f, period, 5, 2002);
            float n3 = TileFbm(u * 2, v * 2, period * 2, 4, 3003);
            float cloud = Smooth(0.38f, 0.78f, n1);
            float veil = Smooth(0.45f, 0.8f, n2);
            float wisp = Smooth(0.5f, 0.85f, n3) * cloud;
            Col col = Hex(0x1A2A66) * (cloud * 0.4f) + Hex(0x4A1E5C) * (veil * 0.32f) + Hex(0x1E6A70) * (wisp * 0.26f);
            col = col + Col{0.012f, 0.014f, 0.03f};
            float* p = c.At(x, y);
            p[0] = col.r;
            p[1] = col.g;
            p[2] = col.b;
            p[3] = 1;
        }
    Rng rng(4242);
    for (int i = 0; i < 900; ++i) {
        Col col = StarColour(rng);
        Star(c, rng.Range(0, size), rng.Range(0, size), 0.55f, col, rng.Range(0.08f, 0.28f), false);
    }
    return c;
}

// Middle layer: many small stars, a few brighter.
Canvas MidStars(int size) {
    Canvas c(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) c.At(x, y)[3] = 1;
    Rng rng(777);
    for (int i = 0; i < 420; ++i) {
        float b = rng.Float();
        Col col = StarColour(rng);
        Star(c, rng.Range(0, size), rng.Range(0, size), 0.5f + b * 0.35f, col, 0.25f + b * b * 0.6f, false);
    }
    return c;
}

// Near layer: sparse bright stars with glints, and faint drifting dust.
Canvas NearStars(int size) {
    Canvas c(size, size);
    const int period = 8;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = x * period / static_cast<float>(size), v = y * period / static_cast<float>(size);
            float d = Smooth(0.62f, 0.9f, TileFbm(u, v, period, 4, 9090));
            float* p = c.At(x, y);
            p[0] = 0.05f * d;
            p[1] = 0.045f * d;
            p[2] = 0.04f * d;
            p[3] = 1;
        }
    Rng rng(31337);
    for (int i = 0; i < 70; ++i) {
        float b = rng.Float();
        Col col = StarColour(rng);
        Star(c, rng.Range(0, size), rng.Range(0, size), 0.7f + b * 0.6f, col, 0.5f + b * 0.5f, b > 0.75f);
    }
    return c;
}

constexpr float kShear = 0.16f;

// Letter outlines for the logo, in a 100-unit-tall box; holes follow their outline.
struct TGlyph {
    float width;              // advance without spacing
    std::vector<V2> outline;  // the letter
    std::vector<V2> hole;     // counter cut out of it (may be empty)
};

const std::vector<TGlyph>& TitleGlyphs() {
    static const std::vector<TGlyph> glyphs = {
        {72, {{0, 0}, {72, 0}, {72, 21}, {46, 21}, {46, 100}, {26, 100}, {26, 21}, {0, 21}}, {}},
        {84, {{0, 100}, {29, 0}, {55, 0}, {84, 100}, {61, 100}, {55, 79}, {29, 79}, {23, 100}}, {{34, 60}, {50, 60}, {42, 30}}},
        {82, {{0, 0}, {23, 0}, {41, 66}, {59, 0}, {82, 0}, {53, 100}, {29, 100}}, {}},
        {76,
         {{0, 0}, {50, 0}, {66, 7}, {73, 22}, {73, 38}, {65, 51}, {53, 57}, {76, 100}, {51, 100}, {33, 59}, {22, 59}, {22, 100}, {0, 100}},
         {{22, 19}, {45, 19}, {50, 25}, {50, 35}, {45, 41}, {22, 41}}},
        {22, {{0, 0}, {22, 0}, {22, 100}, {0, 100}}, {}},
        {78, {{0, 0}, {22, 0}, {22, 38}, {50, 0}, {77, 0}, {39, 47}, {78, 100}, {51, 100}, {22, 60}, {22, 100}, {0, 100}}, {}},
    };
    return glyphs;
}

// Signed distance to the whole word at p, in glyph units.
float TitleDistance(V2 p) {
    float d = 1e9f;
    float pen = 0;
    for (const TGlyph& g : TitleGlyphs()) {
        V2 q{p.x - pen + kShear * (p.y - 100), p.y};
        float dg = SdPolygon(q, g.outline);
        if (!g.hole.empty()) dg = std::max(dg, -SdPolygon(q, g.hole));
        d = std::min(d, dg);
        pen += g.width + 11;
    }
    return d;
}

float TitleWidth() {
    float w = 0;
    for (const TGlyph& g : TitleGlyphs()) w += g.width + 11;
    return w - 11;
}
} // namespace

Canvas DrawTitleLettering(float letterHeight, float glow) {
    const float s = letterHeight / 100;
    const float margin = glow + 4;
    int w = static_cast<int>(std::ceil((TitleWidth() + kShear * 100) * s + margin * 2));
    int h = static_cast<int>(std::ceil(letterHeight + margin * 2));
    Canvas c(w, h);
    const float outline = std::max(1.0f, 3 * s);
    const float bevel = std::max(1.5f, 9 * s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            V2 p{(x + 0.5f - margin) / s, (y + 0.5f - margin) / s};
            float d = TitleDistance(p) * s; // in pixels
            // Outer glow, then a dark rim, then the chrome face.
            float g = glow > 0 ? PowF(Clamp01(1 - (d - outline) / glow), 2.2f) * 0.75f : 0;
            float rim = Cover(d - outline);
            float face = Cover(d);
            if (g <= 0 && rim <= 0) continue;
            Col glowCol = Mix(Hex(0xFF7A20), Hex(0x30C8FF), Clamp01(p.y / 100));
            c.Set(x, y, glowCol, g);
            c.Over(x, y, Hex(0x0A1430), rim);
            if (face > 0) {
                float t = Clamp01(p.y / 100);
                // Chrome: bright sky above a dark horizon line, warm ground below.
                Col chrome = t < 0.52f ? Mix(Hex(0xFFFFFF), Hex(0x6AA8E8), t / 0.52f)
                                       : Mix(Hex(0x1C3A6A), Hex(0xFFB050), (t - 0.52f) / 0.48f);
                float inside = Clamp01(-d / bevel);
                float edge = 1 - inside;
                // Bevel lit from the upper left: the upper-left edges brighter.
                float dx = TitleDistance({p.x + 1, p.y}) - TitleDistance({p.x - 1, p.y});
                float dy = TitleDistance({p.x, p.y + 1}) - TitleDistance({p.x, p.y - 1});
                float lit = Clamp01(0.5f + (-dx * -0.6f + -dy * -0.8f) * 0.5f);
                Col bevelCol = Mix(Hex(0x2A4A80), Hex(0xFFFFFF), lit);
                c.Over(x, y, Mix(chrome, bevelCol, edge * edge * 0.9f), face);
            }
        }
    return c;
}

namespace {
Canvas OptionsBackground(int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float t = y / static_cast<float>(h);
            float n = TileFbm(x / 100.0f, y / 100.0f, 4, 4, 555);
            Col col = Mix(Hex(0x0C1430), Hex(0x06080F), t) + Hex(0x1A1440) * (Smooth(0.45f, 0.8f, n) * 0.6f);
            c.Set(x, y, col, 1);
        }
    Rng rng(99);
    for (int i = 0; i < 60; ++i) Star(c, rng.Range(0, w), rng.Range(0, h), 0.5f, StarColour(rng), rng.Range(0.2f, 0.6f), false);
    // Faint frames where the seven fields sit, so the form reads at a glance.
    struct Field { int x, y, w, h; };
    const Field fields[7] = {{10, 50, 380, 40}, {10, 100, 180, 40}, {210, 100, 180, 40}, {10, 150, 180, 40},
                             {210, 150, 180, 40}, {10, 200, 180, 40}, {210, 200, 180, 40}};
    for (const Field& f : fields)
        for (int y = f.y; y < f.y + f.h; ++y)
            for (int x = f.x; x < f.x + f.w; ++x) {
                bool edge = x == f.x || y == f.y || x == f.x + f.w - 1 || y == f.y + f.h - 1;
                c.Over(x, y, edge ? Hex(0x4A6AB0) : Hex(0x182850), edge ? 0.6f : 0.35f);
            }
    Canvas title = DrawTitleLettering(28, 6);
    c.Blit(title, (w - title.w) / 2, 24 - title.h / 2);
    const std::string hint1 = "Click a field, type, press Enter.";
    const std::string hint2 = "Enter again to play - Escape quits.";
    DrawLabel(c, hint1, (w - LabelWidth(hint1)) / 2, 254, Hex(0xA8C0E8));
    DrawLabel(c, hint2, (w - LabelWidth(hint2)) / 2, 270, Hex(0xA8C0E8));
    // Nothing seen may be pure black (that would be cut out as transparent).
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = c.At(x, y);
            for (int k = 0; k < 3; ++k) p[k] = std::max(p[k], 3 / 255.0f);
        }
    return c;
}
} // namespace

bool DrawBackdropPicture(const TAssetPicture& pic, Canvas& out) {
    std::string_view p = pic.path;
    if (p == "gfx\\BG.png") out = Nebula(pic.width);
    else if (p == "gfx\\bg1alter2.png") out = MidStars(pic.width);
    else if (p == "gfx\\bg1alter.png") out = NearStars(pic.width);
    else if (p == "gfx\\OptionBG.png") out = OptionsBackground(pic.width, pic.height);
    else if (p == "gfx\\Logo.png") {
        // Short enough that the logo at y = 100 ends above the title panel at y = 150.
        Canvas word = DrawTitleLettering(68, 10);
        out = Canvas(pic.width, pic.height);
        out.Blit(word, (pic.width - word.w) / 2, (pic.height - word.h) / 2);
    } else {
        return false;
    }
    return true;
}

bool DrawPicture(const TAssetPicture& pic, Canvas& out) {
    return DrawSpritePicture(pic, out) || DrawBackdropPicture(pic, out);
}
