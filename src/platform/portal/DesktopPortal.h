// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace brisa {

namespace detail {
/// Hands a D-Bus signal to a function: QtDBus delivers signals to slots only.
class PortalSignalRelay : public QObject {
    Q_OBJECT
public:
    explicit PortalSignalRelay(std::function<void(const QDBusMessage&)> deliver) : deliver_(std::move(deliver)) {}
public Q_SLOTS:
    void deliver(const QDBusMessage& message) { deliver_(message); }

private:
    std::function<void(const QDBusMessage&)> deliver_;
};
} // namespace detail

/// The desktop portal (org.freedesktop.portal.Desktop): its calls answer later, through a Response
/// signal on a request object named after the caller and a token of the caller's choosing. Nothing
/// here blocks but version(); every answer arrives on the event loop.
class DesktopPortal {
public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kPath = "/org/freedesktop/portal/desktop";
    /// Response codes: the user agreed, the user said no, anything else.
    enum Code : std::uint32_t { Success = 0, Cancelled = 1, Failed = 2 };
    using Response = std::function<void(std::uint32_t code, const QVariantMap& results)>;

    explicit DesktopPortal(QDBusConnection bus = QDBusConnection::sessionBus());
    ~DesktopPortal();
    DesktopPortal(const DesktopPortal&) = delete;
    DesktopPortal& operator=(const DesktopPortal&) = delete;

    /// The interface's "version" property; 0 when there is no portal, it lacks the interface or it
    /// does not answer within timeoutMs. Waits for the answer.
    static std::uint32_t version(const QString& interface, QDBusConnection bus = QDBusConnection::sessionBus(),
                                 int timeoutMs = 2000);
    /// A property of the portal's interface, waited for as version() is; invalid when there is none.
    static QVariant property(const QString& interface, const QString& name,
                             QDBusConnection bus = QDBusConnection::sessionBus(), int timeoutMs = 2000);

    /// Calls interface.method(args..., options) with a fresh handle_token in options; done runs
    /// once, with the Response, or with Failed and no results when the call itself fails.
    void request(const QString& interface, const QString& method, QVariantList args, QVariantMap options,
                 Response done);
    /// Calls interface.method(args...) and forgets it: no answer is awaited.
    void send(const QString& interface, const QString& method, const QVariantList& args);
    /// Runs handler for each interface.name signal the portal sends, as long as this object lives.
    void subscribe(const QString& interface, const QString& name, std::function<void(const QDBusMessage&)> handler);
    /// A token unique in this process, for handle_token and session_handle_token.
    static QString token();
    /// An object path sent as either "o" or "s" (portals differ on session handles), as text.
    static QString pathText(const QVariant& value);
    /// Lives as long as this object: the context for its delayed work.
    QObject* context() { return &context_; }

private:
    QDBusConnection bus_;
    QObject context_;
    std::vector<std::unique_ptr<detail::PortalSignalRelay>> relays_;
    /// Expires with this object: answers that arrive later find it gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
