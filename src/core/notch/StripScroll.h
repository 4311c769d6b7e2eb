// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace brisa {

/// Scroll arithmetic of the horizontal card strip, in points. The free functions are pure; a
/// StripScroll value remembers what the strip last reacted to, so that it scrolls only on change.
class StripScroll {
public:
    static constexpr double kLeadingInset = 46;
    static constexpr double kItemWidth = 212;
    static constexpr double kSpacing = 16;
    static constexpr double kTrailingRoom = 24;
    /// How far one unit of a plain (imprecise) wheel moves the strip.
    static constexpr double kPointsPerWheelUnit = 22;
    static constexpr double kCentreAnimationSeconds = 0.28;
    static constexpr double kWheelAnimationSeconds = 0.22;

    /// Where the strip should move to, and whether to animate the move.
    struct Move {
        double x = 0;
        bool animated = false;
        bool operator==(const Move&) const = default;
    };

    /// Width of the row of n cards with its leading inset and trailing room.
    static double contentWidth(int n, double leadingInset = kLeadingInset, double itemWidth = kItemWidth,
                               double spacing = kSpacing, double trailing = kTrailingRoom);
    /// The document is never narrower than the viewport.
    static double documentWidth(double contentWidth, double viewport);
    /// The largest origin x: 0 when everything fits.
    static double maxX(double documentWidth, double viewport);
    /// Origin that centres the card at selectedIndex, clamped to 0 … maxX; none while the viewport
    /// has no width yet.
    static std::optional<double> centredOffset(int selectedIndex, double viewport, double documentWidth,
                                               double itemWidth = kItemWidth, double spacing = kSpacing,
                                               double leadingInset = kLeadingInset);
    /// Target origin for a wheel without precise deltas: the larger axis wins, vertical on a tie,
    /// and positive deltas move towards the start.
    static double wheelTarget(double originX, double deltaX, double deltaY, double documentWidth, double viewport);
    /// Origin after dragging the pointer right by dx: dragging right reveals earlier cards.
    static double dragScroll(double originX, double dx, double documentWidth, double viewport);

    /// Called on every update of the strip: a new reset tick jumps to the start at once, else a new
    /// selection (with a viewport that has width) glides to centre it; otherwise nothing moves.
    std::optional<Move> update(int selectedIndex, int resetTick, double viewport, double documentWidth);

    int lastIndex() const { return lastIndex_; }
    int lastReset() const { return lastReset_; }

private:
    int lastIndex_ = -1;
    int lastReset_ = 0;
};

} // namespace brisa
