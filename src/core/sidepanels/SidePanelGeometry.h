// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"

#include <cstddef>

namespace brisa::SidePanelGeometry {

/// Where the side panels' windows take the pointer: this far in from their left and bottom edges.
inline constexpr double kHitInset = 44;

/// The now-playing window and the card inside it.
inline constexpr Size kNowPlayingWindow{348, 259};
inline constexpr Size kNowPlayingCard{260, 215};
/// The window's left edge lies this far left of the open panel's right edge.
inline constexpr double kNowPlayingOverlap = 90;

inline constexpr double kTileSide = 52;
inline constexpr double kTileSpacing = 12;
/// Left plus right margin of the grid, and its top and bottom margins.
inline constexpr double kGridHorizontalMargin = 68;
inline constexpr double kGridTopMargin = 30;
inline constexpr double kGridBottomMargin = 8;
inline constexpr int kMaxColumns = 3;

/// The open panel's rectangle at the top centre of screen, for the content size the panel
/// controller gives (its padding included), whatever the panel's position setting.
Rect openPanelRect(const Rect& screen, Size expandedSize);

/// The now-playing window: hanging from the top edge, overlapping the open panel's right end.
Rect nowPlayingFrame(const Rect& screen, Size expandedSize);

/// The launcher's grid for a number of tiles (entries plus the add tile).
struct LauncherGrid {
    std::size_t tiles = 1;
    int columns = 1;
    int rows = 1;
    double visibleWidth = 0;
    double visibleHeight = 0;
    bool operator==(const LauncherGrid&) const = default;
};
LauncherGrid launcherGrid(std::size_t tileCount);

/// The launcher window: hanging from the top edge, its visible area ending over the open
/// panel's left end.
Rect launcherFrame(const Rect& screen, Size expandedSize, const LauncherGrid& grid);

} // namespace brisa::SidePanelGeometry
