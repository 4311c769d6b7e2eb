// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PanelWindowHints.h"

#include <QRectF>

#include <vector>

namespace brisa {

/// The region behind a shape with rounded bottom corners, as the rectangles a window system takes:
/// the body down to where the corners begin, then bands a few pixels high that step in along the
/// curve, always inside it, so that the blur never shows past the outline. shape and radius are
/// in points, the rectangles in window pixels (ratio pixels per point), cut at the window's top
/// and left edges. Empty for an empty shape.
std::vector<WindowRect> roundedBottomRegion(const QRectF& shape, qreal radius, qreal ratio);

} // namespace brisa
