// SPDX-License-Identifier: GPL-3.0-or-later
// One tab of the panel: symbol, title and, when there is something in it, a count.
import QtQuick

Rectangle {
    id: chip

    property string title
    property string symbolName
    property int count
    property bool active
    property string theme: "dark"
    signal clicked()

    readonly property bool light: theme === "light"
    // Solid white with black content when active (inverted on the light theme).
    readonly property color fill: active ? (light ? "black" : "white") : (light ? Qt.rgba(0, 0, 0, 0.08) : Qt.rgba(1, 1, 1, 0.08))
    readonly property color content: active ? (light ? "white" : "black") : (light ? "black" : "white")
    readonly property bool darkChip: active ? light : !light

    width: row.implicitWidth + 24
    height: row.implicitHeight + 14
    radius: height / 2
    color: fill

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6
        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: 11; height: 11
            sourceSize: Qt.size(22, 22)
            source: "image://symbol/" + chip.symbolName + "?color=" + String(chip.content).replace("#", "")
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: chip.title
            color: chip.content
            font.pixelSize: 12
            font.weight: Font.Medium
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            visible: chip.count >= 1
            width: countText.implicitWidth + 10
            height: countText.implicitHeight + 2
            radius: height / 2
            color: chip.darkChip ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.12)
            Text {
                id: countText
                anchors.centerIn: parent
                text: chip.count
                color: chip.content
                font.pixelSize: 10
                font.bold: true
            }
        }
    }

    MouseArea {
        anchors.fill: parent
        onClicked: chip.clicked()
    }
}
