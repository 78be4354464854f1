#include "platform/TGraphics.h"

TGraphics::TGraphics(int width, int height, int depth, int hz)
    : width(width), height(height), depth(depth), hz(hz), fullScreen(depth != 0 ? 1 : 0) {
    state.viewportW = width;
    state.viewportH = height;
}
