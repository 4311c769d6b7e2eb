// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/NotchController.h"
#include "core/settings/UserDefaults.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gmock/gmock.h>

#include <memory>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

// A 1920 × 1080 screen with a 24-point top bar: the closed tab is 220 × 30 at x 850, y 1050, its
// handle (middle 70 %) spans x 883 to 1037; the open window is 848 × 252 at x 536, y 830.
ScreenInfo screenA() { return {"DP-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1056}, true}; }
// A 2560 × 1440 screen to the right of A.
ScreenInfo screenB() { return {"HDMI-1", {1920, 0, 2560, 1440}, {1920, 0, 2560, 1416}, false}; }

constexpr Point kHandleA{960, 1060};
constexpr Point kHandleB{1920 + 1280, 1430};
constexpr Point kDesktopA{300, 300};
constexpr Rect kCollapsedA{850, 1050, 220, 30};
constexpr Rect kExpandedA{536, 830, 848, 252};

/// The desktop as the controller sees it, and a record of what it did to the window and the focus.
struct FakeDesktop {
    std::vector<ScreenInfo> screens{screenA()};
    Point pointer{kDesktopA};
    bool toast = false;
    std::optional<std::string> frontmost{"gedit"};
    std::optional<Rect> nowPlaying;
    std::optional<Rect> launcher;

    std::vector<Rect> created;
    std::vector<Rect> frames;
    std::optional<bool> ignoresMouse;
    bool keyable = false;
    int orderFronts = 0;
    int keyAndFronts = 0;
    int toastDismissals = 0;
    int cursorResets = 0;
    int selfActivations = 0;
    std::vector<std::string> activated;
    /// The focus-related calls, in order.
    std::vector<std::string> focusSteps;

    NotchController::Ports ports()
    {
        return {
            .screens = [this] { return screens; },
            .pointerPosition = [this] { return pointer; },
            .createPanel = [this](Rect r) { created.push_back(r); },
            .setFrame = [this](Rect r) { frames.push_back(r); },
            .setIgnoresMouse = [this](bool v) { ignoresMouse = v; },
            .orderFront = [this] { ++orderFronts; },
            .setKeyable = [this](bool v) { keyable = v; focusSteps.push_back(v ? "keyable" : "not keyable"); },
            .makeKeyAndFront = [this] { ++keyAndFronts; focusSteps.push_back("key and front"); },
            .toastShowing = [this] { return toast; },
            .dismissToastNow = [this] { ++toastDismissals; toast = false; },
            .resetSequentialCursor = [this] { ++cursorResets; },
            .frontmostApp = [this] { return frontmost; },
            .ownAppId = [] { return std::string("brisa"); },
            .activateApp = [this](const std::string& id) { activated.push_back(id); },
            .activateSelf = [this] { ++selfActivations; focusSteps.push_back("activate self"); },
            .nowPlayingFrame = [this] { return nowPlaying; },
            .launcherFrame = [this] { return launcher; },
        };
    }

    /// The window's frame now: the last one set, else the one it was created with.
    Rect frame() const { return frames.empty() ? created.back() : frames.back(); }
};

class NotchControllerTest : public ::testing::Test {
protected:
    NotchControllerTest() { settings.setNotchActivation(NotchActivation::Hover); }

    NotchController& installed()
    {
        notch.install();
        return notch;
    }
    /// The pointer moves to p and the move is reported.
    void moveTo(Point p)
    {
        desk.pointer = p;
        notch.mouseMoved();
    }
    void clickAt(Point p)
    {
        desk.pointer = p;
        notch.mouseDown();
    }
    /// One turn of the main queue.
    void turn() { scheduler.advance(0ms); }
    /// Opens by hovering over the handle of screen A and lets the opening turn pass.
    void openByPointer()
    {
        installed();
        moveTo(kHandleA);
        turn();
        ASSERT_TRUE(notch.expanded());
    }
    void openForKeyboard()
    {
        installed();
        notch.togglePinnedOpen();
        turn();
        ASSERT_TRUE(notch.expanded());
        ASSERT_TRUE(notch.pinned());
    }

    VirtualScheduler scheduler;
    UserDefaults defaults;
    AppSettings settings{defaults};
    FakeDesktop desk;
    NotchController notch{desk.ports(), scheduler, settings};
};

// ---- Install ----

TEST_F(NotchControllerTest, InstallCreatesTheClosedPanelOnceAndLogsTheNotch)
{
    LogCapture log;
    EXPECT_TRUE(notch.install());
    EXPECT_TRUE(notch.install());
    EXPECT_THAT(desk.created, ElementsAre(kCollapsedA));
    EXPECT_THAT(log.lines(), ElementsAre("[Brisa] Panel notch instalado (notch=false, w=200)"));
    EXPECT_EQ(notch.activeScreen(), screenA());
    EXPECT_FALSE(notch.expanded());
}

TEST_F(NotchControllerTest, InstallOnANotchedScreenLogsItsWidthAsAWholeNumber)
{
    ScreenInfo notched = screenB();
    notched.safeAreaTop = 32;
    notched.auxiliaryTopLeftWidth = 1100.25;
    notched.auxiliaryTopRightWidth = 1100.5;
    desk.screens = {screenA(), notched};
    LogCapture log;
    notch.install();
    EXPECT_THAT(log.lines(), ElementsAre("[Brisa] Panel notch instalado (notch=true, w=359)"));
    EXPECT_EQ(notch.activeScreen(), notched);
}

TEST_F(NotchControllerTest, InstallWithoutScreensCreatesNothingAndCanBeRetried)
{
    desk.screens.clear();
    LogCapture log;
    EXPECT_FALSE(notch.install());
    EXPECT_TRUE(desk.created.empty());
    EXPECT_TRUE(log.contains("no instalado"));
    desk.screens = {screenA()};
    EXPECT_TRUE(notch.install());
    EXPECT_THAT(desk.created, ElementsAre(kCollapsedA));
}

TEST_F(NotchControllerTest, BeforeInstallNothingActs)
{
    notch.expand();
    notch.openForKeyboard();
    notch.beginModalInteraction();
    notch.applyPositionChange();
    moveTo(kHandleA);
    clickAt(kHandleA);
    notch.keyDown(true);
    notch.collapse();
    scheduler.advance(5s);
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_TRUE(desk.frames.empty());
    EXPECT_EQ(desk.selfActivations, 0);
}

// ---- Hover ----

TEST_F(NotchControllerTest, HoverOpensOnlyOverTheMiddleSeventyPercent)
{
    installed();
    for (Point p : {Point{851, 1060}, Point{882.5, 1060}, Point{1037.5, 1060}, Point{1069, 1079}, Point{960, 1049}}) {
        moveTo(p);
        turn();
        EXPECT_FALSE(notch.expanded()) << p.x << "," << p.y;
    }
    moveTo({883.5, 1050});
    EXPECT_FALSE(notch.expanded()) << "the flag waits for the next turn";
    EXPECT_EQ(desk.frame(), kExpandedA);
    EXPECT_EQ(desk.ignoresMouse, false);
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_FALSE(notch.activeHasNotch());
}

TEST_F(NotchControllerTest, PublishedFlagsNotifyOnlyWhenTheyChange)
{
    std::vector<NotchController::Flag> seen;
    notch.onChanged([&](NotchController::Flag f) { seen.push_back(f); });
    openByPointer();
    moveTo({kHandleA.x + 1, kHandleA.y});
    turn();
    using F = NotchController::Flag;
    EXPECT_THAT(seen, ElementsAre(F::ActiveHasNotch, F::Expanded));
}

TEST_F(NotchControllerTest, ExpandedSizeFollowsTheScaleAndTheNotch)
{
    settings.setPanelScale(1.25);
    openByPointer();
    EXPECT_EQ(notch.expandedSize(), (Size{975, 272.5}));

    ScreenInfo notched = screenA();
    notched.safeAreaTop = 32;
    notched.auxiliaryTopLeftWidth = 860;
    notched.auxiliaryTopRightWidth = 860;
    desk.screens = {notched};
    NotchController other{desk.ports(), scheduler, settings};
    other.install();
    desk.pointer = {960, 1070};
    other.mouseMoved();
    EXPECT_TRUE(other.activeHasNotch());
    EXPECT_EQ(other.expandedSize(), (Size{975, 320}));
    EXPECT_EQ(desk.frame(), (Rect{960 - 521.5, 1080 + 2 - 354, 1043, 354}));
}

// ---- Long hover ----

class LongHoverTest : public NotchControllerTest {
protected:
    LongHoverTest() { settings.setNotchActivation(NotchActivation::LongHover); }
};

TEST_F(LongHoverTest, OpensThreeSecondsAfterTheFirstEntry)
{
    installed();
    moveTo(kHandleA);
    scheduler.advance(1s);
    moveTo({kHandleA.x + 10, kHandleA.y}); // further moves inside do not restart the dwell
    scheduler.advance(1999ms);
    EXPECT_FALSE(notch.expanded());
    scheduler.advance(1ms);
    turn();
    EXPECT_TRUE(notch.expanded());
}

TEST_F(LongHoverTest, LeavingCancelsTheDwell)
{
    installed();
    moveTo(kHandleA);
    scheduler.advance(1s);
    moveTo({851, 1060}); // the outer 15 %
    scheduler.advance(10s);
    EXPECT_FALSE(notch.expanded());
}

TEST_F(LongHoverTest, LeavingAndComingBackStartsAFreshDwell)
{
    installed();
    moveTo(kHandleA);
    scheduler.advance(2s);
    moveTo(kDesktopA);
    scheduler.advance(500ms);
    moveTo(kHandleA);
    scheduler.advance(500ms); // the first 3 s mark
    turn();
    EXPECT_FALSE(notch.expanded());
    scheduler.advance(2500ms);
    turn();
    EXPECT_TRUE(notch.expanded());
}

TEST_F(LongHoverTest, OpensOnlyIfThePointerIsStillOverTheHandleWhenTheDwellEnds)
{
    installed();
    moveTo(kHandleA);
    desk.pointer = kDesktopA; // gone, with no move reported yet
    scheduler.advance(3s);
    turn();
    EXPECT_FALSE(notch.expanded());
}

TEST_F(LongHoverTest, APointerRestingOnAToastOverTheHandleStillOpensWhenTheDwellEnds)
{
    installed();
    moveTo(kHandleA);
    desk.toast = true; // a toast comes up under the resting pointer
    scheduler.advance(3s);
    turn();
    EXPECT_TRUE(notch.expanded());
}

TEST_F(LongHoverTest, AMoveWhileAToastShowsStillCancelsTheDwell)
{
    installed();
    moveTo(kHandleA);
    desk.toast = true;
    moveTo({kHandleA.x + 10, kHandleA.y});
    scheduler.advance(3s);
    turn();
    EXPECT_FALSE(notch.expanded());
}

// ---- Click ----

class ClickActivationTest : public NotchControllerTest {
protected:
    ClickActivationTest() { settings.setNotchActivation(NotchActivation::Click); }
};

TEST_F(ClickActivationTest, HoverNeverOpensAClickOnTheHandleDoes)
{
    installed();
    moveTo(kHandleA);
    scheduler.advance(5s);
    EXPECT_FALSE(notch.expanded());
    clickAt({851, 1060});
    turn();
    EXPECT_FALSE(notch.expanded());
    clickAt(kHandleA);
    turn();
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, AClickOnTheHandleDoesNotOpenWithHoverActivation)
{
    installed();
    desk.pointer = kHandleA;
    notch.mouseDown();
    turn();
    EXPECT_FALSE(notch.expanded());
}

// ---- Toast ----

TEST_F(NotchControllerTest, AToastBlocksHoverAndClickButNotTheShortcut)
{
    installed();
    desk.toast = true;
    moveTo(kHandleA);
    turn();
    EXPECT_FALSE(notch.expanded());

    settings.setNotchActivation(NotchActivation::Click);
    clickAt(kHandleA);
    turn();
    EXPECT_FALSE(notch.expanded());

    notch.togglePinnedOpen();
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(desk.toastDismissals, 1);
    EXPECT_FALSE(desk.toast);
}

// ---- Closing by pointer ----

TEST_F(NotchControllerTest, MovesOutsideKeepPostponingTheCloseUntilThePointerStops)
{
    openByPointer();
    for (int i = 0; i < 10; ++i) {
        moveTo({kDesktopA.x + i, kDesktopA.y});
        scheduler.advance(200ms);
        ASSERT_TRUE(notch.expanded()) << i;
    }
    moveTo(kDesktopA);
    scheduler.advance(249ms);
    EXPECT_TRUE(notch.expanded());
    scheduler.advance(1ms);
    EXPECT_FALSE(notch.expanded());
    EXPECT_EQ(desk.ignoresMouse, true);
}

TEST_F(NotchControllerTest, ComingBackWithinTheDelayKeepsItOpen)
{
    openByPointer();
    moveTo(kDesktopA);
    scheduler.advance(200ms);
    moveTo({kExpandedA.midX(), kExpandedA.midY()});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, TheKeepOpenZoneReachesSixPointsBeyondThePanel)
{
    openByPointer();
    const struct {
        Point p;
        bool staysOpen;
    } cases[] = {
        {{kExpandedA.minX() - 6, 900}, true},
        {{kExpandedA.minX() - 6.5, 900}, false},
        {{kExpandedA.maxX() + 5.9, 900}, true},
        {{960, kExpandedA.minY() - 6}, true},
        {{960, kExpandedA.minY() - 7}, false},
    };
    for (const auto& c : cases) {
        moveTo(kHandleA);
        scheduler.advance(1ms);
        moveTo(c.p);
        scheduler.advance(300ms);
        EXPECT_EQ(notch.expanded(), c.staysOpen) << c.p.x << "," << c.p.y;
        if (!notch.expanded()) {
            moveTo(kHandleA);
            turn();
        }
    }
}

TEST_F(NotchControllerTest, TheSidePanelsCountAsPartOfTheOpenPanel)
{
    desk.nowPlaying = Rect{1300, 823, 348, 259};
    desk.launcher = Rect{100, 700, 500, 382};
    openByPointer();
    moveTo({1600, 850}); // on the now-playing panel, beyond the window
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    moveTo({150, 710}); // on the launcher
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    // Between the two side panels' lower edges, below the window: part of no frame.
    moveTo({960, 760});
    scheduler.advance(1s);
    EXPECT_FALSE(notch.expanded());
}

// ---- The shortcut and the keyboard ----

TEST_F(NotchControllerTest, TheShortcutOpensForTheKeyboardOnTheScreenUnderThePointer)
{
    desk.screens = {screenA(), screenB()};
    installed();
    desk.pointer = {2000, 100};
    notch.togglePinnedOpen();
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(notch.keyboardActive());
    EXPECT_TRUE(desk.keyable);
    EXPECT_EQ(desk.cursorResets, 1);
    EXPECT_EQ(desk.selfActivations, 1);
    EXPECT_EQ(desk.keyAndFronts, 1);
    EXPECT_EQ(notch.previousApp(), "gedit");
    EXPECT_EQ(notch.activeScreen(), screenB());
    EXPECT_EQ(desk.frame(), (Rect{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252}));
    turn();
    EXPECT_TRUE(notch.expanded());

    // Pinned: the pointer leaving does not close it.
    moveTo(kDesktopA);
    scheduler.advance(5s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, TheShortcutAgainClosesAndGivesTheFocusBack)
{
    openForKeyboard();
    notch.togglePinnedOpen();
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_FALSE(notch.keyboardActive());
    EXPECT_FALSE(desk.keyable);
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
}

TEST_F(NotchControllerTest, TheShortcutWhileOpenByPointerPinsInsteadOfClosing)
{
    openByPointer();
    notch.togglePinnedOpen();
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(notch.keyboardActive());
    EXPECT_TRUE(desk.activated.empty());
}

TEST_F(NotchControllerTest, TheRememberedApplicationIsNeverBrisaItself)
{
    installed();
    const auto toggle = [&] {
        notch.togglePinnedOpen();
        turn();
    };
    desk.frontmost = "brisa";
    toggle();
    EXPECT_EQ(notch.previousApp(), std::nullopt);
    toggle();

    desk.frontmost = "firefox";
    toggle();
    toggle();
    desk.frontmost = "brisa";
    toggle();
    EXPECT_EQ(notch.previousApp(), "firefox");
    toggle();
    EXPECT_THAT(desk.activated, ElementsAre("firefox", "firefox"));

    desk.frontmost = std::nullopt;
    toggle();
    EXPECT_EQ(notch.previousApp(), std::nullopt);
}

TEST_F(NotchControllerTest, EscapeWhileClosedDoesNothing)
{
    installed();
    notch.keyDown(true);
    scheduler.advance(1s);
    EXPECT_TRUE(desk.frames.empty());
    EXPECT_EQ(desk.ignoresMouse, std::nullopt);
}

TEST_F(NotchControllerTest, EscapeClosesAnOpenPanelOtherKeysDoNot)
{
    openByPointer();
    notch.keyDown(false);
    EXPECT_TRUE(notch.expanded());
    notch.keyDown(true);
    EXPECT_FALSE(notch.expanded());
    EXPECT_TRUE(desk.activated.empty());
}

TEST_F(NotchControllerTest, EscapeInKeyboardModeClosesAndGivesTheFocusBack)
{
    openForKeyboard();
    notch.keyDown(true);
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.keyboardActive());
    EXPECT_FALSE(desk.keyable);
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
}

TEST_F(NotchControllerTest, TheCloseButtonClosesEvenAPinnedPanelAndGivesTheFocusBack)
{
    openForKeyboard();
    notch.closeAndRestoreFocus();
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_FALSE(desk.keyable);
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
}

TEST_F(NotchControllerTest, APasteClosesAPinnedPanelAndLeavesTheFocusToThePaste)
{
    openForKeyboard();
    notch.releaseAndCollapse();
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.keyboardActive());
    EXPECT_FALSE(desk.keyable);
    EXPECT_TRUE(desk.activated.empty());
}

TEST_F(NotchControllerTest, AModalInteractionKeepsThePanelOpenAndFocused)
{
    openByPointer();
    notch.beginModalInteraction();
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(desk.keyable);
    EXPECT_EQ(desk.keyAndFronts, 1);
    moveTo(kDesktopA);
    scheduler.advance(1s);
    notch.collapse(); // a paste asks to close: pinned, so it stays
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, TheWindowIsKeyableBeforeItTakesTheFocus)
{
    openForKeyboard();
    EXPECT_THAT(desk.focusSteps, ElementsAre("keyable", "key and front", "activate self"));
    EXPECT_EQ(desk.selfActivations, 1);
}

TEST_F(NotchControllerTest, AModalInteractionMakesTheWindowKeyableBeforeItTakesTheFocus)
{
    openByPointer();
    notch.beginModalInteraction();
    EXPECT_THAT(desk.focusSteps, ElementsAre("keyable", "key and front", "activate self"));
}

// ---- Clicks while open ----

TEST_F(NotchControllerTest, AClickOutsideClosesEvenAPinnedPanelAndGivesTheFocusBack)
{
    openForKeyboard();
    clickAt({kExpandedA.maxX() + 5, 900}); // within the 6-point margin
    EXPECT_TRUE(notch.expanded());
    clickAt(kDesktopA);
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
}

TEST_F(NotchControllerTest, AClickOutsideClosesAPanelOpenByPointerAtOnce)
{
    openByPointer();
    moveTo(kDesktopA); // a close is pending
    clickAt(kDesktopA);
    EXPECT_FALSE(notch.expanded());
    EXPECT_TRUE(desk.activated.empty());
    scheduler.advance(1s);
    EXPECT_FALSE(notch.expanded());
}

// ---- The window's size while closing ----

TEST_F(NotchControllerTest, TheWindowShrinksAfterTheCloseAnimation)
{
    openByPointer();
    notch.collapse();
    scheduler.advance(419ms);
    EXPECT_EQ(desk.frame(), kExpandedA);
    scheduler.advance(1ms);
    EXPECT_EQ(desk.frame(), kCollapsedA);
}

TEST_F(NotchControllerTest, OpeningAgainWhileClosingCancelsTheShrink)
{
    openByPointer();
    notch.collapse();
    scheduler.advance(300ms);
    moveTo(kHandleA);
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(desk.frame(), kExpandedA);
}

TEST_F(NotchControllerTest, AClosingBeforeTheOpeningTurnWins)
{
    installed();
    moveTo(kHandleA);
    notch.collapse();
    turn();
    EXPECT_FALSE(notch.expanded());
    EXPECT_EQ(desk.ignoresMouse, true);
}

// ---- Several screens ----

TEST_F(NotchControllerTest, OpensOnTheScreenUnderThePointer)
{
    desk.screens = {screenA(), screenB()};
    openByPointer();
    moveTo({1900, 100}); // leave A
    scheduler.advance(1s);
    ASSERT_FALSE(notch.expanded());

    moveTo(kHandleB);
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenB());
    const Rect expandedB{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252};
    EXPECT_EQ(desk.frame(), expandedB);

    // The keep-open zone and the click test follow B.
    moveTo({expandedB.minX() + 1, expandedB.minY() + 1});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    clickAt({expandedB.maxX() + 3, expandedB.minY()});
    EXPECT_TRUE(notch.expanded());

    notch.collapse();
    scheduler.advance(1s);
    EXPECT_EQ(desk.frame(), (Rect{1920 + 1280 - 110, 1410, 220, 30}));
}

TEST_F(NotchControllerTest, TheShortcutWhileOpenOnAnotherScreenMovesThePanelUnderThePointer)
{
    desk.screens = {screenA(), screenB()};
    openByPointer();
    moveTo({2000, 100}); // onto B; the close is still pending
    notch.togglePinnedOpen();
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenB());
    const Rect expandedB{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252};
    EXPECT_EQ(desk.frame(), expandedB);
    clickAt({expandedB.midX(), expandedB.midY()});
    EXPECT_TRUE(notch.expanded()) << "a click on the moved panel is inside it";
}

TEST_F(NotchControllerTest, AnUnpluggedScreenClosesTheNextMove)
{
    desk.screens = {screenA(), screenB()};
    installed();
    moveTo(kHandleB);
    turn();
    ASSERT_TRUE(notch.expanded());
    desk.screens = {screenA()};
    EXPECT_EQ(notch.activeScreen(), std::nullopt);
    moveTo(kHandleB); // where the panel was: no screen there now
    scheduler.advance(250ms);
    EXPECT_FALSE(notch.expanded());
    scheduler.advance(1s);
    EXPECT_EQ(desk.frame(), kCollapsedA) << "the closed tab goes back to a screen that exists";
}

TEST_F(NotchControllerTest, AnUnpluggedScreenClosesAtTheNextClick)
{
    desk.screens = {screenA(), screenB()};
    installed();
    desk.pointer = kHandleB;
    notch.togglePinnedOpen();
    turn();
    ASSERT_TRUE(notch.expanded());
    desk.screens = {screenA()};
    clickAt(kHandleB);
    EXPECT_FALSE(notch.expanded());
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
}

TEST_F(NotchControllerTest, UnpluggingTheScreenOfAPanelOpenByPointerClosesItAtTheScreenChange)
{
    desk.screens = {screenA(), screenB()};
    installed();
    moveTo(kHandleB);
    turn();
    ASSERT_TRUE(notch.expanded());
    const Rect expandedB = desk.frame();
    desk.screens = {screenA()};
    notch.applyPositionChange();
    EXPECT_FALSE(notch.expanded()) << "not moved to A, where it could not be used";
    EXPECT_FALSE(notch.pinned());
    EXPECT_EQ(desk.ignoresMouse, true);
    EXPECT_TRUE(desk.activated.empty());
    EXPECT_EQ(desk.frame(), expandedB) << "the close animation keeps its room";
    scheduler.advance(420ms);
    EXPECT_EQ(desk.frame(), kCollapsedA);

    // On the screen that is left it opens and behaves as usual.
    moveTo(kHandleA);
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenA());
    EXPECT_EQ(desk.frame(), kExpandedA);
    clickAt({kExpandedA.midX(), kExpandedA.midY()});
    moveTo({kExpandedA.midX(), kExpandedA.midY()});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, UnpluggingTheScreenOfAKeyboardOpenedPanelClosesItAndGivesTheFocusBack)
{
    desk.screens = {screenA(), screenB()};
    installed();
    desk.pointer = kHandleB;
    notch.togglePinnedOpen();
    turn();
    ASSERT_TRUE(notch.expanded());
    desk.screens = {screenA()};
    notch.applyPositionChange();
    EXPECT_FALSE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_FALSE(notch.keyboardActive());
    EXPECT_FALSE(desk.keyable);
    EXPECT_THAT(desk.activated, ElementsAre("gedit"));
    scheduler.advance(1s);
    EXPECT_EQ(desk.frame(), kCollapsedA);
}

TEST_F(NotchControllerTest, UnpluggingTheScreenBeforeTheOpeningTurnKeepsThePanelShut)
{
    desk.screens = {screenA(), screenB()};
    installed();
    moveTo(kHandleB);
    desk.screens = {screenA()};
    notch.applyPositionChange();
    turn();
    EXPECT_FALSE(notch.expanded());
    scheduler.advance(1s);
    EXPECT_EQ(desk.frame(), kCollapsedA);
}

TEST_F(NotchControllerTest, UnpluggingAnotherScreenLeavesTheOpenPanelWhereItIs)
{
    desk.screens = {screenA(), screenB()};
    openForKeyboard();
    desk.screens = {screenA()};
    notch.applyPositionChange();
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(notch.pinned());
    EXPECT_EQ(desk.frame(), kExpandedA);
    clickAt({kExpandedA.midX(), kExpandedA.midY()});
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(desk.activated.empty());
}

// ---- Position and scale changes ----

TEST_F(NotchControllerTest, APositionChangeMovesTheOpenWindow)
{
    openByPointer();
    settings.setPanelPosition(PanelPosition::BottomRight);
    notch.applyPositionChange();
    EXPECT_EQ(desk.frame(), (Rect{1920 - 34 - 2 - 848, -2, 848, 252}));
    settings.setPanelScale(0.75); // the smallest size the settings offer is 0.7
    notch.applyPositionChange();
    EXPECT_EQ(desk.frame(), (Rect{1920 - 36 - 653, -2, 653, 197.5}));
}

TEST_F(NotchControllerTest, APositionChangeMovesTheClosedWindow)
{
    installed();
    settings.setPanelPosition(PanelPosition::TopLeft);
    notch.applyPositionChange();
    EXPECT_EQ(desk.frame(), (Rect{34, 1050, 220, 30}));
    // The handle moved with it.
    moveTo(kHandleA);
    turn();
    EXPECT_FALSE(notch.expanded());
    moveTo({34 + 110, 1060});
    turn();
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, APositionChangeWhileClosingLandsTheShrinkAtTheNewPlace)
{
    openByPointer();
    notch.collapse();
    settings.setPanelPosition(PanelPosition::TopRight);
    notch.applyPositionChange();
    EXPECT_EQ(desk.frame(), kExpandedA) << "the close animation keeps its room";
    scheduler.advance(420ms);
    EXPECT_EQ(desk.frame(), (Rect{1920 - 34 - 220, 1050, 220, 30}));
}

// ---- Lifetime ----

TEST_F(NotchControllerTest, PendingWorkDoesNotOutliveTheController)
{
    settings.setNotchActivation(NotchActivation::LongHover);
    auto other = std::make_unique<NotchController>(desk.ports(), scheduler, settings);
    other->install();
    desk.pointer = kHandleA;
    other->mouseMoved(); // a dwell is pending
    other->openForKeyboard(); // an opening turn is pending
    other.reset();
    const auto framesBefore = desk.frames.size();
    scheduler.advance(10s);
    EXPECT_EQ(desk.frames.size(), framesBefore);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

} // namespace
