#pragma once
// The one place that names every generated file with its size. The ship pictures and their
// gun mounts come from the game's own ship table (kShipKinds). The generator draws from these
// tables; the asset tests read them.
// Paths keep the game's own spelling: backslash as folder separator, case as written.
#include <array>
#include <string>
#include <string_view>

#include "../src/world/ShipTable.h"

// One gun type's pictures and firing sound.
struct TAssetGun {
    std::string_view id;          // gun type ID
    std::string_view turretPath;  // turret picture, barrel up
    int turretPivotY;             // pivot row of the turret (x is the centre)
    int turretWidth;              // turret picture width
    int turretHeight;             // turret picture height
    std::string_view shotPath;    // shot picture, pointing up, rear end on the bottom row
    int shotWidth;                // shot picture width
    int shotHeight;               // shot picture height (the bolt's length)
    std::string_view soundPath;   // firing sound
    int reloadMs;                 // time between two shots; the sound must be shorter
};

inline constexpr std::array<TAssetGun, 10> kAssetGuns{{
    {"DLG-2500", "gfx\\LaserturretDoublegreen.PNG", 20, 18, 28, "gfx\\LaserDoublegreen.png", 10, 30,
     "sfx\\alternatelaser_1c.wav", 80},
    {"LGO-800", "gfx\\LaserturretOrange.png", 21, 14, 29, "gfx\\LaserOrange.png", 6, 24,
     "sfx\\alternatelaser_1b.wav", 120},
    {"LB-4500", "gfx\\Lavabladeturretn.png", 21, 20, 30, "gfx\\Lavablade.png", 12, 36,
     "sfx\\alternatelaser_3.wav", 200},
    {"LGR-3000", "gfx\\LaserturretRed.PNG", 21, 14, 29, "gfx\\LaserRed.png", 6, 32,
     "sfx\\alternatelaser_1.wav", 300},
    {"LGB-800", "gfx\\LaserturretBlue2.PNG", 16, 12, 23, "gfx\\LaserBlue2.png", 5, 20,
     "sfx\\Laser_1.wav", 200},
    {"LGB-1000", "gfx\\LaserturretBlue.PNG", 21, 16, 29, "gfx\\LaserBlue.png", 6, 26,
     "sfx\\Laser_1.wav", 200},
    {"BlueBall", "gfx\\LaserturretBlue.PNG", 21, 16, 29, "gfx\\LaserBlueBall.png", 20, 20,
     "sfx\\Laser_1.wav", 500},
    {"Destructor", "gfx\\LaserturretDestructor.PNG", 18, 22, 28, "gfx\\LaserDestructor.PNG", 16, 52,
     "sfx\\Laser_6.wav", 180},
    {"MG-500", "gfx\\LaserturretMG.PNG", 18, 12, 25, "gfx\\LaserMG.png", 4, 12,
     "sfx\\alternatelaser_1a.wav", 100},
    {"TLY-800", "gfx\\LaserturretYellow.PNG", 20, 12, 27, "gfx\\LaserYellow.png", 5, 22,
     "sfx\\Laser_1.wav", 80},
}};

// A picture that is not a ship, turret or shot.
struct TAssetPicture {
    std::string_view path; // game path
    int width;             // picture width
    int height;            // picture height
    bool alpha;            // true: RGBA; false: RGB with pure black as transparent
};

inline constexpr std::array<TAssetPicture, 24> kAssetPictures{{
    {"gfx\\Logo.png", 512, 100, true},
    {"gfx\\BG.png", 1024, 1024, false},
    {"gfx\\bg1alter2.png", 512, 512, false},
    {"gfx\\bg1alter.png", 1024, 1024, false},
    {"gfx\\Mouse.png", 32, 32, true},
    {"gfx\\rocket0.png", 8, 20, true},
    {"gfx\\rocket.png", 10, 26, true},
    {"gfx\\rocket2.png", 14, 36, true},
    {"gfx\\rocketalarmsign.png", 28, 28, true},
    {"gfx\\AimPointer.png", 24, 28, true},
    {"gfx\\AimCrossArrow.png", 18, 18, true},
    {"gfx\\BuddyArrow.png", 26, 26, true},
    {"gfx\\OptionBG.png", 400, 300, false},
    {"gfx\\GradientYellow.png", 256, 4, true},
    {"gfx\\GradientPlasma.png", 256, 4, true},
    {"gfx\\GradientGreen.png", 256, 4, true},
    {"gfx\\RSchweif0.png", 10, 40, true},
    {"gfx\\RSchweif1.png", 10, 48, true},
    {"gfx\\lexplo1.png", 32, 32, true},
    {"gfx\\lexplo2.png", 40, 40, true},
    {"gfx\\sprite_smoke1.png", 32, 32, true},
    {"gfx\\funken1.png", 16, 16, true},
    {"gfx\\truemmer.png", 12, 12, true},
    {"gfx\\truemmer2.png", 24, 20, true},
}};

// One sound effect with its PCM form.
struct TAssetSound {
    std::string_view path; // game path
    int rate;              // samples per second
    int channels;          // 1 mono, 2 stereo
    int bits;              // 8 or 16
    int maxMs;             // longest it may be (a laser stays under its gun's reload time)
};

inline constexpr std::array<TAssetSound, 13> kAssetSounds{{
    {"sfx\\alternatelaser_1c.wav", 22050, 1, 16, 80},
    {"sfx\\alternatelaser_1b.wav", 22050, 1, 16, 120},
    {"sfx\\alternatelaser_3.wav", 44100, 1, 16, 200},
    {"sfx\\alternatelaser_1.wav", 22050, 1, 16, 300},
    {"sfx\\alternatelaser_1a.wav", 22050, 1, 8, 100},
    {"sfx\\Laser_1.wav", 22050, 1, 16, 80},
    {"sfx\\Laser_6.wav", 44100, 1, 16, 180},
    {"sfx\\Explosio-Brak-1074.wav", 44100, 2, 16, 2000},
    {"sfx\\aexplo6.wav", 44100, 2, 16, 3000},
    {"sfx\\geraet_agressive.wav", 22050, 1, 16, 1000},
    {"sfx\\getpoint.wav", 22050, 1, 8, 600},
    {"sfx\\nextstage.wav", 44100, 2, 16, 2500},
    {"sfx\\rocketfire.wav", 44100, 2, 16, 900},
}};

// The music track; "Music: " + its name up to the first "." is what the title screen shows.
inline constexpr std::string_view kAssetMusicPath = "music\\Starlane Pursuit.ogg";
inline constexpr int kAssetMusicMinSeconds = 90;

// Folder-relative native path: every backslash becomes a slash.
inline std::string AssetNativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}
