#include "shell/UiScale.h"

#include <algorithm>

#include "platform/Graphics.h"
#include "platform/StateResets.h"
#include "shell/Shell.h"

const char* const kUiScaleKey = "UI Scale";
int uiScaleSetting = kUiScaleAuto;

namespace {
// The smallest logical screen that holds every panel at scale 1. The title's panel is the
// tallest: a full table of ten, the keys and the credits end 624 px down.
constexpr int kUiMinWidth = 640;
constexpr int kUiMinHeight = 640;

void ResetUiScale() { uiScaleSetting = kUiScaleAuto; }
const int stateResetRegistered = RegisterStateReset("interface scale", kResetRankShell + 6, &ResetUiScale);
}  // namespace

int MaxUiScaleFor(int width, int height) {
    int scale = 1;
    while (scale < kMaxUiScale && width / (scale + 1) >= kUiMinWidth && height / (scale + 1) >= kUiMinHeight) ++scale;
    return scale;
}

int UiScaleFor(int setting, int width, int height) {
    int wanted = setting;
    if (setting == kUiScaleAuto) wanted = width >= kAutoScale3Width ? 3 : width >= kAutoScale2Width ? 2 : 1;
    return std::clamp(wanted, 1, MaxUiScaleFor(width, height));
}

int UiScale() { return UiScaleFor(uiScaleSetting, gfxWidth, gfxHeight); }
int UiWidth() { return gfxWidth / UiScale(); }
int UiHeight() { return gfxHeight / UiScale(); }

void BeginInterfaceDrawing() { SetInterfaceScale(float(UiScale())); }

void EndInterfaceDrawing() { SetInterfaceScale(1.0f); }
