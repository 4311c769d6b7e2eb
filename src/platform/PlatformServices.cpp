// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformServices.h"

#include "core/support/Log.h"
#include "platform/linux/InotifyDirectoryWatcher.h"
#include "platform/linux/XdgShareTargets.h"
#include "core/share/ShareFiles.h"
#include "platform/qt/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

#ifdef BRISA_WITH_X11
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11ColorSampler.h"
#include "platform/x11/X11CompositorWatch.h"
#include "platform/x11/X11FrontmostApplication.h"
#include "platform/x11/X11GlobalHotkeys.h"
#include "platform/x11/X11KeyWatcher.h"
#include "platform/x11/X11PanelWindowHints.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11WindowActivation.h"
#include "platform/x11/XTestKeySynthesizer.h"
#endif

#ifdef BRISA_WITH_WAYLAND
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandFrontmostApplication.h"
#include "platform/wayland/WaylandKeySynthesizer.h"
#include "platform/wayland/KWinFrontmostApplication.h"
#include "platform/portal/DesktopPortal.h"
#include "platform/portal/PortalGlobalHotkeys.h"
#include "platform/portal/PortalKeySynthesizer.h"
#include "core/store/Storage.h"
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace brisa {

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

#ifdef BRISA_WITH_WAYLAND
/// $XDG_RUNTIME_DIR (private to the user, gone at logout), else the temporary folder.
std::filesystem::path runtimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime ? std::filesystem::path(runtime) : std::filesystem::temp_directory_path();
}

/// Keystrokes and global shortcuts through the desktop's portals where the compositor gives clients
/// neither a virtual keyboard nor key grabs.
void usePortals(PlatformServices& services)
{
    const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
    if (!services.keys) {
        const auto version = DesktopPortal::version(remoteDesktop);
        const auto devices = DesktopPortal::property(remoteDesktop, QStringLiteral("AvailableDeviceTypes")).toUInt();
        if (version > 0 && (devices & 1))
            services.keys = std::make_unique<PortalKeySynthesizer>(version, Storage::appSupportDir() / "remote-desktop-token");
        else
            logLine(LogCategory::Platform, "Ni teclado virtual ni portal de escritorio remoto: sin pegado automático "
                                           "en las apps Wayland");
    }
    if (DesktopPortal::version(QStringLiteral("org.freedesktop.portal.GlobalShortcuts")) > 0)
        services.hotkeys = std::make_unique<PortalGlobalHotkeys>();
    else
        logLine(LogCategory::Platform, "El escritorio no ofrece el portal de atajos globales: los atajos de Brisa "
                                       "solo valen sobre sus ventanas; asígnalos en el compositor (brisa toggle, "
                                       "brisa paste-slot N)");
}

/// The clipboard, the mouse selection and the active application from the compositor, on one
/// connection of Brisa's own, and keystrokes on another; false when it offers no data control (the
/// clipboard cannot be watched).
bool useWaylandServices(PlatformServices& services, Scheduler& scheduler, bool hasX)
{
    auto connection = WaylandConnection::open();
    if (connection)
        services.clipboard = WaylandClipboard::create(connection, scheduler);
    if (connection) {
        services.frontmost = WaylandFrontmostApplication::create(connection);
        // KDE Plasma lists its windows to no client, but runs a script of Brisa's that tells them.
        if (!services.frontmost)
            services.frontmost = KWinFrontmostApplication::create(runtimeFolder() / "brisa-kwin-active-window.js");
        if (!services.frontmost)
            logLine(LogCategory::Platform, "El compositor no dice qué ventana está activa (no ofrece "
                                           "wlr-foreign-toplevel-management, ni es KWin): origen de las copias desconocido");
        services.keys = WaylandKeySynthesizer::create();
        usePortals(services);
        services.setSessionLostHandler = [connection](std::function<void()> handler) {
            connection->setLostHandler(std::move(handler));
        };
    }
    if (!services.clipboard) {
        logLine(LogCategory::Platform,
                hasX ? "El compositor no deja vigilar el portapapeles (no ofrece ext-data-control-v1 ni "
                       "wlr-data-control-unstable-v1): Brisa solo ve lo que copian las apps X11"
                     : "El compositor no deja vigilar el portapapeles (no ofrece ext-data-control-v1 ni "
                       "wlr-data-control-unstable-v1): Brisa no capturará copias en esta sesión");
        services.clipboardWarning = hasX ? "Solo ve lo que copian las apps X11. El historial y la nota rápida siguen "
                                           "funcionando."
                                         : "No verá lo que copies aquí. El historial y la nota rápida siguen "
                                           "funcionando.";
        return false;
    }
    logf(LogCategory::Platform, "Sesión Wayland: el portapapeles llega del compositor ({}); las ventanas de Brisa, {}",
         connection->dataControlProtocol()->name, hasX ? "por XWayland" : "por Wayland (sin XWayland)");
    if (connection->dataControlProtocol()->hasPrimary) {
        services.openPrimarySelection = [connection, &scheduler]() -> std::unique_ptr<Clipboard> {
            WaylandClipboard::Options options;
            options.primary = true;
            return WaylandClipboard::create(connection, scheduler, options);
        };
    }
    return true;
}
#endif

} // namespace

bool isWaylandSession()
{
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return isSet("WAYLAND_DISPLAY") || (type && std::strcmp(type, "wayland") == 0);
}

void prepareWindowSystem()
{
    // Without an X server (no XWayland) Qt's own choice stands: windows on Wayland, placed as it can.
    if (isWaylandSession() && !isSet("QT_QPA_PLATFORM") && isSet("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

PlatformServices createPlatformServices(Scheduler& scheduler)
{
    PlatformServices services;
    services.directoryWatcher = std::make_unique<InotifyDirectoryWatcher>();
    auto screens = std::make_unique<QtScreens>();
    QtScreens* qtScreens = screens.get();
    services.screens = std::move(screens);
    const bool hasX = isSet("DISPLAY");
    services.wayland = isWaylandSession();
    bool waylandClipboard = false;
#ifdef BRISA_WITH_WAYLAND
    if (services.wayland)
        waylandClipboard = useWaylandServices(services, scheduler, hasX);
#else
    if (services.wayland)
        logLine(LogCategory::Platform,
                hasX ? "Sesión Wayland: Brisa usa XWayland y solo ve el portapapeles de las apps X11"
                     : "Sesión Wayland sin XWayland: la captura del portapapeles no está disponible");
#endif
#ifdef BRISA_WITH_X11
    if (hasX) {
        // In a Wayland session XWayland's selections mirror the compositor's: one watcher is enough.
        if (!waylandClipboard) {
            services.clipboard = X11Clipboard::create(scheduler);
            services.openPrimarySelection = [&scheduler]() -> std::unique_ptr<Clipboard> {
                X11Clipboard::Options options;
                options.selection = "PRIMARY";
                return X11Clipboard::create(scheduler, options);
            };
        }
        // In a Wayland session XWayland knows only its own windows' focus: the compositor tells it, or nobody.
        if (!services.wayland) {
            auto frontmost = std::make_unique<X11FrontmostApplication>();
            if (frontmost->isConnected())
                services.frontmost = std::move(frontmost);
        }
        if (!services.hotkeys)
            services.hotkeys = X11GlobalHotkeys::create(scheduler);
        // In a Wayland session XTest reaches only XWayland's windows: the compositor's keyboard comes first.
        if (auto keys = std::make_unique<XTestKeySynthesizer>(); !services.keys && keys->isConnected())
            services.keys = std::move(keys);
        services.keyWatcher = X11KeyWatcher::create();
        if (auto windows = std::make_unique<X11WindowActivation>(); windows->isConnected())
            services.windows = std::move(windows);
        // The server counts device pixels; Qt's screens are in scaled points.
        services.pointer = X11PointerMonitor::create([qtScreens](double x, double y) {
            const QScreen* primary = QGuiApplication::primaryScreen();
            const double ratio = primary ? primary->devicePixelRatio() : 1.0;
            return qtScreens->fromPointer(QPoint(static_cast<int>(x / ratio), static_cast<int>(y / ratio)));
        });
        services.panelHints = X11PanelWindowHints::create(services.wayland);
        services.compositor = X11CompositorWatch::create();
        services.colorSampler = X11ColorSampler::create();
    }
#else
    (void)scheduler;
    (void)qtScreens;
#endif
    (void)waylandClipboard;
    if (!services.clipboard && !services.wayland)
        logLine(LogCategory::Platform, "Sin portapapeles X11: Brisa no capturará copias en esta sesión");
    services.shareTargets = std::make_unique<XdgShareTargets>(shareScratchFolder());
    return services;
}

} // namespace brisa
