// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/sidepanels/SidePanelController.h"

#include "core/settings/UserDefaults.h"
#include "core/sidepanels/SidePanelGeometry.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class SidePanelControllerTest : public ::testing::Test {
protected:
    VirtualScheduler scheduler;
    UserDefaults defaults;
    AppSettings settings{defaults};
    FakeScreens screens{{{"DP-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1056}, true}}};
    NotchController notch{{screens}, scheduler, settings};
    FakePanelWindow panelWindow{WindowId{900}};
    FakePanelWindow sideWindow{WindowId{901}};
    /// The now-playing card, with or without a player.
    struct Content final : SidePanelContent {
        Rect frameFor(const Rect& screen, Size size) const override
        {
            return SidePanelGeometry::nowPlayingFrame(screen, size);
        }
        bool hasContent() const override { return hasMedia; }
        bool hasMedia = false;
    } content;
    bool& hasMedia = content.hasMedia;
    SidePanelController side{notch, screens, content};

    void SetUp() override
    {
        notch.addSidePanel(side);
        ASSERT_TRUE(notch.install(panelWindow));
        ASSERT_TRUE(side.install(sideWindow));
    }
    void open()
    {
        notch.expand();
        scheduler.runPosted();
    }
};

constexpr Rect kNowPlaying{1294, 823, 348, 259};

} // namespace

TEST_F(SidePanelControllerTest, CreatedBesideThePanelAndClickThrough)
{
    EXPECT_EQ(sideWindow.created, std::vector<Rect>{kNowPlaying});
    EXPECT_EQ(sideWindow.orderFronts, 1);
    EXPECT_TRUE(sideWindow.ignoresMouse.empty()); // created ignoring the mouse, and left so
    EXPECT_FALSE(side.frame());
}

TEST_F(SidePanelControllerTest, TakesThePointerOnlyWhileOpenWithSomethingToShow)
{
    struct Step {
        bool open;
        bool media;
        bool takesPointer;
    };
    const std::vector<Step> steps = {{true, false, false}, {true, true, true}, {false, true, false},
                                     {true, true, true},   {true, false, false}};
    for (const auto& step : steps) {
        hasMedia = step.media;
        if (step.open && !notch.expanded())
            open();
        if (!step.open && notch.expanded()) {
            notch.collapse();
            scheduler.runPosted();
        }
        side.refresh();
        const bool ignoring = sideWindow.ignoresMouse.empty() || sideWindow.ignoresMouse.back();
        EXPECT_EQ(!ignoring, step.takesPointer) << step.open << step.media;
        EXPECT_EQ(side.frame().has_value(), step.takesPointer);
    }
}

TEST_F(SidePanelControllerTest, PointerOverTheShownPanelKeepsTheDropDownOpen)
{
    hasMedia = true;
    open();
    screens.pointer = {1500, 1000}; // beside the open panel, over the card
    notch.mouseMoved();
    scheduler.advance(1s);
    EXPECT_TRUE(notch.expanded());
}

TEST_F(SidePanelControllerTest, FollowsTheScreenThePanelOpensOn)
{
    screens.setScreens({{"DP-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1056}, true},
                        {"HDMI-1", {1920, 0, 2560, 1440}, {1920, 0, 2560, 1416}, false}});
    screens.pointer = {2500, 700};
    notch.openForKeyboard();
    scheduler.runPosted();
    ASSERT_FALSE(sideWindow.frames.empty());
    EXPECT_EQ(sideWindow.frames.back(), (Rect{1920 + 1280 + 424 - 90, 1183, 348, 259}));
}
