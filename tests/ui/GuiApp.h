// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGuiApplication>
#include <QtQml/qqmlextensionplugin.h>

// Views use the module's C++ types (import Brisa.Ui), as in the app.
Q_IMPORT_QML_PLUGIN(Brisa_UiPlugin)

namespace brisa::test {

/// The process's QGuiApplication for Qt Quick tests, created on first use. Scenes are drawn by
/// the software renderer so the tests need no GPU, offscreen or under Xvfb alike.
inline QGuiApplication& guiApp()
{
    static int argc = 1;
    static char name[] = "brisa-test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_QUICK_BACKEND", "software");
        auto* a = new QGuiApplication(argc, argv);
        QGuiApplication::setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

} // namespace brisa::test
