// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OutlineRegion.h"

#include <QJSValue>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace brisa {

namespace {

/// How far in from each side the outline runs at depth y below its top edge (all in pixels). It
/// only grows with y, so a row of pixels is inside wherever its lower edge is.
double insetAt(double y, double height, double t, double b)
{
    if (y <= 0)
        return 0;
    if (y < t) {
        // The flare: from (W, 0) with control (W - t, 0) to (W - t, t); y = t s², inset = t (2s - s²).
        const double s = std::sqrt(y / t);
        return t * (2 * s - s * s);
    }
    const double cornerTop = height - b;
    if (y <= cornerTop || b <= 0)
        return t;
    // The bottom corner: from (W - t, H - b) with control (W - t, H) to (W - t - b, H);
    // y - (H - b) = b (2s - s²), inset beyond the side = b s².
    const double d = std::min(b, y - cornerTop);
    const double s = 1 - std::sqrt(std::max(0.0, 1 - d / b));
    return t + b * s * s;
}

} // namespace

std::vector<WindowRect> outlineRegion(const NotchOutline& outline, qreal ratio)
{
    const QRectF& shape = outline.rect;
    if (!(ratio > 0) || !(shape.width() > 0) || !(shape.height() > 0))
        return {};
    const double width = shape.width() * ratio;
    const double height = shape.height() * ratio;
    const double left = shape.left() * ratio;
    const double top = shape.top() * ratio;
    // As NotchPanelShape clamps them: neither radius may reach past the middle or the bottom edge.
    const double t = std::max(0.0, std::min({width / 2, outline.topRadius * ratio, height}));
    const double b = std::max(0.0, std::min({width / 2 - t, outline.bottomRadius * ratio, height - t}));

    std::vector<WindowRect> region;
    const int firstRow = std::max(0, static_cast<int>(std::ceil(top)));
    const int endRow = static_cast<int>(std::floor(top + height));
    for (int y = firstRow; y < endRow; ++y) {
        const double inset = insetAt(y + 1 - top, height, t, b);
        // Cut at the window's left edge too: a negative x would be written as a huge cardinal.
        const int x0 = std::max(0, static_cast<int>(std::ceil(left + inset - 1e-9)));
        const int x1 = static_cast<int>(std::floor(left + width - inset + 1e-9));
        if (x1 <= x0)
            continue;
        WindowRect* last = region.empty() ? nullptr : &region.back();
        if (last && last->x == x0 && last->width == x1 - x0 && last->y + last->height == y)
            ++last->height; // the straight sides: one rectangle for the whole body
        else
            region.push_back({x0, y, x1 - x0, 1});
    }
    return region;
}

std::vector<NotchOutline> outlinesFromVariant(const QVariant& value)
{
    QVariant list = value;
    if (list.metaType() == QMetaType::fromType<QJSValue>())
        list = list.value<QJSValue>().toVariant();
    std::vector<NotchOutline> outlines;
    for (const QVariant& entry : list.toList()) {
        const QVariantMap map = entry.toMap();
        NotchOutline outline{QRectF(map.value(QStringLiteral("x")).toReal(), map.value(QStringLiteral("y")).toReal(),
                                    map.value(QStringLiteral("width")).toReal(),
                                    map.value(QStringLiteral("height")).toReal()),
                             map.value(QStringLiteral("topRadius")).toReal(),
                             map.value(QStringLiteral("bottomRadius")).toReal()};
        if (outline.rect.width() > 0 && outline.rect.height() > 0)
            outlines.push_back(outline);
    }
    return outlines;
}

} // namespace brisa
