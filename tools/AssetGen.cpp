// Generates every picture, sound and track of the game into its folders, plus a review sheet.
#include "AssetGen.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <set>

namespace {
bool MakeDir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

// One picture on the review sheet with its label and, for ships, its mounts.
struct TSheetItem {
    std::string label;               // file name shown under it
    Canvas pic;                      // the picture as written
    bool opaque = false;             // RGB picture (black = transparent)
    std::vector<V2> mounts;          // image points to mark
};

Canvas Sheet(const std::vector<TSheetItem>& items) {
    const int width = 2200, pad = 10;
    // Shelf layout: left to right, a new row when full.
    struct Place { int x, y; };
    std::vector<Place> places;
    int x = pad, y = pad, rowH = 0;
    for (const TSheetItem& it : items) {
        int cw = std::max(it.pic.w, LabelWidth(it.label)), ch = it.pic.h + 12;
        if (x + cw > width - pad) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        places.push_back({x, y});
        x += cw + pad * 2;
        rowH = std::max(rowH, ch);
    }
    int height = y + rowH + pad;
    Canvas c(width, height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            bool grid = i % 16 == 0 || j % 16 == 0;
            c.Set(i, j, grid ? Hex(0x262C36) : Hex(0x181C24), 1);
        }
    for (size_t k = 0; k < items.size(); ++k) {
        const TSheetItem& it = items[k];
        const Place& pl = places[k];
        if (it.opaque) {
            for (int j = 0; j < it.pic.h; ++j)
                for (int i = 0; i < it.pic.w; ++i) {
                    const float* s = it.pic.At(i, j);
                    c.Set(pl.x + i, pl.y + j, {s[0], s[1], s[2]}, 1);
                }
        } else {
            c.Blit(it.pic, pl.x, pl.y);
        }
        for (V2 m : it.mounts) {
            int mx = pl.x + static_cast<int>(std::floor(m.x)), my = pl.y + static_cast<int>(std::floor(m.y));
            for (int d = -3; d <= 3; ++d) {
                c.Set(mx + d, my, Hex(0xFF2A2A), 1);
                c.Set(mx, my + d, Hex(0xFF2A2A), 1);
            }
        }
        DrawLabel(c, it.label, pl.x, pl.y + it.pic.h + 3, Hex(0xC8D0DC));
    }
    return c;
}

std::string FileName(std::string_view path) {
    size_t k = path.rfind('\\');
    return std::string(k == std::string_view::npos ? path : path.substr(k + 1));
}
} // namespace

int GenerateAll(const std::string& gameDir, const std::string& sheetPath, bool sounds) {
    int failures = 0;
    for (const char* sub : {"", "/gfx", "/sfx", "/music"})
        if (!MakeDir(gameDir + sub)) {
            std::fprintf(stderr, "cannot create %s%s\n", gameDir.c_str(), sub);
            return 1;
        }
    auto out = [&](std::string_view path) { return gameDir + "/" + AssetNativePath(path); };
    auto save = [&](const Canvas& c, std::string_view path, bool alpha) {
        if (!c.SavePNG(out(path), alpha)) {
            std::fprintf(stderr, "cannot write %s\n", out(path).c_str());
            ++failures;
        }
    };
    std::vector<TSheetItem> sheet;
    for (const TShipKind& ship : kShipKinds) {
        if (ship.drawnBy != 0) continue; // its picture is another entry's, drawn there
        TSheetItem it;
        if (!DrawShip(ship, it.pic)) ++failures;
        save(it.pic, ship.image, true);
        it.label = FileName(ship.image);
        for (int m = 0; m < ship.MountCount(); ++m)
            it.mounts.push_back({ship.width * 0.5f - ship.mounts[m].offsetX, ship.height * 0.5f + ship.mounts[m].offsetY});
        sheet.push_back(std::move(it));
    }
    std::set<std::string_view> done;
    for (const TAssetGun& gun : kAssetGuns) {
        if (done.insert(gun.turretPath).second) {
            Canvas t = DrawTurret(gun);
            save(t, gun.turretPath, true);
            sheet.push_back({FileName(gun.turretPath), t, false, {{gun.turretWidth * 0.5f, float(gun.turretPivotY)}}});
        }
        if (done.insert(gun.shotPath).second) {
            Canvas s = DrawShot(gun);
            save(s, gun.shotPath, true);
            sheet.push_back({FileName(gun.shotPath), s, false, {}});
        }
    }
    for (const TAssetPicture& pic : kAssetPictures) {
        TSheetItem it;
        if (!DrawPicture(pic, it.pic) || it.pic.w != pic.width || it.pic.h != pic.height) {
            std::fprintf(stderr, "no picture for %s\n", std::string(pic.path).c_str());
            ++failures;
            continue;
        }
        save(it.pic, pic.path, pic.alpha);
        it.label = FileName(pic.path);
        it.opaque = !pic.alpha;
        sheet.push_back(std::move(it));
    }
    for (const TAssetSound& snd : kAssetSounds)
        if (sounds && !WriteSound(snd, out(snd.path))) {
            std::fprintf(stderr, "cannot write %s\n", out(snd.path).c_str());
            ++failures;
        }
    if (sounds && !WriteMusic(out(kAssetMusicPath))) {
        std::fprintf(stderr, "cannot write %s\n", out(kAssetMusicPath).c_str());
        ++failures;
    }
    if (!sheetPath.empty() && !Sheet(sheet).SavePNG(sheetPath, false, 3)) {
        std::fprintf(stderr, "cannot write %s\n", sheetPath.c_str());
        ++failures;
    }
    return failures;
}
