#include "shell/Screenshots.h"

#include "platform/Files.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "shell/GamePaths.h"
#include "shell/Shell.h"
#include "platform/StateResets.h"

int screenshotCounter = 0;

void RequestScreenshot() { screenshotRequested = 1; }

void TakeScreenshot() {
    std::shared_ptr<TPixmap> pixels = CaptureScreenPixels(0, 0, gfxWidth, gfxHeight);
    if (!pixels) return;
    const std::string& folder = GamePaths::ScreenshotsFolder();
    // Installed, the folder is made at the first screenshot (and without a home folder there is
    // none to make); a portable game makes it at start.
    if (GamePaths::Installed() && !GamePaths::MakeFolder(folder)) return;
    auto name = [&] { return folder + "pic" + std::to_string(screenshotCounter) + ".png"; };
    while (PathKind(name()) != 0) ++screenshotCounter;
    WritePixmapPNG(pixels, name(), 5);
}

namespace {
bool IsSplashCandidate(const std::string& name) {
    return PathKind(GamePaths::ScreenshotsFolder() + name) == 1 && PathExtension(name) == "png";
}
}  // namespace

std::shared_ptr<TImage> PickSplashImage() {
    std::vector<std::string> names = ListDirectory(GamePaths::ScreenshotsFolder(), 1);
    int count = 0;
    for (const auto& name : names) count += IsSplashCandidate(name);
    if (count == 0) return nullptr;
    int n = RandomInt(1, count);
    for (const auto& name : names) {
        if (IsSplashCandidate(name) && --n == 0) return LoadImageFile(GamePaths::ScreenshotsFolder() + name, -1);
    }
    return nullptr;
}

void ResetScreenshots() { screenshotCounter = 0; }

namespace {
const int stateResetRegistered = RegisterStateReset("screenshots", kResetRankShell + 1, &ResetScreenshots);
}  // namespace
