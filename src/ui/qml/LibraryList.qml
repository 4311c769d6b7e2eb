// SPDX-License-Identifier: GPL-3.0-or-later
// The library as a list: one row per clip; a single click pastes it (selects it in selection mode).
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

ListView {
    id: list

    required property LibraryViewModel library
    /// Whether it is the layout chosen: only then does it hold the clips.
    property bool active: true
    required property color ink
    required property color secondaryInk

    objectName: "libraryList"
    clip: true
    model: active ? library.clips : null
    reuseItems: true
    ScrollBar.vertical: ScrollBar {}

    Connections {
        target: list.library
        function onCurrentChanged() {
            const row = list.library.clips.rowOf(list.library.currentId)
            if (row >= 0)
                list.positionViewAtIndex(row, ListView.Contain)
        }
    }

    delegate: Rectangle {
        id: row
        required property int index
        required property string clipId
        required property string rowTitle
        required property string sourceAppName
        required property string kindSymbol
        required property bool pinned
        required property bool hasReminder
        required property bool inSelection
        readonly property bool current: clipId === list.library.currentId

        objectName: "libraryRow"
        width: list.width
        height: 44
        color: current ? Qt.rgba(0.04, 0.52, 1, 0.22)
                       : (index % 2 ? Qt.rgba(list.ink.r, list.ink.g, list.ink.b, 0.03) : "transparent")

        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 14
            anchors.rightMargin: 14
            spacing: 8
            Image {
                visible: list.library.selectionMode
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
                sourceSize.width: 32
                sourceSize.height: 32
                source: Theme.symbol(row.inSelection ? "checkmark.circle.fill" : "circle",
                                     row.inSelection ? "#0a84ff" : list.secondaryInk)
            }
            Item {
                Layout.preferredWidth: 20
                Layout.preferredHeight: 16
                Image {
                    anchors.centerIn: parent
                    width: 14
                    height: 14
                    sourceSize.width: 28
                    sourceSize.height: 28
                    source: Theme.symbol(row.kindSymbol, list.ink)
                }
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Label {
                    Layout.fillWidth: true
                    text: row.rowTitle
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    color: list.ink
                }
                Label {
                    Layout.fillWidth: true
                    text: row.sourceAppName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: list.secondaryInk
                    font.pointSize: Theme.applicationFont.pointSize - 1
                }
            }
            Image {
                visible: row.pinned
                Layout.preferredWidth: 14
                Layout.preferredHeight: 14
                sourceSize.width: 28
                sourceSize.height: 28
                source: Theme.symbol("pin.fill", "#ff9f0a")
            }
            Image {
                visible: row.hasReminder
                Layout.preferredWidth: 14
                Layout.preferredHeight: 14
                sourceSize.width: 28
                sourceSize.height: 28
                source: Theme.symbol("bell.fill", "#ff453a")
            }
        }

        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onClicked: (mouse) => {
                if (mouse.button === Qt.RightButton)
                    list.library.openMenu(row.clipId)
                else
                    list.library.tap(row.clipId)
            }
        }
    }
}
