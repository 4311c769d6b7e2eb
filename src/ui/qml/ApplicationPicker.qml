// SPDX-License-Identifier: GPL-3.0-or-later
// A searchable list of the installed applications and the windows open now; emits the identifier
// of the one chosen. Reusable: the model (ApplicationPickerModel) holds every rule.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Popup {
    id: picker

    property ApplicationPickerModel model: null
    property color ink: palette.windowText
    property color secondaryInk: Qt.rgba(ink.r, ink.g, ink.b, 0.6)
    property string acceptLabel: "Añadir"
    /// Stay open after a choice, for choosing several in a row.
    property bool keepOpen: false
    /// Choose desktop entries (chosenEntry) instead of window identifiers (chosen).
    property bool choosesEntries: false

    /// An application was chosen; identifier is never empty.
    signal chosen(string identifier)
    /// An installed application was chosen, by its desktop entry file; never empty.
    signal chosenEntry(string file)

    function choosable(row: int): bool {
        if (!picker.model || row < 0)
            return false
        return picker.choosesEntries ? picker.model.desktopFileAt(row) !== "" : picker.model.identifierAt(row) !== ""
    }

    modal: true
    focus: true
    width: 440
    height: 320
    padding: 10

    onAboutToShow: {
        if (picker.model) {
            picker.model.filter = ""
            picker.model.refresh()
        }
        search.text = ""
        list.currentIndex = list.count > 0 ? 0 : -1
        search.forceActiveFocus()
    }

    function accept() {
        // An application whose windows cannot be told apart, or a window without an entry: nothing to add.
        if (!picker.choosable(list.currentIndex))
            return
        if (picker.choosesEntries)
            picker.chosenEntry(picker.model.desktopFileAt(list.currentIndex))
        else
            picker.chosen(picker.model.identifierAt(list.currentIndex))
        if (!picker.keepOpen)
            picker.close()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 8

        TextField {
            id: search
            objectName: "pickerSearch"
            Layout.fillWidth: true
            placeholderText: "Buscar aplicación"
            onTextEdited: {
                if (picker.model)
                    picker.model.filter = search.text
                list.currentIndex = list.count > 0 ? 0 : -1
            }
            Keys.onDownPressed: list.incrementCurrentIndex()
            Keys.onUpPressed: list.decrementCurrentIndex()
            Keys.onReturnPressed: picker.accept()
            Keys.onEnterPressed: picker.accept()
        }

        ListView {
            id: list
            objectName: "pickerList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: picker.model
            highlightMoveDuration: 0
            ScrollBar.vertical: ScrollBar {}
            highlight: Rectangle { radius: 6; color: picker.palette.highlight; opacity: 0.35 }
            delegate: ItemDelegate {
                id: row
                required property int index
                required property string name
                required property string identifier
                required property string iconUrl
                required property string detail
                width: list.width
                height: 40
                opacity: picker.choosable(row.index) ? 1 : 0.5
                onClicked: list.currentIndex = row.index
                onDoubleClicked: { list.currentIndex = row.index; picker.accept() }
                contentItem: RowLayout {
                    spacing: 10
                    Image {
                        Layout.preferredWidth: 24
                        Layout.preferredHeight: 24
                        sourceSize.width: 48
                        sourceSize.height: 48
                        source: Theme.symbol("app.dashed", picker.ink, row.iconUrl)
                    }
                    ColumnLayout {
                        spacing: 0
                        Layout.fillWidth: true
                        Label { text: row.name; color: picker.ink; elide: Text.ElideRight; Layout.fillWidth: true }
                        Label {
                            text: row.detail
                            color: picker.secondaryInk
                            font.pointSize: Theme.applicationFont.pointSize - 2
                            elide: Text.ElideMiddle
                            Layout.fillWidth: true
                        }
                    }
                }
                background: Item {}
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: list.count === 1 ? "1 aplicación" : list.count + " aplicaciones"
                color: picker.secondaryInk
                font.pointSize: Theme.applicationFont.pointSize - 1
                Layout.fillWidth: true
            }
            Button { text: "Cancelar"; onClicked: picker.close() }
            Button {
                objectName: "pickerAccept"
                text: picker.acceptLabel
                highlighted: true
                enabled: picker.choosable(list.currentIndex)
                onClicked: picker.accept()
            }
        }
    }
}
