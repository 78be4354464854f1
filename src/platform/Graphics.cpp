// The display and the 2D drawing state: opening and closing graphics, frame pacing,
// colour, alpha, blend mode, transform and the untextured primitives.
#include "platform/Graphics.h"

#include "platform/Input.h"
#include "platform/TGraphics.h"
#include "platform/TPixmap.h"
#include "platform/XDisplay.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "platform/DrawRecording.h"
#include "platform/StateResets.h"
#include "platform/Trig.h"
#include "platform/Trimming.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The X protocol carries sizes in 16 bits; larger windows are refused, not fitted.
constexpr int kMaxWindowSide = 32767;
// Icons larger than this are left out: a desktop never shows them that large.
constexpr int kMaxIconSide = 1024;

// Program-wide state of the display layer.
struct TGraphicsGlobals {
    TXWindowIdentity identity;             // title, class and icon of the windows opened from now on
    std::shared_ptr<TGraphics> current;    // the open graphics, or null
    int headless = 0;                      // 1: graphics open without a display
    int headlessWidth = 1024;              // desktop size headless graphics report
    int headlessHeight = 768;
    TGraphicsCounters counters;            // OpenGL state changes issued
    TDrawState idleState;                  // the state read while nothing is open
    int blendCache = -1;                   // blend mode in effect (-1: unknown)
    long long textureCache = -1;           // bound texture name (-1: unknown)
    int texturingCache = -1;               // GL_TEXTURE_2D enabled (-1: unknown)
    int colorCacheValid = 0;               // 1 when colorCache holds the colour sent last
    unsigned char colorCache[4] = {0, 0, 0, 0};
    int textureEnvCache = -1;              // 1: GL_REPLACE, 0: GL_MODULATE in effect (-1: unknown)
    int shortcuts = -1;                    // -1: not yet read from the environment
    void (*frameProbe)(TFramePoint) = nullptr;  // a benchmark's probe, or null
};

TGraphicsGlobals g;
// Kept across ResetGraphics, so texture frames of an earlier context never look fresh.
int sequenceNumber = 0;

void NextSequence() {
    sequenceNumber = sequenceNumber == INT_MAX ? INT_MIN : sequenceNumber + 1;
    if (sequenceNumber == 0) sequenceNumber = 1;
}

int ClampByte(int v) {
    return std::clamp(v, 0, 255);
}

float ClampUnit(float a) {
    if (!(a > 0.0f)) return 0.0f;  // also catches NaN
    return a > 1.0f ? 1.0f : a;
}

int Drawing() {
    return GLActive();
}

void ForgetCaches() {
    g.blendCache = -1;
    g.textureCache = -1;
    g.texturingCache = -1;
    g.colorCacheValid = 0;
    g.textureEnvCache = -1;
    if (g.current) g.current->programs.Forget();
}

// Textures drawn in white at full alpha replace: multiplying by one changes nothing, and
// the rasteriser is spared the colour's interpolation and a multiply per pixel. Any other
// colour modulates. Called before every textured draw, after its colour is set.
void ApplyTextureEnv() {
    const bool white = g.colorCacheValid && g.colorCache[0] == 255 && g.colorCache[1] == 255 &&
                       g.colorCache[2] == 255 && g.colorCache[3] == 255;
    const int replace = white && ShortcutsOn() ? 1 : 0;
    if (Drawing()) {
        TTexturePrograms& programs = g.current->programs;
        if (programs.Ready() && ShortcutsOn())
            return programs.Use(replace ? TTexturePrograms::kReplace : TTexturePrograms::kModulate);
        programs.Use(TTexturePrograms::kNone);
    }
    if (g.textureEnvCache == replace) return;
    g.textureEnvCache = replace;
    if (Drawing()) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, replace ? GL_REPLACE : GL_MODULATE);
}

// Sends colour and alpha when they differ from what was sent last.
void SendColor() {
    if (!g.current) return;
    const TDrawState& s = g.current->state;
    unsigned char rgba[4] = {static_cast<unsigned char>(s.colorRed),
                             static_cast<unsigned char>(s.colorGreen),
                             static_cast<unsigned char>(s.colorBlue),
                             static_cast<unsigned char>(AlphaByte(s.alpha))};
    if (g.colorCacheValid && std::equal(rgba, rgba + 4, g.colorCache)) return;
    std::copy(rgba, rgba + 4, g.colorCache);
    g.colorCacheValid = 1;
    ++g.counters.colorSends;
    if (Drawing()) glColor4ubv(rgba);
}

// Puts the blend mode into effect unless it already is; unknown modes draw solid.
void ApplyBlend(int mode) {
    if (!g.current) return;
    if (mode < kBlendMask || mode > kBlendShade) mode = kBlendSolid;
    if (g.blendCache == mode) return;
    g.blendCache = mode;
    ++g.counters.blendChanges;
    if (!Drawing()) return;
    switch (mode) {
    case kBlendMask:
        glDisable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.5f);
        break;
    case kBlendAlpha:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_ALPHA_TEST);
        break;
    case kBlendLight:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDisable(GL_ALPHA_TEST);
        break;
    case kBlendShade:
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        glDisable(GL_ALPHA_TEST);
        break;
    default:
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        break;
    }
}

void UpdateTransform(TDrawState& s) {
    TransformFor(s.rotation, s.scaleX, s.scaleY, s.ix, s.iy, s.jx, s.jy);
}

// Screen position of local point (px, py) of a primitive drawn at (x, y).
void Place(const TDrawState& s, float x, float y, float px, float py, float& sx, float& sy) {
    px += s.handleX;
    py += s.handleY;
    sx = x + s.originX + px * s.ix + py * s.iy;
    sy = y + s.originY + px * s.jx + py * s.jy;
}

// The model-view matrix, line width and point size of the state's interface scale.
void ApplyInterfaceScale(const TDrawState& s) {
    if (!Drawing()) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(s.interfaceScale, s.interfaceScale, 1.0f);
    glLineWidth(s.lineWidth * s.interfaceScale);
    glPointSize(s.interfaceScale);
}

// The graphics becomes current: projection, viewport and fresh caches.
void MakeCurrent(const std::shared_ptr<TGraphics>& gfx) {
    g.current = gfx;
    ForgetCaches();
    if (gfx->native) NativeMakeCurrent(gfx->native.get());
    TDrawState& s = gfx->state;
    if (Drawing()) {
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        gfx->llvmpipe = renderer && std::strstr(renderer, "llvmpipe") ? 1 : 0;
        // Only the software rasteriser gains from them; other drivers keep their fixed function.
        if (!gfx->programsTried && gfx->llvmpipe) gfx->programs.Load();
        gfx->programsTried = 1;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, gfx->width, gfx->height, 0, -1, 1);
        glViewport(0, 0, gfx->width, gfx->height);
        ApplyInterfaceScale(s);
    }
    DisableTexturing();
    ApplyBlend(s.blendMode);
    SendColor();
}

// Shows the back buffer with or without vertical sync, then takes pending events.
void Swap(TGraphics* gfx, int vsync) {
    ++g.counters.swaps;
    if (gfx->native) NativeSwapBuffers(gfx->native.get(), vsync);
    PumpWindowEvents();
}

// Times flips with vertical sync: three in a row within 1 ms of the frame period mean the
// hardware paces the frames. Bounded by 1000 ms and by the flips a second can hold.
int ProbeHardwareSync(TGraphics* gfx) {
    int target = 1000 / gfx->hz;
    int inRow = 0;
    int start = MilliClock();
    for (int i = 0; i < gfx->hz + 3 && MilliClock() - start < 1000; ++i) {
        int t0 = MilliClock();
        Swap(gfx, 1);
        int took = MilliClock() - t0;
        if (std::abs(took - target) <= 1) {
            if (++inRow == 3) return 1;
        } else {
            inRow = 0;
        }
    }
    return 0;
}

}  // namespace

// ---- Display ----

void SetAppTitle(const std::string& title) {
    g.identity.title = title;
}

void SetAppClass(const std::string& instance, const std::string& className) {
    g.identity.instance = instance;
    g.identity.className = className;
}

void SetAppIcons(const std::vector<std::shared_ptr<TPixmap>>& icons) {
    std::vector<uint32_t>& out = g.identity.icons;
    out.clear();
    for (const std::shared_ptr<TPixmap>& icon : icons) {
        if (!icon || icon->width < 1 || icon->height < 1 || icon->width > kMaxIconSide || icon->height > kMaxIconSide)
            continue;
        out.push_back(uint32_t(icon->width));
        out.push_back(uint32_t(icon->height));
        for (int y = 0; y < icon->height; ++y)
            for (int x = 0; x < icon->width; ++x) out.push_back(icon->PixelARGB(x, y));
    }
}

void FitWindowSize(int& width, int& height) {
    int roomWidth = g.headlessWidth, roomHeight = g.headlessHeight;
    if (!g.headless) NativeWindowRoom(roomWidth, roomHeight);
    if (width < 1 || height < 1 || roomWidth < 1 || roomHeight < 1) return;
    if (width <= roomWidth && height <= roomHeight) return;
    // Whichever side is tighter sets the scale; the other is rounded down to keep the shape.
    const int64_t w = width, h = height;
    if (w * roomHeight > h * roomWidth) {
        height = std::max(1, int(h * roomWidth / w));
        width = roomWidth;
    } else {
        width = std::max(1, int(w * roomHeight / h));
        height = roomHeight;
    }
}

// Opens graphics of one of the native kinds; see OpenGraphicsMode.
static std::shared_ptr<TGraphics> OpenGraphics(int width, int height, int depth, int kind, int hz, int flags) {
    CloseGraphicsMode();
    if (width < 1 || height < 1 || width > kMaxWindowSide || height > kMaxWindowSide) return nullptr;
    if (kind == kNativeWindowed) FitWindowSize(width, height);
    auto gfx = std::make_shared<TGraphics>(width, height, depth, hz);
    if (g.headless) {
        if (gfx->fullScreen && (width != g.headlessWidth || height != g.headlessHeight))
            return nullptr;
    } else {
        gfx->native = NativeOpenWindow(width, height, kind, hz, flags | 2, g.identity);
        if (!gfx->native) return nullptr;
    }

    NextSequence();
    MakeCurrent(gfx);
    ClearInputState();
    if (gfx->firstUse) {
        gfx->firstUse = 0;
        ClearScreen();
        FlipScreen(0);
        ClearScreen();
        FlipScreen(0);
    }

    gfx->ownPacing = hz > 0 ? 1 : 0;
    if (gfx->fullScreen && hz > 0 && gfx->native && ProbeHardwareSync(gfx.get())) {
        gfx->hardwareSyncTrusted = 1;
        gfx->ownPacing = 0;
    }
    gfx->period = hz > 0 ? 1000 / hz : 0;
    gfx->remainder = hz > 0 ? 1000 - gfx->period * hz : 0;
    gfx->accumulator = 0;
    gfx->nextFrameTime = MilliClock();

    if (gfx->fullScreen) WarpWindowPointer(width / 2, height / 2);
    return gfx;
}

std::shared_ptr<TGraphics> OpenGraphicsMode(int width, int height, int depth, int hz, int flags) {
    return OpenGraphics(width, height, depth, depth ? kNativeModeSwitch : kNativeWindowed, hz, flags);
}

std::shared_ptr<TGraphics> OpenDesktopFullScreen(int hz, int flags) {
    return OpenGraphics(DesktopModeWidth(), DesktopModeHeight(), DesktopModeDepth(), kNativeBorderless, hz, flags);
}

void CloseGraphicsMode() {
    if (!g.current) return;
    NextSequence();
    ClearInputState();
    std::shared_ptr<TGraphics> gfx = std::move(g.current);
    g.current.reset();
    gfx->native.reset();
    ForgetCaches();
}

int ResizeGraphicsMode(int width, int height, int fullScreen) {
    TGraphics* gfx = g.current.get();
    if (!gfx || width < 1 || height < 1) return 0;
    fullScreen = fullScreen ? 1 : 0;
    if (!fullScreen) FitWindowSize(width, height);
    if (g.headless) {
        if (fullScreen && (width != g.headlessWidth || height != g.headlessHeight)) return 0;
    } else if (!gfx->native || !NativeResizeWindow(gfx->native.get(), width, height, fullScreen)) {
        return 0;
    }
    gfx->width = width;
    gfx->height = height;
    gfx->fullScreen = fullScreen;
    gfx->state.viewportW = width;
    gfx->state.viewportH = height;
    // Projection and viewport for the new size; the drawing state itself stays.
    MakeCurrent(g.current);
    return 1;
}

int GraphicsFullScreen() {
    return g.current ? g.current->fullScreen : 0;
}

TGraphics* CurrentGraphics() {
    return g.current.get();
}

int GraphicsWidth() {
    return g.current ? g.current->width : 0;
}

int GraphicsHeight() {
    return g.current ? g.current->height : 0;
}

int GraphicsSequence() {
    return sequenceNumber;
}

int DesktopModeWidth() {
    return g.headless ? g.headlessWidth : NativeDesktopWidth();
}

int DesktopModeHeight() {
    return g.headless ? g.headlessHeight : NativeDesktopHeight();
}

std::vector<std::pair<int, int>> DisplayModeSizes() {
    if (g.headless) return {{g.headlessWidth, g.headlessHeight}};
    return NativeModeSizes();
}

int DesktopModeDepth() {
    return 24;
}

// ---- Frame ----

void ClearScreen() {
    if (!Drawing()) return;
    const TDrawState& s = g.current->state;
    glClearColor(s.clearRed / 255.0f, s.clearGreen / 255.0f, s.clearBlue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    NoteScreenCleared(s.clearRed == 0 && s.clearGreen == 0 && s.clearBlue == 0);
    NoteFramePoint(TFramePoint::Cleared);
}

void SetClearColor(int r, int gr, int b) {
    TDrawState& s = DrawState();
    s.clearRed = ClampByte(r);
    s.clearGreen = ClampByte(gr);
    s.clearBlue = ClampByte(b);
}

void FlipScreen(int sync) {
    TGraphics* gfx = g.current.get();
    NoteScreenDrawn();  // the new back buffer holds an older frame
    if (!gfx) return;
    NoteFramePoint(TFramePoint::Drawn);
    int vsync;
    if (sync == -1) {
        if (gfx->ownPacing) {
            // Frame times wrap with the clock, so they are added and compared unsigned.
            auto later = [](int clock, int ms) { return int(uint32_t(clock) + uint32_t(ms)); };
            gfx->nextFrameTime = later(gfx->nextFrameTime, gfx->period);
            gfx->accumulator += gfx->remainder;
            if (gfx->accumulator >= gfx->hz) {
                gfx->accumulator -= gfx->hz;
                gfx->nextFrameTime = later(gfx->nextFrameTime, 1);
            }
            int wait = int(uint32_t(gfx->nextFrameTime) - uint32_t(MilliClock()));
            if (wait >= 1)
                DelayMs(wait);
            else
                gfx->nextFrameTime = later(gfx->nextFrameTime, -wait);  // late: the schedule restarts from now
            vsync = 0;
        } else {
            vsync = gfx->hardwareSyncTrusted;
        }
    } else {
        vsync = sync ? 1 : 0;
    }
    Swap(gfx, vsync);
    NoteFramePoint(TFramePoint::Flipped);
}

// ---- State ----

void SetDrawColorRGB(int rgb) { SetDrawColor((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }

void SetDrawColor(int r, int gr, int b) {
    TDrawState& s = DrawState();
    s.colorRed = ClampByte(r);
    s.colorGreen = ClampByte(gr);
    s.colorBlue = ClampByte(b);
    SendColor();
}

void SetDrawAlpha(float a) {
    DrawState().alpha = ClampUnit(a);
    SendColor();
}

void SetBlendMode(int mode) {
    DrawState().blendMode = mode;
    ApplyBlend(mode);
}

int GetBlendMode() {
    return DrawState().blendMode;
}

void SetDrawRotation(float degrees) {
    TDrawState& s = DrawState();
    s.rotation = degrees;
    UpdateTransform(s);
}

float GetDrawRotation() {
    return DrawState().rotation;
}

void SetDrawScale(float sx, float sy) {
    TDrawState& s = DrawState();
    s.scaleX = sx;
    s.scaleY = sy;
    UpdateTransform(s);
}

void GetDrawScale(float& sx, float& sy) {
    sx = DrawState().scaleX;
    sy = DrawState().scaleY;
}

void TransformFor(float rotation, float scaleX, float scaleY, float& ix, float& iy, float& jx, float& jy) {
    // Sprites set rotation and scale one after the other: the sine and cosine of the
    // angle last seen are kept rather than computed twice.
    static float lastRotation = 0.0f, c = 1.0f, sn = 0.0f;
    if (rotation != lastRotation) {
        double rad = rotation * kPi / 180.0;
        c = static_cast<float>(TrigCos(rad));
        sn = static_cast<float>(TrigSin(rad));
        lastRotation = rotation;
    }
    ix = c * scaleX;
    iy = -sn * scaleY;
    jx = sn * scaleX;
    jy = c * scaleY;
}

void SetInterfaceScale(float scale) {
    TDrawState& s = DrawState();
    if (!(scale > 0.0f) || scale == s.interfaceScale) return;
    s.interfaceScale = scale;
    ApplyInterfaceScale(s);
}

float InterfaceScale() { return DrawState().interfaceScale; }

TDrawState& DrawState() {
    return g.current ? g.current->state : g.idleState;
}

int AlphaByte(float a) {
    return static_cast<int>(255.0f * ClampUnit(a));
}

// ---- Primitives ----

void PlotPoint(float x, float y) {
    if (drawRecordingOn) RecordShapeCall(TDrawKind::Point, x, y);
    NoteScreenDrawn();
    DisableTexturing();
    if (!Drawing()) return;
    const TDrawState& s = g.current->state;
    glBegin(GL_POINTS);
    glVertex2f(x + s.originX + 0.5f, y + s.originY + 0.5f);
    glEnd();
}

void DrawRectangle(float x, float y, float w, float h) {
    if (drawRecordingOn) RecordShapeCall(TDrawKind::Rectangle, x, y, w, h);
    NoteScreenDrawn();
    DisableTexturing();
    if (!Drawing()) return;
    const TDrawState& s = g.current->state;
    const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        float sx, sy;
        Place(s, x, y, c[0], c[1], sx, sy);
        glVertex2f(sx, sy);
    }
    glEnd();
}

void DrawLineSegment(float x1, float y1, float x2, float y2, int lastPixel) {
    if (drawRecordingOn) RecordShapeCall(TDrawKind::Line, x1, y1, x2, y2);
    NoteScreenDrawn();
    DisableTexturing();
    if (!Drawing()) return;
    const TDrawState& s = g.current->state;
    float ax, ay, bx, by;
    Place(s, x1, y1, 0, 0, ax, ay);
    Place(s, x1, y1, x2 - x1, y2 - y1, bx, by);
    ax += 0.5f;
    ay += 0.5f;
    bx += 0.5f;
    by += 0.5f;
    glBegin(GL_LINES);
    glVertex2f(ax, ay);
    glVertex2f(bx, by);
    glEnd();
    // Lines leave out their last pixel; the game wants it drawn.
    if (lastPixel) {
        glBegin(GL_POINTS);
        glVertex2f(bx, by);
        glEnd();
    }
}

int EllipseSegmentCount(float w, float h) {
    float sum = std::fabs(w / 2) + std::fabs(h / 2);
    int n = sum < 1e6f ? static_cast<int>(sum) : 1000000;  // huge boxes need no more
    n = std::max(n, 12);
    return n - n % 4;
}

void DrawEllipse(float x, float y, float w, float h) {
    if (drawRecordingOn) RecordShapeCall(TDrawKind::Ellipse, x, y, w, h);
    NoteScreenDrawn();
    DisableTexturing();
    if (!Drawing()) return;
    const TDrawState& s = g.current->state;
    float rx = w / 2, ry = h / 2;
    int n = EllipseSegmentCount(w, h);
    glBegin(GL_POLYGON);
    for (int i = 0; i < n; ++i) {
        double a = 2.0 * kPi * i / n;
        float px = rx + rx * static_cast<float>(std::cos(a));
        float py = ry - ry * static_cast<float>(std::sin(a));
        float sx, sy;
        Place(s, x, y, px, py, sx, sy);
        glVertex2f(sx, sy);
    }
    glEnd();
}

// ---- For the image layer ----

int GLActive() {
    return g.current && g.current->native ? 1 : 0;
}

void UseTexture(unsigned textureName) {
    if (!g.current) return;
    if (g.texturingCache != 1) {
        g.texturingCache = 1;
        ++g.counters.textureEnableChanges;
        if (Drawing()) glEnable(GL_TEXTURE_2D);
    }
    if (g.textureCache != static_cast<long long>(textureName)) {
        g.textureCache = textureName;
        ++g.counters.textureBinds;
        if (Drawing()) glBindTexture(GL_TEXTURE_2D, textureName);
    }
    ApplyTextureEnv();
}

void DisableTexturing() {
    if (!g.current || g.texturingCache == 0) return;
    g.texturingCache = 0;
    ++g.counters.textureEnableChanges;
    if (!Drawing()) return;
    glDisable(GL_TEXTURE_2D);
    g.current->programs.Use(TTexturePrograms::kNone);
}

void ForgetTexture(unsigned textureName) {
    if (g.textureCache == static_cast<long long>(textureName)) g.textureCache = -1;
}

void DeleteLiveTexture(unsigned textureName, int sequence) {
    if (textureName == 0 || !GLActive() || sequence != GraphicsSequence()) return;
    GLuint n = textureName;
    glDeleteTextures(1, &n);
    ForgetTexture(textureName);
}

// ---- Window events and pointer ----

void PumpWindowEvents() {
    if (g.current && g.current->native) NativePumpEvents(g.current->native.get());
}

void WarpWindowPointer(int x, int y) {
    if (!g.current) return;
    if (g.current->native)
        NativeWarpPointer(g.current->native.get(), x, y);
    else
        ApplyPointerMoved(x, y);
}

void HideWindowPointer() {
    if (g.current && g.current->native) NativeHidePointer(g.current->native.get());
}

void ShowWindowPointer() {
    if (g.current && g.current->native) NativeShowPointer(g.current->native.get());
}

// ---- Shortcuts ----

int ShiftedLayersOn() {
    return ShortcutsOn() && g.current && g.current->llvmpipe ? 1 : 0;
}

int ShortcutsOn() {
    if (g.shortcuts < 0) {
        const char* off = std::getenv("TAVRIK_NO_SHORTCUTS");
        g.shortcuts = off && std::string(off) == "1" ? 0 : 1;
    }
    return g.shortcuts;
}

void SetShortcuts(int on) {
    g.shortcuts = on ? 1 : 0;
}

// ---- Frame probe ----

void SetFrameProbe(void (*probe)(TFramePoint)) {
    g.frameProbe = probe;
}

void NoteFramePoint(TFramePoint point) {
    if (g.frameProbe && Drawing()) g.frameProbe(point);
}

// ---- Headless graphics ----

void SetHeadlessGraphics(int on) {
    g.headless = on ? 1 : 0;
}

void SetHeadlessDesktop(int width, int height) {
    g.headlessWidth = width;
    g.headlessHeight = height;
}

TGraphicsCounters& GraphicsCounters() {
    return g.counters;
}

void ResetGraphics() {
    CloseGraphicsMode();
    g = TGraphicsGlobals{};
}

namespace {
const int stateResetRegistered = RegisterStateReset("graphics", kResetRankPlatform, &ResetGraphics);
}  // namespace
