// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"

#include "app/ShortcutRegistry.h"
#include "app/TrayMenu.h"
#include "app/UnixSignals.h"
#include "core/capture/ClipboardMonitor.h"
#include "core/capture/OcrService.h"
#include "core/image/ImageClipOperations.h"
#include "core/capture/ScreenshotWatcher.h"
#include "core/capture/VipsImageCodec.h"
#include "core/notch/NotchController.h"
#include "core/toast/ToastController.h"
#include "core/paste/BulkCopyService.h"
#include "core/remind/ReminderScheduler.h"
#include "core/paste/PasteService.h"
#include "core/paste/QuickPasteService.h"
#include "core/paste/SequentialPasteService.h"
#include "core/paste/TerminalClasses.h"
#include "core/settings/AppSettings.h"
#include "core/settings/KeyboardShortcuts.h"
#include "core/shell/LoginItem.h"
#include "core/shell/QuickNote.h"
#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherStore.h"
#include "core/stores/SpaceStore.h"
#include "core/stores/TextSnippetStore.h"
#include "core/store/IdleCheckpoint.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "core/support/XdgPaths.h"
#include "platform/PlatformServices.h"
#include "platform/linux/DBusNotifications.h"
#include "core/support/Log.h"
#include "platform/qt/QtScheduler.h"
#include "ui/AppIconImageProvider.h"
#include "ui/Compositing.h"
#include "ui/NotchPanelViewModel.h"
#include "ui/NotchPanelWindow.h"
#include "ui/QuickNoteWindowController.h"
#include "ui/SymbolImageProvider.h"
#include "ui/ThumbnailImageProvider.h"
#include "ui/ToastViewModel.h"
#include "platform/qt/QtScreens.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QCursor>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

#include <algorithm>

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
    checkpoint_ = std::make_unique<IdleCheckpoint>(*storage_, *scheduler_);

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
        if (primaryMonitor_)
            primaryMonitor_->blockedBundleIDs = ids;
    };
    settings_->setHooks(std::move(hooks));
    spaces_ = std::make_unique<SpaceStore>(*defaults_);
    snippets_ = std::make_unique<TextSnippetStore>(*defaults_);
    launcher_ = std::make_unique<LauncherStore>(*defaults_);

    createClipboardMonitor();
    createPasteServices();
    settings_->apply();
    if (monitor_)
        monitor_->start();
    recordPrimarySelection(settings_->recordPrimarySelection());
    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::RecordPrimarySelection)
            recordPrimarySelection(settings_->recordPrimarySelection());
    });
    startScreenshotWatcher();

    quickNote_ = std::make_unique<QuickNoteWindowController>(
        [this](const std::string& note) { return saveQuickNote(*storage_, *scheduler_, note); });

    followCompositor();
    installNotchPanel();
    installToastPanel();
    startReminders();
    setupStatusItem();
    registerGlobalShortcuts();
    logLine("Brisa está lista");
    return true;
}

void BrisaApp::followCompositor()
{
    // Without a way to tell, an X session is taken to have none: cut windows look right either way.
    const bool active = platform_->compositor ? platform_->compositor->isActive() : !platform_->panelHints;
    Compositing::instance().setActive(active);
    if (!active)
        logLine("Sin compositor: el panel y los avisos se recortan a su contorno y se dibujan opacos");
    if (platform_->compositor)
        platform_->compositor->onChanged([](bool on) { Compositing::instance().setActive(on); });
}

void BrisaApp::createClipboardMonitor()
{
    codec_ = std::make_unique<VipsImageCodec>();
    workers_ = std::make_unique<WorkerPool>();
    ocr_ = std::make_unique<OcrService>(*scheduler_, *workers_, [this](const Uuid& id, const std::string& text) {
        // The clip may have gone while its text was being recognised: then nothing is written.
        storage_->setOcrText(id, text);
    });
    imageOps_ = std::make_unique<ImageClipOperations>(
        *storage_, *scheduler_, *workers_, [this](const ClipItem& item, const Bytes& data) { ocr_->recognizeAsync(item, data); });
    platform_ = std::make_unique<PlatformServices>(createPlatformServices(*scheduler_));
    if (!platform_->clipboard)
        return;

    ClipboardMonitor::Sources sources;
    Clipboard& clipboard = *platform_->clipboard;
    sources.changeCount = [&clipboard] { return clipboard.changeCount(); };
    sources.read = [&clipboard](ClipboardMonitor::ChooseTargets choose, ClipboardMonitor::ReadDone done) {
        clipboard.read(std::move(choose), std::move(done));
    };
    // BRISA_CLIPBOARD_POLL=1 looks every 0.3 s instead, as where the platform cannot tell (for comparisons).
    if (clipboard.notifiesChanges() && qEnvironmentVariableIntValue("BRISA_CLIPBOARD_POLL") == 0)
        sources.subscribe = [&clipboard](std::function<void()> handler) { clipboard.setChangeHandler(std::move(handler)); };
    sources.retain = [&clipboard](std::int64_t change, Clipboard::Targets targets) {
        clipboard.retain(change, std::move(targets));
    };
    sources.frontmostApp = [this] { return copyingApp(); };
    monitor_ = std::make_unique<ClipboardMonitor>(std::move(sources), *scheduler_, *storage_, *codec_, *workers_);
    monitor_->recognizeText = [this](const ClipItem& item, const Bytes& png) { ocr_->recognizeAsync(item, png); };
}

std::optional<SourceApp> BrisaApp::copyingApp() const
{
    auto app = platform_->frontmost ? platform_->frontmost->frontmost() : std::nullopt;
    // One of Brisa's own windows in front (the panel, a toast) says nothing about who copied:
    // a program without a window (a script, xclip) did, so the clip has no source.
    if (app && app->bundleID && QString::fromStdString(*app->bundleID).compare(QStringLiteral("brisa"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return app;
}

void BrisaApp::recordPrimarySelection(bool on)
{
    if (!on || !platform_->openPrimarySelection || !monitor_) {
        primaryMonitor_.reset();
        primary_.reset();
        return;
    }
    if (primaryMonitor_ || !(primary_ = platform_->openPrimarySelection()))
        return;
    Clipboard& selection = *primary_;
    ClipboardMonitor::Sources sources;
    sources.changeCount = [&selection] { return selection.changeCount(); };
    sources.read = [&selection](ClipboardMonitor::ChooseTargets choose, ClipboardMonitor::ReadDone done) {
        selection.read(std::move(choose), std::move(done));
    };
    sources.subscribe = [&selection](std::function<void()> handler) { selection.setChangeHandler(std::move(handler)); };
    sources.selectionInProgress = [&selection] { return selection.selectionInProgress(); };
    sources.frontmostApp = [this] { return copyingApp(); };
    primaryMonitor_ = std::make_unique<ClipboardMonitor>(std::move(sources), *scheduler_, *storage_, *codec_, *workers_);
    // Recorded without a toast: a highlight is not a copy the user asked to confirm.
    primaryMonitor_->blockedBundleIDs = monitor_->blockedBundleIDs;
    primaryMonitor_->settleDelay = Duration{500};
    primaryMonitor_->start();
}

void BrisaApp::createPasteServices()
{
    PasteService::Ports ports;
    ports.ignoreNextChange = [this](bool on) {
        if (monitor_)
            monitor_->ignoreNextChange = on;
    };
    ports.write = [this](PasteTargets targets) {
        return platform_->clipboard && platform_->clipboard->write(std::move(targets));
    };
    ports.collapsePanel = [this] {
        if (notch_)
            notch_->releaseAndCollapse();
    };
    ports.restorePreviousWindow = [this] {
        // Only when one of Brisa's windows holds the focus: a quick paste from a shortcut starts in
        // the user's window already, and sending the focus to a window remembered long ago would
        // paste into the wrong application.
        if (!platform_->windows || !QGuiApplication::focusWindow() || !notch_ || !notch_->previousApp())
            return false;
        return platform_->windows->activate(std::stoul(*notch_->previousApp()));
    };
    ports.keyAccess = [this] {
        if (platform_->keys && platform_->keys->available())
            return KeyAccess::Granted;
        return platform_->wayland ? KeyAccess::Wayland : KeyAccess::MissingXTest;
    };
    ports.focusedWindowClass = [this]() -> std::optional<std::string> {
        return platform_->windows ? platform_->windows->activeWindowClass() : std::nullopt;
    };
    ports.sendPaste = [this](PasteChord chord) { return platform_->keys && platform_->keys->sendPaste(chord); };
    ports.mirrorToPrimary = [this] {
        // Brisa's own content on the mouse selection is not a new selection to record.
        if (primaryMonitor_)
            primaryMonitor_->ignoreNextChange = true;
        const bool mirrored = platform_->clipboard && platform_->clipboard->mirrorToPrimary();
        if (!mirrored && primaryMonitor_)
            primaryMonitor_->ignoreNextChange = false;
        return mirrored;
    };
    ports.showAlert = [this](const PermissionAlert& alert) { return showAlert(alert); };
    ports.openSettings = [] { logLine("La ventana de ajustes aún no está disponible"); };
    paster_ = std::make_unique<PasteService>(std::move(ports), *scheduler_, storage_->imagesDir());
    paster_->terminalClasses = terminalClasses(*defaults_);

    quickPaste_ = std::make_unique<QuickPasteService>(*storage_, *paster_);
    sequentialPaste_ = std::make_unique<SequentialPasteService>(*storage_, *paster_);
    bulkCopy_ = std::make_unique<BulkCopyService>(*storage_, *paster_);
    // Until toasts have a window of their own, the status goes to the log.
    bulkCopy_->activeChanged = [](bool on) { logLine(on ? BulkCopyService::kOnMessage : BulkCopyService::kOffMessage); };
    if (monitor_)
        monitor_->activeBatch = [this] { return bulkCopy_->activeBatch(); };
}

int BrisaApp::showAlert(const PermissionAlert& alert)
{
    logLine(alert.title);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(alert.title),
                    QString::fromStdString(alert.title));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    std::vector<QAbstractButton*> buttons;
    for (const auto& title : alert.buttons)
        buttons.push_back(box.addButton(QString::fromStdString(title),
                                        buttons.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!buttons.empty())
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    const auto it = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

void BrisaApp::installNotchPanel()
{
    if (!platform_->screens)
        return;
    static const std::string self = "brisa";
    NotchController::Ports ports;
    ports.screens = [this] { return platform_->screens->screens(); };
    ports.pointerPosition = [this] {
        if (platform_->pointer)
            return platform_->pointer->pointerPosition();
        return static_cast<QtScreens&>(*platform_->screens).fromPointer(QCursor::pos());
    };
    ports.createPanel = [this](Rect frame) { panelWindow_->create(frame); };
    ports.setFrame = [this](Rect frame) { panelWindow_->setFrame(frame); };
    ports.setIgnoresMouse = [this](bool ignores) { panelWindow_->setIgnoresMouse(ignores); };
    ports.orderFront = [this] { panelWindow_->orderFront(); };
    ports.setKeyable = [this](bool keyable) { panelWindow_->setKeyable(keyable); };
    ports.makeKeyAndFront = [this] { panelWindow_->makeKeyAndFront(); };
    ports.resetSequentialCursor = [this] { sequentialPaste_->cursor = -1; };
    ports.toastShowing = [this] { return toast_ && toast_->current().has_value(); };
    ports.dismissToastNow = [this] {
        if (toast_)
            toast_->dismissNow();
    };
    ports.frontmostApp = [this]() -> std::optional<std::string> {
        if (QGuiApplication::focusWindow())
            return self; // one of Brisa's own windows
        if (!platform_->windows)
            return std::nullopt;
        const auto window = platform_->windows->activeWindow();
        return window ? std::optional<std::string>(std::to_string(*window)) : std::nullopt;
    };
    ports.ownAppId = [] { return self; };
    ports.activateApp = [this](const std::string& id) {
        if (platform_->windows && id != self)
            platform_->windows->activate(std::stoul(id));
    };
    ports.activateSelf = [this] {
        // Comes after makeKeyAndFront, whose activation request has already sent the window's
        // keyable state on Qt's connection. That request alone may be refused to a panel window by
        // a window manager that prevents focus stealing; this one, with a fresh timestamp, is not.
        QWindow* window = panelWindow_ ? panelWindow_->window() : nullptr;
        if (platform_->windows && window)
            platform_->windows->activate(static_cast<unsigned long>(window->winId()));
    };
    notch_ = std::make_unique<NotchController>(std::move(ports), *scheduler_, *settings_);

    qmlEngine_ = std::make_unique<QQmlEngine>();
    qmlEngine_->addImageProvider(QStringLiteral("brisa-thumbs"), new ThumbnailImageProvider(storage_->storeFile()));
    qmlEngine_->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider());
    qmlEngine_->addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), new AppIconImageProvider());
    panelModel_ = std::make_unique<NotchPanelViewModel>(
        NotchPanelViewModel::Services{*notch_, *paster_, *storage_, *bulkCopy_, *settings_, *spaces_, *scheduler_,
                                      imageOps_.get()});
    panelModel_->colorSampler = platform_->colorSampler.get();
    auto& screens = static_cast<QtScreens&>(*platform_->screens);
    panelWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/NotchRoot.qml")),
        QVariantMap{{QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), [&screens](const Rect& frame) { return screens.toWindowGeometry(frame); });
    if (!notch_->install())
        return;

    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::PanelPosition || field == AppSettings::Field::PanelScale)
            notch_->applyPositionChange();
    });
    platform_->screens->onChanged([this] { notch_->applyPositionChange(); });
    if (platform_->pointer) {
        PointerMonitor::Handlers handlers;
        handlers.onMoved = [this](Point) { notch_->mouseMoved(); };
        handlers.onButtonDown = [this](Point) {
            // Clicks in Brisa's own menus and windows are not clicks elsewhere; the panel decides for itself.
            QWindow* under = QGuiApplication::topLevelAt(QCursor::pos());
            if (under && under != panelWindow_->window())
                return;
            notch_->mouseDown();
        };
        handlers.onEscapeDown = [this] { notch_->keyDown(true); };
        platform_->pointer->setHandlers(std::move(handlers));
    } else {
        logLine("Sin eventos globales del puntero: el panel se abre con el atajo o «brisa toggle»");
    }
}

void BrisaApp::installToastPanel()
{
    if (!notch_ || !panelModel_)
        return;
    ToastController::Ports ports;
    ports.panelExpanded = [this] { return notch_->expanded(); };
    ports.screenUnderPointer = [this]() -> std::optional<NotchGeometry::Metrics> {
        const auto screens = platform_->screens->screens();
        const Point p = platform_->pointer ? platform_->pointer->pointerPosition()
                                           : static_cast<QtScreens&>(*platform_->screens).fromPointer(QCursor::pos());
        const auto screen = NotchGeometry::screenContaining(screens, p);
        return screen ? std::optional(NotchGeometry::metrics(*screen)) : std::nullopt;
    };
    ports.currentMetrics = [this]() -> std::optional<NotchGeometry::Metrics> {
        const auto screens = platform_->screens->screens();
        return screens.empty() ? std::nullopt : std::optional(NotchGeometry::currentMetrics(screens));
    };
    ports.createWindow = [this](Rect frame) { toastWindow_->create(frame); };
    ports.setFrame = [this](Rect frame) { toastWindow_->setFrame(frame); };
    ports.setIgnoresMouse = [this](bool ignores) {
        toastWindow_->setIgnoresMouse(ignores);
        if (!ignores)
            toastWindow_->orderFront(); // above the panel's window
    };
    toast_ = std::make_unique<ToastController>(std::move(ports), *scheduler_);
    toastModel_ = std::make_unique<ToastViewModel>(*toast_, *scheduler_, storage_->imagesDir());
    auto& screens = static_cast<QtScreens&>(*platform_->screens);
    toastWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ToastRoot.qml")),
        QVariantMap{{QStringLiteral("viewModel"), QVariant::fromValue<QObject*>(toastModel_.get())},
                    {QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), [&screens](const Rect& frame) { return screens.toWindowGeometry(frame); });
    // Clicks beside the pill go to the windows below, as they would without a toast.
    const Rect pill = ToastController::kPillArea;
    toastWindow_->setInputRect(QRectF(pill.x, pill.y, pill.width, pill.height).toAlignedRect());
    if (!toast_->install())
        return;
    const auto show = [this](const ToastData& data) { toast_->show(data); };
    if (monitor_)
        monitor_->showToast = show;
    bulkCopy_->showToast = show;
}

void BrisaApp::startScreenshotWatcher()
{
    auto codec = std::make_shared<VipsImageCodec>(VipsImageCodec::Truncated::Refuse); // half-written files wait
    screenshots_ = std::make_unique<ScreenshotWatcher>(*storage_, *scheduler_, *workers_, codec, [this](const ScreenshotToast& shot) {
        if (!toast_)
            return;
        ToastData data;
        data.kind = ToastData::Screenshot{.thumbnail = shot.thumbnail};
        if (shot.imageFileName)
            data.drag = ClipDragPayload::imageFile(*shot.imageFileName);
        toast_->show(std::move(data));
    });
    auto* watcher = platform_->directoryWatcher.get();
    screenshots_->start(ScreenshotWatcher::screenshotDirectory(*defaults_), [this, watcher](const auto& folder) {
        return watcher && watcher->watch(folder, [this](const auto& removed) { screenshots_->scan(removed); });
    });
}

void BrisaApp::startReminders()
{
    notifications_ = std::make_unique<DBusNotifications>();
    notifications_->onActivated = [this](const std::string& key) {
        const auto id = Uuid::parse(key);
        if (!id || !notch_ || !panelModel_)
            return;
        if (!notch_->expanded())
            notch_->openForKeyboard();
        panelModel_->showClip(*id);
    };
    reminders_ = std::make_unique<ReminderScheduler>(*storage_, *scheduler_, [this](const ReminderNotice& notice) {
        return notifications_->show({notice.title, notice.body, notice.clipId.toString()});
    });
    // A reminder set, changed or removed here is scheduled at once; the scheduler itself notices
    // those of other programs.
    storage_->onChanged([this] {
        if (reminders_)
            reminders_->refresh();
    });
    reminders_->start();
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
    actions.sequentialPaste = [this] { sequentialPaste_->pasteNext(); };
    actions.sequentialPasteBack = [this] { sequentialPaste_->pasteBack(); };
    actions.quickPaste = [this](int slot) { perform({RemoteCommand::Kind::PasteSlot, slot}); };
    shortcutRegistry_->registerGlobalShortcuts(std::move(actions));
}

void BrisaApp::setupStatusItem()
{
    TrayActions actions;
    actions.quit = [this] { quit(); };
    actions.openPanel = [this] { perform({RemoteCommand::Kind::Toggle, 0}); };
    actions.openQuickNote = [this] { perform({RemoteCommand::Kind::QuickNote, 0}); };
    actions.toggleBulkCopy = [this] { perform({RemoteCommand::Kind::BulkCopy, 0}); };
    // The library and settings windows do not exist yet: their items stay greyed.
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
        if (notch_)
            notch_->togglePinnedOpen();
        else
            logLine("El panel no está disponible en esta sesión");
        break;
    case RemoteCommand::Kind::QuickNote:
        if (quickNote_)
            quickNote_->show();
        break;
    case RemoteCommand::Kind::BulkCopy:
        bulkCopy_->toggle();
        break;
    case RemoteCommand::Kind::PasteSlot:
        logf("Pegar el clip {}", command.slot);
        quickPaste_->paste(command.slot);
        break;
    }
}

void BrisaApp::quit()
{
    logLine("Saliendo de Brisa");
    if (checkpoint_)
        checkpoint_->flush();
    // Every change is saved when it is made; leaving the loop lets destructors close what is open.
    QApplication::quit();
}

} // namespace brisa
