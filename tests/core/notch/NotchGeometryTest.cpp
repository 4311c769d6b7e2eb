// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/NotchGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace brisa {
// Readable failure messages for the geometry values.
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "{x " << r.x << ", y " << r.y << ", w " << r.width << ", h " << r.height << "}";
}
void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
} // namespace brisa

using namespace brisa;
namespace geo = brisa::NotchGeometry;

namespace {

// A desktop of three screens side by side, in the bottom-left space of the primary screen:
//
//   left     1280 x 1024, top-aligned with the primary, no top panel
//   primary  1920 x 1080, a 28-point top panel
//   right    2560 x 1440, top-aligned too (so it reaches 360 below the primary), a 32-point top panel
ScreenInfo primaryScreen()
{
    return {.name = "DP-1", .frame = {0, 0, 1920, 1080}, .workArea = {0, 0, 1920, 1052}, .primary = true};
}
ScreenInfo leftScreen()
{
    return {.name = "HDMI-1", .frame = {-1280, 56, 1280, 1024}, .workArea = {-1280, 56, 1280, 1024}};
}
ScreenInfo rightScreen()
{
    return {.name = "DP-2", .frame = {1920, -360, 2560, 1440}, .workArea = {1920, -360, 2560, 1408}};
}
// A screen with a camera housing: 232 points between the auxiliary areas, 32 deep, under a
// 25-point top bar.
ScreenInfo notchedScreen()
{
    return {.name = "eDP-1",
            .frame = {0, 0, 1512, 982},
            .workArea = {0, 0, 1512, 957},
            .primary = false,
            .safeAreaTop = 32,
            .auxiliaryTopLeftWidth = 640,
            .auxiliaryTopRightWidth = 640};
}

std::vector<ScreenInfo> desktop() { return {leftScreen(), primaryScreen(), rightScreen()}; }

void expectRect(const Rect& actual, const Rect& expected)
{
    EXPECT_DOUBLE_EQ(actual.x, expected.x);
    EXPECT_DOUBLE_EQ(actual.y, expected.y);
    EXPECT_DOUBLE_EQ(actual.width, expected.width);
    EXPECT_DOUBLE_EQ(actual.height, expected.height);
}

std::string positionName(PanelPosition position) { return std::string(rawValue(position)); }

// --- The top bar's thickness ---

struct ThicknessCase {
    const char* name;
    Rect frame;
    Rect workArea;
    double expected;
};

class StatusBarThickness : public ::testing::TestWithParam<ThicknessCase> {};

TEST_P(StatusBarThickness, ComesFromTheTopOfTheWorkArea)
{
    const auto& c = GetParam();
    EXPECT_DOUBLE_EQ(geo::statusBarThickness({.frame = c.frame, .workArea = c.workArea}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkAreas, StatusBarThickness,
    ::testing::Values(
        ThicknessCase{"TopPanel", {0, 0, 1920, 1080}, {0, 0, 1920, 1052}, 28},
        ThicknessCase{"NoPanel", {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 24},
        ThicknessCase{"BottomPanelOnly", {0, 0, 1920, 1080}, {0, 48, 1920, 1032}, 24},
        ThicknessCase{"TopAndBottomPanels", {0, 0, 1920, 1080}, {0, 48, 1920, 1000}, 32},
        ThicknessCase{"LeftDockOnly", {0, 0, 1920, 1080}, {64, 0, 1856, 1080}, 24},
        ThicknessCase{"ScreenAwayFromTheOrigin", {1920, -360, 2560, 1440}, {1920, -360, 2560, 1408}, 32},
        ThicknessCase{"ScreenLeftAndAbove", {-1280, 1080, 1280, 1024}, {-1280, 1080, 1280, 1000}, 24},
        ThicknessCase{"FractionalPanel", {0, 0, 1440, 900}, {0, 0, 1440, 872.5}, 27.5},
        ThicknessCase{"NoWorkAreaReported", {0, 0, 1920, 1080}, {0, 0, 0, 0}, 24},
        ThicknessCase{"WorkAreaReachesAboveTheScreen", {0, 0, 1920, 1080}, {0, 0, 1920, 1200}, 24},
        ThicknessCase{"WorkAreaBelowTheScreen", {0, 0, 1920, 1080}, {0, -2000, 1920, 1080}, 24},
        ThicknessCase{"NotANumber", {0, 0, 1920, 1080}, {0, 0, 1920, std::numeric_limits<double>::quiet_NaN()}, 24},
        ThicknessCase{"Infinite", {0, 0, 1920, std::numeric_limits<double>::infinity()}, {0, 0, 1920, 1052}, 24}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Metrics of one screen ---

TEST(NotchMetrics, ScreenWithoutNotchUsesTheFallbackWidthAndTheTopBar)
{
    const auto m = geo::metrics(primaryScreen());
    EXPECT_FALSE(m.hasNotch);
    EXPECT_DOUBLE_EQ(m.notchWidth, 200);
    EXPECT_DOUBLE_EQ(m.notchHeight, 28);
    EXPECT_EQ(m.screen, primaryScreen());
}

TEST(NotchMetrics, NotchSpansTheGapBetweenTheAuxiliaryAreas)
{
    const auto m = geo::metrics(notchedScreen());
    EXPECT_TRUE(m.hasNotch);
    EXPECT_DOUBLE_EQ(m.notchWidth, 232);
    EXPECT_DOUBLE_EQ(m.notchHeight, 32);
}

struct NotchWidthCase {
    const char* name;
    double auxLeft;
    double auxRight;
    double expected;
};

class NotchWidth : public ::testing::TestWithParam<NotchWidthCase> {};

TEST_P(NotchWidth, FallsBackWhenNothingIsLeft)
{
    const auto& c = GetParam();
    auto screen = notchedScreen();
    screen.auxiliaryTopLeftWidth = c.auxLeft;
    screen.auxiliaryTopRightWidth = c.auxRight;
    const auto m = geo::metrics(screen);
    EXPECT_TRUE(m.hasNotch);
    EXPECT_DOUBLE_EQ(m.notchWidth, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    AuxiliaryAreas, NotchWidth,
    ::testing::Values(NotchWidthCase{"BothMissing", 0, 0, 1512}, NotchWidthCase{"OnlyLeft", 700, 0, 812},
                      NotchWidthCase{"AsWideAsTheScreen", 756, 756, 200},
                      NotchWidthCase{"WiderThanTheScreen", 1000, 1000, 200},
                      NotchWidthCase{"NegativeCountsAsMissing", -50, 640, 872},
                      NotchWidthCase{"NotANumberCountsAsMissing", std::numeric_limits<double>::quiet_NaN(), 0, 1512}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NotchMetrics, SafeAreaThatIsNotPositiveMeansNoNotch)
{
    for (double top : {0.0, -10.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        auto screen = notchedScreen();
        screen.safeAreaTop = top;
        const auto m = geo::metrics(screen);
        EXPECT_FALSE(m.hasNotch) << top;
        EXPECT_DOUBLE_EQ(m.notchWidth, 200) << top;
        EXPECT_DOUBLE_EQ(m.notchHeight, 25) << top;
    }
}

// --- Which screen ---

TEST(CurrentMetrics, PicksTheNotchedScreenThenThePrimaryWhereverListedThenTheFirst)
{
    const std::vector<ScreenInfo> notched{primaryScreen(), rightScreen(), notchedScreen()};
    EXPECT_EQ(geo::currentMetrics(notched).screen.name, "eDP-1");
    auto screens = desktop();
    EXPECT_EQ(geo::currentMetrics(screens).screen.name, "DP-1");
    screens[1].primary = false;
    EXPECT_EQ(geo::currentMetrics(screens).screen.name, "HDMI-1");
}

TEST(CurrentMetrics, NoScreensAtAllGiveAnEmptyScreenAtTheOrigin)
{
    const auto m = geo::currentMetrics({});
    EXPECT_FALSE(m.hasNotch);
    EXPECT_EQ(m.screen.frame, Rect{});
    EXPECT_DOUBLE_EQ(m.notchWidth, 200);
    EXPECT_DOUBLE_EQ(m.notchHeight, 24);
}

struct ContainingCase {
    const char* name;
    Point point;
    const char* expected; // nullptr: no screen
};

class ScreenContaining : public ::testing::TestWithParam<ContainingCase> {};

TEST_P(ScreenContaining, FindsTheScreenUnderAPoint)
{
    const auto& c = GetParam();
    const auto screen = geo::screenContaining(desktop(), c.point);
    if (!c.expected) {
        EXPECT_FALSE(screen.has_value());
        return;
    }
    ASSERT_TRUE(screen.has_value());
    EXPECT_EQ(screen->name, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Points, ScreenContaining,
    ::testing::Values(
        ContainingCase{"InsideThePrimary", {960, 540}, "DP-1"},
        ContainingCase{"OriginIsThePrimarysBottomLeft", {0, 0}, "DP-1"},
        // The left and bottom edges belong to a screen, the right and top ones do not.
        ContainingCase{"SharedEdgeWithTheRight", {1920, 500}, "DP-2"},
        ContainingCase{"SharedEdgeWithTheLeft", {0, 500}, "DP-1"},
        ContainingCase{"JustLeftOfTheSharedEdge", {1919.5, 500}, "DP-1"},
        ContainingCase{"TopEdgeOfThePrimary", {960, 1080}, nullptr},
        ContainingCase{"JustBelowTheTopEdge", {960, 1079.5}, "DP-1"},
        ContainingCase{"RightScreenBelowThePrimary", {2000, -300}, "DP-2"},
        ContainingCase{"GapBelowTheLeftScreen", {-100, 20}, nullptr},
        ContainingCase{"GapBelowThePrimary", {960, -1}, nullptr},
        ContainingCase{"FarAway", {100000, 100000}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenContainingOrder, OverlappingScreensGiveTheFirstListed)
{
    // Mirrored outputs share one frame: the window system's order decides.
    auto a = primaryScreen();
    auto b = primaryScreen();
    b.name = "HDMI-2";
    b.primary = false;
    const std::vector<ScreenInfo> ab{a, b};
    const std::vector<ScreenInfo> ba{b, a};
    EXPECT_EQ(geo::screenContaining(ab, {960, 0})->name, "DP-1");
    EXPECT_EQ(geo::screenContaining(ba, {960, 0})->name, "HDMI-2");
    EXPECT_FALSE(geo::screenContaining({}, {0, 0}));
}

// --- Effective metrics ---

TEST(EffectiveMetrics, TopCentreKeepsTheNotchEveryCornerIgnoresItAndHangsFromTheTopBar)
{
    const auto m = geo::metrics(notchedScreen());
    EXPECT_EQ(geo::effectiveMetrics(m, PanelPosition::TopCenter), m);
    for (auto position : allPanelPositions) {
        if (position == PanelPosition::TopCenter)
            continue;
        SCOPED_TRACE(positionName(position));
        const auto e = geo::effectiveMetrics(m, position);
        EXPECT_FALSE(e.hasNotch);
        EXPECT_DOUBLE_EQ(e.notchWidth, 232);
        EXPECT_DOUBLE_EQ(e.notchHeight, 25);
        EXPECT_EQ(e.screen, m.screen);
    }
}

// --- Frames ---

struct FrameCase {
    std::string name;
    ScreenInfo screen;
    PanelPosition position;
    Rect expected;
};

std::string frameCaseName(const ::testing::TestParamInfo<FrameCase>& info) { return info.param.name; }

class CollapsedFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(CollapsedFrame, SitsAtItsPosition)
{
    const auto& c = GetParam();
    expectRect(geo::collapsedFrame(geo::metrics(c.screen), c.position), c.expected);
}

using P = PanelPosition;

INSTANTIATE_TEST_SUITE_P(
    Screens, CollapsedFrame,
    ::testing::Values(
        // 220 wide, the 28-point top bar + 6 tall.
        FrameCase{"PrimaryTopCenter", primaryScreen(), P::TopCenter, {850, 1046, 220, 34}},
        FrameCase{"PrimaryTopLeft", primaryScreen(), P::TopLeft, {34, 1046, 220, 34}},
        FrameCase{"PrimaryTopRight", primaryScreen(), P::TopRight, {1666, 1046, 220, 34}},
        FrameCase{"PrimaryBottomLeft", primaryScreen(), P::BottomLeft, {34, 0, 220, 34}},
        FrameCase{"PrimaryBottomRight", primaryScreen(), P::BottomRight, {1666, 0, 220, 34}},
        // No top panel: 24 + 6 tall; the screen lies at negative x.
        FrameCase{"LeftTopCenter", leftScreen(), P::TopCenter, {-750, 1050, 220, 30}},
        FrameCase{"LeftTopLeft", leftScreen(), P::TopLeft, {-1246, 1050, 220, 30}},
        FrameCase{"LeftTopRight", leftScreen(), P::TopRight, {-254, 1050, 220, 30}},
        FrameCase{"LeftBottomLeft", leftScreen(), P::BottomLeft, {-1246, 56, 220, 30}},
        FrameCase{"LeftBottomRight", leftScreen(), P::BottomRight, {-254, 56, 220, 30}},
        // Taller than the primary: its bottom edge is below the origin.
        FrameCase{"RightTopCenter", rightScreen(), P::TopCenter, {3090, 1042, 220, 38}},
        FrameCase{"RightTopLeft", rightScreen(), P::TopLeft, {1954, 1042, 220, 38}},
        FrameCase{"RightTopRight", rightScreen(), P::TopRight, {4226, 1042, 220, 38}},
        FrameCase{"RightBottomLeft", rightScreen(), P::BottomLeft, {1954, -360, 220, 38}},
        FrameCase{"RightBottomRight", rightScreen(), P::BottomRight, {4226, -360, 220, 38}},
        // The notch only shapes the top centre: exactly its width, its depth + 6.
        FrameCase{"NotchedTopCenter", notchedScreen(), P::TopCenter, {640, 944, 232, 38}},
        FrameCase{"NotchedTopLeft", notchedScreen(), P::TopLeft, {34, 951, 220, 31}},
        FrameCase{"NotchedTopRight", notchedScreen(), P::TopRight, {1258, 951, 220, 31}},
        FrameCase{"NotchedBottomLeft", notchedScreen(), P::BottomLeft, {34, 0, 220, 31}},
        FrameCase{"NotchedBottomRight", notchedScreen(), P::BottomRight, {1258, 0, 220, 31}}),
    frameCaseName);

struct ExpandedCase {
    std::string name;
    ScreenInfo screen;
    Size content;
    PanelPosition position;
    Rect expected;
};

class ExpandedFrame : public ::testing::TestWithParam<ExpandedCase> {};

TEST_P(ExpandedFrame, OverhangsTheEdgeItHangsFrom)
{
    const auto& c = GetParam();
    expectRect(geo::expandedFrame(geo::metrics(c.screen), c.content, c.position), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ExpandedFrame,
    ::testing::Values(
        // 780 x 256 content makes an 848 x 290 window whose top edge stands 2 above the screen.
        ExpandedCase{"PrimaryTopCenter", primaryScreen(), {780, 256}, P::TopCenter, {536, 792, 848, 290}},
        ExpandedCase{"PrimaryTopLeft", primaryScreen(), {780, 256}, P::TopLeft, {36, 792, 848, 290}},
        ExpandedCase{"PrimaryTopRight", primaryScreen(), {780, 256}, P::TopRight, {1036, 792, 848, 290}},
        ExpandedCase{"PrimaryBottomLeft", primaryScreen(), {780, 256}, P::BottomLeft, {36, -2, 848, 290}},
        ExpandedCase{"PrimaryBottomRight", primaryScreen(), {780, 256}, P::BottomRight, {1036, -2, 848, 290}},
        ExpandedCase{"LeftTopCenter", leftScreen(), {780, 218}, P::TopCenter, {-1064, 830, 848, 252}},
        ExpandedCase{"LeftTopLeft", leftScreen(), {780, 218}, P::TopLeft, {-1244, 830, 848, 252}},
        ExpandedCase{"LeftTopRight", leftScreen(), {780, 218}, P::TopRight, {-884, 830, 848, 252}},
        ExpandedCase{"LeftBottomLeft", leftScreen(), {780, 218}, P::BottomLeft, {-1244, 54, 848, 252}},
        ExpandedCase{"LeftBottomRight", leftScreen(), {780, 218}, P::BottomRight, {-884, 54, 848, 252}},
        // A panel scale of 1.5: 1170 x 327 content.
        ExpandedCase{"RightTopCenter", rightScreen(), {1170, 327}, P::TopCenter, {2581, 721, 1238, 361}},
        ExpandedCase{"RightTopLeft", rightScreen(), {1170, 327}, P::TopLeft, {1956, 721, 1238, 361}},
        ExpandedCase{"RightTopRight", rightScreen(), {1170, 327}, P::TopRight, {3206, 721, 1238, 361}},
        ExpandedCase{"RightBottomLeft", rightScreen(), {1170, 327}, P::BottomLeft, {1956, -362, 1238, 361}},
        ExpandedCase{"RightBottomRight", rightScreen(), {1170, 327}, P::BottomRight, {3206, -362, 1238, 361}},
        ExpandedCase{"NotchedTopCenter", notchedScreen(), {780, 256}, P::TopCenter, {332, 694, 848, 290}}),
    [](const auto& info) { return info.param.name; });

TEST(ExpandedFrameScreen, OnlyTheScreenMatters)
{
    const auto notched = geo::metrics(notchedScreen());
    auto plain = notched;
    plain.hasNotch = false;
    plain.notchWidth = 10;
    plain.notchHeight = 99;
    for (auto position : allPanelPositions) {
        SCOPED_TRACE(positionName(position));
        EXPECT_EQ(geo::expandedFrame(notched, {780, 256}, position), geo::expandedFrame(plain, {780, 256}, position));
    }
}

TEST(FramesOnEveryScreen, StayWithinTheirScreenHorizontallyAndTouchTheirEdge)
{
    for (const auto& screen : desktop()) {
        const auto m = geo::metrics(screen);
        const Rect& f = screen.frame;
        for (auto position : allPanelPositions) {
            SCOPED_TRACE(screen.name + " " + positionName(position));
            const bool top = position == P::TopCenter || position == P::TopLeft || position == P::TopRight;
            const Rect c = geo::collapsedFrame(m, position);
            EXPECT_GE(c.minX(), f.minX());
            EXPECT_LE(c.maxX(), f.maxX());
            EXPECT_DOUBLE_EQ(top ? c.maxY() : c.minY(), top ? f.maxY() : f.minY());
            const Rect e = geo::expandedFrame(m, {780, 218}, position);
            EXPECT_GE(e.minX(), f.minX());
            EXPECT_LE(e.maxX(), f.maxX());
            EXPECT_DOUBLE_EQ(top ? e.maxY() : e.minY(), top ? f.maxY() + 2 : f.minY() - 2);
        }
    }
}

// --- Hot zone ---

TEST(HotZone, IsTheMiddleSeventyPercentOfTheCollapsedFrame)
{
    expectRect(geo::hotZone(geo::metrics(primaryScreen()), P::TopCenter), {883, 1046, 154, 34});
    expectRect(geo::hotZone(geo::metrics(notchedScreen()), P::TopCenter), {674.8, 944, 162.4, 38});
    expectRect(geo::hotZone(geo::metrics(rightScreen()), P::BottomRight), {4259, -360, 154, 38});
}

TEST(HotZone, PointerAtTheTopOfEachScreenFindsThatScreensPanel)
{
    const auto screens = desktop();
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.name);
        const Point p{screen.frame.midX(), screen.frame.maxY() - 1};
        const auto under = geo::screenContaining(screens, p);
        ASSERT_TRUE(under.has_value());
        EXPECT_EQ(under->name, screen.name);
        EXPECT_TRUE(geo::hotZone(geo::metrics(*under), P::TopCenter).contains(p));
        // The flanks of the tab are not part of it.
        const Rect c = geo::collapsedFrame(geo::metrics(*under), P::TopCenter);
        EXPECT_FALSE(geo::hotZone(geo::metrics(*under), P::TopCenter).contains({c.minX() + 1, p.y}));
    }
}

// --- Rectangle helpers the controller grows its zones with ---

TEST(RectHelpers, GrowAndShrinkOnEverySide)
{
    const Rect r{10, 20, 100, 50};
    EXPECT_EQ(r.grownBy(6), (Rect{4, 14, 112, 62}));
    EXPECT_EQ(r.insetBy(5), (Rect{15, 25, 90, 40}));
    EXPECT_EQ(r.insetBy(60), (Rect{70, 80, 0, 0}));
}

} // namespace
