// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's outline: flush with the top edge of its rectangle, flaring outward into the edge at
// the two top corners, with rounded bottom corners. The radii are plain properties so that callers
// can animate them with a Behavior. The path renderer does not antialias curves itself: a caller
// that wants smooth edges on the GPU sets layer.enabled and layer.samples on its instance.
// Without a compositor the fill is drawn opaque: the window is cut to this outline, and whatever is
// not opaque inside it would show black rather than the desktop.
pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Shapes
import Brisa.Ui

Shape {
    id: root

    /// Radius of the two concave top corners.
    property real topRadius: Theme.flare
    /// Radius of the two convex bottom corners.
    property real bottomRadius: Theme.panelBottomRadius
    property color fillColor: "black"
    property color strokeColor: "transparent"
    /// Width of the outline's stroke; negative for none.
    property real strokeWidth: -1

    // The radii in use. On a narrow rectangle the flares take half the width each and leave no
    // room for the bottom corners; on a short one neither may reach past the bottom edge, where
    // the outline would cross itself.
    readonly property real effectiveTopRadius: Math.max(0, Math.min(width / 2, topRadius, height))
    readonly property real effectiveBottomRadius: Math.max(0, Math.min(width / 2 - effectiveTopRadius,
                                                                       bottomRadius,
                                                                       height - effectiveTopRadius))

    ShapePath {
        id: outline

        readonly property real w: root.width
        readonly property real h: root.height
        readonly property real t: root.effectiveTopRadius
        readonly property real b: root.effectiveBottomRadius

        fillColor: Compositing.active ? root.fillColor : Qt.rgba(root.fillColor.r, root.fillColor.g, root.fillColor.b, 1)
        strokeColor: root.strokeColor
        strokeWidth: root.strokeWidth
        joinStyle: ShapePath.RoundJoin

        // The top edge, flush with the screen edge.
        startX: 0
        startY: 0
        PathLine { x: outline.w; y: 0 }
        // Top-right flare.
        PathQuad { x: outline.w - outline.t; y: outline.t; controlX: outline.w - outline.t; controlY: 0 }
        // Right side and bottom-right corner.
        PathLine { x: outline.w - outline.t; y: outline.h - outline.b }
        PathQuad { x: outline.w - outline.t - outline.b; y: outline.h; controlX: outline.w - outline.t; controlY: outline.h }
        // Bottom edge and bottom-left corner.
        PathLine { x: outline.t + outline.b; y: outline.h }
        PathQuad { x: outline.t; y: outline.h - outline.b; controlX: outline.t; controlY: outline.h }
        // Left side and top-left flare back to the start.
        PathLine { x: outline.t; y: outline.t }
        PathQuad { x: 0; y: 0; controlX: outline.t; controlY: 0 }
    }
}
