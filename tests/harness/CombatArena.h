#pragma once
// A headless game with the real generated pictures and sounds, and ships of the ship
// table's kinds placed by the test. Catalogues are rebuilt from the real files, so hits are
// pixel-exact against the pictures the game ships.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "HeadlessGame.h"
#include "world/GameClock.h"
#include "particles/EffectCatalogue.h"
#include "particles/ParticleEngine.h"
#include "shell/Assets.h"
#include "shell/Shell.h"
#include "world/ShipTable.h"
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

// Sends standard output to /dev/null from its construction until Restore (the start-up
// notices of pictures that are not there yet).
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            close(null);
        }
    }
    void Restore() {
        if (saved < 0) return;
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        saved = -1;
    }
    ~QuietStdout() { Restore(); }

private:
    int saved = -1;
};

// The headless game with the real assets, and the ship-placing helpers of the combat tests.
class CombatArena : private QuietStdout, public HeadlessGame {
public:
    // assets: the folder holding the generated gfx/ and sfx/; options: the settings text.
    explicit CombatArena(int startMs = 100000, const std::string& assets = GeneratedGameFolder(),
                         const std::string& options = WindowedOptions(640, 480))
        : QuietStdout(), HeadlessGame(options, startMs) {
        const std::string& from = assets;
        for (const char* dir : {"gfx", "sfx"}) {
            std::error_code ignored;
            std::filesystem::create_directory_symlink(std::filesystem::path(from) / dir, folder.path / dir, ignored);
        }
        Restore();
        // Start-up ran before the files were there: load the catalogues and images again.
        ResetEffectCatalogue();
        CreateEffectCatalogue();
        ResetGunCatalogue();
        CreateGunCatalogue();
        LoadShellAssets();
        difficulty = 1.0f;
        // The combat tests place every ship themselves.
        WithoutStages();
    }

    // A ship named in the ship table (its picture, mass, hp and guns) for a team, at a
    // position; every gun in aimMode (the table's own mounts otherwise unchanged).
    static std::shared_ptr<TShip> Ship(const std::string& kind, int team, float x, float y, int aimMode = 1) {
        for (const TShipKind& entry : kShipKinds) {
            if (entry.name != kind) continue;
            std::shared_ptr<TShip> ship = TShip::Create();
            ship->team = uint8_t(team);
            ship->name = std::string(entry.name);
            ship->mass = entry.mass;
            ship->SetEngine(15.0f, 16.0f);
            ship->hp = entry.hp;
            ship->x = x;
            ship->y = y;
            ship->SetImage(std::string(entry.image));
            ship->SetExplosion(shipExplosion);
            for (int i = 0; i < entry.MountCount(); ++i) {
                const TShipMount& m = entry.mounts[size_t(i)];
                TGun::Create(ship, m.offsetX, m.offsetY, std::string(m.gun), aimMode);
            }
            return ship;
        }
        return nullptr;
    }

    // A ship that neither moves, shoots nor launches: a target to place and watch.
    static std::shared_ptr<TShip> Dummy(const std::string& kind, float x, float y, int team = 1) {
        std::shared_ptr<TShip> ship = Ship(kind, team, x, y);
        ship->DetachGuns("");
        ship->SetEngine(0.0f, 16.0f);
        ship->rockets = {0, 0, 0};
        return ship;
    }

    // Passes until the world has been updated n more times, the clock moving stepMs per pass.
    void Ticks(int n, int stepMs = 1) {
        int until = worldUpdates + n;
        while (worldUpdates < until) {
            Pass();
            AdvanceFakeClock(stepMs);
        }
    }

    // Moves the game clock on without playing steps, so that the next step played is the first
    // at or after the clock reading target (a test's shortcut through long waits).
    static void JumpGameClockTo(int target) {
        int steps = int(int64_t(target) * kStepsPerSecond / 1000);
        while (int64_t(steps) * 1000 / kStepsPerSecond < target) ++steps;
        gameSteps = steps - 1;
        gameClock = int(int64_t(gameSteps) * 1000 / kStepsPerSecond);
    }

    // One world update run directly, with a tick of tickLength ms.
    static void WorldTick(int tickLength = 16) {
        tickMs = tickLength;
        ticksPerSecond = 1000.0f / float(tickLength);
        TUniverse::UpdateAll();
    }
};
