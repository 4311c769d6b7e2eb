// SPDX-License-Identifier: GPL-3.0-or-later
// The toast window's content: the pill, in the theme the panel uses.
import QtQuick

Item {
    id: root

    required property QtObject viewModel
    required property QtObject panel

    readonly property rect blurArea: toast.blurArea
    readonly property real blurRadius: toast.blurRadius
    readonly property var visibleOutline: toast.visibleOutline

    ClipToast {
        id: toast
        anchors.fill: parent
        viewModel: root.viewModel
        theme: root.panel.theme
    }
}
