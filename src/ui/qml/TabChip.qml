// SPDX-License-Identifier: GPL-3.0-or-later
// One tab of the panel: symbol, title and, when there is something in it, a count.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Rectangle {
    id: chip

    property string title
    property string symbolName
    property int count
    property bool active
    property string theme: "dark"
    signal clicked()

    readonly property ThemeColors colors: Theme.colors(theme)
    readonly property color fill: active ? colors.chipActiveFill : colors.chipFill
    readonly property color content: active ? colors.chipActiveInk : colors.ink

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
            sourceSize.width: 22; sourceSize.height: 22
            source: Theme.symbol(chip.symbolName, chip.content)
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: chip.title
            color: chip.content
            font.pixelSize: Theme.bodyText
            font.weight: Font.Medium
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            visible: chip.count >= 1
            width: countText.implicitWidth + 10
            height: countText.implicitHeight + 2
            radius: height / 2
            color: chip.active ? chip.colors.chipActiveBadge : chip.colors.chipBadge
            Text {
                id: countText
                anchors.centerIn: parent
                text: chip.count
                color: chip.content
                font.pixelSize: Theme.smallText
                font.bold: true
            }
        }
    }

    MouseArea {
        anchors.fill: parent
        onClicked: chip.clicked()
    }
}
