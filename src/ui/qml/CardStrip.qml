// SPDX-License-Identifier: GPL-3.0-or-later
// The horizontal strip of clip cards. The selected card is kept centred; a new tab or a fresh
// opening jumps back to the start; a plain mouse wheel scrolls sideways.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

ListView {
    id: strip

    required property NotchPanelViewModel panel
    /// The panel's background, which the ends of the strip fade into.
    property color fadeColor: "black"
    readonly property real cardHeight: Theme.cardHeight

    orientation: ListView.Horizontal
    spacing: Theme.cardSpacing
    leftMargin: panel.stripLeadingInset
    rightMargin: 24
    topMargin: 8
    bottomMargin: 8
    clip: true
    // Dragging the strip moves it with the pointer and stops when the pointer does (no coasting);
    // pulled past either end it gives a little and springs back.
    boundsBehavior: Flickable.DragOverBounds
    maximumFlickVelocity: 0
    model: panel.strip
    currentIndex: panel.selectedIndex
    highlightFollowsCurrentItem: false
    cacheBuffer: 600
    reuseItems: true

    delegate: ClipCard {
        required property int index
        width: Theme.cardWidth
        height: strip.cardHeight
        theme: strip.panel.theme
        selected: index === strip.panel.selectedIndex
        onActivated: strip.panel.clickCard(index)
        onMenuRequested: strip.panel.openCardMenu(index)
        onDragRequested: strip.panel.startDrag(index)
        onShareRequested: strip.panel.openShareMenu(index)
        onImageActionRequested: (action) => {
            if (action === "resize" || action === "convert")
                strip.panel.openImageMenu(index, action)
            else
                strip.panel.imageAction(index, action)
        }
    }

    NumberAnimation {
        id: glide
        target: strip
        property: "contentX"
        easing.type: Easing.OutCubic
    }

    /// Scrolls to x, counted from the strip's start; over duration ms, or at once for 0.
    function scrollTo(x, duration) {
        glide.stop()
        // contentX counts from before the leading margin, and from originX: rows inserted or moved
        // above the cards on screen shift the origin rather than the cards.
        const target = strip.originX + x - strip.leftMargin
        if (duration > 0) {
            glide.to = target
            glide.duration = duration
            glide.start()
        } else {
            strip.contentX = target
        }
    }

    Connections {
        target: strip.panel
        function onSelectedIndexChanged() {
            strip.scrollTo(strip.panel.centredOffset(strip.panel.selectedIndex, strip.width), strip.panel.centreScrollMs)
        }
        function onScrollResetChanged() { strip.scrollTo(0, 0) }
    }

    // Cards scrolling out of view dissolve into the panel's colour at both ends, down to the cards'
    // lower edge only: further down the panel's rounded corners begin, and the fades would show
    // past its outline.
    Rectangle {
        anchors { left: parent.left; top: parent.top }
        height: strip.topMargin + strip.cardHeight
        width: 18
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: strip.fadeColor }
            GradientStop { position: 1; color: "transparent" }
        }
    }
    Rectangle {
        anchors { right: parent.right; top: parent.top }
        height: strip.topMargin + strip.cardHeight
        width: 24
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: "transparent" }
            GradientStop { position: 1; color: strip.fadeColor }
        }
    }

    WheelHandler {
        acceptedDevices: PointerDevice.Mouse
        onWheel: (event) => {
            strip.scrollTo(strip.panel.wheelTarget(strip.contentX - strip.originX + strip.leftMargin, event.angleDelta.x / 120,
                                                   event.angleDelta.y / 120, strip.width), strip.panel.wheelScrollMs)
        }
    }
}
