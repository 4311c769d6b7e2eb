// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NotchPanelWindow.h"

#include "core/support/Log.h"
#include "platform/PanelWindowHints.h"
#include "ui/Compositing.h"
#include "ui/OutlineRegion.h"
#include "ui/PanelTrace.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSurfaceFormat>
#include <QtMath>

#include <utility>

namespace brisa {

NotchPanelWindow::NotchPanelWindow(QQmlEngine& engine, QUrl view, QVariantMap properties, PanelWindowHints* hints,
                                   const Screens& screens, QObject* parent)
    : QObject(parent),
      engine_(engine),
      viewUrl_(std::move(view)),
      properties_(std::move(properties)),
      hints_(hints),
      screens_(screens),
      trace_(PanelTrace::fromEnvironment())
{
    connect(&Compositing::instance(), &Compositing::activeChanged, this, [this] { applyVisibleRegion(true); });
}

NotchPanelWindow::~NotchPanelWindow() { delete view_; }

QQuickWindow* NotchPanelWindow::window() const { return view_; }

std::optional<WindowId> NotchPanelWindow::windowId() const
{
    if (!view_)
        return std::nullopt;
    return WindowId{static_cast<std::uint64_t>(view_->winId())};
}

bool NotchPanelWindow::brisaHasFocus() const { return QGuiApplication::focusWindow() != nullptr; }

bool NotchPanelWindow::pointerOverOtherBrisaWindow() const
{
    const QWindow* under = QGuiApplication::topLevelAt(QCursor::pos());
    return under && under != view_;
}

bool NotchPanelWindow::create(const Rect& frame)
{
    if (view_)
        return true;
    auto* view = new QQuickView(&engine_, nullptr);
    // Transparent around the outline: an alpha channel, and a clear colour behind the content.
    QSurfaceFormat format = view->format();
    format.setAlphaBufferSize(8);
    view->setFormat(format);
    view->setColor(Qt::transparent);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setInitialProperties(properties_);
    view->setSource(viewUrl_);
    if (view->status() != QQuickView::Ready || !view->rootObject()) {
        QStringList errors;
        for (const auto& e : view->errors())
            errors << e.toString();
        logf(LogCategory::Ui, "No se pudo cargar el panel: {}", errors.join(QStringLiteral("; ")).toStdString());
        delete view;
        return false;
    }
    view->setTitle(QStringLiteral("Brisa"));
    view_ = view;
    for (const char* name : {"blurArea", "blurRadius"}) {
        QQmlProperty property(view_->rootObject(), QString::fromLatin1(name));
        if (property.hasNotifySignal())
            property.connectNotifySignal(this, SLOT(onBlurAreaChanged()));
    }
    if (QQmlProperty outline(view_->rootObject(), QStringLiteral("visibleOutline")); outline.hasNotifySignal())
        outline.connectNotifySignal(this, SLOT(onOutlineChanged()));
    if (trace_) {
        // Swaps are reported on the render thread: the time is taken there, the bookkeeping here.
        connect(
            view_, &QQuickWindow::frameSwapped, this,
            [this] {
                const auto at = PanelTrace::SteadyClock::now();
                QMetaObject::invokeMethod(this, [this, at] { trace_->frameSwapped(at); }, Qt::QueuedConnection);
            },
            Qt::DirectConnection);
    }
    // Our hints go through a connection of their own and can reach the server before Qt's request
    // to map the window: a window manager then frames the window without them (a frame that takes
    // every click). So they are sent again once a frame has been shown after each (re)mapping.
    connect(view_, &QQuickWindow::frameSwapped, this, &NotchPanelWindow::applyPendingHints, Qt::QueuedConnection);
    connect(
        view_, &QQuickWindow::frameSwapped, this,
        [this] {
            if (std::exchange(outlinePending_, false))
                applyVisibleRegion(false);
        },
        Qt::QueuedConnection);
    applyFlags();
    setFrame(frame);
    view_->show();
    hintsPending_ = true;
    applyPendingHints();
    hintsPending_ = true;
    view_->raise();
    return true;
}

void NotchPanelWindow::applyPendingHints()
{
    if (!hintsPending_ || !view_ || !view_->isVisible())
        return;
    hintsPending_ = false;
    if (hints_)
        hints_->applyPanelHints(view_->winId());
    applyVisibleRegion(true);
    applyInputArea();
    applyBlur(true);
}

void NotchPanelWindow::applyBlur(bool force)
{
    if (!view_ || !hints_ || !view_->isVisible())
        return;
    QObject* root = view_->rootObject();
    const QVariant area = root->property("blurArea");
    if (!area.isValid())
        return;
    auto region = outlineRegion({area.toRectF(), 0, root->property("blurRadius").toReal()}, view_->devicePixelRatio());
    if (!force && region == blurRegion_)
        return;
    blurRegion_ = std::move(region);
    hints_->setBlurBehind(view_->winId(), blurRegion_);
}

void NotchPanelWindow::applyVisibleRegion(bool force)
{
    if (!view_ || !hints_ || !view_->isVisible())
        return;
    std::optional<std::vector<WindowRect>> region;
    const QVariant outlines = view_->rootObject()->property("visibleOutline");
    if (!Compositing::instance().active() && outlines.isValid()) {
        region.emplace();
        for (const NotchOutline& outline : outlinesFromVariant(outlines)) {
            const auto part = outlineRegion(outline, view_->devicePixelRatio());
            region->insert(region->end(), part.begin(), part.end());
        }
    }
    if (!force && region == visibleRegion_)
        return;
    visibleRegion_ = std::move(region);
    hints_->setVisibleRegion(view_->winId(), visibleRegion_);
}

void NotchPanelWindow::onOutlineChanged()
{
    if (!view_ || Compositing::instance().active())
        return;
    outlinePending_ = true;
    view_->update(); // a frame to wait for, even if nothing else is drawn anew
}

void NotchPanelWindow::applyInputArea()
{
    if (!view_ || !hints_)
        return;
    if (!ignoresMouse_ && inputRect_) {
        const qreal ratio = view_->devicePixelRatio();
        const QRect area(qFloor(inputRect_->x() * ratio), qFloor(inputRect_->y() * ratio),
                         qCeil(inputRect_->width() * ratio), qCeil(inputRect_->height() * ratio));
        hints_->setInputArea(view_->winId(), area.x(), area.y(), area.width(), area.height());
        return;
    }
    hints_->setClickThrough(view_->winId(), ignoresMouse_);
}

void NotchPanelWindow::applyFlags()
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::NoDropShadowWindowHint;
    if (!keyable_)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (view_->flags() == flags)
        return;
    view_->setFlags(flags);
    // Qt rewrites the window type when the flags change (and may map the window anew): the hints
    // go again, now and after the next frame.
    hintsPending_ = true;
    applyPendingHints();
    hintsPending_ = true;
}

void NotchPanelWindow::setFrame(const Rect& frame)
{
    if (!view_)
        return;
    const Rect topLeft = screens_.toWindowSpace(frame);
    QRect geometry = QRectF(topLeft.x, topLeft.y, topLeft.width, topLeft.height).toAlignedRect();
    // Never ask the window system for more than the desktop holds: a runaway size (a scale edited
    // by hand) made the X server allocate gigabytes for the window's pixels.
    if (const QScreen* screen = view_->screen()) {
        const QSize desktop = screen->virtualGeometry().size();
        if (!desktop.isEmpty())
            geometry.setSize(geometry.size().boundedTo(desktop).expandedTo(QSize(1, 1)));
    }
    if (view_->geometry() != geometry)
        view_->setGeometry(geometry);
}

void NotchPanelWindow::setIgnoresMouse(bool ignores)
{
    if (trace_)
        ignores ? trace_->collapseRequested() : trace_->openRequested(); // expand and collapse start here
    ignoresMouse_ = ignores;
    applyInputArea();
}

void NotchPanelWindow::setInputRect(std::optional<QRect> rect)
{
    if (inputRect_ == rect)
        return;
    inputRect_ = rect;
    applyInputArea();
}

void NotchPanelWindow::orderFront()
{
    if (view_)
        view_->raise();
}

void NotchPanelWindow::setKeyable(bool keyable)
{
    if (keyable_ == keyable)
        return;
    keyable_ = keyable;
    if (view_)
        applyFlags();
}

void NotchPanelWindow::makeKeyAndFront()
{
    if (!view_)
        return;
    view_->raise();
    view_->requestActivate();
}

} // namespace brisa
