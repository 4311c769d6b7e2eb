// SPDX-License-Identifier: GPL-3.0-or-later
// A help text that shows once the pointer has rested a moment on what it explains. The owner says
// when the pointer is over that thing and places the tip; nothing is shown for an empty text.
import QtQuick

Rectangle {
    id: tip

    property string text
    /// Whether the pointer is over the thing the tip explains.
    property bool hovered: false
    property bool light: false
    /// How long the pointer rests before the tip shows, in ms.
    property int delay: 600

    // Set by the timer, cleared as soon as the pointer leaves.
    property bool rested: false
    onHoveredChanged: if (!hovered) rested = false

    visible: text.length > 0 && hovered && rested
    width: label.implicitWidth + 14
    height: label.implicitHeight + 8
    radius: 6
    color: light ? "#f2f2f2" : "#2a2a2a"
    border.color: light ? Qt.rgba(0, 0, 0, 0.15) : Qt.rgba(1, 1, 1, 0.15)
    z: 10

    Text {
        id: label
        anchors.centerIn: parent
        text: tip.text
        textFormat: Text.PlainText // an application's name may carry markup; it is shown as written
        color: tip.light ? "black" : "white"
        font.pixelSize: 11
    }

    Timer {
        interval: tip.delay
        running: tip.hovered && !tip.rested
        onTriggered: tip.rested = true
    }
}
