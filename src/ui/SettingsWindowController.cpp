// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsWindowController.h"

#include "core/settings/KeyboardShortcuts.h"
#include "core/support/DesktopEntries.h"
#include "core/support/Log.h"
#include "ui/AppIconImageProvider.h"
#include "ui/SettingsViewModel.h"
#include "ui/SymbolImageProvider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

namespace brisa {
namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/SettingsWindow.qml"));

} // namespace

SettingsWindowController::SettingsWindowController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services))
{
}

SettingsWindowController::~SettingsWindowController()
{
    // The view's items belong to the engine's types, and read the view model: the window goes first.
    delete window_;
    delete viewModel_;
    delete applications_;
}

QString SettingsWindowController::title() { return QStringLiteral("Brisa — Ajustes"); }

QQuickWindow* SettingsWindowController::window() const { return window_; }

void SettingsWindowController::show()
{
    if (!window_ && !createWindow())
        return;
    window_->show();
    // The window manager raises and focuses a window on request (_NET_ACTIVE_WINDOW), also when
    // it was only hidden behind others.
    window_->raise();
    window_->requestActivate();
}

bool SettingsWindowController::createWindow()
{
    engine_ = std::make_unique<QQmlEngine>();
    engine_->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider());
    engine_->addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), new AppIconImageProvider());
    entries_ = std::make_unique<DesktopEntries>(DesktopEntries::scan(DesktopEntries::applicationDirs()));

    auto* recorder = new ShortcutRecorder(services_.shortcuts, shortcutNames::togglePanel(),
                                          services_.applyPanelShortcut);
    viewModel_ = new SettingsViewModel(services_.settings, services_.snippets, entries_.get(), recorder);
    applications_ = new ApplicationPickerModel({}, services_.openApplications);

    auto* view = new QQuickView(engine_.get(), nullptr);
    view->setInitialProperties({{QStringLiteral("settings"), QVariant::fromValue<QObject*>(viewModel_)},
                                {QStringLiteral("applications"), QVariant::fromValue<QObject*>(applications_)}});
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setSource(viewUrl);
    if (view->status() != QQuickView::Ready || !view->rootObject()) {
        QStringList errors;
        for (const auto& e : view->errors())
            errors << e.toString();
        logf(LogCategory::Ui, "No se pudo cargar la ventana de ajustes: {}",
             errors.join(QStringLiteral("; ")).toStdString());
        delete view;
        return false;
    }
    view->setTitle(title());
    // Title bar with close and minimise controls; fixed size, so no maximise.
    view->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    const QSize size(width, height);
    view->resize(size);
    view->setMinimumSize(size);
    view->setMaximumSize(size);

    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        view->setScreen(screen);
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        view->setPosition(frame.topLeft());
    }
    window_ = view;
    return true;
}

} // namespace brisa
