// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11PanelWindowHints.h"

#include <QGuiApplication>
#include <QWindow>
#include <gtest/gtest.h>

// After Qt and gtest: Xlib's macros (None, Bool, Status) would break their declarations.
#include "platform/x11/X11Display.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

using namespace brisa;

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "brisa-test";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QGuiApplication(argc, argv);
    return *instance;
}

bool xdotool(const std::string& args) { return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }

/// The next event of type on display, waiting up to three seconds.
std::optional<XEvent> nextEvent(Display* display, int type)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == type)
                return event;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

struct X11PanelWindowHintsTest : ::testing::Test {
    std::unique_ptr<X11Display> x;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        x = X11Display::open({});
        ASSERT_TRUE(x);
    }

    Display* d() const { return x->get(); }

    Window createWindow(int left, int top, int size, long events = 0)
    {
        XSetWindowAttributes attributes{};
        attributes.event_mask = events;
        const Window w = XCreateWindow(d(), DefaultRootWindow(d()), left, top, size, size, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWEventMask, &attributes);
        XSync(d(), False);
        return w;
    }

    void mapAndWait(Window w)
    {
        XMapRaised(d(), w);
        XSync(d(), False);
    }

    /// A 400-point window at the origin and a 200-point panel over it at 100, 100, both shown and
    /// taking clicks.
    std::pair<Window, Window> panelOverAWindow()
    {
        const Window below = createWindow(0, 0, 400, ButtonPressMask);
        const Window panel = createWindow(100, 100, 200, ButtonPressMask);
        mapAndWait(below);
        mapAndWait(panel);
        return {below, panel};
    }

    /// The window a click at x, y (where the pointer is, without one) reached; 0 when none came.
    Window clickAt(std::optional<std::pair<int, int>> at = std::nullopt)
    {
        const std::string move = at ? "mousemove " + std::to_string(at->first) + " " + std::to_string(at->second) + " " : "";
        if (!xdotool(move + "click 1"))
            return 0;
        const auto press = nextEvent(d(), ButtonPress);
        return press ? press->xbutton.window : 0;
    }

    /// The property's 32-bit values of type; nullopt when the window has no such property.
    std::optional<std::vector<unsigned long>> values(Window w, const char* property, Atom type)
    {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::optional<std::vector<unsigned long>> values;
        if (XGetWindowProperty(d(), w, x->atom(property), 0, 256, False, type, &actual, &format, &count, &remaining,
                               &data) == Success &&
            data) {
            if (actual == type && format == 32) {
                values.emplace();
                for (unsigned long i = 0; i < count; ++i) // Xlib widens 32 bits, sign and all
                    values->push_back(reinterpret_cast<unsigned long*>(data)[i] & 0xFFFFFFFFul);
            }
            XFree(data);
        }
        return values;
    }
    std::vector<std::string> atomList(Window w, const char* property)
    {
        const auto atoms = values(w, property, XA_ATOM).value_or(std::vector<unsigned long>{});
        return x->atomNames(std::vector<Atom>(atoms.begin(), atoms.end()));
    }
    std::optional<std::vector<unsigned long>> cardinals(Window w, const char* property)
    {
        return values(w, property, XA_CARDINAL);
    }

    std::optional<unsigned long> cardinal(Window w, const char* property)
    {
        const auto values = cardinals(w, property);
        return values && values->size() == 1 ? std::optional(values->front()) : std::nullopt;
    }
};

using Names = std::vector<std::string>;

Names sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(X11PanelWindowHintsTest, ClickThroughLetsAClickReachTheWindowBelowAndOffCatchesIt)
{
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    const auto [below, panel] = panelOverAWindow();
    ASSERT_TRUE(x11::setClickThrough(d(), panel, true));
    EXPECT_EQ(clickAt({{150, 150}}), below);
    ASSERT_TRUE(x11::setClickThrough(d(), panel, false));
    EXPECT_EQ(clickAt(), panel);
    // Twice on is still on; the window below gets the click again.
    ASSERT_TRUE(x11::setClickThrough(d(), panel, true));
    ASSERT_TRUE(x11::setClickThrough(d(), panel, true));
    EXPECT_EQ(clickAt(), below);
}

TEST_F(X11PanelWindowHintsTest, InputAreaTakesClicksInsideAndLetsThemThroughBeside)
{
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    const auto [below, panel] = panelOverAWindow();
    // Only the panel's left half (x 100..199 on screen) takes the pointer.
    ASSERT_TRUE(x11::setInputArea(d(), panel, 0, 0, 100, 200));
    EXPECT_EQ(clickAt({{150, 150}}), panel);
    EXPECT_EQ(clickAt({{250, 150}}), below);
    EXPECT_FALSE(x11::setInputArea(d(), panel, 0, 0, 0, 10)); // an empty area is refused
}

TEST_F(X11PanelWindowHintsTest, HintsOfAWindowNotShownYetAreItsProperties)
{
    const Window w = createWindow(0, 0, 50);
    // A state already there (Qt writes "above" for a stay-on-top window) stays, once.
    const unsigned long existing[] = {x->atom("_NET_WM_STATE_ABOVE"), x->atom("_NET_WM_STATE_MODAL")};
    XChangeProperty(d(), w, x->atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(existing), 2);

    ASSERT_TRUE(x11::applyPanelHints(d(), w));
    EXPECT_EQ(sorted(atomList(w, "_NET_WM_STATE")),
              sorted({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_MODAL", "_NET_WM_STATE_STICKY",
                      "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}));
    EXPECT_EQ(cardinal(w, "_NET_WM_DESKTOP"), 0xFFFFFFFFul);
    EXPECT_EQ(atomList(w, "_NET_WM_WINDOW_TYPE"), Names{"_NET_WM_WINDOW_TYPE_DOCK"});

    // Applying again adds nothing twice.
    ASSERT_TRUE(x11::applyPanelHints(d(), w));
    EXPECT_EQ(atomList(w, "_NET_WM_STATE").size(), 5u);
}

TEST_F(X11PanelWindowHintsTest, UnderAWaylandCompositorAWindowBypassesTheWindowManagerAndStaysShown)
{
    const Window w = createWindow(0, 0, 50);
    mapAndWait(w);
    ASSERT_TRUE(x11::makeUnmanaged(d(), w));
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(d(), w, &attributes));
    EXPECT_TRUE(attributes.override_redirect);
    EXPECT_NE(attributes.map_state, IsUnmapped);
    EXPECT_EQ(atomList(w, "_NET_WM_WINDOW_TYPE"), Names{"_NET_WM_WINDOW_TYPE_NOTIFICATION"});
}

TEST_F(X11PanelWindowHintsTest, HintsOfAShownWindowAreAskedOfTheWindowManager)
{
    const Window w = createWindow(0, 0, 50);
    mapAndWait(w);
    // Play the window manager on a second connection: it receives the requests sent to the root window.
    auto wm = X11Display::open({});
    ASSERT_TRUE(wm);
    XSelectInput(wm->get(), DefaultRootWindow(wm->get()), SubstructureRedirectMask);
    XSync(wm->get(), False);
    ASSERT_EQ(X11Display::takeError(), 0);

    ASSERT_TRUE(x11::applyPanelHints(d(), w));
    Names states;
    std::optional<long> desktop;
    for (int i = 0; i < 3; ++i) {
        auto message = nextEvent(wm->get(), ClientMessage);
        ASSERT_TRUE(message);
        const XClientMessageEvent& m = message->xclient;
        EXPECT_EQ(m.window, w);
        if (m.message_type == wm->atom("_NET_WM_STATE")) {
            EXPECT_EQ(m.data.l[0], 1) << "add";
            EXPECT_EQ(m.data.l[3], 1) << "from an application";
            for (const auto& name : wm->atomNames({static_cast<Atom>(m.data.l[1]), static_cast<Atom>(m.data.l[2])}))
                states.push_back(name);
        } else if (m.message_type == wm->atom("_NET_WM_DESKTOP")) {
            desktop = m.data.l[0] & 0xFFFFFFFFl;
        }
    }
    EXPECT_EQ(sorted(states), sorted({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                                      "_NET_WM_STATE_SKIP_PAGER"}));
    EXPECT_EQ(desktop, 0xFFFFFFFFl);
    EXPECT_EQ(atomList(w, "_NET_WM_WINDOW_TYPE"), Names{"_NET_WM_WINDOW_TYPE_DOCK"});
    EXPECT_TRUE(atomList(w, "_NET_WM_STATE").empty()) << "the window manager writes the state of a shown window";
}

TEST_F(X11PanelWindowHintsTest, BlurBehindNamesTheRegionAndAnEmptyOneWithdrawsIt)
{
    const Window w = createWindow(0, 0, 50);
    ASSERT_TRUE(x11::setBlurBehind(d(), w, {{10, 0, 30, 20}, {12, 20, 0, 5}, {14, 20, 26, 4}}));
    EXPECT_EQ(cardinals(w, "_KDE_NET_WM_BLUR_BEHIND_REGION"),
              (std::vector<unsigned long>{10, 0, 30, 20, 14, 20, 26, 4}))
        << "an empty rectangle is left out";

    // No property at all: an empty one would ask for blur behind the whole window.
    ASSERT_TRUE(x11::setBlurBehind(d(), w, {}));
    EXPECT_EQ(cardinals(w, "_KDE_NET_WM_BLUR_BEHIND_REGION"), std::nullopt);
    ASSERT_TRUE(x11::setBlurBehind(d(), w, {{0, 0, 0, 0}}));
    EXPECT_EQ(cardinals(w, "_KDE_NET_WM_BLUR_BEHIND_REGION"), std::nullopt);
}

TEST_F(X11PanelWindowHintsTest, VisibleRegionCutsTheWindowToItsRectanglesAndNulloptGivesItBack)
{
    const Window w = createWindow(0, 0, 100);
    // The bounding shape's rectangles, and whether the window has one at all.
    const auto shape = [&](bool& shaped) {
        int bx = 0, by = 0, cx = 0, cy = 0, clipShaped = 0, boundingShaped = 0;
        unsigned int bw = 0, bh = 0, cw = 0, ch = 0;
        XShapeQueryExtents(d(), w, &boundingShaped, &bx, &by, &bw, &bh, &clipShaped, &cx, &cy, &cw, &ch);
        shaped = boundingShaped != 0;
        int count = 0, ordering = 0;
        XRectangle* rectangles = XShapeGetRectangles(d(), w, ShapeBounding, &count, &ordering);
        std::vector<WindowRect> region;
        for (int i = 0; i < count; ++i)
            region.push_back({rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height});
        if (rectangles)
            XFree(rectangles);
        std::sort(region.begin(), region.end(), [](auto& a, auto& b) { return a.y < b.y; });
        return region;
    };
    bool shaped = false;

    ASSERT_TRUE(x11::setVisibleRegion(d(), w, std::vector<WindowRect>{{10, 0, 80, 20}, {5, 5, 0, 5}, {20, 20, 60, 4}}));
    EXPECT_EQ(shape(shaped), (std::vector<WindowRect>{{10, 0, 80, 20}, {20, 20, 60, 4}})) << "the empty one is left out";
    EXPECT_TRUE(shaped);

    ASSERT_TRUE(x11::setVisibleRegion(d(), w, std::vector<WindowRect>{}));
    EXPECT_TRUE(shape(shaped).empty()) << "nothing of the window is left";
    EXPECT_TRUE(shaped);

    ASSERT_TRUE(x11::setVisibleRegion(d(), w, std::nullopt));
    EXPECT_EQ(shape(shaped), (std::vector<WindowRect>{{0, 0, 100, 100}}));
    EXPECT_FALSE(shaped);
}

TEST_F(X11PanelWindowHintsTest, AWindowThatIsGoneIsRefused)
{
    const Window w = createWindow(0, 0, 50);
    XDestroyWindow(d(), w);
    XSync(d(), False);
    EXPECT_FALSE(x11::setClickThrough(d(), w, true));
    EXPECT_FALSE(x11::applyPanelHints(d(), w));
    EXPECT_FALSE(x11::setBlurBehind(d(), w, {{0, 0, 10, 10}}));
    EXPECT_FALSE(x11::setVisibleRegion(d(), w, std::nullopt));
    EXPECT_FALSE(x11::setClickThrough(d(), 0, true));
    EXPECT_FALSE(x11::applyPanelHints(nullptr, w));
    X11Display::takeError();
}

TEST_F(X11PanelWindowHintsTest, AQtPanelWindowKeepsTheHintsWhenShown)
{
    app();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    QWindow window;
    window.setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    window.setGeometry(10, 10, 120, 40);
    window.create();
    auto hints = X11PanelWindowHints::create();
    ASSERT_TRUE(hints);
    ASSERT_TRUE(hints->applyPanelHints(window.winId()));
    ASSERT_TRUE(hints->setClickThrough(window.winId(), true));
    window.show();
    QGuiApplication::sync();

    const auto w = static_cast<Window>(window.winId());
    EXPECT_EQ(atomList(w, "_NET_WM_WINDOW_TYPE"), Names{"_NET_WM_WINDOW_TYPE_DOCK"});
    const Names states = atomList(w, "_NET_WM_STATE");
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER"})
        EXPECT_NE(std::find(states.begin(), states.end(), state), states.end()) << state;
    EXPECT_EQ(cardinal(w, "_NET_WM_DESKTOP"), 0xFFFFFFFFul);

    // Clicks over the window reach the root: the window takes none.
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    XWarpPointer(d(), 0, DefaultRootWindow(d()), 0, 0, 0, 0, 50, 30);
    XQueryPointer(d(), DefaultRootWindow(d()), &root, &child, &rx, &ry, &wx, &wy, &mask);
    EXPECT_NE(child, w);
    ASSERT_TRUE(hints->setClickThrough(window.winId(), false));
    QGuiApplication::sync();
    XQueryPointer(d(), DefaultRootWindow(d()), &root, &child, &rx, &ry, &wx, &wy, &mask);
    EXPECT_EQ(child, w);
}
