// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11PointerMonitor.h"
#include "fakes/QtCoreApp.h"
#include "fakes/LogCapture.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>

// gtest before Xlib: Xlib's macros (None, Bool, Status) would break gtest's own declarations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace brisa;

namespace {

/// Runs xdotool with args; true when it succeeded.
bool xdotool(const std::string& args) { return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0; }

/// Moves the pointer the way a mouse does, through the XTest device. (xdotool mousemove warps the
/// pointer instead, and a warp is no device motion: it makes no raw event, on purpose.)
bool moveMouse(int x, int y)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return false;
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
    XCloseDisplay(d);
    return true;
}

struct Recorder {
    std::vector<Point> moves;
    std::vector<Point> clicks;
    int escapes = 0;

    PointerMonitor::Handlers handlers()
    {
        return {
            .onMoved = [this](Point p) { moves.push_back(p); },
            .onButtonDown = [this](Point p) { clicks.push_back(p); },
            .onEscapeDown = [this] { ++escapes; },
        };
    }
};

struct X11PointerMonitorTest : ::testing::Test {
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool is not installed";
        test::ensureCoreApp();
        // Start each test from a known place, with its move already behind us.
        ASSERT_TRUE(moveMouse(5, 5));
    }

    std::unique_ptr<X11PointerMonitor> make(double primaryHeight = 1080)
    {
        auto monitor = X11PointerMonitor::create(X11PointerMonitor::flipAgainst([primaryHeight] { return primaryHeight; }));
        if (monitor)
            monitor->setHandlers(recorder.handlers());
        return monitor;
    }

    Recorder recorder;
};

} // namespace

TEST_F(X11PointerMonitorTest, MovesAreReportedAsBottomLeftPoints)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(moveMouse(100, 200));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.moves.empty() && recorder.moves.back() == Point{100, 879}; }));
    EXPECT_EQ(monitor->pointerPosition(), (Point{100, 879}));

    // The top row of pixels is inside the screen, whose frame ends at y = 1080.
    ASSERT_TRUE(moveMouse(1919, 0));
    ASSERT_TRUE(test::waitUntil([&] { return recorder.moves.back() == Point{1919, 1079}; }));
}

TEST_F(X11PointerMonitorTest, PositionsFlipAgainstThePrimaryHeightGiven)
{
    // A primary screen shorter than the root window (a taller screen beside it).
    auto monitor = make(900);
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(moveMouse(300, 100));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.moves.empty() && recorder.moves.back() == Point{300, 799}; }));
    EXPECT_EQ(monitor->pointerPosition(), (Point{300, 799}));
}

TEST_F(X11PointerMonitorTest, WithoutAConversionTheRootHeightIsUsed)
{
    auto monitor = X11PointerMonitor::create();
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(moveMouse(10, 80));
    EXPECT_EQ(monitor->pointerPosition(), (Point{10, 999}));
}

TEST_F(X11PointerMonitorTest, LeftAndRightPressesAreReportedWhereThePointerIsMiddleAndWheelAreNot)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    // The left click comes last: once it is in, the others have been read too.
    ASSERT_TRUE(xdotool("mousemove 640 480 click 2 click 4 click 5 click 1"));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.clicks.empty(); }));
    EXPECT_EQ(recorder.clicks, std::vector<Point>{(Point{640, 599})});

    ASSERT_TRUE(xdotool("mousemove 50 60 click 3"));
    ASSERT_TRUE(test::waitUntil([&] { return recorder.clicks.size() == 2; }));
    EXPECT_EQ(recorder.clicks[1], (Point{50, 1019}));
}

TEST_F(X11PointerMonitorTest, EscapeIsReportedAndOtherKeysAreNot)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(xdotool("key a key Return key shift+Tab key Escape"));
    ASSERT_TRUE(test::waitUntil([&] { return recorder.escapes > 0; }));
    ASSERT_TRUE(xdotool("key space key Escape"));
    ASSERT_TRUE(test::waitUntil([&] { return recorder.escapes == 2; }));
    EXPECT_TRUE(recorder.clicks.empty());
}

TEST_F(X11PointerMonitorTest, EscapeIsFoundAgainAfterTheKeyboardMapChanges)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    // Move Escape to a key that gives nothing, and give its old key F20.
    const KeyCode old = XKeysymToKeycode(d, XK_Escape);
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    KeyCode spare = 0;
    for (int code = maxCode; code >= minCode && !spare; --code)
        if (XkbKeycodeToKeysym(d, static_cast<KeyCode>(code), 0, 0) == NoSymbol)
            spare = static_cast<KeyCode>(code);
    ASSERT_TRUE(old && spare);
    KeySym escape = XK_Escape, f20 = XK_F20, nothing = NoSymbol;
    XChangeKeyboardMapping(d, spare, 1, &escape, 1);
    XChangeKeyboardMapping(d, old, 1, &f20, 1);
    XSync(d, False);

    ASSERT_TRUE(xdotool("key F20 key Escape"));
    const bool seen = test::waitUntil([&] { return recorder.escapes > 0; });

    XChangeKeyboardMapping(d, old, 1, &escape, 1);
    XChangeKeyboardMapping(d, spare, 1, &nothing, 1);
    XCloseDisplay(d);
    ASSERT_TRUE(seen);
    EXPECT_EQ(recorder.escapes, 1) << "the key that gave Escape before is F20 now";
}

TEST_F(X11PointerMonitorTest, EventsArriveWhileAnotherClientGrabsPointerAndKeyboard)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    // Another application with an open menu holds both grabs.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_TRUE(other);
    const Window root = DefaultRootWindow(other);
    ASSERT_EQ(XGrabPointer(other, root, False, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, 0, 0,
                           CurrentTime),
              GrabSuccess);
    ASSERT_EQ(XGrabKeyboard(other, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XSync(other, False);

    ASSERT_TRUE(moveMouse(222, 333));
    ASSERT_TRUE(xdotool("click 1 key Escape"));
    const bool seen = test::waitUntil([&] { return recorder.escapes == 1; });
    XCloseDisplay(other);
    ASSERT_TRUE(seen);
    EXPECT_EQ(recorder.moves, (std::vector<Point>{{222, 746}}));
    EXPECT_EQ(recorder.clicks, (std::vector<Point>{{222, 746}}));
}

TEST_F(X11PointerMonitorTest, AReceiverMayReplaceTheHandlersOrDestroyTheMonitor)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    int replaced = 0;
    monitor->setHandlers({.onMoved = [&](Point) {
        ++replaced;
        monitor->setHandlers({.onMoved = [&](Point) { monitor.reset(); }});
    }});
    ASSERT_TRUE(moveMouse(400, 400));
    ASSERT_TRUE(test::waitUntil([&] { return replaced == 1; }));
    ASSERT_TRUE(moveMouse(401, 401));
    ASSERT_TRUE(test::waitUntil([&] { return monitor == nullptr; }));
    // Events still on their way find nobody to call.
    ASSERT_TRUE(xdotool("mousemove 402 402 click 1"));
    QCoreApplication::processEvents();
    EXPECT_EQ(replaced, 1);
}

TEST_F(X11PointerMonitorTest, AnIdleMonitorHasNoTimerAndIsNotWoken)
{
    auto monitor = make();
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(moveMouse(700, 700));
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.moves.empty(); }));
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(monitor.get()).isEmpty());

    const auto wakes = monitor->wakeCount();
    QDeadlineTimer idle(300);
    while (!idle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(monitor->wakeCount(), wakes);
    EXPECT_EQ(recorder.moves.size(), 1u);
}

TEST_F(X11PointerMonitorTest, NoDisplayGivesNoMonitorAndALogLine)
{
    test::LogCapture log;
    EXPECT_EQ(X11PointerMonitor::create({}, ":4711"), nullptr);
    EXPECT_TRUE(log.contains("No se pudo abrir la pantalla X11"));
}
