// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/toast/ToastController.h"

#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

/// A screen, with a notch when asked; the first one given is the primary.
ScreenInfo screenAt(Rect frame, bool notch, bool primary = true)
{
    ScreenInfo s{.name = "S", .frame = frame, .workArea = frame, .primary = primary};
    if (notch)
        s.safeAreaTop = 32;
    return s;
}

/// Off every screen in these tests.
constexpr Point kNowhere{-5000, -5000};

struct FakePanel final : PanelState {
    bool expanded() const override { return open; }
    bool open = false;
};

ToastData textToast(std::string preview)
{
    return ToastData{ToastData::Text{std::move(preview)}, std::nullopt, std::nullopt};
}

class ToastControllerTest : public ::testing::Test {
protected:
    ToastControllerTest() { screens.pointer = kNowhere; }

    double fraction() const { return controller.dismissFraction(); }

    test::FakeScreens screens{{screenAt({0, 0, 1920, 1080}, false)}};
    FakePanel panel;
    test::FakePanelWindow window;
    test::VirtualScheduler scheduler;
    ToastController controller{screens, nullptr, panel, scheduler};
};

} // namespace

TEST_F(ToastControllerTest, StartsHiddenWithAFullCountdownInReserve)
{
    EXPECT_EQ(controller.current(), std::nullopt);
    EXPECT_EQ(controller.showID(), 0u);
    EXPECT_TRUE(controller.hasNotch());
    EXPECT_EQ(controller.closeAt(), std::nullopt);
    EXPECT_FALSE(controller.isPaused());
    EXPECT_EQ(controller.pausedRemaining(), 4000ms);
    EXPECT_EQ(fraction(), 0.0);

    controller.pauseAutoDismiss(); // the pointer entering while hidden
    EXPECT_FALSE(controller.isPaused());
    controller.resume();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(ToastControllerTest, InstallCreatesTheWindowOnceAtTheTopCentreAndLogs)
{
    test::LogCapture log;
    EXPECT_TRUE(controller.install(window));
    EXPECT_TRUE(controller.install(window));
    ASSERT_EQ(window.created.size(), 1u);
    EXPECT_EQ(window.created[0], (Rect{740, 950, 440, 130}));
    EXPECT_TRUE(log.contains("[Brisa] ToastController instalado"));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(ToastControllerTest, InstallWithoutScreensCreatesNothing)
{
    screens.setScreens({});
    EXPECT_FALSE(controller.install(window));
    EXPECT_FALSE(controller.installed());
    EXPECT_TRUE(window.created.empty());
}

TEST_F(ToastControllerTest, ShowsForFourSecondsThenHidesAndLetsThePointerThrough)
{
    controller.install(window);
    controller.show(textToast("hola"));
    EXPECT_EQ(controller.current(), textToast("hola"));
    EXPECT_EQ(controller.showID(), 1u);
    EXPECT_EQ(controller.closeAt(), scheduler.now() + 4s);
    EXPECT_EQ(window.ignoresMouse, std::vector<bool>{false});
    EXPECT_EQ(window.orderFronts, 1) << "raised above the panel's window";

    scheduler.advance(3999ms);
    EXPECT_TRUE(controller.current());
    scheduler.advance(1ms);
    EXPECT_EQ(controller.current(), std::nullopt);
    EXPECT_EQ(controller.closeAt(), std::nullopt);
    EXPECT_EQ(window.ignoresMouse, (std::vector<bool>{false, true}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(ToastControllerTest, ACaptureWhileThePanelIsOpenShowsNoToast)
{
    controller.install(window);
    panel.open = true;
    controller.show(textToast("hola"));
    EXPECT_EQ(controller.current(), std::nullopt);
    EXPECT_EQ(controller.showID(), 0u);
    EXPECT_TRUE(window.frames.empty());
    EXPECT_TRUE(window.ignoresMouse.empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(ToastControllerTest, ASecondCaptureReplacesTheFirstWithAFullCountdownEvenWhenEqual)
{
    controller.show(textToast("a"));
    scheduler.advance(1s);
    controller.show(textToast("a"));
    EXPECT_EQ(controller.showID(), 2u);
    EXPECT_EQ(scheduler.pendingCount(), 1u);

    scheduler.advance(3500ms); // 4.5 s after the first: it would have gone by now
    EXPECT_EQ(controller.current(), textToast("a"));
    scheduler.advance(500ms);
    EXPECT_EQ(controller.current(), std::nullopt);
}

TEST_F(ToastControllerTest, ShownOnTheScreenUnderThePointerElseTheCurrentOne)
{
    controller.install(window);
    screens.setScreens({screenAt({0, 0, 1920, 1080}, false), screenAt({1920, 0, 2560, 1440}, false, false)});
    screens.pointer = {2000, 100};
    controller.show(textToast("a"));
    EXPECT_FALSE(controller.hasNotch());
    ASSERT_EQ(window.frames.size(), 1u);
    EXPECT_EQ(window.frames.back(), (Rect{1920 + 1280 - 220, 1440 - 130, 440, 130}));

    screens.pointer = kNowhere;
    screens.setScreens({screenAt({0, 0, 1000, 800}, true)});
    controller.show(textToast("b"));
    EXPECT_TRUE(controller.hasNotch());
    EXPECT_EQ(window.frames.back(), (Rect{280, 670, 440, 130}));
}

TEST_F(ToastControllerTest, PointerRestingTenSecondsThenLeavingKeepsTheRemainder)
{
    controller.show(textToast("a"));
    scheduler.advance(1500ms);
    controller.pauseAutoDismiss();
    EXPECT_TRUE(controller.isPaused());
    EXPECT_EQ(controller.closeAt(), std::nullopt);
    EXPECT_EQ(controller.pausedRemaining(), 2500ms);

    scheduler.advance(10s);
    EXPECT_TRUE(controller.current());
    EXPECT_DOUBLE_EQ(fraction(), 0.625);

    controller.resume();
    EXPECT_FALSE(controller.isPaused());
    EXPECT_EQ(controller.closeAt(), scheduler.now() + 2500ms);
    scheduler.advance(2499ms);
    EXPECT_TRUE(controller.current());
    scheduler.advance(1ms);
    EXPECT_EQ(controller.current(), std::nullopt);
}

TEST_F(ToastControllerTest, LeavingAfterTheCountdownRanOutStillGivesAFraction)
{
    controller.show(textToast("a"));
    scheduler.advance(3950ms);
    controller.pauseAutoDismiss();
    EXPECT_EQ(controller.pausedRemaining(), 50ms);
    controller.resume();
    scheduler.advance(149ms);
    EXPECT_TRUE(controller.current());
    scheduler.advance(1ms);
    EXPECT_EQ(controller.current(), std::nullopt);
}

TEST_F(ToastControllerTest, DismissNowHidesAtOnceAndCancelsTheCountdown)
{
    controller.install(window);
    controller.show(textToast("a"));
    controller.pauseAutoDismiss();
    controller.dismissNow();
    EXPECT_EQ(controller.current(), std::nullopt);
    EXPECT_EQ(controller.closeAt(), std::nullopt);
    EXPECT_FALSE(controller.isPaused());
    EXPECT_EQ(window.ignoresMouse.back(), true);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_EQ(fraction(), 0.0);

    controller.dismissNow(); // nothing up: nothing to do
    EXPECT_EQ(window.ignoresMouse.size(), 2u);
}

TEST_F(ToastControllerTest, DismissFractionFollowsTheCountdown)
{
    controller.show(textToast("a"));
    const TimePoint shown = scheduler.now();
    struct Case {
        Duration at;
        double fraction;
    };
    for (const Case& c : std::vector<Case>{{0ms, 1.0}, {1s, 0.75}, {2s, 0.5}, {3s, 0.25}, {4s, 0.0}, {9s, 0.0}}) {
        SCOPED_TRACE(c.at.count());
        EXPECT_DOUBLE_EQ(controller.dismissFraction(shown + c.at), c.fraction);
    }
    // Before the show (a clock that went back) it never passes 1.
    EXPECT_DOUBLE_EQ(controller.dismissFraction(shown - 2s), 1.0);
    // A longer countdown than the usual one is still a whole border.
    controller.scheduleHide(6s);
    EXPECT_DOUBLE_EQ(fraction(), 1.0);
}

TEST_F(ToastControllerTest, PublishesEachChange)
{
    std::vector<ToastController::Change> changes;
    controller.onChanged([&](ToastController::Change c) { changes.push_back(c); });
    using C = ToastController::Change;
    controller.show(textToast("a"));
    // The main screen has no notch, unlike the assumed start.
    EXPECT_EQ(changes, (std::vector<C>{C::HasNotch, C::Current, C::ShowID, C::CloseAt}));
    changes.clear();
    controller.pauseAutoDismiss();
    EXPECT_EQ(changes, (std::vector<C>{C::CloseAt, C::Paused}));
    changes.clear();
    controller.dismissNow();
    EXPECT_EQ(changes, (std::vector<C>{C::Paused, C::Current}));
}

TEST(ToastControllerLifetime, APendingHideDoesNotRunAfterTheControllerIsGone)
{
    test::VirtualScheduler scheduler;
    test::FakeScreens screens{{screenAt({0, 0, 800, 600}, false)}};
    FakePanel panel;
    test::FakePanelWindow window;
    {
        ToastController controller(screens, nullptr, panel, scheduler);
        controller.install(window);
        controller.show(textToast("a"));
    }
    scheduler.advance(10s);
    EXPECT_EQ(window.ignoresMouse, std::vector<bool>{false});
}
