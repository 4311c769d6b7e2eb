// SPDX-License-Identifier: GPL-3.0-or-later
// The library as a board: a column of cards per space, "Sin categoría" last, side by side.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion

ListView {
    id: board

    required property LibraryViewModel library
    /// Whether it is the layout chosen: only then does it hold the clips.
    property bool active: true
    required property color ink
    required property color columnFill

    objectName: "libraryBoard"
    orientation: ListView.Horizontal
    spacing: 16
    leftMargin: 20
    rightMargin: 20
    topMargin: 20
    bottomMargin: 20
    clip: true
    model: active ? library.board : null
    ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AlwaysOn }

    delegate: Rectangle {
        id: column
        required property int index
        required property string title
        required property string symbol
        required property LibraryClipModel clips

        objectName: "boardColumn"
        width: 232
        height: board.height - board.topMargin - board.bottomMargin
        radius: 12
        color: board.columnFill

        Row {
            id: header
            x: 10
            y: 10
            spacing: 6
            Image {
                anchors.verticalCenter: parent.verticalCenter
                width: 14
                height: 14
                sourceSize.width: 28
                sourceSize.height: 28
                source: Theme.symbol(column.symbol, board.ink)
            }
            Label {
                text: column.title
                textFormat: Text.PlainText
                font.bold: true
                color: board.ink
                width: 190
                elide: Text.ElideRight
            }
        }

        ListView {
            id: cards
            anchors { left: parent.left; right: parent.right; top: header.bottom; bottom: parent.bottom }
            anchors.margins: 10
            spacing: 10
            clip: true
            model: column.clips
            reuseItems: true
            ScrollBar.vertical: ScrollBar {}

            Connections {
                target: board.library
                function onCurrentChanged() {
                    const row = column.clips.rowOf(board.library.currentId)
                    if (row >= 0) {
                        cards.positionViewAtIndex(row, ListView.Contain)
                        board.positionViewAtIndex(column.index, ListView.Contain)
                    }
                }
            }

            delegate: LibraryCard {
                width: cards.width
                height: Theme.cardHeight
                library: board.library
            }
        }
    }
}
