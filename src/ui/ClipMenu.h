// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/settings/SettingsEnums.h"

#include <memory>

class QMenu;
class QObject;

namespace brisa {

class BulkCopyService;
class ImageClipOperations;
class PasteService;
class SpaceStore;
class Storage;

/// What a clip menu's entries do that depends on the window it opens in; the panel's and the
/// library's view models are the two.
class ClipActions {
public:
    /// "Pegar": the window's own way of pasting (giving the focus back first).
    virtual void pasteClip(const ClipItem& clip) = 0;
    /// "Poner/Cambiar recordatorio…": asks for the date and stores it.
    virtual void promptReminder(const ClipItem& clip) = 0;
    /// "Eliminar".
    virtual void removeClip(const ClipItem& clip) = 0;
    /// After an entry changed the clip in place (a pin, a space, a reminder removed).
    virtual void clipChanged() = 0;
    /// Whether "Enviar…" follows "Copiar"; fillShare adds it to the menu.
    virtual bool offersShare() const { return false; }
    virtual void fillShare(QMenu&, const ClipItem&) {}

protected:
    ~ClipActions() = default;
};

/// The context menu of a clip, one for the panel's cards and the library's: paste, copy, the image
/// operations, recognised text, the batch, the reminder, the space, the pin and deleting.
struct ClipMenu {
    /// Must outlive the menus built.
    ClipActions& actions;
    PasteService& paster;
    Storage& storage;
    BulkCopyService& bulkCopy;
    SpaceStore& spaces;
    /// The image operations; none: their entries are shown greyed for an image clip.
    ImageClipOperations* images = nullptr;
    AppTheme theme = AppTheme::Dark;

    /// The menu for item; its actions run in context (they die with it).
    std::unique_ptr<QMenu> build(const ClipItem& item, QObject* context) const;

    /// "Redimensionar"'s entries (75%, 50%, 25%) and "Convertir formato"'s (PNG, JPEG, TIFF) for id.
    static void fillResize(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context);
    static void fillConvert(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context);
};

} // namespace brisa
