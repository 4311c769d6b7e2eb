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

#include <cstdlib>

namespace brisa {

PlatformServices createPlatformServices(Scheduler& scheduler)
{
    PlatformServices services;
    services.directoryWatcher = std::make_unique<InotifyDirectoryWatcher>();
    auto screens = std::make_unique<QtScreens>();
    QtScreens* qtScreens = screens.get();
    services.screens = std::move(screens);
    const char* display = std::getenv("DISPLAY");
    const bool hasX = display && *display;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    services.wayland = wayland && *wayland;
    if (services.wayland)
        logLine(LogCategory::Platform,
                hasX ? "Sesión Wayland: Brisa usa XWayland y solo ve el portapapeles de las apps X11"
                     : "Sesión Wayland sin XWayland: la captura del portapapeles no está disponible");
#ifdef BRISA_WITH_X11
    if (hasX) {
        services.clipboard = X11Clipboard::create(scheduler);
        services.openPrimarySelection = [&scheduler]() -> std::unique_ptr<Clipboard> {
            X11Clipboard::Options options;
            options.selection = "PRIMARY";
            return X11Clipboard::create(scheduler, options);
        };
        auto frontmost = std::make_unique<X11FrontmostApplication>();
        if (frontmost->isConnected())
            services.frontmost = std::move(frontmost);
        services.hotkeys = X11GlobalHotkeys::create(scheduler);
        if (auto keys = std::make_unique<XTestKeySynthesizer>(); keys->isConnected())
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
        services.panelHints = X11PanelWindowHints::create();
        services.compositor = X11CompositorWatch::create();
        services.colorSampler = X11ColorSampler::create();
    }
#else
    (void)scheduler;
    (void)qtScreens;
#endif
    if (!services.clipboard)
        logLine(LogCategory::Platform, "Sin portapapeles X11: Brisa no capturará copias en esta sesión");
    services.shareTargets = std::make_unique<XdgShareTargets>(shareScratchFolder());
    return services;
}

} // namespace brisa
