// SPDX-License-Identifier: GPL-3.0-or-later
// A help text that shows once the pointer has rested a moment on what it explains. The owner says
// when the pointer is over that thing and places the tip; nothing is shown for an empty text.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Rectangle {
    id: tip

    property string text
    /// Whether the pointer is over the thing the tip explains.
    property bool hovered: false
    property ThemeColors colors: Theme.colors("dark")
    /// How long the pointer rests before the tip shows, in ms.
    property int delay: 600

    // Set by the timer, cleared as soon as the pointer leaves.
    property bool rested: false
    onHoveredChanged: if (!hovered) rested = false

    visible: text.length > 0 && hovered && rested
    width: label.implicitWidth + 14
    height: label.implicitHeight + 8
    radius: 6
    color: colors.tipFill
    border.color: colors.tipBorder
    z: 10

    Text {
        id: label
        anchors.centerIn: parent
        text: tip.text
        textFormat: Text.PlainText // an application's name may carry markup; it is shown as written
        color: tip.colors.ink
        font.pixelSize: Theme.tipText
    }

    Timer {
        interval: tip.delay
        running: tip.hovered && !tip.rested
        onTriggered: tip.rested = true
    }
}
