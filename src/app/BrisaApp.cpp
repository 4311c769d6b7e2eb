// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"

#include "app/ShortcutRegistry.h"
#include "app/TrayMenu.h"
#include "app/UnixSignals.h"
#include "core/capture/ClipboardMonitor.h"
#include "core/capture/OcrService.h"
#include "core/capture/ScreenshotWatcher.h"
#include "core/capture/VipsImageCodec.h"
#include "core/settings/AppSettings.h"
#include "core/settings/KeyboardShortcuts.h"
#include "core/shell/LoginItem.h"
#include "core/shell/QuickNote.h"
#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherStore.h"
#include "core/stores/SpaceStore.h"
#include "core/stores/TextSnippetStore.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "core/support/XdgPaths.h"
#include "platform/PlatformServices.h"
#include "core/support/Log.h"
#include "platform/qt/QtScheduler.h"
#include "ui/QuickNoteWindowController.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

namespace brisa {
namespace {

/// The tray symbol, rendered at the sizes tray hosts ask for.
QIcon trayIcon()
{
    QSvgRenderer renderer(QStringLiteral(":/brisa/icons/brisa-tray.svg"));
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

    if (auto exe = runningExecutable()) {
        loginItem_ = std::make_unique<LoginItem>(xdgConfigHome(), *exe);
        loginItem_->dropLegacyAgent();
    }

    defaults_ = std::make_unique<UserDefaults>(UserDefaults::defaultFile(), *scheduler_);
    logf("Ajustes en {}", defaults_->file().string());
    settings_ = std::make_unique<AppSettings>(*defaults_);
    AppSettingsHooks hooks;
    hooks.setHistoryLimit = [this](std::int64_t limit) { storage_->setHistoryLimit(limit); };
    hooks.setAutoDeleteDays = [this](std::int64_t days) { storage_->setAutoDeleteDays(days); };
    hooks.setLaunchAtLogin = [this](bool enabled) {
        if (loginItem_)
            loginItem_->setEnabled(enabled);
    };
    hooks.setBlockedBundleIDs = [this](const std::set<std::string>& ids) {
        if (monitor_)
            monitor_->blockedBundleIDs = ids;
    };
    settings_->setHooks(std::move(hooks));
    spaces_ = std::make_unique<SpaceStore>(*defaults_);
    snippets_ = std::make_unique<TextSnippetStore>(*defaults_);
    launcher_ = std::make_unique<LauncherStore>(*defaults_);

    createClipboardMonitor();
    settings_->apply();
    if (monitor_)
        monitor_->start();
    startScreenshotWatcher();

    quickNote_ = std::make_unique<QuickNoteWindowController>(
        [this](const std::string& note) { return saveQuickNote(*storage_, *scheduler_, note); });

    setupStatusItem();
    registerGlobalShortcuts();
    logLine("Brisa está lista");
    return true;
}

void BrisaApp::createClipboardMonitor()
{
    codec_ = std::make_unique<VipsImageCodec>();
    workers_ = std::make_unique<WorkerPool>();
    ocr_ = std::make_unique<OcrService>(*scheduler_, *workers_, [this](const Uuid& id, const std::string& text) {
        // The clip may have gone while its text was being recognised: then there is nothing to do.
        if (auto item = storage_->fetch(id, false)) {
            item->ocrText = text;
            storage_->update(*item);
        }
    });
    platform_ = std::make_unique<PlatformServices>(createPlatformServices(*scheduler_));
    if (!platform_->clipboard)
        return;

    ClipboardMonitor::Sources sources;
    Clipboard& clipboard = *platform_->clipboard;
    sources.changeCount = [&clipboard] { return clipboard.changeCount(); };
    sources.read = [&clipboard](ClipboardMonitor::ChooseTargets choose, ClipboardMonitor::ReadDone done) {
        clipboard.read(std::move(choose), std::move(done));
    };
    sources.frontmostApp = [this]() -> std::optional<SourceApp> {
        return platform_->frontmost ? platform_->frontmost->frontmost() : std::nullopt;
    };
    monitor_ = std::make_unique<ClipboardMonitor>(std::move(sources), *scheduler_, *storage_, *codec_, *workers_);
    monitor_->recognizeText = [this](const ClipItem& item, const Bytes& png) { ocr_->recognizeAsync(item, png); };
}

void BrisaApp::startScreenshotWatcher()
{
    screenshots_ = std::make_unique<ScreenshotWatcher>(*storage_, *scheduler_, *workers_);
    auto* watcher = platform_->directoryWatcher.get();
    screenshots_->start(ScreenshotWatcher::screenshotDirectory(*defaults_), [this, watcher](const auto& folder) {
        return watcher && watcher->watch(folder, [this] { screenshots_->scan(); });
    });
}

void BrisaApp::registerGlobalShortcuts()
{
    shortcuts_ = std::make_unique<KeyboardShortcuts>(*defaults_);
    shortcuts_->ensureApplicationDefaults(); // persisted even where keys cannot be grabbed
    if (!platform_->hotkeys) {
        logLine("Sin atajos globales en esta sesión: usa «brisa toggle» y las demás órdenes desde los atajos del escritorio");
        return;
    }
    shortcutRegistry_ = std::make_unique<ShortcutRegistry>(*shortcuts_, *platform_->hotkeys);
    ShortcutActions actions;
    actions.togglePanel = [this] { perform({RemoteCommand::Kind::Toggle, 0}); };
    actions.quickNote = [this] { perform({RemoteCommand::Kind::QuickNote, 0}); };
    actions.bulkCopyToggle = [this] { perform({RemoteCommand::Kind::BulkCopy, 0}); };
    actions.sequentialPaste = [] { logLine("Pegado secuencial aún no está disponible"); };
    actions.sequentialPasteBack = [] { logLine("Pegado secuencial aún no está disponible"); };
    actions.quickPaste = [this](int slot) { perform({RemoteCommand::Kind::PasteSlot, slot}); };
    shortcutRegistry_->registerGlobalShortcuts(std::move(actions));
}

void BrisaApp::setupStatusItem()
{
    TrayActions actions;
    actions.quit = [this] { quit(); };
    actions.openQuickNote = [this] { perform({RemoteCommand::Kind::QuickNote, 0}); };
    trayMenu_ = std::make_unique<TrayMenu>(*settings_, std::move(actions));

    delete statusItem_;
    statusItem_ = new QSystemTrayIcon(trayIcon(), this);
    statusItem_->setToolTip(QStringLiteral("Brisa"));
    statusItem_->setContextMenu(trayMenu_->menu());
    // A plain click opens the panel, as the menu's first item does; the menu is on the other button.
    connect(statusItem_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            perform({RemoteCommand::Kind::Toggle, 0});
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine("No hay bandeja del sistema en este escritorio; el icono aparecerá cuando la haya");
    statusItem_->show();
}

void BrisaApp::perform(const RemoteCommand& command)
{
    switch (command.kind) {
    case RemoteCommand::Kind::Toggle:
        logLine("El panel aún no está disponible");
        break;
    case RemoteCommand::Kind::QuickNote:
        if (quickNote_)
            quickNote_->show();
        break;
    case RemoteCommand::Kind::BulkCopy:
        logLine("Bulk Copy aún no está disponible");
        break;
    case RemoteCommand::Kind::PasteSlot:
        logf("Pegar el clip {} aún no está disponible", command.slot);
        break;
    }
}

void BrisaApp::quit()
{
    logLine("Saliendo de Brisa");
    // Every change is saved when it is made; leaving the loop lets destructors close what is open.
    QApplication::quit();
}

} // namespace brisa
