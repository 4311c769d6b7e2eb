// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BlurRegion.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brisa;

namespace {

bool covers(const std::vector<WindowRect>& region, double x, double y)
{
    for (const auto& r : region)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
            return true;
    return false;
}

// Inside the outline: the rectangle with its two bottom corners rounded.
bool insideOutline(double x, double y, double left, double top, double width, double height, double radius)
{
    if (x < left || x >= left + width || y < top || y >= top + height)
        return false;
    const double cy = top + height - radius;
    if (y < cy)
        return true;
    const double cx = x < left + radius ? left + radius : x > left + width - radius ? left + width - radius : x;
    return std::hypot(x - cx, y - cy) <= radius;
}

} // namespace

TEST(BlurRegion, StaysInsideTheOutlineAndCoversNearlyAllOfIt)
{
    for (double ratio : {1.0, 2.0}) {
        const auto region = roundedBottomRegion(QRectF(34, 0, 724, 218), 42, ratio);
        int inside = 0, covered = 0;
        for (double y = 0.5; y < 218 * ratio; y += 1)
            for (double x = 0.5; x < 848 * ratio; x += 1) {
                const bool in = insideOutline(x, y, 34 * ratio, 0, 724 * ratio, 218 * ratio, 42 * ratio);
                const bool blurred = covers(region, x, y);
                ASSERT_FALSE(blurred && !in) << "blur outside the outline at " << x << ", " << y;
                inside += in;
                covered += blurred;
            }
        EXPECT_GT(covered, inside * 0.99) << ratio;
        EXPECT_LT(region.size(), 30u * ratio);
    }
}

TEST(BlurRegion, AShapeSlidUpPastTheWindowIsCutAtItsTopEdge)
{
    const auto region = roundedBottomRegion(QRectF(0, -100, 200, 150), 20, 1);
    ASSERT_FALSE(region.empty());
    EXPECT_EQ(region.front().y, 0);
    for (const auto& r : region)
        EXPECT_GE(r.y, 0);
    EXPECT_EQ(region.back().y + region.back().height, 50);
}

TEST(BlurRegion, AShapeWiderThanTheWindowIsCutAtItsLeftEdge)
{
    const auto region = roundedBottomRegion(QRectF(-30, 0, 200, 100), 20, 1);
    ASSERT_FALSE(region.empty());
    for (const auto& r : region)
        EXPECT_GE(r.x, 0);
    EXPECT_EQ(region.front().width, 170);
}

TEST(BlurRegion, NothingForAnEmptyShape)
{
    EXPECT_TRUE(roundedBottomRegion(QRectF(), 42, 1).empty());
    EXPECT_TRUE(roundedBottomRegion(QRectF(10, 10, 0, 50), 42, 1).empty());
    EXPECT_TRUE(roundedBottomRegion(QRectF(0, -60, 100, 50), 10, 1).empty());
}
