// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMenu.h"

#include "core/image/ImageClipOperations.h"
#include "core/image/ImageFileFormat.h"
#include "core/image/ImageProcessor.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/PasteService.h"
#include "core/paste/PasteTargets.h"
#include "core/store/Storage.h"
#include "core/stores/SpaceStore.h"
#include "ui/MenuTheme.h"

#include <QMenu>

namespace brisa {

std::unique_ptr<QMenu> ClipMenu::build(const ClipItem& item, QObject* context) const
{
    auto owned = std::make_unique<QMenu>();
    QMenu& menu = *owned;
    auto add = [&](QMenu& into, const QString& title, std::function<void()> action) {
        return into.addAction(title, context, std::move(action));
    };
    add(menu, QStringLiteral("Pegar"), [&actions = actions, item] { actions.pasteClip(item); });
    add(menu, QStringLiteral("Copiar"), [&paster = paster, item] { paster.writeToPasteboard(item); });
    const bool share = actions.offersShare();
    if (share)
        actions.fillShare(menu, item);
    if (ImageProcessor::isProcessable(item)) {
        if (share)
            menu.addSeparator();
        ImageClipOperations* ops = images;
        const auto id = item.id;
        QList<QAction*> entries;
        entries << add(menu, QStringLiteral("Quitar peso (comprimir)"), [ops, id] { if (ops) ops->compressToNewClip(id); });
        entries << add(menu, QStringLiteral("Quitar fondo (transparente)"),
                       [ops, id] { if (ops) ops->removeBackgroundToNewClip(id); });
        QMenu* resize = menu.addMenu(QStringLiteral("Redimensionar"));
        fillResize(*resize, ops, id, context);
        QMenu* convert = menu.addMenu(QStringLiteral("Convertir formato"));
        fillConvert(*convert, ops, id, context);
        entries << resize->menuAction() << convert->menuAction();
        if (!ops) // offered, but not where the session has no image operations
            for (QAction* entry : entries)
                entry->setEnabled(false);
    }
    if (item.ocrText && !item.ocrText->empty())
        add(menu, QStringLiteral("Copiar texto reconocido"),
            [&paster = paster, text = *item.ocrText] { paster.writeTargets(textTargets(text)); });
    if (item.batchID) {
        if (share)
            menu.addSeparator();
        add(menu, QStringLiteral("Pegar grupo completo"),
            [&bulk = bulkCopy, batch = *item.batchID] { bulk.pasteGroup(batch); });
    }
    menu.addSeparator();
    add(menu, item.reminderDate ? QStringLiteral("Cambiar recordatorio…") : QStringLiteral("Poner recordatorio…"),
        [&actions = actions, item] { actions.promptReminder(item); });
    if (item.reminderDate) {
        add(menu, QStringLiteral("Quitar recordatorio"), [&storage = storage, &actions = actions, id = item.id] {
            storage.setReminder(id, std::nullopt);
            actions.clipChanged();
        });
    }
    if (!spaces.spaces().empty()) {
        QMenu* move = menu.addMenu(QStringLiteral("Mover a categoría"));
        auto file = [&storage = storage, &actions = actions, id = item.id](std::optional<Uuid> space) {
            storage.setSpace(id, space);
            actions.clipChanged();
        };
        add(*move, QStringLiteral("Sin categoría"), [file] { file(std::nullopt); });
        for (const auto& space : spaces.spaces())
            add(*move, menuItemTitle(QString::fromStdString(space.name)), [file, id = space.id] { file(id); });
    }
    menu.addSeparator();
    add(menu, item.isPinned ? QStringLiteral("Quitar de favoritos") : QStringLiteral("Fijar como favorito"),
        [&storage = storage, &actions = actions, item] {
            storage.setPinned(item.id, !item.isPinned);
            actions.clipChanged();
        });
    menu.addSeparator();
    add(menu, QStringLiteral("Eliminar"), [&actions = actions, item] { actions.removeClip(item); });
    applyMenuTheme(menu, theme);
    return owned;
}

void ClipMenu::fillResize(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context)
{
    for (double scale : ImageProcessor::kResizeScales)
        menu.addAction(QString::fromStdString(ImageProcessor::scaleLabel(scale)), context, [ops, id, scale] {
            if (ops)
                ops->resizeToNewClip(id, scale);
        });
}

void ClipMenu::fillConvert(QMenu& menu, ImageClipOperations* ops, const Uuid& id, QObject* context)
{
    for (auto format : kImageFileFormats)
        menu.addAction(QString::fromUtf8(label(format).data(), static_cast<qsizetype>(label(format).size())), context,
                       [ops, id, format] {
                           if (ops)
                               ops->convertToNewClip(id, format);
                       });
}

} // namespace brisa
