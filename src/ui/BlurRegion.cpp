// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BlurRegion.h"

#include <algorithm>
#include <cmath>

namespace brisa {

namespace {
constexpr int kBandPixels = 2;
}

std::vector<WindowRect> roundedBottomRegion(const QRectF& shape, qreal radius, qreal ratio)
{
    if (!(ratio > 0) || !(shape.width() > 0) || !(shape.height() > 0))
        return {};
    const double left = shape.left() * ratio;
    const double right = shape.right() * ratio;
    const double bottom = shape.bottom() * ratio;
    const double top = std::max(0.0, shape.top() * ratio);
    const double r = std::clamp((radius >= 0 ? radius : 0) * ratio, 0.0, std::min((right - left) / 2, bottom - shape.top() * ratio));
    const double cornerTop = bottom - r;

    std::vector<WindowRect> region;
    const auto add = [&](double inset, int y0, int y1) {
        // Cut at the window's left edge too: a negative x would be written as a huge cardinal.
        const int x0 = std::max(0, static_cast<int>(std::ceil(left + inset)));
        const int x1 = static_cast<int>(std::floor(right - inset));
        if (x1 > x0 && y1 > y0)
            region.push_back({x0, y0, x1 - x0, y1 - y0});
    };
    const int firstRow = static_cast<int>(std::ceil(top));
    const int cornerRow = std::max(firstRow, static_cast<int>(std::floor(cornerTop)));
    add(0, firstRow, cornerRow);
    const int lastRow = static_cast<int>(std::floor(bottom));
    for (int y = cornerRow; y < lastRow; y += kBandPixels) {
        const int yEnd = std::min(y + kBandPixels, lastRow);
        // The band's lower edge is where the curve comes in furthest.
        const double depth = std::min(r, yEnd - cornerTop);
        add(r - std::sqrt(std::max(0.0, r * r - depth * depth)), y, yEnd);
    }
    return region;
}

} // namespace brisa
