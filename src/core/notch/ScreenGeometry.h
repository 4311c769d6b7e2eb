// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>

namespace brisa {

/// Global screen coordinates in points: origin at the bottom-left of the primary screen, y grows
/// upward. The platform layer converts from the window system's top-left origin at its boundary.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double midX() const { return x + width / 2; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    double midY() const { return y + height / 2; }

    /// Like CGRectContainsPoint: the left and bottom edges are inside, the right and top are not.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    /// The rectangle shrunk by d on every side (grown when d is negative); never narrower than 0.
    Rect insetBy(double d) const { return {x + d, y + d, std::max(0.0, width - 2 * d), std::max(0.0, height - 2 * d)}; }
    /// The rectangle grown by d on every side.
    Rect grownBy(double d) const { return {x - d, y - d, width + 2 * d, height + 2 * d}; }
    bool operator==(const Rect&) const = default;
};

/// One screen as the platform reports it.
struct ScreenInfo {
    /// Stable name of the output (for example "HDMI-1"), used to recognise a screen again.
    std::string name{};
    /// The full rectangle of the screen.
    Rect frame{};
    /// The part not reserved by desktop panels (docks, top bars): _NET_WORKAREA and struts.
    Rect workArea{};
    bool primary = false;
    /// Camera housings cut into the top edge; Linux reports none, so these stay 0.
    double safeAreaTop = 0;
    double auxiliaryTopLeftWidth = 0;
    double auxiliaryTopRightWidth = 0;

    bool operator==(const ScreenInfo&) const = default;
};

} // namespace brisa
