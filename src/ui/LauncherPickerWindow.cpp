// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LauncherPickerWindow.h"

#include "core/notch/NotchController.h"
#include "core/stores/LauncherStore.h"
#include "core/support/Log.h"
#include "platform/Screens.h"
#include "ui/ApplicationPickerModel.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRectF>

namespace brisa {

LauncherPickerWindow::LauncherPickerWindow(QQmlEngine& engine, LauncherStore& store, NotchController& notch,
                                           const Screens& screens, QObject* parent)
    : QObject(parent)
    , engine_(engine)
    , store_(store)
    , notch_(notch)
    , screens_(screens)
{
}

LauncherPickerWindow::~LauncherPickerWindow()
{
    delete view_;
    delete applications_;
}

bool LauncherPickerWindow::isOpen() const { return open_; }

void LauncherPickerWindow::open()
{
    if (!view_) {
        applications_ = new ApplicationPickerModel({}, {});
        auto* view = new QQuickView(&engine_, nullptr);
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->setInitialProperties({{QStringLiteral("applications"), QVariant::fromValue<QObject*>(applications_)}});
        view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/LauncherPicker.qml")));
        if (view->status() != QQuickView::Ready || !view->rootObject()) {
            logLine(LogCategory::Ui, "No se pudo abrir el selector de aplicaciones del lanzador");
            delete view;
            return;
        }
        view->setTitle(QStringLiteral("Añadir apps al lanzador"));
        view->setFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
        view->resize(kWidth, kHeight);
        connect(view->rootObject(), SIGNAL(chosenEntry(QString)), this, SLOT(chosenEntry(QString)));
        connect(view->rootObject(), SIGNAL(done()), this, SLOT(done()));
        connect(view, &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible)
                done(); // closed by the window manager
        });
        view_ = view;
    }
    // Centred on the screen the panel is open on, else where the pointer is.
    std::optional<ScreenInfo> screen = notch_.activeScreen();
    if (!screen) {
        const Point p = screens_.pointerPosition();
        for (const auto& s : screens_.screens())
            if (s.frame.contains(p))
                screen = s;
    }
    if (screen) {
        const Rect frame = screens_.toWindowSpace(screen->frame);
        view_->setPosition(static_cast<int>(frame.midX() - kWidth / 2.0), static_cast<int>(frame.midY() - kHeight / 2.0));
    }
    notch_.beginModalInteraction();
    open_ = true;
    view_->show();
    view_->raise();
    view_->requestActivate();
    QMetaObject::invokeMethod(view_->rootObject(), "show");
}

void LauncherPickerWindow::chosenEntry(const QString& file)
{
    // The limit of six applies one application at a time: further ones are left out.
    store_.add(file.toStdString());
}

void LauncherPickerWindow::done()
{
    if (!open_)
        return;
    open_ = false;
    if (view_)
        view_->hide();
    notch_.endModalInteraction();
}

} // namespace brisa
