// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: three tabs over SettingsViewModel. Layout only; every change goes through
// the view model at once, and nothing is written by merely showing a value.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Controls.Fusion
import QtQuick.Layouts

Pane {
    id: root

    required property SettingsViewModel settings
    /// The installed applications and open windows, for "Añadir app…"; null hides the button.
    property ApplicationPickerModel applications: null

    readonly property ThemeColors colors: Theme.colors(settings.theme)
    readonly property bool light: colors.light
    readonly property color ink: colors.ink
    readonly property color secondaryInk: Qt.rgba(ink.r, ink.g, ink.b, 0.6)
    readonly property color groupFill: light ? "#ffffff" : "#2f2f34"
    readonly property color groupBorder: light ? "#dcdce0" : "#3c3c42"
    readonly property color destructive: light ? "#d70015" : "#ff453a"
    readonly property int captionSize: Theme.applicationFont.pointSize - 1

    width: 480
    height: 360
    padding: 0
    focus: true

    palette.window: light ? "#f2f2f5" : "#232327"
    palette.windowText: ink
    palette.text: ink
    // Each state on its own: buttonText alone stands for all three, and as it follows the theme it
    // would overwrite the disabled one, so a disabled button would look live.
    palette.active.buttonText: ink
    palette.inactive.buttonText: ink
    palette.disabled.buttonText: Qt.rgba(ink.r, ink.g, ink.b, 0.3)
    palette.base: light ? "#ffffff" : "#1b1b1e"
    palette.alternateBase: light ? "#f6f6f8" : "#2a2a2e"
    palette.button: light ? "#e9e9ed" : "#3a3a40"
    palette.light: light ? "#ffffff" : "#4a4a52"
    palette.midlight: light ? "#f0f0f2" : "#404046"
    palette.mid: light ? "#c8c8cc" : "#2c2c30"
    palette.dark: light ? "#a8a8ae" : "#18181b"
    palette.shadow: light ? "#80000000" : "#000000"
    palette.highlight: "#2f7cf6"
    palette.highlightedText: "#ffffff"
    palette.placeholderText: secondaryInk

    function symbol(name: string): url { return Theme.symbol(name, root.ink) }

    component Caption: Label {
        font.pointSize: root.captionSize
        color: root.secondaryInk
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }

    component Headline: Label {
        font.pointSize: Theme.applicationFont.pointSize + 1
        font.weight: Font.DemiBold
    }

    /// A titled group of rows on a rounded ground. Margins are tight so that the General tab's
    /// four sections fit the fixed window without scrolling.
    component Section: ColumnLayout {
        id: section
        property string title
        default property alias rows: group.data
        Layout.fillWidth: true
        spacing: 3
        Label {
            visible: section.title !== ""
            text: section.title
            font.pointSize: root.captionSize
            font.weight: Font.DemiBold
            color: root.secondaryInk
            leftPadding: 4
        }
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: group.implicitHeight + 8
            radius: 8
            color: root.groupFill
            border.color: root.groupBorder
            ColumnLayout {
                id: group
                anchors.fill: parent
                anchors.margins: 4
                anchors.leftMargin: 10
                anchors.rightMargin: 8
                spacing: 2
            }
        }
    }

    /// A label with − and + buttons that stop at the stepper's ends.
    component StepperRow: RowLayout {
        id: stepperRow
        required property SettingsStepper stepper
        Layout.fillWidth: true
        spacing: 2
        Label {
            objectName: "stepperLabel"
            text: stepperRow.stepper.label
            Layout.fillWidth: true
        }
        Button {
            objectName: "decrement"
            text: "−"
            implicitWidth: 28
            implicitHeight: 22
            enabled: stepperRow.stepper.canDecrease
            autoRepeat: true
            onClicked: stepperRow.stepper.decrement()
        }
        Button {
            objectName: "increment"
            text: "+"
            implicitWidth: 28
            implicitHeight: 22
            enabled: stepperRow.stepper.canIncrease
            autoRepeat: true
            onClicked: stepperRow.stepper.increment()
        }
    }

    /// A label and a drop-down list that writes only when the user picks an entry.
    component PickerRow: RowLayout {
        id: pickerRow
        property alias title: pickerTitle.text
        property alias choices: combo.model
        required property int chosen
        signal picked(int index)
        Layout.fillWidth: true
        Label { id: pickerTitle; Layout.fillWidth: true }
        ComboBox {
            id: combo
            implicitHeight: 24
            Layout.preferredWidth: 200
            currentIndex: pickerRow.chosen
            onActivated: (index) => {
                pickerRow.picked(index)
                combo.currentIndex = Qt.binding(() => pickerRow.chosen)
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        TabBar {
            id: tabs
            objectName: "tabs"
            Layout.fillWidth: true
            Repeater {
                model: [{ label: "General", symbol: "gearshape" },
                        { label: "Privacidad", symbol: "hand.raised" },
                        { label: "Snippets", symbol: "text.insert" }]
                TabButton {
                    required property var modelData
                    text: modelData.label
                    icon.source: root.symbol(modelData.symbol)
                    icon.width: 16
                    icon.height: 16
                    icon.color: "transparent"
                }
            }
        }

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabs.currentIndex

            // General
            ScrollView {
                id: generalScroll
                objectName: "generalTab"
                contentWidth: availableWidth
                ColumnLayout {
                    width: generalScroll.availableWidth - 28
                    x: 14
                    spacing: 8
                    Item { implicitHeight: 2 }

                    Section {
                        title: "Atajo global"
                        ShortcutRecorderRow {
                            recorder: root.settings.recorder
                            destructive: root.destructive
                            secondaryInk: root.secondaryInk
                        }
                    }
                    Section {
                        title: "Historial"
                        StepperRow { objectName: "historyLimit"; stepper: root.settings.historyLimit }
                        StepperRow { objectName: "autoDeleteDays"; stepper: root.settings.autoDeleteDays }
                        Button {
                            objectName: "clearHistory"
                            visible: root.settings.canClearHistory
                            text: "Borrar historial…"
                            implicitHeight: 22
                            onClicked: {
                                confirmClear.question = root.settings.clearHistoryQuestion()
                                confirmClear.open()
                            }
                        }
                    }
                    Section {
                        title: "Panel (Quick Shelf)"
                        PickerRow {
                            objectName: "position"
                            title: "Posición"
                            choices: root.settings.positionLabels
                            chosen: root.settings.positionIndex
                            onPicked: (index) => root.settings.choosePosition(index)
                        }
                        StepperRow { objectName: "panelScale"; stepper: root.settings.panelScale }
                        PickerRow {
                            objectName: "defaultTab"
                            title: "Pestaña al abrir"
                            choices: root.settings.tabLabels
                            chosen: root.settings.defaultTabIndex
                            onPicked: (index) => root.settings.chooseDefaultTab(index)
                        }
                    }
                    Section {
                        Switch {
                            id: login
                            objectName: "launchAtLogin"
                            Layout.fillWidth: true
                            topPadding: 2
                            bottomPadding: 2
                            text: "Abrir Brisa al iniciar sesión"
                            checked: root.settings.launchAtLogin
                            onToggled: {
                                root.settings.chooseLaunchAtLogin(login.checked)
                                login.checked = Qt.binding(() => root.settings.launchAtLogin)
                            }
                        }
                    }
                    Item { implicitHeight: 2 }
                }
            }

            // Privacidad
            ColumnLayout {
                objectName: "privacyTab"
                spacing: 6
                Item { implicitHeight: 4 }
                Headline { text: "Apps en lista negra"; Layout.leftMargin: 16 }
                Caption {
                    text: "El contenido copiado desde estas apps nunca se guarda. Las contraseñas de gestores marcados como sensibles ya se ignoran automáticamente."
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                }
                Rectangle {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.minimumHeight: 140
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                    radius: 8
                    color: root.groupFill
                    border.color: root.groupBorder
                    ListView {
                        id: blockedList
                        objectName: "blockedList"
                        anchors.fill: parent
                        anchors.margins: 4
                        clip: true
                        model: root.settings.blockedApps
                        ScrollBar.vertical: ScrollBar {}
                        delegate: RowLayout {
                            id: blockedRow
                            required property string identifier
                            required property string name
                            required property string iconUrl
                            width: blockedList.width
                            spacing: 8
                            Image {
                                Layout.leftMargin: 6
                                Layout.preferredWidth: 20
                                Layout.preferredHeight: 20
                                sourceSize.width: 40
                                sourceSize.height: 40
                                source: Theme.symbol("app.dashed", root.ink, blockedRow.iconUrl)
                            }
                            Label {
                                visible: blockedRow.name !== ""
                                text: blockedRow.name
                                elide: Text.ElideRight
                                Layout.maximumWidth: 170
                            }
                            Label {
                                text: blockedRow.identifier
                                font.pointSize: root.captionSize
                                color: blockedRow.name !== "" ? root.secondaryInk : root.ink
                                elide: Text.ElideMiddle
                                Layout.fillWidth: true
                            }
                            ToolButton {
                                objectName: "removeBlocked"
                                icon.source: Theme.symbol("trash", root.destructive)
                                icon.color: "transparent"
                                icon.width: 16
                                icon.height: 16
                                implicitHeight: 26
                                implicitWidth: 30
                                onClicked: root.settings.removeBlockedApp(blockedRow.identifier)
                            }
                        }
                    }
                }
                Button {
                    objectName: "addBlocked"
                    visible: root.applications !== null
                    Layout.leftMargin: 16
                    Layout.bottomMargin: 12
                    text: "Añadir app…"
                    icon.source: root.symbol("plus")
                    icon.color: "transparent"
                    icon.width: 14
                    icon.height: 14
                    onClicked: picker.open()
                }
            }

            // Snippets
            ColumnLayout {
                objectName: "snippetsTab"
                spacing: 6
                Item { implicitHeight: 4 }
                Headline { text: "Atajos inline"; Layout.leftMargin: 16 }
                Caption {
                    text: "Escribe el atajo (ej. \";welcome\") en cualquier campo de cualquier app y se expande al texto guardado."
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                }
                Rectangle {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.minimumHeight: 120
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                    radius: 8
                    color: root.groupFill
                    border.color: root.groupBorder
                    ListView {
                        id: snippetList
                        objectName: "snippetList"
                        anchors.fill: parent
                        anchors.margins: 4
                        clip: true
                        model: root.settings.snippets
                        ScrollBar.vertical: ScrollBar {}
                        delegate: RowLayout {
                            id: snippetRow
                            required property int index
                            required property string shortcut
                            required property string content
                            width: snippetList.width
                            spacing: 8
                            Label {
                                Layout.leftMargin: 6
                                Layout.preferredWidth: 100
                                text: snippetRow.shortcut
                                font.family: "monospace"
                                font.bold: true
                                elide: Text.ElideRight
                            }
                            Label {
                                Layout.fillWidth: true
                                text: snippetRow.content
                                font.pointSize: root.captionSize
                                color: root.secondaryInk
                                maximumLineCount: 1
                                elide: Text.ElideRight
                                textFormat: Text.PlainText
                            }
                            ToolButton {
                                objectName: "removeSnippet"
                                icon.source: Theme.symbol("trash", root.destructive)
                                icon.color: "transparent"
                                icon.width: 16
                                icon.height: 16
                                implicitHeight: 26
                                implicitWidth: 30
                                onClicked: root.settings.removeSnippet(snippetRow.index)
                            }
                        }
                    }
                }
                RowLayout {
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                    Layout.bottomMargin: 12
                    spacing: 6
                    TextField {
                        objectName: "newShortcut"
                        Layout.preferredWidth: 100
                        placeholderText: ";atajo"
                        text: root.settings.newShortcut
                        onTextEdited: root.settings.newShortcut = text
                    }
                    TextField {
                        objectName: "newContent"
                        Layout.fillWidth: true
                        placeholderText: "Texto a expandir"
                        text: root.settings.newContent
                        onTextEdited: root.settings.newContent = text
                    }
                    Button {
                        objectName: "addSnippet"
                        text: "Añadir"
                        enabled: root.settings.canAddSnippet
                        onClicked: root.settings.addSnippet()
                    }
                }
            }
        }
    }

    Dialog {
        id: confirmClear
        objectName: "confirmClear"
        property string question
        title: "Borrar historial"
        modal: true
        anchors.centerIn: parent
        width: 340
        Label {
            width: parent.width
            text: confirmClear.question
            wrapMode: Text.WordWrap
        }
        footer: RowLayout {
            spacing: 8
            Item { Layout.fillWidth: true }
            Button { text: "Cancelar"; onClicked: confirmClear.reject() }
            Button {
                objectName: "confirmClearButton"
                text: "Borrar"
                palette.buttonText: root.destructive
                Layout.rightMargin: 12
                Layout.bottomMargin: 12
                onClicked: confirmClear.accept()
            }
        }
        onAccepted: root.settings.clearHistory()
    }

    ApplicationPicker {
        id: picker
        objectName: "picker"
        model: root.applications
        ink: root.ink
        secondaryInk: root.secondaryInk
        anchors.centerIn: parent
        onChosen: (identifier) => root.settings.addBlockedApp(identifier)
    }
}
