// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>

namespace brisa::test {

/// Calls open, which a view's signal handler calls to show a widget menu, and picks entry once
/// the menu's event loop runs, letting that loop turn once more (the deferred deletes of what the
/// entry removed are handed out then) before the menu closes. True when the menu ran only after
/// open had returned, as it must: a delegate destroyed inside its own handler aborts the app.
inline bool menuRunsAfterTheCall(const std::function<void()>& open, const QString& entry)
{
    bool callOver = false;
    bool ranInside = false;
    bool picked = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        watch.stop();
        ranInside = !callOver;
        for (QAction* action : menu->actions())
            if (!picked && action->text() == entry) {
                picked = true;
                action->trigger();
            }
        QTimer::singleShot(0, menu, &QMenu::close);
    });
    watch.start();
    open();
    callOver = true;
    const bool closed = QTest::qWaitFor([&] { return !watch.isActive() && !QApplication::activePopupWidget(); }, 5000);
    return closed && picked && !ranInside;
}

} // namespace brisa::test
