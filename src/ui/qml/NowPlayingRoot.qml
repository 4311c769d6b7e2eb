// SPDX-License-Identifier: GPL-3.0-or-later
// The now-playing window's content: a card hanging beside the open panel's right end with the
// cover, a seekable progress bar, title and artist, and previous / play-pause / next. It grows
// from a tenth of its size and slides down while shown, like the panel itself.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Item {
    id: root

    required property NowPlayingViewModel player
    required property NotchPanelViewModel panel

    readonly property ThemeColors colors: Theme.colors(panel.theme)
    readonly property bool light: colors.light
    readonly property color ink: colors.ink
    readonly property bool shown: player.shown
    // Played part of the bar: white as on the dark grounds, ink where the ground is light.
    readonly property color played: light ? Qt.rgba(ink.r, ink.g, ink.b, 0.85) : Qt.rgba(1, 1, 1, 0.85)
    property real scaleP: shown ? 1 : 0
    property real offsetP: shown ? 1 : 0
    readonly property real revealScale: 0.9 * scaleP + 0.1
    /// Where the pointer holds the bar while dragging (0…1), or -1.
    property real dragFraction: -1

    // The card's body as drawn now, for a compositor that blurs (glass theme only).
    readonly property rect blurArea: panel.theme === "liquidGlass" && card.visible
        ? Qt.rect(card.x + card.width / 2 - (card.width / 2 - Theme.flare) * revealScale, card.y,
                  (card.width - 2 * Theme.flare) * revealScale, card.height * revealScale)
        : Qt.rect(0, 0, 0, 0)
    readonly property real blurRadius: Theme.panelBottomRadius * revealScale
    // Without a compositor the window is cut to the card's outline as drawn now.
    readonly property var visibleOutline: card.visible
        ? [{ x: card.x + card.width / 2 * (1 - revealScale), y: card.y, width: card.width * revealScale,
             height: card.height * revealScale, topRadius: Theme.flare * revealScale,
             bottomRadius: Theme.panelBottomRadius * revealScale }]
        : []

    Behavior on scaleP {
        SpringAnimation { spring: Springs.spring(0.42, 0.58); damping: Springs.damping(0.42, 0.58); epsilon: 0.002 }
    }
    Behavior on offsetP {
        NumberAnimation { duration: 320; easing.type: Easing.OutCubic }
    }

    Item {
        id: card
        objectName: "nowPlayingCard"
        x: 44
        width: 260
        height: 215
        y: -height * (1 - root.offsetP)
        visible: root.scaleP > 0.001 || root.offsetP > 0.001
        enabled: root.shown
        transform: Scale {
            origin.x: card.width / 2
            origin.y: 0
            xScale: root.revealScale
            yScale: root.revealScale
        }

        NotchPanelShape {
            anchors.fill: parent
            topRadius: Theme.flare
            bottomRadius: Theme.panelBottomRadius
            fillColor: root.colors.panelFill
            strokeColor: root.colors.panelStroke
            strokeWidth: 1
        }

        Column {
            id: rows
            width: parent.width
            spacing: 10

            // The cover, within the card's body (the flares beside it are the card's ground).
            Item {
                x: Theme.flare
                width: parent.width - 2 * Theme.flare
                height: 100
                clip: true

                Rectangle {
                    anchors.fill: parent
                    visible: cover.status !== Image.Ready
                    color: Qt.rgba(root.ink.r, root.ink.g, root.ink.b, 0.12)
                    Image {
                        anchors.centerIn: parent
                        width: 24; height: 24
                        sourceSize.width: 48; sourceSize.height: 48
                        opacity: 0.35
                        source: Theme.symbol("music.note", root.ink)
                    }
                }
                Image {
                    id: cover
                    objectName: "cover"
                    anchors.fill: parent
                    fillMode: Image.PreserveAspectCrop
                    asynchronous: false
                    source: root.player.artwork
                    visible: status === Image.Ready
                }
                // Blends the card into the top bar above it.
                Rectangle {
                    visible: !root.light
                    width: parent.width
                    height: 53
                    gradient: Gradient {
                        GradientStop { position: 0; color: Qt.rgba(0, 0, 0, 0.85) }
                        GradientStop { position: 1; color: "transparent" }
                    }
                }
            }

            Item {
                id: bar
                objectName: "progressBar"
                x: 32
                width: parent.width - 64
                height: 14
                readonly property real shownFraction: root.dragFraction >= 0 ? root.dragFraction : root.player.fraction

                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width
                    height: 4
                    radius: 2
                    color: Qt.rgba(root.ink.r, root.ink.g, root.ink.b, 0.18)
                    Rectangle {
                        width: parent.width * bar.shownFraction
                        height: parent.height
                        radius: 2
                        color: root.played
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    preventStealing: true
                    function at(x: real): real { return Math.max(0, Math.min(1, x / bar.width)) }
                    onPressed: (mouse) => { root.dragFraction = at(mouse.x) }
                    onPositionChanged: (mouse) => { if (pressed) root.dragFraction = at(mouse.x) }
                    onReleased: (mouse) => {
                        root.player.seek(at(mouse.x))
                        root.dragFraction = -1
                    }
                    onCanceled: root.dragFraction = -1
                }
            }

            Column {
                x: 32
                width: parent.width - 64
                spacing: 3
                Text {
                    objectName: "title"
                    width: parent.width
                    visible: root.player.hasMedia
                    horizontalAlignment: Text.AlignHCenter
                    elide: Text.ElideRight
                    text: root.player.title
                    color: root.ink
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                }
                Text {
                    objectName: "artist"
                    width: parent.width
                    visible: root.player.hasMedia
                    horizontalAlignment: Text.AlignHCenter
                    elide: Text.ElideRight
                    text: root.player.artist
                    color: root.ink
                    opacity: 0.6
                    font.pixelSize: 11
                }
                Text {
                    width: parent.width
                    visible: !root.player.hasMedia
                    horizontalAlignment: Text.AlignHCenter
                    text: "Nada sonando"
                    color: root.ink
                    opacity: 0.35
                    font.pixelSize: 11
                }
            }

            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                component Control: Item {
                    id: control
                    property string symbolName
                    property int size: 14
                    signal clicked()
                    width: 44
                    height: 34
                    Image {
                        anchors.centerIn: parent
                        width: control.size; height: control.size
                        sourceSize.width: control.size * 2; sourceSize.height: control.size * 2
                        opacity: area.pressed ? 0.5 : 1
                        source: Theme.symbol(control.symbolName, root.ink)
                    }
                    MouseArea {
                        id: area
                        anchors.fill: parent
                        onClicked: control.clicked()
                    }
                }
                Control {
                    objectName: "previousButton"
                    symbolName: "backward.end.fill"
                    onClicked: root.player.previousTrack()
                }
                Control {
                    objectName: "playPauseButton"
                    symbolName: root.player.playing ? "pause.fill" : "play.fill"
                    size: 20
                    onClicked: root.player.togglePlayPause()
                }
                Control {
                    objectName: "nextButton"
                    symbolName: "forward.end.fill"
                    onClicked: root.player.nextTrack()
                }
            }
        }
    }
}
