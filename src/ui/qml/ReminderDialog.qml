// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder dialog: layout only. Texts, the minimum and the fields' rules live in ReminderDialogModel.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Pane {
    id: root

    required property ReminderDialogModel model

    padding: 18
    focus: true
    Keys.onReturnPressed: root.model.schedule()
    Keys.onEnterPressed: root.model.schedule()
    Keys.onEscapePressed: root.model.cancel()

    component Field: SpinBox {
        id: spin
        required property string field
        required property int shown
        editable: true
        value: shown
        Layout.preferredWidth: field === "year" ? 96 : 72
        // The model may refuse or clamp a value: show what it kept.
        onValueModified: {
            root.model.setField(field, value)
            value = Qt.binding(() => spin.shown)
        }
        Accessible.name: field
    }

    ColumnLayout {
        spacing: 10

        Label {
            text: root.model.title
            font.pointSize: Theme.applicationFont.pointSize + 2
            font.weight: Font.DemiBold
        }
        Label {
            text: root.model.message
        }
        RowLayout {
            objectName: "picker"
            spacing: 4
            Field { objectName: "day"; field: "day"; shown: root.model.day; from: 1; to: 31 }
            Label { text: "/" }
            Field { objectName: "month"; field: "month"; shown: root.model.month; from: 1; to: 12 }
            Label { text: "/" }
            Field { objectName: "year"; field: "year"; shown: root.model.year; from: 1970; to: 2200
                    textFromValue: (v) => String(v) }
            Item { Layout.preferredWidth: 12 }
            Field { objectName: "hour"; field: "hour"; shown: root.model.hour; from: 0; to: 23 }
            Label { text: ":" }
            Field { objectName: "minute"; field: "minute"; shown: root.model.minute; from: 0; to: 59
                    textFromValue: (v) => (v < 10 ? "0" : "") + v }
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: 8
            Button {
                objectName: "cancel"
                text: root.model.cancelText
                onClicked: root.model.cancel()
            }
            Button {
                objectName: "schedule"
                text: root.model.scheduleText
                highlighted: true
                onClicked: root.model.schedule()
            }
        }
    }
}
