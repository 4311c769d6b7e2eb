// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/DesktopPortal.h"

#include "core/support/Log.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <atomic>

namespace brisa {

namespace {

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

/// Where the portal answers a request: /org/freedesktop/portal/desktop/request/SENDER/TOKEN, with
/// the caller's unique name written without its colon and with '_' for '.'.
QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0).replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

DesktopPortal::DesktopPortal(QDBusConnection bus) : bus_(std::move(bus)) {}

// The relays go with this object, and QtDBus forgets a receiver that is destroyed.
DesktopPortal::~DesktopPortal() = default;

QVariant DesktopPortal::property(const QString& interface, const QString& name, QDBusConnection bus, int timeoutMs)
{
    if (!bus.isConnected())
        return {};
    auto call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                               QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

std::uint32_t DesktopPortal::version(const QString& interface, QDBusConnection bus, int timeoutMs)
{
    const QVariant value = property(interface, QStringLiteral("version"), std::move(bus), timeoutMs);
    return value.isValid() ? value.toUInt() : 0;
}

QString DesktopPortal::token()
{
    static std::atomic<unsigned> next{0};
    return QStringLiteral("brisa%1").arg(++next);
}

QString DesktopPortal::pathText(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

void DesktopPortal::request(const QString& interface, const QString& method, QVariantList args, QVariantMap options,
                            Response done)
{
    const QString handle = token();
    options.insert(QStringLiteral("handle_token"), handle);
    const QString path = requestPath(bus_, handle);
    // Listening before calling: a quick portal may answer before the call returns.
    auto shared = std::make_shared<Response>(std::move(done));
    auto onResponse = std::make_shared<std::function<void(const QDBusMessage&)>>();
    auto relay = std::make_unique<detail::PortalSignalRelay>([onResponse](const QDBusMessage& m) { (*onResponse)(m); });
    detail::PortalSignalRelay* raw = relay.get();
    const auto finish = [this, raw, path, shared, alive = std::weak_ptr<char>(alive_)](std::uint32_t code,
                                                                                      const QVariantMap& results) {
        if (alive.expired() || !*shared)
            return;
        const Response respond = std::exchange(*shared, nullptr);
        bus_.disconnect(QString::fromLatin1(kService), path, kRequestInterface, QStringLiteral("Response"), raw,
                        SLOT(deliver(QDBusMessage)));
        respond(code, results);
    };
    *onResponse = [finish](const QDBusMessage& message) {
        const auto arguments = message.arguments();
        QVariantMap results;
        if (arguments.size() > 1)
            qvariant_cast<QDBusArgument>(arguments.at(1)) >> results;
        finish(arguments.isEmpty() ? Failed : arguments.first().toUInt(), results);
    };
    bus_.connect(QString::fromLatin1(kService), path, kRequestInterface, QStringLiteral("Response"), raw,
                 SLOT(deliver(QDBusMessage)));
    relays_.push_back(std::move(relay));

    auto call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath), interface, method);
    args.append(options);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), raw);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, raw, [finish, interface, method](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            logf(LogCategory::Platform, "El portal no atendió {}.{}: {}", interface.toStdString(), method.toStdString(),
                 w->error().message().toStdString());
            finish(Failed, {});
        }
    });
}

void DesktopPortal::send(const QString& interface, const QString& method, const QVariantList& args)
{
    auto call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath), interface, method);
    call.setArguments(args);
    call.setAutoStartService(false);
    bus_.asyncCall(call);
}

void DesktopPortal::subscribe(const QString& interface, const QString& name, std::function<void(const QDBusMessage&)> handler)
{
    auto relay = std::make_unique<detail::PortalSignalRelay>(std::move(handler));
    bus_.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), interface, name, relay.get(),
                 SLOT(deliver(QDBusMessage)));
    relays_.push_back(std::move(relay));
}

} // namespace brisa
