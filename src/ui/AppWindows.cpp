// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppWindows.h"

#include "core/support/Log.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

namespace brisa {

bool loadView(QQuickView& view, const QUrl& url, std::string_view what)
{
    view.setSource(url);
    if (view.status() == QQuickView::Ready && view.rootObject())
        return true;
    QStringList errors;
    for (const auto& e : view.errors())
        errors << e.toString();
    logf(LogCategory::Ui, "No se pudo cargar {}: {}", what, errors.join(QStringLiteral("; ")).toStdString());
    return false;
}

void centreOnPointerScreen(QWindow& window, QSize size)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window.setScreen(screen);
    QRect frame(QPoint(), size);
    frame.moveCenter(screen->availableGeometry().center());
    window.setPosition(frame.topLeft());
}

void bringToFront(QWindow& window)
{
    window.show();
    // The window manager raises and focuses a window on request (_NET_ACTIVE_WINDOW), also when
    // it was only hidden behind others.
    window.raise();
    window.requestActivate();
}

} // namespace brisa
