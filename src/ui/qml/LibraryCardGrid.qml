// SPDX-License-Identifier: GPL-3.0-or-later
// The library's cards: an adaptive grid of the panel's clip cards, each cell 200 to 240 wide.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion

GridView {
    id: grid

    required property LibraryViewModel library
    /// Whether it is the layout chosen: only then does it hold the clips.
    property bool active: true

    readonly property real inset: 20
    readonly property real gap: 16
    readonly property real available: width - 2 * inset
    /// As many cells as fit at their narrowest, each then as wide as the row allows (at most 240).
    readonly property int columnsPerRow: Math.max(1, Math.floor((available + gap) / (200 + gap)))

    objectName: "libraryGrid"
    clip: true
    leftMargin: inset
    rightMargin: inset
    topMargin: inset
    bottomMargin: inset
    cellWidth: Math.min(240 + gap, (available + gap) / columnsPerRow)
    cellHeight: Theme.cardHeight + gap
    model: active ? library.clips : null
    reuseItems: true
    cacheBuffer: 400
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn }

    function showCurrent() {
        const row = grid.library.clips.rowOf(grid.library.currentId)
        if (row >= 0)
            grid.positionViewAtIndex(row, GridView.Contain)
    }
    Connections {
        target: grid.library
        function onCurrentChanged() { grid.showCurrent() }
    }

    delegate: LibraryCard {
        width: grid.cellWidth
        height: grid.cellHeight
        library: grid.library
    }
}
