// SPDX-License-Identifier: GPL-3.0-or-later
// The open panel: buttons, tab chips with counts, and the strip of clip cards (or the empty state).
// Every decision is the panel object's; this file only lays things out.
import QtQuick
import QtQuick.Layouts

Item {
    id: root

    required property QtObject panel

    readonly property string theme: panel.theme
    readonly property bool light: theme === "light"
    readonly property color ink: light ? "black" : "white"
    readonly property color chrome: light ? Qt.rgba(0, 0, 0, 0.07) : theme === "liquidGlass" ? Qt.rgba(1, 1, 1, 0.1) : Qt.rgba(1, 1, 1, 0.07)

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

    function symbol(name, color) {
        return "image://symbol/" + name + "?color=" + String(color === undefined ? root.ink : color).replace("#", "")
    }

    NotchPanelShape {
        id: background
        anchors.fill: parent
        topRadius: 28
        bottomRadius: 42
        fillColor: root.theme === "dark" ? "black"
                 : root.light ? Qt.rgba(1, 1, 1, 0.92)
                 : Qt.rgba(0.12, 0.13, 0.16, 0.82) // tinted glass where nothing blurs behind
        strokeColor: root.theme === "dark" ? Qt.rgba(1, 1, 1, 0.06) : root.light ? Qt.rgba(0, 0, 0, 0.1) : Qt.rgba(1, 1, 1, 0.18)
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
                    model: root.panel.tabTitles
                    delegate: TabChip {
                        required property int index
                        required property string modelData
                        anchors.verticalCenter: parent.verticalCenter
                        title: modelData
                        symbolName: ["clock", "text.bubble", "paintpalette", "square.grid.2x2"][index]
                        count: root.panel.countFor(index, root.panel.countsVersion)
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
                Repeater {
                    model: [
                        { name: "eyedropper", tip: "Capturar color de pantalla", act: "pickColor" },
                        { name: root.panel.onlyFavorites ? "star.fill" : "star", tip: "", act: "toggleFavorites" },
                        { name: "xmark", tip: "", act: "close" }
                    ]
                    delegate: Rectangle {
                        id: button
                        required property var modelData
                        // A greyed button still explains itself: only its face fades, not its help text.
                        readonly property bool available: modelData.act !== "pickColor" || root.panel.canPickColor
                        objectName: modelData.act + "Button"
                        width: 30; height: 30; radius: 8
                        color: available ? root.chrome : Qt.rgba(root.chrome.r, root.chrome.g, root.chrome.b, root.chrome.a * 0.35)
                        Image {
                            anchors.centerIn: parent
                            width: 14; height: 14
                            sourceSize: Qt.size(28, 28)
                            opacity: button.available ? 1 : 0.35
                            source: root.symbol(button.modelData.name)
                        }
                        MouseArea {
                            id: buttonArea
                            anchors.fill: parent
                            hoverEnabled: true
                            onClicked: if (button.available) root.panel[button.modelData.act]()
                        }
                        // Help text under the button after a moment of hovering.
                        HelpTip {
                            objectName: button.modelData.act + "Tip"
                            anchors.top: parent.bottom
                            anchors.topMargin: 6
                            anchors.right: parent.right
                            text: button.modelData.tip
                            hovered: buttonArea.containsMouse
                            light: root.light
                        }
                    }
                }
            }
        }

        CardStrip {
            Layout.fillWidth: true
            Layout.fillHeight: true
            // Within the panel's body: the outline's top flares are 28 points on each side, and at
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
                    sourceSize: Qt.size(60, 60)
                    source: root.symbol(root.panel.onlyFavorites ? "star" : "tray", Qt.rgba(root.ink.r, root.ink.g, root.ink.b, 0.5))
                }
                Text {
                    objectName: "emptyText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    // With the favourites filter on, an empty strip says nothing about the history.
                    text: root.panel.onlyFavorites ? "Aún no hay favoritos." : "Nada todavía. Copia algo."
                    color: root.ink
                    opacity: 0.6
                    font.pixelSize: 12
                }
            }
        }
    }
}
