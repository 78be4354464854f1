// The display layer on a real X server with OpenGL: windows, pixels drawn, protocol
// errors survived, keyboard and mouse events arriving as input, and images, text and
// screen capture drawn and read back pixel for pixel.
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TFont.h"
#include "platform/TGraphics.h"
#include "platform/TImage.h"
#include "platform/TImageFrame.h"
#include "platform/TPixmap.h"

// gtest before Xlib, whose None and Bool macros break it.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/xf86vmode.h>
#include <X11/keysym.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* kTitle = "Graphics x11 test";

class GraphicsX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetAppTitle(kTitle);
        probe = XOpenDisplay(nullptr);
        ASSERT_NE(probe, nullptr) << "these tests need DISPLAY";
    }
    void TearDown() override {
        ResetGraphics();
        ResetInputAndTiming();
        if (probe) XCloseDisplay(probe);
    }

    // Top-level windows named kTitle, seen through a connection of the test's own.
    std::vector<Window> WindowsNamed(const char* name) {
        std::vector<Window> found;
        Window root = DefaultRootWindow(probe), parent = 0, *children = nullptr;
        unsigned count = 0;
        XSync(probe, False);
        if (!XQueryTree(probe, root, &root, &parent, &children, &count)) return found;
        for (unsigned i = 0; i < count; ++i) {
            char* text = nullptr;
            if (XFetchName(probe, children[i], &text) && text) {
                if (std::string(text) == name) found.push_back(children[i]);
                XFree(text);
            }
        }
        if (children) XFree(children);
        return found;
    }

    Window OurWindow() {
        std::vector<Window> w = WindowsNamed(kTitle);
        return w.size() == 1 ? w[0] : 0;
    }

    void Focus() {
        Window w = OurWindow();
        ASSERT_NE(w, 0u);
        XSetInputFocus(probe, w, RevertToParent, CurrentTime);
        XSync(probe, False);
    }

    void Key(KeySym keysym, bool down) {
        XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, keysym), down ? True : False, 0);
        XSync(probe, False);
    }

    void Tap(KeySym keysym) {
        Key(keysym, true);
        Key(keysym, false);
    }

    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(probe, button, down ? True : False, 0);
        XSync(probe, False);
    }

    // Sends a key event straight to the window, with a time of our choosing.
    void SendKey(KeySym keysym, bool press, Time time) {
        Window w = OurWindow();
        XEvent e{};
        e.xkey.type = press ? KeyPress : KeyRelease;
        e.xkey.display = probe;
        e.xkey.window = w;
        e.xkey.root = DefaultRootWindow(probe);
        e.xkey.time = time;
        e.xkey.keycode = XKeysymToKeycode(probe, keysym);
        e.xkey.same_screen = True;
        XSendEvent(probe, w, False, press ? KeyPressMask : KeyReleaseMask, &e);
    }

    int HasVideoModes() {
        int eventBase = 0, errorBase = 0;
        return XF86VidModeQueryExtension(probe, &eventBase, &errorBase) ? 1 : 0;
    }

    // Size of the video mode the server shows now.
    std::pair<int, int> CurrentMode() {
        int dotclock = 0;
        XF86VidModeModeLine line{};
        XF86VidModeGetModeLine(probe, DefaultScreen(probe), &dotclock, &line);
        if (line.privsize && line.c_private) XFree(line.c_private);
        return {line.hdisplay, line.vdisplay};
    }

    Display* probe = nullptr;
};

// Polls until the condition holds or a second has passed.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        PollEvents();
        if (condition()) return true;
        usleep(5000);
    }
    return condition();
}

// Typed characters waiting now, after the events have had time to arrive.
std::string TypedChars() {
    usleep(50000);
    std::string text;
    for (int c; (c = NextTypedChar()) != 0;) text += static_cast<char>(c);
    return text;
}

// RGB of the back buffer at a screen position (y downwards).
std::array<int, 3> Pixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, GraphicsHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

bool Near(std::array<int, 3> a, std::array<int, 3> b, int tolerance = 2) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    return true;
}

using RGB = std::array<int, 3>;

}  // namespace

TEST_F(GraphicsX11Test, WindowHasRequestedSizeAndTitle) {
    auto gfx = OpenGraphicsMode(320, 240, 0, 60, 0);
    ASSERT_TRUE(gfx);
    EXPECT_EQ(GLActive(), 1);
    EXPECT_EQ(GraphicsWidth(), 320);
    Window w = OurWindow();
    ASSERT_NE(w, 0u);
    XWindowAttributes attr;
    ASSERT_TRUE(XGetWindowAttributes(probe, w, &attr));
    EXPECT_EQ(attr.width, 320);
    EXPECT_EQ(attr.height, 240);
    EXPECT_EQ(attr.map_state, IsViewable);
    EXPECT_FALSE(attr.override_redirect);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 240);
    // The Xvfb screen is the only mode there is.
    EXPECT_EQ(DesktopModeWidth(), 1024);
    EXPECT_EQ(DesktopModeHeight(), 768);
    CloseGraphicsMode();
    EXPECT_EQ(OurWindow(), 0u);
    EXPECT_EQ(GLActive(), 0);
}

TEST_F(GraphicsX11Test, PrimitivesDrawInColourAndPlace) {
    ASSERT_TRUE(OpenGraphicsMode(320, 240, 0, 0, 0));
    // Both buffers start black.
    EXPECT_EQ(Pixel(5, 5), (RGB{0, 0, 0}));
    SetClearColor(0, 0, 64);
    ClearScreen();
    SetBlendMode(2);
    SetDrawColor(255, 0, 0);
    DrawRectangle(10, 10, 20, 20);
    EXPECT_EQ(Pixel(10, 10), (RGB{255, 0, 0}));
    EXPECT_EQ(Pixel(29, 29), (RGB{255, 0, 0}));
    EXPECT_EQ(Pixel(30, 30), (RGB{0, 0, 64}));
    EXPECT_EQ(Pixel(9, 15), (RGB{0, 0, 64}));

    SetDrawColor(0, 255, 0);
    DrawEllipse(100, 100, 40, 20);
    EXPECT_EQ(Pixel(120, 110), (RGB{0, 255, 0}));
    EXPECT_EQ(Pixel(102, 110), (RGB{0, 255, 0}));
    EXPECT_EQ(Pixel(101, 101), (RGB{0, 0, 64}));  // corner of the box, outside
    EXPECT_EQ(Pixel(138, 118), (RGB{0, 0, 64}));

    SetDrawColor(255, 255, 0);
    DrawLineSegment(50, 200, 80, 200);
    EXPECT_EQ(Pixel(50, 200), (RGB{255, 255, 0}));
    EXPECT_EQ(Pixel(80, 200), (RGB{255, 255, 0}));  // last pixel plotted
    EXPECT_EQ(Pixel(81, 200), (RGB{0, 0, 64}));
    EXPECT_EQ(Pixel(65, 201), (RGB{0, 0, 64}));
    DrawLineSegment(50, 210, 80, 210, 0);
    EXPECT_EQ(Pixel(79, 210), (RGB{255, 255, 0}));
    EXPECT_EQ(Pixel(80, 210), (RGB{0, 0, 64}));
    PlotPoint(5, 220);
    EXPECT_EQ(Pixel(5, 220), (RGB{255, 255, 0}));
    EXPECT_EQ(Pixel(6, 220), (RGB{0, 0, 64}));

    // Rotation turns clockwise: a 20 x 10 box at 90 degrees lies left of its position.
    SetDrawColor(255, 255, 255);
    SetDrawRotation(90);
    DrawRectangle(200, 150, 20, 10);
    SetDrawRotation(0);
    EXPECT_EQ(Pixel(195, 160), (RGB{255, 255, 255}));
    EXPECT_EQ(Pixel(205, 155), (RGB{0, 0, 64}));
    EXPECT_EQ(Pixel(195, 172), (RGB{0, 0, 64}));
}

TEST_F(GraphicsX11Test, BlendModes) {
    ASSERT_TRUE(OpenGraphicsMode(320, 240, 0, 0, 0));
    SetClearColor(0, 0, 0);
    ClearScreen();
    SetBlendMode(2);
    SetDrawColor(255, 255, 255);
    DrawRectangle(0, 0, 100, 20);

    SetBlendMode(3);  // alpha: half of black over white
    SetDrawColor(0, 0, 0);
    SetDrawAlpha(0.5f);
    DrawRectangle(0, 0, 20, 20);
    EXPECT_TRUE(Near(Pixel(10, 10), RGB{128, 128, 128})) << Pixel(10, 10)[0];

    SetBlendMode(5);  // shade: multiplies what is there
    SetDrawColor(128, 255, 0);
    SetDrawAlpha(1);
    DrawRectangle(20, 0, 20, 20);
    EXPECT_TRUE(Near(Pixel(30, 10), RGB{128, 255, 0}));

    SetBlendMode(4);  // light: adds
    SetDrawColor(100, 0, 0);
    DrawRectangle(0, 30, 20, 20);
    DrawRectangle(0, 30, 20, 20);
    EXPECT_TRUE(Near(Pixel(10, 40), RGB{200, 0, 0}));

    SetBlendMode(1);  // mask: only alpha above one half draws
    SetDrawColor(0, 0, 255);
    SetDrawAlpha(0.4f);
    DrawRectangle(40, 30, 20, 20);
    EXPECT_EQ(Pixel(50, 40), (RGB{0, 0, 0}));
    SetDrawAlpha(0.6f);
    DrawRectangle(40, 30, 20, 20);
    EXPECT_EQ(Pixel(50, 40), (RGB{0, 0, 255}));

    // An unknown mode is solid even after alpha blending was on.
    SetBlendMode(3);
    SetBlendMode(42);
    SetDrawColor(0, 255, 0);
    SetDrawAlpha(0.5f);
    DrawRectangle(60, 0, 20, 20);
    EXPECT_EQ(Pixel(70, 10), (RGB{0, 255, 0}));
}

TEST_F(GraphicsX11Test, ReopenReplacesWindowAndSequence) {
    int seq = GraphicsSequence();
    ASSERT_TRUE(OpenGraphicsMode(200, 100, 0, 60, 0));
    ASSERT_TRUE(OpenGraphicsMode(300, 150, 0, 60, 0));
    EXPECT_EQ(GraphicsSequence(), seq + 3);
    std::vector<Window> windows = WindowsNamed(kTitle);
    ASSERT_EQ(windows.size(), 1u);
    XWindowAttributes attr;
    ASSERT_TRUE(XGetWindowAttributes(probe, windows[0], &attr));
    EXPECT_EQ(attr.width, 300);
    // Drawing works in the new context.
    SetBlendMode(2);
    SetDrawColor(0, 0, 255);
    DrawRectangle(0, 0, 10, 10);
    EXPECT_EQ(Pixel(5, 5), (RGB{0, 0, 255}));
}

TEST_F(GraphicsX11Test, BadSizesAndProtocolErrorsDoNotEndTheProcess) {
    EXPECT_FALSE(OpenGraphicsMode(0, 600, 0, 60, 0));
    EXPECT_FALSE(OpenGraphicsMode(800, 0, 0, 60, 0));
    EXPECT_FALSE(OpenGraphicsMode(70000, 100, 0, 60, 0));
    EXPECT_EQ(CurrentGraphics(), nullptr);
    EXPECT_EQ(OurWindow(), 0u);
    ASSERT_TRUE(OpenGraphicsMode(100, 100, 0, 60, 0));
    // A request that fails on the server must not reach Xlib's exiting default handler.
    XDestroyWindow(probe, 0x1fffffff);
    XSync(probe, False);
    EXPECT_TRUE(OpenGraphicsMode(120, 100, 0, 60, 0));
}

TEST_F(GraphicsX11Test, FullScreenWithoutVideoModesOnlyAtDesktopSize) {
    if (HasVideoModes()) GTEST_SKIP() << "the server switches video modes";
    EXPECT_FALSE(OpenGraphicsMode(800, 600, 32, 60, 0));
    EXPECT_EQ(OurWindow(), 0u);
    auto gfx = OpenGraphicsMode(1024, 768, 32, 60, 0);
    ASSERT_TRUE(gfx);
    Window w = OurWindow();
    ASSERT_NE(w, 0u);
    XWindowAttributes attr;
    ASSERT_TRUE(XGetWindowAttributes(probe, w, &attr));
    EXPECT_TRUE(attr.override_redirect);
    EXPECT_EQ(attr.width, 1024);
    EXPECT_TRUE(Eventually([] { return PointerX() == 512 && PointerY() == 384; }));
    // The grab holds while it is open and is gone after closing.
    EXPECT_NE(XGrabPointer(probe, DefaultRootWindow(probe), False, ButtonPressMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    CloseGraphicsMode();
    // The ungrab travels on the game's connection: give the server a moment for it.
    EXPECT_TRUE(Eventually([this] {
        return XGrabPointer(probe, DefaultRootWindow(probe), False, ButtonPressMask,
                            GrabModeAsync, GrabModeAsync, None, None,
                            CurrentTime) == GrabSuccess;
    }));
    XUngrabPointer(probe, CurrentTime);
}

TEST_F(GraphicsX11Test, FullScreenSwitchesVideoModeAndBack) {
    if (!HasVideoModes()) GTEST_SKIP() << "the server has no video modes to switch";
    int desktopW = DesktopModeWidth(), desktopH = DesktopModeHeight();
    ASSERT_EQ(CurrentMode(), std::make_pair(desktopW, desktopH));
    if (desktopW != 800) {
        ASSERT_TRUE(OpenGraphicsMode(800, 600, 32, 60, 0));
        EXPECT_EQ(CurrentMode(), std::make_pair(800, 600));
        EXPECT_EQ(DesktopModeWidth(), desktopW);  // the list was read once, before
        SetBlendMode(2);
        SetDrawColor(255, 0, 0);
        DrawRectangle(0, 0, 800, 600);
        EXPECT_EQ(Pixel(799, 599), (RGB{255, 0, 0}));
        FlipScreen(-1);
        CloseGraphicsMode();
        EXPECT_TRUE(Eventually([&] { return CurrentMode() == std::make_pair(desktopW, desktopH); }));
    }
    EXPECT_FALSE(OpenGraphicsMode(1234, 567, 32, 60, 0));
    EXPECT_EQ(CurrentMode(), std::make_pair(desktopW, desktopH));
    EXPECT_EQ(OurWindow(), 0u);
}

TEST_F(GraphicsX11Test, KeysArriveAsCodesAndTypedCharacters) {
    ASSERT_TRUE(OpenGraphicsMode(320, 240, 0, 60, 0));
    Focus();
    Tap(XK_a);
    int hits = 0;
    EXPECT_TRUE(Eventually([&] { return (hits += KeyWasHit(65)) == 1; }));
    EXPECT_EQ(KeyIsDown(65), 0);
    EXPECT_EQ(TypedChars(), "a");

    Key(XK_Shift_L, true);
    Tap(XK_a);
    EXPECT_TRUE(Eventually([] { return KeyIsDown(160) == 1; }));
    Key(XK_Shift_L, false);
    hits = 0;
    EXPECT_TRUE(Eventually([&] { return (hits += KeyWasHit(65)) == 1; }));
    EXPECT_EQ(TypedChars(), "A");

    Tap(XK_Escape);
    Tap(XK_Left);
    Tap(XK_Return);
    Tap(XK_3);
    Tap(XK_space);
    int esc = 0, left = 0, ret = 0, three = 0, space = 0;
    EXPECT_TRUE(Eventually([&] {
        esc += KeyWasHit(27);
        left += KeyWasHit(37);
        ret += KeyWasHit(13);
        three += KeyWasHit(51);
        space += KeyWasHit(32);
        return esc && left && ret && three && space;
    }));
    EXPECT_EQ(TypedChars(), "\x1b\r3 ");

    // Holding a key counts one hit until it is released.
    Key(XK_w, true);
    EXPECT_TRUE(Eventually([] { return KeyIsDown(87) == 1; }));
    EXPECT_EQ(KeyWasHit(87), 1);
    EXPECT_EQ(KeyWasHit(87), 0);
    Key(XK_w, false);
    EXPECT_TRUE(Eventually([] { return KeyIsDown(87) == 0; }));
}

TEST_F(GraphicsX11Test, AutoRepeatIsFoldedIntoOnePress) {
    ASSERT_TRUE(OpenGraphicsMode(320, 240, 0, 60, 0));
    Focus();
    SetAutoPoll(0);
    SendKey(XK_d, true, 1000);
    for (Time t = 1500; t < 1800; t += 100) {  // what the server's auto-repeat sends
        SendKey(XK_d, false, t);
        SendKey(XK_d, true, t);
    }
    XSync(probe, False);
    usleep(100000);
    SetAutoPoll(1);
    EXPECT_TRUE(Eventually([] { return KeyIsDown(68) == 1; }));
    EXPECT_EQ(KeyWasHit(68), 1);
    EXPECT_EQ(TypedChars(), "d");
    EXPECT_EQ(KeyIsDown(68), 1);
    // A release at another time than the next press is a real release.
    SendKey(XK_d, false, 2000);
    SendKey(XK_d, true, 2050);
    XSync(probe, False);
    int hits = 0;
    EXPECT_TRUE(Eventually([&] { return (hits += KeyWasHit(68)) == 1; }));
    EXPECT_EQ(TypedChars(), "d");
    SendKey(XK_d, false, 2100);
    XSync(probe, False);
    EXPECT_TRUE(Eventually([] { return KeyIsDown(68) == 0; }));
}

TEST_F(GraphicsX11Test, MouseButtonsWheelAndMotion) {
    ASSERT_TRUE(OpenGraphicsMode(320, 240, 0, 60, 0));
    Focus();
    XTestFakeMotionEvent(probe, DefaultScreen(probe), 40, 50, 0);
    XSync(probe, False);
    EXPECT_TRUE(Eventually([] { return PointerX() == 40 && PointerY() == 50; }));

    Button(1, true);
    EXPECT_TRUE(Eventually([] { return MouseButtonDown(1) == 1; }));
    // The wheel does not disturb a held button.
    Button(4, true);
    Button(4, false);
    Button(4, true);
    Button(4, false);
    Button(5, true);
    Button(5, false);
    EXPECT_TRUE(Eventually([] { return MouseWheel() == 1; }));
    EXPECT_EQ(MouseButtonDown(1), 1);
    Button(1, false);
    EXPECT_TRUE(Eventually([] { return MouseButtonDown(1) == 0; }));
    EXPECT_EQ(MouseButtonHit(1), 1);

    // X numbers the middle button 2 and the right one 3; the game the other way round.
    Button(3, true);
    Button(3, false);
    EXPECT_TRUE(Eventually([] { return MouseButtonHit(2) == 1; }));
    Button(2, true);
    Button(2, false);
    EXPECT_TRUE(Eventually([] { return MouseButtonHit(3) == 1; }));
    EXPECT_EQ(MouseButtonHit(1), 0);

    WarpWindowPointer(70, 80);
    EXPECT_TRUE(Eventually([] { return PointerX() == 70 && PointerY() == 80; }));
    HideWindowPointer();
    HideWindowPointer();
}

TEST_F(GraphicsX11Test, OwnPacingSleepsToTheFrameRate) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 60, 0));
    FlipScreen(-1);
    int start = MilliClock();
    for (int i = 0; i < 12; ++i) FlipScreen(-1);
    int took = MilliClock() - start;
    EXPECT_GE(took, 190);  // 12 frames of 16 or 17 ms
    EXPECT_LT(took, 600);
}

TEST_F(GraphicsX11Test, LostDisplayEndsWithExitCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ResetGraphics();
            if (!OpenGraphicsMode(100, 100, 0, 60, 0)) _exit(2);
            // Cut every socket of the process: the X server is gone for it.
            for (int fd = 3; fd < 1024; ++fd) {
                struct stat st;
                if (fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode)) shutdown(fd, SHUT_RDWR);
            }
            for (int i = 0; i < 10; ++i) {
                ClearScreen();
                FlipScreen(0);
                PollEvents();
            }
            _exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- Images, text and capture ----

namespace {

class ImagesX11Test : public GraphicsX11Test {
protected:
    void SetUp() override {
        GraphicsX11Test::SetUp();
        ResetImages();
    }
    void TearDown() override {
        ResetImages();
        GraphicsX11Test::TearDown();
    }
};

// An image made from a function of the pixel, 0xAARRGGBB.
std::shared_ptr<TImage> Picture(int w, int h, const std::function<uint32_t(int, int)>& argb, int flags) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p->SetPixelARGB(x, y, argb(x, y));
    return LoadImageFile(p, flags);
}

RGB ColourOf(uint32_t argb) { return {int(argb >> 16 & 255), int(argb >> 8 & 255), int(argb & 255)}; }

// The whole back buffer, row 0 on top.
std::shared_ptr<TPixmap> WholeScreen() { return CaptureScreenPixels(0, 0, GraphicsWidth(), GraphicsHeight()); }

RGB At(const std::shared_ptr<TPixmap>& screen, int x, int y) { return ColourOf(ReadPixmapPixel(screen, x, y)); }

// Every pixel of the screen must be what expect says; stops at the first few differences.
void ExpectScreen(const std::shared_ptr<TPixmap>& screen, const std::function<RGB(int, int)>& expect) {
    int wrong = 0;
    for (int y = 0; y < screen->height && wrong < 5; ++y)
        for (int x = 0; x < screen->width && wrong < 5; ++x) {
            RGB want = expect(x, y), got = At(screen, x, y);
            if (want != got) {
                ++wrong;
                ADD_FAILURE() << "pixel " << x << "," << y << ": got " << got[0] << " " << got[1] << " " << got[2]
                              << ", want " << want[0] << " " << want[1] << " " << want[2];
            }
        }
}

// Distinct opaque colours per pixel.
uint32_t Gradient(int x, int y) {
    return 0xFF000000u | uint32_t((x * 5 + 3) & 255) << 16 | uint32_t((y * 9 + 5) & 255) << 8 | 0xC8;
}

}  // namespace

TEST_F(ImagesX11Test, ImageLandsAtItsPlaceAnchoredTurnedAndScaled) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    const RGB back{0, 0, 64};
    SetClearColor(0, 0, 64);
    auto image = Picture(8, 4, Gradient, 1);
    ASSERT_TRUE(image);

    ClearScreen();
    DrawImageAt(image, 10, 20);
    ExpectScreen(WholeScreen(), [&](int x, int y) {
        bool in = x >= 10 && x < 18 && y >= 20 && y < 24;
        return in ? ColourOf(Gradient(x - 10, y - 20)) : back;
    });

    // The anchor is the image point placed at the position.
    SetImageAnchor(image, 2, 1);
    ClearScreen();
    DrawImageAt(image, 50, 50);
    ExpectScreen(WholeScreen(), [&](int x, int y) {
        bool in = x >= 48 && x < 56 && y >= 49 && y < 53;
        return in ? ColourOf(Gradient(x - 48, y - 49)) : back;
    });

    // Turned 90 degrees clockwise and scaled 2 across, 3 down: image pixel (i, j) covers
    // screen columns x - 3j - 3 .. x - 3j - 1 and rows y + 2i, y + 2i + 1.
    SetImageAnchor(image, 0, 0);
    SetDrawRotation(90);
    SetDrawScale(2, 3);
    ClearScreen();
    DrawImageAt(image, 100, 30);
    SetDrawRotation(0);
    SetDrawScale(1, 1);
    ExpectScreen(WholeScreen(), [&](int x, int y) {
        bool in = x >= 100 - 12 && x < 100 && y >= 30 && y < 30 + 16;
        return in ? ColourOf(Gradient((y - 30) / 2, (99 - x) / 3)) : back;
    });
    // A frame that does not exist draws nothing.
    ClearScreen();
    DrawImageAt(image, 10, 20, 1);
    EXPECT_EQ(Pixel(10, 20), back);
}

TEST_F(ImagesX11Test, TilesCoverTheViewportUnturnedFromTheirPhase) {
    ASSERT_TRUE(OpenGraphicsMode(200, 100, 0, 0, 0));
    // 64 x 16, every column and row telling itself apart.
    auto tile = Picture(64, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 16) << 8 | 7; }, 1);
    auto expectTiled = [&](int phaseX, int phaseY) {
        ExpectScreen(WholeScreen(), [&](int x, int y) {
            return RGB{((x + phaseX) % 64) * 4, ((y + phaseY) % 16) * 16, 7};
        });
    };
    TileImageAt(tile, -10, 0);  // first copy at -10: column 0 shows image column 10
    expectTiled(10, 0);
    TileImageAt(tile, -127, 0);  // first copy at -63, so column 0 is covered
    expectTiled(63, 0);
    TileImageAt(tile, 0, 0);
    expectTiled(0, 0);
    TileImageAt(tile, 1000, -5);  // 1000 = 15 * 64 + 40: first copy at -24
    expectTiled(24, 5);

    // Rotation and scale are ignored for the tiles and kept for what follows; the anchor counts.
    SetDrawRotation(45);
    SetDrawScale(3, 2);
    SetImageAnchor(tile, 10, 0);
    TileImageAt(tile, 0, 0);
    EXPECT_EQ(GetDrawRotation(), 45.0f);
    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 3.0f);
    EXPECT_EQ(sy, 2.0f);
    SetDrawRotation(0);
    SetDrawScale(1, 1);
    expectTiled(10, 0);
}

TEST_F(ImagesX11Test, BlendModesOnAKnownBackground) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    // Opaque, strong (0.8), faint (0.4) and transparent pixels of one colour.
    const uint32_t alphas[4] = {255, 204, 102, 0};
    auto image = Picture(4, 1, [&](int x, int) { return alphas[x] << 24 | 0xC82800u; }, 0);
    SetDrawScale(8, 8);
    SetClearColor(100, 100, 100);
    ClearScreen();
    for (int mode = 1; mode <= 5; ++mode) {
        SetBlendMode(mode);
        DrawImageAt(image, 0, (mode - 1) * 16);
    }
    SetDrawScale(1, 1);
    const RGB c{200, 40, 0}, b{100, 100, 100};
    auto mix = [&](float a, bool add) {
        RGB out;
        for (int i = 0; i < 3; ++i)
            out[i] = std::min(255, int(std::lround(c[i] * a + b[i] * (add ? 1.0f : 1.0f - a))));
        return out;
    };
    auto screen = WholeScreen();
    for (int px = 0; px < 4; ++px) {
        float a = alphas[px] / 255.0f;
        int x = px * 8 + 4;
        SCOPED_TRACE(px);
        // Mask: drawn only where texture alpha is above one half.
        EXPECT_EQ(At(screen, x, 4), a > 0.5f ? c : b);
        // Solid: every pixel, alpha or not.
        EXPECT_EQ(At(screen, x, 20), c);
        EXPECT_TRUE(Near(At(screen, x, 36), mix(a, false)));
        EXPECT_TRUE(Near(At(screen, x, 52), mix(a, true)));
        // Shade multiplies the background whatever the alpha.
        EXPECT_TRUE(Near(At(screen, x, 68), RGB{100 * 200 / 255, 100 * 40 / 255, 0}));
    }
    EXPECT_EQ(At(screen, 40, 4), b);
}

TEST_F(ImagesX11Test, ColourAndAlphaTintImages) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    auto white = Picture(4, 4, [](int, int) { return 0xFFFFFFFFu; }, 3);
    ClearScreen();
    SetDrawColor(255, 128, 0);
    DrawImageAt(white, 0, 0);
    EXPECT_EQ(Pixel(1, 1), (RGB{255, 128, 0}));
    SetBlendMode(3);
    SetDrawColor(0, 0, 255);
    SetDrawAlpha(0.5f);
    DrawImageAt(white, 10, 0);
    EXPECT_TRUE(Near(Pixel(11, 1), RGB{0, 0, 127}));
    // Mask mode weighs texture alpha by drawing alpha: 1 x 0.4 is not above one half.
    SetBlendMode(1);
    SetDrawAlpha(0.4f);
    DrawImageAt(white, 20, 0);
    EXPECT_EQ(Pixel(21, 1), (RGB{0, 0, 0}));
    SetDrawAlpha(0.6f);
    DrawImageAt(white, 20, 0);
    EXPECT_EQ(Pixel(21, 1), (RGB{0, 0, 255}));
}

TEST_F(ImagesX11Test, TextDrawsTheGlyphBitsScaledAndSkipsWhatItCannot) {
    ASSERT_TRUE(OpenGraphicsMode(200, 100, 0, 0, 0));
    const auto& table = TFont::GlyphTable();
    const std::string text = "<([|%:+!/=_])>";
    SetDrawColor(0, 255, 128);
    SetDrawScale(2, 2);
    ClearScreen();
    DrawTextAt(text, 4, 10);
    SetDrawScale(1, 1);
    ExpectScreen(WholeScreen(), [&](int x, int y) {
        int gx = (x - 4) / 2, gy = (y - 10) / 2;
        if (x < 4 || y < 10 || gy >= 16 || gx >= 8 * int(text.size())) return RGB{0, 0, 0};
        int glyph = text[gx / 8] - 32;
        return (table[gy * 96 + glyph] >> (gx % 8) & 1) ? RGB{0, 255, 128} : RGB{0, 0, 0};
    });
    // A character outside 32..127 takes no room: B follows A directly.
    ClearScreen();
    DrawTextAt("A\xE9" "B", 0, 0);
    EXPECT_EQ(TextWidthOf("A\xE9" "B"), 16);
    auto screen = WholeScreen();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            int glyph = x < 8 ? 'A' - 32 : x < 16 ? 'B' - 32 : -1;
            bool ink = glyph >= 0 && (table[y * 96 + glyph] >> (x % 8) & 1);
            ASSERT_EQ(At(screen, x, y), ink ? (RGB{0, 255, 128}) : (RGB{0, 0, 0})) << x << "," << y;
        }
    // Text turns with the drawing state: at 90 degrees the second glyph sits below the first.
    ClearScreen();
    SetDrawRotation(90);
    DrawTextAt("||", 50, 10);
    SetDrawRotation(0);
    // '|' is column 3: turned, its stem runs across row 10 + 3, from x 50 - 16 to 50.
    EXPECT_EQ(Pixel(40, 13), (RGB{0, 255, 128}));
    EXPECT_EQ(Pixel(40, 21), (RGB{0, 255, 128}));
    EXPECT_EQ(Pixel(40, 17), (RGB{0, 0, 0}));
}

TEST_F(ImagesX11Test, TexturesArePaddedUploadedOnceAndRemadeAfterReopening) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    auto pixmap = std::make_shared<TPixmap>(100, 60, 4);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) pixmap->SetPixelARGB(x, y, Gradient(x % 50, y));
    auto image = LoadImageFile(pixmap);  // masked and filtered
    ASSERT_TRUE(image);
    DrawImageAt(image, 0, 0);
    TImageFrame* frame = image->TextureFrame(0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->textureWidth, 128);
    EXPECT_EQ(frame->textureHeight, 64);
    EXPECT_FLOAT_EQ(frame->uMax, 100.0f / 128);
    EXPECT_FLOAT_EQ(frame->vMax, 60.0f / 64);

    // The texture as uploaded: column 100 repeats 99, row 60 repeats 59.
    glBindTexture(GL_TEXTURE_2D, frame->name);  // already bound: the cache stays right
    std::vector<uint8_t> texels(128 * 64 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto texel = [&](int x, int y) {
        const uint8_t* p = &texels[(y * 128 + x) * 4];
        return uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    };
    for (int y = 0; y < 60; ++y) {
        EXPECT_EQ(texel(42, y), Gradient(42, y));
        EXPECT_EQ(texel(100, y), texel(99, y)) << y;
    }
    for (int x = 0; x < 100; ++x) EXPECT_EQ(texel(x, 60), texel(x, 59)) << x;
    EXPECT_EQ(texel(100, 60), texel(99, 59));
    GLint param = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &param);
    EXPECT_EQ(param, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &param);
    EXPECT_EQ(param, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &param);
    EXPECT_EQ(param, GL_CLAMP_TO_EDGE);

    // A run of draws of one image binds once and uploads nothing more.
    unsigned name = frame->name;
    int binds = GraphicsCounters().textureBinds;
    for (int i = 0; i < 20; ++i) DrawImageAt(image, float(i), 0);
    EXPECT_EQ(GraphicsCounters().textureBinds, binds);
    EXPECT_EQ(image->TextureFrame(0), frame);
    EXPECT_EQ(frame->name, name);

    // After closing and reopening the texture is made again and the image still draws.
    CloseGraphicsMode();
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    SetBlendMode(2);
    ClearScreen();
    DrawImageAt(image, 5, 5);
    frame = image->TextureFrame(0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->sequence, GraphicsSequence());
    EXPECT_EQ(Pixel(5 + 42, 5 + 7), ColourOf(Gradient(42, 7)));

    // Unfiltered and mipmapped images get their own filters, and mipmaps their levels.
    auto sharp = LoadImageFile(pixmap, 0);
    auto mipped = LoadImageFile(pixmap, 2 | 4);
    DrawImageAt(sharp, 0, 0);
    DrawImageAt(mipped, 0, 0);
    glBindTexture(GL_TEXTURE_2D, sharp->TextureFrame(0)->name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &param);
    EXPECT_EQ(param, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, mipped->TextureFrame(0)->name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &param);
    EXPECT_EQ(param, GL_LINEAR_MIPMAP_LINEAR);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 7, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1);
    ForgetTexture(mipped->TextureFrame(0)->name);
}

TEST_F(ImagesX11Test, CaptureReadsTheBackBufferTopRowFirst) {
    ASSERT_TRUE(OpenGraphicsMode(160, 120, 0, 0, 0));
    SetBlendMode(2);
    for (int y = 0; y < 12; ++y) {
        SetDrawColor(y * 20, 255 - y * 20, 33);
        DrawRectangle(0, float(y), 160, 1);
    }
    SetBlendMode(3);
    int blendChanges = GraphicsCounters().blendChanges;
    auto part = CaptureScreenPixels(7, 3, 9, 5);  // odd width: rows padded to 4 bytes
    EXPECT_EQ(GetBlendMode(), 3);
    EXPECT_EQ(GraphicsCounters().blendChanges, blendChanges + 2);  // solid for the read, then back
    ASSERT_EQ(part->format, 6);
    ASSERT_EQ(part->width, 9);
    ASSERT_EQ(part->height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            ASSERT_EQ(At(part, x, y), Pixel(7 + x, 3 + y)) << x << "," << y;
            ASSERT_EQ(At(part, x, y), (RGB{(3 + y) * 20, 255 - (3 + y) * 20, 33}));
        }
    // Written as a PNG and read back, the capture is unchanged.
    std::string path = "/tmp/tavrik_capture_" + std::to_string(getpid()) + ".png";
    ASSERT_EQ(WritePixmapPNG(part, path, 5), 1);
    auto back = LoadPixmapFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(back);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(ReadPixmapPixel(back, x, y), ReadPixmapPixel(part, x, y));
}

TEST_F(ImagesX11Test, OverlapAgreesWithWhatIsDrawn) {
    // Whole-pixel placements, quarter turns and whole scales: the overlap test must see a
    // shared pixel exactly when drawing the two images additively makes one yellow.
    ASSERT_TRUE(OpenGraphicsMode(200, 200, 0, 0, 0));
    auto shape = [](int w, int h, uint32_t colour, const std::function<bool(int, int)>& opaque) {
        return Picture(w, h, [=](int x, int y) { return opaque(x, y) ? 0xFF000000u | colour : colour; }, 0);
    };
    auto ring = shape(24, 16, 0xFF0000u, [](int x, int y) { return x < 3 || y < 2 || x >= 21 || y >= 14; });
    auto hook = shape(10, 6, 0x00FF00u, [](int x, int y) { return y == 0 || (x == 9 && y < 5) || (x + y) % 7 == 0; });
    SetImageAnchor(ring, 12, 8);
    SetImageAnchor(hook, 2, 3);
    uint32_t seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16) % n;
    };
    int hits = 0, misses = 0;
    for (int trial = 0; trial < 120; ++trial) {
        float ax = 100, ay = 100, bx = float(80 + next(41)), by = float(84 + next(33));
        float ar = 90.0f * next(4), br = 90.0f * next(4);
        float as = float(1 + next(2)), bs = float(1 + next(2));
        SetBlendMode(2);
        ClearScreen();
        SetBlendMode(4);
        SetDrawRotation(ar);
        SetDrawScale(as, as);
        DrawImageAt(ring, ax, ay);
        SetDrawRotation(br);
        SetDrawScale(bs, 1);
        DrawImageAt(hook, bx, by);
        SetDrawRotation(0);
        SetDrawScale(1, 1);
        auto screen = CaptureScreenPixels(40, 40, 120, 120);
        int drawn = 0;
        for (int y = 0; y < 120 && !drawn; ++y)
            for (int x = 0; x < 120 && !drawn; ++x) {
                uint32_t c = ReadPixmapPixel(screen, x, y);
                drawn = (c >> 16 & 255) > 0 && (c >> 8 & 255) > 0;
            }
        int tested = ImagesOverlap(ring, ax, ay, 0, ar, as, as, hook, bx, by, 0, br, bs, 1);
        ASSERT_EQ(tested, drawn) << "trial " << trial << ": hook at " << bx << "," << by << " turned " << br
                                 << " scaled " << bs << ", ring turned " << ar << " scaled " << as;
        (drawn ? hits : misses)++;
    }
    // The placements tried both outcomes plenty of times.
    EXPECT_GT(hits, 20);
    EXPECT_GT(misses, 20);
}
