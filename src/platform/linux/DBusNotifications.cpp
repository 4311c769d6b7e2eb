// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/DBusNotifications.h"

#include "core/support/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>

namespace brisa {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
// A server that is up answers at once; this only bounds a hung one.
constexpr int kCallTimeoutMs = 3000;

} // namespace

DBusNotifications::DBusNotifications(QObject* parent) : QObject(parent)
{
    // Any sender: Qt drops a name's signals while it still learns who owns the name, and the
    // daemon is often started by our first Notify, just before the click that matters. Only ids
    // we were given count.
    auto bus = QDBusConnection::sessionBus();
    bus.connect(QString(), kPath, kInterface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, "NotificationClosed", this, SLOT(notificationClosed(uint, uint)));
}

QString DBusNotifications::escapeMarkup(const std::string& body)
{
    return QString::fromStdString(body).toHtmlEscaped();
}

bool DBusNotifications::failed(const QString& why)
{
    if (!outageLogged_)
        logf(LogCategory::Platform, "Notificaciones: {}", why.toStdString());
    outageLogged_ = true;
    return false;
}

bool DBusNotifications::show(const Notice& notice)
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return failed(QStringLiteral("no hay bus de sesión de D-Bus"));
    auto caps = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    const QDBusReply<QStringList> capabilities = bus.call(caps, QDBus::Block, kCallTimeoutMs);
    if (!capabilities.isValid())
        return failed(capabilities.error().message());
    const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
    const QString body = markup ? escapeMarkup(notice.body) : QString::fromStdString(notice.body);

    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromUtf8(kDesktopEntry));
    hints.insert(QStringLiteral("sound-name"), QString::fromUtf8(kSoundName));
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Brisa") << uint(0) << QString::fromUtf8(kDesktopEntry)
         << QString::fromStdString(notice.title) << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Abrir")} << hints << int(-1);
    const QDBusReply<uint> id = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (!id.isValid())
        return failed(id.error().message());
    outageLogged_ = false;
    keys_[id.value()] = notice.key;
    return true;
}

void DBusNotifications::actionInvoked(uint id, const QString& action)
{
    const auto found = keys_.find(id);
    if (found == keys_.end() || action != QStringLiteral("default"))
        return;
    if (clicks)
        clicks->notificationClicked(found->second);
}

void DBusNotifications::notificationClosed(uint id, uint) { keys_.erase(id); }

} // namespace brisa
