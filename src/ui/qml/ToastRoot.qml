// SPDX-License-Identifier: GPL-3.0-or-later
// The toast window's content: the pill, in the theme the panel uses.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Item {
    id: root

    required property ToastViewModel viewModel
    required property NotchPanelViewModel panel

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
