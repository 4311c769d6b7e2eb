// SPDX-License-Identifier: GPL-3.0-or-later
// The panel window's content: a faint handle while closed, and the open panel revealed from the
// top edge (grown from a tenth of its size and slid down) while open.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Item {
    id: root

    required property NotchPanelViewModel panel

    readonly property bool expanded: panel.expanded
    readonly property ThemeColors colors: Theme.colors(panel.theme)
    readonly property real panelHeight: panel.activeHasNotch ? 256 : 218
    property real scaleP: expanded ? 1 : 0
    property real offsetP: expanded ? 1 : 0
    readonly property real revealScale: 0.9 * scaleP + 0.1

    // What a compositor that blurs may blur behind the window (glass theme only): the open panel's
    // body as drawn now, without the flares at its top corners.
    readonly property rect blurArea: panel.theme === "liquidGlass" && content.visible
        ? Qt.rect(content.x + content.width / 2 - (content.width / 2 - Theme.flare) * revealScale, content.y,
                  (content.width - 2 * Theme.flare) * revealScale, content.height * revealScale)
        : Qt.rect(0, 0, 0, 0)
    readonly property real blurRadius: Theme.panelBottomRadius * revealScale

    // What the window shows, as NotchPanelShape outlines in window points: without a compositor the
    // window is cut to them. The open panel as drawn now (flares included), and the closed capsule.
    readonly property var visibleOutline: {
        const outlines = []
        if (content.visible)
            outlines.push({ x: content.x + content.width / 2 * (1 - revealScale), y: content.y,
                            width: content.width * revealScale, height: content.height * revealScale,
                            topRadius: Theme.flare * revealScale,
                            bottomRadius: Theme.panelBottomRadius * revealScale })
        if (closedLayer.visible)
            outlines.push({ x: closedLayer.x + handle.x, y: closedLayer.y + handle.y, width: handle.width,
                            height: handle.height, topRadius: 0, bottomRadius: 0 })
        return outlines
    }

    Behavior on scaleP {
        SpringAnimation { spring: Springs.spring(0.42, 0.58); damping: Springs.damping(0.42, 0.58); epsilon: 0.002 }
    }
    Behavior on offsetP {
        NumberAnimation { duration: 320; easing.type: Easing.OutCubic }
    }

    // Closed: only a small capsule at the bottom; the rest of the window is clear and lets the
    // pointer through (the panel opens from the global pointer watch, not from this window).
    Item {
        id: closedLayer
        anchors.fill: parent
        opacity: root.expanded ? 0 : 1
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }

        Rectangle {
            id: handle
            width: 38
            height: 4
            // Square without a compositor: the window is cut to this rectangle, and rounded corners
            // would leave black pixels in it.
            radius: Compositing.active ? 2 : 0
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 2
            color: Compositing.active ? root.colors.handle : root.colors.handleOpaque
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
