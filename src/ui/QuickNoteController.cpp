// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickNoteController.h"

#include "core/settings/KeyboardShortcuts.h"
#include "core/support/Log.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace brisa {
namespace {

constexpr int kReturnKeyCode = 36;
constexpr int kEscapeKeyCode = 53;

} // namespace

QuickNoteController::QuickNoteController(NoteStore* store, QObject* parent)
    : QObject(parent), store_(store)
{
}

void QuickNoteController::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    Q_EMIT textChanged();
    const bool canSave = !trimmedNote(text_).isEmpty();
    if (canSave != canSave_) {
        canSave_ = canSave;
        Q_EMIT canSaveChanged();
    }
}

QString QuickNoteController::title() { return QStringLiteral("Quick Note"); }
QString QuickNoteController::hint()
{
    // The chords as this desktop writes them, with the same words the keys had before.
    const std::string save = desktopForm({kReturnKeyCode, shortcutModifier::control});
    const std::string cancel = desktopForm({kEscapeKeyCode, 0});
    return QString::fromStdString(save + " guardar · " + cancel + " cancelar");
}
QString QuickNoteController::cancelLabel() { return QStringLiteral("Cancelar"); }
QString QuickNoteController::saveLabel() { return QStringLiteral("Guardar"); }

QFont QuickNoteController::editorFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont body = QGuiApplication::font();
    if (body.pointSizeF() > 0)
        font.setPointSizeF(body.pointSizeF());
    return font;
}

QString QuickNoteController::trimmedNote(const QString& text) { return text.trimmed(); }

bool QuickNoteController::save()
{
    const QString note = trimmedNote(text_);
    if (note.isEmpty())
        return false;
    if (!store_ || !store_->saveNote(note.toStdString())) {
        logLine(LogCategory::Ui, "No se pudo guardar la nota rápida");
        return false;
    }
    Q_EMIT saved();
    return true;
}

void QuickNoteController::cancel() { Q_EMIT cancelled(); }

} // namespace brisa
