// SPDX-License-Identifier: GPL-3.0-or-later
// The capture toast: a pill hanging from the top edge of the screen, like an extension of the
// notch, that says what was copied and counts its time down along its border. It fills the toast
// window; only the pill (x 40, y 0, 360 × 115) should take the pointer.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Item {
    id: root

    required property ToastViewModel viewModel
    /// "dark", "light" or "liquidGlass".
    property string theme: "dark"
    /// The icon of the kind, drawn in the tile when there is no thumbnail.
    property url symbolSource: viewModel.symbol !== "" ? Theme.symbol(viewModel.symbol, textColor) : ""
    /// Off, the pill jumps to its end state (for still pictures of it).
    property bool animated: true

    /// False while a thumbnail is still being decoded.
    readonly property bool thumbnailReady: !pill.hasThumbnail || thumbnailImage.status === Image.Ready
    readonly property real pillHeight: 90
    readonly property ThemeColors colors: Theme.colors(theme)
    readonly property color textColor: colors.ink

    // Reveal progress, 0 hidden to 1 in place.
    property real scaleP: 0
    property real offsetP: 0
    readonly property real revealScale: 0.9 * scaleP + 0.1

    // What a compositor that blurs may blur behind the window (glass theme only): the pill as
    // drawn now, without the flares at its top corners.
    readonly property rect blurArea: theme === "liquidGlass" && pill.visible && scaleP > 0.001
        ? Qt.rect(pill.x + pill.width / 2 - (pill.width / 2 - Theme.toastFlare) * revealScale,
                  -pillHeight * (1 - offsetP), (pill.width - 2 * Theme.toastFlare) * revealScale,
                  pill.height * revealScale)
        : Qt.rect(0, 0, 0, 0)
    readonly property real blurRadius: Theme.toastBottomRadius * revealScale

    // What the toast shows, as NotchPanelShape outlines: the pill as drawn now, flares included;
    // nothing while hidden. Without a compositor the window is cut to it.
    readonly property var visibleOutline: pill.visible && scaleP > 0.001
        ? [{ x: pill.x + pill.width / 2 * (1 - revealScale), y: -pillHeight * (1 - offsetP),
             width: pill.width * revealScale, height: pill.height * revealScale,
             topRadius: Theme.toastFlare * revealScale, bottomRadius: Theme.toastBottomRadius * revealScale }]
        : []

    width: 440
    height: 130

    Connections {
        target: root.viewModel
        function onRevealed() {
            concealAnimation.stop()
            if (root.animated) {
                revealAnimation.restart()
            } else {
                root.scaleP = 1
                root.offsetP = 1
            }
        }
        function onConcealed() {
            revealAnimation.stop()
            if (root.animated) {
                concealAnimation.restart()
            } else {
                root.scaleP = 0
                root.offsetP = 0
            }
        }
    }

    ParallelAnimation {
        id: revealAnimation
        SpringAnimation {
            target: root; property: "scaleP"; to: 1; epsilon: 0.002
            spring: Springs.spring(0.42, 0.58); damping: Springs.damping(0.42, 0.58)
        }
        NumberAnimation {
            target: root; property: "offsetP"; to: 1; duration: 320
            easing.type: Easing.BezierSpline; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }

    ParallelAnimation {
        id: concealAnimation
        NumberAnimation {
            target: root; properties: "scaleP,offsetP"; to: 0; duration: 200
            easing.type: Easing.BezierSpline; easing.bezierCurve: [0.42, 0, 1, 1, 1, 1]
        }
    }

    // The countdown border moves on every frame while the time runs.
    FrameAnimation {
        running: pill.visible && root.viewModel.active && !root.viewModel.isPaused
        onTriggered: root.viewModel.updateFraction()
    }

    Item {
        id: pill

        readonly property bool collapsed: root.viewModel.collapsed
        // 0 → 1 as a dragged pill shrinks to its thumbnail with a spring; a new toast starts it
        // over at once.
        property real collapseP: 0
        onCollapsedChanged: {
            if (collapsed) {
                collapseSpring.restart()
            } else {
                collapseSpring.stop()
                collapseP = 0
            }
        }
        SpringAnimation {
            id: collapseSpring
            target: pill; property: "collapseP"; to: 1; epsilon: 0.002
            spring: Springs.spring(0.4, 0.55); damping: Springs.damping(0.4, 0.55)
        }
        readonly property bool hasThumbnail: String(root.viewModel.thumbnail) !== ""
        readonly property real sidePadding: 32 - 16 * collapseP
        readonly property real spacing: 11 * Math.max(0, 1 - collapseP)
        readonly property real textWidth: Math.max(0, 1 - collapseP) * Math.max(titleText.implicitWidth, subtitleText.implicitWidth)
        readonly property real naturalWidth: 2 * sidePadding + leading.width + spacing + textWidth

        visible: root.viewModel.hasData
        anchors.top: parent.top
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(360, naturalWidth)
        height: 36 + Math.max(leading.height, Math.max(0, 1 - collapseP) * textColumn.implicitHeight) + 18

        transform: [
            Scale {
                origin.x: pill.width / 2
                origin.y: 0
                xScale: root.revealScale
                yScale: root.revealScale
            },
            Translate { y: -root.pillHeight * (1 - root.offsetP) }
        ]

        NotchPanelShape {
            anchors.fill: parent
            topRadius: Theme.toastFlare
            bottomRadius: Theme.toastBottomRadius
            fillColor: root.colors.toastFill
            strokeColor: root.colors.toastStroke
            strokeWidth: 0.5
            layer.enabled: true
            layer.samples: 4
        }

        ToastProgressBorder {
            anchors.fill: parent
            topRadius: Theme.toastFlare
            bottomRadius: Theme.toastBottomRadius
            fraction: root.viewModel.fraction
            layer.enabled: true
            layer.samples: 4
        }

        Row {
            x: pill.sidePadding
            y: 36
            width: pill.width - 2 * pill.sidePadding
            spacing: pill.spacing

            Item {
                id: leading
                width: pill.hasThumbnail ? 72 - 24 * pill.collapseP : 34
                height: pill.hasThumbnail ? 58 - 20 * pill.collapseP : 34
                anchors.verticalCenter: parent.verticalCenter

                Image {
                    id: thumbnailImage
                    // Already cropped and rounded by the model.
                    anchors.fill: parent
                    visible: pill.hasThumbnail
                    source: root.viewModel.thumbnail
                    fillMode: Image.Stretch
                    smooth: true
                    mipmap: true
                }

                Rectangle {
                    anchors.fill: parent
                    visible: !pill.hasThumbnail
                    radius: 9
                    color: root.colors.toastTile

                    Image {
                        anchors.centerIn: parent
                        width: 15
                        height: 15
                        source: root.symbolSource
                        sourceSize.width: 45; sourceSize.height: 45
                        fillMode: Image.PreserveAspectFit
                        smooth: true
                    }
                }
            }

            Column {
                id: textColumn
                visible: pill.collapseP < 1
                opacity: 1 - pill.collapseP
                width: Math.max(0, parent.width - leading.width - pill.spacing)
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2

                Text {
                    id: titleText
                    width: parent.width
                    text: root.viewModel.title
                    textFormat: Text.PlainText
                    color: root.textColor
                    font.pixelSize: Theme.titleText
                    font.weight: Font.DemiBold
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
                Text {
                    id: subtitleText
                    width: parent.width
                    visible: text !== ""
                    // One line: a multi-line preview shows its first lines run together. A notice
                    // from Brisa is a sentence or two, read whole.
                    text: root.viewModel.subtitle.replace(/\s*[\r\n]+\s*/g, " ")
                    color: root.textColor
                    opacity: root.colors.subtitleOpacity
                    font.pixelSize: Theme.tipText
                    elide: Text.ElideRight
                    maximumLineCount: root.viewModel.kind === "notice" ? 2 : 1
                    wrapMode: root.viewModel.kind === "notice" ? Text.WordWrap : Text.NoWrap
                    textFormat: Text.PlainText
                }
            }
        }

        HoverHandler {
            id: hover
            onHoveredChanged: hovered ? root.viewModel.pointerEntered() : root.viewModel.pointerLeft()
        }

        DragHandler {
            id: dragHandler
            target: null
            enabled: root.viewModel.draggable
            onActiveChanged: if (active) root.viewModel.startDrag()
        }
    }
}
