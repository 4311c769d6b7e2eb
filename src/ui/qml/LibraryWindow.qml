// SPDX-License-Identifier: GPL-3.0-or-later
// The library window: toolbar, bulk actions bar, and the clips as cards, a list or a board.
// Layout only; the filters, the selection and every action live in LibraryViewModel.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Pane {
    id: root

    required property LibraryViewModel library

    readonly property ThemeColors colors: Theme.colors(library.theme)
    readonly property color ink: colors.ink
    readonly property color secondaryInk: Qt.rgba(ink.r, ink.g, ink.b, 0.55)
    readonly property color disabledInk: Qt.rgba(ink.r, ink.g, ink.b, 0.3)
    readonly property color quaternaryFill: Qt.rgba(ink.r, ink.g, ink.b, colors.light ? 0.06 : 0.08)
    readonly property color accent: "#0a84ff"

    width: 880
    height: 560
    padding: 0
    focus: true
    palette.window: colors.light ? "#f4f4f6" : "#1d1d20"
    palette.windowText: ink
    palette.base: colors.light ? "#ffffff" : "#2a2a2e"
    palette.alternateBase: colors.light ? "#f0f0f2" : "#26262a"
    palette.text: ink
    palette.button: colors.light ? "#e9e9ec" : "#333338"
    // Each state on its own: buttonText alone stands for all three, and as it follows the theme it
    // would overwrite the disabled one, so a disabled button would look live.
    palette.active.buttonText: ink
    palette.inactive.buttonText: ink
    palette.disabled.buttonText: disabledInk
    palette.highlight: accent
    palette.highlightedText: "white"
    palette.placeholderText: secondaryInk
    palette.mid: colors.light ? "#c8c8cc" : "#44444a"
    palette.dark: colors.light ? "#a0a0a6" : "#111114"
    palette.light: colors.light ? "#ffffff" : "#505056"

    function symbol(name: string, color: color): string { return Theme.symbol(name, color) }

    /// Keys of the whole window: typing goes to the search field, Ctrl+F goes there too, the
    /// arrows, Return, Delete and Escape go to the view model.
    function handleKey(event: KeyEvent, fromSearch: bool) {
        if (event.key === Qt.Key_F && (event.modifiers & Qt.ControlModifier)) {
            searchField.forceActiveFocus()
            searchField.selectAll()
            event.accepted = true
            return
        }
        // Ctrl+1, 2, 3: cards, list, board.
        if ((event.modifiers & Qt.ControlModifier) && event.key >= Qt.Key_1 && event.key <= Qt.Key_3) {
            root.library.viewMode = event.key - Qt.Key_1
            event.accepted = true
            return
        }
        // In the search field the sideways arrows move its cursor.
        if (fromSearch && (event.key === Qt.Key_Left || event.key === Qt.Key_Right))
            return
        if (fromSearch && event.key === Qt.Key_Delete && searchField.text.length > 0)
            return
        if (root.library.handleKey(event.key, content.columnsPerRow)) {
            event.accepted = true
            return
        }
        if (!fromSearch && event.text.length > 0 && event.text.charCodeAt(0) >= 32
                && !(event.modifiers & (Qt.ControlModifier | Qt.AltModifier | Qt.MetaModifier))) {
            searchField.forceActiveFocus()
            searchField.insert(searchField.cursorPosition, event.text)
            event.accepted = true
        }
    }
    Keys.onPressed: (event) => root.handleKey(event, false)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Toolbar
        RowLayout {
            Layout.fillWidth: true
            Layout.margins: 16
            spacing: 12

            Rectangle {
                Layout.fillWidth: true
                Layout.maximumWidth: 320
                // Narrow enough that the toolbar keeps a count of hundreds of thousands in selection mode.
                Layout.minimumWidth: 100
                implicitHeight: searchRow.implicitHeight + 14
                radius: 8
                color: root.quaternaryFill
                RowLayout {
                    id: searchRow
                    anchors.fill: parent
                    anchors.leftMargin: 10
                    anchors.rightMargin: 10
                    spacing: 6
                    Image {
                        Layout.preferredWidth: 14
                        Layout.preferredHeight: 14
                        sourceSize.width: 28
                        sourceSize.height: 28
                        source: root.symbol("magnifyingglass", root.secondaryInk)
                    }
                    TextField {
                        id: searchField
                        objectName: "searchField"
                        Layout.fillWidth: true
                        placeholderText: "Buscar… (@figma, @image para filtrar)"
                        text: root.library.search
                        onTextEdited: root.library.search = text
                        background: null
                        padding: 0
                        color: root.ink
                        Keys.onPressed: (event) => root.handleKey(event, true)
                    }
                }
            }

            ComboBox {
                objectName: "typeFilter"
                Layout.preferredWidth: 160
                model: root.library.typeFilterLabels
                currentIndex: root.library.typeFilter
                onActivated: (index) => root.library.typeFilter = index
                focusPolicy: Qt.NoFocus
            }

            // The layout picker: one segment per mode.
            Row {
                objectName: "viewModePicker"
                Layout.preferredWidth: 180
                Repeater {
                    model: root.library.viewModeLabels
                    delegate: Button {
                        id: segment
                        required property int index
                        required property string modelData
                        width: 60
                        text: modelData
                        checkable: true
                        checked: root.library.viewMode === index
                        focusPolicy: Qt.NoFocus
                        onClicked: root.library.viewMode = index
                        icon.source: root.symbol(root.library.viewModeSymbols[index], checked ? "white" : root.ink)
                        icon.width: 12
                        icon.height: 12
                        icon.color: "transparent"
                        display: AbstractButton.IconOnly
                        palette.button: checked ? root.accent : root.palette.button
                    }
                }
            }

            Button {
                id: spacesButton
                objectName: "spacesButton"
                text: "Categorías"
                icon.source: root.symbol("folder.badge.gearshape", root.ink)
                icon.color: "transparent"
                focusPolicy: Qt.NoFocus
                onClicked: root.library.showSpacesPopover = !root.library.showSpacesPopover

                LibrarySpacesPopover {
                    y: spacesButton.height + 6
                    library: root.library
                    ink: root.ink
                    secondaryInk: root.secondaryInk
                }
            }

            Item { Layout.fillWidth: true }

            Button {
                objectName: "selectButton"
                text: root.library.selectionMode ? "Cancelar selección" : "Seleccionar"
                focusPolicy: Qt.NoFocus
                onClicked: root.library.toggleSelectionMode()
            }

            Label {
                objectName: "countLabel"
                text: root.library.countText
                color: root.secondaryInk
                font.pointSize: Theme.applicationFont.pointSize - 1
            }
        }

        // Bulk actions bar
        Rectangle {
            objectName: "bulkBar"
            Layout.fillWidth: true
            visible: root.library.selectionMode
            implicitHeight: bulkRow.implicitHeight + 16
            color: Qt.rgba(0, 0.48, 1, 0.08)
            RowLayout {
                id: bulkRow
                anchors.fill: parent
                anchors.leftMargin: 16
                anchors.rightMargin: 16
                spacing: 12
                Label {
                    text: root.library.selectedText
                    font.bold: true
                    color: root.ink
                }
                Button {
                    objectName: "pinButton"
                    text: "Fijar"
                    focusPolicy: Qt.NoFocus
                    enabled: !root.library.deleting
                    onClicked: root.library.pinSelection(true)
                }
                Button {
                    objectName: "unpinButton"
                    text: "Quitar fijado"
                    focusPolicy: Qt.NoFocus
                    enabled: !root.library.deleting
                    onClicked: root.library.pinSelection(false)
                }
                Button {
                    id: moveButton
                    objectName: "moveButton"
                    text: "Mover a categoría"
                    visible: root.library.spaceNames.length > 0
                    focusPolicy: Qt.NoFocus
                    enabled: !root.library.deleting
                    onClicked: root.library.openMoveMenu()
                }
                Button {
                    objectName: "deleteButton"
                    text: "Eliminar"
                    focusPolicy: Qt.NoFocus
                    palette.buttonText: "#ff453a"
                    palette.disabled.buttonText: Qt.rgba(1, 0.27, 0.23, 0.35)
                    enabled: !root.library.deleting
                    onClicked: root.library.deleteSelection()
                }
                Item { Layout.fillWidth: true }
            }
        }

        Rectangle { // divider
            Layout.fillWidth: true
            implicitHeight: 1
            color: Qt.rgba(root.ink.r, root.ink.g, root.ink.b, 0.12)
        }

        Item {
            id: content
            Layout.fillWidth: true
            Layout.fillHeight: true
            /// Cards per row of the grid, for the arrow keys.
            readonly property int columnsPerRow: grid.columnsPerRow

            // Placeholder
            Column {
                objectName: "placeholder"
                anchors.centerIn: parent
                visible: root.library.count === 0
                spacing: 8
                Image {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 40
                    height: 40
                    sourceSize.width: 80
                    sourceSize.height: 80
                    source: root.symbol("tray", root.secondaryInk)
                }
                Label {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Sin elementos"
                    font.bold: true
                    font.pointSize: Theme.applicationFont.pointSize + 3
                    color: root.ink
                }
                Label {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Copia algo o ajusta los filtros."
                    color: root.secondaryInk
                }
            }

            // The three layouts stay made; only the one shown holds a model.
            LibraryCardGrid {
                id: grid
                anchors.fill: parent
                library: root.library
                active: root.library.viewMode === 0
                visible: active && root.library.count > 0
            }
            LibraryList {
                anchors.fill: parent
                library: root.library
                ink: root.ink
                secondaryInk: root.secondaryInk
                active: root.library.viewMode === 1
                visible: active && root.library.count > 0
            }
            LibraryBoard {
                anchors.fill: parent
                library: root.library
                ink: root.ink
                columnFill: root.quaternaryFill
                active: root.library.viewMode === 2
                visible: active && root.library.count > 0
            }
        }
    }
}
