// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/settings/SettingsEnums.h"

#include <functional>
#include <memory>

class QMenu;
class QObject;

namespace brisa {

class BulkCopyService;
class ImageClipOperations;
class PasteService;
class SpaceStore;
class Storage;

/// The context menu of a clip, one for the panel's cards and the library's: paste, copy, the image
/// operations, recognised text, the batch, the reminder, the space, the pin and deleting.
struct ClipMenu {
    PasteService& paster;
    Storage& storage;
    BulkCopyService& bulkCopy;
    SpaceStore& spaces;
    /// The image operations; none: their entries are shown greyed for an image clip.
    ImageClipOperations* images = nullptr;
    AppTheme theme = AppTheme::Dark;

    /// "Pegar": the window's own way of pasting (giving the focus back first).
    std::function<void(const ClipItem&)> paste{};
    /// "Poner/Cambiar recordatorio…": asks for the date and stores it.
    std::function<void(const ClipItem&)> promptReminder{};
    /// "Eliminar".
    std::function<void(const ClipItem&)> remove{};
    /// After an entry changed the clip in place (a pin, a space, a reminder removed).
    std::function<void()> changed{};
    /// The panel's "Enviar…" after "Copiar", filled into the menu it is given; none: no such entry.
    std::function<void(QMenu& menu, const ClipItem&)> share{};

    /// The menu for item; its actions run in context (they die with it).
    std::unique_ptr<QMenu> build(const ClipItem& item, QObject* context) const;

    /// "Redimensionar"'s entries (75%, 50%, 25%) and "Convertir formato"'s (PNG, JPEG, TIFF) for id.
    static void fillResize(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context);
    static void fillConvert(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context);
};

} // namespace brisa
