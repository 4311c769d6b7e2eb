// SPDX-License-Identifier: GPL-3.0-or-later
// The open panel: buttons, tab chips with counts, and the strip of clip cards (or the empty state).
// Every decision is the panel object's; this file only lays things out.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Layouts

Item {
    id: root

    required property NotchPanelViewModel panel

    readonly property string theme: panel.theme
    readonly property ThemeColors colors: Theme.colors(theme)
    readonly property color ink: colors.ink
    readonly property color chrome: colors.buttonFill

    // The card list takes the keys while the panel holds the keyboard; unhandled keys go on.
    focus: panel.listHasFocus
    Keys.onPressed: (event) => { event.accepted = root.panel.handleKey(event.key) }
    Connections {
        target: root.panel
        function onListFocusChanged() {
            if (root.panel.listHasFocus)
                root.forceActiveFocus()
        }
    }

    // A round button of the panel, with its help text under it after a moment of hovering.
    component PanelButton: Rectangle {
        id: button
        property string symbolName
        property string tip
        // A greyed button still explains itself: only its face fades, not its help text.
        property bool available: true
        signal clicked()
        width: 30; height: 30; radius: 8
        color: available ? root.chrome : Qt.rgba(root.chrome.r, root.chrome.g, root.chrome.b, root.chrome.a * 0.35)
        Image {
            anchors.centerIn: parent
            width: 14; height: 14
            sourceSize.width: 28; sourceSize.height: 28
            opacity: button.available ? 1 : 0.35
            source: Theme.symbol(button.symbolName, root.ink)
        }
        MouseArea {
            id: buttonArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: if (button.available) button.clicked()
        }
        HelpTip {
            objectName: button.objectName.replace("Button", "Tip")
            anchors.top: parent.bottom
            anchors.topMargin: 6
            anchors.right: parent.right
            text: button.tip
            hovered: buttonArea.containsMouse
            colors: root.colors
        }
    }

    NotchPanelShape {
        id: background
        anchors.fill: parent
        topRadius: Theme.flare
        bottomRadius: Theme.panelBottomRadius
        fillColor: root.colors.panelFill
        strokeColor: root.colors.panelStroke
        strokeWidth: 1
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: root.panel.activeHasNotch ? 7 : 12
        anchors.bottomMargin: 8
        anchors.leftMargin: 36
        anchors.rightMargin: 36
        spacing: 10

        // One row for the tab chips (centred) and the buttons (right): three rows would not fit the
        // 218-point panel of a screen without a notch, and the cards would be cut off.
        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: 30

            Row {
                anchors.centerIn: parent
                spacing: 8
                Repeater {
                    model: root.panel.tabs
                    delegate: TabChip {
                        required property int index
                        required title
                        required symbolName
                        required count
                        anchors.verticalCenter: parent.verticalCenter
                        active: root.panel.selectedTab === index
                        theme: root.theme
                        onClicked: root.panel.selectTab(index)
                    }
                }
            }

            Row {
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                PanelButton {
                    objectName: "pickColorButton"
                    symbolName: "eyedropper"
                    tip: "Capturar color de pantalla"
                    available: root.panel.canPickColor
                    onClicked: root.panel.pickColor()
                }
                PanelButton {
                    objectName: "toggleFavoritesButton"
                    symbolName: root.panel.onlyFavorites ? "star.fill" : "star"
                    onClicked: root.panel.toggleFavorites()
                }
                PanelButton {
                    objectName: "closeButton"
                    symbolName: "xmark"
                    onClicked: root.panel.close()
                }
            }
        }

        CardStrip {
            Layout.fillWidth: true
            Layout.fillHeight: true
            // Within the panel's body: the outline's top flares are Theme.flare on each side, and at
            // the cards' lower edge the rounded bottom corners reach 4 points further in; the strip
            // and its fading ends stay inside them.
            Layout.leftMargin: -3
            Layout.rightMargin: -3
            panel: root.panel
            fadeColor: background.fillColor
            visible: root.panel.stripCount > 0
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: root.panel.stripCount === 0
            Column {
                anchors.centerIn: parent
                spacing: 8
                Image {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 30; height: 30
                    sourceSize.width: 60; sourceSize.height: 60
                    source: Theme.symbol(root.panel.onlyFavorites ? "star" : "tray", Qt.rgba(root.ink.r, root.ink.g, root.ink.b, 0.5))
                }
                Text {
                    objectName: "emptyText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    // With the favourites filter on, an empty strip says nothing about the history.
                    text: root.panel.onlyFavorites ? "Aún no hay favoritos." : "Nada todavía. Copia algo."
                    color: root.ink
                    opacity: 0.6
                    font.pixelSize: Theme.bodyText
                }
            }
        }
    }
}
