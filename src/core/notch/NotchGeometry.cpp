// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/NotchGeometry.h"

#include <algorithm>
#include <cmath>

namespace brisa::NotchGeometry {

namespace {

bool isTop(PanelPosition position)
{
    return position == PanelPosition::TopCenter || position == PanelPosition::TopLeft
           || position == PanelPosition::TopRight;
}

// A reported width, or 0 when none (negative or not a number).
double widthOrZero(double width) { return width > 0 ? width : 0; }

std::optional<ScreenInfo> screenWithNotch(std::span<const ScreenInfo> screens)
{
    for (const auto& screen : screens)
        if (screen.safeAreaTop > 0 && std::isfinite(screen.safeAreaTop))
            return screen;
    return std::nullopt;
}

} // namespace

double statusBarThickness(const ScreenInfo& screen)
{
    const Rect& frame = screen.frame;
    const Rect& work = screen.workArea;
    // A screen reported without a work area (or with one that lies elsewhere) says nothing about
    // a top panel: taking it at its word would make the tab as tall as the screen.
    if (!(work.width > 0) || !(work.height > 0))
        return kDefaultStatusBarThickness;
    const double thickness = frame.maxY() - work.maxY();
    if (!std::isfinite(thickness) || !(thickness > 0) || !(thickness < frame.height))
        return kDefaultStatusBarThickness;
    return thickness;
}

std::optional<ScreenInfo> screenContaining(std::span<const ScreenInfo> screens, Point p)
{
    for (const auto& screen : screens)
        if (screen.frame.contains(p))
            return screen;
    return std::nullopt;
}

Metrics metrics(const ScreenInfo& screen)
{
    const double top = screen.safeAreaTop;
    if (top > 0 && std::isfinite(top)) {
        double width = screen.frame.width - widthOrZero(screen.auxiliaryTopLeftWidth)
                       - widthOrZero(screen.auxiliaryTopRightWidth);
        // Written so that NaN falls back too.
        if (!(width > 0) || !std::isfinite(width))
            width = kFallbackNotchWidth;
        return {screen, true, width, top};
    }
    return {screen, false, kFallbackNotchWidth, statusBarThickness(screen)};
}

Metrics currentMetrics(std::span<const ScreenInfo> screens)
{
    if (auto notched = screenWithNotch(screens))
        return metrics(*notched);
    auto primary = std::find_if(screens.begin(), screens.end(), [](const ScreenInfo& s) { return s.primary; });
    if (primary != screens.end())
        return metrics(*primary);
    if (!screens.empty())
        return metrics(screens.front());
    return metrics(ScreenInfo{});
}

Metrics effectiveMetrics(const Metrics& metrics, PanelPosition position)
{
    if (position == PanelPosition::TopCenter)
        return metrics;
    // At a corner the panel hangs from the top bar and ignores the notch.
    return {metrics.screen, false, metrics.notchWidth, statusBarThickness(metrics.screen)};
}

Rect collapsedFrame(const Metrics& metrics, PanelPosition position)
{
    const Metrics e = effectiveMetrics(metrics, position);
    const double width = position == PanelPosition::TopCenter && e.hasNotch ? e.notchWidth
                                                                             : kCollapsedWidthWithoutNotch;
    const double height = e.notchHeight + kCollapsedExtraHeight;
    const Rect& f = e.screen.frame;
    const double y = isTop(position) ? f.maxY() - height : f.minY();
    switch (position) {
    case PanelPosition::TopCenter:
        return {f.midX() - width / 2, y, width, height};
    case PanelPosition::TopLeft:
    case PanelPosition::BottomLeft:
        return {f.minX() + kCornerInset, y, width, height};
    case PanelPosition::TopRight:
    case PanelPosition::BottomRight:
        return {f.maxX() - kCornerInset - width, y, width, height};
    }
    return {f.midX() - width / 2, y, width, height};
}

Rect expandedFrame(const Metrics& metrics, Size contentSize, PanelPosition position)
{
    const double width = contentSize.width + kExpandedHorizontalPadding;
    const double height = contentSize.height + kExpandedVerticalPadding;
    const Rect& f = metrics.screen.frame;
    // The window stands a little beyond the screen edge it hangs from, so no seam shows there.
    const double y = isTop(position) ? f.maxY() + kExpandedOverhang - height : f.minY() - kExpandedOverhang;
    switch (position) {
    case PanelPosition::TopCenter:
        return {f.midX() - width / 2, y, width, height};
    case PanelPosition::TopLeft:
    case PanelPosition::BottomLeft:
        return {f.minX() + kCornerInset + kExpandedOverhang, y, width, height};
    case PanelPosition::TopRight:
    case PanelPosition::BottomRight:
        return {f.maxX() - kCornerInset - kExpandedOverhang - width, y, width, height};
    }
    return {f.midX() - width / 2, y, width, height};
}

Rect hotZone(const Metrics& metrics, PanelPosition position)
{
    const Rect c = collapsedFrame(metrics, position);
    return {c.minX() + 0.15 * c.width, c.minY(), 0.7 * c.width, c.height};
}

} // namespace brisa::NotchGeometry
