// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace brisa {

namespace {

// The bottom edge of the primary screen in Qt's space: Brisa's y = 0. Qt's QRect::bottom() is
// the last row inside, one less than this.
double primaryBottom(const QRect& primary) { return double(primary.y()) + primary.height(); }

} // namespace

Rect toBottomLeft(const QRectF& rect, const QRect& primary)
{
    // The origin is the primary screen's bottom-left corner: x is measured from its left edge,
    // y upward from its bottom edge. With the primary at Qt's origin this is
    // y = primaryHeight - (y + height).
    return {rect.x() - primary.x(), primaryBottom(primary) - (rect.y() + rect.height()), rect.width(), rect.height()};
}

Point toBottomLeft(const QPointF& point, const QRect& primary)
{
    return {point.x() - primary.x(), primaryBottom(primary) - point.y()};
}

Point pointerToBottomLeft(const QPoint& pixel, const QRect& primary)
{
    // The pixel row y covers [y, y + 1) downward, that is [bottom - y - 1, bottom - y) upward.
    return {double(pixel.x()) - primary.x(), primaryBottom(primary) - pixel.y() - 1};
}

QRectF toTopLeft(const Rect& rect, const QRect& primary)
{
    return {rect.x + primary.x(), primaryBottom(primary) - (rect.y + rect.height), rect.width, rect.height};
}

QtScreens::QtScreens(QObject* parent) : QObject(parent)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        scheduleNotify();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen*) { scheduleNotify(); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this](QScreen*) { scheduleNotify(); });
}

void QtScreens::watch(QScreen* screen)
{
    // The connections end with the screen object.
    connect(screen, &QScreen::geometryChanged, this, [this] { scheduleNotify(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { scheduleNotify(); });
}

void QtScreens::scheduleNotify()
{
    if (notifyPending_)
        return;
    notifyPending_ = true;
    QTimer::singleShot(0, this, [this] {
        notifyPending_ = false;
        // A copy: a callback may add another one.
        const auto callbacks = callbacks_;
        for (const auto& callback : callbacks)
            if (callback)
                callback();
    });
}

QRect QtScreens::primaryGeometry()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

std::vector<ScreenInfo> QtScreens::screens() const
{
    std::vector<ScreenInfo> result;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect reference = primaryGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        ScreenInfo info;
        info.name = screen->name().toStdString();
        info.frame = toBottomLeft(QRectF(screen->geometry()), reference);
        info.workArea = toBottomLeft(QRectF(screen->availableGeometry()), reference);
        info.primary = screen == primary;
        // No camera housings on these screens: the safe area and auxiliary widths stay 0.
        result.push_back(std::move(info));
    }
    return result;
}

Point QtScreens::pointerPosition() const { return fromPointer(QCursor::pos()); }

Rect QtScreens::toWindowSpace(const Rect& frame) const
{
    const QRectF r = toTopLeft(frame, primaryGeometry());
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtScreens::onChanged(Changed changed) { callbacks_.push_back(std::move(changed)); }

} // namespace brisa
