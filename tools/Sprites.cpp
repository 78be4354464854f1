// Turrets, laser bolts, particle sprites, colour courses, rockets, HUD signs and the cursor.
#include <map>
#include <string>

#include "AssetGen.h"
#include "PartPainter.h"

namespace {
constexpr float kPi = 3.14159265f;

// The look of one gun: its light colour and barrel layout.
struct TGunLook {
    Col light;     // colour of the bolt and the emitter tip
    Col body;      // turret housing colour
    int barrels;   // number of parallel barrels
    float spacing; // distance between barrels
    float barrelR; // barrel radius
};

TGunLook LookOf(std::string_view id) {
    static const std::map<std::string_view, TGunLook> looks = {
        {"DLG-2500", {Hex(0x50FF60), Hex(0x6A7A70), 2, 6, 1.6f}},
        {"LGO-800", {Hex(0xFF9A28), Hex(0x7A6A5A), 1, 0, 1.8f}},
        {"LB-4500", {Hex(0xFF5A10), Hex(0x6A4A3A), 1, 0, 3.6f}},
        {"LGR-3000", {Hex(0xFF3030), Hex(0x7A5A5A), 1, 0, 1.9f}},
        {"LGB-800", {Hex(0x70C8FF), Hex(0x5A6A7A), 1, 0, 1.5f}},
        {"LGB-1000", {Hex(0x3A80FF), Hex(0x5A667E), 1, 0, 2.2f}},
        {"BlueBall", {Hex(0x40B0FF), Hex(0x5A667E), 1, 0, 2.2f}},
        {"Destructor", {Hex(0xE060FF), Hex(0x5A4A6A), 3, 5, 1.8f}},
        {"MG-500", {Hex(0xFFE070), Hex(0x70747A), 2, 3.6f, 1.1f}},
        {"TLY-800", {Hex(0xFFF040), Hex(0x7A7A5A), 1, 0, 1.4f}},
    };
    auto it = looks.find(id);
    return it == looks.end() ? TGunLook{Hex(0xFFFFFF), Hex(0x707070), 1, 0, 1.5f} : it->second;
}
} // namespace

Canvas DrawTurret(const TAssetGun& gun) {
    TGunLook look = LookOf(gun.id);
    PartPainter s(gun.turretWidth, gun.turretHeight);
    const float top = -gun.turretHeight * 0.5f;
    const V2 pivot{0, gun.turretPivotY - gun.turretHeight * 0.5f};
    float below = gun.turretHeight - gun.turretPivotY - 1.0f;
    float r = std::min(gun.turretWidth * 0.5f - 1, below);
    for (int b = 0; b < look.barrels; ++b) {
        float x = (b - (look.barrels - 1) * 0.5f) * look.spacing;
        s.Capsule({x, pivot.y}, {x, top + 1 + look.barrelR}, look.barrelR + 0.4f, false, Hex(0xB4BCC6), 3, look.barrelR);
        s.Capsule({x, top + 2 + look.barrelR}, {x, top + 3 + look.barrelR}, look.barrelR + 0.5f, false, Hex(0x50565E), 3.2f,
                  1);
        s.Light({x, top + 1.5f + look.barrelR * 0.5f}, {look.barrelR, look.barrelR}, false, look.light, 1.2f, 0.9f);
    }
    if (gun.id == "LB-4500")
        s.Box({0, top + 6}, {6, 2}, 1, false, Hex(0x4A3A30), 3.3f, 1.5f);
    s.Ellipse(pivot, {r, r}, false, look.body, 3.5f, r * 0.7f).plates = r;
    s.Ellipse(pivot, {r * 0.45f, r * 0.45f}, false, Mix(look.body, look.light, 0.5f), 4.2f, r * 0.4f).gloss = 0.8f;
    return s.Render();
}

namespace {
// A glowing bolt from (cx, y0) (head, top) to (cx, y1) (rear): white core, coloured halo.
void Bolt(Canvas& c, float cx, float y0, float y1, float core, float halo, Col col, float taper) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            V2 p{x + 0.5f, y + 0.5f};
            float t = Clamp01((p.y - y0) / std::max(1.0f, y1 - y0));
            float k = 1 - taper * t; // narrower towards the rear
            float d = SdSegment(p, {cx, y0 + core}, {cx, y1 - core * 0.5f}, 0);
            float coreA = Clamp01((core * k + 0.5f - d));
            float haloA = PowF(Clamp01(1 - d / (halo * k + 0.5f)), 1.2f);
            float fade = 1 - 0.45f * t;
            float a = std::max(coreA, haloA) * fade;
            if (a <= 0) continue;
            Col cc = Mix(col, Col{1, 1, 1}, coreA * coreA * 0.7f);
            const float* old = c.At(x, y);
            if (old[3] >= a) continue;
            c.Set(x, y, cc, a);
        }
}
} // namespace

Canvas DrawShot(const TAssetGun& gun) {
    TGunLook look = LookOf(gun.id);
    Canvas c(gun.shotWidth, gun.shotHeight);
    const float w = static_cast<float>(gun.shotWidth), h = static_cast<float>(gun.shotHeight);
    std::string_view id = gun.id;
    if (id == "BlueBall") {
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                float d = Len(V2{x + 0.5f - w / 2, y + 0.5f - h / 2});
                float a = PowF(Clamp01(1 - d / (w / 2)), 1.1f);
                float core = Clamp01(1.3f - d / 4.5f);
                c.Set(x, y, Mix(look.light, Col{0.9f, 1, 1}, core), std::min(1.0f, a * 1.5f));
            }
    } else if (id == "DLG-2500") {
        Bolt(c, w / 2 - 2.5f, 1, h, 1.0f, 2.4f, look.light, 0.5f);
        Bolt(c, w / 2 + 2.5f, 1, h, 1.0f, 2.4f, look.light, 0.5f);
    } else if (id == "LB-4500") {
        // A broad blade of molten light, widest near its head.
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                float t = (y + 0.5f) / h;
                float half = (w / 2 - 0.5f) * (t < 0.25f ? std::sqrt(t / 0.25f) : 1 - 0.7f * (t - 0.25f) / 0.75f);
                float dx = std::fabs(x + 0.5f - w / 2);
                float a = Clamp01((half - dx) / 1.5f + 0.5f);
                if (a <= 0) continue;
                float core = Clamp01(1 - dx / std::max(0.5f, half * 0.5f));
                Col col = Mix(Hex(0xFF3A08), Hex(0xFFE060), core);
                c.Set(x, y, Mix(col, Col{1, 1, 0.9f}, core * core * 0.6f), a * (1 - 0.4f * t));
            }
    } else if (id == "Destructor") {
        Bolt(c, w / 2, 1, h, 2.4f, w / 2 - 0.5f, look.light, 0.35f);
    } else if (id == "MG-500") {
        Bolt(c, w / 2, 0.5f, h, 0.9f, 1.6f, look.light, 0.6f);
    } else {
        Bolt(c, w / 2, 1, h, std::max(0.9f, w / 5), w / 2 - 0.5f, look.light, 0.5f);
    }
    return c;
}

namespace {
// Soft puff of smoke: a lumpy round cloud, white in the middle, grey at the rim.
Canvas Smoke(int size) {
    Canvas c(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            float d = std::sqrt(dx * dx + dy * dy) * 2;
            float n = TileFbm(x * 6.0f / size, y * 6.0f / size, 6, 3, 77);
            float a = Clamp01(1 - d * (0.9f + 0.5f * n)) * (0.55f + 0.45f * n);
            a = a * a * (3 - 2 * a);
            float v = 0.6f + 0.4f * Clamp01(1 - d);
            c.Set(x, y, {v, v, v}, a);
        }
    return c;
}

// A star-shaped flash: bright round core and thin rays.
Canvas Flash(int size, int rays, float ring, float rayWeight) {
    Canvas c(size, size);
    float R = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = x + 0.5f - R, dy = y + 0.5f - R;
            float d = std::sqrt(dx * dx + dy * dy) / R;
            float ang = Atan2F(dy, dx);
            float ray = PowF(std::fabs(CosF(ang * rays * 0.5f)), 12.0f) * Clamp01(1 - d);
            float core = PowF(Clamp01(1 - d * 1.8f), 1.5f);
            float fromRing = (d - ring) * 9;
            float rr = ring > 0 ? ExpF(-fromRing * fromRing) * 0.7f : 0;
            float a = Clamp01(core + ray * rayWeight + rr) * Clamp01((1 - d) * 4);
            float v = 0.7f + 0.3f * core;
            c.Set(x, y, {v, v, v}, a);
        }
    return c;
}

// A narrow streak hanging from (5, 0): brightest at the top, fading downwards.
Canvas Trail(int w, int h, float width) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float t = (y + 0.5f) / h;
            float half = width * 0.5f * (1 - 0.35f * t);
            float dx = std::fabs(x + 0.5f - 5.0f);
            float a = Clamp01(1 - dx / half);
            a = std::sqrt(a) * PowF(1 - t, 1.3f);
            float v = 0.75f + 0.25f * Clamp01(1 - dx / half * 1.5f);
            c.Set(x, y, {v, v, v}, a);
        }
    return c;
}

// Small bright spark with a short cross of glints.
Canvas Spark(int size) {
    Canvas c(size, size);
    float R = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = std::fabs(x + 0.5f - R), dy = std::fabs(y + 0.5f - R);
            float d = std::sqrt(dx * dx + dy * dy) / R;
            float cross = Clamp01(1 - std::min(dx, dy) / 1.2f) * Clamp01(1 - std::max(dx, dy) / R);
            float a = Clamp01(PowF(Clamp01(1 - d * 1.6f), 1.4f) + cross * 0.8f);
            c.Set(x, y, {1, 1, 1}, a);
        }
    return c;
}

// Shards of hull metal, lit like the ships.
Canvas Debris(int w, int h, uint32_t seed, int pieces) {
    PartPainter s(w, h);
    Rng rng(seed);
    Col tones[3] = {Hex(0x8A929C), Hex(0x6A5A4A), Hex(0xA0A8B4)};
    for (int i = 0; i < pieces; ++i) {
        V2 c{rng.Range(-w * 0.2f, w * 0.2f), rng.Range(-h * 0.2f, h * 0.2f)};
        float R = std::min(w, h) * rng.Range(0.22f, 0.36f);
        std::vector<V2> pts;
        int n = rng.Int(4, 6);
        float a0 = rng.Range(0, 2 * kPi);
        for (int k = 0; k < n; ++k) {
            float a = a0 + k * 2 * kPi / n + rng.Range(-0.3f, 0.3f);
            float rr = R * rng.Range(0.45f, 1.0f);
            pts.push_back({c.x + rr * CosF(a), c.y + rr * SinF(a) * 0.8f});
        }
        TPart& p = s.Poly(pts, false, tones[i % 3], 2 + i * 0.3f, 1.5f);
        p.gloss = 0.6f;
    }
    // A scorched edge glowing faintly.
    s.Light({w * 0.18f, -h * 0.1f}, {1.5f, 1.5f}, false, Hex(0xFF7A30), 1, 0.6f);
    return s.Render();
}

// Colour course over a particle's life: stops at age fractions 0..1 with colour and opacity.
struct TStop {
    float t;   // age fraction
    Col col;   // colour
    float a;   // opacity
};
Canvas Gradient(int w, int h, const std::vector<TStop>& stops) {
    Canvas c(w, h);
    for (int x = 0; x < w; ++x) {
        float t = x / static_cast<float>(w - 1);
        size_t k = 0;
        while (k + 2 < stops.size() && t > stops[k + 1].t) ++k;
        const TStop& s0 = stops[k];
        const TStop& s1 = stops[k + 1];
        float f = Clamp01((t - s0.t) / std::max(1e-6f, s1.t - s0.t));
        Col col = Mix(s0.col, s1.col, f);
        float a = s0.a + (s1.a - s0.a) * f;
        if (x == w - 1) a = 0;
        for (int y = 0; y < h; ++y) c.Set(x, y, col, a);
    }
    return c;
}

Canvas Rocket(int w, int h, Col body, Col nose, Col fin, bool stripes) {
    PartPainter s(w, h);
    float hh = h * 0.5f, hw = w * 0.5f;
    s.Poly({{hw * 0.3f, hh * 0.2f}, {hw - 0.3f, hh - 2.5f}, {hw - 0.3f, hh - 0.8f}, {hw * 0.3f, hh - 2.5f}}, true, fin, 1.5f, 1);
    s.Capsule({0, -hh + hw * 0.6f}, {0, hh - 3}, hw * 0.55f, false, body, 3, hw * 0.5f).gloss = 0.7f;
    s.Poly({{0, -hh + 0.5f}, {hw * 0.5f, -hh + hw * 1.4f}, {0, -hh + hw * 1.6f}}, true, nose, 3.2f, 1);
    s.Ellipse({0, -hh + hw * 1.5f}, {hw * 0.5f, hw * 0.45f}, false, nose, 3.1f, 1.5f);
    if (stripes)
        for (float y : {-0.05f, 0.2f}) s.Box({0, y * h}, {hw * 0.5f, 1}, 0.5f, false, Hex(0x202020), 0, 0).mode = TPart::Decal;
    s.Light({0, hh - 1.5f}, {hw * 0.45f, 1.5f}, false, Hex(0xFFC070), 1.2f);
    return s.Render();
}

// An arrowhead pointing up, filled and outlined.
void Arrow(Canvas& c, const std::vector<V2>& shape, Col fill, Col edge, float edgeWidth) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            V2 p{x + 0.5f, y + 0.5f};
            float d = SdPolygon(p, shape);
            float outer = Cover(d - edgeWidth * 0.5f);
            if (outer <= 0) continue;
            float inner = Cover(d + edgeWidth * 0.5f);
            float shade = 0.8f + 0.2f * Clamp01(1 - p.y / c.h);
            Col col = Mix(edge, fill * shade, inner);
            c.Over(x, y, col, outer);
        }
}
} // namespace

bool DrawSpritePicture(const TAssetPicture& pic, Canvas& out) {
    std::string_view p = pic.path;
    const int w = pic.width, h = pic.height;
    if (p == "gfx\\sprite_smoke1.png") out = Smoke(w);
    else if (p == "gfx\\funken1.png") out = Spark(w);
    else if (p == "gfx\\lexplo1.png") out = Flash(w, 4, 0, 0.8f);
    else if (p == "gfx\\lexplo2.png") out = Flash(w, 8, 0.6f, 0.3f);
    else if (p == "gfx\\RSchweif0.png") out = Trail(w, h, 7);
    else if (p == "gfx\\RSchweif1.png") out = Trail(w, h, 8.5f);
    else if (p == "gfx\\truemmer.png") out = Debris(w, h, 11, 2);
    else if (p == "gfx\\truemmer2.png") out = Debris(w, h, 23, 4);
    else if (p == "gfx\\GradientYellow.png")
        out = Gradient(w, h, {{0, {1, 1, 1}, 1}, {0.12f, Hex(0xFFF27A), 1}, {0.35f, Hex(0xFFA020), 0.9f},
                              {0.65f, Hex(0xD82A10), 0.55f}, {1, Hex(0x401008), 0}});
    else if (p == "gfx\\GradientPlasma.png")
        out = Gradient(w, h, {{0, {1, 1, 1}, 1}, {0.12f, Hex(0x80FFFF), 1}, {0.38f, Hex(0x2A7AFF), 0.85f},
                              {0.7f, Hex(0x7A2AE0), 0.5f}, {1, Hex(0x200A40), 0}});
    else if (p == "gfx\\GradientGreen.png")
        out = Gradient(w, h, {{0, {1, 1, 1}, 1}, {0.12f, Hex(0xB8FFA0), 1}, {0.38f, Hex(0x30E040), 0.85f},
                              {0.7f, Hex(0x108A50), 0.5f}, {1, Hex(0x04281A), 0}});
    else if (p == "gfx\\rocket0.png") out = Rocket(w, h, Hex(0xE8ECF0), Hex(0x40A0FF), Hex(0x5A7AA0), false);
    else if (p == "gfx\\rocket.png") out = Rocket(w, h, Hex(0xB0B4B8), Hex(0xE03A2A), Hex(0x70707A), false);
    else if (p == "gfx\\rocket2.png") out = Rocket(w, h, Hex(0xE0C040), Hex(0x3A3A3A), Hex(0x8A6A20), true);
    else if (p == "gfx\\AimPointer.png") {
        out = Canvas(w, h);
        Arrow(out, {{12, 1}, {23, 26}, {12, 19}, {1, 26}}, Hex(0xFF6A3A), Hex(0xFFD0A0), 1.5f);
    } else if (p == "gfx\\AimCrossArrow.png") {
        out = Canvas(w, h);
        Arrow(out, {{9, 2}, {16, 13}, {9, 9}, {2, 13}}, Hex(0x50E0FF), Hex(0xC0F8FF), 1.0f);
    } else if (p == "gfx\\BuddyArrow.png") {
        out = Canvas(w, h);
        Arrow(out, {{13, 1}, {22, 12}, {17, 12}, {17, 24}, {9, 24}, {9, 12}, {4, 12}}, Hex(0x2A70F0), Hex(0xA8D0FF), 1.5f);
    } else if (p == "gfx\\rocketalarmsign.png") {
        out = Canvas(w, h);
        Arrow(out, {{14, 1.5f}, {26.5f, 25}, {1.5f, 25}}, Hex(0xE82020), Hex(0xFFD040), 2.0f);
        // The exclamation mark.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                V2 q{x + 0.5f, y + 0.5f};
                float d = std::min(SdSegment(q, {14, 9}, {14, 16}, 1.6f), SdCircle(q, {14, 20.5f}, 1.7f));
                out.Over(x, y, Hex(0xFFF4D0), Cover(d));
            }
    } else if (p == "gfx\\Mouse.png") {
        out = Canvas(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                V2 q{x + 0.5f, y + 0.5f};
                V2 c{w * 0.5f, h * 0.5f};
                float ring = std::fabs(SdCircle(q, c, 10)) - 1.0f;
                float ticks = std::min(std::min(SdSegment(q, {16, 1.5f}, {16, 8}, 1), SdSegment(q, {16, 24}, {16, 30.5f}, 1)),
                                       std::min(SdSegment(q, {1.5f, 16}, {8, 16}, 1), SdSegment(q, {24, 16}, {30.5f, 16}, 1)));
                float dot = SdCircle(q, c, 1.5f);
                float d = std::min(std::min(ring, ticks), dot);
                // A dark rim keeps it readable over bright explosions.
                out.Over(x, y, Hex(0x10301A), Cover(d - 1.0f) * 0.7f);
                out.Over(x, y, Hex(0x90FFB0), Cover(d));
            }
    } else {
        return false;
    }
    return true;
}
