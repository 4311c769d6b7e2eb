// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/KWinFrontmostApplication.h"

#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

#include <system_error>

namespace brisa {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kPluginName = QStringLiteral("brisa-active-window");

QDBusMessage callKWin(QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args = {})
{
    auto call = QDBusMessage::createMethodCall(kKWin, path, interface, method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, 3000);
}

} // namespace

std::optional<std::string> KWinFrontmostApplication::identifierOf(const QString& desktopFileName,
                                                                  const QString& resourceClass)
{
    QString id = desktopFileName.trimmed();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    if (id.isEmpty())
        id = resourceClass.trimmed();
    if (id.isEmpty())
        return std::nullopt;
    return id.toStdString();
}

QString KWinFrontmostApplication::script(const QString& service)
{
    // The service is Brisa's unique name: quoted as JSON would, so that nothing in it can break out.
    QString quoted = service;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QStringLiteral(R"(function report(w) {
    if (!w) return;
    callDBus("%1", "%2", "org.brisa.ActiveWindow", "activated",
             String(w.desktopFileName || ""), String(w.resourceClass || ""));
}
if (workspace.windowActivated) {
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
)")
        .arg(quoted, QString::fromLatin1(kObjectPath));
}

KWinFrontmostApplication::KWinFrontmostApplication(QDBusConnection bus, std::filesystem::path scriptFile,
                                                   std::optional<std::vector<std::filesystem::path>> applicationDirs)
    : bus_(std::move(bus)), scriptFile_(std::move(scriptFile)), applicationDirs_(std::move(applicationDirs))
{
}

KWinFrontmostApplication::~KWinFrontmostApplication()
{
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
    if (bus_.isConnected()) {
        auto call = QDBusMessage::createMethodCall(kKWin, QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                                                   QStringLiteral("unloadScript"));
        call << kPluginName;
        bus_.asyncCall(call);
    }
    std::error_code ignored;
    std::filesystem::remove(scriptFile_, ignored);
}

std::unique_ptr<KWinFrontmostApplication> KWinFrontmostApplication::create(
    std::filesystem::path scriptFile, QDBusConnection bus, std::optional<std::vector<std::filesystem::path>> applicationDirs)
{
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kKWin))
        return nullptr;
    if (const auto error = writeFileAtomically(scriptFile, script(bus.baseService()).toStdString())) {
        logf(LogCategory::Platform, "No se pudo escribir el guion para KWin: {}", *error);
        return nullptr;
    }
    auto self = std::unique_ptr<KWinFrontmostApplication>(
        new KWinFrontmostApplication(bus, std::move(scriptFile), std::move(applicationDirs)));
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), self.get(), QDBusConnection::ExportAllSlots))
        return nullptr;
    const QString scripting = QStringLiteral("org.kde.kwin.Scripting");
    // A copy left by an earlier Brisa that did not quit cleanly would be refused by name.
    callKWin(bus, QStringLiteral("/Scripting"), scripting, QStringLiteral("unloadScript"), {kPluginName});
    const QDBusReply<int> id = callKWin(bus, QStringLiteral("/Scripting"), scripting, QStringLiteral("loadScript"),
                                        {QString::fromStdString(self->scriptFile_.string()), kPluginName});
    if (!id.isValid() || id.value() < 0) {
        logLine(LogCategory::Platform, "KWin no cargó el guion que dice qué ventana está activa");
        return nullptr;
    }
    // Plasma 6 names the script's object /Scripting/ScriptN, Plasma 5 /N.
    const QString script = QStringLiteral("org.kde.kwin.Script");
    for (const QString& path : {QStringLiteral("/Scripting/Script%1").arg(id.value()), QStringLiteral("/%1").arg(id.value())}) {
        if (callKWin(bus, path, script, QStringLiteral("run")).type() == QDBusMessage::ReplyMessage) {
            logLine(LogCategory::Platform, "KWin dice qué ventana está activa (por un guion de KWin)");
            return self;
        }
    }
    logLine(LogCategory::Platform, "KWin no ejecutó el guion que dice qué ventana está activa");
    return nullptr;
}

void KWinFrontmostApplication::activated(const QString& desktopFileName, const QString& resourceClass)
{
    active_ = identifierOf(desktopFileName, resourceClass);
}

std::optional<SourceApp> KWinFrontmostApplication::frontmost()
{
    if (!active_)
        return std::nullopt;
    if (!entries_)
        entries_ = DesktopEntries::scan(applicationDirs_ ? *applicationDirs_ : DesktopEntries::applicationDirs());
    SourceApp app;
    app.name = entries_->nameFor(*active_).value_or(*active_);
    app.bundleID = *active_;
    return app;
}

} // namespace brisa
