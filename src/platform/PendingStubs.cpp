// Weak stand-ins for platform functions whose real implementations live in other files;
// a real definition always takes precedence at link time.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Input.h"

#define WEAK __attribute__((weak))

WEAK void PumpWindowEvents() {}
WEAK void WarpWindowPointer(int, int) {}
WEAK void HideWindowPointer() {}
WEAK TGraphics* CurrentGraphics() { return nullptr; }
WEAK void SetAppTitle(const std::string&) {}
WEAK std::shared_ptr<TGraphics> OpenGraphicsMode(int, int, int, int, int) { return nullptr; }
WEAK void CloseGraphicsMode() {}
WEAK int DesktopModeWidth() { return 0; }
WEAK int DesktopModeHeight() { return 0; }
WEAK int DesktopModeDepth() { return 24; }
WEAK void ClearScreen() {}
WEAK void FlipScreen(int) {}
WEAK void SetHeadlessGraphics(int) {}
WEAK void ResetGraphics() {}
WEAK void SetBlendMode(int) {}
WEAK void SetDrawAlpha(float) {}
WEAK void SetHeadlessDesktop(int, int) {}
WEAK TGraphicsCounters& GraphicsCounters() {
    static TGraphicsCounters counters;
    return counters;
}
