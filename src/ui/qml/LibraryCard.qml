// SPDX-License-Identifier: GPL-3.0-or-later
// One clip of the library's grid or board: the panel's card at 212 × 138, with the selection
// badge at its top left in selection mode. A double click pastes, a single one selects in
// selection mode.
pragma ComponentBehavior: Bound

import QtQuick
import Brisa.Ui

Item {
    id: libraryCard

    required property LibraryViewModel library
    // Roles of the library's clip models.
    required property string clipId
    required property bool inSelection
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

    // The delegate may be wider than its card (a grid cell): the card sits centred at the top.
    implicitWidth: Theme.cardWidth
    implicitHeight: Theme.cardHeight

    ClipCard {
        id: card
        anchors.horizontalCenter: parent.horizontalCenter
        width: Theme.cardWidth
        height: Theme.cardHeight
        objectName: "libraryCard"
        kind: libraryCard.kind
        text: libraryCard.text
        url: libraryCard.url
        colorHex: libraryCard.colorHex
        color: libraryCard.color
        colorIsLight: libraryCard.colorIsLight
        fileName: libraryCard.fileName
        sourceAppName: libraryCard.sourceAppName
        sourceAppBundleID: libraryCard.sourceAppBundleID
        appIconUrl: libraryCard.appIconUrl
        age: libraryCard.age
        byteSizeText: libraryCard.byteSizeText
        pinned: libraryCard.pinned
        inBatch: libraryCard.inBatch
        thumbnailUrl: libraryCard.thumbnailUrl
        theme: libraryCard.library.theme
        shareable: false
        selected: libraryCard.clipId === libraryCard.library.currentId
        onActivated: libraryCard.library.cardClicked(libraryCard.clipId)
        onDoubleActivated: libraryCard.library.cardDoubleClicked(libraryCard.clipId)
        onMenuRequested: libraryCard.library.openMenu(libraryCard.clipId)
        onDragRequested: libraryCard.library.startDrag(libraryCard.clipId)
        onImageActionRequested: (action) => libraryCard.library.imageAction(libraryCard.clipId, action)
    }

    // The selection badge: a tick or a ring on a dark disc, 6 in from the top left corner.
    Rectangle {
        objectName: "selectionBadge"
        visible: libraryCard.library.selectionMode
        x: card.x + 6
        y: 6
        width: 22
        height: 22
        radius: 11
        color: Qt.rgba(0, 0, 0, 0.3)
        Image {
            anchors.centerIn: parent
            width: 18
            height: 18
            sourceSize.width: 36
            sourceSize.height: 36
            source: Theme.symbol(libraryCard.inSelection ? "checkmark.circle.fill" : "circle",
                                 libraryCard.inSelection ? "#0a84ff" : "white")
        }
    }
}
