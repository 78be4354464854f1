#pragma once
// One open graphics: a window or full screen of a fixed size, its drawing state, its
// frame pacing and the X/GLX objects behind it (none in headless graphics).
#include "platform/Graphics.h"
#include "platform/TTexturePrograms.h"
#include "platform/XDisplay.h"

class TGraphics {
public:
    TGraphics(int width, int height, int depth, int hz);

    int width;                 // pixels
    int height;                // pixels
    int depth;                 // 0 for a window, the requested depth for full screen
    int hz;                    // refresh rate the frames are paced to (0: unpaced)
    int fullScreen;            // 1 when opened full screen
    TDrawState state;          // colour, alpha, blend, transform, viewport
    int firstUse = 1;          // 1 until the buffers have been cleared once
    int ownPacing = 1;         // 1 while FlipScreen(-1) paces by the program's clock
    int hardwareSyncTrusted = 0;  // 1 when vertical sync was measured to hit hz
    int period = 0;            // whole milliseconds per frame
    int remainder = 0;         // 1000 - period * hz: frames a second that get one ms more
    int accumulator = 0;       // remainder share collected so far
    int nextFrameTime = 0;     // MilliClock time the next frame is due
    TXWindowPtr native;        // window and context; null in headless graphics
    int llvmpipe = 0;          // 1 when the context draws through Mesa's llvmpipe
    TTexturePrograms programs; // textured pixels shaded by programs, where the context has them
    int programsTried = 0;     // 1 once the programs were made (or found missing)
};
