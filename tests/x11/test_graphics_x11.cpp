// The display layer on a real X server with OpenGL: windows, pixels drawn, protocol
// errors survived, and keyboard and mouse events arriving as input.
#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/TGraphics.h"

// gtest before Xlib, whose None and Bool macros break it.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <string>
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
    EXPECT_EQ(XGrabPointer(probe, DefaultRootWindow(probe), False, ButtonPressMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XUngrabPointer(probe, CurrentTime);
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
