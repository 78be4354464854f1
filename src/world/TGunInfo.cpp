#include "world/TGunInfo.h"

#include <cmath>

#include "particles/EffectCatalogue.h"
#include "platform/Audio.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"

namespace {
std::vector<std::shared_ptr<TGunInfo>>& CatalogueList() {
    static std::vector<std::shared_ptr<TGunInfo>> catalogue;
    return catalogue;
}
}  // namespace

void TGunInfo::Create(const std::string& id, const std::string& turretPath, int turretPivotY,
                      const std::string& shotPath, const std::shared_ptr<TParticleInfo>& hitEffect, float damage,
                      float shotSpeed, int lifeMs, int reloadMs, const std::string& fireSoundPath,
                      const std::string& hitSoundPath) {
    std::shared_ptr<TGunInfo> info(new TGunInfo());
    info->id = id;
    info->turretImage = LoadImageFile(turretPath, -1);
    info->turretPivotY = turretPivotY;
    SetImageAnchor(info->turretImage, float(ImageWidthOf(info->turretImage)) / 2.0f, float(turretPivotY));
    info->shotImage = LoadImageFile(shotPath, -1);
    int w = ImageWidthOf(info->shotImage), h = ImageHeightOf(info->shotImage);
    SetImageAnchor(info->shotImage, float(w) / 2.0f, float(h));
    info->shotLength = h;
    info->shotReach = int(std::ceil(std::sqrt(float(h * h + w * w))));
    info->hitEffect = hitEffect;
    info->damage = damage;
    info->shotSpeed = shotSpeed;
    info->lifeMs = lifeMs;
    info->range = float(lifeMs) / 1000.0f * shotSpeed + 100.0f;
    info->reloadMs = reloadMs;
    if (!fireSoundPath.empty()) info->fireSound = LoadSoundFile(fireSoundPath, 0);
    if (!hitSoundPath.empty()) info->hitSound = LoadSoundFile(hitSoundPath, 0);
    CatalogueList().push_back(std::move(info));
}

std::shared_ptr<TGunInfo> TGunInfo::Get(const std::string& id) {
    for (const auto& info : CatalogueList()) {
        if (info->id == id) return info;
    }
    ShowNotice("Error: TGunInfo\\Function Get(): No match on ID " + id, 0);
    return nullptr;
}

const std::vector<std::shared_ptr<TGunInfo>>& TGunInfo::Catalogue() { return CatalogueList(); }

void CreateGunCatalogue() {
    if (!CatalogueList().empty()) return;
    TGunInfo::Create("DLG-2500", "gfx\\LaserturretDoublegreen.PNG", 20, "gfx\\LaserDoublegreen.png", laserHitGreen,
                     2.5f, 1200, 2000, 80, "sfx\\alternatelaser_1c.wav", "");
    TGunInfo::Create("LGO-800", "gfx\\LaserturretOrange.png", 21, "gfx\\LaserOrange.png", laserHitYellow, 0.8f, 1000,
                     2000, 120, "sfx\\alternatelaser_1b.wav", "");
    TGunInfo::Create("LB-4500", "gfx\\Lavabladeturretn.png", 21, "gfx\\Lavablade.png", laserHitYellow, 4.5f, 800,
                     2000, 200, "sfx\\alternatelaser_3.wav", "");
    TGunInfo::Create("LGR-3000", "gfx\\LaserturretRed.PNG", 21, "gfx\\LaserRed.png", laserHitYellow, 3.0f, 1200, 2000,
                     300, "sfx\\alternatelaser_1.wav", "");
    TGunInfo::Create("LGB-800", "gfx\\LaserturretBlue2.PNG", 16, "gfx\\LaserBlue2.png", laserHitPlasma, 0.8f, 1200,
                     2000, 200, "sfx\\Laser_1.wav", "");
    TGunInfo::Create("LGB-1000", "gfx\\LaserturretBlue.PNG", 21, "gfx\\LaserBlue.png", laserHitPlasma, 1.0f, 1200,
                     2000, 200, "sfx\\Laser_1.wav", "");
    TGunInfo::Create("BlueBall", "gfx\\LaserturretBlue.PNG", 21, "gfx\\LaserBlueBall.png", smokeFastPlasma, 6.0f,
                     1000, 6000, 500, "sfx\\Laser_1.wav", "");
    TGunInfo::Create("Destructor", "gfx\\LaserturretDestructor.PNG", 18, "gfx\\LaserDestructor.PNG", smokeFastYellow,
                     5.0f, 1000, 4000, 180, "sfx\\Laser_6.wav", "");
    TGunInfo::Create("MG-500", "gfx\\LaserturretMG.PNG", 18, "gfx\\LaserMG.png", sparks, 0.5f, 1800, 180, 100,
                     "sfx\\alternatelaser_1a.wav", "");
    TGunInfo::Create("TLY-800", "gfx\\LaserturretYellow.PNG", 20, "gfx\\LaserYellow.png", laserHitPlasma, 0.8f, 1400,
                     1000, 80, "sfx\\Laser_1.wav", "");
}

void ResetGunCatalogue() { CatalogueList().clear(); }

namespace {
const int stateResetRegistered = RegisterStateReset("gun catalogue", kResetRankWorld + 2, &ResetGunCatalogue);
}  // namespace
