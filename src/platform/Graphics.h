#pragma once
// The display and the 2D drawing state: one window or full screen with an OpenGL 1.x
// context over Xlib and GLX, frame pacing, colour, alpha, blend mode, transform and the
// untextured primitives. While no graphics is open, or graphics are headless, drawing is
// inert: the state is kept, no OpenGL call is made.
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TGraphics;
class TPixmap;

// The drawing state every open graphics starts with (see the defaults in the constructor).
struct TDrawState {
    int blendMode = 1;
    int colorRed = 255, colorGreen = 255, colorBlue = 255;
    float alpha = 1.0f;
    int clearRed = 0, clearGreen = 0, clearBlue = 0;
    float lineWidth = 1.0f;
    float rotation = 0.0f;
    float scaleX = 1.0f, scaleY = 1.0f;
    // Transform matrix derived from rotation and scale.
    float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
    int viewportX = 0, viewportY = 0, viewportW = 0, viewportH = 0;
    int originX = 0, originY = 0;
    // Global anchor for primitives and text, stored negated.
    float handleX = 0.0f, handleY = 0.0f;
    // Interface scale: every position and size is drawn this many times larger.
    float interfaceScale = 1.0f;
};

// Counts of OpenGL state changes actually issued, for tests of the caches.
struct TGraphicsCounters {
    int blendChanges = 0;
    int colorSends = 0;
    int textureBinds = 0;
    int textureEnableChanges = 0;
    int swaps = 0;
};

// ---- Display ----
// Sets the window title used when graphics are opened.
void SetAppTitle(const std::string& title);
// Sets the window's class (WM_CLASS: instance and class name) used when graphics are opened.
void SetAppClass(const std::string& instance, const std::string& className);
// Sets the window's icon, one picture per size (any format); none while the list is empty.
void SetAppIcons(const std::vector<std::shared_ptr<TPixmap>>& icons);
// Opens a window (depth 0) or full screen by a video-mode switch (any other depth) of
// width x height; null on failure, with nothing left open. Opening first closes the
// graphics that are open. A window larger than the desktop has room for opens as the
// largest window of the same shape that fits (see FitWindowSize): GraphicsWidth() and
// GraphicsHeight() say what it got.
std::shared_ptr<TGraphics> OpenGraphicsMode(int width, int height, int depth, int hz, int flags);
// Opens borderless full screen at the desktop's size, without a video-mode switch.
std::shared_ptr<TGraphics> OpenDesktopFullScreen(int hz, int flags);
// Makes width x height the largest size of the same shape that fits the room the desktop
// gives a window (its work area less the window manager's frame; the headless desktop in
// headless graphics); a size that fits stays.
void FitWindowSize(int& width, int& height);
// Closes the open graphics, restoring the desktop mode after full screen.
void CloseGraphicsMode();
// Gives the open graphics a new size in place, as a window (fullScreen 0, fitted to the
// desktop as FitWindowSize does) or borderless full screen (1), keeping its context and
// textures; the view is laid out for the new size. Returns 0, changing nothing, when no
// graphics is open or the size is refused.
int ResizeGraphicsMode(int width, int height, int fullScreen);
// 1 when the open graphics is full screen.
int GraphicsFullScreen();
// The open graphics, or null.
TGraphics* CurrentGraphics();
// Size of the open graphics (0 when none).
int GraphicsWidth();
int GraphicsHeight();
// Incremented at every open and close; texture frames made under another number are stale.
int GraphicsSequence();
// Size of the display's current mode (the first of its mode list); depth is always 24.
int DesktopModeWidth();
int DesktopModeHeight();
int DesktopModeDepth();
// The sizes full screen by a video-mode switch can take, the desktop's first (the headless
// desktop alone in headless graphics).
std::vector<std::pair<int, int>> DisplayModeSizes();

// ---- Frame ----
void ClearScreen();
void SetClearColor(int r, int g, int b);
// -1: paced to the refresh by the program's own clock (or by trusted hardware sync);
// 0 / 1: swap without / with vertical sync.
void FlipScreen(int sync);

// ---- State ----
// Blend modes.
constexpr int kBlendMask = 1;   // opaque where alpha is above one half, nothing elsewhere
constexpr int kBlendSolid = 2;  // replaces what is there
constexpr int kBlendAlpha = 3;  // mixes by alpha
constexpr int kBlendLight = 4;  // adds
constexpr int kBlendShade = 5;  // multiplies
void SetDrawColor(int r, int g, int b);
// The drawing colour from one 0xRRGGBB value.
void SetDrawColorRGB(int rgb);
void SetDrawAlpha(float a);
void SetBlendMode(int mode);
int GetBlendMode();
void SetDrawRotation(float degrees);
float GetDrawRotation();
void SetDrawScale(float sx, float sy);
void GetDrawScale(float& sx, float& sy);
// The transform matrix of a rotation and scale, exactly as the drawing state derives it.
void TransformFor(float rotation, float scaleX, float scaleY, float& ix, float& iy, float& jx, float& jy);
// The interface scale: what is drawn from here on is laid out on a screen this many times
// smaller than the window and drawn that much larger, positions, sizes, lines and points
// alike. Unfiltered images, the font's among them, keep their texels sharp. 1 draws in window
// pixels, as the world is drawn; an opened graphics starts at 1.
void SetInterfaceScale(float scale);
float InterfaceScale();
// The current drawing state (a default one while no graphics is open).
TDrawState& DrawState();
// The colour byte for an alpha: trunc(255 * a) after clamping to 0..1.
int AlphaByte(float a);

// ---- Primitives ----
void PlotPoint(float x, float y);
void DrawRectangle(float x, float y, float w, float h);
void DrawLineSegment(float x1, float y1, float x2, float y2, int lastPixel = 1);
void DrawEllipse(float x, float y, float w, float h);
// Segment count of an ellipse of that box: max(trunc(|w/2| + |h/2|), 12) down to a multiple of 4.
int EllipseSegmentCount(float w, float h);

// ---- For the image layer ----
// 1 while an OpenGL context is current, so drawing issues OpenGL calls.
int GLActive();
// Enables texturing and binds the texture, each only when the cached state differs.
void UseTexture(unsigned textureName);
// Disables texturing when it is on.
void DisableTexturing();
// Forgets a texture name in the bind cache (after glDeleteTextures).
void ForgetTexture(unsigned textureName);
// Deletes a texture made in the graphics sequence given, if that context is still the
// current one; a texture of a closed context went with it.
void DeleteLiveTexture(unsigned textureName, int sequence);

// ---- Window events and pointer, used by the input layer ----
// Translates pending window events into input events.
void PumpWindowEvents();
// Warps the pointer inside the window; in headless graphics it moves the pointer at once.
void WarpWindowPointer(int x, int y);
// Gives the window an empty cursor.
void HideWindowPointer();
// Gives the window the default cursor.
void ShowWindowPointer();

// ---- Shortcuts ----
// Ways of drawing that give the same pixels for less of the rasteriser's work: a texture
// drawn in white at full alpha is used as it is rather than multiplied by the colour. On
// unless TAVRIK_NO_SHORTCUTS=1 is in the environment at start-up; tests and benchmarks
// switch them to compare.
int ShortcutsOn();
void SetShortcuts(int on);
// 1 while shortcuts are on and the rasteriser is Mesa's llvmpipe, whose linear filter the
// CPU copies of layers at fractional offsets (TShiftedFrame) reproduce texel for texel;
// another rasteriser may round its filter differently, so it filters them itself.
int ShiftedLayersOn();

// ---- Frame probe, for benchmarks ----
// The points of a drawn frame a probe hears about: the screen cleared, one tiled layer
// drawn, the frame drawn (before pacing and the flip), the frame flipped.
enum class TFramePoint { Cleared, LayerTiled, Drawn, Flipped };
// Calls probe at each of those points while set (null: none). A benchmark finishes the
// drawing there to see where a frame's time goes; the game never sets one.
void SetFrameProbe(void (*probe)(TFramePoint));
// Tells the probe, if any, that a point was reached.
void NoteFramePoint(TFramePoint point);

// ---- Headless graphics, for tests and soaks ----
// While on, OpenGraphicsMode succeeds without a display (windowed, or full screen at the
// headless desktop size) and drawing is inert.
void SetHeadlessGraphics(int on);
// The desktop size headless graphics report (1024 x 768 unless set).
void SetHeadlessDesktop(int width, int height);
// Counters of issued state changes.
TGraphicsCounters& GraphicsCounters();
// Closes graphics and returns every setting here to its start-up value.
void ResetGraphics();
