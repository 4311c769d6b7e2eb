// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryWindowController.h"

#include "core/support/Log.h"
#include "platform/WindowActivation.h"
#include "ui/AppWindows.h"
#include "ui/LibraryViewModel.h"

#include <QElapsedTimer>
#include <QQuickItem>
#include <QQuickView>

#include <memory>

namespace brisa {
namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/LibraryWindow.qml"));

/// Closing the window hides it: the view and its state stay for the next show().
class HideOnClose final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return QObject::eventFilter(watched, event);
        event->ignore();
        static_cast<QWindow*>(watched)->hide();
        return true;
    }
};

} // namespace

LibraryWindowController::LibraryWindowController(QQmlEngine& engine, LibraryViewModel& library,
                                                 WindowActivation* windows, QObject* parent)
    : QObject(parent), engine_(engine), library_(library), windows_(windows)
{
    library_.restoreFocus = [this] { restorePreviousWindow(); };
    connect(&library_, &LibraryViewModel::hideRequested, this, [this] {
        if (window_)
            window_->hide();
    });
}

LibraryWindowController::~LibraryWindowController()
{
    library_.restoreFocus = nullptr;
    delete window_; // before the engine whose types its items are
}

QQuickWindow* LibraryWindowController::window() const { return window_; }

void LibraryWindowController::show()
{
    // BRISA_TRACE_LIBRARY=1: how long from here to the window's first frame, for bench/library_open.sh.
    static const bool trace = qEnvironmentVariableIntValue("BRISA_TRACE_LIBRARY") != 0;
    QElapsedTimer timer;
    timer.start();
    const bool made = window_ != nullptr;
    if (!window_ && !createWindow())
        return;
    if (trace) {
        // Making the window (its items, the first page) apart from showing and drawing it.
        const double creating = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(window_, &QQuickWindow::frameSwapped, this, [once, timer, made, creating] {
            disconnect(*once);
            logf(LogCategory::Ui, "Biblioteca: primer fotograma en {:.1f} ms ({}, hecha en {:.1f} ms)",
                 static_cast<double>(timer.nsecsElapsed()) / 1e6, made ? "ya hecha" : "nueva",
                 made ? 0.0 : creating);
        });
    }
    // The window in front now is where a paste from the library goes, unless it is this one.
    if (windows_) {
        const auto active = windows_->activeWindow();
        if (active && (!window_->isVisible() || active->value != window_->winId()))
            previous_ = active->value;
    }
    bringToFront(*window_);
}

bool LibraryWindowController::restorePreviousWindow()
{
    return windows_ && previous_ && windows_->activate(WindowId{*previous_});
}

bool LibraryWindowController::createWindow()
{
    auto* view = new QQuickView(&engine_, nullptr);
    view->setInitialProperties({{QStringLiteral("library"), QVariant::fromValue<QObject*>(&library_)}});
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    if (!loadView(*view, viewUrl, "la biblioteca")) {
        delete view;
        return false;
    }
    view->setTitle(QStringLiteral("Brisa — Biblioteca"));
    view->setFlags(Qt::Window);
    view->resize(kWidth, kHeight);
    view->setMinimumSize(QSize(480, 320));
    centreOnPointerScreen(*view, QSize(kWidth, kHeight));
    view->installEventFilter(new HideOnClose(view));
    connect(view, &QWindow::visibleChanged, &library_, [this](bool visible) { library_.setShown(visible); });
    window_ = view;
    return true;
}

} // namespace brisa
