// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ShortcutRecorder.h"

#include "core/shortcuts/KeyTranslation.h"
#include "core/support/Log.h"

#include <utility>

namespace brisa {
namespace {

QString qstr(const std::string& s) { return QString::fromStdString(s); }

} // namespace

ShortcutRecorder::ShortcutRecorder(KeyboardShortcuts& shortcuts, ShortcutName name, ShortcutGrabs* grabs,
                                   QObject* parent)
    : QObject(parent), shortcuts_(shortcuts), name_(std::move(name)), grabs_(grabs)
{
    // A chord stored here would never fire: say where the user can bind the command instead.
    if (!grabs_)
        message_ = QString::fromUtf8(kNoGlobalShortcuts);
    std::weak_ptr<bool> alive = alive_;
    shortcuts_.onChanged([this, alive](const ShortcutName& changed) {
        if (alive.lock() && changed == name_)
            Q_EMIT textChanged();
    });
}

ShortcutRecorder::~ShortcutRecorder()
{
    if (recording_ && grabs_)
        grabs_->setPaused(false);
}

QString ShortcutRecorder::text() const
{
    const auto shortcut = shortcuts_.shortcut(name_);
    return shortcut ? qstr(desktopForm(*shortcut)) : QString();
}

void ShortcutRecorder::startRecording()
{
    setMessage({});
    if (!recording_)
        logf(LogCategory::Ui, "Grabando un atajo para {}", name_.rawValue);
    setRecording(true);
}

void ShortcutRecorder::cancelRecording() { setRecording(false); }

void ShortcutRecorder::clear()
{
    setRecording(false);
    setMessage({});
    shortcuts_.setShortcut(name_, std::nullopt);
}

bool ShortcutRecorder::keyPressed(int key, int modifiers)
{
    if (!recording_)
        return false;
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_AltGr:
        return true; // the chord is not complete yet
    default:
        break;
    }
    const int mask = carbonModifiersForQt(modifiers);
    if (key == Qt::Key_Escape && mask == 0) {
        cancelRecording();
        return true;
    }
    const auto keysym = keysymForQtKey(key);
    const auto code = keysym ? keyCodeForKeysym(*keysym) : std::nullopt;
    if (!code) {
        setMessage(QStringLiteral("Esa tecla no sirve para un atajo global"));
        return true;
    }
    // A global shortcut without Ctrl, Alt or Super would take that key from every application.
    if ((mask & ~shortcutModifier::shift) == 0) {
        setMessage(QStringLiteral("Usa Ctrl, Alt o Super con la tecla"));
        return true;
    }
    record({*code, mask});
    return true;
}

bool ShortcutRecorder::record(const Shortcut& shortcut)
{
    setRecording(false);
    if (shortcuts_.shortcut(name_) == shortcut) {
        setMessage({});
        return true;
    }
    if (!grabs_)
        shortcuts_.setShortcut(name_, shortcut); // nothing to grab: only stored
    const auto result = grabs_ ? grabs_->change(name_, shortcut) : GlobalHotkeys::GrabResult{true, 0};
    const QString chord = qstr(desktopForm(shortcut));
    if (!result) {
        logf(LogCategory::Ui, "Atajo {} rechazado para {} (estado {})", desktopForm(shortcut), name_.rawValue,
             result.status);
        QString why = QStringLiteral("No se pudo registrar %1").arg(chord);
        if (result.status == 10) // BadAccess: another program grabbed it first
            why = QStringLiteral("%1 ya lo usa otro programa").arg(chord);
        else if (result.status == GlobalHotkeys::statusDuplicate)
            why = QStringLiteral("%1 ya es otro atajo de Brisa").arg(chord);
        setMessage(why + QStringLiteral("; se mantiene el atajo anterior"));
        return false;
    }
    logf(LogCategory::Ui, "Atajo {} grabado para {}", desktopForm(shortcut), name_.rawValue);
    setMessage(grabs_ ? QString() : QString::fromUtf8(kNoGlobalShortcuts));
    Q_EMIT textChanged();
    return true;
}

void ShortcutRecorder::setRecording(bool on)
{
    if (recording_ == on)
        return;
    recording_ = on;
    if (grabs_)
        grabs_->setPaused(on);
    Q_EMIT recordingChanged();
}

void ShortcutRecorder::setMessage(const QString& message)
{
    if (message_ == message)
        return;
    message_ = message;
    Q_EMIT messageChanged();
}

std::optional<std::uint32_t> ShortcutRecorder::keysymForQtKey(int key)
{
    // Printable Latin-1 keys share their code with the keysym; letters come upper-case.
    if (key >= 0x20 && key <= 0x7e)
        return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbeu + static_cast<std::uint32_t>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return: return 0xff0d;
    case Qt::Key_Enter: return 0xff8d;
    case Qt::Key_Tab: return 0xff09;
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Delete: return 0xffff;
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Home: return 0xff50;
    case Qt::Key_Left: return 0xff51;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Right: return 0xff53;
    case Qt::Key_Down: return 0xff54;
    case Qt::Key_PageUp: return 0xff55;
    case Qt::Key_PageDown: return 0xff56;
    case Qt::Key_End: return 0xff57;
    default: return std::nullopt;
    }
}

int ShortcutRecorder::carbonModifiersForQt(int modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= shortcutModifier::control;
    if (modifiers & Qt::AltModifier)
        mask |= shortcutModifier::option;
    if (modifiers & Qt::ShiftModifier)
        mask |= shortcutModifier::shift;
    if (modifiers & Qt::MetaModifier)
        mask |= shortcutModifier::command;
    return mask;
}

} // namespace brisa
