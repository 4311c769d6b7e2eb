// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/DesktopEntries.h"
#include "platform/FrontmostApplication.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// The frontmost application on KDE Plasma's Wayland session, which lists its windows to no client:
/// a small KWin script, loaded through KWin's D-Bus scripting interface, calls Brisa back on the
/// session bus each time a window is activated. The identifier is the window's desktop file name
/// (the app_id of Wayland programs), else its X11 class; the name comes from the .desktop file.
class KWinFrontmostApplication final : public QObject, public FrontmostApplication {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.brisa.ActiveWindow")

public:
    /// Where the script calls Brisa back, on Brisa's own connection.
    static constexpr const char* kObjectPath = "/org/brisa/ActiveWindow";

    /// nullptr when KWin is not on the bus or does not run the script. scriptFile: where the script
    /// is written for KWin to read. applicationDirs as for WaylandFrontmostApplication.
    static std::unique_ptr<KWinFrontmostApplication> create(
        std::filesystem::path scriptFile, QDBusConnection bus = QDBusConnection::sessionBus(),
        std::optional<std::vector<std::filesystem::path>> applicationDirs = std::nullopt);
    ~KWinFrontmostApplication() override;

    /// nullopt until KWin has told of an activated window with an identifier.
    std::optional<SourceApp> frontmost() override;

    /// The identifier of a KWin window: its desktop file name without ".desktop", else its class;
    /// nullopt when it has neither (the desktop itself, a window being closed).
    static std::optional<std::string> identifierOf(const QString& desktopFileName, const QString& resourceClass);
    /// The script KWin runs: it calls service's activated() at kObjectPath for the active window now
    /// and for each one activated later (Plasma 6 and 5 name the signal differently).
    static QString script(const QString& service);

public Q_SLOTS:
    /// Called by the script.
    Q_NOREPLY void activated(const QString& desktopFileName, const QString& resourceClass);

private:
    KWinFrontmostApplication(QDBusConnection bus, std::filesystem::path scriptFile,
                             std::optional<std::vector<std::filesystem::path>> applicationDirs);

    QDBusConnection bus_;
    std::filesystem::path scriptFile_;
    std::optional<std::vector<std::filesystem::path>> applicationDirs_;
    std::optional<DesktopEntries> entries_;
    std::optional<std::string> active_;
};

} // namespace brisa
