// SPDX-License-Identifier: GPL-3.0-or-later
// The toast's countdown: its outline without the top edge, from the top-left corner down, along
// the bottom and up to the top-right corner, drawn only from (1 - fraction) of its length to the
// end. The path renderer cannot trim a stroke, so the outline is flattened into a polyline once
// per size and the visible tail is cut from that on each change of fraction.
pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Shapes
import Brisa.Ui

Shape {
    id: root

    /// The share of the outline still drawn, 1 whole to 0 gone; it shrinks towards the top right.
    property real fraction: 1
    property real topRadius: Theme.toastFlare
    property real bottomRadius: Theme.toastBottomRadius
    property color strokeColor: Qt.rgba(1, 1, 1, 0.3)
    property real strokeWidth: 1.5

    // Straight lines need no more than their ends; each curve is cut into this many pieces.
    readonly property int curveSteps: 12

    readonly property var outline: {
        const w = width, h = height
        const t = Math.max(0, Math.min(w / 2, topRadius))
        const b = Math.max(0, Math.min(w / 2 - t, bottomRadius))
        let pts = [Qt.point(0, 0)]
        function quad(cx, cy, x, y) {
            const p0 = pts[pts.length - 1]
            for (let i = 1; i <= curveSteps; ++i) {
                const s = i / curveSteps, u = 1 - s
                pts.push(Qt.point(u * u * p0.x + 2 * u * s * cx + s * s * x,
                                  u * u * p0.y + 2 * u * s * cy + s * s * y))
            }
        }
        quad(t, 0, t, t)
        pts.push(Qt.point(t, h - b))
        quad(t, h, t + b, h)
        pts.push(Qt.point(w - t - b, h))
        quad(w - t, h, w - t, h - b)
        pts.push(Qt.point(w - t, t))
        quad(w - t, 0, w, 0)
        let lengths = [0]
        for (let i = 1; i < pts.length; ++i) {
            const dx = pts[i].x - pts[i - 1].x, dy = pts[i].y - pts[i - 1].y
            lengths.push(lengths[i - 1] + Math.sqrt(dx * dx + dy * dy))
        }
        return { points: pts, lengths: lengths, total: lengths[lengths.length - 1] }
    }

    // The part of the outline from (1 - fraction) of its length to its end.
    readonly property var tail: {
        const o = outline
        const f = Math.max(0, Math.min(1, fraction))
        if (f <= 0 || o.total <= 0)
            return []
        const from = (1 - f) * o.total
        let i = 1
        while (i < o.points.length - 1 && o.lengths[i] <= from)
            ++i
        const seg = o.lengths[i] - o.lengths[i - 1]
        const s = seg > 0 ? (from - o.lengths[i - 1]) / seg : 0
        const a = o.points[i - 1], c = o.points[i]
        let pts = [Qt.point(a.x + (c.x - a.x) * s, a.y + (c.y - a.y) * s)]
        for (; i < o.points.length; ++i)
            pts.push(o.points[i])
        return pts
    }

    visible: tail.length > 1

    ShapePath {
        strokeColor: root.strokeColor
        strokeWidth: root.strokeWidth
        fillColor: "transparent"
        capStyle: ShapePath.RoundCap
        joinStyle: ShapePath.RoundJoin
        PathPolyline { path: root.tail }
    }
}
