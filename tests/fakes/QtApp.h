// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace brisa::test {

/// The process's QApplication, created on first use (tests link gtest_main, not a Qt main).
inline QApplication& qtApp()
{
    static int argc = 1;
    static char name[] = "brisa-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace brisa::test
