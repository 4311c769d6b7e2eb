// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"
#include "app/CommandLine.h"
#include "app/StoreCommands.h"
#include "core/settings/UserDefaults.h"
#include "core/support/XdgPaths.h"

#include <QApplication>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
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
                                                 brisa::UserDefaults::defaultFile()});
    case brisa::CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisa"));
    QApplication::setApplicationVersion(QStringLiteral(BRISA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("brisa"));
    brisa::BrisaApp brisaApp;
    if (!brisaApp.start())
        return brisa::StoreCommandExit::StoreUnavailable;
    return QApplication::exec();
}
