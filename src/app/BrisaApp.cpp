// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"

#include "app/TrayMenu.h"
#include "app/UnixSignals.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherStore.h"
#include "core/stores/SpaceStore.h"
#include "core/stores/TextSnippetStore.h"
#include "core/store/Storage.h"
#include "core/support/XdgPaths.h"
#include "core/support/Log.h"
#include "platform/qt/QtScheduler.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

namespace brisa {
namespace {

/// The tray symbol drawn in the panel's text colour, so it reads on light and dark panels alike.
QIcon trayIcon()
{
    QFile file(QStringLiteral(":/brisa/icons/brisa-tray.svg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    svg.replace("#000", ink.name().toLatin1());
    QSvgRenderer renderer(svg);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

BrisaApp::BrisaApp(QObject* parent)
    : QObject(parent)
{
}

BrisaApp::~BrisaApp() = default;

bool BrisaApp::start()
{
    logf("Iniciando Brisa {}", BRISA_VERSION);

    // No taskbar entry and no main window: closing a window never ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    signals_ = new UnixSignals(this);
    connect(signals_, &UnixSignals::terminationRequested, this, [this](int sig) {
        logf("Señal {} recibida", sig);
        quit();
    });

    scheduler_ = std::make_unique<QtScheduler>();
    auto opened = Storage::open(xdgDataHome(), *scheduler_);
    if (!opened.storage) {
        logLine(opened.error);
        return false;
    }
    storage_ = std::move(opened.storage);

    defaults_ = std::make_unique<UserDefaults>(UserDefaults::defaultFile(), *scheduler_);
    logf("Ajustes en {}", defaults_->file().string());
    settings_ = std::make_unique<AppSettings>(*defaults_);
    AppSettingsHooks hooks;
    hooks.setHistoryLimit = [this](std::int64_t limit) { storage_->setHistoryLimit(limit); };
    hooks.setAutoDeleteDays = [this](std::int64_t days) { storage_->setAutoDeleteDays(days); };
    settings_->setHooks(std::move(hooks));
    spaces_ = std::make_unique<SpaceStore>(*defaults_);
    snippets_ = std::make_unique<TextSnippetStore>(*defaults_);
    launcher_ = std::make_unique<LauncherStore>(*defaults_);

    settings_->apply();

    setupStatusItem();
    logLine("Brisa está lista");
    return true;
}

void BrisaApp::setupStatusItem()
{
    TrayActions actions;
    actions.quit = [this] { quit(); };
    trayMenu_ = std::make_unique<TrayMenu>(*settings_, std::move(actions));

    delete statusItem_;
    statusItem_ = new QSystemTrayIcon(trayIcon(), this);
    statusItem_->setToolTip(QStringLiteral("Brisa"));
    statusItem_->setContextMenu(trayMenu_->menu());
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("No hay bandeja del sistema en este escritorio; el icono aparecerá cuando la haya");
    statusItem_->show();
}

void BrisaApp::quit()
{
    logLine("Saliendo de Brisa");
    // Every change is saved when it is made; leaving the loop lets destructors close what is open.
    QApplication::quit();
}

} // namespace brisa
