// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceBus.h"

#include "core/capture/CapturePause.h"
#include "core/support/Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace brisa {

InstanceBus::InstanceBus(QObject* parent)
    : QObject(parent)
{
}

InstanceBus::Claim InstanceBus::claim()
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        logf(LogCategory::App, "Sin bus de sesión D-Bus ({}): no se comprobará si ya hay otro Brisa en marcha",
             bus.lastError().message().toStdString());
        return Claim::NoBus;
    }
    if (bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return Claim::AlreadyRunning;
    if (!bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QString::fromLatin1(kService))) {
        // Lost a race with another Brisa starting at the same moment.
        bus.unregisterObject(QString::fromLatin1(kPath));
        return Claim::AlreadyRunning;
    }
    return Claim::Claimed;
}

bool InstanceBus::send(const RemoteCommand& command, std::string& error)
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        error = "no hay bus de sesión D-Bus";
        return false;
    }
    auto message = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                  QString::fromLatin1(kService),
                                                  QString::fromLatin1(busMethodName(command.kind)));
    if (command.kind == RemoteCommand::Kind::PasteSlot)
        message << command.slot;
    if (command.kind == RemoteCommand::Kind::Pause)
        message << command.minutes;
    message.setAutoStartService(remoteCommandInfo(command.kind).startsBrisa);
    // With no Brisa running, the bus starts the installed one (its D-Bus service file) and hands
    // it the call once it holds the name: the reply then waits for a whole start-up, which a
    // loaded machine can stretch well past the few seconds a running Brisa needs.
    const bool running = bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
    const auto reply = bus.call(message, QDBus::Block, running ? 5000 : 60000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
            || reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"))
            error = "Brisa no está en marcha";
        else if (reply.errorName().startsWith(QStringLiteral("org.freedesktop.DBus.Error.Spawn.")))
            error = "Brisa no está en marcha y el bus no pudo arrancarlo: " + reply.errorMessage().toStdString();
        else
            error = reply.errorMessage().toStdString();
        return false;
    }
    return true;
}

void InstanceBus::run(RemoteCommand command)
{
    logf(LogCategory::App, "Orden recibida: {}", remoteCommandInfo(command.kind).name);
    if (onCommand)
        onCommand(command);
}

bool InstanceBus::isRunning()
{
    auto bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
}

void InstanceBus::ReloadSnippets() { run({RemoteCommand::Kind::ReloadSnippets, 0}); }

void InstanceBus::Toggle() { run({RemoteCommand::Kind::Toggle, 0}); }
void InstanceBus::QuickNote() { run({RemoteCommand::Kind::QuickNote, 0}); }
void InstanceBus::BulkCopy() { run({RemoteCommand::Kind::BulkCopy, 0}); }
void InstanceBus::Settings() { run({RemoteCommand::Kind::Settings, 0}); }
void InstanceBus::Library() { run({RemoteCommand::Kind::Library, 0}); }

void InstanceBus::PasteSlot(int slot)
{
    if (slot < 0 || slot > 9) {
        logf(LogCategory::App, "Orden rechazada: paste-slot {} fuera de 0 a 9", slot);
        return;
    }
    run({RemoteCommand::Kind::PasteSlot, slot});
}

void InstanceBus::Pause(int minutes)
{
    if (minutes < 0 || minutes > CapturePause::kMaxMinutes) {
        logf(LogCategory::App, "Orden rechazada: pause {} minutos fuera de 0 a {}", minutes, CapturePause::kMaxMinutes);
        return;
    }
    run({.kind = RemoteCommand::Kind::Pause, .minutes = minutes});
}

void InstanceBus::Resume() { run({RemoteCommand::Kind::Resume, 0}); }

} // namespace brisa
