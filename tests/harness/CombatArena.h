#pragma once
// A headless game with the real generated pictures and sounds, and ships of the asset
// table's kinds placed by the test. Catalogues are rebuilt from the real files, so hits are
// pixel-exact against the pictures the game ships.
#include <filesystem>
#include <memory>
#include <string>

#include "../../tools/AssetTables.h"
#include "harness/HeadlessGame.h"
#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "shell/Assets.h"
#include "shell/Shell.h"
#include "world/TGun.h"
#include "world/TGunInfo.h"
#include "world/TShip.h"
#include "world/TUniverse.h"

// The folder the build generates the game into.
inline std::string GeneratedGameFolder() {
#ifdef TAVRIK_ASSET_GAME_DIR
    return TAVRIK_ASSET_GAME_DIR;
#else
    return "";
#endif
}

class CombatArena : public HeadlessGame {
public:
    CombatArena() {
        std::string from = GeneratedGameFolder();
        for (const char* dir : {"gfx", "sfx"}) {
            std::error_code ignored;
            std::filesystem::create_directory_symlink(std::filesystem::path(from) / dir, folder.path / dir, ignored);
        }
        // Start-up ran before the files were there: load the catalogues and images again.
        ResetEffectCatalogue();
        CreateEffectCatalogue();
        ResetGunCatalogue();
        CreateGunCatalogue();
        LoadShellAssets();
        difficulty = 1.0f;
    }

    // A ship of a kind of the asset table (its picture, mass, hp and guns) for a team, at a
    // position; every gun in aimMode (the table's own mounts otherwise unchanged).
    static std::shared_ptr<TShip> Ship(const std::string& kind, int team, float x, float y, int aimMode = 1) {
        for (const TAssetShip& entry : kAssetShips) {
            if (entry.name != kind) continue;
            std::shared_ptr<TShip> ship = TShip::Create();
            ship->team = uint8_t(team);
            ship->name = std::string(entry.name);
            ship->mass = entry.mass;
            ship->SetEngine(15.0f, 16.0f);
            ship->hp = entry.hp;
            ship->x = x;
            ship->y = y;
            ship->SetImage(std::string(entry.path));
            ship->SetExplosion(shipExplosion);
            for (int i = 0; i < entry.mountCount; ++i) {
                const TAssetMount& m = entry.mounts[size_t(i)];
                TGun::Create(ship, m.offsetX, m.offsetY, std::string(m.gun), aimMode);
            }
            return ship;
        }
        return nullptr;
    }

    // Passes until the world has been updated n more times.
    void Ticks(int n) {
        int until = worldUpdates + n;
        while (worldUpdates < until) {
            Pass();
            AdvanceFakeClock(1);
        }
    }
};
