// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/StripScroll.h"

#include <algorithm>
#include <cmath>

namespace brisa {

namespace {

// Geometry from the window system may be NaN or infinite for a moment; treat it as nothing.
double finiteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

double clampOrigin(double x, double documentWidth, double viewport)
{
    return std::clamp(finiteOrZero(x), 0.0, StripScroll::maxX(documentWidth, viewport));
}

} // namespace

double StripScroll::contentWidth(int n, double leadingInset, double itemWidth, double spacing, double trailing)
{
    const double cards = std::max(n, 0);
    return leadingInset + cards * itemWidth + std::max(cards - 1, 0.0) * spacing + trailing;
}

double StripScroll::documentWidth(double contentWidth, double viewport)
{
    return std::max(finiteOrZero(contentWidth), finiteOrZero(viewport));
}

double StripScroll::maxX(double documentWidth, double viewport)
{
    return std::max(0.0, finiteOrZero(documentWidth) - finiteOrZero(viewport));
}

std::optional<double> StripScroll::centredOffset(int selectedIndex, double viewport, double documentWidth,
                                                 double itemWidth, double spacing, double leadingInset)
{
    if (!(finiteOrZero(viewport) > 0))
        return std::nullopt;
    const double x = itemWidth / 2 + leadingInset + (itemWidth + spacing) * selectedIndex - viewport / 2;
    return clampOrigin(x, documentWidth, viewport);
}

double StripScroll::wheelTarget(double originX, double deltaX, double deltaY, double documentWidth,
                                double viewport)
{
    const double dx = finiteOrZero(deltaX);
    const double dy = finiteOrZero(deltaY);
    const double delta = std::abs(dx) > std::abs(dy) ? dx : dy;
    return clampOrigin(finiteOrZero(originX) - kPointsPerWheelUnit * delta, documentWidth, viewport);
}

double StripScroll::dragScroll(double originX, double dx, double documentWidth, double viewport)
{
    return clampOrigin(finiteOrZero(originX) - finiteOrZero(dx), documentWidth, viewport);
}

std::optional<StripScroll::Move> StripScroll::update(int selectedIndex, int resetTick, double viewport,
                                                     double documentWidth)
{
    if (resetTick != lastReset_) {
        lastReset_ = resetTick;
        lastIndex_ = selectedIndex;
        return Move{.x = 0, .animated = false};
    }
    if (selectedIndex == lastIndex_)
        return std::nullopt;
    const auto x = centredOffset(selectedIndex, viewport, documentWidth);
    if (!x)
        return std::nullopt;
    lastIndex_ = selectedIndex;
    return Move{.x = *x, .animated = true};
}

} // namespace brisa
