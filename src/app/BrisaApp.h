// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppCommands.h"
#include "app/CommandLine.h"
#include "core/capture/OcrService.h"
#include "core/paste/PasteService.h"
#include "core/settings/AppSettings.h"
#include "platform/Notifications.h"
#include "ui/QuickNoteController.h"

#include <QObject>

#include <memory>
#include <optional>

class QQmlEngine;
class QSystemTrayIcon;

namespace brisa {

class NotchController;
class NowPlayingService;
class AppLauncher;
class LauncherViewModel;
class LauncherPickerWindow;
class PosixProcessSpawner;
class XdgDefaultApplications;
class NowPlayingViewModel;
class MprisPlayers;
class SidePanelController;
class ToastController;
class ToastViewModel;
class NotchPanelViewModel;
class NotchPanelWindow;
class BulkCopyService;
class CapturePause;
class QuickPasteService;
class SequentialPasteService;
class Clipboard;
class ClipboardMonitor;
struct SourceApp;
class KeyboardShortcuts;
class LoginItem;
class ShortcutRegistry;
class ImageClipOperations;
class QuickNoteWindowController;
class ClipLibrary;
class LibraryViewModel;
class LibraryWindowController;
class SettingsWindowController;
class ReminderScheduler;
class DBusNotifications;
class ScreenshotWatcher;
class ImageLibrary;
class WorkerPool;
struct PlatformServices;
class LauncherStore;
class QtScheduler;
class SpaceStore;
class IdleCheckpoint;
class Storage;
class TextExpander;
class TextSnippetStore;
class TrayMenu;
class UnixSignals;
class UserDefaults;

/// Owns every long-lived service and starts them in order. One per process.
class BrisaApp final : public QObject,
                       private AppCommands,
                       private NotificationClicks,
                       private NoteStore,
                       private RecognizedTextSink,
                       private PermissionPrompt,
                       private SettingsEffects {
    Q_OBJECT
public:
    /// images does all image work (the program loads the image libraries on first use); it must
    /// outlive the app.
    explicit BrisaApp(const ImageLibrary& images, QObject* parent = nullptr);
    ~BrisaApp() override;

    /// Runs the start-up sequence; the event loop takes over afterwards. False when Brisa cannot
    /// run (the clip store cannot be opened): the message has been printed.
    bool start();
    /// Ends the event loop after a clean shutdown.
    void quit();
    /// Performs an action another brisa process asked for.
    void perform(const RemoteCommand& command);

    AppSettings& settings() { return *settings_; }
    TrayMenu& trayMenu() { return *trayMenu_; }

private:
    void setupStatusItem();
    /// The tray's icon, tooltip and checkmark follow the pause, however it started or ended.
    void showCapturePaused();
    void createClipboardMonitor();
    /// Starts or stops recording the mouse selection too.
    void recordPrimarySelection(bool on);
    void startScreenshotWatcher();
    void registerGlobalShortcuts();
    void createPasteServices();
    /// The text expander, over the paste service; started by start().
    void createTextExpander();
    /// Reads the snippets again from the settings file.
    void reloadSnippets();
    /// Keeps the views' idea of the compositor current: translucent with one, cut and opaque without.
    void followCompositor();
    /// The engine of every Qt Quick view, with the image providers the cards read.
    void makeQmlEngine();
    void installNotchPanel();
    void installToastPanel();
    /// What the media players play, in a card beside the open panel.
    void installNowPlayingPanel();
    /// The application tiles, in a grid beside the open panel.
    void installLauncherPanel();
    /// Notifications for the clips' reminders; a click on one opens the panel on its clip.
    void startReminders();
    void notificationClicked(const std::string& key) override;
    /// A quick note becomes a text clip.
    bool saveNote(const std::string& note) override;
    void storeRecognizedText(const Uuid& id, const std::string& text) override;
    /// The library window, made the first time.
    void showLibrary();
    // What the tray and the global shortcuts ask for.
    void run(AppCommand command) override;
    void pasteSlot(int slot) override;
    /// The alert of a paste that cannot type its chord, as a dialog.
    int ask(const PermissionAlert& alert) override;
    void openSettings() override;
    // Where the settings take effect.
    void setHistoryLimit(std::int64_t limit) override;
    void setAutoDeleteDays(std::int64_t days) override;
    void setLaunchAtLogin(bool enabled) override;
    void setBlockedBundleIDs(const std::set<std::string>& ids) override;

    const ImageLibrary& images_;
    std::unique_ptr<QtScheduler> scheduler_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<IdleCheckpoint> checkpoint_;
    std::unique_ptr<LoginItem> loginItem_;
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<AppSettings> settings_;
    // Before the monitors and the screenshot watcher, which ask it: they go first.
    std::unique_ptr<CapturePause> capturePause_;
    std::unique_ptr<SpaceStore> spaces_;
    std::unique_ptr<TextSnippetStore> snippets_;
    std::unique_ptr<LauncherStore> launcher_;
    std::unique_ptr<XdgDefaultApplications> defaultApps_;
    // Declared so that they go in the right order: the monitor before the platform it reads, the
    // pool's threads joined before the store their jobs use.
    std::unique_ptr<WorkerPool> workers_;
    std::unique_ptr<OcrService> ocr_;
    std::unique_ptr<ImageClipOperations> imageOps_;
    std::unique_ptr<ScreenshotWatcher> screenshots_;
    std::unique_ptr<PlatformServices> platform_;
    std::unique_ptr<ClipboardMonitor> monitor_;
    std::unique_ptr<Clipboard> primary_;
    std::unique_ptr<ClipboardMonitor> primaryMonitor_;
    std::unique_ptr<PasteService> paster_;
    std::unique_ptr<QuickPasteService> quickPaste_;
    std::unique_ptr<BulkCopyService> bulkCopy_;
    std::unique_ptr<SequentialPasteService> sequentialPaste_;
    std::unique_ptr<TextExpander> expander_;
    std::unique_ptr<KeyboardShortcuts> shortcuts_;
    std::unique_ptr<ShortcutRegistry> shortcutRegistry_;
    std::unique_ptr<QuickNoteWindowController> quickNote_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    // The views go before the engine that made them and the controller they read.
    std::unique_ptr<NotchController> notch_;
    std::unique_ptr<ToastController> toast_;
    std::unique_ptr<QQmlEngine> qmlEngine_;
    std::unique_ptr<NotchPanelViewModel> panelModel_;
    std::unique_ptr<NotchPanelWindow> panelWindow_;
    std::unique_ptr<ToastViewModel> toastModel_;
    std::unique_ptr<NotchPanelWindow> toastWindow_;
    std::unique_ptr<ClipLibrary> clipLibrary_;
    std::unique_ptr<LibraryViewModel> libraryModel_;
    std::unique_ptr<LibraryWindowController> library_;
    std::unique_ptr<MprisPlayers> players_;
    std::unique_ptr<NowPlayingService> nowPlaying_;
    std::unique_ptr<NowPlayingViewModel> nowPlayingModel_;
    std::unique_ptr<SidePanelController> nowPlayingSide_;
    std::unique_ptr<NotchPanelWindow> nowPlayingWindow_;
    std::unique_ptr<PosixProcessSpawner> spawner_;
    std::unique_ptr<AppLauncher> appLauncher_;
    std::unique_ptr<LauncherViewModel> launcherModel_;
    std::unique_ptr<LauncherPickerWindow> launcherPicker_;
    std::unique_ptr<SidePanelController> launcherSide_;
    std::unique_ptr<NotchPanelWindow> launcherWindow_;
    std::unique_ptr<DBusNotifications> notifications_;
    std::unique_ptr<ReminderScheduler> reminders_;
    std::unique_ptr<TrayMenu> trayMenu_;
    QSystemTrayIcon* statusItem_ = nullptr;
    UnixSignals* signals_ = nullptr;
};

} // namespace brisa
