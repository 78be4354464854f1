// The twenty hulls: player, buddy and the enemy kinds, each a top-down view nose up.
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "AssetGen.h"
#include "PartPainter.h"

namespace {
using P = std::vector<V2>;

// Glass for canopies: dark, very glossy, domed.
TPart& Canopy(PartPainter& s, V2 c, V2 r, Col tint) {
    TPart& p = s.Ellipse(c, r, false, tint, 5, std::min(r.x, r.y) + 0.5f);
    p.gloss = 1.4f;
    return p;
}

void ModernX(PartPainter& s) {
    Col silver = Hex(0xC9D3DE), blue = Hex(0x2F6FD6), dark = Hex(0x505A68), orange = Hex(0xFF8A22);
    s.Sym({{0, -8}, {10, -6}, {29, 16}, {29, 23}, {10, 25}, {0, 25}}, blue, 1.2f, 2.5f).plates = 7;
    s.Capsule({26, 12}, {27, 24}, 1.6f, true, silver, 1.8f, 1.2f);
    s.Capsule({10, 8}, {10, 30}, 4.5f, true, dark, 2.6f, 3).plates = 6;
    s.Sym({{0, -36}, {4, -28}, {7, -12}, {9, 6}, {8, 28}, {5, 33}, {0, 33}}, silver, 3.2f, 4.5f).plates = 8;
    s.Capsule({0, -31}, {0, -24}, 1.1f, false, orange, 0, 0).mode = TPart::Decal;
    s.Capsule({23, 13}, {24, 19}, 1.3f, true, orange, 0, 0).mode = TPart::Decal;
    s.Box({0, 20}, {6, 1}, 0.5f, false, blue, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -14}, {3.6f, 8}, Hex(0x1B3A5C));
    s.Light({10, 34.5f}, {3.2f, 3.2f}, true, Hex(0x70D8FF), 2.5f);
    s.Light({4, 34}, {2, 2}, true, Hex(0x70D8FF), 2.0f, 0.7f);
}

void TigerX(PartPainter& s) {
    Col orange = Hex(0xF0901E), deep = Hex(0xC86A14), black = Hex(0x1C1612), cream = Hex(0xF4E2B8);
    s.Sym({{0, 6}, {25, -9}, {31, -8}, {30, -2}, {12, 21}, {0, 21}}, deep, 1.2f, 2.5f).plates = 7;
    for (float k : {0.0f, 1.0f, 2.0f})
        s.Poly({{15 + k * 5, -2 - k * 3}, {18 + k * 5, -4 - k * 3}, {15 + k * 5, 8 - k * 2}, {12 + k * 5, 9 - k * 2}}, true,
               black, 0, 0).mode = TPart::Decal;
    s.Capsule({10, -12}, {10, 30}, 4.6f, true, orange, 2.6f, 3).plates = 7;
    s.Sym({{0, -35}, {5, -24}, {7, -6}, {7.5f, 18}, {5, 28}, {0, 30}}, orange, 3.2f, 4.5f).plates = 9;
    for (float y : {-4.0f, 4.0f, 11.0f, 18.0f})
        s.Poly({{-7.5f, y}, {-2, y - 2}, {2, y - 2}, {7.5f, y}, {4, y + 1.2f}, {-4, y + 1.2f}}, false, black, 0, 0).mode =
            TPart::Decal;
    s.Capsule({10, -8}, {10, -2}, 1.2f, true, black, 0, 0).mode = TPart::Decal;
    s.Capsule({0, -33}, {0, -27}, 1.2f, false, cream, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -16}, {3.5f, 7}, Hex(0x173A2C));
    s.Light({10, 33.5f}, {3.2f, 3}, true, Hex(0xFFC45A), 2.5f);
}

void XFighter(PartPainter& s) {
    Col grey = Hex(0xB9BDC2), red = Hex(0xC42E2E), dark = Hex(0x4C5058);
    s.Poly({{4, -3}, {26, -20}, {29, -17}, {7, 3}}, true, grey, 1.2f, 2).plates = 6;
    s.Poly({{5, 8}, {27, 21}, {25, 25}, {3, 15}}, true, grey, 1.2f, 2).plates = 6;
    s.Poly({{18, -13}, {24, -18}, {25, -16}, {19, -11}}, true, red, 0, 0).mode = TPart::Decal;
    s.Poly({{17, 15}, {24, 19}, {23, 21}, {16, 17}}, true, red, 0, 0).mode = TPart::Decal;
    s.Capsule({27.5f, -27}, {27.5f, -15}, 1.6f, true, dark, 2, 1.4f);
    s.Capsule({26, 16}, {26, 28}, 1.6f, true, dark, 2, 1.4f);
    s.Sym({{0, -31}, {4, -22}, {6, -4}, {7, 22}, {5, 30}, {0, 31}}, grey, 3, 4).plates = 8;
    s.Capsule({0, -28}, {0, -20}, 1.2f, false, red, 0, 0).mode = TPart::Decal;
    s.Box({0, 6}, {5, 3}, 1, false, dark, 3.4f, 1.5f);
    Canopy(s, {0, -10}, {3, 6}, Hex(0x20283A));
    s.Light({3, 31.5f}, {2.2f, 2.2f}, true, Hex(0xFF7A3A), 2);
}

void Silverhawk(PartPainter& s) {
    Col chrome = Hex(0xDADFE6), teal = Hex(0x35B2A6), dark = Hex(0x626A74);
    TPart& wing = s.Sym({{0, -25}, {5, -14}, {21, 14}, {20, 19}, {6, 16}, {0, 20}}, chrome, 1.3f, 2.5f);
    wing.plates = 6;
    wing.gloss = 0.6f;
    s.Poly({{15, 8}, {20, 15}, {19, 17}, {13, 12}}, true, teal, 0, 0).mode = TPart::Decal;
    s.Sym({{0, -26}, {3, -16}, {4, 10}, {3, 22}, {0, 23}}, chrome, 3, 3).gloss = 0.7f;
    s.Box({0, 14}, {3.2f, 4}, 1, false, dark, 3.2f, 1.2f);
    Canopy(s, {0, -11}, {2.3f, 5}, Hex(0x1D4640));
    s.Light({0, 24.5f}, {2.4f, 2.2f}, false, Hex(0x60FFE0), 2);
}

void X1(PartPainter& s) {
    Col olive = Hex(0x6E7C3C), sand = Hex(0xC8B272), dark = Hex(0x3E4428);
    s.Sym({{0, -38}, {10, -30}, {14, -10}, {34, 3}, {34, 20}, {18, 26}, {14, 35}, {0, 35}}, olive, 2, 4).plates = 9;
    s.Box({24, 11}, {9, 9}, 2.5f, true, dark, 2.8f, 2.5f).plates = 6;
    s.Box({24, 11}, {4, 5}, 1, true, sand, 0, 0).mode = TPart::Decal;
    s.Sym({{0, -36}, {7, -28}, {9, -6}, {9, 30}, {0, 32}}, sand, 3.6f, 4).plates = 8;
    s.Box({0, 15}, {6, 5}, 2, false, dark, 4, 2);
    s.Box({8, 35}, {4.5f, 4}, 1.5f, true, dark, 2.5f, 2);
    Canopy(s, {0, -20}, {4, 7.5f}, Hex(0x2A2A18));
    s.Light({8, 39}, {4, 2.4f}, true, Hex(0xFF9C3A), 2);
}

void Ironfighter(PartPainter& s) {
    Col iron = Hex(0x565C66), rust = Hex(0xA4552E), dark = Hex(0x30343A);
    s.Sym({{0, -27}, {12, -18}, {23, -2}, {23, 14}, {12, 24}, {0, 26}}, iron, 2, 3.5f).plates = 7;
    s.Sym({{0, -18}, {8, -12}, {13, 0}, {13, 12}, {7, 18}, {0, 19}}, Hex(0x6A717C), 3.5f, 3).plates = 6;
    s.Poly({{16, -6}, {22, 0}, {22, 4}, {16, -2}}, true, rust, 0, 0).mode = TPart::Decal;
    s.Capsule({18, 6}, {18, 12}, 1.2f, true, rust, 0, 0).mode = TPart::Decal;
    TPart& slit = s.Box({0, -10}, {5, 2}, 1, false, Hex(0x5A1410), 4.2f, 1.5f);
    slit.gloss = 1.2f;
    s.Box({7, 25}, {3, 2}, 1, true, dark, 2, 1);
    s.Light({7, 27.5f}, {3, 1.8f}, true, Hex(0xFF5A2A), 1.8f);
}

void Turtle(PartPainter& s) {
    Col shell = Hex(0x3F7C4B), brown = Hex(0x8C6C3C), pale = Hex(0xB8C48A), dark = Hex(0x2A4A30);
    s.Poly({{34, -28}, {50, -38}, {51, -26}, {40, -14}}, true, brown, 1.5f, 2.5f);
    s.Poly({{34, 28}, {49, 40}, {42, 49}, {28, 40}}, true, brown, 1.5f, 2.5f);
    s.Ellipse({0, -45}, {12, 9}, false, brown, 2, 4);
    s.Light({4.5f, -48}, {1.5f, 1.5f}, true, Hex(0xFFE070), 1.2f);
    s.Box({14, 47}, {6, 5}, 2, true, dark, 2, 2);
    s.Ellipse({0, 2}, {44, 46}, false, shell, 4.5f, 14);
    // Shell scutes: a central row of hexes and rings.
    for (float y : {-28.0f, -8.0f, 12.0f, 32.0f}) {
        TPart& sc = s.Ellipse({0, y}, {10, 8.5f}, false, pale, 5.2f, 3);
        sc.gloss = 0.4f;
    }
    for (float y : {-18.0f, 2.0f, 22.0f}) s.Ellipse({22, y}, {9, 8}, true, Hex(0x5A9A5E), 5, 3);
    s.Light({14, 53}, {5, 2.2f}, true, Hex(0x9CFF7A), 2);
}

void GuanTarque(PartPainter& s) {
    Col purple = Hex(0x6C3C9C), gold = Hex(0xE2B244), deep = Hex(0x3E2260);
    // Crescent with its horns forward.
    P cres;
    for (int i = 0; i <= 24; ++i) {
        float a = (-210 + 240.0f * i / 24) * 3.14159265f / 180;
        cres.push_back({32 * CosF(a), 6 + 27 * SinF(a) * -1});
    }
    for (int i = 24; i >= 0; --i) {
        float a = (-200 + 220.0f * i / 24) * 3.14159265f / 180;
        cres.push_back({21 * CosF(a), 14 + 20 * SinF(a) * -1});
    }
    // Flip so the open side faces forward (up).
    for (V2& p : cres) p.y = -p.y + 8;
    s.Poly(cres, false, purple, 2, 3.5f).plates = 8;
    s.Ellipse({0, 2}, {14, 18}, false, deep, 3.4f, 5).plates = 7;
    s.Capsule({26, -16}, {29, -8}, 1.3f, true, gold, 0, 0).mode = TPart::Decal;
    s.Capsule({0, 14}, {0, 19}, 1.5f, false, gold, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -6}, {4.5f, 6}, Hex(0x3A1E10)).col = Hex(0x5A2E10);
    s.Box({0, 0}, {26, 3}, 1.5f, false, deep, 2.6f, 1.5f);
    s.Light({5, 21}, {3, 2.2f}, true, Hex(0xC080FF), 2);
}

void Shark(PartPainter& s) {
    Col steel = Hex(0x4C6C8C), belly = Hex(0xDCE4EA), dark = Hex(0x2E4256), red = Hex(0xD03A2A);
    s.Poly({{12, -6}, {42, 20}, {40, 26}, {14, 19}}, true, steel, 1.5f, 3).plates = 8;
    s.Poly({{4, 38}, {22, 51}, {18, 54}, {2, 47}}, true, dark, 1.4f, 2.5f);
    s.Sym({{0, -52}, {8, -40}, {14, -18}, {17, 8}, {13, 30}, {6, 46}, {0, 50}}, steel, 3.5f, 6).plates = 10;
    s.Ellipse({0, -8}, {6, 26}, false, belly, 0, 0).mode = TPart::Decal;
    for (float k : {0.0f, 4.0f, 8.0f}) s.Capsule({10, -24 + k}, {12.5f, -20 + k}, 0.7f, true, dark, 0, 0).mode = TPart::Decal;
    s.Capsule({9, -44}, {11, -42}, 1.2f, true, red, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -30}, {4, 8}, Hex(0x142436));
    s.Light({5, 50}, {3, 2.6f}, true, Hex(0x6AB8FF), 2);
}

void Ferrari(PartPainter& s) {
    Col red = Hex(0xD31A1A), yellow = Hex(0xFFD21E), dark = Hex(0x3A1010), white = Hex(0xF4F4F4);
    s.Box({0, 8}, {21, 7}, 3, false, Hex(0xA81414), 1.6f, 2.5f);
    s.Box({0, -28}, {14, 2.2f}, 1.5f, false, dark, 2, 1.5f);
    s.Capsule({15, -21}, {15, 25}, 6, true, red, 2.8f, 4).plates = 9;
    s.Capsule({15, -18}, {15, 20}, 1.3f, true, yellow, 0, 0).mode = TPart::Decal;
    s.Sym({{0, -32}, {6, -24}, {9, 0}, {9, 22}, {6, 30}, {0, 31}}, red, 3.4f, 4.5f).plates = 10;
    s.Box({0, -4}, {1.4f, 27}, 0.5f, false, white, 0, 0).mode = TPart::Decal;
    s.Box({3.5f, -4}, {0.8f, 27}, 0.4f, true, yellow, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -11}, {4, 7}, Hex(0x101014));
    s.Light({15, 31}, {4, 3}, true, Hex(0xFFD8A0), 2.2f);
}

void Ant(PartPainter& s) {
    Col amber = Hex(0xAA661E), dark = Hex(0x3C2612), shine = Hex(0xD49040);
    auto leg = [&](V2 a, V2 b, V2 c) {
        s.Capsule(a, b, 1.7f, true, dark, 1.5f, 1.5f);
        s.Capsule(b, c, 1.4f, true, dark, 1.4f, 1.4f);
    };
    leg({5, -8}, {17, -14}, {21, -24});
    leg({6, -3}, {20, -1}, {23, 8});
    leg({5, 2}, {16, 12}, {19, 24});
    s.Capsule({3, -26}, {9, -28.5f}, 0.9f, true, dark, 1.2f, 1);
    s.Capsule({2, -25}, {4, -28}, 1.3f, true, Hex(0x8A4A18), 1.6f, 1);
    s.Ellipse({0, 17}, {11, 13}, false, amber, 3.5f, 7).plates = 6;
    s.Ellipse({0, -4}, {7, 8}, false, shine, 3.2f, 5);
    s.Ellipse({0, -19}, {8, 7.5f}, false, amber, 3.4f, 5);
    for (float y : {12.0f, 18.0f, 24.0f}) s.Box({0, y}, {9, 0.9f}, 0.4f, false, dark, 0, 0).mode = TPart::Decal;
    s.Light({4, -22}, {1.6f, 1.6f}, true, Hex(0xFF3020), 1.4f);
    s.Light({0, 30}, {3, 1.6f}, false, Hex(0xFFB050), 1.6f);
}

void Piranha(PartPainter& s) {
    Col teal = Hex(0x2A8C8A), red = Hex(0xC63C2A), white = Hex(0xF0F0E8), dark = Hex(0x184848);
    s.Poly({{18, -4}, {35, -14}, {34, 4}, {20, 12}}, true, teal, 1.5f, 2.5f).plates = 6;
    s.Poly({{5, 24}, {16, 35}, {5, 34}, {0, 30}}, true, dark, 1.5f, 2);
    s.Ellipse({0, 2}, {22, 26}, false, teal, 3.4f, 8).plates = 9;
    s.Sym({{0, -35}, {12, -31}, {22, -20}, {20, -12}, {8, -16}, {0, -15}}, red, 3, 3);
    for (float x : {4.0f, 10.0f, 16.0f})
        s.Poly({{x - 2, x > 12 ? -18.0f : -16.0f}, {x + 2, x > 12 ? -18.0f : -16.0f}, {x, -20}}, true, white, 0, 0).mode = TPart::Decal;
    s.Ellipse({0, 8}, {10, 14}, false, Hex(0x54B4A8), 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -6}, {5, 6}, Hex(0x102A30));
    s.Light({7, 30}, {3, 2.4f}, true, Hex(0x80FFF0), 2);
}

void Moskito(PartPainter& s) {
    Col yellow = Hex(0xE8C422), black = Hex(0x22201C), wing = Hex(0x9AA4AE);
    TPart& w = s.Poly({{3, -2}, {28, 0}, {29, 8}, {4, 9}}, true, wing, 1.2f, 2);
    w.plates = 5;
    w.gloss = 0.6f;
    s.Capsule({27, 1}, {27, 8}, 1.2f, true, yellow, 0, 0).mode = TPart::Decal;
    s.Capsule({0, -23}, {0, -14}, 1.2f, false, black, 1.4f, 1);
    s.Capsule({0, -16}, {0, 20}, 4.5f, false, yellow, 3, 4);
    for (float y : {6.0f, 11.0f, 16.0f}) s.Box({0, y}, {5, 1.2f}, 0.5f, false, black, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -9}, {3, 5}, Hex(0x301A0A));
    s.Light({20, 4}, {1.5f, 1.5f}, true, Hex(0xFF4020), 1.2f, 0.6f);
    s.Light({0, 22}, {2.2f, 2}, false, Hex(0xFFE060), 1.6f);
}

void Sunshine(PartPainter& s) {
    Col gold = Hex(0xE8A428), orange = Hex(0xFF6A14), sun = Hex(0xFFE070), white = Hex(0xFFF6DC);
    s.Poly({{10, -10}, {44, -6}, {44, 4}, {12, 14}}, true, gold, 1.6f, 3).plates = 8;
    s.Poly({{30, -6}, {44, -5}, {44, -1}, {30, -2}}, true, orange, 0, 0).mode = TPart::Decal;
    s.Capsule({0, 8}, {0, 33}, 5, false, Hex(0xC8821E), 2.5f, 3).plates = 6;
    for (int i = 0; i < 12; ++i) {
        float a = i * 3.14159265f / 6;
        V2 d{SinF(a), -CosF(a)};
        V2 q{-d.y, d.x};
        s.Poly({d * 17 + q * 4, d * 24, d * 17 - q * 4}, false, orange, 2.2f, 1.5f);
    }
    s.Ellipse({0, 0}, {18, 18}, false, sun, 4, 9).gloss = 0.5f;
    s.Ellipse({0, 0}, {12, 12}, false, white, 0, 0).mode = TPart::Decal;
    Canopy(s, {0, -3}, {6, 6}, Hex(0x5A2A06)).col = Hex(0x6A3008);
    s.Light({0, 36}, {4, 2.4f}, false, Hex(0xFFB040), 2);
    s.Light({43, -1}, {1.6f, 1.6f}, true, Hex(0xFFFFFF), 1.4f);
}

void Mothership(PartPainter& s) {
    Col metal = Hex(0x4C5462), panel = Hex(0x6A7488), dark = Hex(0x2C3038), red = Hex(0xFF3A30), blue = Hex(0x5AA8FF);
    s.Sym({{0, -140}, {40, -130}, {90, -100}, {140, -60}, {175, -32}, {236, -34}, {244, -22}, {244, 30}, {232, 42},
           {172, 38}, {142, 70}, {122, 102}, {62, 120}, {0, 124}},
          metal, 3, 10)
        .plates = 30;
    s.Box({220, 0}, {22, 42}, 6, true, panel, 5, 6).plates = 16;
    s.Box({210, 0}, {3, 34}, 1, true, dark, 0, 0).mode = TPart::Decal;
    s.Box({110, 70}, {28, 26}, 6, true, panel, 4.5f, 5).plates = 16;
    s.Box({0, -10}, {34, 124}, 10, false, panel, 6, 8).plates = 22;
    // Hangar bays with lit mouths along the flanks.
    for (float x : {70.0f, 120.0f, 165.0f}) {
        s.Box({x, -20 + (x - 70) * 0.25f}, {14, 22}, 3, true, dark, 2, 1.5f);
        s.Light({x, -40 + (x - 70) * 0.25f}, {10, 1.5f}, true, Hex(0xFFB040), 1.6f, 0.8f);
    }
    s.Ellipse({0, -70}, {24, 30}, false, Hex(0x7C869A), 7.5f, 10).plates = 9;
    Canopy(s, {0, -84}, {10, 8}, Hex(0x142A44));
    s.Box({0, -4}, {6, 70}, 2, false, Hex(0x8A2A2A), 0, 0).mode = TPart::Decal;
    for (float x : {30.0f, 82.0f}) {
        s.Box({x, 118}, {14, 8}, 3, true, dark, 3, 2.5f);
        s.Light({x, 128}, {12, 6}, true, blue, 4);
    }
    s.Box({0, 116}, {16, 8}, 3, false, dark, 3.5f, 2.5f);
    s.Light({0, 127}, {13, 6}, false, blue, 4);
    for (float y : {-100.0f, -60.0f, -20.0f, 20.0f, 60.0f}) s.Light({28, y}, {1.8f, 1.8f}, true, red, 1.5f);
    for (float x : {100.0f, 150.0f, 200.0f, 238.0f}) s.Light({x, -30 + (x > 170 ? -4 : (170 - x) * 0.3f)}, {2, 2}, true, red, 1.5f);
}

void Darkstar(PartPainter& s) {
    Col black = Hex(0x2A2036), violet = Hex(0x4A3468), magenta = Hex(0xE444FF);
    s.Sym({{0, -37}, {6, -14}, {12, -4}, {38, 24}, {38, 32}, {10, 24}, {0, 27}}, black, 2.5f, 4).plates = 8;
    s.Sym({{0, -30}, {4, -12}, {8, -2}, {30, 24}, {8, 18}, {0, 20}}, violet, 3, 3).plates = 6;
    s.Capsule({3, -30}, {3, -12}, 0.8f, true, magenta, 0, 0).mode = TPart::Decal;
    s.Capsule({12, 4}, {32, 25}, 0.8f, true, magenta, 0, 0).mode = TPart::Decal;
    s.Ellipse({0, 4}, {11, 11}, false, Hex(0x1A1024), 4, 6).gloss = 1.2f;
    s.Light({0, 4}, {5, 5}, false, magenta, 5);
    s.Light({36, 28}, {2, 2}, true, magenta, 2);
    s.Light({0, 29}, {5, 3}, false, magenta, 2.5f);
}

void Avocada(PartPainter& s) {
    Col skin = Hex(0x30602A), flesh = Hex(0xBCD474), pit = Hex(0x7C4C24), dark = Hex(0x1C3A18);
    for (float x : {24.0f, 56.0f}) s.Box({x, x > 40 ? 58.0f : 62.0f}, {8, 8}, 2.5f, true, dark, 2.5f, 2.5f);
    s.Ellipse({0, -28}, {52, 42}, false, skin, 3, 10).plates = 20;
    s.Ellipse({0, 8}, {88, 60}, false, skin, 3, 12).plates = 20;
    s.Ellipse({70, 30}, {13, 13}, true, Hex(0x3E7634), 3.8f, 5);
    TPart& fl = s.Ellipse({0, 2}, {66, 44}, false, flesh, 2.6f, 8);
    fl.gloss = 0.1f;
    s.Ellipse({0, -22}, {36, 28}, false, flesh, 2.6f, 8).gloss = 0.1f;
    s.Ellipse({0, 2}, {60, 39}, false, Hex(0xD8E49A), 0, 0).mode = TPart::Decal;
    TPart& p = s.Ellipse({0, 4}, {22, 26}, false, pit, 6.5f, 20);
    p.gloss = 0.9f;
    s.Box({0, 30}, {9, 7}, 3, false, Hex(0x52321A), 4, 3);
    s.Light({24, 71}, {6, 3}, true, Hex(0xC6FF6A), 2.5f);
    s.Light({56, 67}, {6, 3}, true, Hex(0xC6FF6A), 2.5f);
    s.Light({86, 8}, {2, 2}, true, Hex(0xFFFFA0), 1.5f);
}

void Kail(PartPainter& s) {
    Col steel = Hex(0x3C5C88), gold = Hex(0xDAB24A), light = Hex(0xA8B8CC), dark = Hex(0x22324A);
    s.Sym({{0, -168}, {8, -160}, {14, -140}, {26, -118}, {30, -90}, {34, -40}, {56, -10}, {60, 30}, {48, 60}, {40, 110},
           {30, 150}, {18, 160}, {0, 162}},
          steel, 2.5f, 7)
        .plates = 20;
    s.Box({46, 30}, {14, 40}, 5, true, Hex(0x4C6C98), 4, 5).plates = 9;
    s.Box({52, 30}, {1.5f, 32}, 0.5f, true, gold, 0, 0).mode = TPart::Decal;
    s.Box({0, -20}, {12, 140}, 4, false, light, 5, 5).plates = 18;
    s.Box({0, -20}, {2, 130}, 1, false, gold, 0, 0).mode = TPart::Decal;
    s.Poly({{26, -116}, {30, -90}, {28, -88}, {22, -112}}, true, gold, 0, 0).mode = TPart::Decal;
    s.Ellipse({0, 70}, {17, 24}, false, Hex(0x5A7AA8), 7, 9).plates = 8;
    Canopy(s, {0, 60}, {8, 9}, Hex(0x10223A));
    for (float x : {0.0f, 22.0f}) {
        s.Box({x, 156 - x * 0.3f}, {8, 6}, 2, x > 0, dark, 3, 2);
        s.Light({x, 165 - x * 0.3f}, {7, 4}, x > 0, Hex(0x8AC8FF), 3);
    }
    for (float y : {-60.0f, -20.0f, 20.0f, 100.0f}) s.Light({30, y}, {1.6f, 1.6f}, true, Hex(0xFFE070), 1.4f);
}

void Courgon(PartPainter& s) {
    Col green = Hex(0x2E4C20), stripe = Hex(0x6E8C3C), stalk = Hex(0x8A6A34), dark = Hex(0x1A2C12);
    s.Ellipse({38, -38}, {10, 24}, true, Hex(0x3C5E2A), 2.2f, 4).plates = 8;
    s.Sym({{0, -98}, {10, -94}, {20, -80}, {34, -56}, {38, -20}, {36, 40}, {30, 70}, {22, 88}, {12, 96}, {0, 98}}, green, 3,
          9)
        .plates = 18;
    for (float x : {0.0f, 11.0f, 23.0f})
        s.Capsule({x, -78 + x}, {x, 80 - x}, x > 20 ? 1.5f : 2.0f, x > 0, stripe, 0, 0).mode = TPart::Decal;
    s.Box({0, -96}, {7, 4}, 2, false, stalk, 3.6f, 2.5f);
    s.Capsule({38, -58}, {38, -20}, 1, true, stripe, 0, 0).mode = TPart::Decal;
    s.Ellipse({0, -10}, {12, 18}, false, Hex(0x44682C), 4.5f, 6).plates = 7;
    Canopy(s, {0, -14}, {6, 9}, Hex(0x24200C));
    s.Box({10, 94}, {5, 3}, 1.5f, true, dark, 2, 1.5f);
    s.Light({10, 98.5f}, {4.5f, 2.4f}, true, Hex(0xE0FF6A), 2);
}

const std::map<std::string_view, std::function<void(PartPainter&)>>& Designs() {
    static const std::map<std::string_view, std::function<void(PartPainter&)>> designs = {
        {"gfx\\modernx.png", ModernX},     {"gfx\\TigerX.png", TigerX},        {"gfx\\xfighter.png", XFighter},
        {"gfx\\Silverhawk.png", Silverhawk}, {"gfx\\X1.png", X1},              {"gfx\\Ironfighter.png", Ironfighter},
        {"gfx\\Turtle.png", Turtle},       {"gfx\\GuanTarque.PNG", GuanTarque}, {"gfx\\Shark.png", Shark},
        {"gfx\\FerrariDeluxe.png", Ferrari}, {"gfx\\Ant.png", Ant},            {"gfx\\Piranha.png", Piranha},
        {"gfx\\Moskito.PNG", Moskito},     {"gfx\\Sunshine.PNG", Sunshine},    {"gfx\\Mothership.PNG", Mothership},
        {"gfx\\Darkstar.png", Darkstar},   {"gfx\\Avocada.PNG", Avocada},      {"gfx\\Kail.PNG", Kail},
        {"gfx\\Courgon.PNG", Courgon},
    };
    return designs;
}
} // namespace

bool DrawShip(const TShipKind& ship, Canvas& out) { return DrawShipScaled(ship, 1.0f, out); }

bool DrawShipScaled(const TShipKind& ship, float scale, Canvas& out) {
    PartPainter s(ship.width, ship.height);
    auto it = Designs().find(ship.image);
    if (it == Designs().end()) return false;
    it->second(s);
    bool ok = true;
    // A socket plate under every mount; the hull must already be there.
    for (int m = 0; m < ship.MountCount(); ++m) {
        V2 p{-ship.mounts[m].offsetX, ship.mounts[m].offsetY};
        if (s.SolidCoverage(p) < 0.99f) {
            std::fprintf(stderr, "%s: mount %d (%g, %g) is off the hull\n", std::string(ship.image).c_str(), m,
                         ship.mounts[m].offsetX, ship.mounts[m].offsetY);
            ok = false;
        }
    }
    for (int m = 0; m < ship.MountCount(); ++m) {
        V2 p{-ship.mounts[m].offsetX, ship.mounts[m].offsetY};
        float r = ship.mass >= 300 ? 7.0f : 4.5f;
        TPart& ring = s.Ellipse(p, {r, r}, false, Hex(0x3A3E46), 0, 0);
        ring.mode = TPart::Decal;
        ring.alpha = 0.85f;
        s.Ellipse(p, {r - 1.5f, r - 1.5f}, false, Hex(0x70767E), 0, 0).mode = TPart::Decal;
    }
    if (scale != 1.0f) s.Scale(scale);
    out = s.Render();
    return ok;
}
