// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/sidepanels/SidePanelGeometry.h"

#include "core/notch/NotchGeometry.h"

#include <algorithm>

namespace brisa::SidePanelGeometry {

Rect openPanelRect(const Rect& screen, Size expandedSize)
{
    const double width = expandedSize.width + NotchGeometry::kExpandedHorizontalPadding;
    const double height = expandedSize.height + NotchGeometry::kExpandedVerticalPadding;
    const double top = screen.maxY() + NotchGeometry::kExpandedOverhang;
    return {screen.midX() - width / 2, top - height, width, height};
}

Rect nowPlayingFrame(const Rect& screen, Size expandedSize)
{
    const Rect open = openPanelRect(screen, expandedSize);
    const double top = screen.maxY() + NotchGeometry::kExpandedOverhang;
    return {open.maxX() - kNowPlayingOverlap, top - kNowPlayingWindow.height, kNowPlayingWindow.width,
            kNowPlayingWindow.height};
}

LauncherGrid launcherGrid(std::size_t tileCount)
{
    LauncherGrid grid;
    grid.tiles = std::max<std::size_t>(tileCount, 1);
    grid.columns = static_cast<int>(std::clamp<std::size_t>(tileCount, 1, kMaxColumns));
    grid.rows = std::max(1, static_cast<int>((grid.tiles + grid.columns - 1) / grid.columns));
    grid.visibleWidth = grid.columns * kTileSide + (grid.columns - 1) * kTileSpacing + kGridHorizontalMargin;
    grid.visibleHeight = grid.rows * kTileSide + (grid.rows - 1) * kTileSpacing + kGridTopMargin + kGridBottomMargin;
    return grid;
}

Rect launcherFrame(const Rect& screen, Size expandedSize, const LauncherGrid& grid)
{
    const Rect open = openPanelRect(screen, expandedSize);
    const double top = screen.maxY() + NotchGeometry::kExpandedOverhang;
    const double width = grid.visibleWidth + 2 * kHitInset;
    const double height = grid.visibleHeight + kHitInset;
    return {open.minX() + NotchGeometry::kExpandedOverhang - grid.visibleWidth, top - height, width, height};
}

} // namespace brisa::SidePanelGeometry
