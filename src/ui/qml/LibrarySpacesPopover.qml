// SPDX-License-Identifier: GPL-3.0-or-later
// The spaces popover of the library's "Categorías" button: the spaces with a delete button each,
// and a field to add one.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Popup {
    id: popover

    required property LibraryViewModel library
    required property color ink
    required property color secondaryInk

    objectName: "spacesPopover"
    width: 280
    padding: 16
    visible: library.showSpacesPopover
    onClosed: library.showSpacesPopover = false
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent

    ColumnLayout {
        anchors.fill: parent
        spacing: 10

        Label {
            text: "Categorías"
            font.bold: true
            font.pointSize: Theme.applicationFont.pointSize + 1
            color: popover.ink
        }

        ListView {
            id: spaceList
            objectName: "spaceList"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(200, Math.max(100, contentHeight))
            clip: true
            model: popover.library.spaceNames
            delegate: RowLayout {
                id: spaceRow
                required property int index
                required property string modelData
                width: spaceList.width
                height: 30
                spacing: 8
                Image {
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                    sourceSize.width: 28
                    sourceSize.height: 28
                    source: Theme.symbol(popover.library.spaceSymbols[spaceRow.index] ?? "folder", popover.ink)
                }
                Label {
                    Layout.fillWidth: true
                    text: spaceRow.modelData
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: popover.ink
                }
                ToolButton {
                    objectName: "removeSpace"
                    icon.source: Theme.symbol("trash", "#ff453a")
                    icon.color: "transparent"
                    flat: true
                    focusPolicy: Qt.NoFocus
                    onClicked: popover.library.removeSpace(spaceRow.index)
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            TextField {
                id: nameField
                objectName: "newSpaceName"
                Layout.fillWidth: true
                placeholderText: "Nueva categoría…"
                text: popover.library.newSpaceName
                onTextEdited: popover.library.newSpaceName = text
                onAccepted: popover.library.addSpace()
            }
            Button {
                objectName: "addSpace"
                text: "Añadir"
                enabled: popover.library.canAddSpace
                onClicked: popover.library.addSpace()
            }
        }
    }
}
