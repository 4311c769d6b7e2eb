// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtScreens.h"

#include "core/notch/NotchGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace brisa {
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "{x " << r.x << ", y " << r.y << ", w " << r.width << ", h " << r.height << "}";
}
void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
} // namespace brisa

using namespace brisa;

namespace {

struct ConversionCase {
    const char* name;
    QRect primary; // the primary screen's geometry in Qt's space
    QRect rect;    // a rectangle in Qt's space
    Rect expected; // the same in Brisa's space
};

class ToBottomLeft : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ToBottomLeft, MeasuresFromThePrimaryScreensBottomLeftAndComesBackUnchanged)
{
    const auto& c = GetParam();
    EXPECT_EQ(toBottomLeft(QRectF(c.rect), c.primary), c.expected);
    EXPECT_EQ(toTopLeft(c.expected, c.primary), QRectF(c.rect));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ToBottomLeft,
    ::testing::Values(
        ConversionCase{"PrimaryItself", {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
        ConversionCase{"WorkAreaUnderATopPanel", {0, 0, 1920, 1080}, {0, 28, 1920, 1052}, {0, 0, 1920, 1052}},
        ConversionCase{"WorkAreaOverABottomPanel", {0, 0, 1920, 1080}, {0, 0, 1920, 1040}, {0, 40, 1920, 1040}},
        // Top-aligned side by side, of different heights.
        ConversionCase{"ShorterScreenOnTheLeft", {0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}, {-1280, 56, 1280, 1024}},
        ConversionCase{"TallerScreenOnTheRight", {0, 0, 1920, 1080}, {1920, 0, 2560, 1440}, {1920, -360, 2560, 1440}},
        ConversionCase{"ScreenAbove", {0, 0, 1920, 1080}, {0, -1080, 1920, 1080}, {0, 1080, 1920, 1080}},
        // The primary away from Qt's origin: the origin still is its bottom-left corner.
        ConversionCase{"PrimaryRightOfAnother", {1280, 0, 1920, 1080}, {0, 0, 1280, 1024}, {-1280, 56, 1280, 1024}},
        ConversionCase{"PrimaryIsTheOriginWherever", {1280, 0, 1920, 1080}, {1280, 0, 1920, 1080}, {0, 0, 1920, 1080}},
        ConversionCase{"PrimaryBelowAnother", {0, 1440, 1920, 1080}, {0, 0, 2560, 1440}, {0, 1080, 2560, 1440}}),
    [](const auto& info) { return std::string(info.param.name); });

// A point sits on the edge; a pointer names the pixel, so the top row is inside the screen.
TEST(PointerToBottomLeft, PointsMeasureFromTheBottomLeftAndTheTopRowOfPixelsIsInsideTheScreen)
{
    const QRect primary{0, 0, 1920, 1080};
    EXPECT_EQ(toBottomLeft(QPointF(0, 1080), primary), (Point{0, 0}));
    EXPECT_EQ(toBottomLeft(QPointF(960, 0), primary), (Point{960, 1080}));
    EXPECT_EQ(toBottomLeft(QPointF(1300, 0), QRect(1280, 0, 1920, 1080)), (Point{20, 1080}));
    EXPECT_EQ(pointerToBottomLeft({960, 0}, primary), (Point{960, 1079}));
    EXPECT_EQ(pointerToBottomLeft({0, 1079}, primary), (Point{0, 0}));
}

TEST(PointerToBottomLeft, EachPixelLandsOnTheScreenThatShowsIt)
{
    // Qt's layout: a shorter screen left of the primary, a taller one right of it, all top-aligned.
    const QRect primary{0, 0, 1920, 1080};
    const std::vector<QRect> qtScreens{{-1280, 0, 1280, 1024}, primary, {1920, 0, 2560, 1440}};
    std::vector<ScreenInfo> screens;
    for (int i = 0; i < int(qtScreens.size()); ++i)
        screens.push_back({.name = std::to_string(i), .frame = toBottomLeft(QRectF(qtScreens[i]), primary)});

    for (int i = 0; i < int(qtScreens.size()); ++i) {
        const QRect& r = qtScreens[i];
        for (const QPoint pixel : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(), r.center()}) {
            SCOPED_TRACE(std::to_string(pixel.x()) + "," + std::to_string(pixel.y()));
            const auto screen = NotchGeometry::screenContaining(screens, pointerToBottomLeft(pixel, primary));
            ASSERT_TRUE(screen.has_value());
            EXPECT_EQ(screen->name, std::to_string(i));
        }
    }
    // Below the shorter screen there is none.
    EXPECT_FALSE(NotchGeometry::screenContaining(screens, pointerToBottomLeft({-10, 1030}, primary)).has_value());
}

TEST(PointerToBottomLeft, PointerAtTheTopEdgeIsOverThePanelsHandle)
{
    const QRect primary{0, 0, 1920, 1080};
    const ScreenInfo screen{.frame = toBottomLeft(QRectF(primary), primary),
                            .workArea = toBottomLeft(QRectF(0, 28, 1920, 1052), primary),
                            .primary = true};
    const auto zone = NotchGeometry::hotZone(NotchGeometry::metrics(screen), PanelPosition::TopCenter);
    EXPECT_TRUE(zone.contains(pointerToBottomLeft({960, 0}, primary)));
    EXPECT_TRUE(zone.contains(pointerToBottomLeft({960, 33}, primary)));
    EXPECT_FALSE(zone.contains(pointerToBottomLeft({960, 34}, primary)));
}

TEST(ToTopLeft, PlacesACollapsedPanelAtTheTopOfItsScreen)
{
    const QRect primary{0, 0, 1920, 1080};
    const ScreenInfo right{.frame = toBottomLeft(QRectF(1920, 0, 2560, 1440), primary),
                           .workArea = toBottomLeft(QRectF(1920, 32, 2560, 1408), primary)};
    const Rect frame = NotchGeometry::collapsedFrame(NotchGeometry::metrics(right), PanelPosition::TopCenter);
    EXPECT_EQ(toTopLeft(frame, primary), QRectF(3090, 0, 220, 38));
}

// Before any QGuiApplication exists (this test runs first in its own process).
TEST(QtScreens, WithoutAGuiApplicationThereAreNoScreens)
{
    if (QCoreApplication::instance())
        GTEST_SKIP() << "an application object already exists";
    QtScreens screens;
    EXPECT_TRUE(screens.screens().empty());
    EXPECT_EQ(QtScreens::primaryGeometry(), QRect());
}

// The offscreen platform's screens; one application for the rest of the run.
void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "test_QtScreensTest";
    static char* argv[] = {name, nullptr};
    static auto* app = QCoreApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
    (void)app;
}

TEST(QtScreens, ReportsTheOffscreenScreenAsPrimaryAtTheOrigin)
{
    ensureGuiApplication();
    ASSERT_NE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);

    QtScreens qtScreens;
    int changes = 0;
    qtScreens.onChanged([&] { ++changes; });
    const auto screens = qtScreens.screens();
    ASSERT_EQ(screens.size(), size_t(QGuiApplication::screens().size()));
    ASSERT_FALSE(screens.empty());
    const QScreen* primary = QGuiApplication::primaryScreen();
    int primaries = 0;
    for (const auto& s : screens)
        primaries += s.primary ? 1 : 0;
    EXPECT_EQ(primaries, 1);
    const auto& first = screens.front();
    EXPECT_EQ(first.name, primary->name().toStdString());
    EXPECT_EQ(first.frame, (Rect{0, 0, double(primary->geometry().width()), double(primary->geometry().height())}));
    EXPECT_EQ(first.safeAreaTop, 0);
    EXPECT_FALSE(NotchGeometry::metrics(first).hasNotch);
    EXPECT_EQ(qtScreens.fromPointer(primary->geometry().topLeft()), (Point{0, first.frame.height - 1}));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 0);
}

TEST(QtScreens, OneChangeOfSeveralSignalsMakesOneCallToEachCallback)
{
    ensureGuiApplication();
    QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    QtScreens screens;
    std::vector<int> calls;
    screens.onChanged([&] { calls.push_back(1); });
    screens.onChanged([&] { calls.push_back(2); });

    // What the window system sends when a monitor is rearranged.
    Q_EMIT primary->geometryChanged(primary->geometry());
    Q_EMIT primary->availableGeometryChanged(primary->availableGeometry());
    Q_EMIT qGuiApp->primaryScreenChanged(primary);
    EXPECT_TRUE(calls.empty()) << "callbacks run from the event loop, not inside the signal";
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));

    Q_EMIT primary->availableGeometryChanged(primary->availableGeometry());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 1, 2}));
}

TEST(QtScreens, SignalsAfterItIsGoneAreHarmless)
{
    ensureGuiApplication();
    QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    int calls = 0;
    {
        QtScreens screens;
        screens.onChanged([&] { ++calls; });
        Q_EMIT primary->geometryChanged(primary->geometry());
    }
    Q_EMIT primary->geometryChanged(primary->geometry());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

} // namespace
