#include "shell/Assets.h"

#include "platform/Audio.h"
#include "platform/Images.h"
#include "platform/StateResets.h"

std::shared_ptr<TImage> logoImage, bgImage, bgAlterImage, bgAlter2Image, cursorImage;
std::array<std::shared_ptr<TImage>, 3> rocketImages;
std::shared_ptr<TImage> rocketAlarmImage, aimPointerImage, aimArrowImage, buddyArrowImage;
std::shared_ptr<TSound> alarmSound, pointSound, nextStageSound, rocketFireSound;

namespace {
std::shared_ptr<TImage> Centred(const char* path) {
    std::shared_ptr<TImage> image = LoadImageFile(path, -1);
    if (image) CentreImageAnchor(image);
    return image;
}
}  // namespace

void LoadLogo() { logoImage = Centred("gfx\\Logo.png"); }

void LoadShellAssets() {
    bgImage = LoadImageFile("gfx\\BG.png", -1);
    bgAlterImage = LoadImageFile("gfx\\bg1alter.png", -1);
    bgAlter2Image = LoadImageFile("gfx\\bg1alter2.png", -1);
    cursorImage = Centred("gfx\\Mouse.png");
    rocketImages[0] = Centred("gfx\\rocket0.png");
    rocketImages[1] = Centred("gfx\\rocket.png");
    rocketImages[2] = Centred("gfx\\rocket2.png");
    rocketAlarmImage = Centred("gfx\\rocketalarmsign.png");
    aimPointerImage = Centred("gfx\\AimPointer.png");
    aimArrowImage = Centred("gfx\\AimCrossArrow.png");
    buddyArrowImage = Centred("gfx\\BuddyArrow.png");
    alarmSound = LoadSoundFile("sfx\\geraet_agressive.wav", 0);
    pointSound = LoadSoundFile("sfx\\getpoint.wav", 0);
    nextStageSound = LoadSoundFile("sfx\\nextstage.wav", 0);
    rocketFireSound = LoadSoundFile("sfx\\rocketfire.wav", 0);
}

void ResetShellAssets() {
    logoImage = bgImage = bgAlterImage = bgAlter2Image = cursorImage = nullptr;
    rocketImages = {};
    rocketAlarmImage = aimPointerImage = aimArrowImage = buddyArrowImage = nullptr;
    alarmSound = pointSound = nextStageSound = rocketFireSound = nullptr;
}

namespace {
const int stateResetRegistered = RegisterStateReset("shell assets", kResetRankShell, &ResetShellAssets);
}  // namespace
