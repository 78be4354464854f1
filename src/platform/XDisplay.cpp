// Xlib, XF86VidMode and GLX behind the graphics layer.
#include "platform/XDisplay.h"

#include "platform/Input.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/xf86vmode.h>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <ctime>
#include <unistd.h>

// The X objects of one open window or full screen.
struct TXWindow {
    Window window = 0;              // the drawable
    Colormap colormap = 0;          // own colormap for the GL visual
    GLXContext context = nullptr;   // the OpenGL context
    int fullScreen = 0;             // 1 while the window covers the screen
    int overrideRedirect = 0;       // 1 while no window manager handles the window
    int modeSwitched = 0;           // 1 when the desktop mode must be restored
    int grabbed = 0;                // 1 when keyboard and pointer are grabbed
    int pointerFreed = 0;           // 1 while the pointer grab is let go (cursor shown)
    int swapInterval = -1;          // the last swap interval set (-1: not yet)
};

namespace {

// Mode flags of the video-mode extension (interlaced, double scan).
constexpr unsigned kModeInterlace = 0x010;
constexpr unsigned kModeDoubleScan = 0x020;

// Longest wait for the window manager to say how large its frame around a window is, and the
// largest side of a frame believed.
constexpr long kFrameExtentsWaitMs = 500;
constexpr unsigned long kMaxFrameSide = 32767;
// More desktops than a manager could mean; a larger desktop number is not believed.
constexpr unsigned long kMaxDesktops = 1024;

// Tries at connecting to the X server, and the pause between two tries.
constexpr int kConnectAttempts = 3;
constexpr useconds_t kConnectRetryPauseUs = 100000;

using SwapIntervalSGIProc = int (*)(int);
using SwapIntervalMESAProc = int (*)(unsigned);

// The connection and what was learnt about the display, kept for the whole run.
struct TXState {
    Display* display = nullptr;      // the one connection
    int screen = 0;                  // default screen
    int connectTried = 0;            // the connection is tried once per run
    int glx = 0;                     // 1 when GLX is offered
    SwapIntervalSGIProc swapIntervalSGI = nullptr;    // GLX_SGI_swap_control
    SwapIntervalMESAProc swapIntervalMESA = nullptr;  // GLX_MESA_swap_control
    int vidMode = 0;                 // 1 when the mode list came from XF86VidMode
    XF86VidModeModeInfo** modes = nullptr;  // the mode list, first entry the desktop mode
    int modeCount = 0;
    int desktopWidth = 0;            // first mode (or screen) size
    int desktopHeight = 0;
    Cursor emptyCursor = 0;          // made on first use
    int frameAsked = 0;              // 1 once the window manager was asked for its frame
    int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;  // its answer
    int lastError = 0;               // code of the last protocol error, 0 when none
};

TXState x;

// Protocol errors are recorded instead of ending the process; callers check lastError
// after an XSync where a request may fail (window creation, mode switch).
int OnXError(Display*, XErrorEvent* event) {
    x.lastError = event->error_code ? event->error_code : 1;
    return 0;
}

int OnIOError(Display*) {
    return 0;
}

// The server went away: there is nothing left to draw on or read input from, so the game
// ends here, with a notice and the exit code every other exit path gives (0). _exit, not
// exit: the audio thread may still run and static destructors must not touch the display.
void OnIOExit(Display*, void*) {
    std::fputs("display connection lost\r\n", stdout);
    std::fflush(stdout);
    _exit(0);
}

long MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Whole-word match in a space-separated extension list.
int HasExtension(const char* list, const char* name) {
    if (!list) return 0;
    size_t len = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += len) {
        bool startOk = p == list || p[-1] == ' ';
        bool endOk = p[len] == ' ' || p[len] == '\0';
        if (startOk && endOk) return 1;
    }
    return 0;
}

void ReadModeList() {
    Display* d = x.display;
    int eventBase = 0, errorBase = 0, count = 0;
    XF86VidModeModeInfo** modes = nullptr;
    if (XF86VidModeQueryExtension(d, &eventBase, &errorBase) &&
        XF86VidModeGetAllModeLines(d, x.screen, &count, &modes) && count > 0 && modes) {
        x.vidMode = 1;
        x.modes = modes;
        x.modeCount = count;
        x.desktopWidth = modes[0]->hdisplay;
        x.desktopHeight = modes[0]->vdisplay;
        return;
    }
    if (modes) XFree(modes);
    // No video-mode extension (Xvfb, XWayland): the only mode is the screen as it is.
    x.desktopWidth = DisplayWidth(d, x.screen);
    x.desktopHeight = DisplayHeight(d, x.screen);
}

int Connect() {
    if (x.connectTried) return x.display != nullptr;
    x.connectTried = 1;
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnIOError);
    // The game's 1 ms alarm must not interrupt the connection handshake: Xlib gives up on
    // an interrupted connect or read there. A pending alarm is delivered right after.
    sigset_t alarm, previous;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, &previous);
    // A server that is there now and then refuses a connection for a moment (seen about once
    // in fifty starts under a busy Xvfb): a few tries, a short pause apart.
    for (int attempt = 1; attempt <= kConnectAttempts; ++attempt) {
        errno = 0;
        x.display = XOpenDisplay(nullptr);
        if (x.display) break;
        DebugNote("no connection to the X display (try " + std::to_string(attempt) + "): " +
                  (errno ? std::strerror(errno) : "no reason given"));
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) break;  // nothing to try again
        if (attempt < kConnectAttempts) usleep(kConnectRetryPauseUs);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!x.display) return 0;
    XSetIOErrorExitHandler(x.display, OnIOExit, nullptr);
    x.screen = DefaultScreen(x.display);
    int errorBase = 0, eventBase = 0;
    x.glx = glXQueryExtension(x.display, &errorBase, &eventBase) ? 1 : 0;
    if (!x.glx) DebugNote("the X display offers no GLX");
    if (x.glx) {
        const char* ext = glXQueryExtensionsString(x.display, x.screen);
        if (HasExtension(ext, "GLX_SGI_swap_control"))
            x.swapIntervalSGI = reinterpret_cast<SwapIntervalSGIProc>(
                glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalSGI")));
        if (HasExtension(ext, "GLX_MESA_swap_control"))
            x.swapIntervalMESA = reinterpret_cast<SwapIntervalMESAProc>(
                glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
    }
    ReadModeList();
    return 1;
}

// Refresh rate of a mode in whole Hz as the mode list states it.
int ModeRefresh(const XF86VidModeModeInfo* m) {
    double pixels = static_cast<double>(m->htotal) * m->vtotal;
    if (pixels <= 0) return 0;
    int hz = static_cast<int>(m->dotclock * 1000.0 / pixels + 0.5);
    if (m->flags & kModeInterlace) hz *= 2;
    if (m->flags & kModeDoubleScan) hz /= 2;
    return hz;
}

// First mode of exactly that size at that refresh, else the first of that size.
XF86VidModeModeInfo* FindMode(int width, int height, int hz) {
    for (int i = 0; i < x.modeCount; ++i) {
        XF86VidModeModeInfo* m = x.modes[i];
        if (m->hdisplay == width && m->vdisplay == height && ModeRefresh(m) == hz) return m;
    }
    for (int i = 0; i < x.modeCount; ++i) {
        XF86VidModeModeInfo* m = x.modes[i];
        if (m->hdisplay == width && m->vdisplay == height) return m;
    }
    return nullptr;
}

// Waits (at most two seconds) until the server reports the window mapped.
void WaitUntilMapped(Window window) {
    XEvent event;
    long start = MonotonicMs();
    while (!XCheckTypedWindowEvent(x.display, window, MapNotify, &event)) {
        if (MonotonicMs() - start > 2000) return;
        usleep(1000);
    }
}

// Grabs keyboard and pointer (confined to the window); a grab can fail while the window
// is not yet viewable, so it is retried for a while.
int GrabInput(Window window) {
    Display* d = x.display;
    for (int tries = 0; tries < 100; ++tries) {
        if (XGrabKeyboard(d, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
            GrabSuccess) {
            for (; tries < 100; ++tries) {
                if (XGrabPointer(d, window, True,
                                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 GrabModeAsync, GrabModeAsync, window, None,
                                 CurrentTime) == GrabSuccess)
                    return 1;
                usleep(10000);
            }
            XUngrabKeyboard(d, CurrentTime);
            return 0;
        }
        usleep(10000);
    }
    return 0;
}

// Everything the game reads from its window.
constexpr long kInputMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | StructureNotifyMask | FocusChangeMask;

// Longest wait for the window manager or the server to carry out a size change.
constexpr long kResizeWaitMs = 2000;

// A window manager should keep the window where and as large as it was asked for.
void SetFixedSizeHints(Window window, int left, int top, int width, int height) {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PPosition | PMinSize | PMaxSize;
    hints->x = left;
    hints->y = top;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(x.display, window, hints);
    XFree(hints);
}

// Switches back to the desktop's mode (the first of the list) when the window switched away from it.
void RestoreDesktopMode(TXWindow* window) {
    if (!window->modeSwitched || x.modeCount <= 0) return;
    XF86VidModeSwitchToMode(x.display, x.screen, x.modes[0]);
    XF86VidModeSetViewPort(x.display, x.screen, 0, 0);
    window->modeSwitched = 0;
}

// The items of a property of 32-bit items of that type (at most length of them), as longs,
// as Xlib hands them over; empty when the window has no such property.
std::vector<unsigned long> PropertyItems(Window window, const char* name, Atom type, long length) {
    Atom atom = XInternAtom(x.display, name, True);
    if (atom == None) return {};
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    x.lastError = 0;
    int status = XGetWindowProperty(x.display, window, atom, 0, length, False, type, &actualType, &format,
                                    &count, &after, &data);
    XSync(x.display, False);
    std::vector<unsigned long> items;
    if (status == Success && !x.lastError && actualType == type && format == 32 && data) {
        const unsigned long* first = reinterpret_cast<unsigned long*>(data);
        items.assign(first, first + count);
    }
    if (data) XFree(data);
    return items;
}

// 1 when an EWMH window manager runs.
int WindowManagerRunning() {
    Window root = RootWindow(x.display, x.screen);
    std::vector<unsigned long> check = PropertyItems(root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1);
    if (check.empty() || !check[0]) return 0;
    // A manager that has gone leaves a stale check window behind; a live one names itself.
    return !PropertyItems(static_cast<Window>(check[0]), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1).empty();
}

// 1 when a window manager runs that takes full-screen requests (_NET_WM_STATE_FULLSCREEN).
int WindowManagerTakesFullScreen() {
    Display* d = x.display;
    Atom fullScreen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", True);
    if (fullScreen == None || !WindowManagerRunning()) return 0;
    for (unsigned long atom : PropertyItems(RootWindow(d, x.screen), "_NET_SUPPORTED", XA_ATOM, 4096))
        if (atom == fullScreen) return 1;
    return 0;
}

// Asks the window manager once per run how large a frame it puts around a window, with a
// window that is never mapped; nothing is learnt when it does not answer in time.
void LearnFrameExtents() {
    if (x.frameAsked) return;
    x.frameAsked = 1;
    Display* d = x.display;
    Window root = RootWindow(d, x.screen);
    Window probe = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    // Sized like the game's windows, fixed, so it is framed like them (no resize handle).
    SetFixedSizeHints(probe, 0, 0, 1, 1);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = probe;
    event.xclient.message_type = XInternAtom(d, "_NET_REQUEST_FRAME_EXTENTS", False);
    event.xclient.format = 32;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(d);
    const long start = MonotonicMs();
    do {
        std::vector<unsigned long> frame = PropertyItems(probe, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
        if (frame.size() == 4) {
            auto side = [](unsigned long v) { return static_cast<int>(std::min(v, kMaxFrameSide)); };
            x.frameLeft = side(frame[0]);
            x.frameRight = side(frame[1]);
            x.frameTop = side(frame[2]);
            x.frameBottom = side(frame[3]);
            break;
        }
        usleep(5000);
    } while (MonotonicMs() - start < kFrameExtentsWaitMs);
    XDestroyWindow(d, probe);
    XSync(d, False);
}

// The desktop's work area (the screen less panels and docks) where the window manager
// says so, else the whole screen.
void WorkArea(int& left, int& top, int& width, int& height) {
    Display* d = x.display;
    left = top = 0;
    width = DisplayWidth(d, x.screen);
    height = DisplayHeight(d, x.screen);
    if (!WindowManagerRunning()) return;
    Window root = RootWindow(d, x.screen);
    std::vector<unsigned long> desktop = PropertyItems(root, "_NET_CURRENT_DESKTOP", XA_CARDINAL, 1);
    const unsigned long current = desktop.empty() ? 0 : desktop[0];
    if (current >= kMaxDesktops) return;
    std::vector<unsigned long> area =
        PropertyItems(root, "_NET_WORKAREA", XA_CARDINAL, static_cast<long>(4 * (current + 1)));
    if (area.size() < 4 * (current + 1)) return;
    const unsigned long* a = &area[4 * current];
    // A manager's area lies on the screen; anything else is not believed.
    if (a[2] < 1 || a[3] < 1 || a[0] + a[2] > static_cast<unsigned long>(width) ||
        a[1] + a[3] > static_cast<unsigned long>(height))
        return;
    left = static_cast<int>(a[0]);
    top = static_cast<int>(a[1]);
    width = static_cast<int>(a[2]);
    height = static_cast<int>(a[3]);
}

// Asks the window manager to add (1) or remove (0) the full-screen state.
void RequestFullScreenState(Window window, int on) {
    Display* d = x.display;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? 1 : 0;
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False));
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = 1;  // a normal application asks
    XSendEvent(d, RootWindow(d, x.screen), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(d);
}

// Waits (bounded) until the window has been given that size.
void WaitForSize(Window window, int width, int height) {
    long start = MonotonicMs();
    do {
        Window root = 0;
        int px = 0, py = 0;
        unsigned w = 0, h = 0, border = 0, depth = 0;
        if (XGetGeometry(x.display, window, &root, &px, &py, &w, &h, &border, &depth) &&
            static_cast<int>(w) == width && static_cast<int>(h) == height)
            return;
        usleep(5000);
    } while (MonotonicMs() - start < kResizeWaitMs);
    DebugNote("the window did not take the size " + std::to_string(width) + " x " + std::to_string(height));
}

// Name, class, process and icon, so docks and task switchers can tell the window apart and
// match it to the menu entry.
void SetIdentity(Window window, const TXWindowIdentity& identity) {
    Display* d = x.display;
    XStoreName(d, window, identity.title.c_str());
    if (XClassHint* hint = XAllocClassHint()) {
        std::string instance = identity.instance, className = identity.className;
        hint->res_name = instance.data();
        hint->res_class = className.data();
        XSetClassHint(d, window, hint);
        XFree(hint);
    }
    // A process id means something only together with the machine it runs on.
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) {
        char* names[] = {host};
        XTextProperty machine{};
        if (XStringListToTextProperty(names, 1, &machine)) {
            XSetWMClientMachine(d, window, &machine);
            XFree(machine.value);
        }
        unsigned long pid = static_cast<unsigned long>(getpid());
        XChangeProperty(d, window, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&pid), 1);
    }
    if (!identity.icons.empty() && identity.icons.size() < INT_MAX) {
        // Format 32 properties travel as longs on the client side.
        std::vector<unsigned long> icons(identity.icons.begin(), identity.icons.end());
        XChangeProperty(d, window, XInternAtom(d, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(icons.data()), static_cast<int>(icons.size()));
    }
}

// Has a window that is not mapped yet come up in the full-screen state.
void SetFullScreenStateBeforeMapping(Window window) {
    Display* d = x.display;
    unsigned long state = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&state), 1);
}

// Drops the focus and unmapping events the game's own unmapping of the window caused: they
// are not the player leaving the game.
void DropOwnUnmapEvents(Window window) {
    XSync(x.display, False);
    XEvent event;
    while (XCheckTypedWindowEvent(x.display, window, UnmapNotify, &event) ||
           XCheckTypedWindowEvent(x.display, window, FocusOut, &event)) {
    }
}

void SetSwapInterval(int interval) {
    int done = 0;
    if (x.swapIntervalSGI) done = x.swapIntervalSGI(interval) == 0;
    // The SGI call refuses 0 on some drivers; the MESA one takes it.
    if (!done && x.swapIntervalMESA) x.swapIntervalMESA(static_cast<unsigned>(interval));
}

}  // namespace

void TXWindowCloser::operator()(TXWindow* window) const {
    std::unique_ptr<TXWindow> owned(window);
    Display* d = x.display;
    if (!d || !window) return;
    if (window->context) {
        glXMakeCurrent(d, None, nullptr);
        glXDestroyContext(d, window->context);
    }
    if (window->grabbed) {
        XUngrabPointer(d, CurrentTime);
        XUngrabKeyboard(d, CurrentTime);
    }
    if (window->window) XDestroyWindow(d, window->window);
    if (window->colormap) XFreeColormap(d, window->colormap);
    RestoreDesktopMode(window);
    // Wait until the server has handled the destroy, so the window is gone for every client
    // once closing returns (a flush alone left it briefly visible on a busy server).
    XSync(d, False);
}

int NativeDisplayReady() {
    return Connect() && x.glx;
}

int NativeDesktopWidth() {
    return Connect() ? x.desktopWidth : 0;
}

int NativeDesktopHeight() {
    return Connect() ? x.desktopHeight : 0;
}

std::vector<std::pair<int, int>> NativeModeSizes() {
    std::vector<std::pair<int, int>> sizes;
    if (!Connect()) return sizes;
    if (!x.vidMode) return {{x.desktopWidth, x.desktopHeight}};
    for (int i = 0; i < x.modeCount; ++i) {
        std::pair<int, int> size{x.modes[i]->hdisplay, x.modes[i]->vdisplay};
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) sizes.push_back(size);
    }
    return sizes;
}

void NativeWindowRoom(int& width, int& height) {
    width = height = 0;
    if (!Connect()) return;
    int left = 0, top = 0;
    WorkArea(left, top, width, height);
    if (WindowManagerRunning()) {
        LearnFrameExtents();
        width -= x.frameLeft + x.frameRight;
        height -= x.frameTop + x.frameBottom;
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
}

// Says why a window could not be opened (a developer's note) and gives no window.
static TXWindowPtr Refused(const char* why) {
    DebugNote(std::string("graphics not opened: ") + why);
    return nullptr;
}

TXWindowPtr NativeOpenWindow(int width, int height, int kind, int hz, int flags,
                             const TXWindowIdentity& identity) {
    // The protocol carries sizes in 16 bits; larger ones would silently wrap.
    if (width < 1 || height < 1 || width > 32767 || height > 32767) return nullptr;
    if (!NativeDisplayReady()) return Refused("no X display with GLX");
    Display* d = x.display;
    Window root = RootWindow(d, x.screen);

    const int fullScreen = kind == kNativeWindowed ? 0 : 1;
    // Borderless full screen is a window the manager makes full screen where one runs, else
    // one it never sees; either way nothing is grabbed and no mode switched.
    const int borderless = kind == kNativeBorderless;
    const int managed = !fullScreen || (borderless && WindowManagerTakesFullScreen());
    int left = 0, top = 0;
    if (!fullScreen) {
        int areaWidth = 0, areaHeight = 0;
        WorkArea(left, top, areaWidth, areaHeight);
    }
    XF86VidModeModeInfo* mode = nullptr;
    if (fullScreen && !borderless) {
        if (x.vidMode) {
            mode = FindMode(width, height, hz);
            if (!mode) return Refused("no such video mode");
        } else if (width != x.desktopWidth || height != x.desktopHeight) {
            return Refused("full screen only at the desktop size without video modes");
        }
    }

    int attribs[32];
    int n = 0;
    attribs[n++] = GLX_RGBA;
    attribs[n++] = GLX_RED_SIZE;
    attribs[n++] = 1;
    attribs[n++] = GLX_GREEN_SIZE;
    attribs[n++] = 1;
    attribs[n++] = GLX_BLUE_SIZE;
    attribs[n++] = 1;
    if (flags & 2) attribs[n++] = GLX_DOUBLEBUFFER;
    if (flags & 4) {
        attribs[n++] = GLX_ALPHA_SIZE;
        attribs[n++] = 1;
    }
    if (flags & 8) {
        attribs[n++] = GLX_DEPTH_SIZE;
        attribs[n++] = 1;
    }
    if (flags & 16) {
        attribs[n++] = GLX_STENCIL_SIZE;
        attribs[n++] = 1;
    }
    if (flags & 32) {
        for (int a : {GLX_ACCUM_RED_SIZE, GLX_ACCUM_GREEN_SIZE, GLX_ACCUM_BLUE_SIZE,
                      GLX_ACCUM_ALPHA_SIZE}) {
            attribs[n++] = a;
            attribs[n++] = 1;
        }
    }
    attribs[n] = None;

    XVisualInfo* visual = glXChooseVisual(d, x.screen, attribs);
    if (!visual) return Refused("no suitable GLX visual");

    TXWindowPtr w(std::make_unique<TXWindow>().release());
    w->fullScreen = fullScreen;
    w->overrideRedirect = !managed;
    x.lastError = 0;
    w->context = glXCreateContext(d, visual, nullptr, True);
    XSync(d, False);
    if (!w->context || x.lastError) {
        XFree(visual);
        return Refused("no OpenGL context");
    }
    w->colormap = XCreateColormap(d, root, visual->visual, AllocNone);

    if (mode) {
        XF86VidModeSwitchToMode(d, x.screen, mode);
        XF86VidModeSetViewPort(d, x.screen, 0, 0);
        w->modeSwitched = 1;
    }

    XSetWindowAttributes attr{};
    attr.colormap = w->colormap;
    attr.border_pixel = 0;
    attr.background_pixel = 0;
    attr.event_mask = StructureNotifyMask;
    attr.override_redirect = managed ? False : True;
    unsigned long mask = CWColormap | CWBorderPixel | CWBackPixel | CWEventMask;
    if (!managed) mask |= CWOverrideRedirect;
    w->window = XCreateWindow(d, root, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                              visual->visual, mask, &attr);
    XFree(visual);
    XSync(d, False);
    if (!w->window || x.lastError) return Refused("window not created");

    SetIdentity(w->window, identity);
    if (!fullScreen) SetFixedSizeHints(w->window, left, top, width, height);
    if (fullScreen && managed) SetFullScreenStateBeforeMapping(w->window);
    XMapRaised(d, w->window);

    if (!fullScreen || borderless) {
        if (!glXMakeCurrent(d, w->window, w->context)) return Refused("OpenGL context not made current");
        WaitUntilMapped(w->window);
        XSelectInput(d, w->window, kInputMask);
    } else {
        WaitUntilMapped(w->window);
        XSelectInput(d, w->window, kInputMask);
        XWarpPointer(d, None, w->window, 0, 0, 0, 0, width / 2, height / 2);
        w->grabbed = GrabInput(w->window);
        if (!glXMakeCurrent(d, w->window, w->context)) return Refused("OpenGL context not made current");
    }
    XSync(d, False);
    if (x.lastError) return Refused("X error while opening the window");
    return w;
}

void NativeMakeCurrent(TXWindow* window) {
    if (window && x.display) glXMakeCurrent(x.display, window->window, window->context);
}

void NativeSwapBuffers(TXWindow* window, int vsync) {
    if (!window || !x.display) return;
    if (vsync != window->swapInterval) {
        window->swapInterval = vsync;
        SetSwapInterval(vsync);
    }
    glXSwapBuffers(x.display, window->window);
    XFlush(x.display);
}

void NativePumpEvents(TXWindow* window) {
    Display* d = x.display;
    if (!window || !d) return;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.xany.window != window->window) continue;
        switch (event.type) {
        case KeyPress: {
            int code = KeyCodeForKeysym(XLookupKeysym(&event.xkey, 0));
            if (code) ApplyKeyDown(code);
            char text[16];
            KeySym keysym = 0;
            int count = XLookupString(&event.xkey, text, 15, &keysym, nullptr);
            for (int i = 0; i < count && i < 15; ++i)
                ApplyTypedChar(static_cast<unsigned char>(text[i]));
            break;
        }
        case KeyRelease: {
            int code = KeyCodeForKeysym(XLookupKeysym(&event.xkey, 0));
            // Auto-repeat arrives as a release and a press of the same key at the same
            // time: that pair is one repeat, not a release and a new hit.
            if (XEventsQueued(d, QueuedAfterReading) > 0) {
                XEvent next;
                XPeekEvent(d, &next);
                if (next.type == KeyPress && next.xkey.window == event.xkey.window &&
                    next.xkey.keycode == event.xkey.keycode &&
                    next.xkey.time == event.xkey.time) {
                    XNextEvent(d, &next);
                    if (code) ApplyKeyRepeat(code);
                    break;
                }
            }
            if (code) ApplyKeyUp(code);
            break;
        }
        case ButtonPress:
            switch (event.xbutton.button) {
            case 1: ApplyMouseDown(1); break;
            case 2: ApplyMouseDown(3); break;
            case 3: ApplyMouseDown(2); break;
            case 4: ApplyWheel(1); break;
            case 5: ApplyWheel(-1); break;
            default: break;
            }
            break;
        case ButtonRelease:
            switch (event.xbutton.button) {
            case 1: ApplyMouseUp(1); break;
            case 2: ApplyMouseUp(3); break;
            case 3: ApplyMouseUp(2); break;
            default: break;
            }
            break;
        case MotionNotify:
            ApplyPointerMoved(event.xmotion.x, event.xmotion.y);
            break;
        case FocusIn:
        case MapNotify:
            // The keyboard is the window's again; without a window manager no FocusIn may
            // follow a map, so being mapped counts too.
            ApplyFocusGained();
            break;
        case FocusOut:
            // Another window took the keyboard. Focus that only follows a grab (a window
            // manager's key binding) or moves inside the window or with the pointer is not
            // a loss.
            if ((event.xfocus.mode == NotifyNormal || event.xfocus.mode == NotifyWhileGrabbed) &&
                event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) {
                DebugNote("the window lost the focus");
                ApplyFocusLost();
            }
            break;
        case UnmapNotify:
            DebugNote("the window was unmapped");
            ApplyFocusLost();  // iconified
            break;
        default:
            break;
        }
    }
}

void NativeWarpPointer(TXWindow* window, int px, int py) {
    if (!window || !x.display) return;
    XWarpPointer(x.display, None, window->window, 0, 0, 0, 0, px, py);
    XFlush(x.display);
}

void NativeHidePointer(TXWindow* window) {
    Display* d = x.display;
    if (!window || !d) return;
    if (!x.emptyCursor) {
        Window root = RootWindow(d, x.screen);
        Pixmap blank = XCreatePixmap(d, root, 8, 8, 1);
        GC gc = XCreateGC(d, blank, 0, nullptr);
        XSetForeground(d, gc, 0);
        XFillRectangle(d, blank, gc, 0, 0, 8, 8);
        XFreeGC(d, gc);
        XColor black{};
        x.emptyCursor = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
        XFreePixmap(d, blank);
    }
    XDefineCursor(d, window->window, x.emptyCursor);
    if (window->grabbed && window->pointerFreed) {
        XGrabPointer(d, window->window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                     GrabModeAsync, GrabModeAsync, window->window, None, CurrentTime);
        window->pointerFreed = 0;
    }
    XFlush(d);
}

void NativeShowPointer(TXWindow* window) {
    if (!window || !x.display) return;
    // A shown pointer may leave the window: a full-screen grab lets it go until hidden again.
    if (window->grabbed && !window->pointerFreed) {
        XUngrabPointer(x.display, CurrentTime);
        window->pointerFreed = 1;
    }
    XUndefineCursor(x.display, window->window);
    XFlush(x.display);
}

int NativeResizeWindow(TXWindow* window, int width, int height, int fullScreen) {
    Display* d = x.display;
    if (!window || !d || width < 1 || height < 1 || width > 32767 || height > 32767) return 0;
    // Full screen is borderless at the desktop's size, never a mode switch: a mode switched
    // at opening is left first.
    RestoreDesktopMode(window);
    if (window->grabbed) {
        XUngrabPointer(d, CurrentTime);
        XUngrabKeyboard(d, CurrentTime);
        window->grabbed = 0;
        window->pointerFreed = 0;
    }
    const int manager = WindowManagerTakesFullScreen();
    int left = 0, top = 0;
    if (!fullScreen) {
        int areaWidth = 0, areaHeight = 0;
        WorkArea(left, top, areaWidth, areaHeight);
    }
    if (manager && !window->overrideRedirect) {
        // The window manager places and sizes the window.
        if (fullScreen) {
            XSizeHints* hints = XAllocSizeHints();
            if (hints) {
                hints->flags = PPosition;
                XSetWMNormalHints(d, window->window, hints);
                XFree(hints);
            }
            RequestFullScreenState(window->window, 1);
        } else {
            RequestFullScreenState(window->window, 0);
            SetFixedSizeHints(window->window, left, top, width, height);
            XMoveResizeWindow(d, window->window, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
        }
    } else {
        // Without a manager (or leaving an unmanaged window): an unmapped window takes the new
        // override-redirect setting, then comes back at its new place and size.
        const int overrideRedirect = fullScreen && !manager;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(d, &focus, &revert);
        XUnmapWindow(d, window->window);
        XSetWindowAttributes attr{};
        attr.override_redirect = overrideRedirect ? True : False;
        XChangeWindowAttributes(d, window->window, CWOverrideRedirect, &attr);
        if (!fullScreen) SetFixedSizeHints(window->window, left, top, width, height);
        XMoveResizeWindow(d, window->window, left, top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        XMapRaised(d, window->window);
        WaitUntilMapped(window->window);
        // Unmapping gave the keyboard's focus away; without a manager to hand it back, the
        // window takes it again.
        if (focus == window->window && !manager) XSetInputFocus(d, window->window, RevertToParent, CurrentTime);
        DropOwnUnmapEvents(window->window);
        window->overrideRedirect = overrideRedirect;
        if (fullScreen && manager) RequestFullScreenState(window->window, 1);
    }
    WaitForSize(window->window, width, height);
    window->fullScreen = fullScreen;
    XSync(d, False);
    return 1;
}
