// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/sidepanels/SidePanelGeometry.h"

#include <gtest/gtest.h>

using namespace brisa;
namespace G = brisa::SidePanelGeometry;

namespace {
// A 1920 × 1080 screen; the open panel's content at scale 1 without a notch: 780 × 218, so the
// open panel is 848 × 252 from x 536 to 1384, its top 2 points above the screen.
constexpr Rect kScreen{0, 0, 1920, 1080};
constexpr Size kContent{780, 218};
} // namespace

TEST(SidePanelGeometry, LauncherGridForNoneToSixTiles)
{
    struct Case {
        std::size_t tileCount;
        int columns, rows;
        double width, height;
    };
    const std::vector<Case> cases = {
        {0, 1, 1, 120, 90},  // only the add tile's room: one column
        {1, 1, 1, 120, 90},  // no entries: the add tile alone
        {2, 2, 1, 184, 90},  // one entry and the add tile
        {3, 3, 1, 248, 90},  {4, 3, 2, 248, 154}, {5, 3, 2, 248, 154},
        {6, 3, 2, 248, 154}, // five entries and the add tile, or six and none
        {7, 3, 3, 248, 218}, // more stored than can be added still all show
    };
    for (const auto& c : cases) {
        const auto grid = G::launcherGrid(c.tileCount);
        EXPECT_EQ(grid.columns, c.columns) << c.tileCount;
        EXPECT_EQ(grid.rows, c.rows) << c.tileCount;
        EXPECT_DOUBLE_EQ(grid.visibleWidth, c.width) << c.tileCount;
        EXPECT_DOUBLE_EQ(grid.visibleHeight, c.height) << c.tileCount;
    }
}

TEST(SidePanelGeometry, NowPlayingHangsOverThePanelsRightEnd)
{
    EXPECT_EQ(G::openPanelRect(kScreen, kContent), (Rect{536, 830, 848, 252}));
    // Left edge 90 points left of the panel's right edge (1384), top edge 2 points above the screen.
    EXPECT_EQ(G::nowPlayingFrame(kScreen, kContent), (Rect{1294, 823, 348, 259}));
    // A second screen to the right, and the panel scaled: the same rule from that screen's centre.
    EXPECT_EQ(G::nowPlayingFrame({1920, 0, 2560, 1440}, {1170, 327}), (Rect{1920 + 1280 + 619 - 90, 1183, 348, 259}));
}

TEST(SidePanelGeometry, LauncherEndsOverThePanelsLeftEnd)
{
    // One entry: visible 184 × 90, window 272 × 134, its visible part ending 46 points right of
    // the panel's left edge (536).
    const Rect frame = G::launcherFrame(kScreen, kContent, G::launcherGrid(2));
    EXPECT_EQ(frame, (Rect{536 + 2 - 184, 1082 - 134, 272, 134}));
    EXPECT_DOUBLE_EQ(frame.x + G::kHitInset + 184, 536 + 46);
}
