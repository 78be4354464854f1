// The desktop icons: the player's ship, lit like in the game, over a rounded tile of deep
// space with a few stars, drawn afresh at every size of the icon theme.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "AssetGen.h"

namespace {

// The sizes desktops look for in the hicolor theme.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};
// Share of the icon the tile leaves as a margin, and the rounding of its corners.
constexpr float kTileMargin = 0.04f;
constexpr float kTileRounding = 0.18f;
// Share of the tile's height the ship fills.
constexpr float kShipHeight = 0.80f;
// Stars on the tile: how many per tile, and the seed of their places.
constexpr int kStarCount = 26;
constexpr uint32_t kStarSeed = 0x7A5B1C;

bool MakeDir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

// The tile: deep blue at the top to near black, a pale rim, and stars (the small sizes get
// fewer, so the ship stays clear).
Canvas Tile(int size) {
    Canvas c(size, size);
    const float n = float(size);
    const V2 centre{n * 0.5f, n * 0.5f};
    const float half = n * (0.5f - kTileMargin);
    const float rounding = n * kTileRounding;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            V2 p{x + 0.5f, y + 0.5f};
            float d = SdBox(p, centre, {half, half}, rounding);
            float a = Cover(d);
            if (a <= 0) continue;
            Col space = Mix(Hex(0x1A2C5A), Hex(0x05070E), Clamp01(p.y / n));
            // A faint glow where the engines are.
            float glow = Clamp01(1 - Len(p - V2{n * 0.5f, n * 0.78f}) / (n * 0.45f));
            space = space + Hex(0x1E5C8C) * (glow * glow * 0.5f);
            float rim = Clamp01(1 - std::fabs(d + std::max(1.0f, n / 64)) / std::max(1.0f, n / 64));
            c.Over(x, y, Mix(space, Hex(0x8FB4E8), rim * 0.6f), a);
        }
    if (size < 32) return c;
    Rng rng(kStarSeed);
    for (int k = 0; k < kStarCount; ++k) {
        V2 p{rng.Range(0.1f, 0.9f) * n, rng.Range(0.1f, 0.9f) * n};
        float r = rng.Range(0.4f, 1.2f) * n / 128;
        float brightness = rng.Range(0.4f, 1.0f);
        int x0 = int(p.x - r - 2), x1 = int(p.x + r + 2), y0 = int(p.y - r - 2), y1 = int(p.y + r + 2);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                if (!c.Inside(x, y) || c.Alpha(x, y) < 1) continue;
                float a = Cover(SdCircle({x + 0.5f, y + 0.5f}, p, std::max(r, 0.5f))) * brightness;
                c.Over(x, y, Hex(0xDDE8FF), a);
            }
    }
    return c;
}

}  // namespace

int GenerateIcons(const std::string& iconDir) {
    const TShipKind* ship = nullptr;
    for (const TShipKind& kind : kShipKinds)
        if (kind.role == TShipRole::Player) ship = &kind;
    if (!ship) return 1;
    int failures = 0;
    if (!MakeDir(iconDir)) return 1;
    for (int size : kIconSizes) {
        Canvas icon = Tile(size);
        Canvas craft;
        float scale = size * (1 - 2 * kTileMargin) * kShipHeight / float(ship->height);
        DrawShipScaled(*ship, scale, craft);
        icon.Blit(craft, (size - craft.w) / 2, (size - craft.h) / 2);
        std::string folder = iconDir + "/" + std::to_string(size) + "x" + std::to_string(size);
        std::string file = folder + "/apps/tavrik.png";
        if (!MakeDir(folder) || !MakeDir(folder + "/apps") || !icon.SavePNG(file, true)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            ++failures;
        }
    }
    return failures;
}
