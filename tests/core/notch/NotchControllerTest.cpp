// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/NotchController.h"
#include "core/settings/UserDefaults.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakePointerMonitor.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowActivation.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gmock/gmock.h>

#include <algorithm>
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

constexpr WindowId kEditor{101};
constexpr WindowId kBrowser{102};
constexpr WindowId kPanel{900};

/// Toast and sequential paste as the panel sees them.
struct FakeNeighbours final : PanelToast, PasteCursor {
    bool showing() const override { return toast; }
    void dismissNow() override
    {
        ++toastDismissals;
        toast = false;
    }
    void resetCursor() override { ++cursorResets; }

    bool toast = false;
    int toastDismissals = 0;
    int cursorResets = 0;
};

struct FakeSidePanel final : SidePanel {
    std::optional<Rect> frame() const override { return at; }
    std::optional<Rect> at;
};

class NotchControllerTest : public ::testing::Test {
protected:
    NotchControllerTest()
    {
        settings.setNotchActivation(NotchActivation::Hover);
        pointer.place(kDesktopA);
        windows.active = kEditor;
        window.journal = &focusSteps;
        windows.journal = &focusSteps;
        notch.setToast(&others);
    }

    std::unique_ptr<NotchController> makeController()
    {
        return std::make_unique<NotchController>(NotchController::Desktop{screens, &pointer, &windows}, scheduler,
                                                 settings, &others);
    }
    NotchController& installed()
    {
        notch.install(window);
        return notch;
    }
    /// The pointer moves to p and the move is reported.
    void moveTo(Point p) { pointer.moveTo(p); }
    void clickAt(Point p) { pointer.clickAt(p); }
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
    /// The windows the focus was given back to (Brisa's own activations left out).
    std::vector<WindowId> givenBack() const
    {
        std::vector<WindowId> out;
        for (WindowId w : windows.activated)
            if (w != kPanel)
                out.push_back(w);
        return out;
    }
    int selfActivations() const
    {
        return static_cast<int>(std::count(windows.activated.begin(), windows.activated.end(), kPanel));
    }
    std::optional<bool> ignoresMouse() const
    {
        return window.ignoresMouse.empty() ? std::nullopt : std::optional(window.ignoresMouse.back());
    }

    VirtualScheduler scheduler;
    UserDefaults defaults;
    AppSettings settings{defaults};
    FakeScreens screens{{screenA()}};
    FakePointerMonitor pointer;
    FakeWindowActivation windows;
    FakePanelWindow window{kPanel};
    FakeNeighbours others;
    /// The focus-related calls, in order.
    std::vector<std::string> focusSteps;
    NotchController notch{NotchController::Desktop{screens, &pointer, &windows}, scheduler, settings, &others};
};

} // namespace

// ---- Install ----

TEST_F(NotchControllerTest, InstallCreatesTheClosedPanelOnceAndLogsTheNotch)
{
    LogCapture log;
    EXPECT_TRUE(notch.install(window));
    EXPECT_TRUE(notch.install(window));
    EXPECT_THAT(window.created, ElementsAre(kCollapsedA));
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
    screens.setScreens({screenA(), notched});
    LogCapture log;
    notch.install(window);
    EXPECT_THAT(log.lines(), ElementsAre("[Brisa] Panel notch instalado (notch=true, w=359)"));
    EXPECT_EQ(notch.activeScreen(), notched);
}

TEST_F(NotchControllerTest, InstallWithoutScreensCreatesNothingAndCanBeRetried)
{
    screens.setScreens({});
    LogCapture log;
    EXPECT_FALSE(notch.install(window));
    EXPECT_TRUE(window.created.empty());
    EXPECT_TRUE(log.contains("no instalado"));
    screens.setScreens({screenA()});
    EXPECT_TRUE(notch.install(window));
    EXPECT_THAT(window.created, ElementsAre(kCollapsedA));
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
    EXPECT_TRUE(window.frames.empty());
    EXPECT_EQ(selfActivations(), 0);
}

// ---- Hover ----

TEST_F(NotchControllerTest, HoverOpensOnlyOverTheMiddleSeventyPercentAndAClickNever)
{
    installed();
    pointer.place(kHandleA); // not reported as a move
    notch.mouseDown();
    turn();
    EXPECT_FALSE(notch.expanded()) << "a click opens only with click activation";
    for (Point p : {Point{851, 1060}, Point{882.5, 1060}, Point{1037.5, 1060}, Point{1069, 1079}, Point{960, 1049}}) {
        moveTo(p);
        turn();
        EXPECT_FALSE(notch.expanded()) << p.x << "," << p.y;
    }
    moveTo({883.5, 1050});
    EXPECT_FALSE(notch.expanded()) << "the flag waits for the next turn";
    EXPECT_EQ(window.frame(), kExpandedA);
    EXPECT_EQ(ignoresMouse(), false);
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
    screens.setScreens({notched});
    auto other = makeController();
    FakePanelWindow otherWindow;
    other->install(otherWindow);
    moveTo({960, 1070});
    EXPECT_TRUE(other->activeHasNotch());
    EXPECT_EQ(other->expandedSize(), (Size{975, 320}));
    EXPECT_EQ(otherWindow.frame(), (Rect{960 - 521.5, 1080 + 2 - 354, 1043, 354}));
}

// ---- Long hover ----

class LongHoverTest : public NotchControllerTest {
protected:
    LongHoverTest() { settings.setNotchActivation(NotchActivation::LongHover); }
};

TEST_F(LongHoverTest, OpensOnceThePointerHasRestedThreeSecondsOnTheHandle)
{
    struct Step {
        Point to;
        bool reported;
        Duration wait;
    };
    const Point beside{kHandleA.x + 10, kHandleA.y};
    const struct {
        const char* story;
        std::vector<Step> steps;
        bool opens;
    } cases[] = {
        {"3 s from the first entry; moves inside do not restart it", {{kHandleA, true, 1s}, {beside, true, 2000ms}}, true},
        {"not a moment earlier", {{kHandleA, true, 1s}, {beside, true, 1999ms}}, false},
        {"leaving for the outer 15 % cancels it", {{kHandleA, true, 1s}, {{851, 1060}, true, 10s}}, false},
        {"coming back starts afresh", {{kHandleA, true, 2s}, {kDesktopA, true, 500ms}, {kHandleA, true, 500ms}}, false},
        {"and opens 3 s after the return", {{kHandleA, true, 2s}, {kDesktopA, true, 500ms}, {kHandleA, true, 3s}}, true},
        {"gone when it ends, the move not reported yet", {{kHandleA, true, 0ms}, {kDesktopA, false, 3s}}, false},
    };
    for (const auto& c : cases) {
        auto panel = makeController();
        FakePanelWindow panelWindow;
        panel->install(panelWindow);
        for (const Step& step : c.steps) {
            if (step.reported)
                pointer.moveTo(step.to);
            else
                pointer.place(step.to);
            scheduler.advance(step.wait);
        }
        turn();
        EXPECT_EQ(panel->expanded(), c.opens) << c.story;
    }
}

TEST_F(LongHoverTest, APointerRestingOnAToastOverTheHandleStillOpensWhenTheDwellEndsAMoveCancelsIt)
{
    for (const bool moved : {false, true}) {
        auto panel = makeController();
        FakePanelWindow panelWindow;
        panel->setToast(&others);
        panel->install(panelWindow);
        others.toast = false;
        moveTo(kHandleA);
        others.toast = true; // a toast comes up under the resting pointer
        if (moved)
            moveTo({kHandleA.x + 10, kHandleA.y});
        scheduler.advance(3s);
        turn();
        EXPECT_EQ(panel->expanded(), !moved) << moved;
        moveTo(kDesktopA);
        scheduler.advance(1s);
    }
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

// ---- Toast ----

TEST_F(NotchControllerTest, AToastBlocksHoverAndClickButNotTheShortcut)
{
    installed();
    others.toast = true;
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
    EXPECT_EQ(others.toastDismissals, 1);
    EXPECT_FALSE(others.toast);
}

// ---- Closing by pointer ----

TEST_F(NotchControllerTest, MovesOutsideKeepPostponingTheCloseUntilThePointerStopsOrComesBack)
{
    openByPointer();
    for (int i = 0; i < 10; ++i) {
        moveTo({kDesktopA.x + i, kDesktopA.y});
        scheduler.advance(200ms);
        ASSERT_TRUE(notch.expanded()) << i;
    }
    // Coming back within the delay keeps it open.
    moveTo(kDesktopA);
    scheduler.advance(200ms);
    moveTo({kExpandedA.midX(), kExpandedA.midY()});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());

    moveTo(kDesktopA);
    scheduler.advance(249ms);
    EXPECT_TRUE(notch.expanded());
    scheduler.advance(1ms);
    EXPECT_FALSE(notch.expanded());
    EXPECT_EQ(ignoresMouse(), true);
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
    FakeSidePanel nowPlaying, launcher;
    nowPlaying.at = Rect{1300, 823, 348, 259};
    launcher.at = Rect{100, 700, 500, 382};
    notch.addSidePanel(nowPlaying);
    notch.addSidePanel(launcher);
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
    screens.setScreens({screenA(), screenB()});
    installed();
    pointer.place({2000, 100});
    notch.togglePinnedOpen();
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(notch.keyboardActive());
    EXPECT_TRUE(window.keyable);
    EXPECT_EQ(others.cursorResets, 1);
    EXPECT_EQ(selfActivations(), 1);
    EXPECT_EQ(window.keyAndFronts, 1);
    EXPECT_EQ(notch.previousApp(), kEditor);
    EXPECT_EQ(notch.activeScreen(), screenB());
    EXPECT_EQ(window.frame(), (Rect{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252}));
    turn();
    EXPECT_TRUE(notch.expanded());

    // Pinned: the pointer leaving does not close it.
    moveTo(kDesktopA);
    scheduler.advance(5s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, EveryWayOfClosingAKeyboardPanelLetsGoOfTheKeyboard)
{
    const struct {
        const char* way;
        void (*close)(NotchController&);
        bool givesFocusBack;
    } cases[] = {
        {"the shortcut again", [](NotchController& n) { n.togglePinnedOpen(); }, true},
        {"Escape", [](NotchController& n) { n.keyDown(true); }, true},
        {"the close button", [](NotchController& n) { n.closeAndRestoreFocus(); }, true},
        {"a paste, which gives the focus back itself", [](NotchController& n) { n.releaseAndCollapse(); }, false},
    };
    for (const auto& c : cases) {
        windows.activated.clear();
        openForKeyboard();
        c.close(notch);
        EXPECT_FALSE(notch.expanded()) << c.way;
        EXPECT_FALSE(notch.pinned()) << c.way;
        EXPECT_FALSE(notch.keyboardActive()) << c.way;
        EXPECT_FALSE(window.keyable) << c.way;
        EXPECT_EQ(givenBack(), c.givesFocusBack ? std::vector{kEditor} : std::vector<WindowId>{}) << c.way;
        scheduler.advance(1s);
    }
}

TEST_F(NotchControllerTest, TheShortcutWhileOpenByPointerPinsInsteadOfClosing)
{
    openByPointer();
    notch.togglePinnedOpen();
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(notch.keyboardActive());
    EXPECT_TRUE(givenBack().empty());
}

TEST_F(NotchControllerTest, TheRememberedApplicationIsNeverBrisaItself)
{
    installed();
    const auto toggle = [&] {
        notch.togglePinnedOpen();
        turn();
    };
    window.brisaFocused = true;
    toggle();
    EXPECT_EQ(notch.previousApp(), std::nullopt);
    toggle();

    window.brisaFocused = false;
    windows.active = kBrowser;
    toggle();
    toggle();
    window.brisaFocused = true;
    toggle();
    EXPECT_EQ(notch.previousApp(), kBrowser);
    toggle();
    EXPECT_THAT(givenBack(), ElementsAre(kBrowser, kBrowser));

    window.brisaFocused = false;
    windows.active = std::nullopt;
    toggle();
    EXPECT_EQ(notch.previousApp(), std::nullopt);
}

TEST_F(NotchControllerTest, EscapeClosesAnOpenPanelAndDoesNothingElseOtherKeysNothing)
{
    installed();
    notch.keyDown(true);
    scheduler.advance(1s);
    EXPECT_TRUE(window.frames.empty()) << "closed: nothing to do";
    EXPECT_EQ(ignoresMouse(), std::nullopt);

    openByPointer();
    notch.keyDown(false);
    EXPECT_TRUE(notch.expanded());
    notch.keyDown(true);
    EXPECT_FALSE(notch.expanded());
    EXPECT_TRUE(givenBack().empty());
}

TEST_F(NotchControllerTest, AModalInteractionKeepsThePanelOpenAndFocused)
{
    openByPointer();
    notch.beginModalInteraction();
    EXPECT_TRUE(notch.pinned());
    EXPECT_TRUE(window.keyable);
    EXPECT_EQ(window.keyAndFronts, 1);
    moveTo(kDesktopA);
    scheduler.advance(1s);
    notch.collapse(); // a paste asks to close: pinned, so it stays
    EXPECT_TRUE(notch.expanded());

    notch.endModalInteraction(); // the dialog is done: open, but no longer pinned or keyable
    EXPECT_TRUE(notch.expanded());
    EXPECT_FALSE(notch.pinned());
    EXPECT_FALSE(notch.keyboardActive());
    EXPECT_FALSE(window.keyable);
}

TEST_F(NotchControllerTest, TheWindowIsKeyableBeforeItTakesTheFocus)
{
    const struct {
        const char* way;
        bool byPointerThenDialog;
    } cases[] = {{"the shortcut", false}, {"a dialog from a hovered panel", true}};
    for (const auto& c : cases) {
        focusSteps.clear();
        if (c.byPointerThenDialog) {
            openByPointer();
            notch.beginModalInteraction();
        } else {
            openForKeyboard();
        }
        EXPECT_THAT(focusSteps, ElementsAre("keyable", "key and front", "activate 900")) << c.way;
        notch.closeAndRestoreFocus();
        scheduler.advance(1s);
    }
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
    EXPECT_THAT(givenBack(), ElementsAre(kEditor));
}

TEST_F(NotchControllerTest, AClickOutsideClosesAPanelOpenByPointerAtOnce)
{
    openByPointer();
    moveTo(kDesktopA); // a close is pending
    clickAt(kDesktopA);
    EXPECT_FALSE(notch.expanded());
    EXPECT_TRUE(givenBack().empty());
    scheduler.advance(1s);
    EXPECT_FALSE(notch.expanded());
}

// ---- The window's size while closing ----

TEST_F(NotchControllerTest, TheWindowShrinksAfterTheCloseAnimationUnlessOpenedAgainMeanwhile)
{
    openByPointer();
    notch.collapse();
    scheduler.advance(419ms);
    EXPECT_EQ(window.frame(), kExpandedA);
    scheduler.advance(1ms);
    EXPECT_EQ(window.frame(), kCollapsedA);

    moveTo(kDesktopA);
    moveTo(kHandleA);
    turn();
    ASSERT_TRUE(notch.expanded());
    notch.collapse();
    scheduler.advance(300ms);
    moveTo(kHandleA);
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(window.frame(), kExpandedA);
}

TEST_F(NotchControllerTest, AClosingBeforeTheOpeningTurnWins)
{
    installed();
    moveTo(kHandleA);
    notch.collapse();
    turn();
    EXPECT_FALSE(notch.expanded());
    EXPECT_EQ(ignoresMouse(), true);
}

// ---- Several screens ----

TEST_F(NotchControllerTest, OpensOnTheScreenUnderThePointer)
{
    screens.setScreens({screenA(), screenB()});
    openByPointer();
    moveTo({1900, 100}); // leave A
    scheduler.advance(1s);
    ASSERT_FALSE(notch.expanded());

    moveTo(kHandleB);
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenB());
    const Rect expandedB{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252};
    EXPECT_EQ(window.frame(), expandedB);

    // The keep-open zone and the click test follow B.
    moveTo({expandedB.minX() + 1, expandedB.minY() + 1});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
    clickAt({expandedB.maxX() + 3, expandedB.minY()});
    EXPECT_TRUE(notch.expanded());

    notch.collapse();
    scheduler.advance(1s);
    EXPECT_EQ(window.frame(), (Rect{1920 + 1280 - 110, 1410, 220, 30}));
}

TEST_F(NotchControllerTest, TheShortcutWhileOpenOnAnotherScreenMovesThePanelUnderThePointer)
{
    screens.setScreens({screenA(), screenB()});
    openByPointer();
    moveTo({2000, 100}); // onto B; the close is still pending
    notch.togglePinnedOpen();
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenB());
    const Rect expandedB{1920 + 1280 - 424, 1440 + 2 - 252, 848, 252};
    EXPECT_EQ(window.frame(), expandedB);
    clickAt({expandedB.midX(), expandedB.midY()});
    EXPECT_TRUE(notch.expanded()) << "a click on the moved panel is inside it";
}

TEST_F(NotchControllerTest, AnUnpluggedScreenClosesAtTheNextMoveOrClick)
{
    installed();
    for (const bool byClick : {false, true}) { // opened by the pointer, or pinned by the shortcut
        SCOPED_TRACE(byClick);
        windows.activated.clear();
        screens.setScreens({screenA(), screenB()});
        if (byClick) {
            pointer.place(kHandleB);
            notch.togglePinnedOpen();
        } else {
            moveTo(kHandleB);
        }
        turn();
        ASSERT_TRUE(notch.expanded());
        screens.setScreens({screenA()});
        EXPECT_EQ(notch.activeScreen(), std::nullopt);
        // Where the panel was: no screen there now.
        byClick ? clickAt(kHandleB) : moveTo(kHandleB);
        scheduler.advance(byClick ? 0ms : 250ms);
        EXPECT_FALSE(notch.expanded());
        EXPECT_EQ(givenBack(), byClick ? std::vector{kEditor} : std::vector<WindowId>{});
        scheduler.advance(1s);
        EXPECT_EQ(window.frame(), kCollapsedA) << "the closed tab goes back to a screen that exists";
    }
}

TEST_F(NotchControllerTest, UnpluggingTheScreenOfAnOpenPanelClosesItAtTheScreenChange)
{
    const struct {
        const char* openedBy;
        bool keyboard;
    } cases[] = {{"the pointer", false}, {"the shortcut, so the focus goes back", true}};
    installed();
    for (const auto& c : cases) {
        windows.activated.clear();
        screens.setScreens({screenA(), screenB()});
        if (c.keyboard) {
            pointer.place(kHandleB);
            notch.togglePinnedOpen();
        } else {
            moveTo(kHandleB);
        }
        turn();
        ASSERT_TRUE(notch.expanded()) << c.openedBy;
        const Rect expandedB = window.frame();
        screens.setScreens({screenA()});
        notch.applyPositionChange();
        EXPECT_FALSE(notch.expanded()) << c.openedBy << ": not moved to A, where it could not be used";
        EXPECT_FALSE(notch.pinned()) << c.openedBy;
        EXPECT_FALSE(notch.keyboardActive()) << c.openedBy;
        EXPECT_FALSE(window.keyable) << c.openedBy;
        EXPECT_EQ(ignoresMouse(), true) << c.openedBy;
        EXPECT_EQ(givenBack(), c.keyboard ? std::vector{kEditor} : std::vector<WindowId>{}) << c.openedBy;
        EXPECT_EQ(window.frame(), expandedB) << c.openedBy << ": the close animation keeps its room";
        scheduler.advance(420ms);
        EXPECT_EQ(window.frame(), kCollapsedA) << c.openedBy;
    }

    // On the screen that is left it opens and behaves as usual.
    moveTo(kHandleA);
    turn();
    EXPECT_TRUE(notch.expanded());
    EXPECT_EQ(notch.activeScreen(), screenA());
    EXPECT_EQ(window.frame(), kExpandedA);
    clickAt({kExpandedA.midX(), kExpandedA.midY()});
    moveTo({kExpandedA.midX(), kExpandedA.midY()});
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(NotchControllerTest, UnpluggingTheScreenBeforeTheOpeningTurnKeepsThePanelShut)
{
    screens.setScreens({screenA(), screenB()});
    installed();
    moveTo(kHandleB);
    screens.setScreens({screenA()});
    notch.applyPositionChange();
    turn();
    EXPECT_FALSE(notch.expanded());
    scheduler.advance(1s);
    EXPECT_EQ(window.frame(), kCollapsedA);
}

TEST_F(NotchControllerTest, UnpluggingAnotherScreenLeavesTheOpenPanelWhereItIs)
{
    screens.setScreens({screenA(), screenB()});
    openForKeyboard();
    screens.setScreens({screenA()});
    notch.applyPositionChange();
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(notch.pinned());
    EXPECT_EQ(window.frame(), kExpandedA);
    clickAt({kExpandedA.midX(), kExpandedA.midY()});
    EXPECT_TRUE(notch.expanded());
    EXPECT_TRUE(givenBack().empty());
}

// ---- Position and scale changes ----

TEST_F(NotchControllerTest, APositionChangeMovesTheOpenWindow)
{
    openByPointer();
    settings.setPanelPosition(PanelPosition::BottomRight);
    notch.applyPositionChange();
    EXPECT_EQ(window.frame(), (Rect{1920 - 34 - 2 - 848, -2, 848, 252}));
    settings.setPanelScale(0.75); // the smallest size the settings offer is 0.7
    notch.applyPositionChange();
    EXPECT_EQ(window.frame(), (Rect{1920 - 36 - 653, -2, 653, 197.5}));
}

TEST_F(NotchControllerTest, APositionChangeMovesTheClosedWindow)
{
    installed();
    settings.setPanelPosition(PanelPosition::TopLeft);
    notch.applyPositionChange();
    EXPECT_EQ(window.frame(), (Rect{34, 1050, 220, 30}));
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
    EXPECT_EQ(window.frame(), kExpandedA) << "the close animation keeps its room";
    scheduler.advance(420ms);
    EXPECT_EQ(window.frame(), (Rect{1920 - 34 - 220, 1050, 220, 30}));
}

// ---- Lifetime ----

TEST_F(NotchControllerTest, PendingWorkDoesNotOutliveTheController)
{
    settings.setNotchActivation(NotchActivation::LongHover);
    auto other = makeController();
    FakePanelWindow otherWindow;
    other->install(otherWindow);
    moveTo(kHandleA); // a dwell is pending
    other->openForKeyboard(); // an opening turn is pending
    other.reset();
    EXPECT_FALSE(pointer.hasHandlers()) << "pointer events no longer reach it";
    const auto framesBefore = otherWindow.frames.size();
    scheduler.advance(10s);
    EXPECT_EQ(otherWindow.frames.size(), framesBefore);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}
