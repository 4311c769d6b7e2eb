// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"
#include "app/CommandLine.h"
#include "app/InstanceBus.h"
#include "app/LogCategories.h"
#include "app/SnippetCommands.h"
#include "app/StoreCommands.h"
#include "core/settings/UserDefaults.h"
#include "core/support/XdgPaths.h"
#include "platform/PlatformServices.h"

#include <QApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQml/qqmlextensionplugin.h>

#include <unistd.h>

#include <cstdio>
#include <iostream>

// The UI is a static QML module: name its plugin so QML can import Brisa.Ui.
Q_IMPORT_QML_PLUGIN(Brisa_UiPlugin)

int main(int argc, char** argv)
{
    brisa::followQtLoggingRules();
    std::vector<std::string> args(argv + 1, argv + argc);
    auto cl = brisa::parseCommandLine(args);
    switch (cl.action) {
    case brisa::CommandLine::Action::Version:
        std::printf("brisa %s\n", BRISA_VERSION);
        return 0;
    case brisa::CommandLine::Action::Help:
        std::fputs(brisa::helpText().c_str(), stdout);
        return 0;
    case brisa::CommandLine::Action::Error:
        std::fprintf(stderr, "brisa: %s\nPrueba «brisa --help».\n", cl.error.c_str());
        return 2;
    case brisa::CommandLine::Action::Store:
        return brisa::runStoreCommand(cl.store, {std::cout, std::cerr, std::cin, brisa::xdgDataHome(),
                                                 brisa::UserDefaults::defaultFile(), isatty(STDERR_FILENO) == 1});
    case brisa::CommandLine::Action::Snippet: {
        auto tellRunning = [argc, argv]() mutable {
            QCoreApplication app(argc, argv);
            std::string error;
            // Nobody to tell when no Brisa runs: the next one reads the file at its start.
            if (brisa::InstanceBus::isRunning() &&
                !brisa::InstanceBus::send({brisa::RemoteCommand::Kind::ReloadSnippets, 0}, error))
                std::fprintf(stderr, "brisa: el Brisa en marcha no releyó los snippets: %s\n", error.c_str());
        };
        return brisa::runSnippetCommand(cl.snippet, {std::cout, std::cerr, std::cin,
                                                     brisa::UserDefaults::defaultFile(), tellRunning});
    }
    case brisa::CommandLine::Action::Remote: {
        QCoreApplication app(argc, argv);
        std::string error;
        if (!brisa::InstanceBus::send(cl.remote, error)) {
            std::fprintf(stderr, "brisa: %s\n", error.c_str());
            return brisa::StoreCommandExit::NotRunning;
        }
        return 0;
    }
    case brisa::CommandLine::Action::Run:
        break;
    }

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
    brisa::BrisaApp brisaApp;
    bus.onCommand = [&brisaApp](const brisa::RemoteCommand& command) { brisaApp.perform(command); };
    if (!brisaApp.start())
        return brisa::StoreCommandExit::StoreUnavailable;
    return QApplication::exec();
}
