// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-app: the resident program, loaded by `brisa` when it runs with no command.
#include "app/BrisaApp.h"
#include "app/ImageModule.h"
#include "app/InstanceBus.h"
#include "app/LogCategories.h"
#include "app/StoreCommands.h"
#include "platform/PlatformServices.h"

#include <QApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>

// The UI is a static QML module: name its plugin so QML can import Brisa.Ui.
Q_IMPORT_QML_PLUGIN(Brisa_UiPlugin)

extern "C" __attribute__((visibility("default"))) int brisa_app_main(int argc, char** argv)
{
    brisa::followQtLoggingRules();
    // Brisa's windows are small overlays: drawing them on the CPU costs a few milliseconds a frame,
    // where loading a GL driver for them would more than double the memory of a program that sits
    // in the background all day. QT_QUICK_BACKEND still chooses otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    brisa::prepareWindowSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisa"));
    QApplication::setApplicationVersion(QStringLiteral(BRISA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.brisa.Brisa")); // the installed desktop entry
    brisa::InstanceBus bus;
    if (bus.claim() == brisa::InstanceBus::Claim::AlreadyRunning) {
        std::string error;
        std::fprintf(stderr, "[Brisa] Brisa ya está en marcha: se le pide que abra el panel\n");
        return brisa::InstanceBus::send({brisa::RemoteCommand::Kind::Toggle, 0}, error) ? 0 : 1;
    }
    // The image libraries are a quarter of the program's memory: loaded when the first image comes.
    brisa::BrisaApp brisaApp(brisa::loadedImageLibrary());
    bus.onCommand = [&brisaApp](const brisa::RemoteCommand& command) { brisaApp.perform(command); };
    if (!brisaApp.start())
        return brisa::StoreCommandExit::StoreUnavailable;
    return QApplication::exec();
}
