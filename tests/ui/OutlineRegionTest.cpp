// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OutlineRegion.h"
#include "fakes/QtApp.h"

#include <QJSEngine>
#include <QPainterPath>
#include <gtest/gtest.h>

using namespace brisa;

namespace {

bool covers(const std::vector<WindowRect>& region, double x, double y)
{
    for (const auto& r : region)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
            return true;
    return false;
}

// The outline as NotchPanelShape draws it (its path, line for line), in pixels.
QPainterPath drawnOutline(const NotchOutline& o, double ratio)
{
    const double w = o.rect.width() * ratio, h = o.rect.height() * ratio;
    const double t = std::max(0.0, std::min({w / 2, o.topRadius * ratio, h}));
    const double b = std::max(0.0, std::min({w / 2 - t, o.bottomRadius * ratio, h - t}));
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(w, 0);
    path.quadTo(w - t, 0, w - t, t);
    path.lineTo(w - t, h - b);
    path.quadTo(w - t, h, w - t - b, h);
    path.lineTo(t + b, h);
    path.quadTo(t, h, t, h - b);
    path.lineTo(t, t);
    path.quadTo(t, 0, 0, 0);
    path.closeSubpath();
    return path.translated(o.rect.left() * ratio, o.rect.top() * ratio);
}

} // namespace

// The panel (flares 28, corners 42), the toast's pill (12, 28) and the blur's body without flares.
TEST(OutlineRegion, EveryPixelLiesWhollyInsideTheDrawnOutlineAndNearlyAllOfItIsCovered)
{
    const NotchOutline outlines[] = {{QRectF(34, 0, 780, 218), 28, 42},
                                     {QRectF(40, 0, 360, 90), 12, 28},
                                     {QRectF(62, 0, 724, 218), 0, 42}};
    for (const NotchOutline& outline : outlines)
        for (double ratio : {1.0, 2.0}) {
            const auto region = outlineRegion(outline, ratio);
            const QPainterPath path = drawnOutline(outline, ratio);
            // Each rectangle's end pixels on each of its rows: the outline's rows are intervals.
            for (const auto& r : region)
                for (int y = r.y; y < r.y + r.height; ++y)
                    for (int x : {r.x, r.x + r.width - 1})
                        ASSERT_TRUE(path.contains(QRectF(x + 0.001, y + 0.001, 0.998, 0.998)))
                            << "pixel " << x << "," << y << " sticks out, ratio " << ratio;
            int inside = 0, covered = 0;
            const QRectF bounds = path.boundingRect();
            for (int y = 0; y < bounds.bottom(); ++y)
                for (int x = 0; x < bounds.right(); ++x) {
                    if (!path.contains(QPointF(x + 0.5, y + 0.5)))
                        continue;
                    ++inside;
                    covered += covers(region, x + 0.5, y + 0.5);
                }
            EXPECT_GT(covered, inside * 0.99) << ratio;
            EXPECT_LE(region.size(), static_cast<size_t>(1 + (outline.topRadius + outline.bottomRadius + 2) * ratio));
        }
}

TEST(OutlineRegion, AShapeReachingPastTheWindowsTopOrLeftEdgeIsCutThere)
{
    const auto slidUp = outlineRegion({QRectF(0, -100, 200, 150), 0, 20}, 1);
    const auto wide = outlineRegion({QRectF(-30, 0, 200, 100), 0, 20}, 1);
    ASSERT_FALSE(slidUp.empty());
    ASSERT_FALSE(wide.empty());
    for (const auto& r : slidUp)
        EXPECT_GE(r.y, 0);
    EXPECT_EQ(slidUp.front().y, 0);
    EXPECT_EQ(slidUp.back().y + slidUp.back().height, 50);
    for (const auto& r : wide)
        EXPECT_GE(r.x, 0);
    EXPECT_EQ(wide.front().width, 170);
}

TEST(OutlineRegion, NothingForAnEmptyShape)
{
    EXPECT_TRUE(outlineRegion({QRectF(), 28, 42}, 1).empty());
    EXPECT_TRUE(outlineRegion({QRectF(10, 10, 0, 50), 28, 42}, 1).empty());
    EXPECT_TRUE(outlineRegion({QRectF(0, -60, 100, 50), 0, 10}, 1).empty());
}

TEST(OutlineRegion, AViewsListOfOutlinesIsReadAndEmptyEntriesAreLeftOut)
{
    test::qtApp();
    QJSEngine engine;
    const QJSValue list = engine.evaluate(QStringLiteral(
        "[{x: 34, y: -5, width: 780, height: 218, topRadius: 28, bottomRadius: 42},"
        " {x: 1, y: 2, width: 0, height: 4, topRadius: 0, bottomRadius: 0},"
        " {x: 405, y: 20, width: 38, height: 4}]"));
    const auto outlines = outlinesFromVariant(QVariant::fromValue(list));
    ASSERT_EQ(outlines.size(), 2u);
    EXPECT_EQ(outlines[0].rect, QRectF(34, -5, 780, 218));
    EXPECT_EQ(outlines[0].topRadius, 28);
    EXPECT_EQ(outlines[0].bottomRadius, 42);
    EXPECT_EQ(outlines[1].rect, QRectF(405, 20, 38, 4));
    EXPECT_EQ(outlines[1].topRadius, 0);
    EXPECT_TRUE(outlinesFromVariant(QVariant()).empty());
}
