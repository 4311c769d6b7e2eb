// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BrisaApp.h"

#include "app/ShortcutRegistry.h"
#include "app/TrayMenu.h"
#include "app/UnixSignals.h"
#include "core/capture/CapturePause.h"
#include "core/capture/ClipboardMonitor.h"
#include "core/capture/OcrService.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageLibrary.h"
#include "core/capture/ScreenshotWatcher.h"
#include "core/launcher/AppLauncher.h"
#include "core/notch/NotchController.h"
#include "core/nowplaying/NowPlayingService.h"
#include "core/sidepanels/SidePanelController.h"
#include "core/sidepanels/SidePanelGeometry.h"
#include "core/capture/ToastData.h"
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
#include "core/expander/TextExpander.h"
#include "core/stores/TextSnippetStore.h"
#include "core/store/IdleCheckpoint.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "core/support/XdgPaths.h"
#include "platform/PlatformServices.h"
#include "platform/linux/DBusNotifications.h"
#include "platform/linux/MprisPlayers.h"
#include "platform/linux/PosixProcessSpawner.h"
#include "platform/linux/XdgDefaultApplications.h"
#include "core/support/Log.h"
#include "platform/qt/QtScheduler.h"
#include "ui/AppIconImageProvider.h"
#include "ui/Compositing.h"
#include "ui/NotchPanelViewModel.h"
#include "ui/NotchPanelWindow.h"
#include "core/clips/ClipLibrary.h"
#include "ui/LibraryViewModel.h"
#include "ui/LibraryWindowController.h"
#include "ui/LauncherPickerWindow.h"
#include "ui/LauncherViewModel.h"
#include "ui/NowPlayingViewModel.h"
#include "ui/QuickNoteWindowController.h"
#include "ui/SettingsWindowController.h"
#include "ui/SymbolImageProvider.h"
#include "ui/ThumbnailImageProvider.h"
#include "ui/ToastViewModel.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

#include <algorithm>

namespace brisa {
namespace {

/// The tray symbol, rendered at the sizes tray hosts ask for; greyed with a pause mark while paused.
QIcon trayIcon(bool paused = false)
{
    QSvgRenderer renderer(paused ? QStringLiteral(":/brisa/icons/brisa-tray-paused.svg")
                                 : QStringLiteral(":/brisa/icons/brisa-tray.svg"));
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

BrisaApp::BrisaApp(const ImageLibrary& images, QObject* parent)
    : QObject(parent)
    , images_(images)
{
}

BrisaApp::~BrisaApp() = default;

bool BrisaApp::start()
{
    logf(LogCategory::App, "Iniciando Brisa {}", BRISA_VERSION);

    // No taskbar entry and no main window: closing a window never ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    signals_ = new UnixSignals(this);
    connect(signals_, &UnixSignals::terminationRequested, this, [this](int sig) {
        logf(LogCategory::App, "Señal {} recibida", sig);
        quit();
    });

    scheduler_ = std::make_unique<QtScheduler>();
    auto opened = Storage::open(xdgDataHome(), *scheduler_);
    if (!opened.storage) {
        logLine(LogCategory::App, opened.error);
        return false;
    }
    storage_ = std::move(opened.storage);
    checkpoint_ = std::make_unique<IdleCheckpoint>(*storage_, *scheduler_);

    if (auto exe = runningExecutable()) {
        loginItem_ = std::make_unique<LoginItem>(xdgConfigHome(), *exe);
        loginItem_->dropLegacyAgent();
    }

    defaults_ = std::make_unique<UserDefaults>(UserDefaults::defaultFile(), *scheduler_);
    logf(LogCategory::App, "Ajustes en {}", defaults_->file().string());
    settings_ = std::make_unique<AppSettings>(*defaults_, static_cast<SettingsEffects*>(this));
    capturePause_ = std::make_unique<CapturePause>(*scheduler_, *defaults_);
    spaces_ = std::make_unique<SpaceStore>(*defaults_);
    snippets_ = std::make_unique<TextSnippetStore>(*defaults_);
    launcher_ = std::make_unique<LauncherStore>(*defaults_);
    if (launcher_->seeded()) {
        // A new store starts with this desktop's browser and file manager rather than the seed tile.
        defaultApps_ = std::make_unique<XdgDefaultApplications>();
        connect(defaultApps_.get(), &XdgDefaultApplications::found, this, [this](const std::vector<std::string>& files) {
            std::vector<LauncherApp> apps;
            for (const auto& file : files) {
                LauncherApp app;
                app.id = Uuid::random();
                app.name = launcherDisplayName(file);
                app.bundlePath = file;
                apps.push_back(std::move(app));
            }
            launcher_->replaceSeed(std::move(apps));
        });
        defaultApps_->find();
    }

    createClipboardMonitor();
    createPasteServices();
    createTextExpander();
    settings_->apply();
    if (monitor_)
        monitor_->start();
    recordPrimarySelection(settings_->recordPrimarySelection());
    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::RecordPrimarySelection)
            recordPrimarySelection(settings_->recordPrimarySelection());
    });
    startScreenshotWatcher();
    if (expander_)
        expander_->start();

    quickNote_ = std::make_unique<QuickNoteWindowController>(static_cast<NoteStore&>(*this));

    followCompositor();
    installNotchPanel();
    installToastPanel();
    installNowPlayingPanel();
    installLauncherPanel();
    startReminders();
    setupStatusItem();
    registerGlobalShortcuts();
    logLine(LogCategory::App, "Brisa está lista");
    return true;
}

bool BrisaApp::saveNote(const std::string& note) { return saveQuickNote(*storage_, *scheduler_, note); }

void BrisaApp::storeRecognizedText(const Uuid& id, const std::string& text)
{
    // The clip may have gone while its text was being recognised: then nothing is written.
    storage_->setOcrText(id, text);
}

void BrisaApp::setHistoryLimit(std::int64_t limit) { storage_->setHistoryLimit(limit); }

void BrisaApp::setAutoDeleteDays(std::int64_t days) { storage_->setAutoDeleteDays(days); }

void BrisaApp::setLaunchAtLogin(bool enabled)
{
    if (loginItem_)
        loginItem_->setEnabled(enabled);
}

void BrisaApp::setBlockedBundleIDs(const std::set<std::string>& ids)
{
    if (monitor_)
        monitor_->blockedBundleIDs = ids;
    if (primaryMonitor_)
        primaryMonitor_->blockedBundleIDs = ids;
    if (expander_)
        expander_->setBlockedBundleIDs(ids);
}

void BrisaApp::followCompositor()
{
    // Without a way to tell, an X session is taken to have none: cut windows look right either way.
    const bool active = platform_->compositor ? platform_->compositor->isActive() : !platform_->panelHints;
    Compositing::instance().setActive(active);
    if (!active)
        logLine(LogCategory::App, "Sin compositor: el panel y los avisos se recortan a su contorno y se dibujan opacos");
    if (platform_->compositor)
        platform_->compositor->onChanged([](bool on) { Compositing::instance().setActive(on); });
}

void BrisaApp::createClipboardMonitor()
{
    workers_ = std::make_unique<WorkerPool>();
    ocr_ = std::make_unique<OcrService>(*scheduler_, *workers_, static_cast<RecognizedTextSink&>(*this), images_);
    imageOps_ = std::make_unique<ImageClipOperations>(*storage_, *scheduler_, *workers_, images_, ocr_.get());
    platform_ = std::make_unique<PlatformServices>(createPlatformServices(*scheduler_));
    // The compositor quitting ends the session: leave as on a termination signal, losing nothing.
    platform_->setSessionLostHandler([this] { quit(); });
    if (!platform_->clipboard)
        return;

    monitor_ = std::make_unique<ClipboardMonitor>(*platform_->clipboard, platform_->frontmost.get(), *scheduler_,
                                                  *storage_, images_, *workers_);
    // BRISA_CLIPBOARD_POLL=1 looks every 0.3 s instead, as where the platform cannot tell (for comparisons).
    monitor_->useChangeEvents = qEnvironmentVariableIntValue("BRISA_CLIPBOARD_POLL") == 0;
    monitor_->recognizer = ocr_.get();
    monitor_->capturePause = capturePause_.get();
}

void BrisaApp::recordPrimarySelection(bool on)
{
    if (!on || !platform_->openPrimarySelection || !monitor_) {
        if (paster_)
            paster_->selectionCapture = nullptr;
        primaryMonitor_.reset();
        primary_.reset();
        return;
    }
    if (primaryMonitor_ || !(primary_ = platform_->openPrimarySelection()))
        return;
    primaryMonitor_ = std::make_unique<ClipboardMonitor>(*primary_, platform_->frontmost.get(), *scheduler_,
                                                         *storage_, images_, *workers_);
    // Recorded without a toast: a highlight is not a copy the user asked to confirm. Nor is it
    // kept for when its owner quits.
    primaryMonitor_->retainContent = false;
    primaryMonitor_->blockedBundleIDs = monitor_->blockedBundleIDs;
    primaryMonitor_->settleDelay = Duration{500};
    primaryMonitor_->capturePause = capturePause_.get();
    primaryMonitor_->start();
    paster_->selectionCapture = primaryMonitor_.get();
}

void BrisaApp::createPasteServices()
{
    paster_ = std::make_unique<PasteService>(
        PasteService::Desktop{platform_->clipboard.get(), platform_->keys.get(), platform_->windows.get()},
        *scheduler_, storage_->imagesDir(), images_);
    paster_->terminalClasses = terminalClasses(*defaults_);
    paster_->waylandSession = platform_->wayland;
    paster_->capture = monitor_.get();
    paster_->prompt = this;

    quickPaste_ = std::make_unique<QuickPasteService>(*storage_, *paster_);
    sequentialPaste_ = std::make_unique<SequentialPasteService>(*storage_, *paster_);
    bulkCopy_ = std::make_unique<BulkCopyService>(*storage_, *paster_);
    if (monitor_)
        monitor_->batches = bulkCopy_.get();
}

void BrisaApp::createTextExpander()
{
    expander_ = std::make_unique<TextExpander>(
        TextExpander::Desktop{platform_->keyWatcher.get(), platform_->keys.get(), platform_->frontmost.get()},
        *snippets_, *paster_, *scheduler_);
}

void BrisaApp::reloadSnippets()
{
    // Another brisa process changed the file: take its list into this process's copy of the
    // settings, so that a later save here keeps it.
    SystemClock clock;
    UserDefaults fromFile(defaults_->file(), clock);
    if (auto value = fromFile.value(TextSnippetStore::key))
        defaults_->set(TextSnippetStore::key, *value);
    else
        defaults_->remove(TextSnippetStore::key);
    snippets_->reload();
    logf(LogCategory::App, "Snippets releídos: {}", snippets_->snippets().size());
}

void BrisaApp::openSettings()
{
    if (!shortcuts_)
        return; // still starting
    if (!settingsWindow_) {
        settingsWindow_ = std::make_unique<SettingsWindowController>(SettingsWindowController::Services{
            *settings_, *snippets_, *shortcuts_, shortcutRegistry_.get(), platform_->frontmost.get(), storage_.get()});
    }
    settingsWindow_->show();
}

int BrisaApp::ask(const PermissionAlert& alert)
{
    logLine(LogCategory::App, alert.title);
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

void BrisaApp::makeQmlEngine()
{
    qmlEngine_ = std::make_unique<QQmlEngine>();
    qmlEngine_->addImageProvider(QStringLiteral("brisa-thumbs"), new ThumbnailImageProvider(storage_->storeFile()));
    qmlEngine_->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider());
    qmlEngine_->addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), new AppIconImageProvider());
}

void BrisaApp::installNotchPanel()
{
    if (!platform_->screens)
        return;
    Screens& screens = *platform_->screens;
    notch_ = std::make_unique<NotchController>(
        NotchController::Desktop{screens, platform_->pointer.get(), platform_->windows.get()}, *scheduler_,
        *settings_, sequentialPaste_.get());
    paster_->origin = notch_.get();

    makeQmlEngine();
    panelModel_ = std::make_unique<NotchPanelViewModel>(
        NotchPanelViewModel::Services{*notch_, *paster_, *storage_, *bulkCopy_, *settings_, *spaces_, *scheduler_,
                                      imageOps_.get()});
    panelModel_->colorSampler = platform_->colorSampler.get();
    panelModel_->shareTargets = platform_->shareTargets.get();
    panelWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/NotchRoot.qml")),
        QVariantMap{{QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), screens);
    if (!notch_->install(*panelWindow_))
        return;

    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::PanelPosition || field == AppSettings::Field::PanelScale)
            notch_->applyPositionChange();
    });
    screens.onChanged([this] { notch_->applyPositionChange(); });
}

void BrisaApp::installToastPanel()
{
    if (!notch_ || !panelModel_)
        return;
    toast_ = std::make_unique<ToastController>(*platform_->screens, platform_->pointer.get(), *notch_, *scheduler_);
    notch_->setToast(toast_.get());
    toastModel_ = std::make_unique<ToastViewModel>(*toast_, *scheduler_, storage_->imagesDir(), &images_);
    toastWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ToastRoot.qml")),
        QVariantMap{{QStringLiteral("viewModel"), QVariant::fromValue<QObject*>(toastModel_.get())},
                    {QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), *platform_->screens);
    // Clicks beside the pill go to the windows below, as they would without a toast.
    const Rect pill = ToastController::kPillArea;
    toastWindow_->setInputRect(QRectF(pill.x, pill.y, pill.width, pill.height).toAlignedRect());
    if (!toast_->install(*toastWindow_))
        return;
    if (monitor_)
        monitor_->toasts = toast_.get();
    bulkCopy_->toasts = toast_.get();
    capturePause_->toasts = toast_.get();
    screenshots_->toasts = toast_.get();
}

void BrisaApp::installNowPlayingPanel()
{
    if (!notch_ || !panelModel_)
        return;
    players_ = std::make_unique<MprisPlayers>();
    nowPlaying_ = std::make_unique<NowPlayingService>(*players_, *scheduler_);
    nowPlayingModel_ = std::make_unique<NowPlayingViewModel>(*nowPlaying_, *notch_);
    nowPlayingSide_ = std::make_unique<SidePanelController>(*notch_, *platform_->screens, *nowPlayingModel_);
    nowPlayingWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/NowPlayingRoot.qml")),
        QVariantMap{{QStringLiteral("player"), QVariant::fromValue<QObject*>(nowPlayingModel_.get())},
                    {QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), *platform_->screens);
    // Only the card takes clicks; the window's margins around it let them through.
    const Size card = SidePanelGeometry::kNowPlayingCard;
    const double inset = SidePanelGeometry::kHitInset;
    nowPlayingWindow_->setInputRect(
        QRectF(inset, SidePanelGeometry::kNowPlayingWindow.height - inset - card.height, card.width, card.height)
            .toAlignedRect());
    if (!nowPlayingSide_->install(*nowPlayingWindow_))
        return;
    notch_->addSidePanel(*nowPlayingSide_);
    nowPlaying_->onChanged([this](NowPlayingService::Field field) {
        if (field == NowPlayingService::Field::Track)
            nowPlayingSide_->refresh();
    });
    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::PanelScale)
            nowPlayingSide_->refresh();
    });
    platform_->screens->onChanged([this] { nowPlayingSide_->refresh(); });
}

void BrisaApp::installLauncherPanel()
{
    if (!notch_ || !panelModel_)
        return;
    spawner_ = std::make_unique<PosixProcessSpawner>();
    appLauncher_ = std::make_unique<AppLauncher>(*spawner_);
    appLauncher_->windows = platform_->windows.get();
    launcherModel_ = std::make_unique<LauncherViewModel>(*launcher_, *appLauncher_, *notch_, *settings_);
    launcherPicker_ = std::make_unique<LauncherPickerWindow>(*qmlEngine_, *launcher_, *notch_, *platform_->screens);
    launcherModel_->setAppPicker(launcherPicker_.get());
    launcherSide_ = std::make_unique<SidePanelController>(*notch_, *platform_->screens, *launcherModel_);
    launcherWindow_ = std::make_unique<NotchPanelWindow>(
        *qmlEngine_, QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/LauncherRoot.qml")),
        QVariantMap{{QStringLiteral("launcher"), QVariant::fromValue<QObject*>(launcherModel_.get())},
                    {QStringLiteral("panel"), QVariant::fromValue<QObject*>(panelModel_.get())}},
        platform_->panelHints.get(), *platform_->screens);
    launcherWindow_->setInputRect(launcherModel_->inputRect());
    if (!launcherSide_->install(*launcherWindow_))
        return;
    notch_->addSidePanel(*launcherSide_);
    launcher_->onChanged([this] {
        launcherSide_->refresh();
        launcherWindow_->setInputRect(launcherModel_->inputRect());
    });
    settings_->onChanged([this](AppSettings::Field field) {
        if (field == AppSettings::Field::PanelScale)
            launcherSide_->refresh();
    });
    platform_->screens->onChanged([this] { launcherSide_->refresh(); });
}

void BrisaApp::startScreenshotWatcher()
{
    screenshots_ = std::make_unique<ScreenshotWatcher>(*storage_, *scheduler_, *workers_, images_);
    screenshots_->capturePause = capturePause_.get();
    screenshots_->start(ScreenshotWatcher::screenshotDirectory(*defaults_), platform_->directoryWatcher.get());
}

void BrisaApp::startReminders()
{
    notifications_ = std::make_unique<DBusNotifications>();
    notifications_->clicks = this;
    // Said once: in the toast's place where there is one, else by the desktop's notifications.
    const std::string& warning = platform_->clipboardWarning;
    if (!warning.empty() && toast_ && toast_->installed()) {
        toast_->show(ToastData{ToastData::Notice{"Sin acceso al portapapeles", warning}});
        logLine(LogCategory::App, "Aviso en pantalla: Sin acceso al portapapeles");
    } else if (!warning.empty()) {
        notifications_->show({"Brisa no puede vigilar el portapapeles", warning, {}});
    }
    reminders_ = std::make_unique<ReminderScheduler>(*storage_, *scheduler_, *notifications_);
    // A reminder set, changed or removed here is scheduled at once; the scheduler itself notices
    // those of other programs.
    storage_->onChanged([this] {
        if (reminders_)
            reminders_->refresh();
    });
    reminders_->start();
}

void BrisaApp::notificationClicked(const std::string& key)
{
    const auto id = Uuid::parse(key);
    if (!id || !notch_ || !panelModel_)
        return;
    if (!notch_->expanded())
        notch_->openForKeyboard();
    panelModel_->showClip(*id);
}

void BrisaApp::registerGlobalShortcuts()
{
    shortcuts_ = std::make_unique<KeyboardShortcuts>(*defaults_);
    shortcuts_->ensureApplicationDefaults(); // persisted even where keys cannot be grabbed
    if (!platform_->hotkeys) {
        logLine(LogCategory::App, "Sin atajos globales en esta sesión: usa «brisa toggle» y las demás órdenes desde los atajos del escritorio");
        return;
    }
    shortcutRegistry_ = std::make_unique<ShortcutRegistry>(*shortcuts_, *platform_->hotkeys);
    shortcutRegistry_->registerGlobalShortcuts(*this);
}

void BrisaApp::setupStatusItem()
{
    trayMenu_ = std::make_unique<TrayMenu>(*settings_, static_cast<AppCommands&>(*this));

    delete statusItem_;
    statusItem_ = new QSystemTrayIcon(trayIcon(), this);
    statusItem_->setToolTip(QStringLiteral("Brisa"));
    statusItem_->setContextMenu(trayMenu_->menu());
    // A plain click opens the panel, as the menu's first item does; the menu is on the other button.
    connect(statusItem_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            perform({RemoteCommand::Kind::Toggle, 0});
    });
    capturePause_->onChanged([this] { showCapturePaused(); });
    showCapturePaused();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logLine(LogCategory::App, "No hay bandeja del sistema en este escritorio; el icono aparecerá cuando la haya");
    statusItem_->show();
}

void BrisaApp::showCapturePaused()
{
    const bool paused = capturePause_->paused();
    trayMenu_->showCapturePaused(paused);
    statusItem_->setIcon(trayIcon(paused));
    QString tip = QStringLiteral("Brisa");
    if (paused) {
        tip += QStringLiteral(" — captura en pausa");
        if (const auto until = capturePause_->until())
            tip += QStringLiteral(" hasta las ")
                   + QDateTime::fromSecsSinceEpoch(std::chrono::system_clock::to_time_t(*until)).toString(QStringLiteral("HH:mm"));
    }
    statusItem_->setToolTip(tip);
}

void BrisaApp::perform(const RemoteCommand& command)
{
    switch (command.kind) {
    case RemoteCommand::Kind::Toggle:
        if (notch_)
            notch_->togglePinnedOpen();
        else
            logLine(LogCategory::App, "El panel no está disponible en esta sesión");
        break;
    case RemoteCommand::Kind::QuickNote:
        if (quickNote_)
            quickNote_->show();
        break;
    case RemoteCommand::Kind::BulkCopy:
        bulkCopy_->toggle();
        break;
    case RemoteCommand::Kind::PasteSlot:
        logf(LogCategory::App, "Pegar el clip {}", command.slot);
        quickPaste_->paste(command.slot);
        break;
    case RemoteCommand::Kind::Settings:
        openSettings();
        break;
    case RemoteCommand::Kind::Library:
        showLibrary();
        break;
    case RemoteCommand::Kind::Pause:
        capturePause_->pause(command.minutes > 0 ? std::optional<std::int64_t>(command.minutes) : std::nullopt);
        break;
    case RemoteCommand::Kind::Resume:
        capturePause_->resume();
        break;
    case RemoteCommand::Kind::ReloadSnippets:
        reloadSnippets();
        break;
    }
}

void BrisaApp::run(AppCommand command)
{
    // What another brisa process may ask too goes through perform(), so both ways do the same.
    switch (command) {
    case AppCommand::TogglePanel:
        return perform({RemoteCommand::Kind::Toggle, 0});
    case AppCommand::OpenLibrary:
        return perform({RemoteCommand::Kind::Library, 0});
    case AppCommand::OpenQuickNote:
        return perform({RemoteCommand::Kind::QuickNote, 0});
    case AppCommand::ToggleBulkCopy:
        return perform({RemoteCommand::Kind::BulkCopy, 0});
    case AppCommand::PauseCapture:
        return perform({RemoteCommand::Kind::Pause, 0});
    case AppCommand::ResumeCapture:
        return perform({RemoteCommand::Kind::Resume, 0});
    case AppCommand::OpenSettings:
        return perform({RemoteCommand::Kind::Settings, 0});
    case AppCommand::SequentialPaste:
        return sequentialPaste_->pasteNext();
    case AppCommand::SequentialPasteBack:
        return sequentialPaste_->pasteBack();
    case AppCommand::Quit:
        return quit();
    }
}

void BrisaApp::pasteSlot(int slot) { perform({RemoteCommand::Kind::PasteSlot, slot}); }

void BrisaApp::showLibrary()
{
    // Made on first use, and kept: closing only hides it.
    if (!library_) {
        if (!qmlEngine_)
            makeQmlEngine(); // a session without the panel
        clipLibrary_ = std::make_unique<ClipLibrary>(*storage_);
        libraryModel_ = std::make_unique<LibraryViewModel>(LibraryViewModel::Services{
            *clipLibrary_, *storage_, *paster_, *bulkCopy_, *settings_, *spaces_, *scheduler_, imageOps_.get(),
            // The history's searched fields are read there while the window is being made.
            workers_ ? [pool = workers_.get()](std::function<void()> job) { pool->submit(std::move(job)); }
                     : std::function<void(std::function<void()>)>()});
        library_ = std::make_unique<LibraryWindowController>(*qmlEngine_, *libraryModel_, platform_->windows.get());
    }
    library_->show();
}

void BrisaApp::quit()
{
    logLine(LogCategory::App, "Saliendo de Brisa");
    if (checkpoint_)
        checkpoint_->flush();
    // Every change is saved when it is made; leaving the loop lets destructors close what is open.
    QApplication::quit();
}

} // namespace brisa
