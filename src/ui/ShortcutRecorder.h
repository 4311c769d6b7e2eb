// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/KeyboardShortcuts.h"
#include "ui/ShortcutGrabs.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace brisa {

/// Records a new combination for one named shortcut: started by a click, it takes the next chord
/// pressed, asks the desktop for it at once and keeps it only when the grab succeeds; a chord
/// another program holds is refused with a message naming it, and the previous one stays active.
class ShortcutRecorder : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings window")
    /// The current combination as the desktop writes it ("Ctrl+Super+V"); empty when there is none.
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(bool recording READ recording NOTIFY recordingChanged)
    /// Why the last chord was refused, or that this session has no global shortcuts; empty otherwise.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    /// False where the session gives no global shortcuts, so the message is advice, not a refusal.
    Q_PROPERTY(bool globalShortcuts READ globalShortcuts CONSTANT)

public:
    /// shortcuts and grabs must outlive the recorder. The global shortcuts are let go through grabs
    /// while recording, so that the chord pressed reaches the recorder, and a new chord is grabbed
    /// through it; without grabs (no global shortcuts in this session) a chord is only stored.
    ShortcutRecorder(KeyboardShortcuts& shortcuts, ShortcutName name, ShortcutGrabs* grabs, QObject* parent = nullptr);
    ~ShortcutRecorder() override;

    /// Shown for good where the session gives Brisa no global shortcuts (a Wayland desktop without
    /// the shortcuts portal): the chord is kept, but only the desktop's own shortcuts can run it.
    static constexpr const char* kNoGlobalShortcuts = "Sin atajos globales aquí: asigna «brisa toggle» en el escritorio";

    QString text() const;
    bool recording() const { return recording_; }
    QString message() const { return message_; }
    bool globalShortcuts() const { return grabs_ != nullptr; }

    Q_INVOKABLE void startRecording();
    Q_INVOKABLE void cancelRecording();
    /// Leaves the name without a combination (ungrabbed at once).
    Q_INVOKABLE void clear();
    /// Takes a key press while recording (Qt key and modifiers, as QML's KeyEvent has them). Escape
    /// alone cancels; a lone modifier is waited past. True when the press was used.
    Q_INVOKABLE bool keyPressed(int key, int modifiers);

    /// Records a chord given in persisted form; the outcome shows in text and message.
    bool record(const Shortcut& shortcut);

    /// The X keysym of a Qt key, for the keys a shortcut may use; nullopt for others.
    static std::optional<std::uint32_t> keysymForQtKey(int key);
    /// The persisted modifier mask of Qt modifiers (Ctrl, Alt, Shift, Super).
    static int carbonModifiersForQt(int modifiers);

Q_SIGNALS:
    void textChanged();
    void recordingChanged();
    void messageChanged();

private:
    void setRecording(bool on);
    void setMessage(const QString& message);

    KeyboardShortcuts& shortcuts_;
    ShortcutName name_;
    ShortcutGrabs* grabs_;
    bool recording_ = false;
    QString message_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
