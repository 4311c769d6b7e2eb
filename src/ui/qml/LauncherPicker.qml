// SPDX-License-Identifier: GPL-3.0-or-later
// The window that adds applications to the launcher: the application picker, kept open so that
// several can be added in a row.
pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Fusion
import Brisa.Ui

Rectangle {
    id: root

    required property ApplicationPickerModel applications

    /// An application was chosen, by its desktop entry file.
    signal chosenEntry(string file)
    /// The picker was closed.
    signal done()

    color: picker.palette.window

    function show() { picker.open() }

    ApplicationPicker {
        id: picker
        objectName: "launcherPicker"
        model: root.applications
        keepOpen: true
        choosesEntries: true
        acceptLabel: "Añadir"
        x: 0
        y: 0
        width: root.width
        height: root.height
        onChosenEntry: (file) => root.chosenEntry(file)
        onClosed: root.done()
    }
}
