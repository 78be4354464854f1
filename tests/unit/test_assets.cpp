// The generated pictures, sounds and music: every file the game loads is there, in the
// form the game needs, and generating again gives the same bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../../tools/AssetTables.h"
#include "platform/Audio.h"
#include "platform/Images.h"
#include "platform/TAudioByteStream.h"
#include "platform/TAudioSample.h"
#include "platform/TPixmap.h"
#include "platform/TSound.h"

namespace {
std::string GameDir() {
#ifdef TAVRIK_ASSET_GAME_DIR
    return TAVRIK_ASSET_GAME_DIR;
#else
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string exe(buf, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/')) + "/../game";
#endif
}

// The game's own spelling, backslashes and all: the file layer turns them into slashes.
std::string PathOf(std::string_view gamePath) { return GameDir() + "/" + std::string(gamePath); }

std::string ReadFile(const std::string& path) {
    std::ifstream f(AssetNativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A picture as the game decodes it: RGBA bytes and whether the file had its own alpha.
struct Picture {
    int w = 0, h = 0;
    bool hasAlpha = false;
    std::shared_ptr<TPixmap> rgba; // format 6
    const uint8_t* At(int x, int y) const { return rgba->Row(y) + static_cast<size_t>(x) * 4; }
    int Alpha(int x, int y) const { return At(x, y)[3]; }
};

// Loads through the game's own loaders, with the game's backslash path.
bool LoadPng(const std::string& file, Picture& pic) {
    std::shared_ptr<TPixmap> px = LoadPixmapFile(file);
    if (!px) return false;
    // The game loads the same file as an image of the same size.
    std::shared_ptr<TImage> image = LoadImageFile(file, -1);
    if (!image || ImageWidthOf(image) != px->width || ImageHeightOf(image) != px->height) return false;
    pic.w = px->width;
    pic.h = px->height;
    pic.hasAlpha = TPixmap::HasAlpha(px->format) != 0;
    pic.rgba = px->format == 6 ? px : px->Converted(6);
    return pic.rgba != nullptr;
}

// A sound as the game loads it.
struct Wav {
    int rate = 0, channels = 0, bits = 0;
    std::vector<float> samples; // interleaved, -1..1
    double Ms() const { return channels && rate ? 1000.0 * samples.size() / channels / rate : 0; }
};

bool LoadWav(const std::string& file, Wav& wav) {
    std::shared_ptr<TSound> sound = LoadSoundFile(file, 0);
    if (!sound) return false;
    // A long track is kept as its file: decoded whole here.
    if (sound->sample->data.empty()) {
        TAudioByteStream bytes(sound->sample->ogg);
        sound = std::make_shared<TSound>(LoadOggSample(bytes, kMaxSoundBytes), 0);
    }
    const TAudioSample& s = *sound->sample;
    wav.rate = s.rate;
    wav.channels = s.Channels();
    wav.bits = s.Bits();
    if (wav.bits == 8) {
        for (uint8_t v : s.data) wav.samples.push_back((v - 128) / 128.0f);
    } else {
        for (size_t i = 0; i + 1 < s.data.size(); i += 2)
            wav.samples.push_back(static_cast<int16_t>(s.data[i] | s.data[i + 1] << 8) / 32768.0f);
    }
    return true;
}

// Every file the game loads, spelled as the game spells it.
const std::vector<std::string> kGamePaths = {
    "gfx\\Logo.png", "gfx\\BG.png", "gfx\\bg1alter.png", "gfx\\bg1alter2.png", "gfx\\Mouse.png", "gfx\\rocket0.png",
    "gfx\\rocket.png", "gfx\\rocket2.png", "gfx\\rocketalarmsign.png", "gfx\\AimPointer.png", "gfx\\AimCrossArrow.png",
    "gfx\\BuddyArrow.png", "gfx\\OptionBG.png", "sfx\\geraet_agressive.wav", "sfx\\getpoint.wav", "sfx\\nextstage.wav",
    "sfx\\rocketfire.wav", "gfx\\GradientYellow.png", "gfx\\GradientPlasma.png", "gfx\\GradientGreen.png",
    "gfx\\RSchweif0.png", "gfx\\RSchweif1.png", "gfx\\lexplo1.png", "gfx\\lexplo2.png", "gfx\\sprite_smoke1.png",
    "gfx\\funken1.png", "gfx\\truemmer.png", "gfx\\truemmer2.png", "sfx\\Explosio-Brak-1074.wav", "sfx\\aexplo6.wav",
    "gfx\\LaserDoublegreen.png", "gfx\\LaserturretDoublegreen.PNG", "gfx\\LaserOrange.png",
    "gfx\\LaserturretOrange.png", "gfx\\Lavablade.png", "gfx\\Lavabladeturretn.png", "gfx\\LaserRed.png",
    "gfx\\LaserturretRed.PNG", "gfx\\LaserBlue2.png", "gfx\\LaserturretBlue2.PNG", "gfx\\LaserBlue.png",
    "gfx\\LaserturretBlue.PNG", "gfx\\LaserBlueBall.png", "gfx\\LaserDestructor.PNG", "gfx\\LaserturretDestructor.PNG",
    "gfx\\LaserMG.png", "gfx\\LaserturretMG.PNG", "gfx\\LaserYellow.png", "gfx\\LaserturretYellow.PNG",
    "sfx\\alternatelaser_1c.wav", "sfx\\alternatelaser_1b.wav", "sfx\\alternatelaser_3.wav", "sfx\\alternatelaser_1.wav",
    "sfx\\alternatelaser_1a.wav", "sfx\\Laser_1.wav", "sfx\\Laser_6.wav", "gfx\\modernx.png", "gfx\\TigerX.png",
    "gfx\\xfighter.png", "gfx\\Silverhawk.png", "gfx\\X1.png", "gfx\\Ironfighter.png", "gfx\\Turtle.png",
    "gfx\\GuanTarque.PNG", "gfx\\Shark.png", "gfx\\FerrariDeluxe.png", "gfx\\Ant.png", "gfx\\Piranha.png",
    "gfx\\Moskito.PNG", "gfx\\Sunshine.PNG", "gfx\\Mothership.PNG", "gfx\\Darkstar.png", "gfx\\Avocada.PNG",
    "gfx\\Kail.PNG", "gfx\\Courgon.PNG",
};

// Every picture path with its expected size, from the tables.
std::vector<std::pair<std::string, std::pair<int, int>>> TablePictures() {
    std::vector<std::pair<std::string, std::pair<int, int>>> out;
    for (const TShipKind& s : kShipKinds) out.push_back({std::string(s.image), {s.width, s.height}});
    for (const TAssetGun& g : kAssetGuns) {
        out.push_back({std::string(g.turretPath), {g.turretWidth, g.turretHeight}});
        out.push_back({std::string(g.shotPath), {g.shotWidth, g.shotHeight}});
    }
    for (const TAssetPicture& p : kAssetPictures) out.push_back({std::string(p.path), {p.width, p.height}});
    return out;
}
} // namespace

TEST(Assets, EveryPathTheGameLoadsExistsWithItsExactName) {
    for (const std::string& p : kGamePaths) {
        std::string file = PathOf(p);
        EXPECT_FALSE(ReadFile(file).empty()) << file;
        if (p.compare(0, 4, "gfx\\") == 0) {
            Picture pic;
            EXPECT_TRUE(LoadPng(file, pic)) << file;
        }
    }
    // The tables cover the same set: nothing the game loads is left out of generation.
    std::set<std::string> tabled;
    for (auto& [path, size] : TablePictures()) tabled.insert(path);
    for (const TAssetSound& s : kAssetSounds) tabled.insert(std::string(s.path));
    for (const std::string& p : kGamePaths) EXPECT_TRUE(tabled.count(p)) << p;
}

TEST(Assets, PicturesHaveTheirTableSizesAndRealAlpha) {
    for (auto& [path, size] : TablePictures()) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(path), pic)) << path;
        EXPECT_EQ(pic.w, size.first) << path;
        EXPECT_EQ(pic.h, size.second) << path;
    }
    for (const TAssetPicture& p : kAssetPictures) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(p.path), pic));
        EXPECT_EQ(pic.hasAlpha, p.alpha) << p.path;
        if (!p.alpha) continue;
        // A transparent border and something opaque inside, except for the colour courses.
        bool anyOpaque = false;
        for (int y = 0; y < pic.h; ++y)
            for (int x = 0; x < pic.w; ++x) anyOpaque = anyOpaque || pic.Alpha(x, y) > 128;
        EXPECT_TRUE(anyOpaque) << p.path;
    }
}

TEST(Assets, EveryGunMountLiesOnItsHull) {
    for (const TShipKind& s : kShipKinds) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(s.image), pic)) << s.image;
        ASSERT_TRUE(pic.hasAlpha) << s.image;
        for (int m = 0; m < s.MountCount(); ++m) {
            float ix = pic.w * 0.5f - s.mounts[m].offsetX, iy = pic.h * 0.5f + s.mounts[m].offsetY;
            // The anchor may round either way: the pixels around the point are all hull.
            for (int dy = -1; dy <= 0; ++dy)
                for (int dx = -1; dx <= 0; ++dx) {
                    int x = static_cast<int>(std::floor(ix + dx * 0.5f)), y = static_cast<int>(std::floor(iy + dy * 0.5f));
                    ASSERT_TRUE(x >= 0 && y >= 0 && x < pic.w && y < pic.h) << s.image << " mount " << m;
                    EXPECT_GE(pic.Alpha(x, y), 250) << s.image << " mount " << m << " at " << x << "," << y;
                }
        }
        // The picture has a transparent margin, so nothing is cut at its edge.
        for (int x = 0; x < pic.w; ++x) EXPECT_LT(pic.Alpha(x, 0), 128) << s.image;
    }
}

TEST(Assets, ShipSizesFollowTheirWeight) {
    auto find = [](std::string_view name) -> const TShipKind& {
        for (const TShipKind& s : kShipKinds)
            if (s.name == name) return s;
        return kShipKinds[0];
    };
    auto hullSpan = [](const TShipKind& s, bool across) {
        Picture pic;
        EXPECT_TRUE(LoadPng(PathOf(s.image), pic));
        int lo = 1 << 20, hi = -1;
        for (int y = 0; y < pic.h; ++y)
            for (int x = 0; x < pic.w; ++x)
                if (pic.Alpha(x, y) > 200) {
                    int v = across ? x : y;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
        return std::pair<float, float>{lo - (across ? pic.w : pic.h) * 0.5f, hi + 1 - (across ? pic.w : pic.h) * 0.5f};
    };
    auto mother = hullSpan(find("Mothership"), true);
    EXPECT_LE(mother.first, -230);
    EXPECT_GE(mother.second, 230);
    EXPECT_LE(hullSpan(find("Kail"), false).first, -160);
    auto avocada = hullSpan(find("Avocada"), true);
    EXPECT_LE(avocada.first, -80);
    EXPECT_GE(avocada.second, 80);
    auto courgon = hullSpan(find("Courgon"), false);
    EXPECT_LE(courgon.first, -88);
    EXPECT_GE(courgon.second, 88);
    // Every heavier ship is at least as large as every ship of under half its mass.
    for (const TShipKind& a : kShipKinds)
        for (const TShipKind& b : kShipKinds)
            if (a.mass >= 2 * b.mass) {
                EXPECT_GT(a.width * a.height, b.width * b.height) << a.image << " vs " << b.image;
            }
}

TEST(Assets, TurretsPivotOnTheirBaseAndShotsEndOnTheBottomRow) {
    for (const TAssetGun& g : kAssetGuns) {
        Picture turret, shot;
        ASSERT_TRUE(LoadPng(PathOf(g.turretPath), turret));
        ASSERT_TRUE(LoadPng(PathOf(g.shotPath), shot));
        EXPECT_GE(turret.Alpha(turret.w / 2, g.turretPivotY), 250) << g.turretPath;
        // The barrel reaches up to near the top row.
        int top = turret.h;
        for (int y = turret.h - 1; y >= 0; --y)
            if (turret.Alpha(turret.w / 2 + (g.id == "DLG-2500" || g.id == "MG-500" ? 2 : 0), y) > 128) top = y;
        EXPECT_LE(top, 3) << g.turretPath;
        // The bolt touches the bottom row and has a solid core the hit test can see.
        int bottom = 0, solid = 0;
        for (int x = 0; x < shot.w; ++x) bottom = std::max(bottom, shot.Alpha(x, shot.h - 1));
        for (int y = 0; y < shot.h; ++y)
            for (int x = 0; x < shot.w; ++x) solid += shot.Alpha(x, y) >= 128;
        EXPECT_GT(bottom, 0) << g.shotPath;
        EXPECT_GE(solid, shot.h / 2) << g.shotPath;
    }
}

TEST(Assets, GradientsRunFromOpaqueBirthToTransparentDeath) {
    for (const char* path : {"gfx\\GradientYellow.png", "gfx\\GradientPlasma.png", "gfx\\GradientGreen.png"}) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(path), pic)) << path;
        EXPECT_GE(pic.w, 256) << path;
        EXPECT_TRUE(pic.hasAlpha) << path;
        EXPECT_GE(pic.Alpha(0, 0), 250) << path;
        EXPECT_EQ(pic.Alpha(255, 0), 0) << path;
        // Opacity never rises with age, and birth is near white.
        for (int x = 1; x < 256; ++x) EXPECT_LE(pic.Alpha(x, 0), pic.Alpha(x - 1, 0)) << path << " column " << x;
        EXPECT_GE(pic.At(0, 0)[0] + pic.At(0, 0)[1] + pic.At(0, 0)[2], 700) << path;
    }
}

TEST(Assets, TrailsHangFromTheirTopAnchorAndAreWideEnough) {
    for (const char* path : {"gfx\\RSchweif0.png", "gfx\\RSchweif1.png"}) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(path), pic)) << path;
        EXPECT_GE(pic.w, 6) << path;
        int visible = 0;
        for (int x = 0; x < pic.w; ++x) visible += pic.Alpha(x, 0) > 16;
        EXPECT_GE(visible, 6) << path;
        EXPECT_GE(pic.Alpha(5, 0), 200) << path;
        EXPECT_LT(pic.Alpha(5, pic.h - 1), pic.Alpha(5, 0)) << path;
    }
}

TEST(Assets, OpaquePicturesTileSeamlesslyAndShowNoPureBlack) {
    for (const char* path : {"gfx\\BG.png", "gfx\\bg1alter2.png", "gfx\\bg1alter.png"}) {
        Picture pic;
        ASSERT_TRUE(LoadPng(PathOf(path), pic)) << path;
        EXPECT_EQ(pic.w & (pic.w - 1), 0) << path;
        EXPECT_EQ(pic.h & (pic.h - 1), 0) << path;
        auto colDiff = [&](int a, int b) {
            double d = 0;
            for (int y = 0; y < pic.h; ++y)
                for (int c = 0; c < 3; ++c) d += std::abs(pic.At(a, y)[c] - pic.At(b, y)[c]);
            return d;
        };
        auto rowDiff = [&](int a, int b) {
            double d = 0;
            for (int x = 0; x < pic.w; ++x)
                for (int c = 0; c < 3; ++c) d += std::abs(pic.At(x, a)[c] - pic.At(x, b)[c]);
            return d;
        };
        // The jump across the wrap is no larger than the largest between neighbours inside.
        double inside = 0, insideRows = 0;
        for (int k = 1; k < 16; ++k) {
            inside = std::max(inside, colDiff(pic.w * k / 16, pic.w * k / 16 + 1));
            insideRows = std::max(insideRows, rowDiff(pic.h * k / 16, pic.h * k / 16 + 1));
        }
        EXPECT_LE(colDiff(pic.w - 1, 0), inside * 1.5 + pic.h) << path;
        EXPECT_LE(rowDiff(pic.h - 1, 0), insideRows * 1.5 + pic.w) << path;
    }
    Picture opt;
    ASSERT_TRUE(LoadPng(PathOf("gfx\\OptionBG.png"), opt));
    int black = 0;
    for (int y = 0; y < opt.h; ++y)
        for (int x = 0; x < opt.w; ++x) black += opt.At(x, y)[0] == 0 && opt.At(x, y)[1] == 0 && opt.At(x, y)[2] == 0;
    EXPECT_EQ(black, 0);
}

TEST(Assets, SoundsArePcmInTheirFormatsShortAndUnclipped) {
    bool small8 = false, big16 = false;
    std::set<std::string> laserSounds;
    for (const TAssetGun& g : kAssetGuns) laserSounds.insert(std::string(g.soundPath));
    for (const TAssetSound& s : kAssetSounds) {
        Wav w;
        ASSERT_TRUE(LoadWav(PathOf(s.path), w)) << s.path;
        EXPECT_EQ(w.rate, s.rate) << s.path;
        EXPECT_EQ(w.channels, s.channels) << s.path;
        EXPECT_EQ(w.bits, s.bits) << s.path;
        small8 = small8 || (w.rate == 22050 && w.channels == 1 && w.bits == 8);
        big16 = big16 || (w.rate == 44100 && w.channels == 2 && w.bits == 16);
        EXPECT_GT(w.Ms(), 20) << s.path;
        EXPECT_LT(w.Ms(), s.maxMs) << s.path;
        float peak = 0;
        for (float v : w.samples) peak = std::max(peak, std::fabs(v));
        EXPECT_LT(peak, 0.75f) << s.path;
        EXPECT_GT(peak, 0.1f) << s.path;
        // Starts and ends quietly: no click when it starts or is cut off.
        EXPECT_LT(std::fabs(w.samples.front()), 0.02f) << s.path;
        EXPECT_LT(std::fabs(w.samples.back()), 0.02f) << s.path;
    }
    EXPECT_TRUE(small8);
    EXPECT_TRUE(big16);
    // Each laser is shorter than the fastest gun that fires it.
    for (const TAssetGun& g : kAssetGuns) {
        Wav w;
        ASSERT_TRUE(LoadWav(PathOf(g.soundPath), w));
        EXPECT_LT(w.Ms(), g.reloadMs) << g.soundPath << " on " << g.id;
    }
}

TEST(Assets, MusicIsALongVorbisTrackThatLoops) {
    std::string path = PathOf(kAssetMusicPath);
    std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ("Music: " + name.substr(0, name.find('.')), "Music: Starlane Pursuit");
    EXPECT_EQ(ReadFile(path).compare(0, 4, "OggS"), 0);
    Wav music;
    ASSERT_TRUE(LoadWav(path, music));
    EXPECT_EQ(music.channels, 2);
    EXPECT_EQ(music.rate, 44100);
    EXPECT_GE(music.Ms(), kAssetMusicMinSeconds * 1000.0);
    // The step across the loop point is like any other step between samples.
    const std::vector<float>& pcm = music.samples;
    ASSERT_GT(pcm.size(), 4u);
    double typical = 0;
    for (size_t i = 2; i < pcm.size(); i += 2) typical += std::fabs(pcm[i] - pcm[i - 2]);
    typical /= pcm.size() / 2.0;
    EXPECT_LT(std::fabs(pcm[0] - pcm[pcm.size() - 2]), typical * 8 + 0.006);
    float peak = 0;
    for (float v : pcm) peak = std::max(peak, std::fabs(v));
    EXPECT_LT(peak, 0.98f);
    EXPECT_GT(peak, 0.2f);
}

TEST(Assets, GeneratingAgainGivesTheSameBytes) {
#ifndef TAVRIK_ASSET_GENERATOR
    GTEST_SKIP() << "generator location unknown";
#else
    char dir[] = "/tmp/tavrik-assets-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string cmd = std::string("'") + TAVRIK_ASSET_GENERATOR + "' '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::vector<std::string> all = kGamePaths;
    all.push_back(std::string(kAssetMusicPath));
    for (const std::string& p : all) {
        std::string again = ReadFile(std::string(dir) + "/" + p);
        EXPECT_FALSE(again.empty()) << p;
        EXPECT_TRUE(again == ReadFile(PathOf(p))) << p << " differs between two runs";
    }
    std::system((std::string("rm -rf '") + dir + "'").c_str());
#endif
}
