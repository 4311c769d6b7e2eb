// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/XdgShareTargets.h"

#include "core/share/ShareFiles.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

namespace brisa {
namespace {

const QString kConnectService = QStringLiteral("org.kde.kdeconnect");
const QString kConnectPath = QStringLiteral("/modules/kdeconnect");
const QString kConnectDaemon = QStringLiteral("org.kde.kdeconnect.daemon");
const QString kConnectDevice = QStringLiteral("org.kde.kdeconnect.device");
const QString kConnectShare = QStringLiteral("org.kde.kdeconnect.device.share");
const QString kConnectSharePlugin = QStringLiteral("kdeconnect_share");
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalEmail = QStringLiteral("org.freedesktop.portal.Email");
const QString kPortalOpenUri = QStringLiteral("org.freedesktop.portal.OpenURI");
const QString kXdgEmail = QStringLiteral("xdg-email");
const QString kBluetoothSend = QStringLiteral("blueman-sendto");

// The menu waits for these while it opens: a daemon that is up answers at once, so they only
// bound a hung one.
constexpr int kProbeTimeoutMs = 500;
// Sends are not waited for; a portal may take a moment to start its backend.
constexpr int kSendTimeoutMs = 25000;

QString devicePath(const QString& id) { return kConnectPath + QStringLiteral("/devices/") + id; }

QString q(const std::string& text) { return QString::fromStdString(text); }

/// A descriptor of the file for a portal, which reads it on the caller's behalf; invalid (why
/// in error) when the file cannot be opened.
QDBusUnixFileDescriptor openForPortal(const QString& path, std::string& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "no se puede abrir " + path.toStdString() + ": " + std::strerror(errno);
        return {};
    }
    QDBusUnixFileDescriptor handle(fd); // keeps a duplicate of its own
    ::close(fd);
    return handle;
}

/// done runs once; a watcher or process that reports twice (an error, then its end) is heard once.
ShareTargets::Done once(ShareTargets::Done done)
{
    auto pending = std::make_shared<ShareTargets::Done>(std::move(done));
    return [pending](const std::string& error) {
        if (*pending)
            std::exchange(*pending, nullptr)(error);
    };
}

} // namespace

XdgShareTargets::XdgShareTargets(std::filesystem::path scratch, QObject* parent)
    : QObject(parent), scratch_(std::move(scratch))
{
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
}

bool XdgShareTargets::onBus(const QString& name, bool orStartable) const
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (bus.interface()->isServiceRegistered(name).value())
        return true;
    return orStartable && bus.interface()->activatableServiceNames().value().contains(name);
}

std::vector<ShareDevice> XdgShareTargets::devices() const
{
    // Only a daemon that already runs: started now, it would not have found any device yet.
    std::vector<ShareDevice> found;
    if (!onBus(kConnectService, false))
        return found;
    auto bus = QDBusConnection::sessionBus();
    auto list = QDBusMessage::createMethodCall(kConnectService, kConnectPath, kConnectDaemon, QStringLiteral("devices"));
    list << true << true; // reachable and paired
    const QDBusReply<QStringList> ids = bus.call(list, QDBus::Block, kProbeTimeoutMs);
    if (!ids.isValid())
        return found;
    for (const QString& id : ids.value()) {
        auto has = QDBusMessage::createMethodCall(kConnectService, devicePath(id), kConnectDevice,
                                                  QStringLiteral("hasPlugin"));
        has << kConnectSharePlugin;
        const QDBusReply<bool> shares = bus.call(has, QDBus::Block, kProbeTimeoutMs);
        if (!shares.isValid() || !shares.value())
            continue;
        auto get = QDBusMessage::createMethodCall(kConnectService, devicePath(id),
                                                  QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kConnectDevice << QStringLiteral("name");
        const QDBusReply<QDBusVariant> name = bus.call(get, QDBus::Block, kProbeTimeoutMs);
        found.push_back({id.toStdString(), name.isValid() ? name.value().variant().toString().toStdString() : ""});
    }
    return found;
}

ShareAvailability XdgShareTargets::available()
{
    ShareAvailability result;
    result.devices = devices();
    // The portal service starts on demand; an installed one counts.
    const bool portal = onBus(kPortalService, true);
    result.email = portal || !QStandardPaths::findExecutable(kXdgEmail).isEmpty();
    result.bluetooth = !QStandardPaths::findExecutable(kBluetoothSend).isEmpty();
    result.openWith = portal;
    return result;
}

void XdgShareTargets::send(const ShareTarget& target, const ShareContent& content, Done done)
{
    done = once(std::move(done));
    switch (target.kind) {
    case ShareTargetKind::Device: sendToDevice(q(target.deviceId), content, std::move(done)); return;
    case ShareTargetKind::Email: email(content, std::move(done)); return;
    case ShareTargetKind::Bluetooth: bluetooth(content, std::move(done)); return;
    case ShareTargetKind::OpenWith: openWith(content, std::move(done)); return;
    case ShareTargetKind::SaveAs: break;
    }
    done("Guardar como… no se envía a ningún servicio");
}

QString XdgShareTargets::fileFor(const ShareContent& content, const Done& done) const
{
    if (content.isFile()) {
        if (::access(content.value.c_str(), R_OK) != 0) {
            done("no se puede leer " + content.value + ": " + std::strerror(errno));
            return {};
        }
        return q(content.value);
    }
    const auto written = writeTextForSharing(content, scratch_);
    if (written.path.empty()) {
        done(written.error);
        return {};
    }
    return QString::fromStdString(written.path.string());
}

void XdgShareTargets::sendToDevice(const QString& id, const ShareContent& content, Done done)
{
    if (content.isFile() && ::access(content.value.c_str(), R_OK) != 0) {
        done("no se puede leer " + content.value + ": " + std::strerror(errno));
        return;
    }
    const bool file = content.isFile();
    auto message = QDBusMessage::createMethodCall(kConnectService, devicePath(id) + QStringLiteral("/share"),
                                                  kConnectShare,
                                                  file ? QStringLiteral("shareUrl") : QStringLiteral("shareText"));
    message << (file ? QUrl::fromLocalFile(q(content.value)).toString(QUrl::FullyEncoded) : q(content.value));
    call(message, std::move(done));
}

void XdgShareTargets::email(const ShareContent& content, Done done)
{
    if (onBus(kPortalService, true)) {
        QVariantMap options;
        if (content.isFile()) {
            std::string error;
            const auto fd = openForPortal(q(content.value), error);
            if (!fd.isValid()) {
                done(error);
                return;
            }
            options.insert(QStringLiteral("attachment_fds"), QVariant::fromValue(QList<QDBusUnixFileDescriptor>{fd}));
        } else {
            options.insert(QStringLiteral("body"), q(content.value));
        }
        auto message = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalEmail,
                                                      QStringLiteral("ComposeEmail"));
        message << QString() << options;
        call(message, std::move(done));
        return;
    }
    const QString program = QStandardPaths::findExecutable(kXdgEmail);
    if (program.isEmpty()) {
        done("no hay portal de escritorio ni xdg-email");
        return;
    }
    if (!content.isFile() && content.value.size() <= kMaxMailBodyBytes) {
        run(program, {QStringLiteral("--utf8"), QStringLiteral("--body"), q(content.value)}, std::move(done));
        return;
    }
    const QString path = fileFor(content, done);
    if (!path.isEmpty())
        run(program, {QStringLiteral("--attach"), path}, std::move(done));
}

void XdgShareTargets::bluetooth(const ShareContent& content, Done done)
{
    const QString program = QStandardPaths::findExecutable(kBluetoothSend);
    if (program.isEmpty()) {
        done("no se encuentra " + kBluetoothSend.toStdString());
        return;
    }
    const QString path = fileFor(content, done);
    if (!path.isEmpty())
        run(program, {path}, std::move(done));
}

void XdgShareTargets::openWith(const ShareContent& content, Done done)
{
    if (!content.isFile()) {
        done("un texto no se abre con otra aplicación");
        return;
    }
    std::string error;
    const auto fd = openForPortal(q(content.value), error);
    if (!fd.isValid()) {
        done(error);
        return;
    }
    auto message = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalOpenUri, QStringLiteral("OpenFile"));
    // ask: the desktop shows its chooser of applications even when it has a default one.
    message << QString() << QVariant::fromValue(fd) << QVariantMap{{QStringLiteral("ask"), true}};
    call(message, std::move(done));
}

void XdgShareTargets::call(const QDBusMessage& message, Done done)
{
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done("no hay bus de sesión de D-Bus");
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kSendTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        done(w->isError() ? w->error().message().toStdString() : std::string());
    });
}

void XdgShareTargets::run(const QString& program, const QStringList& arguments, Done done)
{
    auto* process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels); // its own complaints reach the log
    const std::string name = QFileInfo(program).fileName().toStdString();
    connect(process, &QProcess::errorOccurred, this, [process, done, name](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished
        done("no se puede ejecutar " + name + ": " + process->errorString().toStdString());
        process->deleteLater();
    });
    connect(process, &QProcess::finished, this, [process, done, name](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit)
            done(name + " terminó de forma anormal");
        else if (code != 0)
            done(name + " terminó con el código " + std::to_string(code));
        else
            done({});
        process->deleteLater();
    });
    process->start();
}

} // namespace brisa
