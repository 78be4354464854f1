#pragma once
// The X11/GLX side of the display: one connection per run, windows with an OpenGL
// context, the video-mode list and switches, buffer swaps, the event queue and the
// pointer. Only the graphics layer calls this; no X or GLX header leaks out of it.
#include <memory>
#include <string>

struct TXWindow;

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
// Opens a window at 0, 0, or full screen, with a current OpenGL context; null on failure
// with nothing left open. flags: 2 double buffer, 4 alpha, 8 depth, 16 stencil, 32 accum.
TXWindowPtr NativeOpenWindow(int width, int height, int fullScreen, int hz, int flags,
                             const std::string& title);
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
