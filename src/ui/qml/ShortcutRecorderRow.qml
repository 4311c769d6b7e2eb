// SPDX-License-Identifier: GPL-3.0-or-later
// "Abrir panel:" and the recorder of the panel's shortcut: a click starts recording, the next
// chord pressed becomes the shortcut; a refusal is shown under it. Rules in ShortcutRecorder.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

ColumnLayout {
    id: row

    property ShortcutRecorder recorder: null
    property color destructive: "red"
    property color secondaryInk: palette.windowText

    Layout.fillWidth: true
    spacing: 2

    RowLayout {
        Layout.fillWidth: true
        Label { text: "Abrir panel:"; Layout.fillWidth: true }
        Button {
            id: field
            objectName: "recorderField"
            enabled: row.recorder !== null
            implicitHeight: 26
            Layout.preferredWidth: 170
            checkable: false
            highlighted: row.recorder !== null && row.recorder.recording
            text: row.recorder === null ? "No disponible"
                  : row.recorder.recording ? "Pulsa el atajo…"
                  : row.recorder.text !== "" ? row.recorder.text : "Grabar atajo"
            onClicked: {
                row.recorder?.startRecording()
                field.forceActiveFocus()
            }
            onActiveFocusChanged: if (!field.activeFocus) row.recorder?.cancelRecording()
            Keys.onPressed: (event) => {
                if (row.recorder && row.recorder.recording)
                    event.accepted = row.recorder.keyPressed(event.key, event.modifiers)
            }
        }
        ToolButton {
            objectName: "recorderClear"
            visible: row.recorder !== null && row.recorder.text !== "" && !row.recorder.recording
            text: "×"
            implicitWidth: 24
            implicitHeight: 24
            onClicked: row.recorder?.clear()
        }
    }
    Label {
        objectName: "recorderMessage"
        visible: text !== ""
        text: row.recorder ? row.recorder.message : ""
        color: row.recorder && !row.recorder.globalShortcuts ? row.secondaryInk : row.destructive
        font.pointSize: Theme.applicationFont.pointSize - 1
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
}
