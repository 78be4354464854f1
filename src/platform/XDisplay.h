#pragma once
// The X11/GLX side of the display: one connection per run, windows with an OpenGL
// context, the video-mode list and switches, buffer swaps, the event queue and the
// pointer. Only the graphics layer calls this; no X or GLX header leaks out of it.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct TXWindow;

// What a window tells the window manager and the desktop about itself.
struct TXWindowIdentity {
    std::string title;       // WM_NAME
    std::string instance;    // WM_CLASS, first the instance name, then the class
    std::string className;
    // _NET_WM_ICON: for each size its width, its height, then its pixels as 0xAARRGGBB,
    // rows top to bottom. Empty: no icon.
    std::vector<uint32_t> icons;
};

// How a window is opened: an ordinary window, full screen by switching the video mode to
// its size, or borderless over the desktop as it is (no mode switch).
constexpr int kNativeWindowed = 0;
constexpr int kNativeModeSwitch = 1;
constexpr int kNativeBorderless = 2;

// Closes a window: context released and destroyed, grabs dropped, window destroyed and,
// after a mode switch, the desktop mode restored.
struct TXWindowCloser {
    void operator()(TXWindow* window) const;
};
using TXWindowPtr = std::unique_ptr<TXWindow, TXWindowCloser>;

// 1 when the X display is connected and offers GLX; connects on the first call only.
int NativeDisplayReady();
// Size of the first entry of the mode list (the mode current when it was read); 0 without
// a display. Without the video-mode extension the list is just the screen's size.
int NativeDesktopWidth();
int NativeDesktopHeight();
// The sizes of the video-mode list, each once, in the list's order (the desktop's first);
// just the screen's size without the video-mode extension, none without a display.
std::vector<std::pair<int, int>> NativeModeSizes();
// The room a window's picture has: the work area of the current desktop (_NET_WORKAREA)
// less the frame the window manager puts around a window, or the screen without a manager.
void NativeWindowRoom(int& width, int& height);
// Opens a window (kind kNativeWindowed) at the work area's corner, or full screen, with a
// current OpenGL context; null on failure with nothing left open. flags: 2 double buffer,
// 4 alpha, 8 depth, 16 stencil, 32 accum. Borderless full screen takes the desktop's size.
TXWindowPtr NativeOpenWindow(int width, int height, int kind, int hz, int flags,
                             const TXWindowIdentity& identity);
// Makes the window's context current on this thread.
void NativeMakeCurrent(TXWindow* window);
// Swaps the buffers with or without vertical sync, then flushes the connection.
void NativeSwapBuffers(TXWindow* window, int vsync);
// Translates every pending event of the window into input events; others are dropped.
void NativePumpEvents(TXWindow* window);
// Moves the pointer to a window position.
void NativeWarpPointer(TXWindow* window, int x, int y);
// Gives the window the empty cursor (made once per run).
void NativeHidePointer(TXWindow* window);
// Gives the window the default cursor back.
void NativeShowPointer(TXWindow* window);
// Makes the window width x height in place: borderless over the whole screen (fullScreen 1)
// or an ordinary window at 0, 0. Leaves a video mode switched at opening first. 1 on success.
int NativeResizeWindow(TXWindow* window, int width, int height, int fullScreen);
