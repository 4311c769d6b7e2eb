// SPDX-License-Identifier: GPL-3.0-or-later
// The panel window's content: a faint handle while closed, and the open panel revealed from the
// top edge (grown from a tenth of its size and slid down) while open.
import QtQuick
import Brisa.Ui

Item {
    id: root

    required property QtObject panel

    readonly property bool expanded: panel.expanded
    readonly property real panelHeight: panel.activeHasNotch ? 256 : 218
    property real scaleP: expanded ? 1 : 0
    property real offsetP: expanded ? 1 : 0
    readonly property real revealScale: 0.9 * scaleP + 0.1

    // What a compositor that blurs may blur behind the window (glass theme only): the open panel's
    // body as drawn now, without the flares at its top corners.
    readonly property rect blurArea: panel.theme === "liquidGlass" && content.visible
        ? Qt.rect(content.x + content.width / 2 - (content.width / 2 - 28) * revealScale, content.y,
                  (content.width - 56) * revealScale, content.height * revealScale)
        : Qt.rect(0, 0, 0, 0)
    readonly property real blurRadius: 42 * revealScale

    Behavior on scaleP {
        SpringAnimation { spring: Springs.spring(0.42, 0.58); damping: Springs.damping(0.42, 0.58); epsilon: 0.002 }
    }
    Behavior on offsetP {
        NumberAnimation { duration: 320; easing.type: Easing.OutCubic }
    }

    // Closed: a nearly invisible layer that still takes the pointer, with a small capsule at the bottom.
    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.001)
        opacity: root.expanded ? 0 : 1
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }

        Rectangle {
            width: 38
            height: 4
            radius: 2
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 2
            // The secondary text colour (ink at about half strength) at 0.35.
            color: root.panel.theme === "light" ? Qt.rgba(0, 0, 0, 0.5 * 0.35) : Qt.rgba(1, 1, 1, 0.55 * 0.35)
        }
    }

    NotchExpanded {
        id: content
        panel: root.panel
        width: 780
        height: root.panelHeight
        anchors.horizontalCenter: parent.horizontalCenter
        y: -root.panelHeight * (1 - root.offsetP)
        enabled: root.expanded
        visible: root.scaleP > 0.001 || root.offsetP > 0.001
        transform: Scale {
            origin.x: content.width / 2
            origin.y: 0
            xScale: root.revealScale
            yScale: root.revealScale
        }
    }
}
