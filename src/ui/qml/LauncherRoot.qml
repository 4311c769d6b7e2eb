// SPDX-License-Identifier: GPL-3.0-or-later
// The launcher window's content: a small grid of application tiles hanging beside the open
// panel's left end, and an add tile while there is room. It grows from a tenth of its size and
// slides down while the panel is open. A .desktop file dropped on it becomes a tile.
pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Shapes
import Brisa.Ui

Item {
    id: root

    required property LauncherViewModel launcher
    required property NotchPanelViewModel panel

    readonly property ThemeColors colors: Theme.colors(panel.theme)
    readonly property bool shown: launcher.shown
    readonly property real side: 52
    property real scaleP: shown ? 1 : 0
    property real offsetP: shown ? 1 : 0
    readonly property real revealScale: 0.9 * scaleP + 0.1
    readonly property real bottomRadius: 18

    readonly property rect blurArea: panel.theme === "liquidGlass" && grid.visible
        ? Qt.rect(grid.x + grid.width / 2 - (grid.width / 2 - Theme.flare) * revealScale, grid.y,
                  (grid.width - 2 * Theme.flare) * revealScale, grid.height * revealScale)
        : Qt.rect(0, 0, 0, 0)
    readonly property real blurRadius: bottomRadius * revealScale
    readonly property var visibleOutline: grid.visible
        ? [{ x: grid.x + grid.width / 2 * (1 - revealScale), y: grid.y, width: grid.width * revealScale,
             height: grid.height * revealScale, topRadius: Theme.flare * revealScale,
             bottomRadius: bottomRadius * revealScale }]
        : []

    Behavior on scaleP {
        SpringAnimation { spring: Springs.spring(0.42, 0.58); damping: Springs.damping(0.42, 0.58); epsilon: 0.002 }
    }
    Behavior on offsetP {
        NumberAnimation { duration: 320; easing.type: Easing.OutCubic }
    }

    // One application tile: its icon, or its tint with its symbol.
    component AppTile: Item {
        id: tile
        required property int index
        required property var modelData
        property bool hovering: area.containsMouse
        width: root.side
        height: root.side
        scale: area.pressed ? 0.88 : (hovering ? 1.12 : 1)
        Behavior on scale {
            SpringAnimation { spring: Springs.spring(0.3, 0.7); damping: Springs.damping(0.3, 0.7); epsilon: 0.002 }
        }

        Rectangle {
            // The hover shadow: black at 35 %, 3 points down.
            anchors.fill: face
            anchors.topMargin: 3
            anchors.bottomMargin: -3
            radius: face.radius
            color: Qt.rgba(0, 0, 0, 0.35)
            visible: tile.hovering && Compositing.active
        }
        // Without an icon: the tint as a gradient, with the symbol in white.
        Rectangle {
            id: face
            anchors.fill: parent
            radius: 0.26 * root.side
            visible: !icon.visible
            readonly property color tint: tile.modelData.tint
            gradient: Gradient {
                GradientStop { position: 0; color: Qt.lighter(face.tint, 1.25) }
                GradientStop { position: 1; color: face.tint }
            }
            Image {
                anchors.centerIn: parent
                width: 0.42 * root.side
                height: width
                sourceSize.width: width * 2
                sourceSize.height: height * 2
                source: Theme.symbol(tile.modelData.symbol, "white")
            }
        }
        Image {
            id: icon
            objectName: "tileIcon"
            anchors.fill: parent
            fillMode: Image.PreserveAspectFit
            sourceSize.width: root.side * 2
            sourceSize.height: root.side * 2
            source: tile.modelData.icon
            visible: String(tile.modelData.icon).length > 0 && status === Image.Ready
        }
        // Either face gets the same faint outline.
        Rectangle {
            anchors.fill: parent
            radius: face.radius
            color: "transparent"
            border.width: 0.5
            border.color: Qt.rgba(1, 1, 1, 0.12)
        }
        MouseArea {
            id: area
            objectName: "tileArea"
            anchors.fill: parent
            anchors.margins: -10 // a press that slides off a little still counts
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onClicked: (mouse) => {
                if (mouse.button === Qt.RightButton)
                    root.launcher.openTileMenu(tile.index)
                else
                    root.launcher.launch(tile.index)
            }
        }
        HelpTip {
            anchors.top: parent.bottom
            anchors.topMargin: 4
            anchors.horizontalCenter: parent.horizontalCenter
            text: tile.modelData.name
            hovered: tile.hovering
            colors: root.colors
        }
    }

    component AddTile: Item {
        id: add
        width: root.side
        height: root.side
        opacity: root.launcher.canAddApps ? 1 : 0.4
        scale: addArea.containsMouse && root.launcher.canAddApps ? 1.08 : 1
        Behavior on scale {
            SpringAnimation { spring: Springs.spring(0.3, 0.7); damping: Springs.damping(0.3, 0.7); epsilon: 0.002 }
        }
        readonly property color line: root.colors.light ? root.colors.ink : "white"
        Shape {
            anchors.fill: parent
            ShapePath {
                id: dashed
                readonly property real a: 0.75
                readonly property real b: root.side - 0.75
                readonly property real r: 0.26 * root.side
                strokeColor: add.line
                strokeWidth: 1.5
                strokeStyle: ShapePath.DashLine
                dashPattern: [3, 3]
                fillColor: "transparent"
                startX: dashed.a + dashed.r; startY: dashed.a
                PathLine { x: dashed.b - dashed.r; y: dashed.a }
                PathArc { x: dashed.b; y: dashed.a + dashed.r; radiusX: dashed.r; radiusY: dashed.r }
                PathLine { x: dashed.b; y: dashed.b - dashed.r }
                PathArc { x: dashed.b - dashed.r; y: dashed.b; radiusX: dashed.r; radiusY: dashed.r }
                PathLine { x: dashed.a + dashed.r; y: dashed.b }
                PathArc { x: dashed.a; y: dashed.b - dashed.r; radiusX: dashed.r; radiusY: dashed.r }
                PathLine { x: dashed.a; y: dashed.a + dashed.r }
                PathArc { x: dashed.a + dashed.r; y: dashed.a; radiusX: dashed.r; radiusY: dashed.r }
            }
        }
        Image {
            anchors.centerIn: parent
            width: 18; height: 18
            sourceSize.width: 36; sourceSize.height: 36
            source: Theme.symbol("plus", add.line)
        }
        MouseArea {
            id: addArea
            objectName: "addTileArea"
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onClicked: (mouse) => {
                if (mouse.button === Qt.RightButton)
                    root.launcher.openTileMenu(-1)
                else
                    root.launcher.addApps()
            }
        }
        HelpTip {
            anchors.top: parent.bottom
            anchors.topMargin: 4
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Añadir app"
            hovered: addArea.containsMouse
            colors: root.colors
        }
    }

    Item {
        id: grid
        objectName: "launcherGrid"
        x: 44
        width: root.launcher.visibleWidth
        height: root.launcher.visibleHeight
        y: -height * (1 - root.offsetP)
        visible: root.scaleP > 0.001 || root.offsetP > 0.001
        enabled: root.shown
        transform: Scale {
            origin.x: grid.width / 2
            origin.y: 0
            xScale: root.revealScale
            yScale: root.revealScale
        }

        NotchPanelShape {
            anchors.fill: parent
            topRadius: Theme.flare
            bottomRadius: root.bottomRadius
            fillColor: root.colors.panelFill
            strokeColor: root.colors.panelStroke
            strokeWidth: 1
        }

        Grid {
            x: 34
            y: 30
            columns: root.launcher.columns
            spacing: 12
            Repeater {
                model: root.launcher.tiles
                AppTile {}
            }
            AddTile {
                visible: root.launcher.addTile
            }
        }

        DropArea {
            anchors.fill: parent
            keys: ["text/uri-list"]
            onDropped: (drop) => {
                let taken = false
                for (const url of drop.urls)
                    taken = root.launcher.addFile(url) || taken
                drop.accepted = taken
            }
        }
    }
}
