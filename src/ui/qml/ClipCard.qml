// SPDX-License-Identifier: GPL-3.0-or-later
// One clip as a card: a preview by kind, and a footer with where it came from, its age and size.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui
import QtQuick.Layouts

Item {
    id: card

    // Roles of the strip's model.
    required property string kind
    required property string text
    required property string url
    required property string colorHex
    required property color color
    required property bool colorIsLight
    required property string fileName
    required property string sourceAppName
    required property string sourceAppBundleID
    required property string appIconUrl
    required property string age
    required property string byteSizeText
    required property bool pinned
    required property bool inBatch
    required property string thumbnailUrl

    property string theme: "dark"
    property bool selected: false
    /// Whether the share button shows on hover (the library has no "Enviar…").
    property bool shareable: true
    signal activated()
    /// A second click of a double click with the left button (the first one was activated()).
    signal doubleActivated()
    signal menuRequested()
    signal dragRequested()
    /// A hover action of an image card: "compress", "remove-background", "resize" or "convert".
    signal imageActionRequested(string action)
    /// The share button: "Enviar…" for this clip.
    signal shareRequested()
    readonly property bool processable: kind === "image" || kind === "screenshot"

    readonly property ThemeColors colors: Theme.colors(theme)
    // On a colour card the text stands on the colour itself.
    readonly property color ink: kind === "color" ? (colorIsLight ? "black" : "white") : colors.ink
    readonly property bool hovering: mouse.containsMouse
    // A card taken back from the strip's pool to show another clip takes that clip's look at once:
    // its hover and selection animations only play for changes on screen.
    property bool animated: true
    ListView.onPooled: animated = false
    ListView.onReused: reanimate.restart()
    // Once the reused card has taken its clip's values.
    Timer { id: reanimate; interval: 0; onTriggered: card.animated = true }

    // The card's mouse area sits over everything (hover scale, click, drag), so the footer icons
    // learn they are hovered from its position rather than from hover handlers of their own.
    function pointerOver(item) {
        if (!mouse.containsMouse || !item.visible)
            return false
        const p = item.mapFromItem(mouse, mouse.mouseX, mouse.mouseY)
        return p.x >= -2 && p.y >= -2 && p.x < item.width + 2 && p.y < item.height + 2
    }

    function symbol(name) { return Theme.symbol(name, card.ink) }
    readonly property string kindSymbol: ({
        "text": "text.alignleft", "code": "chevron.left.forwardslash.chevron.right", "link": "link",
        "image": "photo", "file": "doc", "color": "paintpalette", "screenshot": "camera.viewfinder"
    })[kind] || "text.alignleft"

    scale: hovering && !selected ? 1.02 : 1
    Behavior on scale {
        enabled: card.animated
        SpringAnimation { spring: Springs.spring(0.3, 0.7); damping: Springs.damping(0.3, 0.7); epsilon: 0.001 }
    }

    Rectangle {
        id: body
        anchors.fill: parent
        radius: Theme.cardRadius
        clip: true
        color: card.kind === "color" ? card.color : card.colors.cardFill
        border.width: card.selected ? 2 : 1
        border.color: card.selected ? card.colors.cardSelectedBorder : card.colors.cardBorder
        // Selection comes and goes with the hover's spring; a colour cannot spring, so it eases.
        Behavior on border.width {
            enabled: card.animated
            SpringAnimation { spring: Springs.spring(0.3, 0.7); damping: Springs.damping(0.3, 0.7); epsilon: 0.01 }
        }
        Behavior on border.color {
            enabled: card.animated
            ColorAnimation { duration: 300; easing.type: Easing.OutCubic }
        }

        // Preview
        Item {
            id: preview
            anchors { left: parent.left; right: parent.right; top: parent.top; bottom: footer.top; margins: 8 }

            Rectangle { // text and code on a faint ground
                anchors.fill: parent
                visible: card.kind === "text" || card.kind === "code"
                radius: Theme.previewRadius
                color: card.colors.previewFill
                Text {
                    anchors.fill: parent
                    anchors.margins: 12
                    text: card.text
                    textFormat: Text.PlainText // a clip's markup is shown, never obeyed
                    color: card.ink
                    font.pixelSize: Theme.bodyText
                    font.family: card.kind === "code" ? "monospace" : Theme.applicationFont.family
                    wrapMode: Text.Wrap
                    elide: Text.ElideRight
                    clip: true
                }
            }

            Rectangle { // link: a gradient, the symbol and the address
                anchors.fill: parent
                visible: card.kind === "link"
                radius: Theme.previewRadius
                gradient: Gradient {
                    GradientStop { position: 0; color: card.colors.linkTop }
                    GradientStop { position: 1; color: card.colors.linkBottom }
                }
                Column {
                    anchors.centerIn: parent
                    width: parent.width - 20
                    spacing: 6
                    Image {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 30; height: 30
                        sourceSize.width: 60; sourceSize.height: 60
                        source: card.symbol("link")
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: card.url
                        textFormat: Text.PlainText
                        color: card.ink
                        font.pixelSize: Theme.bodyText
                        font.weight: Font.Medium
                        elide: Text.ElideMiddle
                    }
                }
            }

            Image { // image and screenshot thumbnails, decoded off the main thread
                id: thumb
                anchors.fill: parent
                visible: card.thumbnailUrl.length > 0 && status === Image.Ready
                source: card.thumbnailUrl
                asynchronous: true
                fillMode: Image.PreserveAspectCrop
                sourceSize.width: 320; sourceSize.height: 200
            }
            Image { // no thumbnail (yet, or ever): the photo symbol
                anchors.centerIn: parent
                width: 30; height: 30
                sourceSize.width: 60; sourceSize.height: 60
                visible: (card.kind === "image" || card.kind === "screenshot") && thumb.status !== Image.Ready
                source: card.symbol("photo")
            }

            Column { // file: its icon and name
                anchors.centerIn: parent
                width: parent.width - 16
                visible: card.kind === "file"
                spacing: 6
                Image {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 34; height: 34
                    sourceSize.width: 68; sourceSize.height: 68
                    source: card.symbol("doc")
                }
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: card.fileName
                    textFormat: Text.PlainText
                    color: card.ink
                    font.pixelSize: Theme.smallText
                    elide: Text.ElideMiddle
                }
            }

            Text { // colour: its canonical hex on the colour itself
                anchors.centerIn: parent
                visible: card.kind === "color"
                text: card.colorHex
                textFormat: Text.PlainText
                color: card.ink
                font.family: "monospace"
                font.bold: true
                font.pixelSize: 16
            }
        }

        // Footer
        RowLayout {
            id: footer
            anchors { left: parent.left; right: parent.right; bottom: parent.bottom; margins: 10 }
            height: 16
            spacing: 5
            Image { // the source application's icon, else the kind's symbol
                id: origin
                objectName: "origin"
                Layout.preferredWidth: 12; Layout.preferredHeight: 12
                sourceSize.width: 24; sourceSize.height: 24
                source: card.appIconUrl !== "" ? Theme.symbol(card.kindSymbol, card.ink, card.appIconUrl)
                                               : card.symbol(card.kindSymbol)
            }
            Text {
                Layout.fillWidth: true
                text: card.age
                textFormat: Text.PlainText
                color: card.ink
                opacity: 0.6
                font.pixelSize: Theme.smallText
                elide: Text.ElideRight
            }
            Image {
                visible: card.pinned
                Layout.preferredWidth: 11; Layout.preferredHeight: 11
                sourceSize.width: 22; sourceSize.height: 22
                source: card.symbol("pin.fill")
            }
            Image {
                id: batchIcon
                objectName: "batchIcon"
                visible: card.inBatch
                Layout.preferredWidth: 11; Layout.preferredHeight: 11
                sourceSize.width: 22; sourceSize.height: 22
                source: card.symbol("square.stack.3d.up.fill")
            }
            Text {
                text: card.byteSizeText
                textFormat: Text.PlainText
                color: card.ink
                opacity: 0.6
                font.pixelSize: Theme.smallText
            }
        }

        // Help texts above the footer: the body clips, and the strip would cut off anything below.
        HelpTip {
            objectName: "appTip"
            anchors.bottom: footer.top
            anchors.bottomMargin: 4
            x: Math.max(6, footer.x + origin.x - 4)
            text: card.sourceAppName.length > 0 ? card.sourceAppName : card.sourceAppBundleID
            hovered: text.length > 0 && card.pointerOver(origin)
            colors: card.colors
        }
        HelpTip {
            objectName: "batchTip"
            anchors.bottom: footer.top
            anchors.bottomMargin: 4
            x: Math.min(body.width - width - 6, footer.x + batchIcon.x + batchIcon.width / 2 - width / 2)
            text: "Parte de un lote de Bulk Copy"
            hovered: card.pointerOver(batchIcon)
            colors: card.colors
        }
    }

    // The share button of every card, 8 in from the top right edge (left of an image's actions),
    // where it covers the least of a text; hit by position like the rest.
    Rectangle {
        id: shareButton
        objectName: "shareAction"
        anchors { top: parent.top; topMargin: 8 }
        anchors.right: card.processable ? imageActions.left : parent.right
        anchors.rightMargin: card.processable ? imageActions.spacing : 8
        visible: card.hovering && card.shareable
        z: 5
        readonly property bool over: card.pointerOver(this)
        width: 26; height: 26; radius: 13
        color: over ? card.colors.actionHoveredFill : card.colors.actionFill
        border.width: 1
        border.color: card.colors.actionBorder
        Image {
            anchors.centerIn: parent
            width: 11; height: 11
            sourceSize.width: 22; sourceSize.height: 22
            source: Theme.symbol("paperplane.fill", card.colors.ink)
        }
    }

    // Hover actions of image cards, 8 in from the top right edge. Like the footer icons they are
    // hit by position: the card's mouse area above them takes every click.
    Row {
        id: imageActions
        objectName: "imageActions"
        anchors { top: parent.top; right: parent.right; margins: 8 }
        spacing: 6
        visible: card.processable && card.hovering
        z: 5
        Repeater {
            id: imageActionButtons
            model: card.imageActionList
            delegate: Rectangle {
                id: actionButton
                required property var modelData
                objectName: "imageAction-" + modelData.action
                readonly property bool over: card.pointerOver(this)
                width: 26; height: 26; radius: 13
                color: over ? card.colors.actionHoveredFill : card.colors.actionFill
                border.width: 1
                border.color: card.colors.actionBorder
                Image {
                    anchors.centerIn: parent
                    width: 11; height: 11
                    sourceSize.width: 22; sourceSize.height: 22
                    source: Theme.symbol(actionButton.modelData.symbol, card.colors.ink)
                }
            }
        }
    }
    readonly property var imageActionList: [
        { action: "compress", symbol: "rectangle.compress.vertical", help: "Quitar peso (comprimir)" },
        { action: "remove-background", symbol: "wand.and.stars", help: "Quitar fondo (transparente)" },
        { action: "resize", symbol: "arrow.down.right.and.arrow.up.left", help: "Redimensionar" },
        { action: "convert", symbol: "arrow.triangle.2.circlepath", help: "Convertir formato" }
    ]
    /// The index of the hover action under the pointer, or -1.
    function imageActionIndexUnderPointer(): int {
        for (let i = 0; i < imageActionButtons.count; ++i)
            if (card.pointerOver(imageActionButtons.itemAt(i)))
                return i
        return -1
    }
    readonly property int imageActionOver: imageActionIndexUnderPointer()
    HelpTip {
        objectName: "imageActionTip"
        anchors.top: imageActions.bottom
        anchors.topMargin: 4
        anchors.right: imageActions.right
        text: card.imageActionOver >= 0 ? card.imageActionList[card.imageActionOver].help : ""
        hovered: card.imageActionOver >= 0
        colors: card.colors
    }

    /// The hover action under the pointer, or "".
    function imageActionUnderPointer() {
        const i = imageActions.visible ? card.imageActionIndexUnderPointer() : -1
        return i >= 0 ? card.imageActionList[i].action : ""
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        property point pressedAt
        property bool dragged: false
        onPressed: (m) => { pressedAt = Qt.point(m.x, m.y); dragged = false }
        onPositionChanged: (m) => {
            if (pressed && !dragged && (m.buttons & Qt.LeftButton)
                    && Math.abs(m.x - pressedAt.x) + Math.abs(m.y - pressedAt.y) > 8) {
                dragged = true
                card.dragRequested()
            }
        }
        onClicked: (m) => {
            if (dragged)
                return
            const action = m.button === Qt.LeftButton ? card.imageActionUnderPointer() : ""
            if (m.button === Qt.LeftButton && card.pointerOver(shareButton))
                card.shareRequested()
            else if (action !== "")
                card.imageActionRequested(action)
            else if (m.button === Qt.RightButton)
                card.menuRequested()
            else
                card.activated()
        }
        onDoubleClicked: (m) => {
            if (m.button === Qt.LeftButton && !dragged && card.imageActionUnderPointer() === ""
                    && !card.pointerOver(shareButton))
                card.doubleActivated()
        }
    }
}
