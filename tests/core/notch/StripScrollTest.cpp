// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/StripScroll.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace brisa {
// Readable failure messages for scroll moves.
void PrintTo(const StripScroll::Move& m, std::ostream* os) { *os << "{x " << m.x << (m.animated ? ", animated}" : "}"); }
} // namespace brisa

using namespace brisa;
using S = StripScroll;

namespace {
constexpr double kViewport = 780;
/// Twenty cards in that viewport.
const double kDoc = S::documentWidth(S::contentWidth(20), kViewport);
} // namespace

TEST(StripScroll, ContentWidthOfTheNotchStrip)
{
    EXPECT_DOUBLE_EQ(S::contentWidth(0), 46 + 24);
    EXPECT_DOUBLE_EQ(S::contentWidth(1), 46 + 212 + 24);
    EXPECT_DOUBLE_EQ(S::contentWidth(3), 46 + 3 * 212 + 2 * 16 + 24);
    EXPECT_DOUBLE_EQ(S::contentWidth(-4), 46 + 24);
    EXPECT_DOUBLE_EQ(S::contentWidth(2, 10, 100, 5, 0), 10 + 200 + 5);
}

TEST(StripScroll, NarrowStripIsAsWideAsTheViewportAndDoesNotScroll)
{
    const double doc = S::documentWidth(S::contentWidth(2), kViewport);
    EXPECT_DOUBLE_EQ(doc, kViewport);
    EXPECT_DOUBLE_EQ(S::maxX(doc, kViewport), 0);
    EXPECT_EQ(S::centredOffset(1, kViewport, doc), 0.0);
    EXPECT_DOUBLE_EQ(S::wheelTarget(0, 0, -5, doc, kViewport), 0);
    EXPECT_DOUBLE_EQ(S::dragScroll(0, -300, doc, kViewport), 0);
}

TEST(StripScroll, CentresTheCardButNeverScrollsBeforeTheStartOrPastTheEnd)
{
    EXPECT_EQ(S::centredOffset(0, kViewport, kDoc), 0.0);
    // Card 5 starts at 46 + 5 × 228 = 1186; its centre, 1292, lands mid-viewport.
    EXPECT_EQ(S::centredOffset(5, kViewport, kDoc), 1292.0 - 390.0);
    EXPECT_EQ(S::centredOffset(19, kViewport, kDoc), kDoc - kViewport);
    EXPECT_EQ(S::centredOffset(500, kViewport, kDoc), kDoc - kViewport);
}

TEST(StripScroll, NoCentringWithoutAViewportWidth)
{
    EXPECT_FALSE(S::centredOffset(3, 0, 2000).has_value());
    EXPECT_FALSE(S::centredOffset(3, std::numeric_limits<double>::quiet_NaN(), 2000).has_value());
}

TEST(StripScroll, ThreeWheelUnitsMove66PointsOnTheLargerAxisVerticalOnATieStoppingAtBothEnds)
{
    EXPECT_DOUBLE_EQ(S::wheelTarget(500, 0, 3, kDoc, kViewport), 434); // towards the start
    EXPECT_DOUBLE_EQ(S::wheelTarget(500, 0, -3, kDoc, kViewport), 566);
    EXPECT_DOUBLE_EQ(S::wheelTarget(500, -2, 1, kDoc, kViewport), 544);
    EXPECT_DOUBLE_EQ(S::wheelTarget(500, 2, -2, kDoc, kViewport), 544);
    EXPECT_DOUBLE_EQ(S::wheelTarget(10, 0, 3, kDoc, kViewport), 0);
    EXPECT_DOUBLE_EQ(S::wheelTarget(kDoc - kViewport - 5, 0, -3, kDoc, kViewport), kDoc - kViewport);
}

TEST(StripScroll, DraggingRightRevealsEarlierCards)
{
    EXPECT_DOUBLE_EQ(S::dragScroll(300, 40, kDoc, kViewport), 260);
    EXPECT_DOUBLE_EQ(S::dragScroll(300, -40, kDoc, kViewport), 340);
    EXPECT_DOUBLE_EQ(S::dragScroll(30, 40, kDoc, kViewport), 0);
    EXPECT_DOUBLE_EQ(S::dragScroll(kDoc, -40, kDoc, kViewport), kDoc - kViewport);
}

TEST(StripScroll, NonFiniteInputGivesTheStart)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_DOUBLE_EQ(S::wheelTarget(nan, 0, 1, kDoc, kViewport), 0);
    EXPECT_DOUBLE_EQ(S::dragScroll(100, inf, kDoc, kViewport), 100);
    EXPECT_DOUBLE_EQ(S::maxX(inf, kViewport), 0);
}

TEST(StripScrollUpdate, NewSelectionGlidesToCentreIt)
{
    StripScroll strip;
    EXPECT_EQ(strip.update(5, 0, kViewport, kDoc), (S::Move{.x = 902, .animated = true}));
    EXPECT_EQ(strip.update(5, 0, kViewport, kDoc), std::nullopt);
}

TEST(StripScrollUpdate, NewResetTickJumpsToTheStartEvenWithTheSameIndexAndRecordsIt)
{
    StripScroll strip;
    strip.update(0, 0, kViewport, kDoc);
    EXPECT_EQ(strip.update(0, 1, kViewport, kDoc), (S::Move{.x = 0, .animated = false}));
    EXPECT_EQ(strip.update(0, 1, kViewport, kDoc), std::nullopt);
    // The reset records the index, so it does not centre afterwards.
    strip.update(4, 2, kViewport, kDoc);
    EXPECT_EQ(strip.lastIndex(), 4);
    EXPECT_EQ(strip.lastReset(), 2);
    EXPECT_EQ(strip.update(4, 2, kViewport, kDoc), std::nullopt);
}

TEST(StripScrollUpdate, WaitsForAViewportWidthBeforeCentring)
{
    StripScroll strip;
    const double doc = S::contentWidth(20);
    EXPECT_EQ(strip.update(3, 0, 0, doc), std::nullopt);
    EXPECT_EQ(strip.lastIndex(), -1);
    EXPECT_TRUE(strip.update(3, 0, kViewport, S::documentWidth(doc, kViewport)).has_value());
}
