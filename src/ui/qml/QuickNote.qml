// SPDX-License-Identifier: GPL-3.0-or-later
// The quick note: layout only. Texts, the save rule and the shortcuts live in QuickNoteController.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Pane {
    id: root

    required property QuickNoteController controller

    width: 380
    padding: 16
    focus: true

    ColumnLayout {
        anchors.fill: parent
        spacing: 10

        Label {
            text: root.controller.title
            font.pointSize: Theme.applicationFont.pointSize + 2
            font.weight: Font.DemiBold
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.minimumHeight: 140
            Layout.preferredHeight: 140

            TextArea {
                id: editor
                objectName: "editor"
                focus: true
                wrapMode: TextEdit.Wrap
                font: root.controller.editorFont
                text: root.controller.text
                onTextChanged: root.controller.text = text
                background: Rectangle {
                    color: root.palette.base
                    radius: 8
                    border.width: 1
                    border.color: Qt.rgba(root.palette.text.r, root.palette.text.g, root.palette.text.b, 0.25)
                }
                Component.onCompleted: forceActiveFocus()
            }
        }

        RowLayout {
            Layout.fillWidth: true

            Label {
                text: root.controller.hint
                font.pointSize: Theme.applicationFont.pointSize - 1
                opacity: 0.6
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "cancelButton"
                text: root.controller.cancelLabel
                focusPolicy: Qt.NoFocus
                onClicked: root.controller.cancel()
            }
            Button {
                objectName: "saveButton"
                text: root.controller.saveLabel
                highlighted: true
                focusPolicy: Qt.NoFocus
                enabled: root.controller.canSave
                onClicked: root.controller.save()
            }
        }
    }
}
