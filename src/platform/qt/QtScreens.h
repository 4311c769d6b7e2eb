// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Screens.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

class QScreen;

namespace brisa {

// Qt places screens with the origin at the top-left of its virtual desktop and y growing
// downward; Brisa's geometry puts the origin at the primary screen's bottom-left corner with y
// growing upward. primary is the primary screen's geometry in Qt's space.

/// A rectangle in Qt's global space, in Brisa's.
Rect toBottomLeft(const QRectF& rect, const QRect& primary);
/// A point in Qt's global space, in Brisa's.
Point toBottomLeft(const QPointF& point, const QRect& primary);
/// The pointer's pixel (as QCursor::pos() reports it) in Brisa's space: the pixel's bottom-left
/// corner, so that a pixel inside a screen maps to a point inside that screen's frame (the top row
/// included, where the panel's handle is).
Point pointerToBottomLeft(const QPoint& pixel, const QRect& primary);
/// A rectangle in Brisa's space (a window frame), in Qt's global space.
QRectF toTopLeft(const Rect& rect, const QRect& primary);

/// The screens as Qt reports them (QGuiApplication::screens()), converted to Brisa's space.
/// Without a QGuiApplication there are no screens and no changes.
class QtScreens final : public QObject, public Screens {
public:
    explicit QtScreens(QObject* parent = nullptr);

    std::vector<ScreenInfo> screens() const override;
    Point pointerPosition() const override;
    Rect toWindowSpace(const Rect& frame) const override;
    void onChanged(Changed changed) override;

    /// The primary screen's geometry in Qt's space; empty when there is no screen.
    static QRect primaryGeometry();
    /// The pointer's current pixel in Brisa's space.
    Point fromPointer(const QPoint& pixel) const { return pointerToBottomLeft(pixel, primaryGeometry()); }

private:
    void watch(QScreen* screen);
    /// Several signals arrive for one change (geometry, work area, primary): they make one call.
    void scheduleNotify();

    std::vector<Changed> callbacks_;
    bool notifyPending_ = false;
};

} // namespace brisa
