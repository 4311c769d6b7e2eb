// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PanelWindowHints.h"

#include <QRectF>
#include <QVariant>

#include <vector>

namespace brisa {

/// The outline NotchPanelShape draws: flush with the top edge of rect, flaring out into it at the
/// two top corners (topRadius), with rounded bottom corners (bottomRadius); the corners are the
/// same quadratic curves, and the radii are clamped the same way. In points.
struct NotchOutline {
    QRectF rect;
    qreal topRadius = 0;
    qreal bottomRadius = 0;
};

/// The window pixels wholly inside the outline, as the rectangles a window system takes: the body in
/// one, then one row of pixels per rectangle along the curves, so that nothing drawn there (a blur,
/// the window itself) shows past the outline. ratio is pixels per point; the rectangles are cut at
/// the window's top and left edges. Empty for an empty outline.
std::vector<WindowRect> outlineRegion(const NotchOutline& outline, qreal ratio);

/// Outlines as a view describes them: a list of maps with x, y, width, height, topRadius and
/// bottomRadius (a QML array of objects). Entries without a positive size are left out.
std::vector<NotchOutline> outlinesFromVariant(const QVariant& value);

} // namespace brisa
